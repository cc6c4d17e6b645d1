// Replays: the recorder, the parser of replay files and the player (replay.h).
#include "replay.h"

#include "clock.h"
#include "display.h"
#include "files.h"
#include "version.h"

#include <SDL.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

const char kMagic[] = "kelmora-replay";

// ---- Names in the file: one word each. Bytes outside '!'..'~', '%' and '"' are written %XX;
// the empty name is "".

std::string EncodeName(const char* name) {
    if (name[0] == '\0') return "\"\"";
    std::string s;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(name); *p; ++p) {
        if (*p > ' ' && *p < 0x7f && *p != '%' && *p != '"') {
            s += static_cast<char>(*p);
        } else {
            char hex[4];
            snprintf(hex, sizeof hex, "%%%02X", *p);
            s += hex;
        }
    }
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The name a word stands for, at most 31 bytes, none of them NUL or '|'; false if none.
bool DecodeName(const std::string& word, char (&name)[kHiScoreNameSize]) {
    memset(name, 0, sizeof name);
    if (word == "\"\"") return true;
    size_t n = 0;
    for (size_t i = 0; i < word.size(); ++i) {
        int c = static_cast<unsigned char>(word[i]);
        if (c == '"') return false;
        if (c == '%') {
            if (i + 2 >= word.size()) return false;
            const int hi = HexDigit(word[i + 1]), lo = HexDigit(word[i + 2]);
            if (hi < 0 || lo < 0) return false;
            c = hi * 16 + lo;
            i += 2;
        }
        if (c == 0 || c == '|' || n >= kHiScoreNameSize - 1) return false;
        name[n++] = static_cast<char>(c);
    }
    return n > 0;
}

std::string TableWords(const HiScoreEntry* rows) {
    std::string s;
    for (int r = 0; r < kHiScoreRows; ++r) {
        char numbers[32];
        snprintf(numbers, sizeof numbers, " %u %lu", rows[r].level,
                 static_cast<unsigned long>(rows[r].score));
        s += " " + EncodeName(rows[r].name) + numbers;
    }
    return s;
}

// FNV-1a over the sizes and cells of the playing board, then the target.
uint64_t BoardsHash(const Puzzle& puzzle) {
    uint64_t h = 14695981039346656037ull;
    auto mix = [&h](uint8_t byte) { h = (h ^ byte) * 1099511628211ull; };
    for (const Board* b : {&puzzle.current, &puzzle.target}) {
        mix(b->width);
        mix(b->height);
        for (int x = 0; x < b->width && x < kBoardCells; ++x)
            for (int y = 0; y < b->height && y < kBoardCells; ++y)
                mix(b->cells[x][y]);
    }
    return h;
}

// ---- Parsing

// "line N: " and the message, into why.
int Refuse(char* why, size_t size, size_t line, const char* format, ...) {
    int n = snprintf(why, size, "line %zu: ", line);
    if (n < 0 || static_cast<size_t>(n) >= size) return -1;
    va_list args;
    va_start(args, format);
    vsnprintf(why + n, size - static_cast<size_t>(n), format, args);
    va_end(args);
    return -1;
}

// A decimal number in [lo, hi]: an optional '-' and at most 18 digits, nothing else.
bool Number(const std::string& word, int64_t lo, int64_t hi, int64_t* out) {
    size_t i = word.size() > 0 && word[0] == '-' ? 1 : 0;
    if (word.size() == i || word.size() - i > 18) return false;
    int64_t v = 0;
    for (size_t k = i; k < word.size(); ++k) {
        if (word[k] < '0' || word[k] > '9') return false;
        v = v * 10 + (word[k] - '0');
    }
    if (i == 1) v = -v;
    if (v < lo || v > hi) return false;
    *out = v;
    return true;
}

// Ten rows of name, level and score from words[first ...]; false if they are not that.
bool Rows(const std::vector<std::string>& words, size_t first, HiScoreEntry* rows) {
    if (words.size() != first + 3 * kHiScoreRows) return false;
    for (int r = 0; r < kHiScoreRows; ++r) {
        int64_t level = 0, score = 0;
        const size_t w = first + 3 * static_cast<size_t>(r);
        if (!DecodeName(words[w], rows[r].name) || !Number(words[w + 1], 0, 255, &level) ||
            !Number(words[w + 2], 0, UINT32_MAX, &score))
            return false;
        rows[r].level = static_cast<uint8_t>(level);
        rows[r].score = static_cast<uint32_t>(score);
    }
    return true;
}

// A checkpoint line's words after "check": "F start|end L S T HASH" or "F table" and ten rows.
bool CheckpointShape(const std::vector<std::string>& words) {
    int64_t n = 0;
    if (words.size() < 3 || !Number(words[1], 0, kReplayMaxFrames, &n)) return false;
    if (words[2] == "table") {
        HiScoreEntry rows[kHiScoreRows];
        return Rows(words, 3, rows);
    }
    if (words[2] != "start" && words[2] != "end") return false;
    if (words.size() != 7 || words[6].size() != 16) return false;
    for (char c : words[6])
        if (HexDigit(c) < 0 || (c >= 'A' && c <= 'F')) return false;
    return Number(words[3], 1, 255, &n) && Number(words[4], 0, UINT32_MAX, &n) &&
           Number(words[5], INT32_MIN, INT32_MAX, &n);
}

// A reading line (seed, time or ticks): Yes with *out filled, No if the words are not one, Bad
// if they are one, malformed.
enum class Parsed { No, Yes, Bad };
Parsed Reading(const std::vector<std::string>& words, ReplayItem* out) {
    const std::string& w = words[0];
    if (w != "seed" && w != "time" && w != "ticks") return Parsed::No;
    int64_t v = 0;
    if (words.size() != 2) return Parsed::Bad;
    const bool relative = w == "time" && words[1][0] == '+';
    const bool ok = w == "ticks" ? Number(words[1], 0, UINT32_MAX, &v)
                    : relative   ? Number(words[1].substr(1), 0, kReplayMaxSpan, &v)
                                 : Number(words[1], 0, kReplayMaxTime - 1, &v);
    if (!ok) return Parsed::Bad;
    const ClockRead kind = w == "seed"   ? ClockRead::Seed
                           : w == "time" ? ClockRead::Time
                                         : ClockRead::Ticks;
    *out = {false, {}, {kind, v}, relative};
    return Parsed::Yes;
}

// The calendar clock through the readings items[from, to), from *last (-1: none yet), *first the
// first ever. False when one is relative with nothing before it, goes back, or lies more than
// kReplayMaxSpan after the first: the game counts seconds up through them, so a clock that
// jumped would have it count for ever.
bool Advance(const std::vector<ReplayItem>& items, size_t from, size_t to, int64_t* first,
             int64_t* last) {
    for (size_t i = from; i < to; ++i) {
        const ReplayItem& item = items[i];
        if (item.isEvent || item.reading.kind == ClockRead::Ticks) continue;
        if (item.relative && *last < 0) return false;
        const int64_t v = item.relative ? *last + item.reading.value : item.reading.value;
        if (*first < 0) *first = v;
        if (v < *last || v - *first > kReplayMaxSpan) return false;
        *last = v;
    }
    return true;
}

Parsed Event(const std::vector<std::string>& words, GameEvent* e) {
    const std::string& w = words[0];
    int64_t a = 0, b = 0, c = 0;
    *e = {};
    if (w == "key") {
        if (words.size() != 2 || !Number(words[1], 0, 65535, &a)) return Parsed::Bad;
        *e = {EventKind::Key, static_cast<int>(a), 0, 0, 0};
    } else if (w == "move") {
        if (words.size() != 3 || !Number(words[1], 0, 65535, &a) || !Number(words[2], 0, 65535, &b))
            return Parsed::Bad;
        *e = {EventKind::Motion, 0, 0, static_cast<int>(a), static_cast<int>(b)};
    } else if (w == "click") {
        if (words.size() != 4 || !Number(words[1], 0, 255, &a) || !Number(words[2], 0, 65535, &b) ||
            !Number(words[3], 0, 65535, &c))
            return Parsed::Bad;
        *e = {EventKind::Button, 0, static_cast<int>(a), static_cast<int>(b), static_cast<int>(c)};
    } else if (w == "close") {
        if (words.size() != 1) return Parsed::Bad;
        e->kind = EventKind::Quit;
    } else {
        return Parsed::No;
    }
    return Parsed::Yes;
}

std::vector<std::string> Split(const char* p, size_t n) {
    std::vector<std::string> words;
    size_t i = 0;
    while (i < n) {
        while (i < n && p[i] == ' ')
            ++i;
        size_t j = i;
        while (j < n && p[j] != ' ')
            ++j;
        if (j > i) words.emplace_back(p + i, j - i);
        i = j;
    }
    return words;
}

// ---- The recorder and the player

struct Recorder {
    bool on;
    std::string path;
    std::string out;  // everything closed so far
    std::string cur;  // the records of the frame being played
    std::string prev; // the last closed frame's records, written once their repeat is known
    uint32_t prevRepeat;
};

struct Player {
    bool on;
    Replay replay;
    size_t group;   // index into replay.frames of the frame being played
    uint32_t round; // which of the group's repeats it is
    int eventAt;    // the next of the frame's items to look at for an event
    size_t nextCheck;
    bool failed;  // a difference was found and told
    bool left;    // the player left with Escape or a close
    int64_t time; // the last calendar reading handed out, which a relative one follows
};

Recorder rec;
Player play;
uint64_t frame = 0; // frames ended since start-up

void Differ(const char* what, const std::string& expected, const std::string& got) {
    if (play.failed) return;
    play.failed = true;
    fprintf(stderr, "replay: difference at frame %llu, checkpoint %zu: %s\n",
            static_cast<unsigned long long>(frame), play.nextCheck + 1, what);
    fprintf(stderr, "  expected: %s\n  got:      %s\n", expected.c_str(), got.c_str());
    if (strcmp(play.replay.game, KELMORA_VERSION) != 0)
        fprintf(stderr, "  (recorded by kelmora %s; this is %s)\n", play.replay.game,
                KELMORA_VERSION);
}

const char* ReadingName(ClockRead kind) {
    return kind == ClockRead::Seed ? "seed" : kind == ClockRead::Time ? "time" : "ticks";
}

// The records of the readings the tap logged since the last call.
// Calendar readings after the seed are written as the seconds since the one before ("+0"
// mostly), which keeps the file small.
std::string DrainLog() {
    static int64_t lastTime = -1;
    std::string s;
    for (int i = 0; i < clockTap.logged; ++i) {
        const ClockReading& r = clockTap.log[i];
        char line[48];
        if (r.kind == ClockRead::Time && lastTime >= 0)
            snprintf(line, sizeof line, "time +%lld\n", static_cast<long long>(r.value - lastTime));
        else
            snprintf(line, sizeof line, "%s %lld\n", ReadingName(r.kind),
                     static_cast<long long>(r.value));
        if (r.kind != ClockRead::Ticks) lastTime = r.value;
        s += line;
    }
    clockTap.logged = 0;
    return s;
}

// Writes the frames closed so far that are not yet written.
void FlushFrames() {
    if (rec.prevRepeat > 0) rec.out += rec.prev + "frames " + std::to_string(rec.prevRepeat) + "\n";
    rec.prevRepeat = 0;
}

// Hands the frame's readings to the tap; false at the end of the recording.
bool LoadFrame() {
    if (play.group >= play.replay.frames.size()) return false;
    const ReplayFrames& f = play.replay.frames[play.group];
    clockTap.queued = 0;
    clockTap.taken = 0;
    for (uint32_t i = f.first; i < f.first + f.count; ++i) {
        const ReplayItem& item = play.replay.items[i];
        if (item.isEvent) continue;
        ClockReading reading = item.reading;
        if (item.relative) reading.value += play.time;
        if (reading.kind != ClockRead::Ticks) play.time = reading.value;
        clockTap.queue[clockTap.queued++] = reading;
    }
    play.eventAt = static_cast<int>(f.first);
    return true;
}

// A difference if the tap strayed or the frame's readings were not all taken.
void CheckReadings() {
    const std::string recorded = std::to_string(clockTap.queued) + " clock readings";
    if (clockTap.strayed) {
        Differ("the game read the clock where the recording has no such reading", recorded,
               std::to_string(clockTap.taken) + " clock readings, then a " +
                   ReadingName(clockTap.strayKind) + " reading");
    } else if (clockTap.taken < clockTap.queued) {
        Differ("the recording has clock readings that the game did not take", recorded,
               std::to_string(clockTap.taken) + " clock readings");
    }
}

void Check(const std::string& line) {
    if (rec.on) rec.cur += "check " + line + "\n";
    if (!play.on) return;
    if (play.nextCheck >= play.replay.checks.size()) {
        Differ("a checkpoint the recording does not have", "(none)", line);
    } else if (play.replay.checks[play.nextCheck] != line) {
        Differ("the checkpoint differs", play.replay.checks[play.nextCheck], line);
    }
    ++play.nextCheck;
}

} // namespace

int klmr_ReplayParse(const char* bytes, size_t size, Replay* replay, char* why, size_t whySize) {
    Replay r{};
    r.startTime = -1;
    enum { Magic, Game, Table, StartUp, Body, Done } stage = Magic;
    int64_t firstTime = -1, lastTime = -1, groupTime = -1; // groupTime: as the frame began
    std::vector<ReplayItem> startUp;
    uint32_t pendingFrom = 0;
    int readings = 0, events = 0;
    size_t line = 0, at = 0;
    while (at < size) {
        ++line;
        const char* p = bytes + at;
        const void* nl = memchr(p, '\n', size - at);
        size_t n = nl ? static_cast<size_t>(static_cast<const char*>(nl) - p) : size - at;
        at += n + (nl ? 1 : 0);
        if (n > 0 && p[n - 1] == '\r') --n;
        if (n > kReplayMaxLine)
            return Refuse(why, whySize, line, "longer than %zu bytes", kReplayMaxLine);
        for (size_t i = 0; i < n; ++i)
            if (static_cast<unsigned char>(p[i]) < ' ' || p[i] == 0x7f)
                return Refuse(why, whySize, line, "a control character in the line");
        const std::vector<std::string> words = Split(p, n);
        if (words.empty()) return Refuse(why, whySize, line, "an empty line");
        const std::string& w = words[0];
        int64_t v = 0;
        GameEvent e;
        ReplayItem item;
        switch (stage) {
        case Magic:
            if (w != kMagic || words.size() != 2)
                return Refuse(why, whySize, line, "not a Kelmora replay (no \"%s\" line)", kMagic);
            if (!Number(words[1], INT32_MIN, INT32_MAX, &v))
                return Refuse(why, whySize, line, "the format version is not a number");
            if (v < kReplayFormat)
                return Refuse(why, whySize, line,
                              "recorded in version %lld of the replay format, an older one: this "
                              "game plays version %d only",
                              static_cast<long long>(v), kReplayFormat);
            if (v > kReplayFormat)
                return Refuse(why, whySize, line,
                              "recorded in version %lld of the replay format, newer than this "
                              "game's version %d",
                              static_cast<long long>(v), kReplayFormat);
            stage = Game;
            break;
        case Game:
            if (w != "game" || words.size() != 2 || words[1].size() >= sizeof r.game)
                return Refuse(why, whySize, line, "expected \"game VERSION\"");
            snprintf(r.game, sizeof r.game, "%s", words[1].c_str());
            stage = Table;
            break;
        case Table:
            if (w != "table" || !Rows(words, 1, r.table))
                return Refuse(why, whySize, line,
                              "expected \"table\" and ten rows of name, level and score");
            stage = StartUp;
            break;
        case StartUp:
            if (w == "run" && words.size() == 1) {
                stage = Body;
                break;
            }
            if (Reading(words, &item) != Parsed::Yes)
                return Refuse(why, whySize, line, "expected a clock reading or \"run\"");
            if (r.startUp.size() >= kTapReadings)
                return Refuse(why, whySize, line, "more than %d readings", kTapReadings);
            startUp.push_back(item);
            if (!Advance(startUp, startUp.size() - 1, startUp.size(), &firstTime, &lastTime))
                return Refuse(why, whySize, line,
                              "a calendar reading out of order or out of range");
            r.startUp.push_back({item.reading.kind, item.relative ? lastTime : item.reading.value});
            r.startTime = groupTime = lastTime;
            break;
        case Body: {
            if (w == "end" && words.size() == 1) {
                if (pendingFrom != r.items.size())
                    return Refuse(why, whySize, line, "records after the last \"frames\" line");
                stage = Done;
                break;
            }
            if (w == "check") {
                if (!CheckpointShape(words))
                    return Refuse(why, whySize, line, "a malformed checkpoint");
                // Kept as the game writes it, words separated by one space.
                std::string canonical;
                for (size_t i = 1; i < words.size(); ++i)
                    canonical += (i > 1 ? " " : "") + words[i];
                r.checks.push_back(std::move(canonical));
                break;
            }
            if (w == "frames") {
                if (words.size() != 2 || !Number(words[1], 1, kReplayMaxFrames, &v))
                    return Refuse(why, whySize, line, "expected \"frames N\", N from 1 to %llu",
                                  static_cast<unsigned long long>(kReplayMaxFrames));
                r.frameCount += static_cast<uint64_t>(v);
                if (r.frameCount > kReplayMaxFrames)
                    return Refuse(why, whySize, line, "more than %llu frames",
                                  static_cast<unsigned long long>(kReplayMaxFrames));
                const uint32_t count = static_cast<uint32_t>(r.items.size()) - pendingFrom;
                // The clock through the frame's repeats (its first pass was followed record by
                // record): the second pass, then the others, each of which ends where the
                // second did (an absolute reading among them) or adds what it added.
                const int64_t once = lastTime;
                bool inOrder = true;
                if (v > 1)
                    inOrder = Advance(r.items, pendingFrom, r.items.size(), &firstTime, &lastTime);
                if (inOrder && v > 2 && lastTime - once == once - groupTime) {
                    lastTime += (lastTime - once) * (v - 2);
                    inOrder = lastTime - firstTime <= kReplayMaxSpan;
                }
                if (!inOrder)
                    return Refuse(why, whySize, line,
                                  "a calendar reading out of order or out of range");
                r.frames.push_back({pendingFrom, count, static_cast<uint32_t>(v)});
                pendingFrom = static_cast<uint32_t>(r.items.size());
                groupTime = lastTime;
                readings = events = 0;
                break;
            }
            const Parsed ev = Event(words, &e);
            if (ev == Parsed::Yes) {
                if (++events > kReplayMaxEvents)
                    return Refuse(why, whySize, line, "more than %d events in a frame",
                                  kReplayMaxEvents);
                r.items.push_back({true, e, {}, false});
                break;
            }
            const Parsed rd = ev == Parsed::No ? Reading(words, &item) : Parsed::Bad;
            if (rd == Parsed::Yes) {
                if (++readings > kTapReadings)
                    return Refuse(why, whySize, line, "more than %d clock readings in a frame",
                                  kTapReadings);
                r.items.push_back(item);
                if (!Advance(r.items, r.items.size() - 1, r.items.size(), &firstTime, &lastTime))
                    return Refuse(why, whySize, line,
                                  "a calendar reading out of order or out of range");
                break;
            }
            return Refuse(why, whySize, line,
                          rd == Parsed::Bad ? "a malformed \"%s\" record" : "unknown record \"%s\"",
                          w.substr(0, 32).c_str());
        }
        case Done:
            return Refuse(why, whySize, line, "records after \"end\"");
        }
    }
    if (stage != Done)
        return Refuse(why, whySize, line + 1, "the file ends early (truncated: no \"end\" line)");
    *replay = std::move(r);
    return 0;
}

int klmr_ReplayLoad(const char* path, bool paced, char* why, size_t whySize) {
    FileBytes bytes{};
    char reason[256];
    if (klmr_ReadDataFile(path, &bytes, reason, sizeof reason) != 0) {
        snprintf(why, whySize, "%s", reason);
        return -1;
    }
    char parseWhy[256];
    play.replay = Replay{};
    const int result = klmr_ReplayParse(reinterpret_cast<const char*>(bytes.data), bytes.size,
                                        &play.replay, parseWhy, sizeof parseWhy);
    klmr_FreeFileBytes(&bytes);
    if (result != 0) {
        snprintf(why, whySize, "%s, %s", path, parseWhy);
        return -1;
    }
    play.on = true;
    play.time = play.replay.startTime;
    clockTap.playing = true;
    clockTap.paced = paced;
    clockTap.queued = 0;
    for (const ClockReading& reading : play.replay.startUp)
        clockTap.queue[clockTap.queued++] = reading;
    return 0;
}

int klmr_ReplayRecordTo(const char* path, char* why, size_t whySize) {
    const std::string temp = std::string(path) + ".tmp";
    const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0 && errno != EEXIST) {
        snprintf(why, whySize, "%s : %s", temp.c_str(), strerror(errno));
        return -1;
    }
    if (fd >= 0) {
        close(fd);
        unlink(temp.c_str());
    }
    rec.on = true;
    rec.path = path;
    clockTap.recording = true;
    return 0;
}

bool klmr_ReplayPlaying() {
    return play.on;
}

bool klmr_ReplayTable(HiScoreTable* table) {
    if (!play.on) return false;
    klmr_HiScoreDefaults(table);
    memcpy(table->rows, play.replay.table, sizeof table->rows);
    table->minScore = table->rows[kHiScoreRows - 1].score;
    return true;
}

void klmr_ReplayBegin(const MainLoop* loop) {
    if (rec.on) {
        char head[96];
        snprintf(head, sizeof head, "%s %d\ngame %s\ntable", kMagic, kReplayFormat,
                 KELMORA_VERSION);
        rec.out = head + TableWords(loop->hiScores.rows) + "\n" + DrainLog() + "run\n";
    }
    if (!play.on) return;
    CheckReadings();
    if (!LoadFrame()) Differ("the recording has no frames", "a frame", "none");
}

bool klmr_ReplayNextEvent(GameEvent* event) {
    if (!play.on || play.group >= play.replay.frames.size()) return false;
    const ReplayFrames& f = play.replay.frames[play.group];
    while (play.eventAt < static_cast<int>(f.first + f.count)) {
        const ReplayItem& item = play.replay.items[static_cast<size_t>(play.eventAt++)];
        if (item.isEvent) {
            *event = item.event;
            return true;
        }
    }
    return false;
}

void klmr_ReplayRecordEvent(const GameEvent& e) {
    if (!rec.on) return;
    char line[64];
    switch (e.kind) {
    case EventKind::Key:
        snprintf(line, sizeof line, "key %d\n", e.sym);
        break;
    case EventKind::Motion:
        snprintf(line, sizeof line, "move %d %d\n", e.x, e.y);
        break;
    case EventKind::Button:
        snprintf(line, sizeof line, "click %d %d %d\n", e.button, e.x, e.y);
        break;
    case EventKind::Quit:
        snprintf(line, sizeof line, "close\n");
        break;
    }
    rec.cur += line;
}

bool klmr_ReplayFrameEnd(const MainLoop* loop) {
    ++frame;
    if (rec.on) {
        // A frame's readings follow its events: the order among the events and among the
        // readings is all that a replay needs. A frame that repeats the one before, as most
        // do, only raises its count; a checkpoint names its frame, so it never repeats.
        rec.cur += DrainLog();
        if (rec.prevRepeat > 0 && rec.cur == rec.prev) {
            ++rec.prevRepeat;
        } else {
            FlushFrames();
            rec.prev = rec.cur;
            rec.prevRepeat = 1;
        }
        rec.cur.clear();
    }
    if (!play.on) return true;
    if (play.group >= play.replay.frames.size()) return false; // told by klmr_ReplayBegin
    CheckReadings();
    const ReplayFrames& f = play.replay.frames[play.group];
    for (int i = play.eventAt; i < static_cast<int>(f.first + f.count); ++i)
        if (play.replay.items[static_cast<size_t>(i)].isEvent) {
            Differ("the game stopped taking events before the frame's last recorded one",
                   "every event of the frame taken", "polling stopped before the end");
            break;
        }
    if (++play.round >= f.repeat) {
        play.round = 0;
        ++play.group;
    }
    const bool more = play.group < play.replay.frames.size();
    if (loop->quitRequested && more)
        Differ("the game ended here, the recording goes on", "more frames", "the end");
    else if (!loop->quitRequested && !more)
        Differ("the recording ends here, the game goes on", "the end", "more frames");
    // The live events: Escape or a close request leaves the replay, and the window system's
    // resizes and exposes keep the window right; no other key or click reaches the game.
    SDL_Event live;
    while (SDL_PollEvent(&live) != 0) {
        if (live.type == SDL_QUIT ||
            (live.type == SDL_KEYDOWN && live.key.keysym.sym == SDLK_ESCAPE))
            play.left = true;
        else if (live.type == SDL_VIDEORESIZE)
            klmr_DisplayResize(live.resize.w, live.resize.h);
        else if (live.type == SDL_VIDEOEXPOSE)
            klmr_DisplayForget();
    }
    if (play.failed || play.left) return false;
    if (more) LoadFrame();
    return true;
}

void klmr_ReplayCheckpoint(const MainLoop* loop, Checkpoint which) {
    if (!rec.on && !play.on) return;
    char line[128];
    snprintf(line, sizeof line, "%llu %s %d %lu %ld %016llx",
             static_cast<unsigned long long>(frame),
             which == Checkpoint::LevelStart ? "start" : "end", klmr_PuzzleLevel(&loop->puzzle) + 1,
             static_cast<unsigned long>(loop->newEntry.score), static_cast<long>(loop->timeLeft),
             static_cast<unsigned long long>(BoardsHash(loop->puzzle)));
    Check(line);
}

int klmr_ReplayFinish(const MainLoop* loop) {
    if (!rec.on && !play.on) return 0;
    if (!play.failed && !play.left)
        Check(std::to_string(frame) + " table" + TableWords(loop->hiScores.rows));
    int status = 0;
    if (play.on) {
        if (play.left) {
            printf("replay left at frame %llu\n", static_cast<unsigned long long>(frame));
        } else if (!play.failed && play.nextCheck < play.replay.checks.size()) {
            Differ("the recording has checkpoints the game never reached",
                   play.replay.checks[play.nextCheck], "(none)");
        } else if (!play.failed) {
            printf("replay verified: %zu checkpoints\n", play.nextCheck);
        }
        fflush(stdout);
        if (play.failed) status = 1;
    }
    if (rec.on) {
        FlushFrames();
        rec.out += rec.cur + "end\n";
        if (clockTap.overflow) {
            fprintf(stderr,
                    "Error: the replay was not written to %s : a frame took more than %d "
                    "clock readings\n",
                    rec.path.c_str(), kTapReadings);
            return 2;
        }
        if (klmr_ReplaceFile(rec.path.c_str(), rec.out.data(), rec.out.size(), -1, nullptr) != 0) {
            fprintf(stderr, "Error: Couldn't write the replay to %s : %s\n", rec.path.c_str(),
                    strerror(errno));
            return 2;
        }
    }
    return status;
}
