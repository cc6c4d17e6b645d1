// Settings file tests: the round trip, the reading rules, hostile files, and saves that either
// replace the file whole or leave it as it was.
#include "settings.h"

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;
using F = std::tuple<int, int, int, int>;
constexpr F kUnset = {-1, 0, 0, -1};

struct TempDir {
    char dir[17] = "/tmp/kset.XXXXXX";
    TempDir() { EXPECT_TRUE(mkdtemp(dir)); }
    ~TempDir() { fs::remove_all(dir); }
    std::string Path(const std::string& name) const { return dir + ("/" + name); }
} const tmp;

auto Read = [](auto path) { return (std::ostringstream() << std::ifstream(path).rdbuf()).str(); };

// Loads path over junk, expecting result; a refusal's reason names the file, a read gives none.
F Load(const std::string& path, int expectResult) {
    Settings s = {7, 7, 7, 7};
    char why[300] = "junk";
    EXPECT_EQ(klmr_SettingsLoad(path.c_str(), &s, why, sizeof why), expectResult) << path;
    EXPECT_TRUE(expectResult ? strstr(why, path.c_str()) != nullptr : why[0] == '\0') << why;
    return {s.scale, s.windowW, s.windowH, s.fullscreen};
}

F LoadText(const std::string& text, int expectResult = 0) {
    std::ofstream(tmp.Path("t")) << text;
    return Load(tmp.Path("t"), expectResult);
}

TEST(Settings, RoundTripThroughNewFoldersAndALink) {
    const std::string path = tmp.Path("cfg/kelmora/settings"), link = tmp.Path("link");
    EXPECT_EQ(Load(path, 0), kUnset); // no such file
    const Settings all = {2, 1280, 960, 1}, some = {0, 0, 0, -1};
    ASSERT_EQ(klmr_SettingsSave(path.c_str(), &all, nullptr, 0), 0);
    EXPECT_NE(Read(path).find("\nscale=2\nwindow=1280x960\nfullscreen=1\n"), std::string::npos);
    EXPECT_EQ(Load(path, 0), F(2, 1280, 960, 1));
    ASSERT_EQ(symlink(path.c_str(), link.c_str()), 0);
    ASSERT_EQ(klmr_SettingsSave(link.c_str(), &some, nullptr, 0), 0);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(Load(path, 0), F(0, 0, 0, -1));
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()), {}), 1);
}

TEST(Settings, CommentsSpacesUnknownKeysAndBadValues) {
    EXPECT_EQ(LoadText("# mine\r\n\n  scale = 3 \r\nwindow=800X600\r\ncolour=blue\n"),
              F(3, 800, 600, -1));
    EXPECT_EQ(LoadText("scale=4\nwindow=63x480\nfullscreen=2\n"), kUnset);
    EXPECT_EQ(LoadText("scale=1\nscale=auto\nwindow=640x480\nwindow=+640x480\nfullscreen=1"),
              F(0, 0, 0, 1)); // the last line of a key counts
    EXPECT_EQ(LoadText("window=16385x480\nscale=0\nfullscreen=yes\n"), kUnset);
}

// Refused: binary bytes, a text that is not key=value lines, 1 GiB, a FIFO (at once), a folder,
// a path through a file (unreadable whoever runs this).
TEST(Settings, HostileFilesAreRefusedNamingTheFile) {
    EXPECT_EQ(LoadText(std::string("scale=2\nk=\0\x89PNG\n", 16), -1), kUnset);
    EXPECT_EQ(LoadText("scale=2\nHello, world\n", -1), kUnset);
    ASSERT_EQ(truncate(tmp.Path("t").c_str(), off_t{1} << 30), 0);
    EXPECT_EQ(Load(tmp.Path("t"), -1), kUnset);
    ASSERT_EQ(mkfifo(tmp.Path("fifo").c_str(), 0644), 0);
    for (const char* name : {"fifo", "", "t/settings"})
        EXPECT_EQ(Load(tmp.Path(name), -1), kUnset);
}

// A save that cannot complete returns -1 naming the file and leaves the old file, and nothing
// else, behind: a folder that cannot be made, a file size limit.
TEST(Settings, FailedSavesLeaveTheOldFile) {
    const std::string dir = tmp.Path("keep"), path = dir + "/settings";
    const Settings s = {1, 640, 480, 0};
    char why[300] = "";
    std::ofstream(tmp.Path("f")) << "";
    EXPECT_EQ(klmr_SettingsSave((tmp.Path("f") + "/sub/s").c_str(), &s, why, sizeof why), -1);
    EXPECT_NE(std::string(why).find("/f/sub/s"), std::string::npos) << why;
    ASSERT_EQ(fs::create_directory(dir), true);
    std::ofstream(path) << "scale=3\n";
    const pid_t pid = fork();
    if (pid == 0) { // files may not grow past 16 bytes
        const rlimit limit = {16, 16};
        signal(SIGXFSZ, SIG_IGN);
        _exit(setrlimit(RLIMIT_FSIZE, &limit) || klmr_SettingsSave(path.c_str(), &s, why, 9) != -1);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_EQ(status, 0) << "a save cut short by the file size limit";
    EXPECT_EQ(Read(path), "scale=3\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), {}), 1);
}
