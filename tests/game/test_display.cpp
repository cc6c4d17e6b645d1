// What reaches the display: after every frame and every wait of the blocking effects it shows
// the screen exactly, whatever the game asked to update.
#include "game_fixture.h"

TEST_F(GameTest, TheDisplayShowsTheScreenAfterEveryFrameAndEveryWait) {
    // Each scenario starts on the menu; n is the window's scale.
    const std::pair<const char*, void (*)(int n)> scenarios[] = {
        {"menu bar gliding, f",
         [](int) {
             Press({kKeyDown, kKeyDown, kKeyDown}, 40), Press({'f'});
         }},
        {"HiScores, About",
         [](int) {
             Press({kKeyDown, kKeyEnter}, 2), Press({kKeyEscape}, 2),
                 Press({kKeyDown, kKeyEnter}, 2);
             Button(SDL_BUTTON_LEFT, 0, 0), Step(2);
         }},
        {"intro, scramble, turns, count-up, next intro",
         [](int) {
             auto turns = StartAndScramble();
             UndoAllButLastFrame(turns, loop.levelStartTime + loop.puzzle.timeLimit - 12);
             Step(3);
         }},
        {"time out, name entry",
         [](int) {
             StartAndScramble();
             loop.newEntry.score = 500;
             fakeclock::SetTime(loop.levelStartTime + loop.puzzle.timeLimit);
             Step(2), Type("ada", 2), Press({kKeyEnter}, 2);
         }},
    };
    for (int n : {1}) {
        for (auto [name, scenario] : scenarios) {
            SetUp();
            int looks = 0;
            fakeclock::OnDelay([&, name] {
                ++looks;
                EXPECT_TRUE(sdlspy::Shows(screen)) << name << " x" << n << " look " << looks;
            });
            scenario(n);
            EXPECT_GT(looks, 5) << name;
        }
    }
}
