// The built-in levels, the level codes, and the Puzzle: the state of the level being played.
//
// Levels are counted by a zero-based index 0..31 everywhere in the code and shown as 1..32.
#pragma once

#include "board.h"

#include <cstdint>

inline constexpr int kLevelCount = 32;
inline constexpr int kLevelCellCount = 1119;
inline constexpr int kLevelCodeCount = 7;

struct LevelDim {
    uint8_t width;
    uint8_t height;
};

// Constant content of the game: 32 pictures with their sizes and time limits. Each picture is
// stored row by row in levelCells, one after the other, with nothing between them.
struct LevelTable {
    int8_t levelCount;                   // 32; every lookup below is bounded by it
    uint32_t levelTimes[kLevelCount];    // seconds, by level index
    LevelDim levelDims[kLevelCount];     // picture size, by level index
    uint8_t levelCells[kLevelCellCount]; // 0 hole, 1..16 tile
};

extern const LevelTable levelTable;

// The seven five-character codes, then a null entry. Code i starts the game at level 5 * i.
extern const char* const LevelCodes[kLevelCodeCount + 1];

struct Puzzle {
    Board current;      // the board the player turns
    Board target;       // the level's picture; unchanged during the level
    uint32_t timeLimit; // seconds allowed for the level
    uint8_t level;      // zero-based index; equals levelCount once the last level is passed
};

// Loads the picture of level i: 0 loaded, -1 index not below levelCount (board unchanged),
// -2 null board.
int klmr_BoardLoadLevel(Board* board, uint8_t i);

// The puzzle holds no resources: both do nothing.
void klmr_PuzzleInit(Puzzle* puzzle);
void klmr_PuzzleFree(Puzzle* puzzle);

// Starts level i (an index at or past levelCount starts level 0): 0 started, -1 null puzzle.
int klmr_PuzzleStart(Puzzle* puzzle, uint8_t i);

// Advances to the next level: 0 loaded, 2 no further level (boards and limit keep the
// finished level; level keeps counting as an 8-bit value). The puzzle must not be null.
int klmr_PuzzleNextLevel(Puzzle* puzzle);

// True when current equals target; false for a null puzzle.
bool klmr_PuzzleSolved(const Puzzle* puzzle);

// The level field; 0 for a null puzzle.
uint8_t klmr_PuzzleLevel(const Puzzle* puzzle);
