// The 32 built-in levels and the seven level codes: constant data, checked at compile time.
#include "puzzle.h"

#include <iterator>

namespace {

// Each array is sized by its own list, so that a missing or extra entry fails the checks below
// instead of being zero-filled.
constexpr uint32_t kTimes[] = {20,  25,  30,  30,  30,  35,  35,  40,  70,  75, 80,
                               110, 120, 240, 240, 90,  70,  80,  205, 280, 90, 200,
                               130, 155, 240, 230, 280, 135, 222, 400, 60,  120};

constexpr LevelDim kDims[] = {{4, 2}, {2, 4}, {6, 2}, {4, 6}, {4, 4}, {6, 2}, {4, 4}, {2, 6},
                              {6, 6}, {6, 6}, {6, 6}, {6, 6}, {6, 6}, {6, 6}, {6, 6}, {7, 7},
                              {8, 8}, {6, 6}, {8, 8}, {4, 4}, {6, 6}, {8, 8}, {5, 5}, {8, 8},
                              {8, 8}, {8, 8}, {6, 8}, {8, 5}, {6, 6}, {7, 7}, {2, 6}, {7, 4}};

// Where each level's picture begins. Not used at run time (the loader sums the sizes); kept as
// an independent record so that the compiler checks the sizes and the cell data against it.
constexpr int kFirstCell[] = {0,   8,   16,  28,  52,  68,  80,  96,   108,  144, 180,
                              216, 252, 288, 324, 360, 409, 473, 509,  573,  589, 625,
                              689, 714, 778, 842, 906, 954, 994, 1030, 1079, 1091};

// Row by row, top row first, each row from left to right.
// clang-format off
constexpr uint8_t kCells[] = {
    // level 1: 4 x 2, 20 s
    4, 4, 10, 10,
    4, 4, 10, 10,
    // level 2: 2 x 4, 25 s
    12, 12,
    12, 12,
    13, 13,
    13, 13,
    // level 3: 6 x 2, 30 s
    14, 14, 2, 2, 5, 5,
    14, 14, 2, 2, 5, 5,
    // level 4: 4 x 6, 30 s
    0, 1, 1, 0,
    0, 1, 1, 0,
    13, 16, 16, 13,
    13, 16, 16, 13,
    0, 12, 12, 0,
    0, 12, 12, 0,
    // level 5: 4 x 4, 30 s
    6, 6, 7, 7,
    6, 6, 7, 7,
    2, 2, 15, 15,
    2, 2, 15, 15,
    // level 6: 6 x 2, 35 s
    9, 4, 5, 5, 4, 9,
    9, 4, 5, 5, 4, 9,
    // level 7: 4 x 4, 35 s
    3, 3, 3, 3,
    3, 11, 11, 3,
    3, 11, 11, 3,
    3, 3, 3, 3,
    // level 8: 2 x 6, 40 s
    8, 8,
    6, 6,
    14, 14,
    14, 14,
    6, 6,
    8, 8,
    // level 9: 6 x 6, 70 s
    0, 0, 13, 13, 15, 15,
    0, 0, 13, 13, 15, 15,
    2, 2, 4, 4, 0, 0,
    2, 2, 4, 4, 0, 0,
    7, 7, 0, 0, 0, 0,
    7, 7, 0, 0, 0, 0,
    // level 10: 6 x 6, 75 s
    2, 4, 14, 0, 0, 0,
    4, 4, 14, 0, 0, 0,
    14, 14, 14, 0, 0, 0,
    0, 0, 0, 14, 14, 14,
    0, 0, 0, 14, 4, 4,
    0, 0, 0, 14, 4, 2,
    // level 11: 6 x 6, 80 s
    8, 13, 12, 1, 1, 1,
    8, 13, 12, 1, 1, 1,
    8, 8, 0, 0, 1, 1,
    0, 0, 0, 0, 12, 12,
    0, 0, 0, 8, 13, 13,
    0, 0, 0, 8, 8, 8,
    // level 12: 6 x 6, 110 s
    1, 1, 1, 13, 13, 13,
    5, 5, 1, 13, 13, 13,
    3, 3, 3, 4, 4, 6,
    3, 3, 3, 4, 4, 6,
    3, 3, 3, 11, 11, 6,
    3, 3, 3, 11, 11, 6,
    // level 13: 6 x 6, 120 s
    3, 3, 0, 0, 0, 0,
    3, 4, 4, 10, 0, 0,
    0, 4, 5, 5, 0, 0,
    0, 10, 5, 6, 6, 0,
    0, 0, 0, 6, 7, 7,
    0, 0, 0, 0, 7, 8,
    // level 14: 6 x 6, 240 s
    10, 4, 2, 2, 4, 10,
    4, 9, 13, 13, 9, 4,
    5, 9, 14, 15, 9, 11,
    5, 9, 15, 14, 9, 11,
    4, 9, 12, 12, 9, 4,
    10, 4, 7, 7, 4, 10,
    // level 15: 6 x 6, 240 s
    1, 3, 7, 7, 3, 1,
    4, 9, 9, 9, 9, 4,
    2, 9, 0, 0, 9, 2,
    3, 9, 0, 0, 9, 3,
    4, 9, 9, 9, 9, 4,
    1, 3, 7, 7, 3, 1,
    // level 16: 7 x 7, 90 s
    5, 3, 9, 9, 9, 3, 5,
    5, 5, 5, 5, 5, 5, 5,
    5, 3, 4, 5, 4, 3, 5,
    0, 0, 4, 5, 4, 0, 0,
    0, 0, 4, 5, 4, 0, 0,
    0, 0, 9, 5, 9, 0, 0,
    0, 0, 5, 5, 5, 0, 0,
    // level 17: 8 x 8, 70 s
    0, 0, 9, 9, 9, 9, 0, 0,
    0, 0, 9, 7, 7, 9, 0, 0,
    6, 6, 0, 9, 9, 0, 6, 6,
    9, 7, 9, 8, 8, 9, 7, 9,
    9, 7, 9, 8, 8, 9, 7, 9,
    6, 6, 0, 9, 9, 0, 6, 6,
    0, 0, 9, 7, 7, 9, 0, 0,
    0, 0, 9, 9, 9, 9, 0, 0,
    // level 18: 6 x 6, 80 s
    8, 13, 12, 1, 3, 1,
    4, 13, 12, 1, 3, 3,
    8, 4, 0, 0, 1, 1,
    4, 4, 0, 0, 12, 12,
    0, 0, 5, 5, 13, 13,
    0, 0, 5, 8, 5, 8,
    // level 19: 8 x 8, 205 s
    5, 1, 3, 6, 6, 3, 1, 5,
    1, 1, 3, 7, 7, 3, 1, 1,
    4, 4, 9, 9, 9, 9, 4, 4,
    2, 2, 9, 0, 0, 9, 2, 2,
    3, 3, 9, 0, 0, 9, 3, 3,
    4, 4, 9, 9, 9, 9, 4, 4,
    1, 1, 3, 7, 7, 3, 1, 1,
    5, 1, 3, 6, 6, 3, 1, 5,
    // level 20: 4 x 4, 280 s
    1, 2, 3, 4,
    2, 10, 11, 5,
    3, 12, 10, 6,
    4, 9, 8, 7,
    // level 21: 6 x 6, 90 s
    0, 0, 0, 0, 10, 10,
    0, 0, 0, 15, 15, 15,
    0, 0, 9, 9, 10, 10,
    0, 7, 7, 8, 8, 8,
    1, 2, 3, 14, 15, 16,
    1, 2, 3, 14, 15, 0,
    // level 22: 8 x 8, 200 s
    0, 0, 13, 15, 15, 13, 0, 0,
    0, 0, 13, 14, 14, 13, 0, 0,
    2, 4, 0, 9, 9, 0, 5, 3,
    2, 2, 9, 7, 8, 9, 2, 3,
    2, 3, 9, 8, 7, 9, 3, 3,
    2, 4, 6, 6, 6, 6, 4, 3,
    2, 1, 0, 1, 11, 0, 11, 3,
    0, 0, 0, 12, 12, 0, 0, 0,
    // level 23: 5 x 5, 130 s
    1, 2, 3, 4, 5,
    2, 10, 11, 12, 6,
    3, 11, 15, 13, 7,
    4, 12, 13, 14, 8,
    5, 6, 7, 8, 9,
    // level 24: 8 x 8, 155 s
    0, 0, 0, 0, 0, 0, 7, 7,
    0, 0, 0, 0, 0, 11, 10, 7,
    0, 0, 0, 0, 14, 11, 10, 7,
    0, 0, 0, 15, 15, 11, 10, 7,
    0, 0, 13, 15, 10, 8, 8, 7,
    0, 12, 12, 12, 2, 0, 3, 7,
    6, 9, 9, 9, 2, 3, 4, 5,
    6, 6, 6, 6, 6, 6, 5, 0,
    // level 25: 8 x 8, 240 s
    0, 0, 0, 0, 0, 0, 2, 1,
    0, 0, 0, 0, 0, 4, 3, 2,
    0, 0, 10, 8, 0, 3, 4, 0,
    0, 0, 8, 9, 3, 0, 5, 6,
    0, 0, 0, 3, 7, 5, 7, 5,
    0, 4, 3, 0, 5, 12, 12, 0,
    2, 3, 4, 5, 7, 12, 15, 11,
    1, 2, 0, 6, 5, 0, 11, 1,
    // level 26: 8 x 8, 230 s
    0, 0, 0, 11, 11, 0, 0, 0,
    0, 0, 1, 12, 12, 1, 0, 0,
    0, 13, 6, 2, 2, 6, 13, 0,
    3, 8, 15, 9, 9, 15, 8, 3,
    8, 3, 0, 7, 4, 0, 3, 8,
    0, 0, 0, 3, 7, 0, 0, 0,
    0, 0, 4, 7, 2, 4, 0, 0,
    0, 0, 5, 1, 7, 5, 0, 0,
    // level 27: 6 x 8, 280 s
    9, 8, 8, 8, 9, 0,
    2, 3, 5, 5, 3, 9,
    4, 5, 0, 0, 5, 10,
    2, 3, 5, 5, 3, 9,
    1, 6, 8, 8, 9, 0,
    1, 6, 0, 0, 0, 0,
    1, 6, 0, 0, 0, 0,
    9, 9, 0, 0, 0, 0,
    // level 28: 8 x 5, 135 s
    0, 0, 0, 1, 2, 0, 0, 0,
    0, 0, 3, 6, 8, 7, 0, 0,
    0, 5, 3, 6, 8, 7, 2, 0,
    4, 5, 3, 6, 8, 7, 10, 9,
    4, 5, 0, 0, 0, 0, 10, 9,
    // level 29: 6 x 6, 222 s
    10, 10, 0, 0, 10, 10,
    10, 15, 8, 7, 14, 10,
    0, 5, 1, 2, 6, 0,
    0, 6, 4, 3, 5, 0,
    10, 14, 7, 8, 15, 10,
    10, 10, 0, 0, 10, 10,
    // level 30: 7 x 7, 400 s
    0, 0, 8, 11, 9, 0, 0,
    0, 7, 10, 2, 12, 10, 0,
    6, 9, 1, 0, 3, 13, 11,
    5, 8, 0, 0, 0, 4, 14,
    2, 4, 7, 0, 5, 15, 12,
    0, 1, 3, 6, 1, 13, 0,
    0, 0, 15, 2, 14, 0, 0,
    // level 31: 2 x 6, 60 s
    1, 2,
    3, 4,
    5, 15,
    7, 14,
    4, 3,
    2, 1,
    // level 32: 7 x 4, 120 s
    3, 7, 4, 0, 4, 7, 3,
    2, 1, 6, 0, 6, 1, 2,
    3, 8, 5, 1, 5, 8, 3,
    0, 0, 3, 2, 3, 0, 0,
};
// clang-format on

static_assert(std::size(kTimes) == kLevelCount && std::size(kDims) == kLevelCount &&
              std::size(kFirstCell) == kLevelCount);
static_assert(std::size(kCells) == kLevelCellCount);

// True when every picture starts where kFirstCell says, the pictures fill the cell list
// exactly, every size is 2..8 and every cell is a hole or a tile.
constexpr bool LevelDataConsistent() {
    int next = 0;
    for (int i = 0; i < kLevelCount; ++i) {
        const LevelDim d = kDims[i];
        if (kFirstCell[i] != next) return false;
        if (d.width < 2 || d.width > 8 || d.height < 2 || d.height > 8) return false;
        next += d.width * d.height;
    }
    if (next != kLevelCellCount) return false;
    for (uint8_t v : kCells) {
        if (v > 16) return false;
    }
    return true;
}
static_assert(LevelDataConsistent(), "level sizes, offsets or cell values are wrong");

constexpr LevelTable MakeLevelTable() {
    LevelTable t{};
    t.levelCount = kLevelCount;
    for (int i = 0; i < kLevelCount; ++i) {
        t.levelTimes[i] = kTimes[i];
        t.levelDims[i] = kDims[i];
    }
    for (int i = 0; i < kLevelCellCount; ++i)
        t.levelCells[i] = kCells[i];
    return t;
}

} // namespace

constexpr LevelTable levelTable = MakeLevelTable();

const char* const LevelCodes[kLevelCodeCount + 1] = {"plank", "ruvok", "mezzo", "tx4q8",
                                                     "lirum", "9ombi", "fesko", nullptr};
