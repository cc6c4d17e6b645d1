// Start-up and shut-down: the real program with a piece of its data missing, the real program
// stopped by a signal, and in-process shut-downs in child processes.
#include "game_fixture.h"

#include "displays.h"
#include "screen.h"
#include "soundbank.h"
#include "states.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <thread>

using namespace gametest;
namespace fs = std::filesystem;

namespace {

// A fresh temporary directory, removed at the end.
class TempDir {
  public:
    TempDir() {
        char pattern[] = "/tmp/kelmora-start-XXXXXX";
        if (mkdtemp(pattern) != nullptr) path_ = pattern;
    }
    ~TempDir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
};

// data/ of the build linked file by file into dir/data, without `missing` (relative to data/).
void LinkDataWithout(const std::string& dir, const std::string& missing) {
    fs::path from(KELMORA_DATA_DIR);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        fs::path rel = fs::relative(entry.path(), from);
        fs::path to = fs::path(dir) / "data" / rel;
        if (entry.is_directory())
            fs::create_directories(to);
        else if (rel.string() != missing)
            fs::create_symlink(entry.path(), to);
    }
}

struct ProgramResult {
    int status = -1; // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Runs the real program in dir with the dummy drivers (or the given audio driver); with
// termAfterMs >= 0 sends SIGTERM after that many milliseconds. A program still running after
// 30 s is killed.
ProgramResult RunProgram(const std::string& dir, int termAfterMs = -1,
                         const char* audioDriver = "dummy") {
    ProgramResult run;
    std::string outPath = dir + ".out";
    std::string errPath = dir + ".err";
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(99);
        dup2(out, 1);
        dup2(err, 2);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", audioDriver, 1);
        execl(KELMORA_BIN, "kelmora", static_cast<char*>(nullptr));
        _exit(98);
    }
    if (pid < 0) return run;
    if (termAfterMs >= 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(termAfterMs));
        kill(pid, SIGTERM);
    }
    int status = 0;
    for (int waited = 0; waitpid(pid, &status, WNOHANG) == 0; waited += 10) {
        if (waited > 30000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status)) run.status = WEXITSTATUS(status);
    run.out = ReadFile(outPath);
    run.err = ReadFile(errPath);
    fs::remove(outPath);
    fs::remove(errPath);
    return run;
}

struct MissingCase {
    const char* file;    // below data/
    const char* library; // the failing operation's own line, up to the library's text
    const char* ours;    // our line naming what is missing
};

const MissingCase kMissing[] = {
    {"fonts/impact.ttf",
     "klmr_OpenFonts: I can't create bmp: ", "Error: Couldn't open the font data/fonts/impact.ttf"},
    {"gfx/background.png", "klmr_LoadAndConvertImages: I can't create bmp: ",
     "Error: Couldn't load the image data/gfx/background.png"},
    {"gfx/klmr_logo_cpr.png", "klmr_LoadAndConvertImages: I can't create bmp: ",
     "Error: Couldn't load the image data/gfx/klmr_logo_cpr.png"},
    {"gfx/select.png", "klmr_LoadAndConvertImages: I can't create bmp: ",
     "Error: Couldn't load the image data/gfx/select.png"},
    {"gfx/rotate.png", "klmr_LoadAndConvertImages: I can't create bmp: ",
     "Error: Couldn't load the image data/gfx/rotate.png"},
    {"gfx/pic1.bmp", "klmr_LoadAndConvertImages: I can't create bmp: ",
     "Error: Couldn't load the image data/gfx/pic1.bmp"},
    {"gfx/pic9.bmp", "klmr_LoadAndConvertImages: I can't create bmp: ",
     "Error: Couldn't load the image data/gfx/pic9.bmp"},
    {"gfx/pic16.bmp", "klmr_LoadAndConvertImages: I can't create bmp: ",
     "Error: Couldn't load the image data/gfx/pic16.bmp"},
};

const char kWhere[] = " (the game reads its data/ folder from the folder it is started in)\n";

} // namespace

TEST(StartUpFailure, EachMissingFontOrImageStopsWithItsMessagesAndStatus255) {
    for (const MissingCase& c : kMissing) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        LinkDataWithout(dir.Path(), c.file);
        std::ofstream(dir.Path() + "/hiscores.dat") << "kept|+\n3\n42\n";
        ProgramResult run = RunProgram(dir.Path());
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.out, "");
        // The library's line (with its own error text), then ours, and nothing else.
        std::string pattern = std::string(c.library) + "[^\n]*\n" + c.ours + kWhere;
        pattern = std::regex_replace(pattern, std::regex(R"([().])"), R"(\$&)");
        EXPECT_TRUE(std::regex_match(run.err, std::regex(pattern))) << run.err;
        EXPECT_EQ(ReadFile(dir.Path() + "/hiscores.dat"), "kept|+\n3\n42\n");
    }
}

TEST(StartUpFailure, EachMissingSoundStopsWithTheSoundMessageAndStatus255) {
    for (const char* file : {"sfx/swap.wav", "sfx/click.wav"}) {
        SCOPED_TRACE(file);
        TempDir dir;
        LinkDataWithout(dir.Path(), file);
        ProgramResult run = RunProgram(dir.Path());
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.err, "Error: Couldn't load sounds!\n\n");
        EXPECT_NE(run.out, "") << "the mixer's error text";
        EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1);
        EXPECT_FALSE(fs::exists(dir.Path() + "/hiscores.dat")) << "the score file is not made";
    }
}

// Start-up failures in this process (a child of the test, so that SDL starts afresh there):
// nothing reaches the display, and nothing the program loaded stays behind.
TEST(StartUpFailureDeathTest, NothingIsDrawnAndEverythingIsReleased) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const char* file : {"fonts/impact.ttf", "gfx/select.png", "gfx/pic5.bmp"}) {
        SCOPED_TRACE(file);
        TempDir dir;
        LinkDataWithout(dir.Path(), file);
        auto body = [&] {
            if (chdir(dir.Path().c_str()) != 0) exit(2);
            sdlspy::UseDummyDrivers();
            sdlspy::Reset();
            static MainLoop loop;
            if (klmr_StartUp(&loop) != -1) exit(3);
            if (!sdlspy::Updates().empty()) exit(4);
            bool released = backBuffer == nullptr && imgBackground == nullptr &&
                            imgLogo == nullptr && imgSelect == nullptr && imgRotate == nullptr &&
                            fontLarge == nullptr && !soundBank.mixerOpen;
            for (SDL_Surface* t : tiles)
                released = released && t == nullptr;
            exit(released ? 0 : 5);
        };
        EXPECT_EXIT(body(), testing::ExitedWithCode(0), "Error: Couldn't");
    }
}

TEST(ProgramRun, SigtermEndsTheProgramNormallyAndSavesTheTable) {
    TempDir dir;
    LinkDataWithout(dir.Path(), "");
    ProgramResult run = RunProgram(dir.Path(), 1500);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFile(dir.Path() + "/hiscores.dat"), DefaultScoreFile());
}

TEST(ProgramRun, WithoutAudioTheGameRunsSilently) {
    TempDir dir;
    LinkDataWithout(dir.Path(), "");
    ProgramResult run = RunProgram(dir.Path(), 1500, "none");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "Error: Couldn't start mixer!\n\n");
    EXPECT_EQ(ReadFile(dir.Path() + "/hiscores.dat"), DefaultScoreFile());
}

TEST(ProgramRun, AnUnreadableScoreFileIsReportedAndLeftAlone) {
    TempDir dir;
    LinkDataWithout(dir.Path(), "");
    fs::create_directory(dir.Path() + "/hiscores.dat");
    ProgramResult run = RunProgram(dir.Path(), 1500);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("Error: Couldn't read the high scores from hiscores.dat"),
              std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("Error: The high scores were not saved"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::is_directory(dir.Path() + "/hiscores.dat"));
}

// Shut-down ends SDL, so each runs in a child process of its own.
TEST_F(GameTest, WindowCloseInNameEntryDiscardsTheNameAndShutDownSavesTheTable) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto body = [] {
        PushKey(kKeyEnter);
        RunScramble();
        Loop().newEntry.score = 70;
        PushKey(kKeyEscape);
        Step();
        PushKeys("abc");
        PushQuit();
        if (Step() || Loop().gameState != GameState::NameEntry) exit(2);
        if (klmr_ShutDown(&Loop()) != 0) exit(3);
        if (ReadFile("hiscores.dat") != DefaultScoreFile()) exit(4);
        exit(backBuffer == nullptr && tiles[0] == nullptr ? 0 : 5);
    };
    EXPECT_EXIT(body(), testing::ExitedWithCode(0), "");
}

TEST_F(GameTest, ShutDownClosesWithTheCurtainAndWritesTheTableInMemory) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto body = [] {
        klmr_HiScoreInsert(&Loop().hiScores, "ZED", 4, 65);
        PushKey(kKeyEscape);
        if (Step()) exit(2);
        size_t mark = fakeclock::Delays().size();
        klmr_ShutDown(&Loop());
        std::vector<uint32_t> waits(fakeclock::Delays().begin() + mark, fakeclock::Delays().end());
        if (waits != std::vector<uint32_t>(120, 3)) exit(3);
        std::string expected = DefaultScoreFile();
        expected.insert(expected.find("Quorvane|+\n1\n60\n"), "ZED|+\n4\n65\n");
        expected.erase(expected.rfind("Quorvane|+\n1\n10\n"));
        exit(ReadFile("hiscores.dat") == expected ? 0 : 4);
    };
    EXPECT_EXIT(body(), testing::ExitedWithCode(0), "");
}
