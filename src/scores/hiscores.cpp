// The high-score table: defaults, qualifying, ordered insertion, and its text file.
#include "hiscores.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int kNameMax = kHiScoreNameSize - 1;

// Stores at most the first 31 characters of name (a null name is the empty name) and zero-fills
// the rest of the field.
void StoreName(char (&dst)[kHiScoreNameSize], const char* name) {
    memset(dst, 0, sizeof dst);
    if (name != nullptr) memcpy(dst, name, strnlen(name, kNameMax));
}

// A reader over the file that behaves as the C library's formatted reads of the original
// loader ("%[^|]", "%s256", "%ld", "%ld", "%[\n]", each a call of its own), but keeps what it
// reads within fixed bounds, however long the texts in the file are.
class RecordReader {
  public:
    explicit RecordReader(FILE* file) : f_(file) {}

    // "%[^|]": every character up to the next "|" (not consumed). Only the first 31 characters
    // matter to the row; the rest of a longer name is consumed and dropped. A NUL byte ends the
    // text as the name is a C string.
    void ReadName(char (&dst)[kHiScoreNameSize]) {
        memset(dst, 0, sizeof dst);
        int kept = 0;
        int c;
        while ((c = getc(f_)) != EOF && c != '|') {
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
        while ((c = getc(f_)) != EOF && !IsSpace(c)) {
        }
        Unget(c);
    }

    // "%ld": skip white space and read a signed decimal number into *value; without digits,
    // *value is unchanged and false returned. As the C library does, a sign not followed by a
    // digit is consumed, and a number beyond the range of long saturates.
    bool ReadLong(long* value) {
        SkipSpace();
        int c = getc(f_);
        bool negative = false;
        if (c == '-' || c == '+') {
            negative = c == '-';
            c = getc(f_);
        }
        if (!IsDigit(c)) {
            Unget(c);
            return false;
        }
        // Accumulated as a negative number, whose range includes LONG_MIN.
        long n = 0;
        bool overflow = false;
        for (; IsDigit(c); c = getc(f_)) {
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
        while ((c = getc(f_)) == '\n') {
        }
        Unget(c);
    }

  private:
    static bool IsSpace(int c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }
    static bool IsDigit(int c) { return c >= '0' && c <= '9'; }

    void SkipSpace() {
        int c;
        while ((c = getc(f_)) != EOF && IsSpace(c)) {
        }
        Unget(c);
    }

    void Unget(int c) {
        if (c != EOF) ungetc(c, f_);
    }

    FILE* f_;
};

// Reads the ten records into the rows of table, which hold the defaults. The level and score
// variables carry over from record to record; until a number has been read into one of them,
// the rows keep their default value for it.
void ReadRecords(FILE* f, HiScoreTable* table) {
    RecordReader reader(f);
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
}

// Writes all of buf to fd, going on after short writes and interruptions.
bool WriteAll(int fd, const char* buf, size_t len) {
    while (len > 0) {
        const ssize_t n = write(fd, buf, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        buf += n;
        len -= static_cast<size_t>(n);
    }
    return true;
}

// The mode a new file gets from the umask, read without leaving it changed.
mode_t NewFileMode() {
    const mode_t mask = umask(022);
    umask(mask);
    return 0644 & ~mask;
}

// Makes the directory entry of the rename durable; a failure here loses nothing already
// written, so it is not reported.
void SyncDirectoryOf(const char* path) {
    char dir[kHiScoreNameSize];
    const char* slash = strrchr(path, '/');
    if (slash == nullptr) {
        strcpy(dir, ".");
    } else if (slash == path) {
        strcpy(dir, "/");
    } else {
        const size_t len = static_cast<size_t>(slash - path);
        memcpy(dir, path, len);
        dir[len] = '\0';
    }
    const int fd = open(dir, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
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
}

int klmr_HiScoreLoad(HiScoreTable* table, const char* path) {
    if (table == nullptr) return -2;
    klmr_HiScoreDefaults(table);
    if (path == nullptr) return -2;
    // A path that does not fit is refused whole: a cut-down path would name another file.
    const size_t len = strnlen(path, kHiScoreNameSize);
    if (len == 0 || len >= static_cast<size_t>(kHiScoreNameSize)) return -1;

    // O_NONBLOCK keeps a FIFO at this path from stalling the open; only regular files are read.
    const int fd = open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno != ENOENT) return -1;
        memcpy(table->path, path, len);
        return 1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    FILE* f = fdopen(fd, "r");
    if (f == nullptr) {
        close(fd);
        return -1;
    }
    HiScoreTable loaded = *table;
    ReadRecords(f, &loaded);
    const bool readFailed = ferror(f) != 0;
    fclose(f);
    // A file that could not be read whole leaves the defaults and no path, so that the save at
    // the end never replaces a table this program did not see.
    if (readFailed) return -1;
    *table = loaded;
    memcpy(table->path, path, len);
    table->minScore = table->rows[kHiScoreRows - 1].score;
    return 0;
}

int klmr_HiScoreSave(const HiScoreTable* table) {
    if (table == nullptr) return -2;
    const size_t len = strnlen(table->path, kHiScoreNameSize);
    if (len == 0 || len >= static_cast<size_t>(kHiScoreNameSize)) {
        errno = len == 0 ? ENOENT : ENAMETOOLONG;
        return -1;
    }
    char path[kHiScoreNameSize];
    memcpy(path, table->path, len + 1);

    // At most 31 + 3 + 3 + 1 + 11 + 1 bytes a record.
    char text[kHiScoreRows * 64];
    size_t used = 0;
    for (const HiScoreEntry& row : table->rows) {
        const int n = snprintf(text + used, sizeof text - used, "%.31s|+\n%d\n%ld\n", row.name,
                               row.level, static_cast<long>(static_cast<int32_t>(row.score)));
        used += static_cast<size_t>(n);
    }

    // Keep what a plain rewrite of the file would have kept: a symbolic link goes on pointing
    // at the file it names (the new table replaces that file, not the link), and a file the
    // player may not write to is left alone.
    char target[PATH_MAX];
    struct stat link;
    if (lstat(path, &link) == 0 && S_ISLNK(link.st_mode) && realpath(path, target) != nullptr) {
        // target now names the file behind the link.
    } else {
        memcpy(target, path, len + 1);
    }
    if (access(target, F_OK) == 0 && access(target, W_OK) != 0) return -1;

    // The old file is replaced only by a complete new one: write a temporary file beside it,
    // make it durable, then rename it over the old one in one step.
    char temp[PATH_MAX + 8];
    snprintf(temp, sizeof temp, "%s.XXXXXX", target);
    const int fd = mkstemp(temp);
    if (fd < 0) return -1;
    struct stat old;
    const mode_t mode = stat(target, &old) == 0 ? (old.st_mode & 07777) : NewFileMode();
    bool ok = WriteAll(fd, text, used) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && rename(temp, target) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        unlink(temp);
        errno = saved;
        return -1;
    }
    SyncDirectoryOf(target);
    return 0;
}

bool klmr_HiScoreQualifies(const HiScoreTable* table, uint32_t score) {
    return table != nullptr && score > table->minScore;
}

int klmr_HiScoreInsert(HiScoreTable* table, const char* name, uint8_t level, uint32_t score) {
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
