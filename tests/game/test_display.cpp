// What reaches the display: after every frame and every wait of the blocking effects it shows
// the screen exactly, whatever the game asked to update.
#include "game_fixture.h"

// Opens the window again at scale n, with the title picture in the new back buffer.
static void UseScale(int n) {
    static const std::string title(static_cast<char*>(backBuffer->pixels), 640 * 480 * 2);
    klmr_DisplaySetScale(n);
    ASSERT_EQ(klmr_OpenScreen(SDL_HWPALETTE), 1);
    memcpy(backBuffer->pixels, title.data(), title.size());
}

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
        {"a click on each menu item, in window coordinates",
         [](int n) {
             for (int item : {1, 2, 0, 3}) { // Exit last: its frame ends the loop
                 Motion(320 * n, (menuTextY[item] + 1) * n);
                 Button(SDL_BUTTON_LEFT, 320 * n, (menuTextY[item] + 1) * n);
                 EXPECT_EQ(Step(), item != 3);
                 EXPECT_EQ(loop.gameState, GameState(item)) << "scale " << n;
                 Press({kKeyEscape}, 2);
             }
         }},
    };
    for (int n : {1, 2, 3}) {
        UseScale(n);
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
    UseScale(1);
}

TEST(Options, TheScaleIsTheOnlyArgument) {
    const std::pair<std::vector<const char*>, int> cases[] = {
        // -1: a usage error
        {{"kelmora"}, 1},
        {{"kelmora", "--scale", "2"}, 2},
        {{"kelmora", "--scale=3"}, 3},
        {{"kelmora", "--scale", "auto"}, kScaleAuto},
        {{"kelmora", "--scale", "1"}, 1},
        {{"kelmora", "--scale", "4"}, -1},
        {{"kelmora", "--scale", "0"}, -1},
        {{"kelmora", "--scale", "2x"}, -1},
        {{"kelmora", "--scale="}, -1},
        {{"kelmora", "--scale"}, -1},
        {{"kelmora", "--scale", "2", "2"}, -1},
        {{"kelmora", "--help"}, -1}};
    for (const auto& [args, want] : cases) {
        int scale = -1;
        EXPECT_EQ(klmr_ParseArgs(int(args.size()), args.data(), &scale) ? scale : -1, want)
            << args.back();
    }
}
