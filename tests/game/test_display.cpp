// What reaches the display: after every frame and every wait of the blocking effects it shows
// the screen exactly, at every scale; and the pointer is read in the game's coordinates.
#include "game_fixture.h"

#include <cstring>

// Opens the window again at scale n, with the title picture in the new back buffer.
static void UseScale(int n) {
    static const std::string title(static_cast<char*>(backBuffer->pixels), 640 * 480 * 2);
    klmr_DisplaySetScale(n);
    ASSERT_EQ(klmr_OpenScreen(SDL_HWPALETTE), 1);
    memcpy(backBuffer->pixels, title.data(), title.size());
}

TEST_F(GameTest, TheDisplayShowsTheScreenAfterEveryFrameAndEveryWaitAtEveryScale) {
    for (int n : {1, 2, 3}) {
        UseScale(n);
        SetUp();
        int looks = 0;
        fakeclock::OnDelay([&] {
            ++looks;
            EXPECT_TRUE(sdlspy::Shows(screen)) << "scale " << n << ", look " << looks;
        });
        Press({kKeyDown, kKeyDown, kKeyDown}, 40), Press({'f'});                 // the bar glides
        Press({kKeyUp, kKeyUp, kKeyEnter}, 2), Press({kKeyEscape}, 2);           // HiScores
        Press({kKeyDown, kKeyEnter}, 2), Button(SDL_BUTTON_LEFT, 0, 0), Step(2); // About
        loop.menuSelection = 0;
        auto turns = StartAndScramble(); // intro, scramble, turns, count-up, the next intro
        UndoAllButLastFrame(turns, loop.levelStartTime + loop.puzzle.timeLimit - 12);
        StartAndScramble(-1);
        loop.newEntry.score = 500; // time out, name entry, HiScores
        fakeclock::SetTime(loop.levelStartTime + loop.puzzle.timeLimit);
        Step(2), Type("ada", 2), Press({kKeyEnter}, 2), Press({kKeyEscape}, 2);
        for (int item : {1, 2, 0, 3}) { // a click on each item, in window coordinates
            Motion(320, menuTextY[item] + 1);
            Button(SDL_BUTTON_LEFT, 320, menuTextY[item] + 1);
            EXPECT_EQ(Step(), item != 3) << "Exit ends the loop";
            EXPECT_EQ(loop.gameState, GameState(item)) << "scale " << n;
            Press({kKeyEscape}, 2);
        }
        EXPECT_GT(looks, 300) << "scale " << n;
    }
    UseScale(1);
}

TEST(Options, TheScaleIsTheOnlyArgument) {
    // The arguments, and the scale they give (-1: a usage error).
    const char* lines[] = {
        "",          "--scale 2", "--scale=3", "--scale auto", "--scale 1", "--scale 4",
        "--scale 0", "--scale=",  "--scale",   "--scale 2 2",  "--help"};
    const int scales[] = {1, 2, 3, kScaleAuto, 1, -1, -1, -1, -1, -1, -1};
    for (int i = 0; i < 11; ++i) {
        char line[16], *argv[4] = {line}; // argv[0] is not read
        snprintf(line, sizeof line, "%s", lines[i]);
        int argc = 1, scale = -1;
        for (char* w = strtok(line, " "); w != nullptr; w = strtok(nullptr, " "))
            argv[argc++] = w;
        EXPECT_EQ(klmr_ParseArgs(argc, argv, &scale) ? scale : -1, scales[i]) << lines[i];
    }
}
