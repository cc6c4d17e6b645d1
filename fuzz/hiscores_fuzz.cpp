// Fuzz target: any bytes as "hiscores.dat" load into a table that keeps its invariants, is
// saved in the file format exactly, and loads back unchanged; bytes that were not a saved table
// are kept as the .bak, and what the game saves always counts as a saved table.
//
// Each input is written to a file in a directory private to this process, loaded, checked,
// saved, loaded again into a second table and compared; the second table is saved too, and
// both saved files must be byte-for-byte the same. Any broken invariant aborts, which
// libFuzzer reports as a crash with the input that caused it.
#include "hiscores.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string dir;

[[noreturn]] void Fail(const char* what, int row) {
    fprintf(stderr, "invariant broken: %s (row %d)\n", what, row);
    abort();
}

void RemoveDir() {
    if (dir.empty()) return;
    for (const char* name : {"/h.dat", "/h.dat.lock", "/h.dat.bak", "/h.dat.tmp"})
        unlink((dir + name).c_str());
    rmdir(dir.c_str());
}

const std::string& Dir() {
    if (dir.empty()) {
        // The save syncs its file: on a memory file system that costs nothing, which keeps the
        // fuzzer fast. The table keeps a path of at most 31 characters.
        char shm[] = "/dev/shm/kfz.XXXXXX";
        char tmp[] = "/tmp/kfz.XXXXXX";
        const char* made = mkdtemp(shm);
        if (made == nullptr) made = mkdtemp(tmp);
        if (made == nullptr) Fail("mkdtemp", -1);
        dir = made;
        atexit(RemoveDir);
    }
    return dir;
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr || fwrite(data, 1, size, f) != size || fclose(f) != 0)
        Fail("cannot write the input file", -1);
}

std::string ReadFile(const std::string& path) {
    std::string bytes;
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) return "<none>";
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    fclose(f);
    return bytes;
}

// Names (and the path) are NUL-terminated within their 32 bytes and zero after the terminator;
// minScore is row 9's score.
void CheckTable(const HiScoreTable& t) {
    for (int r = 0; r < kHiScoreRows; ++r) {
        const char* name = t.rows[r].name;
        const void* nul = memchr(name, '\0', kHiScoreNameSize);
        if (nul == nullptr) Fail("name not terminated within 32 bytes", r);
        for (const char* p = static_cast<const char*>(nul); p < name + kHiScoreNameSize; ++p)
            if (*p != '\0') Fail("bytes after the name's terminator are not zero", r);
        if (strchr(name, '|') != nullptr) Fail("name holds the marker character", r);
    }
    if (memchr(t.path, '\0', kHiScoreNameSize) == nullptr) Fail("path not terminated", -1);
    if (t.minScore != t.rows[kHiScoreRows - 1].score) Fail("minScore differs from row 9", -1);
}

// The file holds the ten records "%s|+\n%d\n%ld\n" and nothing else; the score is written as
// the signed reading of its 32 bits.
void CheckFormat(const HiScoreTable& t, const std::string& saved) {
    std::string expected;
    for (int r = 0; r < kHiScoreRows; ++r) {
        char line[kHiScoreNameSize + 64];
        snprintf(line, sizeof line, "%s|+\n%d\n%ld\n", t.rows[r].name, t.rows[r].level,
                 static_cast<long>(static_cast<int32_t>(t.rows[r].score)));
        expected += line;
    }
    if (saved != expected) Fail("saved file is not the ten records of the table", -1);
}

void CheckSame(const HiScoreTable& a, const HiScoreTable& b) {
    for (int r = 0; r < kHiScoreRows; ++r) {
        if (memcmp(a.rows[r].name, b.rows[r].name, kHiScoreNameSize) != 0)
            Fail("name changed by save and load", r);
        if (a.rows[r].level != b.rows[r].level) Fail("level changed by save and load", r);
        if (a.rows[r].score != b.rows[r].score) Fail("score changed by save and load", r);
    }
    if (a.minScore != b.minScore) Fail("minScore changed by save and load", -1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = Dir() + "/h.dat";
    WriteFile(path, data, size);

    const std::string bak = path + ".bak";
    unlink(bak.c_str());

    HiScoreTable first;
    memset(&first, 0xA5, sizeof first); // the loader must not depend on what was there
    const int loaded = klmr_HiScoreLoad(&first, path.c_str());
    if (size > static_cast<size_t>(kHiScoreFileMax)) {
        if (loaded != -1 || first.path[0] != '\0') Fail("a file over the limit was taken", -1);
        return 0;
    }
    if (loaded != 0) Fail("a readable file did not load", -1);
    CheckTable(first);
    if (strcmp(first.path, path.c_str()) != 0) Fail("path not kept", -1);
    if (klmr_HiScoreSave(&first) != 0) Fail("save failed", -1);
    const std::string saved = ReadFile(path);
    CheckFormat(first, saved);
    // A .bak, if any, keeps the old bytes; a file that was the saved table itself keeps none.
    const std::string kept(reinterpret_cast<const char*>(data), size);
    const bool hasBak = access(bak.c_str(), F_OK) == 0;
    if (hasBak && (ReadFile(bak) != kept || kept == saved))
        Fail("the .bak is not the bytes of a file that was not a saved table", -1);
    if (!hasBak && size != 0 && kept.find('\r') == std::string::npos && kept != saved)
        Fail("a file that was not a saved table was replaced without a .bak", -1);

    HiScoreTable second;
    memset(&second, 0x5A, sizeof second);
    if (klmr_HiScoreLoad(&second, path.c_str()) != 0) Fail("the saved file did not load", -1);
    CheckTable(second);
    CheckSame(first, second);

    unlink(bak.c_str());
    if (klmr_HiScoreSave(&second) != 0) Fail("second save failed", -1);
    if (ReadFile(path) != saved) Fail("saving a reloaded table changed the file", -1);
    if (access(bak.c_str(), F_OK) == 0) Fail("a file the game saved is not in the saved form", -1);
    return 0;
}
