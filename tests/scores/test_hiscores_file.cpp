// High-score file tests: exact bytes, round trips, the loader's reading rules checked against
// the C library's formatted reads, hostile files, and saves that must never lose the old file.
#include "hiscores.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <filesystem>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// A fresh directory under /tmp, removed with its content. Its paths stay short: the table
// refuses paths of 32 or more characters.
class TempDir {
  public:
    TempDir() {
        char tmpl[] = "/tmp/ks.XXXXXX";
        dir_ = mkdtemp(tmpl) ? tmpl : "";
        EXPECT_FALSE(dir_.empty());
        chmod(dir_.c_str(), 0755);
    }
    ~TempDir() { std::filesystem::remove_all(dir_); }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }
    const std::string& Dir() const { return dir_; }

  private:
    std::string dir_;
};

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
    fclose(f);
}

std::string ReadFile(const std::string& path) {
    std::string s;
    if (FILE* f = fopen(path.c_str(), "rb")) {
        for (int c; (c = getc(f)) != EOF;)
            s += static_cast<char>(c);
        fclose(f);
    }
    return s;
}

std::vector<std::string> Listing(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        names.push_back(e.path().filename());
    }
    std::sort(names.begin(), names.end());
    return names;
}

HiScoreTable Load(const std::string& path, int expectResult = 0) {
    HiScoreTable t;
    memset(&t, 0x5A, sizeof t);
    EXPECT_EQ(klmr_HiScoreLoad(&t, path.c_str()), expectResult) << path;
    EXPECT_EQ(t.minScore, t.rows[kHiScoreRows - 1].score);
    return t;
}

HiScoreTable LoadBytes(const TempDir& d, const std::string& bytes) {
    WriteFile(d.Path("h.dat"), bytes);
    return Load(d.Path("h.dat"));
}

// The rows and minScore as text, for comparisons that ignore padding and show differences.
std::string Rows(const HiScoreTable& t) {
    std::string s;
    for (const HiScoreEntry& row : t.rows) {
        s += testing::PrintToString(std::string(row.name, sizeof row.name)) + " " +
             std::to_string(row.level) + " " + std::to_string(row.score) + "\n";
    }
    return s + "min " + std::to_string(t.minScore);
}

bool IsDefaultRows(const HiScoreTable& t) {
    HiScoreTable defaults;
    klmr_HiScoreDefaults(&defaults);
    return Rows(t) == Rows(defaults);
}

std::string DefaultFileBytes() {
    std::string s;
    for (int score = 100; score >= 10; score -= 10)
        s += "Quorvane|+\n1\n" + std::to_string(score) + "\n";
    return s;
}

// Runs fn in a child process and returns its exit status. With unprivileged set, a child of
// root runs as uid/gid 65534, so that permissions apply to it.
int RunInChild(const std::function<int()>& fn, bool unprivileged = true) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (unprivileged && geteuid() == 0 &&
            (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
             setresuid(65534, 65534, 65534) != 0)) {
            _exit(99);
        }
        _exit(fn());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The original loader's reads through the C library, for inputs short enough (under 256
// bytes) that its unbounded reads stay within their texts. Rows before any number keep the
// default row's level and score, as the table's loader does.
HiScoreTable ReferenceLoad(const std::string& path) {
    HiScoreTable t;
    klmr_HiScoreDefaults(&t);
    FILE* f = fopen(path.c_str(), "rb");
    char name[256], word[256];
    long level = 0, score = 0;
    bool haveLevel = false, haveScore = false;
    for (HiScoreEntry& row : t.rows) {
        name[0] = '\0';
        int r = fscanf(f, "%[^|]", name);
        r = fscanf(f, "%s256", word);
        haveLevel = fscanf(f, "%ld", &level) == 1 || haveLevel;
        haveScore = fscanf(f, "%ld", &score) == 1 || haveScore;
        r = fscanf(f, "%[\n]", word);
        (void)r;
        memset(row.name, 0, sizeof row.name);
        memcpy(row.name, name, strnlen(name, kHiScoreNameSize - 1));
        if (haveLevel) row.level = static_cast<uint8_t>(level);
        if (haveScore) row.score = static_cast<uint32_t>(score);
    }
    fclose(f);
    t.minScore = t.rows[kHiScoreRows - 1].score;
    return t;
}

} // namespace

TEST(HiScoreFile, DefaultTableSavesExactBytesToANewFile) {
    TempDir d;
    const std::string path = d.Path("hiscores.dat");
    HiScoreTable t = Load(path, 1); // no such file: defaults, path kept
    EXPECT_TRUE(IsDefaultRows(t));
    EXPECT_EQ(t.path, path);
    ASSERT_EQ(klmr_HiScoreSave(&t), 0);
    EXPECT_EQ(ReadFile(path), DefaultFileBytes());
    EXPECT_EQ(Listing(d.Dir()), std::vector<std::string>{"hiscores.dat"});
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(st.st_mode & 07777, 0644 & ~mask);
}

TEST(HiScoreFile, SavedTablesLoadBackUnchanged) {
    TempDir d;
    const std::string path = d.Path("hiscores.dat");
    HiScoreTable t = Load(path, 1);
    klmr_HiScoreInsert(&t, "Ann Lee de Vries", 32, 4000000000u);
    klmr_HiScoreInsert(&t, std::string(31, 'w').c_str(), 255, 2147483648u);
    klmr_HiScoreInsert(&t, "", 0, 2147483647u);
    klmr_HiScoreInsert(&t, " spaced  out ", 7, 95);
    ASSERT_EQ(klmr_HiScoreSave(&t), 0);
    const std::string bytes = ReadFile(path);
    EXPECT_EQ(bytes.substr(0, 25), "Ann Lee de Vries|+\n32\n-29");
    EXPECT_NE(bytes.find("\n255\n-2147483648\n|+\n0\n2147483647\n"), std::string::npos);
    const HiScoreTable back = Load(path);
    EXPECT_EQ(Rows(back), Rows(t));
    EXPECT_STREQ(back.path, t.path);

    // Saving replaces the old content and keeps the old file's mode.
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    klmr_HiScoreInsert(&t, "Zed", 1, 4100000000u);
    ASSERT_EQ(klmr_HiScoreSave(&t), 0);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_STREQ(Load(path).rows[0].name, "Zed");
    EXPECT_EQ(Listing(d.Dir()), std::vector<std::string>{"hiscores.dat"});
}

TEST(HiScoreFile, LoaderReadsRecordsAsTheFormattedReadsDo) {
    struct Case {
        const char* bytes;
        int row;
        const char* name;
        int level;
        uint32_t score;
    };
    const Case cases[] = {
        {"Max|+\n300\n5\n", 0, "Max", 44, 5}, // the low 8 bits of the level
        // CRLF: the line-feed read stops at the carriage return, which starts the next name.
        {"Ann|+\r\n4\r\n400\r\nBob|+\r\n3\r\n300\r\n", 0, "Ann", 4, 400},
        {"Ann|+\r\n4\r\n400\r\nBob|+\r\n3\r\n300\r\n", 1, "\r\nBob", 3, 300},
        // Short file: empty names repeating the last numbers read.
        {"A|+\n9\n900\nB|+\n7\n700\n", 9, "", 7, 700},
        // Empty file: no number was ever read, so the default numbers stay.
        {"", 0, "", 1, 100},
        {"", 9, "", 1, 10},
        // Non-numeric fields keep the previous numbers (the defaults before any) and leave
        // their text to the next name.
        {"A|+\nlvl\nsc\nB|+\n5\n500\n", 0, "A", 1, 100},
        {"A|+\nlvl\nsc\nB|+\n5\n500\n", 1, "lvl\nsc\nB", 5, 500},
        {"A|+\n5\n500\nC|+\n6\nxx\nD|+\n7\n700\n", 1, "C", 6, 500},
        {"A|+\n5\n500\nC|+\n6\nxx\nD|+\n7\n700\n", 2, "xx\nD", 7, 700},
    };
    TempDir d;
    for (const Case& c : cases) {
        const HiScoreTable t = LoadBytes(d, c.bytes);
        const HiScoreEntry& row = t.rows[c.row];
        EXPECT_EQ(std::string(row.name), c.name) << testing::PrintToString(c.bytes);
        EXPECT_EQ(row.level, c.level) << testing::PrintToString(c.bytes);
        EXPECT_EQ(row.score, c.score) << testing::PrintToString(c.bytes);
    }
}

TEST(HiScoreFile, LoaderMatchesTheCLibraryOnRandomShortFiles) {
    TempDir d;
    const std::string path = d.Path("h.dat");
    const char* pieces[] = {"|",   "|+", "\n",  "\r\n", " ",
                            "\t",  "-",  "+",   "7",    "12",
                            "300", "-5", "abc", "Q q",  "4294967295",
                            "x|y", "00", "+8",  "- 3",  "99999999999999999999999"};
    std::mt19937 gen(20240611);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes;
        const size_t cap = gen() % 240;
        while (bytes.size() < cap) {
            if (gen() % 17 == 0) {
                bytes += static_cast<char>(gen() % 256); // any byte, NUL included
            } else {
                bytes += pieces[gen() % std::size(pieces)];
            }
        }
        if (bytes.size() > 250) bytes.resize(250);
        WriteFile(path, bytes);
        const HiScoreTable ours = Load(path);
        ASSERT_EQ(Rows(ours), Rows(ReferenceLoad(path)))
            << "input: " << testing::PrintToString(bytes);
    }
}

TEST(HiScoreFile, HostileFilesLoadWithinBounds) {
    TempDir d;
    // A 100,000-character name keeps its first 31; the following records load as they stand.
    HiScoreTable t = LoadBytes(d, std::string(100000, 'L') + "|+\n5\n500\nB|+\n2\n40\n");
    EXPECT_EQ(std::string(t.rows[0].name), std::string(31, 'L'));
    EXPECT_EQ(t.rows[0].score, 500u);
    EXPECT_STREQ(t.rows[1].name, "B");
    EXPECT_EQ(t.rows[1].level, 2);
    EXPECT_EQ(t.minScore, 40u);

    // A marker word of 1000 characters is skipped whole.
    t = LoadBytes(d, "A|" + std::string(1000, '+') + "\n5\n500\nB|+\n2\n40\n");
    EXPECT_EQ(t.rows[0].level, 5);
    EXPECT_STREQ(t.rows[1].name, "B");

    // Binary junk: loads, and what it loads saves and loads again to a fixed point.
    std::mt19937 gen(7);
    std::string junk;
    for (int i = 0; i < 65536; ++i)
        junk += static_cast<char>(gen() % 256);
    const HiScoreTable first = LoadBytes(d, junk);
    ASSERT_EQ(klmr_HiScoreSave(&first), 0);
    const HiScoreTable second = Load(first.path);
    ASSERT_EQ(klmr_HiScoreSave(&second), 0);
    const HiScoreTable third = Load(second.path);
    EXPECT_EQ(Rows(second), Rows(third));
    for (int i = 0; i < kHiScoreRows; ++i) {
        EXPECT_EQ(first.rows[i].level, second.rows[i].level);
        EXPECT_EQ(first.rows[i].score, second.rows[i].score);
    }
}

TEST(HiScoreFile, PathsThatCannotBeUsedLeaveDefaultsAndNoSavePath) {
    TempDir d;
    // A path of 32 characters is refused: nothing is read and a later save writes nothing.
    const std::string longPath = d.Path(std::string(31 - d.Dir().size(), 'p'));
    ASSERT_EQ(longPath.size(), 32u);
    WriteFile(longPath, "Z|+\n9\n999\n");
    HiScoreTable t = Load(longPath, -1);
    EXPECT_TRUE(IsDefaultRows(t));
    EXPECT_STREQ(t.path, "");
    EXPECT_EQ(klmr_HiScoreSave(&t), -1);
    EXPECT_EQ(ReadFile(longPath), "Z|+\n9\n999\n");
    // 31 characters are fine.
    const std::string path31 = longPath.substr(0, 31);
    WriteFile(path31, "Z|+\n9\n999\n");
    EXPECT_EQ(Load(path31).rows[0].score, 999u);

    // A directory is not read, and is not replaced by a save.
    const std::string dirPath = d.Path("h.dat");
    ASSERT_EQ(mkdir(dirPath.c_str(), 0755), 0);
    t = Load(dirPath, -1);
    EXPECT_TRUE(IsDefaultRows(t));
    EXPECT_STREQ(t.path, "");
    EXPECT_EQ(klmr_HiScoreSave(&t), -1);
    // Even when told to, the save cannot replace a directory, and leaves no temporary file.
    WriteFile(dirPath + "/keep", "x");
    const size_t files = Listing(d.Dir()).size();
    memcpy(t.path, dirPath.c_str(), dirPath.size() + 1);
    EXPECT_EQ(klmr_HiScoreSave(&t), -1);
    EXPECT_EQ(ReadFile(dirPath + "/keep"), "x");
    EXPECT_EQ(Listing(d.Dir()).size(), files);

    // A file this user may not read.
    const std::string secret = d.Path("s.dat");
    WriteFile(secret, DefaultFileBytes());
    chmod(secret.c_str(), 0);
    EXPECT_EQ(RunInChild([&] {
                  HiScoreTable u;
                  const int r = klmr_HiScoreLoad(&u, secret.c_str());
                  return r == -1 && u.path[0] == '\0' ? 0 : 1;
              }),
              0);

    HiScoreTable n;
    EXPECT_EQ(klmr_HiScoreLoad(nullptr, "x"), -2);
    EXPECT_EQ(klmr_HiScoreLoad(&n, nullptr), -2);
    EXPECT_TRUE(IsDefaultRows(n));
    EXPECT_EQ(klmr_HiScoreSave(nullptr), -2);
}

TEST(HiScoreFile, FailedSavesLeaveTheOldFileAlone) {
    TempDir d;
    const std::string path = d.Path("hiscores.dat");
    WriteFile(path, DefaultFileBytes());
    HiScoreTable t = Load(path);
    klmr_HiScoreInsert(&t, "New", 3, 5000);

    // A directory this user may not write to.
    EXPECT_EQ(RunInChild([&] { return klmr_HiScoreSave(&t) == -1 && errno == EACCES ? 0 : 1; }), 0);
    EXPECT_EQ(ReadFile(path), DefaultFileBytes());
    EXPECT_EQ(Listing(d.Dir()), std::vector<std::string>{"hiscores.dat"});

    // A write that fails part way: files may not grow beyond 16 bytes.
    const int status = RunInChild(
        [&] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit = {16, 16};
            setrlimit(RLIMIT_FSIZE, &limit);
            return klmr_HiScoreSave(&t) == -1 && errno == EFBIG ? 0 : 1;
        },
        false);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(path), DefaultFileBytes());
    EXPECT_EQ(Listing(d.Dir()), std::vector<std::string>{"hiscores.dat"});
}

TEST(HiScoreFile, SavesKeepWhatAPlainRewriteWouldKeep) {
    TempDir d;
    const std::string real = d.Path("real.dat");
    const std::string link = d.Path("hiscores.dat");
    WriteFile(real, DefaultFileBytes());
    ASSERT_EQ(symlink("real.dat", link.c_str()), 0);

    // A symbolic link keeps pointing at its file, which receives the new table.
    HiScoreTable t = Load(link);
    klmr_HiScoreInsert(&t, "Linked", 2, 500);
    ASSERT_EQ(klmr_HiScoreSave(&t), 0);
    struct stat st;
    ASSERT_EQ(lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(Load(real).rows[0].score, 500u);
    EXPECT_EQ(Listing(d.Dir()), (std::vector<std::string>{"hiscores.dat", "real.dat"}));

    // A file its player made read-only stays as it is, even in a directory they may write to.
    const std::string locked = d.Path("locked.dat");
    WriteFile(locked, DefaultFileBytes());
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    ASSERT_EQ(chmod(d.Dir().c_str(), 0777), 0);
    HiScoreTable l = Load(locked);
    klmr_HiScoreInsert(&l, "Locked", 2, 500);
    EXPECT_EQ(RunInChild([&] { return klmr_HiScoreSave(&l) == -1 && errno == EACCES ? 0 : 1; }), 0);
    EXPECT_EQ(ReadFile(locked), DefaultFileBytes());
    EXPECT_EQ(Listing(d.Dir()),
              (std::vector<std::string>{"hiscores.dat", "locked.dat", "real.dat"}));
}
