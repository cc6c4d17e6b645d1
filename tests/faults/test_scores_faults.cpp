// The score file under a hostile file system: a disk that fills up part-way through the save,
// a path that is a directory, a file that cannot be read, a directory that cannot be written.
// In every case the previous file must survive byte for byte and nothing is left beside it.
#include "failwrite.h"
#include "fault_support.h"
#include "hiscores.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

using faults::InChild;
using faults::List;
using faults::ReadFile;
using faults::TempDir;
using faults::WriteFile;

namespace {

// A table that differs from the defaults in every row, so a save that got through shows.
HiScoreTable Changed(const std::string& path) {
    HiScoreTable t;
    klmr_HiScoreDefaults(&t);
    for (int i = 0; i < kHiScoreRows; ++i) {
        klmr_EntrySet(&t.rows[i], "A much longer name than before", 32,
                      static_cast<uint32_t>(1000000 - i));
    }
    t.minScore = t.rows[kHiScoreRows - 1].score;
    strncpy(t.path, path.c_str(), sizeof t.path - 1);
    return t;
}

// The file a previous run left: the default table with one extra row of its own.
std::string PreviousFile(const std::string& path) {
    HiScoreTable t;
    klmr_HiScoreDefaults(&t);
    klmr_HiScoreInsert(&t, "Previous Winner", 7, 555);
    strncpy(t.path, path.c_str(), sizeof t.path - 1);
    EXPECT_EQ(klmr_HiScoreSave(&t), 0);
    return ReadFile(path);
}

size_t SavedSize() {
    TempDir d;
    HiScoreTable t = Changed(d / "h.dat");
    EXPECT_EQ(klmr_HiScoreSave(&t), 0);
    return ReadFile(d / "h.dat").size();
}

bool Root() {
    return geteuid() == 0;
}

} // namespace

// Budgets from nothing at all to one byte short of the whole new file.
class PartialWrite : public ::testing::TestWithParam<int> {
  protected:
    size_t Budget() const {
        static const size_t full = SavedSize();
        const int b = GetParam();
        return b >= 0 ? static_cast<size_t>(b) : full - static_cast<size_t>(-b);
    }
};

TEST_P(PartialWrite, ShimFullDiskKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir / "hiscores.dat";
    const std::string before = PreviousFile(path);
    HiScoreTable t = Changed(path);

    failwrite::Arm(Budget());
    errno = 0;
    const int rc = klmr_HiScoreSave(&t);
    const int err = errno;
    failwrite::Disarm();

    EXPECT_EQ(rc, -1);
    EXPECT_EQ(err, ENOSPC);
    EXPECT_GT(failwrite::Refused(), 0u);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(List(dir.path()), std::vector<std::string>{"hiscores.dat"});
}

TEST_P(PartialWrite, FileSizeLimitKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir / "hiscores.dat";
    const std::string before = PreviousFile(path);
    const size_t budget = Budget();

    // The kernel refuses bytes past RLIMIT_FSIZE in any file with EFBIG, whatever the writer.
    const int status = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit lim{budget, budget};
        if (setrlimit(RLIMIT_FSIZE, &lim) != 0) return 10;
        HiScoreTable t = Changed(path);
        return klmr_HiScoreSave(&t) == -1 ? 0 : 1;
    });

    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(List(dir.path()), std::vector<std::string>{"hiscores.dat"});
}

INSTANTIATE_TEST_SUITE_P(Budgets, PartialWrite, ::testing::Values(0, 1, 40, 150, -1));

TEST(PartialWrite, WholeBudgetSaves) {
    TempDir dir;
    const std::string path = dir / "hiscores.dat";
    PreviousFile(path);
    HiScoreTable t = Changed(path);

    failwrite::Arm(SavedSize());
    const int rc = klmr_HiScoreSave(&t);
    failwrite::Disarm();

    EXPECT_EQ(rc, 0);
    HiScoreTable back;
    EXPECT_EQ(klmr_HiScoreLoad(&back, path.c_str()), 0);
    EXPECT_EQ(back.rows[0].score, 1000000u);
}

// A real full file system: a 2-page tmpfs in a mount namespace of the child's own, holding the
// previous file and a filler that takes the rest.
TEST(FullDisk, TmpfsKeepsThePreviousFile) {
    if (!Root()) GTEST_SKIP() << "mounting needs root";
    TempDir dir;
    const std::string mnt = dir / "mnt";
    mkdir(mnt.c_str(), 0755);
    const std::string path = mnt + "/hiscores.dat";

    const int status = InChild([&] {
        if (unshare(CLONE_NEWNS) != 0) return 77;
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return 77;
        if (mount("tmpfs", mnt.c_str(), "tmpfs", 0, "size=8k") != 0) return 77;
        const std::string before = PreviousFile(path);
        // Fill what is left, page by page, until the file system says no.
        FILE* filler = fopen((mnt + "/filler").c_str(), "w");
        if (filler == nullptr) return 11;
        setvbuf(filler, nullptr, _IONBF, 0);
        const std::string page(4096, 'x');
        while (fwrite(page.data(), 1, page.size(), filler) == page.size()) {
        }
        fclose(filler);
        HiScoreTable t = Changed(path);
        errno = 0;
        if (klmr_HiScoreSave(&t) != -1) return 1;
        if (errno != ENOSPC) return 2;
        if (ReadFile(path) != before) return 3;
        if (List(mnt) != std::vector<std::string>{"filler", "hiscores.dat"}) return 4;
        return 0;
    });
    if (status == 77) GTEST_SKIP() << "no mount namespace here";
    EXPECT_EQ(status, 0);
}

TEST(ScoreFilePath, DirectoryIsNeitherReadNorReplaced) {
    TempDir dir;
    const std::string path = dir / "hiscores.dat";
    ASSERT_EQ(mkdir(path.c_str(), 0755), 0);
    WriteFile(path + "/inside", "keep");

    HiScoreTable t;
    EXPECT_EQ(klmr_HiScoreLoad(&t, path.c_str()), -1);
    EXPECT_EQ(t.rows[0].score, 100u);
    EXPECT_EQ(klmr_HiScoreSave(&t), -1); // the refused path was not kept

    HiScoreTable forced = Changed(path); // even a table that names it cannot replace it
    EXPECT_EQ(klmr_HiScoreSave(&forced), -1);
    struct stat st;
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));
    EXPECT_EQ(List(path), std::vector<std::string>{"inside"});
    EXPECT_EQ(List(dir.path()), std::vector<std::string>{"hiscores.dat"});
}

TEST(ScoreFilePath, FifoDoesNotHangTheLoad) {
    TempDir dir;
    const std::string path = dir / "hiscores.dat";
    ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
    const int status = InChild([&] {
        alarm(5);
        HiScoreTable t;
        return klmr_HiScoreLoad(&t, path.c_str()) == -1 ? 0 : 1;
    });
    EXPECT_EQ(status, 0);
}

// The game loads at start-up and saves at shut-down; an unreadable file must survive both.
TEST(ScoreFilePath, UnreadableFileSurvivesLoadAndSave) {
    if (!Root()) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    const std::string path = dir / "hiscores.dat";
    const std::string before = PreviousFile(path);
    chmod(path.c_str(), 0200);
    chmod(dir.path().c_str(), 0777);

    const int status = InChild(
        [&] {
            HiScoreTable t;
            if (klmr_HiScoreLoad(&t, path.c_str()) != -1) return 1;
            if (t.rows[0].score != 100 || t.minScore != 10) return 2;
            klmr_HiScoreInsert(&t, "New", 1, 99999);
            return klmr_HiScoreSave(&t) == -1 ? 0 : 3;
        },
        true);

    EXPECT_EQ(status, 0);
    chmod(path.c_str(), 0644);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(List(dir.path()), std::vector<std::string>{"hiscores.dat"});
}

TEST(ScoreFilePath, ReadOnlyDirectoryKeepsTheFile) {
    if (!Root()) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    const std::string path = dir / "hiscores.dat";
    const std::string before = PreviousFile(path);
    chmod(dir.path().c_str(), 0555);

    const int status = InChild(
        [&] {
            HiScoreTable t;
            if (klmr_HiScoreLoad(&t, path.c_str()) != 0) return 1;
            if (t.rows[0].score != 555) return 2;
            klmr_HiScoreInsert(&t, "New", 1, 99999);
            errno = 0;
            if (klmr_HiScoreSave(&t) != -1) return 3;
            return errno == EACCES ? 0 : 4;
        },
        true);

    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(List(dir.path()), std::vector<std::string>{"hiscores.dat"});
}

// Without a file, a read-only directory means nothing is saved, and nothing is reported.
TEST(ScoreFilePath, ReadOnlyDirectoryWithoutFileSavesNothing) {
    if (!Root()) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    const std::string path = dir / "hiscores.dat";
    chmod(dir.path().c_str(), 0555);

    const int status = InChild(
        [&] {
            HiScoreTable t;
            if (klmr_HiScoreLoad(&t, path.c_str()) != 1) return 1;
            return klmr_HiScoreSave(&t) == -1 ? 0 : 2;
        },
        true);

    EXPECT_EQ(status, 0);
    EXPECT_TRUE(List(dir.path()).empty());
}
