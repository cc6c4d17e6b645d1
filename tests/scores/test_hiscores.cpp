// High-score tests: the table in memory, the file's bytes, the loader's reading rules, hostile
// files, and saves that merge under a lock and never lose the old file.
#include "fake_clock.h"
#include "hiscores.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// access() as the player sees it: the file named here is read-only to them, whoever runs this.
static std::string readOnly;
extern "C" int access(const char* path, int mode) noexcept {
    static auto real = reinterpret_cast<int (*)(const char*, int)>(dlsym(RTLD_NEXT, "access"));
    if (mode & W_OK && path == readOnly) return errno = EACCES, -1;
    return real(path, mode);
}

// A fresh directory with a short path (the table refuses paths of 32 or more characters).
// One for the whole run; each test uses its own names in it.
struct TempDir {
    char dir[15] = "/tmp/ks.XXXXXX";
    TempDir() { EXPECT_TRUE(mkdtemp(dir)); }
    ~TempDir() { std::filesystem::remove_all(dir); }
    std::string Path(const std::string& name) const { return dir + ("/" + name); }
} const tmp;

// The bytes of a file; "" if there is none.
auto Read = [](auto path) { return (std::ostringstream() << std::ifstream(path).rdbuf()).str(); };

// Loads over a table of junk: whatever the result, every row and minScore must be set.
HiScoreTable Load(const std::string& path, int expectResult = 0) {
    HiScoreTable t;
    memset(&t, 0x5A, sizeof t);
    EXPECT_EQ(klmr_HiScoreLoad(&t, path.c_str()), expectResult) << path;
    EXPECT_EQ(t.minScore, t.rows[kHiScoreRows - 1].score);
    return t;
}

// The path and the rows as a save writes them, with whole name fields; or, brief, three letters
// of each name and the score: "Quo100 Ann100 ...".
std::string Rows(const HiScoreTable& t, bool brief = false) {
    std::string s = brief ? "" : t.path;
    for (const HiScoreEntry& r : t.rows)
        s += brief ? std::string(r.name).substr(0, 3) + std::to_string(r.score) + " "
                   : std::string(r.name, kHiScoreNameSize) + "|+\n" + std::to_string(r.level) +
                         "\n" + std::to_string(r.score) + "\n";
    return s;
}

std::string DefaultFile() {
    std::string s;
    for (int score = 100; score >= 10; score -= 10)
        s += "Quorvane|+\n1\n" + std::to_string(score) + "\n";
    return s;
}

TEST(HiScores, InsertAndQualify) {
    // No file named: the defaults (the saves test checks their bytes), 100 down to 10.
    HiScoreTable t = Load("", -1);
    // Equal scores stay above the new one; one equal to the last row's does not enter.
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Ann", 3, 100), 1);
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Bob", 4, 100), 2);
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Low", 1, 31), 9);
    EXPECT_EQ(klmr_HiScoreInsert(&t, "Tie", 1, 31), -1);
    EXPECT_EQ(std::tuple(+t.rows[1].level, t.minScore, klmr_HiScoreQualifies(&t, 31),
                         klmr_HiScoreQualifies(&t, 32)),
              std::tuple(3, 31u, false, true));
    EXPECT_EQ(klmr_HiScoreInsert(&t, nullptr, 2, 600), 0); // the empty name
}

// A save writes the exact bytes and keeps the file's mode; one that fails, part way or on a file
// the player may not write to, leaves the old file as it was.
TEST(HiScoreFile, SavesWriteExactBytesOrLeaveTheOldFile) {
    const std::string path = tmp.Path("hiscores.dat");
    HiScoreTable t = Load(path, 1); // no such file: defaults, path kept
    ASSERT_EQ(klmr_HiScoreSave(&t), 0);
    klmr_HiScoreInsert(&t, " Ann  de Vries ", 32, 4000000000u);             // saved signed
    klmr_HiScoreInsert(&t, std::string(40, 'w').c_str(), 255, 2147483648u); // keeps 31
    klmr_HiScoreInsert(&t, "", 0, 2147483647u);
    const pid_t pid = fork();
    if (pid == 0) { // files may not grow past 16 bytes
        const rlimit limit = {16, 16};
        signal(SIGXFSZ, SIG_IGN);
        _exit(setrlimit(RLIMIT_FSIZE, &limit) || klmr_HiScoreSave(&t) != -1 || errno != EFBIG);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_EQ(status, 0) << "a save cut short by the file size limit";
    readOnly = path;
    EXPECT_EQ(klmr_HiScoreSave(&t), -1);
    EXPECT_EQ(errno, EACCES);
    readOnly.clear();
    EXPECT_EQ(Read(path), DefaultFile());
    ASSERT_EQ(chmod(path.c_str(), 0640), 0);
    ASSERT_EQ(klmr_HiScoreSave(&t), 0);
    EXPECT_NE(Read(path).find("\n255\n-2147483648\n|+\n0\n2147483647\n"), std::string::npos);
    EXPECT_EQ(Rows(Load(path)), Rows(t));
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
}

TEST(HiScoreFile, LoaderReadsRecordsAsTheFormattedReadsDo) {
    const std::tuple<std::string, int, std::string, int, uint32_t> cases[] = {
        // CRLF: the line-feed read stops at the carriage return, which starts the next name.
        {"Ann|+\r\n4\r\n400\r\nBob|+\r\n3\r\n300\r\n", 1, "\r\nBob", 3, 300},
        // Short file: empty names repeating the last numbers read (of the level, the low 8 bits).
        {"Max|+\n300\n5\n", 9, "", 44, 5},
        // A non-numeric field keeps the previous number and leaves its text to the next name.
        {"A|+\n5\n500\nC|+\n6\nxx\nD|+\n7\n700\n", 2, "xx\nD", 7, 700},
        // A 60,000-character name keeps its first 31.
        {std::string(60000, 'L') + "|+\n5\n500\n", 0, "LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL", 5, 500},
    };
    for (const auto& [bytes, row, name, level, score] : cases) {
        std::ofstream(tmp.Path("l.dat")) << bytes;
        const HiScoreEntry r = Load(tmp.Path("l.dat")).rows[row];
        EXPECT_EQ(std::tuple(r.name, +r.level, r.score), std::tuple(name, level, score))
            << testing::PrintToString(bytes.substr(0, 40)) << " row " << row;
    }
}

// Unread files leave the defaults and no path, so that no save replaces them: a path of 32
// characters, a FIFO, a file over 64 KiB (also one grown so since the load; 1 GiB at once).
TEST(HiScoreFile, UnusableFilesAreNeitherReadNorReplaced) {
    // "/tmp/ks.XXXXXX/" and 17 characters: 32.
    const std::string longPath = tmp.Path(std::string(17, 'p')), big = tmp.Path("b");
    ASSERT_EQ(mkfifo(tmp.Path("fifo").c_str(), 0644), 0);
    HiScoreTable t = Load(big, 1);
    ASSERT_EQ(klmr_HiScoreSave(&t), 0); // created, then grown
    for (off_t size : {off_t{kHiScoreFileMax} + 1, off_t{1} << 30}) {
        ASSERT_EQ(truncate(big.c_str(), size), 0);
        EXPECT_EQ(klmr_HiScoreSave(&t), -1);
        EXPECT_EQ(errno, EFBIG);
    }
    for (const std::string& path : {longPath, tmp.Path("fifo"), big})
        EXPECT_EQ(Rows(Load(path, -1)), Rows(Load("", -1))) << path;
}

// Bytes that are not a saved table are kept as "<file>.bak" beside the file by the save that
// replaces them; a saved table keeps none. Here: notes behind a link, in a folder of a long path.
TEST(HiScoreFile, WhatIsNotASavedTableIsKeptAsBakBesideTheFile) {
    const std::string dir = tmp.Path(std::string(64, 'n')), notes = dir + "/notes.txt";
    const std::string link = tmp.Path("link"), bak = notes + ".bak";
    ASSERT_EQ(mkdir(dir.c_str(), 0755), 0);
    ASSERT_EQ(symlink(notes.c_str(), link.c_str()), 0);
    // Those that keep a .bak come last: it is not removed between cases.
    const std::pair<std::string, bool> cases[] = {
        {DefaultFile(), true}, {DefaultFile() + "\n", false}, {"Buy milk|\n", false}};
    for (const auto& [bytes, saved] : cases) {
        std::ofstream(notes) << bytes;
        HiScoreTable t = Load(link);
        ASSERT_EQ(klmr_HiScoreSave(&t), 0);
        EXPECT_EQ(Read(bak), saved ? "" : bytes) << testing::PrintToString(bytes); // none, or old
        EXPECT_TRUE(std::filesystem::is_symlink(link));
    }
}

// Two copies share a file. Each save merges the rows its copy entered into the file as it is now,
// under a lock, and the merged table becomes the one in memory: no score is lost.
TEST(HiScoreFile, CopiesSharingAFileMergeTheirRowsUnderALock) {
    const std::string path = tmp.Path("h.dat");
    HiScoreTable a = Load(path, 1), b = Load(path, 1);
    klmr_HiScoreInsert(&b, "BOB", 3, 300);
    ASSERT_EQ(klmr_HiScoreSave(&b), 0);
    klmr_HiScoreInsert(&a, "ANN", 2, 95);
    std::ofstream(path + ".tmp") << "left by a copy killed while it saved";
    ASSERT_EQ(klmr_HiScoreSave(&a), 0);
    EXPECT_EQ(Rows(a, true), "BOB300 Quo100 ANN95 Quo90 Quo80 Quo70 Quo60 Quo50 Quo40 Quo30 ");

    // A copy that holds the lock for good: the save gives up after 2 s, writing nothing, and keeps
    // its row for the next save.
    const int held = open((path + ".lock").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    klmr_HiScoreInsert(&b, "DAN", 5, 500);
    fakeclock::Reset();
    EXPECT_EQ(klmr_HiScoreSave(&b), -1);
    EXPECT_EQ(errno, EWOULDBLOCK);
    EXPECT_EQ(fakeclock::TotalDelayMs() / 100, uint64_t{kHiScoreLockWaitMs} / 100);
    close(held);
    ASSERT_EQ(klmr_HiScoreSave(&b), 0);
    EXPECT_EQ(Rows(b, true), "DAN500 BOB300 Quo100 ANN95 Quo90 Quo80 Quo70 Quo60 Quo50 Quo40 ");
}

// With one copy, whatever the file (sorted or not, as a hand-edited one loads) and however many
// rows were inserted, the save writes the table in memory and keeps it: no row is dropped.
// A failure prints its seed; KELMORA_SEED=<seed> replays it.
TEST(HiScoreFile, WithOneCopyTheSavedFileIsTheTableInMemory) {
    const char* given = getenv("KELMORA_SEED"); // to replay a failure
    const auto seed = given ? static_cast<unsigned>(atol(given)) : std::random_device()();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto draw = [&rng](unsigned n) { return static_cast<uint32_t>(rng() % n); };
    const std::string path = tmp.Path("p.dat");
    for (int round = 0; round < 200; ++round) {
        std::vector<uint32_t> scores(kHiScoreRows);
        for (uint32_t& score : scores)
            score = draw(100);
        if (draw(2) == 0) std::sort(scores.rbegin(), scores.rend());
        std::string file;
        for (uint32_t score : scores)
            file += std::string(1 + draw(5), char('A' + draw(26))) + "|+\n1\n" +
                    std::to_string(score) + "\n";
        std::ofstream(path) << file;
        HiScoreTable t = Load(path);
        for (uint32_t n = draw(25); n > 0; --n)
            klmr_HiScoreInsert(&t, std::string(1 + draw(4), char('a' + draw(26))).c_str(),
                               static_cast<uint8_t>(1 + draw(32)), draw(140));
        const std::string before = Rows(t);
        ASSERT_EQ(klmr_HiScoreSave(&t), 0);
        ASSERT_EQ(Rows(t), before) << "round " << round << ", file:\n" << file;
        ASSERT_EQ(Rows(Load(path)), before) << "round " << round << ", file:\n" << file;
    }
}
