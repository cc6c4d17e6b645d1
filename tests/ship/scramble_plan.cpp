// ship_scramble_plan: replays the game's random draws for a known seed and prints the mouse
// clicks that undo the scramble of each level, for the end-to-end tests.
//   ship_scramble_plan <seed> <first level index> <levels> <tile width> <tile height>
// The game seeds rand() with time() once at start-up and draws one number (the bouncing tile)
// before any scramble; every later draw is a scramble's. Output, per level:
//   level <number shown> <width> <height>
//   click <x> <y> <button>      window coordinates; button 1 turns counter-clockwise, 3 clockwise
// The clicks stop as soon as the board equals the picture, as the game would end the level.
#include "puzzle.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

struct Turn {
    uint8_t x;
    uint8_t y;
    int direction;
};

// The playing board is centred on (490, 266); the block at (bx, by) is chosen by pointing at
// the corner its four tiles share.
constexpr int kBoardCentreX = 490;
constexpr int kBoardCentreY = 266;

bool ParseInt(const char* text, long low, long high, long* out) {
    char* end = nullptr;
    const long v = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || v < low || v > high) return false;
    *out = v;
    return true;
}

} // namespace

int main(int argc, char** argv) {
    long seed = 0, first = 0, levels = 0, tileW = 0, tileH = 0;
    if (argc != 6 || !ParseInt(argv[1], 0, 0xffffffffL, &seed) ||
        !ParseInt(argv[2], 0, kLevelCount - 1, &first) ||
        !ParseInt(argv[3], 1, kLevelCount, &levels) || !ParseInt(argv[4], 1, 200, &tileW) ||
        !ParseInt(argv[5], 1, 200, &tileH)) {
        std::fprintf(stderr, "usage: ship_scramble_plan <seed> <first level index> <levels> "
                             "<tile width> <tile height>\n");
        return 2;
    }
    std::srand(static_cast<unsigned>(seed));
    (void)std::rand(); // the bouncing tile

    Puzzle puzzle{};
    if (klmr_PuzzleStart(&puzzle, static_cast<uint8_t>(first)) != 0) return 1;
    for (long n = 0; n < levels; ++n) {
        Board& board = puzzle.current;
        std::vector<Turn> turns;
        for (int i = 0; i < board.width * board.height; ++i) {
            Turn t{};
            t.direction = klmr_ScrambleStep(&board, &t.x, &t.y);
            if (t.direction >= 0) turns.push_back(t);
        }
        const int left = kBoardCentreX - board.width * tileW / 2;
        const int top = kBoardCentreY - board.height * tileH / 2;
        std::printf("level %d %d %d\n", klmr_PuzzleLevel(&puzzle) + 1, board.width, board.height);
        for (auto it = turns.rbegin(); it != turns.rend() && !klmr_PuzzleSolved(&puzzle); ++it) {
            const int8_t undo = it->direction == 1 ? 0 : 1;
            klmr_RotateBlock(&board, it->x, it->y, undo);
            std::printf("click %ld %ld %d\n", left + (it->x + 1) * tileW, top + (it->y + 1) * tileH,
                        undo == 0 ? 1 : 3);
        }
        if (!klmr_PuzzleSolved(&puzzle)) {
            std::fprintf(stderr, "ship_scramble_plan: the replay does not solve level %d\n",
                         klmr_PuzzleLevel(&puzzle) + 1);
            return 1;
        }
        if (n + 1 < levels && klmr_PuzzleNextLevel(&puzzle) != 0) break;
    }
    return 0;
}
