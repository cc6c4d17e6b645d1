// The real program under faults: every data file missing, empty, truncated or garbage; an odd
// "hiscores.dat"; a disk that fills up during the final save; SIGTERM in the middle of play,
// of the level-end pause and of name entry. It runs headless (dummy video and audio drivers),
// in a private directory holding data/, with its input scripted by the preloaded inject shim.
#include "fault_support.h"
#include "hiscores.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

using faults::Exists;
using faults::InChild;
using faults::List;
using faults::ReadFile;
using faults::TempDir;
using faults::WriteFile;
namespace fs = std::filesystem;

namespace {

struct Outcome {
    int status = -1; // exit status, 128 + signal, or -2 when it had to be killed
    std::string out, err;
    double seconds = 0;
};

struct Options {
    std::string script = "wait 20;term"; // a program that starts must still end by itself
    std::vector<std::string> env;        // extra NAME=value
    std::string preload;                 // extra library to preload besides the inject shim
    bool asNobody = false;
    long fileSizeLimit = -1; // RLIMIT_FSIZE for the program, bytes
    int timeoutSeconds = 60;
};

// Starts the program in dir, collects its output through pipes and waits for it to end.
Outcome Start(const std::string& dir, const Options& o) {
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) return {};
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        if (chdir(dir.c_str()) != 0) _exit(121);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("KELMORA_INJECT", o.script.c_str(), 1);
        std::string preload = KELMORA_INJECT_LIB;
        if (!o.preload.empty()) preload += ":" + o.preload;
        setenv("LD_PRELOAD", preload.c_str(), 1);
        // A sanitizer runtime insists on coming first; the preloaded shims come before it.
        std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
        setenv("ASAN_OPTIONS",
               (asan + (asan.empty() ? "" : ":") + "verify_asan_link_order=0").c_str(), 1);
        for (const std::string& kv : o.env)
            putenv(const_cast<char*>(kv.c_str()));
        if (o.fileSizeLimit >= 0) {
            signal(SIGXFSZ, SIG_IGN); // stays ignored across exec: writes fail with EFBIG
            const rlimit lim{static_cast<rlim_t>(o.fileSizeLimit),
                             static_cast<rlim_t>(o.fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &lim);
        }
        if (o.asNobody && (setresgid(faults::kNobody, faults::kNobody, faults::kNobody) != 0 ||
                           setresuid(faults::kNobody, faults::kNobody, faults::kNobody) != 0))
            _exit(120);
        execl(KELMORA_PROGRAM, "kelmora", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    Outcome r;
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    const auto deadline = t0 + std::chrono::seconds(o.timeoutSeconds);
    bool killed = false;
    int open = 2;
    while (open > 0) {
        if (!killed && std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            killed = true;
        }
        if (poll(fds, 2, 200) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buf[4096];
            const ssize_t n = read(fds[i].fd, buf, sizeof buf);
            if (n > 0) {
                sinks[i]->append(buf, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    waitpid(pid, &status, 0);
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    r.status = killed ? -2 : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
    return r;
}

std::string Describe(const Outcome& r) {
    return "status " + std::to_string(r.status) + "\n--- stdout\n" + r.out + "--- stderr\n" + r.err;
}

bool SanitizerSpoke(const Outcome& r) {
    return r.err.find("Sanitizer") != std::string::npos ||
           r.err.find("runtime error") != std::string::npos;
}

// Fills dir/data with links to the generated data, except `changed`, which the caller writes.
void LinkData(const std::string& dir, const std::string& changed = "") {
    const fs::path from = KELMORA_DATA;
    for (const auto& e : fs::recursive_directory_iterator(from)) {
        const fs::path rel = fs::relative(e.path(), from);
        const fs::path to = fs::path(dir) / "data" / rel;
        if (e.is_directory()) {
            fs::create_directories(to);
        } else if (rel.string() != changed) {
            fs::create_directories(to.parent_path());
            fs::create_symlink(e.path(), to);
        }
    }
}

std::string Keys(const std::string& text) {
    std::string s;
    for (char c : text)
        s += ";key " + std::to_string(static_cast<unsigned char>(c));
    return s;
}

HiScoreTable Load(const std::string& path) {
    HiScoreTable t;
    EXPECT_EQ(klmr_HiScoreLoad(&t, path.c_str()), 0) << path;
    return t;
}

std::string DefaultFile() {
    TempDir d;
    HiScoreTable t;
    klmr_HiScoreDefaults(&t);
    strcpy(t.path, (d / "h").c_str());
    klmr_HiScoreSave(&t);
    return ReadFile(d / "h");
}

// ---- broken data files ---------------------------------------------------------------------

enum class Damage { Missing, Empty, Truncated, Garbage };

struct DataCase {
    const char* file;
    Damage damage;
};

void PrintTo(const DataCase& c, std::ostream* os) {
    *os << c.file << " damage " << static_cast<int>(c.damage);
}

std::string Name(const ::testing::TestParamInfo<DataCase>& info) {
    static const char* const kDamage[] = {"Missing", "Empty", "Truncated", "Garbage"};
    std::string n = info.param.file;
    for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
    return n + "_" + kDamage[static_cast<int>(info.param.damage)];
}

class BrokenDataFile : public ::testing::TestWithParam<DataCase> {};

TEST_P(BrokenDataFile, StopsWithItsMessage) {
    const DataCase c = GetParam();
    TempDir dir;
    LinkData(dir.path(), c.file);
    const std::string original = ReadFile(std::string(KELMORA_DATA) + "/" + c.file);
    ASSERT_FALSE(original.empty());
    const std::string target = dir / ("data/" + std::string(c.file));
    switch (c.damage) {
    case Damage::Missing:
        break;
    case Damage::Empty:
        WriteFile(target, "");
        break;
    case Damage::Truncated:
        WriteFile(target, original.substr(0, original.size() / 2));
        break;
    case Damage::Garbage: {
        std::string junk(1024, '\0');
        uint32_t x = 12345;
        for (char& b : junk) {
            x = x * 1103515245u + 12345u;
            b = static_cast<char>(x >> 24);
        }
        WriteFile(target, junk);
        break;
    }
    }

    const Outcome r = Start(dir.path(), {});

    EXPECT_FALSE(SanitizerSpoke(r)) << Describe(r);
    // FreeType opens a font lazily: the first half of the font file still holds every glyph
    // the game draws, so the program runs with it (and the script ends it normally).
    if (c.damage == Damage::Truncated && std::string(c.file).ends_with(".ttf") && r.status == 0)
        return;
    EXPECT_EQ(r.status, 255) << Describe(r);
    // Sounds have their fixed message; every other file is named in the message.
    const bool sound = std::string(c.file).starts_with("sfx/");
    const std::string expected = sound ? "Error: Couldn't load sounds!" : c.file;
    EXPECT_NE(r.err.find(expected), std::string::npos)
        << "standard error lacks \"" << expected << "\"\n"
        << Describe(r);
    EXPECT_FALSE(Exists(dir / "hiscores.dat")) << "a failed start-up wrote the score file";
}

std::vector<DataCase> AllCases() {
    const char* const files[] = {"fonts/impact.ttf", "gfx/background.png", "gfx/klmr_logo_cpr.png",
                                 "gfx/select.png",   "gfx/rotate.png",     "gfx/pic1.bmp",
                                 "gfx/pic16.bmp",    "sfx/swap.wav",       "sfx/click.wav"};
    std::vector<DataCase> cases;
    for (const char* f : files)
        for (Damage d : {Damage::Missing, Damage::Empty, Damage::Truncated, Damage::Garbage})
            cases.push_back({f, d});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenDataFile, ::testing::ValuesIn(AllCases()), Name);

// ---- the score file ------------------------------------------------------------------------

TEST(ScoreFile, MissingIsCreatedAtShutDown) {
    TempDir dir;
    LinkData(dir.path());
    const Outcome r = Start(dir.path(), {});
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_EQ(ReadFile(dir / "hiscores.dat"), DefaultFile());
    EXPECT_FALSE(SanitizerSpoke(r)) << Describe(r);
}

TEST(ScoreFile, DirectoryIsLeftAlone) {
    TempDir dir;
    LinkData(dir.path());
    ASSERT_EQ(mkdir((dir / "hiscores.dat").c_str(), 0755), 0);
    const Outcome r = Start(dir.path(), {});
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_TRUE(fs::is_directory(dir / "hiscores.dat"));
    EXPECT_TRUE(List(dir / "hiscores.dat").empty());
    EXPECT_EQ(List(dir.path()), (std::vector<std::string>{"data", "hiscores.dat"}));
}

TEST(ScoreFile, UnreadableIsLeftAlone) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    LinkData(dir.path());
    const std::string before = "Someone|+\n3\n777\n";
    WriteFile(dir / "hiscores.dat", before);
    chmod((dir / "hiscores.dat").c_str(), 0200);
    chmod(dir.path().c_str(), 0777);
    Options o;
    o.asNobody = true;
    const Outcome r = Start(dir.path(), o);
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_EQ(ReadFile(dir / "hiscores.dat"), before);
    EXPECT_EQ(List(dir.path()), (std::vector<std::string>{"data", "hiscores.dat"}));
}

TEST(ScoreFile, ReadOnlyDirectoryKeepsIt) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    LinkData(dir.path());
    const std::string before = "Someone|+\n3\n777\n";
    WriteFile(dir / "hiscores.dat", before);
    chmod(dir.path().c_str(), 0555);
    Options o;
    o.asNobody = true;
    const Outcome r = Start(dir.path(), o);
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_EQ(ReadFile(dir / "hiscores.dat"), before);
    EXPECT_EQ(List(dir.path()), (std::vector<std::string>{"data", "hiscores.dat"}));
}

// A file of a previous version that the save rewrites: it differs from what the game writes.
const char kOldStyle[] = "Someone|+\r\n3\r\n777\r\n";

TEST(FullDisk, ShimKeepsThePreviousFile) {
    for (const char* budget : {"0", "1", "30", "90"}) {
        SCOPED_TRACE(budget);
        TempDir dir;
        LinkData(dir.path());
        WriteFile(dir / "hiscores.dat", kOldStyle);
        Options o;
        o.preload = KELMORA_FAILWRITE_LIB;
        o.env = {std::string("KELMORA_FAILWRITE_AFTER=") + budget};
        const Outcome r = Start(dir.path(), o);
        EXPECT_EQ(r.status, 0) << Describe(r);
        EXPECT_EQ(ReadFile(dir / "hiscores.dat"), kOldStyle);
        EXPECT_EQ(List(dir.path()), (std::vector<std::string>{"data", "hiscores.dat"}));
    }
}

TEST(FullDisk, FileSizeLimitKeepsThePreviousFile) {
    TempDir dir;
    LinkData(dir.path());
    WriteFile(dir / "hiscores.dat", kOldStyle);
    Options o;
    o.fileSizeLimit = 60;
    const Outcome r = Start(dir.path(), o);
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_EQ(ReadFile(dir / "hiscores.dat"), kOldStyle);
    EXPECT_EQ(List(dir.path()), (std::vector<std::string>{"data", "hiscores.dat"}));
}

TEST(FullDisk, EnoughRoomSaves) {
    TempDir dir;
    LinkData(dir.path());
    WriteFile(dir / "hiscores.dat", kOldStyle);
    Options o;
    o.preload = KELMORA_FAILWRITE_LIB;
    o.env = {"KELMORA_FAILWRITE_AFTER=100000"};
    const Outcome r = Start(dir.path(), o);
    EXPECT_EQ(r.status, 0) << Describe(r);
    HiScoreTable t = Load(dir / "hiscores.dat");
    EXPECT_STREQ(t.rows[0].name, "Someone");
    EXPECT_NE(ReadFile(dir / "hiscores.dat"), kOldStyle);
}

// ---- SIGTERM -------------------------------------------------------------------------------

// Typed on the menu: the code of levels 31 and 32, whose pictures the scramble of the preloaded
// rand() (always 0) leaves as they were: a start there is solved at once.
const std::string kLastGroup = Keys("fesko");
const std::string kTestMode = Keys("qzmek");

Outcome Terminated(const TempDir& dir, const std::string& script) {
    LinkData(dir.path());
    Options o;
    o.script = script;
    o.env = {"KELMORA_INJECT_RAND0=1"};
    return Start(dir.path(), o);
}

TEST(Sigterm, DuringTheScrambleSavesTheTable) {
    TempDir dir;
    const Outcome r = Terminated(dir, "wait 3;key 13;wait 20;term");
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_EQ(ReadFile(dir / "hiscores.dat"), DefaultFile());
}

TEST(Sigterm, DuringPlaySavesTheTable) {
    TempDir dir;
    WriteFile(dir / "hiscores.dat", kOldStyle);
    const Outcome r = Terminated(dir, "wait 3;key 13;wait 120;motion 490 266;wait 10;term");
    EXPECT_EQ(r.status, 0) << Describe(r);
    HiScoreTable t = Load(dir / "hiscores.dat");
    EXPECT_STREQ(t.rows[0].name, "Someone");
    EXPECT_NE(ReadFile(dir / "hiscores.dat"), kOldStyle) << "the table was not written";
}

// In TestMode the two last levels are solved with no count-up; the congratulation then holds
// the loop for six seconds, and the signal arrives as that pause begins.
TEST(Sigterm, DuringTheSixSecondPauseSavesTheTable) {
    TempDir dir;
    const Outcome r = Terminated(dir, "wait 3" + kTestMode + kLastGroup + ";key 13;pause;term");
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_NE(r.out.find("level 32, time"), std::string::npos) << Describe(r);
    EXPECT_GE(r.seconds, 6.0);
    EXPECT_EQ(ReadFile(dir / "hiscores.dat"), DefaultFile());
}

// Level 31 is solved with its 60 s counted into the score; Escape in level 32 then asks for a
// name, which qualifies against the default table.
const std::string kToNameEntry = "wait 3" + kLastGroup + ";key 13;wait 200;key 27;wait 5";

TEST(Sigterm, DuringNameEntryLosesOnlyTheTypedName) {
    TempDir dir;
    const Outcome r = Terminated(dir, kToNameEntry + Keys("abc") + ";wait 5;term");
    EXPECT_EQ(r.status, 0) << Describe(r);
    EXPECT_EQ(ReadFile(dir / "hiscores.dat"), DefaultFile());
}

// The same input with Enter after the name: the name reaches the table, which shows that the
// run above really was in name entry when the signal came.
TEST(Sigterm, AfterNameEntryKeepsTheName) {
    TempDir dir;
    const Outcome r = Terminated(dir, kToNameEntry + Keys("abc") + ";key 13;wait 5;term");
    EXPECT_EQ(r.status, 0) << Describe(r);
    HiScoreTable t = Load(dir / "hiscores.dat");
    // Level 31 gives its 60 s; the row of the default 60 stays above the new one.
    EXPECT_STREQ(t.rows[5].name, "ABC");
    EXPECT_EQ(t.rows[5].score, 60u);
    EXPECT_EQ(t.rows[5].level, 31);
}

} // namespace
