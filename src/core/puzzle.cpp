// Loading a level into a board, and the Puzzle: the level being played and its target picture.
#include "puzzle.h"

#include <cstring>

int klmr_BoardLoadLevel(Board* board, uint8_t i) {
    if (board == nullptr) return -2;
    if (i >= levelTable.levelCount) return -1;
    memset(board, 0, sizeof *board);
    int start = 0;
    for (int l = 0; l < i; ++l)
        start += levelTable.levelDims[l].width * levelTable.levelDims[l].height;
    // The table is stored row by row and the board column by column: the copy transposes the
    // storage, not the picture.
    const LevelDim d = levelTable.levelDims[i];
    for (int y = 0; y < d.height; ++y) {
        for (int x = 0; x < d.width; ++x)
            board->cells[x][y] = levelTable.levelCells[start + y * d.width + x];
    }
    board->width = d.width;
    board->height = d.height;
    return 0;
}

void klmr_PuzzleInit(Puzzle* /*puzzle*/) {}

void klmr_PuzzleFree(Puzzle* /*puzzle*/) {}

namespace {

void LoadPuzzleLevel(Puzzle* puzzle) {
    klmr_BoardLoadLevel(&puzzle->target, puzzle->level);
    klmr_BoardLoadLevel(&puzzle->current, puzzle->level);
    puzzle->timeLimit = levelTable.levelTimes[puzzle->level];
}

} // namespace

int klmr_PuzzleStart(Puzzle* puzzle, uint8_t i) {
    if (puzzle == nullptr) return -1;
    puzzle->level = i < levelTable.levelCount ? i : 0;
    LoadPuzzleLevel(puzzle);
    return 0;
}

int klmr_PuzzleNextLevel(Puzzle* puzzle) {
    if (puzzle == nullptr) return -2;
    // level counts on as an 8-bit value: past the last level it reads 32, 33, ... and after
    // 255 it wraps to 0, which loads level 0 again.
    puzzle->level = static_cast<uint8_t>(puzzle->level + 1);
    if (puzzle->level >= levelTable.levelCount) return 2;
    LoadPuzzleLevel(puzzle);
    return 0;
}

bool klmr_PuzzleSolved(const Puzzle* puzzle) {
    return puzzle != nullptr && klmr_BoardCompare(&puzzle->target, &puzzle->current) == 0;
}

uint8_t klmr_PuzzleLevel(const Puzzle* puzzle) {
    return puzzle == nullptr ? 0 : puzzle->level;
}
