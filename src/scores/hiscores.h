// The ten best results, the rule by which a score enters, and their file "hiscores.dat".
//
// File format: ten records of three lines, "%s|+\n%d\n%ld\n" (name and marker, level, score
// as a signed 32-bit reading). Rows are best first; equal scores keep insertion order.
// Invariant: minScore == rows[9].score after every operation that changes rows.
#pragma once

#include <cstdint>

inline constexpr int kHiScoreRows = 10;
inline constexpr int kHiScoreNameSize = 32; // 31 characters and the terminator

struct HiScoreEntry {
    char name[kHiScoreNameSize]; // NUL-terminated, at most 31 characters, zero-filled after
    uint8_t level;               // level number reached, 1-based as shown
    uint32_t score;
};

struct HiScoreTable {
    char path[kHiScoreNameSize]; // file loaded from and saved to; empty means "do not save"
    HiScoreEntry rows[kHiScoreRows];
    uint32_t minScore;
};

// Ten rows "Quorvane", level 1, scores 100, 90, ... 10; empty path. The table must not be null.
void klmr_HiScoreDefaults(HiScoreTable* table);

// Defaults, then the rows of the file at path.
//   0  the file was read;
//   1  there is no such file: defaults stay, path is kept so that the save creates the file;
//  -1  the path was refused (32 or more characters) or the file exists but cannot be read
//      (not a regular file, no permission, read error): defaults stay and path is left empty,
//      so that a later save never overwrites a file this program could not read;
//  -2  null table or path.
int klmr_HiScoreLoad(HiScoreTable* table, const char* path);

// Writes the table to its path through a temporary file in the same directory that replaces
// the old file only when every byte was written: the old file is never lost. A symbolic link
// keeps pointing at its file, which receives the table; a file this user may not write to is
// left alone (-1, EACCES).
//   0 saved; -1 not saved (empty path, or a failure: the old file is left as it was and errno
//   tells why); -2 null table.
int klmr_HiScoreSave(const HiScoreTable* table);

// True when score > minScore; false for a null table.
bool klmr_HiScoreQualifies(const HiScoreTable* table, uint32_t score);

// Inserts the result below every row with a greater or equal score: the row index 0..9 that
// now holds it, or -1 (null table, or the score does not qualify; nothing changes).
int klmr_HiScoreInsert(HiScoreTable* table, const char* name, uint8_t level, uint32_t score);

// klmr_HiScoreInsert with the entry's fields; -1 for a null entry.
int klmr_HiScoreInsertEntry(HiScoreTable* table, const HiScoreEntry* entry);

// Entry setters; each does nothing for a null entry. Names keep at most 31 characters and the
// rest of the field is zero-filled; a null name stores the empty name.
void klmr_EntrySet(HiScoreEntry* entry, const char* name, uint8_t level, uint32_t score);
void klmr_EntrySetName(HiScoreEntry* entry, const char* name);
void klmr_EntrySetLevel(HiScoreEntry* entry, uint8_t level);
void klmr_EntrySetScore(HiScoreEntry* entry, uint32_t score);
