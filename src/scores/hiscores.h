// The ten best results, the rule by which a score enters, and their file "hiscores.dat".
//
// File format: ten records of three lines, "%s|+\n%d\n%ld\n" (name and marker, level, score
// as a signed 32-bit reading). Rows are best first; equal scores keep insertion order.
// Invariant: minScore == rows[9].score after every operation that changes rows.
//
// Several copies of the game may share one file. Every save is a merge made under an advisory
// lock (flock on "<file>.lock" beside the file): the file is read again as it is now. If it
// still holds the rows this copy last read from it or wrote to it, no other copy has saved
// since, and the table in memory is written as it stands: with one copy, the file always equals
// the table in memory, whatever the table's order and however many rows were inserted. Else the
// rows this copy inserted since its last save (the ten best of them: no more can enter a table)
// are inserted into the file's rows by the same rule, and the result replaces the file and
// becomes the table in memory.
#pragma once

#include <cstdint>

inline constexpr int kHiScoreRows = 10;
inline constexpr int kHiScoreNameSize = 32; // 31 characters and the terminator
// A table is under 1 KiB; a larger file is refused unread, and never overwritten.
inline constexpr long kHiScoreFileMax = 64 * 1024;
// How long a save waits for another copy's lock before it gives up.
inline constexpr int kHiScoreLockWaitMs = 2000;

struct HiScoreEntry {
    char name[kHiScoreNameSize]; // NUL-terminated, at most 31 characters, zero-filled after
    uint8_t level;               // level number reached, 1-based as shown
    uint32_t score;
};

struct HiScoreTable {
    char path[kHiScoreNameSize]; // file loaded from and saved to; empty means "do not save"
    HiScoreEntry rows[kHiScoreRows];
    uint32_t minScore;
    // For the merge of the next save.
    HiScoreEntry fileRows[kHiScoreRows]; // the file's rows when this copy last read or wrote it
                                         // (the defaults when there was no file)
    int newCount; // 0..10: rows inserted by this process since the last load or save
    HiScoreEntry newRows[kHiScoreRows]; // those rows in insertion order (the ten best of them)
};

// Ten rows "Quorvane", level 1, scores 100, 90, ... 10; empty path, no recorded rows.
void klmr_HiScoreDefaults(HiScoreTable* table);

// Defaults, then the rows of the file at path. The file is read whole, never blocking on it.
//   0  the file was read;
//   1  there is no such file: defaults stay, path is kept so that the save creates the file;
//  -1  the path was refused (32 or more characters) or the file exists but is not read: not a
//      regular file (errno EINVAL), larger than kHiScoreFileMax (EFBIG, nothing read), no
//      permission, read error. Defaults stay and path is left empty, so that a later save never
//      overwrites a file this program could not read;
//  -2  null table or path.
int klmr_HiScoreLoad(HiScoreTable* table, const char* path);

// Merges the table into its file under the lock (see above). The new file is written as
// "<file>.tmp" beside it, made durable and renamed over the old one, so the old file is never
// lost; a file that is not in the saved form is first kept as "<file>.bak". A symbolic link
// keeps pointing at its file, which receives the table, and the lock, temporary and backup
// files lie beside that file; a file this user may not write to is left alone (-1, EACCES).
//   0 saved, and the table holds the merged rows; -1 not saved, the table and the file are
//   left as they were and errno tells why: ENOENT (empty path: the file could not be read at
//   load), EWOULDBLOCK (another copy held the lock for kHiScoreLockWaitMs), EINVAL or EFBIG
//   (the file has since become one the load refuses), or the failed call's error; -2 null table.
int klmr_HiScoreSave(HiScoreTable* table);

// True when score > minScore; false for a null table.
bool klmr_HiScoreQualifies(const HiScoreTable* table, uint32_t score);

// Inserts the result below every row with a greater or equal score: the row index 0..9 that
// now holds it, or -1 (null table, or the score does not qualify; nothing changes). The row is
// also recorded in newRows for the merge of the next save.
int klmr_HiScoreInsert(HiScoreTable* table, const char* name, uint8_t level, uint32_t score);

// klmr_HiScoreInsert with the entry's fields; -1 for a null entry.
int klmr_HiScoreInsertEntry(HiScoreTable* table, const HiScoreEntry* entry);

// Entry setters; each does nothing for a null entry. Names keep at most 31 characters and the
// rest of the field is zero-filled; a null name stores the empty name.
void klmr_EntrySet(HiScoreEntry* entry, const char* name, uint8_t level, uint32_t score);
void klmr_EntrySetName(HiScoreEntry* entry, const char* name);
void klmr_EntrySetLevel(HiScoreEntry* entry, uint8_t level);
void klmr_EntrySetScore(HiScoreEntry* entry, uint32_t score);
