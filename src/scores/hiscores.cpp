// The high-score table: defaults, qualifying, ordered insertion, and its text file.
#include "hiscores.h"

#include "clock.h"
#include "files.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNameMax = kHiScoreNameSize - 1;
constexpr uint32_t kLockPollMs = 20;

// Stores at most the first 31 characters of name (a null name is the empty name) and zero-fills
// the rest of the field.
void StoreName(char (&dst)[kHiScoreNameSize], const char* name) {
    memset(dst, 0, sizeof dst);
    if (name != nullptr) memcpy(dst, name, strnlen(name, kNameMax));
}

// Reads a record as the five formatted reads "%[^|]", "%s256", "%ld", "%ld" and "%[\n]" would,
// each a call of its own. What each of them consumes and keeps is what defines the file format,
// so any file, hand-edited or damaged, loads by those rules. Unlike those calls, the reader keeps
// every text within a fixed bound however long the texts in the file are, and it reads the
// file's bytes from memory: the file has been read whole, within its size limit.
class RecordReader {
  public:
    explicit RecordReader(std::string_view bytes)
        : p_(bytes.data()), end_(bytes.data() + bytes.size()) {}

    // "%[^|]": every character up to the next "|" (not consumed). Only the first 31 characters
    // matter to the row; the rest of a longer name is consumed and dropped. A NUL byte ends the
    // text as the name is a C string.
    void ReadName(char (&dst)[kHiScoreNameSize]) {
        memset(dst, 0, sizeof dst);
        int kept = 0;
        int c;
        while ((c = Get()) != kEnd && c != '|') {
            if (kept < kNameMax) dst[kept++] = static_cast<char>(c);
        }
        Unget(c);
        const size_t len = strnlen(dst, sizeof dst);
        memset(dst + len, 0, sizeof dst - len);
    }

    // "%s256": skip white space, consume one word whatever its length, and drop it. The
    // literal 256 after it can never match (the word ends at white space or the end of file).
    void SkipWord() {
        SkipSpace();
        int c;
        while ((c = Get()) != kEnd && !IsSpace(c)) {
        }
        Unget(c);
    }

    // "%ld": skip white space and read a signed decimal number into *value; without digits,
    // *value is unchanged and false returned. As the C library does, a sign not followed by a
    // digit is consumed, and a number beyond the range of long saturates.
    bool ReadLong(long* value) {
        SkipSpace();
        int c = Get();
        bool negative = false;
        if (c == '-' || c == '+') {
            negative = c == '-';
            c = Get();
        }
        if (!IsDigit(c)) {
            Unget(c);
            return false;
        }
        // Accumulated as a negative number, whose range includes LONG_MIN.
        long n = 0;
        bool overflow = false;
        for (; IsDigit(c); c = Get()) {
            const int digit = c - '0';
            if (n < (LONG_MIN + digit) / 10) {
                overflow = true;
            } else {
                n = n * 10 - digit;
            }
        }
        Unget(c);
        if (negative) {
            *value = overflow ? LONG_MIN : n;
        } else {
            *value = overflow || n == LONG_MIN ? LONG_MAX : -n;
        }
        return true;
    }

    // "%[\n]": a run of line feeds, if the next character is one.
    void SkipLineFeeds() {
        int c;
        while ((c = Get()) == '\n') {
        }
        Unget(c);
    }

  private:
    static constexpr int kEnd = -1;

    static bool IsSpace(int c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }
    static bool IsDigit(int c) { return c >= '0' && c <= '9'; }

    int Get() { return p_ < end_ ? static_cast<unsigned char>(*p_++) : kEnd; }

    // Gives back the character just read; the end of the file is never given back.
    void Unget(int c) {
        if (c != kEnd) --p_;
    }

    void SkipSpace() {
        int c;
        while ((c = Get()) != kEnd && IsSpace(c)) {
        }
        Unget(c);
    }

    const char* p_;
    const char* end_;
};

// Reads the ten records of bytes into the rows of table, which hold the defaults, and sets
// minScore. The level and score variables carry over from record to record; until a number
// has been read into one of them, the rows keep their default value for it.
void ReadRecords(std::string_view bytes, HiScoreTable* table) {
    RecordReader reader(bytes);
    long level = 0;
    long score = 0;
    bool haveLevel = false;
    bool haveScore = false;
    for (HiScoreEntry& row : table->rows) {
        char name[kHiScoreNameSize];
        reader.ReadName(name);
        reader.SkipWord();
        haveLevel = reader.ReadLong(&level) || haveLevel;
        haveScore = reader.ReadLong(&score) || haveScore;
        reader.SkipLineFeeds();
        memcpy(row.name, name, sizeof name);
        if (haveLevel) row.level = static_cast<uint8_t>(static_cast<unsigned long>(level));
        if (haveScore) row.score = static_cast<uint32_t>(static_cast<unsigned long>(score));
    }
    table->minScore = table->rows[kHiScoreRows - 1].score;
}

// The exact bytes a save writes for the rows of table.
std::string Format(const HiScoreTable& table) {
    std::string text;
    for (const HiScoreEntry& row : table.rows) {
        // At most 31 + 3 + 3 + 1 + 11 + 1 bytes.
        char record[64];
        const int n = snprintf(record, sizeof record, "%.31s|+\n%d\n%ld\n", row.name, row.level,
                               static_cast<long>(static_cast<int32_t>(row.score)));
        text.append(record, static_cast<size_t>(n));
    }
    return text;
}

// Whether bytes, read into the rows of table, are exactly what a save of them writes. A table
// whose lines end in CRLF counts as saved too: with its line ends made LF, it must read into
// rows whose save is those bytes. (Read as they stand, such a file gives names that begin with
// the CR LF; their save is then the file's table, not the file's bytes.)
bool InSavedForm(std::string_view bytes, const HiScoreTable& table) {
    if (Format(table) == bytes) return true;
    if (bytes.find('\r') == std::string_view::npos) return false;
    std::string lf;
    for (size_t i = 0; i < bytes.size(); ++i)
        if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) lf += bytes[i];
    HiScoreTable reread;
    klmr_HiScoreDefaults(&reread);
    ReadRecords(lf, &reread);
    return Format(reread) == lf;
}

// The bytes of a read file, as text.
std::string_view Text(const FileBytes& bytes) {
    return {reinterpret_cast<const char*>(bytes.data), bytes.size};
}

// Takes the exclusive lock on lockPath (created if need be), polling for at most
// kHiScoreLockWaitMs: the descriptor that holds it, or -1 (errno EWOULDBLOCK when another
// copy held it all that time). Read-only is enough for flock, so a lock file made by another
// user of a shared score file still serves. Closing the descriptor releases the lock; the lock
// file itself stays, as removing it would let two copies lock two different files.
int TakeLock(const std::string& lockPath) {
    const int fd =
        open(lockPath.c_str(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
    if (fd < 0) return -1;
    for (int waited = 0;;) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK || waited >= kHiScoreLockWaitMs) break;
        klmr_Delay(kLockPollMs);
        waited += static_cast<int>(kLockPollMs);
    }
    const int saved = errno;
    close(fd);
    errno = saved;
    return -1;
}

// Shifts rows down and stores the result at its rank, without recording it: the insertion rule
// shared by klmr_HiScoreInsert and the merge of a save.
int InsertRow(HiScoreTable* table, const char* name, uint8_t level, uint32_t score) {
    if (table == nullptr || score <= table->minScore) return -1;
    // Rows with an equal score stay above the new one. A rank always exists: the score beats
    // minScore, the score of row 9.
    int rank = 0;
    while (rank < kHiScoreRows - 1 && table->rows[rank].score >= score)
        ++rank;
    for (int i = kHiScoreRows - 1; i > rank; --i)
        table->rows[i] = table->rows[i - 1];
    klmr_EntrySet(&table->rows[rank], name, level, score);
    table->minScore = table->rows[kHiScoreRows - 1].score;
    return rank;
}

// Whether two sets of rows hold the same names, levels and scores.
bool SameRows(const HiScoreEntry (&a)[kHiScoreRows], const HiScoreEntry (&b)[kHiScoreRows]) {
    for (int i = 0; i < kHiScoreRows; ++i)
        if (memcmp(a[i].name, b[i].name, kHiScoreNameSize) != 0 || a[i].level != b[i].level ||
            a[i].score != b[i].score)
            return false;
    return true;
}

// Records an inserted row for the next save's merge. Only ten can ever reach a table, so a full
// record drops its weakest row: the lowest score, and of equal scores the latest, which ranks
// below the earlier ones and would be pushed out by them first.
void RecordRow(HiScoreTable* table, const HiScoreEntry& row) {
    int n = std::clamp(table->newCount, 0, kHiScoreRows);
    if (n == kHiScoreRows) {
        int weakest = 0;
        for (int i = 1; i < n; ++i)
            if (table->newRows[i].score <= table->newRows[weakest].score) weakest = i;
        if (row.score <= table->newRows[weakest].score) return;
        for (int i = weakest; i < n - 1; ++i)
            table->newRows[i] = table->newRows[i + 1];
        --n;
    }
    table->newRows[n] = row;
    table->newCount = n + 1;
}

} // namespace

void klmr_HiScoreDefaults(HiScoreTable* table) {
    if (table == nullptr) return;
    memset(table->path, 0, sizeof table->path);
    for (int i = 0; i < kHiScoreRows; ++i) {
        StoreName(table->rows[i].name, "Quorvane");
        table->rows[i].level = 1;
        table->rows[i].score = static_cast<uint32_t>(100 - 10 * i);
    }
    table->minScore = table->rows[kHiScoreRows - 1].score;
    memcpy(table->fileRows, table->rows, sizeof table->rows);
    table->newCount = 0;
    memset(table->newRows, 0, sizeof table->newRows);
}

int klmr_HiScoreLoad(HiScoreTable* table, const char* path) {
    if (table == nullptr) return -2;
    klmr_HiScoreDefaults(table);
    if (path == nullptr) return -2;
    // A path that does not fit is refused whole: a cut-down path would name another file.
    const size_t len = strnlen(path, kHiScoreNameSize);
    if (len == 0 || len >= static_cast<size_t>(kHiScoreNameSize)) return -1;

    // A file that could not be read whole leaves the defaults and no path, so that the save at
    // the end never replaces a table this program did not see.
    FileBytes bytes;
    if (klmr_ReadFileBounded(path, kHiScoreFileMax, &bytes, nullptr, 0) != 0) {
        if (errno != ENOENT) return -1;
        memcpy(table->path, path, len);
        return 1;
    }
    memcpy(table->path, path, len);
    ReadRecords(Text(bytes), table);
    klmr_FreeFileBytes(&bytes);
    memcpy(table->fileRows, table->rows, sizeof table->rows);
    return 0;
}

int klmr_HiScoreSave(HiScoreTable* table) {
    if (table == nullptr) return -2;
    const size_t len = strnlen(table->path, kHiScoreNameSize);
    if (len == 0 || len >= static_cast<size_t>(kHiScoreNameSize)) {
        errno = len == 0 ? ENOENT : ENAMETOOLONG;
        return -1;
    }
    char path[kHiScoreNameSize];
    memcpy(path, table->path, len + 1);

    // Keep what a plain rewrite of the file would have kept: a symbolic link goes on pointing
    // at the file it names (the new table replaces that file, not the link), and a file the
    // player may not write to is left alone.
    char resolved[PATH_MAX];
    if (klmr_RewriteTarget(path, resolved, sizeof resolved) != 0) return -1;
    const std::string target = resolved;
    if (access(target.c_str(), F_OK) == 0 && access(target.c_str(), W_OK) != 0) return -1;

    const int lock = TakeLock(target + ".lock");
    if (lock < 0) return -1;

    // The file as it is now, which another copy may have saved since this one read it. One that
    // has become unreadable is not replaced: this copy cannot see what it would destroy.
    FileBytes old;
    const int read = klmr_ReadFileBounded(target.c_str(), kHiScoreFileMax, &old, nullptr, 0) == 0
                         ? 0
                     : errno == ENOENT ? 1
                                       : -1;
    bool ok = read >= 0;
    HiScoreTable merged;
    klmr_HiScoreDefaults(&merged);
    memcpy(merged.path, path, len + 1);
    if (read == 0) ReadRecords(Text(old), &merged);
    // Bytes that are not a table this program wrote (notes behind a link, a damaged or
    // hand-made file) are kept beside it before they are replaced; a saved table is not.
    const bool keepOld = read == 0 && old.size > 0 && !InSavedForm(Text(old), merged);
    if (SameRows(merged.rows, table->fileRows)) {
        // No other copy has saved since: the table in memory is the file's rows with this copy's
        // inserts, every one of them, made by the same rule.
        memcpy(merged.rows, table->rows, sizeof merged.rows);
        merged.minScore = merged.rows[kHiScoreRows - 1].score;
    } else {
        const int count = std::clamp(table->newCount, 0, kHiScoreRows);
        for (int i = 0; i < count; ++i) {
            const HiScoreEntry& row = table->newRows[i];
            InsertRow(&merged, row.name, row.level, row.score);
        }
    }
    memcpy(merged.fileRows, merged.rows, sizeof merged.rows);

    // The temporary file has a fixed name, used only under the lock: one left by a save killed
    // part way is replaced by the next.
    const std::string temp = target + ".tmp", text = Format(merged);
    const int mode = read == 0 ? static_cast<int>(old.mode) : -1; // a new file: the umask's
    if (ok && keepOld)
        ok = klmr_ReplaceFile((target + ".bak").c_str(), old.data, old.size, mode, temp.c_str()) ==
             0;
    if (ok)
        ok = klmr_ReplaceFile(target.c_str(), text.data(), text.size(), mode, temp.c_str()) == 0;
    const int saved = errno;
    klmr_FreeFileBytes(&old);
    close(lock);
    errno = saved;
    if (!ok) return -1;
    *table = merged;
    return 0;
}

bool klmr_HiScoreQualifies(const HiScoreTable* table, uint32_t score) {
    return table != nullptr && score > table->minScore;
}

int klmr_HiScoreInsert(HiScoreTable* table, const char* name, uint8_t level, uint32_t score) {
    const int rank = InsertRow(table, name, level, score);
    if (rank >= 0) RecordRow(table, table->rows[rank]);
    return rank;
}

int klmr_HiScoreInsertEntry(HiScoreTable* table, const HiScoreEntry* entry) {
    if (entry == nullptr) return -1;
    // The entry's name field may lack its terminator; copy it bounded first.
    char name[kHiScoreNameSize];
    StoreName(name, entry->name);
    return klmr_HiScoreInsert(table, name, entry->level, entry->score);
}

void klmr_EntrySet(HiScoreEntry* entry, const char* name, uint8_t level, uint32_t score) {
    if (entry == nullptr) return;
    klmr_EntrySetName(entry, name);
    entry->level = level;
    entry->score = score;
}

void klmr_EntrySetName(HiScoreEntry* entry, const char* name) {
    if (entry == nullptr) return;
    // Copied through a buffer: name may point into the entry itself.
    char copy[kHiScoreNameSize];
    StoreName(copy, name);
    memcpy(entry->name, copy, sizeof copy);
}

void klmr_EntrySetLevel(HiScoreEntry* entry, uint8_t level) {
    if (entry != nullptr) entry->level = level;
}

void klmr_EntrySetScore(HiScoreEntry* entry, uint32_t score) {
    if (entry != nullptr) entry->score = score;
}
