// The real program under faults: every data file missing, empty, truncated or garbage; an odd
// "hiscores.dat"; a disk that fills up during the final save; SIGTERM in the middle of play,
// of the level-end pause and of name entry. It runs headless (dummy video and audio drivers) in
// a private directory holding a copy of data/, its input scripted by the preloaded inject shim.
#include "hiscores.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

// A fresh directory under /tmp (short: the score table keeps 31 characters of its path),
// holding a copy of the game's data/ when asked.
struct TempDir {
    std::string path;
    explicit TempDir(bool withData = false) {
        char t[] = "/tmp/kf.XXXXXX";
        if (mkdtemp(t) == nullptr) abort();
        path = t;
        chmod(t, 0755); // children running as nobody must be able to enter it
        if (withData) fs::copy(KELMORA_DATA, path + "/data", fs::copy_options::recursive);
    }
    TempDir(const TempDir&) = delete;
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// How many entries dir holds: a save leaves nothing beside the score file.
long Entries(const std::string& dir) {
    return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
}

struct Outcome {
    int status; // exit status, or 128 + the signal that ended it (SIGALRM after a minute)
    std::string out, err;
    double seconds;
    std::string Describe() const {
        return "status " + std::to_string(status) + "\n--- stdout\n" + out + "--- stderr\n" + err;
    }
};

// Runs the program in dir with its input scripted, one more NAME=value in its environment and as
// nobody when asked; checks that no sanitizer spoke. A program that starts must end by itself.
Outcome Start(const TempDir& dir, const std::string& script = "wait 20;term",
              const std::string& env = "", bool asNobody = false) {
    TempDir logs;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(open((logs / "out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644), 1);
        dup2(open((logs / "err").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644), 2);
        if (chdir(dir.path.c_str()) != 0) _exit(121);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        setenv("KELMORA_INJECT", script.c_str(), 1);
        setenv("LD_PRELOAD", KELMORA_INJECT_LIB ":" KELMORA_FAILWRITE_LIB, 1);
        // A sanitizer runtime insists on coming first; the preloaded shims come before it.
        const char* asan = getenv("ASAN_OPTIONS");
        setenv("ASAN_OPTIONS",
               (std::string(asan ? asan : "") + ":verify_asan_link_order=0").c_str(), 1);
        if (!env.empty()) putenv(const_cast<char*>(env.c_str()));
        if (asNobody && (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
                         setresuid(65534, 65534, 65534) != 0))
            _exit(120);
        alarm(60); // a program that hangs ends with SIGALRM
        execl(KELMORA_PROGRAM, "kelmora", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const Outcome r{WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status),
                    ReadFile(logs / "out"), ReadFile(logs / "err"),
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count()};
    EXPECT_EQ(r.err.find("Sanitizer"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("runtime error"), std::string::npos) << r.err;
    return r;
}

// What the game writes at shut-down after loading `before` (no file when empty), with the
// name ABC entered for level 31 and 60 points when `abc` is set.
std::string Saved(const std::string& before, bool abc = false) {
    TempDir d;
    const std::string path = d / "hiscores.dat";
    if (!before.empty()) WriteFile(path, before);
    HiScoreTable t;
    klmr_HiScoreLoad(&t, path.c_str());
    if (abc) klmr_HiScoreInsert(&t, "ABC", 31, 60);
    EXPECT_EQ(klmr_HiScoreSave(&t), 0);
    return ReadFile(path);
}

// ---- broken data files ---------------------------------------------------------------------

enum Damage { kMissing, kEmpty, kTruncated, kGarbage };
using DataCase = std::tuple<std::string, int>; // a file of data/, its Damage

class BrokenDataFile : public ::testing::TestWithParam<DataCase> {};

TEST_P(BrokenDataFile, StopsStartUpWithItsMessage) {
    const std::string file = std::get<0>(GetParam()), path = "data/" + file;
    const int damage = std::get<1>(GetParam());
    const TempDir dir(true);
    const std::string original = ReadFile(dir / path);
    ASSERT_FALSE(original.empty());
    std::string junk(1024, '\0');
    uint32_t x = 12345;
    for (char& b : junk)
        b = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
    const std::string damaged[] = {"", "", original.substr(0, original.size() / 2), junk};
    if (damage == kMissing)
        fs::remove(dir / path);
    else
        WriteFile(dir / path, damaged[damage]);

    const Outcome r = Start(dir);

    const bool sound = file.starts_with("sfx/"), font = file.ends_with(".ttf");
    // FreeType opens a font lazily: the first half of the font file still holds every glyph
    // the game draws, so the program runs with it (and the script ends it normally).
    if (damage == kTruncated && font && r.status == 0) return;
    EXPECT_EQ(r.status, 255) << r.Describe();
    const std::string where =
        " (the game reads its data/ folder from the folder it is started in)\n";
    const std::string message = sound  ? "Error: Couldn't load sounds!\n\n"
                                : font ? "Error: Couldn't open the font " + path + where
                                       : "Error: Couldn't load the image " + path + where;
    if (damage == kMissing) {
        const std::string cause = "I can't create bmp: Couldn't open " + path + "\n";
        EXPECT_EQ(r.err, sound  ? message
                         : font ? "klmr_OpenFonts: " + cause + message
                                : "klmr_LoadAndConvertImages: " + cause + message);
        EXPECT_EQ(r.out, sound ? "Couldn't open " + path + "\n" : "");
    } else {
        EXPECT_TRUE(r.err.ends_with(message))
            << "expected the last line " << message << r.Describe();
    }
    EXPECT_FALSE(fs::exists(dir / "hiscores.dat")) << "a failed start-up wrote the score file";
}

const std::string kDataFiles[] = {"fonts/impact.ttf", "gfx/background.png", "gfx/klmr_logo_cpr.png",
                                  "gfx/select.png",   "gfx/rotate.png",     "gfx/pic1.bmp",
                                  "gfx/pic16.bmp",    "sfx/swap.wav",       "sfx/click.wav"};
INSTANTIATE_TEST_SUITE_P(Files, BrokenDataFile,
                         ::testing::Combine(::testing::ValuesIn(kDataFiles),
                                            ::testing::Range(0, 4)));

// ---- the score file ------------------------------------------------------------------------

// A file of a previous version that the save rewrites: it differs from what the game writes.
const std::string kOldStyle = "Someone|+\r\n3\r\n777\r\n";

// A directory, a FIFO (which must not hang the start), a file the player may not read and one
// in a directory the player may not write to stay as they were. The last two run as nobody,
// which needs root.
TEST(ScoreFile, OneTheGameCannotUseIsLeftAsItWas) {
    for (int c = 0; c < (geteuid() == 0 ? 4 : 2); ++c) {
        SCOPED_TRACE(c);
        const TempDir dir(true);
        const std::string path = dir / "hiscores.dat";
        if (c == 0) mkdir(path.c_str(), 0755);
        if (c == 1) mkfifo(path.c_str(), 0644);
        if (c >= 2) WriteFile(path, kOldStyle);
        if (c == 2) chmod(path.c_str(), 0200), chmod(dir.path.c_str(), 0777);
        if (c == 3) chmod(dir.path.c_str(), 0555);
        const fs::file_type type = fs::symlink_status(path).type();
        const Outcome r = Start(dir, "wait 20;term", "", c >= 2);
        EXPECT_EQ(r.status, 0) << r.Describe();
        EXPECT_EQ(fs::symlink_status(path).type(), type);
        EXPECT_EQ(c == 0 ? Entries(path) : 0, 0);
        EXPECT_EQ(c >= 2 ? ReadFile(path) : kOldStyle, kOldStyle);
        EXPECT_EQ(Entries(dir.path), 2); // data/ and hiscores.dat
    }
}

// The disk fills up after `budget` bytes during the save at shut-down: the previous file stays
// byte for byte unless the whole new one fits.
TEST(ScoreFile, ASaveCutShortKeepsThePreviousFile) {
    const std::string saved = Saved(kOldStyle);
    const size_t n = saved.size();
    for (size_t budget : {size_t{0}, size_t{1}, n / 2, n - 1, n}) {
        SCOPED_TRACE(budget);
        const TempDir dir(true);
        WriteFile(dir / "hiscores.dat", kOldStyle);
        const Outcome r =
            Start(dir, "wait 20;term", "KELMORA_FAILWRITE_AFTER=" + std::to_string(budget));
        EXPECT_EQ(r.status, 0) << r.Describe();
        EXPECT_EQ(ReadFile(dir / "hiscores.dat"), budget == n ? saved : kOldStyle);
        EXPECT_EQ(Entries(dir.path), 2); // data/ and hiscores.dat
    }
}

// ---- SIGTERM -------------------------------------------------------------------------------

// Typed on the menu: the code of levels 31 and 32, whose pictures the scramble of the preloaded
// rand() (always 0) leaves as they were, so a start there is solved at once; and TestMode, in
// which they are solved with no count-up, the congratulation then holding the loop for 6 s.
const std::string kLastGroup = ";key 102;key 101;key 115;key 107;key 111"; // f e s k o
const std::string kTestMode = ";key 113;key 122;key 109;key 101;key 107";  // q z m e k
// Level 31 is solved with its 60 s counted in; Escape in level 32 then asks for a name.
const std::string kToNameEntry =
    "wait 3" + kLastGroup + ";key 13;wait 200;key 27;wait 5;key 97;key 98;key 99"; // a b c

// The program ends with status 0 and the table saved, losing only a name being typed. The run
// with Enter after the name shows that the one before it really was in name entry.
TEST(Sigterm, EndsTheProgramWithTheTableSaved) {
    const struct {
        std::string during, script, file;
    } cases[] = {
        {"scramble", "wait 3;key 13;wait 20;term", Saved("")},
        {"play", "wait 3;key 13;wait 130;term", Saved("")},
        {"pause", "wait 3" + kTestMode + kLastGroup + ";key 13;pause;term", Saved("")},
        {"name entry", kToNameEntry + ";wait 5;term", Saved("")},
        {"menu after name entry", kToNameEntry + ";key 13;wait 5;term", Saved("", true)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.during);
        const TempDir dir(true);
        const Outcome r = Start(dir, c.script);
        EXPECT_EQ(r.status, 0) << r.Describe();
        EXPECT_EQ(ReadFile(dir / "hiscores.dat"), c.file);
        if (c.during == "pause") {
            EXPECT_NE(r.out.find("level 32, time"), std::string::npos) << r.Describe();
            EXPECT_GE(r.seconds, 6.0);
        }
    }
}

} // namespace
