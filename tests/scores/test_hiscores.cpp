// High-score tests: the table in memory, the file's exact bytes, round trips, the loader's
// reading rules, hostile files, refused paths, and saves that never lose the old file.
#include "fake_clock.h"
#include "hiscores.h"

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A fresh directory with short paths (the table refuses paths of 32 or more characters).
struct TempDir {
    std::string dir;
    TempDir() {
        char tmpl[] = "/tmp/ks.XXXXXX";
        dir = mkdtemp(tmpl) ? tmpl : "";
        chmod(dir.c_str(), 0755);
    }
    ~TempDir() { std::filesystem::remove_all(dir); }
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    std::set<std::string> Files() const {
        std::set<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(dir))
            names.insert(e.path().filename());
        return names;
    }
};

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Loads over a table of junk: whatever the result, every row and minScore must be set.
HiScoreTable Load(const std::string& path, int expectResult = 0) {
    HiScoreTable t;
    memset(&t, 0x5A, sizeof t);
    EXPECT_EQ(klmr_HiScoreLoad(&t, path.c_str()), expectResult) << path;
    EXPECT_EQ(t.minScore, t.rows[kHiScoreRows - 1].score);
    return t;
}

// The rows as the file holds them, with whole name fields.
std::string Rows(const HiScoreTable& t) {
    std::string s;
    for (const HiScoreEntry& r : t.rows)
        s += std::string(r.name, kHiScoreNameSize) + "|+\n" + std::to_string(r.level) + "\n" +
             std::to_string(r.score) + "\n";
    return s;
}

std::string DefaultFile(const std::string& nameFill = "") {
    std::string s;
    for (int score = 100; score >= 10; score -= 10)
        s += "Quorvane" + nameFill + "|+\n1\n" + std::to_string(score) + "\n";
    return s;
}

// The ten default rows and no path.
bool IsDefault(const HiScoreTable& t) {
    return Rows(t) == DefaultFile(std::string(24, '\0')) && t.minScore == 10 && !t.path[0];
}

// Whether fn holds in a child process. A child of root runs as uid/gid 65534, so that
// permissions apply to it, unless it is given a file size limit instead.
bool InChild(const std::function<bool()>& fn, rlim_t fileSizeLimit = 0) {
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit = {fileSizeLimit, fileSizeLimit};
        signal(SIGXFSZ, SIG_IGN);
        const bool ready = fileSizeLimit ? setrlimit(RLIMIT_FSIZE, &limit) == 0
                                         : geteuid() != 0 || (setgroups(0, nullptr) == 0 &&
                                                              setresgid(65534, 65534, 65534) == 0 &&
                                                              setresuid(65534, 65534, 65534) == 0);
        _exit(ready && fn() ? 0 : 1);
    }
    int status = 0;
    return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

TEST(HiScores, DefaultsQualifyInsertAndNames) {
    HiScoreTable t;
    memset(&t, 0x5A, sizeof t);
    klmr_HiScoreDefaults(&t);
    EXPECT_TRUE(IsDefault(t));
    EXPECT_TRUE(!klmr_HiScoreQualifies(&t, 10) && klmr_HiScoreQualifies(&t, 11) &&
                !klmr_HiScoreQualifies(nullptr, 1000));
    // Equal scores stay above the new one; the last row drops out.
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Ann", 3, 100), 1);
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Bob", 4, 100), 2);
    EXPECT_TRUE(!strcmp(t.rows[0].name, "Quorvane") && !strcmp(t.rows[2].name, "Bob"));
    EXPECT_TRUE(t.rows[1].level == 3 && t.rows[3].score == 90 && t.minScore == 30);
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Low", 1, 31), 9);
    const HiScoreTable before = t;
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Tie", 1, 31), -1);
    EXPECT_TRUE(memcmp(&t, &before, sizeof t) == 0 && t.minScore == 31);

    // Names keep at most 31 characters and the rest of the field is zero.
    const std::string n40(40, 'n'), clean31 = n40.substr(0, 31) + '\0';
    auto field = [](const char(&name)[kHiScoreNameSize]) { return std::string(name, 32); };
    EXPECT_EQ(klmr_HiScoreInsert(&t, n40.c_str(), 2, 500), 0);
    EXPECT_EQ(field(t.rows[0].name), clean31);
    EXPECT_EQ(klmr_HiScoreInsert(&t, nullptr, 2, 600), 0);
    EXPECT_EQ(field(t.rows[0].name), std::string(32, '\0'));
    HiScoreEntry e;
    memset(&e, 'z', sizeof e); // no terminator in the name field
    EXPECT_EQ(klmr_HiScoreInsertEntry(&t, &e), 0);
    EXPECT_EQ(field(t.rows[0].name), std::string(31, 'z') + '\0');

    klmr_EntrySet(&e, "Kim", 12, 3456);
    EXPECT_TRUE(field(e.name) == "Kim" + std::string(29, '\0') && e.level == 12 && e.score == 3456);
    klmr_EntrySetName(&e, e.name + 1); // a name taken from the field itself
    EXPECT_STREQ(e.name, "im");
}

TEST(HiScoreFile, DefaultsSaveExactBytesAndTablesLoadBackUnchanged) {
    TempDir d;
    const std::string path = d.Path("hiscores.dat");
    HiScoreTable t = Load(path, 1); // no such file: defaults, path kept
    ASSERT_EQ(klmr_HiScoreSave(&t), 0);
    EXPECT_EQ(ReadFile(path), DefaultFile());

    klmr_HiScoreInsert(&t, "Ann Lee de Vries", 32, 4000000000u); // saved as a signed reading
    klmr_HiScoreInsert(&t, std::string(31, 'w').c_str(), 255, 2147483648u);
    klmr_HiScoreInsert(&t, "", 0, 2147483647u);
    klmr_HiScoreInsert(&t, " spaced  out ", 7, 95);
    ASSERT_EQ(chmod(path.c_str(), 0640), 0); // a save keeps the file's mode
    ASSERT_EQ(klmr_HiScoreSave(&t), 0);
    EXPECT_EQ(ReadFile(path).substr(0, 25), "Ann Lee de Vries|+\n32\n-29");
    EXPECT_NE(ReadFile(path).find("\n255\n-2147483648\n|+\n0\n2147483647\n"), std::string::npos);
    EXPECT_EQ(Rows(Load(path)), Rows(t));
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
    EXPECT_EQ(d.Files(), (std::set<std::string>{"hiscores.dat", "hiscores.dat.lock"}));
}

TEST(HiScoreFile, LoaderReadsRecordsAsTheFormattedReadsDo) {
    const std::tuple<const char*, int, const char*, int, uint32_t> cases[] = {
        {"Max|+\n300\n5\n", 0, "Max", 44, 5}, // the low 8 bits of the level
        // CRLF: the line-feed read stops at the carriage return, which starts the next name.
        {"Ann|+\r\n4\r\n400\r\nBob|+\r\n3\r\n300\r\n", 1, "\r\nBob", 3, 300},
        // Short file: empty names repeating the last numbers read, or the defaults if none.
        {"A|+\n9\n900\nB|+\n7\n700\n", 9, "", 7, 700},
        {"", 0, "", 1, 100},
        {"", 9, "", 1, 10},
        // Non-numeric fields keep the previous numbers and leave their text to the next name.
        {"A|+\nlvl\nsc\nB|+\n5\n500\n", 0, "A", 1, 100},
        {"A|+\nlvl\nsc\nB|+\n5\n500\n", 1, "lvl\nsc\nB", 5, 500},
        {"A|+\n5\n500\nC|+\n6\nxx\nD|+\n7\n700\n", 2, "xx\nD", 7, 700},
    };
    TempDir d;
    for (auto [bytes, row, name, level, score] : cases) {
        WriteFile(d.Path("h.dat"), bytes);
        const HiScoreEntry r = Load(d.Path("h.dat")).rows[row];
        EXPECT_EQ(std::tuple(std::string(r.name), +r.level, r.score),
                  std::tuple(std::string(name), level, score))
            << testing::PrintToString(bytes) << " row " << row;
    }
}

TEST(HiScoreFile, HostileFilesLoadWithinBoundsAndUnusablePathsAreRefused) {
    TempDir d;
    const std::string path = d.Path("h.dat");
    // A 60,000-character name keeps its first 31; the following records load as they stand.
    WriteFile(path, std::string(60000, 'L') + "|+\n5\n500\nB|+\n2\n40\n");
    HiScoreTable t = Load(path);
    EXPECT_TRUE(std::string(t.rows[0].name) == std::string(31, 'L') && t.rows[0].score == 500);
    EXPECT_TRUE(!strcmp(t.rows[1].name, "B") && t.rows[1].level == 2 && t.minScore == 40);
    // A marker word of 1000 characters is skipped whole.
    WriteFile(path, "A|" + std::string(1000, '+') + "\n5\n500\nB|+\n2\n40\n");
    t = Load(path);
    EXPECT_TRUE(t.rows[0].level == 5 && !strcmp(t.rows[1].name, "B"));

    // Binary junk of 64 KiB, the most a score file may hold, loads, and saved and loaded again
    // reaches a fixed point.
    std::string junk;
    for (uint32_t i = 0, x = 7; i < 65536; ++i)
        junk += static_cast<char>((x = x * 1103515245 + 12345) >> 16);
    WriteFile(path, junk);
    ASSERT_EQ(klmr_HiScoreSave(&(t = Load(path))), 0);
    ASSERT_EQ(klmr_HiScoreSave(&(t = Load(path))), 0);
    EXPECT_EQ(Rows(Load(path)), Rows(t));

    // A path of 32 characters is refused: nothing is read and a later save writes nothing.
    const std::string longPath = d.Path(std::string(31 - d.dir.size(), 'p'));
    WriteFile(longPath, "Z|+\n9\n999\n");
    t = Load(longPath, -1);
    EXPECT_TRUE(IsDefault(t));
    EXPECT_EQ(klmr_HiScoreSave(&t), -1);
    EXPECT_EQ(ReadFile(longPath), "Z|+\n9\n999\n");
    WriteFile(longPath.substr(0, 31), "Z|+\n9\n999\n");
    EXPECT_EQ(Load(longPath.substr(0, 31)).rows[0].score, 999u);

    // A directory, and a file this user may not read, are not read.
    ASSERT_EQ(mkdir(d.Path("dir").c_str(), 0755), 0);
    EXPECT_TRUE(IsDefault(Load(d.Path("dir"), -1)));
    WriteFile(d.Path("s.dat"), DefaultFile());
    chmod(d.Path("s.dat").c_str(), 0);
    EXPECT_TRUE(InChild([&] { return IsDefault(Load(d.Path("s.dat"), -1)); }));
}

TEST(HiScoreFile, SavesNeverLoseTheOldFileAndKeepWhatAPlainRewriteWouldKeep) {
    TempDir d;
    const std::string real = d.Path("real.dat"), link = d.Path("hiscores.dat");
    WriteFile(real, DefaultFile());
    ASSERT_EQ(chmod(real.c_str(), 0666), 0); // only the directory refuses the first save
    ASSERT_EQ(symlink("real.dat", link.c_str()), 0);
    HiScoreTable t = Load(link);
    klmr_HiScoreInsert(&t, "Linked", 2, 500);
    // Failures: a directory this user may not write to, and a write that fails part way.
    EXPECT_TRUE(InChild([&] { return klmr_HiScoreSave(&t) == -1 && errno == EACCES; }));
    EXPECT_TRUE(InChild([&] { return klmr_HiScoreSave(&t) == -1 && errno == EFBIG; }, 16));
    EXPECT_EQ(ReadFile(link), DefaultFile());
    EXPECT_EQ(d.Files(), (std::set<std::string>{"hiscores.dat", "real.dat", "real.dat.lock"}));
    // A symbolic link keeps pointing at its file, which receives the new table.
    ASSERT_EQ(klmr_HiScoreSave(&t), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(Load(real).rows[0].score, 500u);

    // A file its player made read-only stays as it is, even in a directory they may write to.
    const std::string locked = d.Path("locked.dat");
    WriteFile(locked, DefaultFile());
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    ASSERT_EQ(chmod(d.dir.c_str(), 0777), 0);
    HiScoreTable l = Load(locked);
    klmr_HiScoreInsert(&l, "Locked", 2, 500);
    EXPECT_TRUE(InChild([&] { return klmr_HiScoreSave(&l) == -1 && errno == EACCES; }));
    EXPECT_EQ(ReadFile(locked), DefaultFile());
    EXPECT_EQ(d.Files(),
              (std::set<std::string>{"hiscores.dat", "locked.dat", "real.dat", "real.dat.lock"}));
}

// A file over 64 KiB is not read (a sparse 1 GiB file is refused at once) and never replaced:
// neither at load, nor when it has grown so since the load.
TEST(HiScoreFile, FilesOver64KiBAreNeitherReadNorReplaced) {
    TempDir d;
    const std::string path = d.Path("h.dat");
    HiScoreTable t = Load(path, 1);
    klmr_HiScoreInsert(&t, "Ann", 2, 500);
    WriteFile(path, "");
    for (off_t size : {off_t{kHiScoreFileMax} + 1, off_t{1} << 30}) {
        ASSERT_EQ(truncate(path.c_str(), size), 0);
        EXPECT_EQ(klmr_HiScoreSave(&t), -1);
        EXPECT_EQ(errno, EFBIG);
        EXPECT_TRUE(IsDefault(Load(path, -1))) << size;
        EXPECT_EQ(errno, EFBIG);
    }
    EXPECT_EQ(std::filesystem::file_size(path), uintmax_t{1} << 30);
}

// Bytes that are not a saved table are kept as "<file>.bak" beside the file by the save that
// replaces them; a saved table, with LF or CRLF line ends, keeps no .bak. Here the file is the
// player's notes behind a link, in a folder whose path is longer than any table's.
TEST(HiScoreFile, WhatIsNotASavedTableIsKeptAsBakBesideTheFile) {
    TempDir d;
    const std::string dir = d.Path(std::string(64, 'n')), notes = dir + "/notes.txt";
    const std::string link = d.Path("h.dat"), bak = notes + ".bak";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    ASSERT_EQ(symlink(notes.c_str(), link.c_str()), 0);
    std::string crlf;
    for (char c : DefaultFile())
        crlf += c == '\n' ? "\r\n" : std::string(1, c);
    const std::pair<std::string, bool> cases[] = {
        {DefaultFile(), true}, {crlf, true}, {DefaultFile() + "\n", false}, {"Buy milk|\n", false}};
    for (const auto& [bytes, saved] : cases) {
        WriteFile(notes, bytes);
        HiScoreTable t = Load(link);
        EXPECT_EQ(t.savedForm, saved) << testing::PrintToString(bytes);
        ASSERT_EQ(klmr_HiScoreSave(&t), 0);
        EXPECT_EQ(std::filesystem::exists(bak) ? ReadFile(bak) : "no .bak",
                  saved ? "no .bak" : bytes);
        EXPECT_TRUE(Load(link).savedForm);
        remove(bak.c_str());
    }
}

// Two copies share a file. Each save merges the rows its copy entered into the file as it is
// now, under a lock, and the merged table becomes the one in memory: no score is lost.
TEST(HiScoreFile, CopiesSharingAFileMergeTheirRowsUnderALock) {
    TempDir d;
    const std::string path = d.Path("h.dat");
    auto names = [](const HiScoreTable& t) {
        std::string s;
        for (const HiScoreEntry& r : t.rows)
            s += std::string(r.name).substr(0, 3) + std::to_string(r.score) + " ";
        return s;
    };
    HiScoreTable a = Load(path, 1), b = Load(path, 1);
    klmr_HiScoreInsert(&b, "BOB", 3, 300);
    ASSERT_EQ(klmr_HiScoreSave(&b), 0);
    ASSERT_EQ(klmr_HiScoreSave(&a), 0); // idle since it started, A quits
    klmr_HiScoreInsert(&a, "ANN", 2, 95);
    klmr_HiScoreInsert(&b, "CAT", 4, 95);
    ASSERT_EQ(klmr_HiScoreSave(&b), 0);
    WriteFile(path + ".tmp", "left by a copy killed while it saved");
    ASSERT_EQ(klmr_HiScoreSave(&a), 0);
    EXPECT_EQ(names(a), "BOB300 Quo100 CAT95 ANN95 Quo90 Quo80 Quo70 Quo60 Quo50 Quo40 ");
    EXPECT_EQ(Rows(Load(path)), Rows(a));

    // A copy that holds the lock for good: the save gives up after 2 s, writing nothing, and
    // keeps its row for the next save.
    const int held = open((path + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    const std::string before = ReadFile(path);
    klmr_HiScoreInsert(&b, "DAN", 5, 500);
    fakeclock::Reset();
    EXPECT_EQ(klmr_HiScoreSave(&b), -1);
    EXPECT_EQ(errno, EWOULDBLOCK);
    EXPECT_GE(fakeclock::TotalDelayMs(), uint64_t{kHiScoreLockWaitMs});
    EXPECT_LT(fakeclock::TotalDelayMs(), uint64_t{kHiScoreLockWaitMs} + 100);
    EXPECT_EQ(ReadFile(path), before);
    close(held);
    ASSERT_EQ(klmr_HiScoreSave(&b), 0);
    EXPECT_EQ(names(b), "DAN500 BOB300 Quo100 CAT95 ANN95 Quo90 Quo80 Quo70 Quo60 Quo50 ");
    EXPECT_EQ(d.Files(), (std::set<std::string>{"h.dat", "h.dat.lock"}));
}
