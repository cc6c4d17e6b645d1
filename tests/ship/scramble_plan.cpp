// ship_scramble_plan: the clicks that undo level 1's scramble for a known seed of rand(), for
// the end-to-end tests:  ship_scramble_plan <seed> <tile width> <tile height>
// The game seeds rand() with time() at start-up and draws one number (the bouncing tile) before
// the scramble. One line "x y button" per click, in window coordinates; button 1 turns
// counter-clockwise, 3 clockwise. The clicks stop when the board equals the picture.
#include "puzzle.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: ship_scramble_plan <seed> <tile width> <tile height>\n");
        return 2;
    }
    std::srand(static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)));
    (void)std::rand(); // the bouncing tile
    const int tileW = std::atoi(argv[2]), tileH = std::atoi(argv[3]);
    Puzzle puzzle{};
    if (klmr_PuzzleStart(&puzzle, 0) != 0) return 1;
    Board& board = puzzle.current;
    struct Turn {
        uint8_t x, y;
        int direction;
    };
    std::vector<Turn> turns;
    for (int i = 0; i < board.width * board.height; ++i) {
        Turn t{};
        t.direction = klmr_ScrambleStep(&board, &t.x, &t.y);
        if (t.direction >= 0) turns.push_back(t);
    }
    // The board is centred on (490, 266); a block is chosen by pointing at the corner its four
    // tiles share.
    const int left = 490 - board.width * tileW / 2, top = 266 - board.height * tileH / 2;
    for (auto it = turns.rbegin(); it != turns.rend() && !klmr_PuzzleSolved(&puzzle); ++it) {
        const int8_t undo = it->direction == 1 ? 0 : 1;
        klmr_RotateBlock(&board, it->x, it->y, undo);
        std::printf("%d %d %d\n", left + (it->x + 1) * tileW, top + (it->y + 1) * tileH,
                    undo == 0 ? 1 : 3);
    }
    return klmr_PuzzleSolved(&puzzle) ? 0 : 1;
}
