// The menu, the screens it opens, the codes, the pointer, the display at every scale, options.
#include "game_fixture.h"

#include <cstring>

TEST_F(GameTest, MenuFrameCounterFKeyAndBarGlide) {
    auto asked = [](std::initializer_list<int> keys) { // what one frame asks to update
        const uint64_t before = klmr_DisplayStats().requested;
        Press(keys);
        return klmr_DisplayStats().requested - before;
    };
    ASSERT_TRUE(Step());
    EXPECT_EQ(asked({}), 640u * 110) << "the bottom strip alone";
    EXPECT_EQ(asked({'f'}), 640u * 480);
    ASSERT_TRUE(Step(326));
    EXPECT_EQ(loop.frameCounter, 329);
    ASSERT_TRUE(Press({kKeyUp}));
    EXPECT_EQ(std::tuple(loop.frameCounter, loop.menuSelection), std::tuple(0, 0));
    EXPECT_EQ(fakeclock::TotalDelayMs(), 330u * 5);
    Press({kKeyDown, kKeyDown, kKeyDown, kKeyDown, kKeyDown}, 0);
    for (int y = loop.selectBarY; y != menuBarY[3]; y = loop.selectBarY) {
        const int left = menuBarY[3] - y;
        ASSERT_TRUE(Step());
        ASSERT_EQ(loop.selectBarY - y, left > 20 ? 4 : left > 15 ? 3 : left > 9 ? 2 : 1) << left;
    }
    EXPECT_EQ(loop.menuSelection, 3);
}

// Opened by Enter or by a left click in the column (the last motion, not the click, chooses);
// left by Escape, Enter or any button, also in the same poll (Exit only so: it ends the loop).
TEST_F(GameTest, EachScreenOpensByEnterOrClickAndEveryWayLeadsBack) {
    Mouse(0, 0, 0); // where the pointer rests at start-up
    for (int item = 1; item <= 3; ++item)
        for (bool click : {false, true})
            for (int way : {kKeyEscape, kKeyEnter, -SDL_BUTTON_LEFT, -SDL_BUTTON_WHEELDOWN})
                for (bool samePoll : {true, false}) {
                    if (item == 3 && !samePoll) continue;
                    SCOPED_TRACE(testing::Message() << item << click << way << samePoll);
                    sdlspy::Reset();
                    loop.menuSelection = click ? 0 : item;
                    if (click) Mouse(0, 320, menuTextY[item] + 1);
                    click ? Mouse(SDL_BUTTON_LEFT, 320, menuTextY[0] + 1) : Key(kKeyEnter);
                    if (!samePoll) {
                        ASSERT_TRUE(Step());
                        EXPECT_EQ(loop.gameState, GameState(item));
                    }
                    way > 0 ? Key(way) : Mouse(-way, 0, 0);
                    ASSERT_TRUE(Step());
                    EXPECT_EQ(std::tuple(loop.gameState, loop.stateRedraw, Plays(kSoundClick)),
                              std::tuple(GameState::Menu, 0, long(click)));
                }
}

TEST_F(GameTest, ExitEscapeAndWindowCloseEndTheLoopLeavingLaterEventsQueued) {
    loop.menuSelection = 3;
    EXPECT_FALSE(Press({kKeyEnter}));
    EXPECT_EQ(loop.gameState, GameState::Exit);
    klmr_LoopReset(&loop);
    EXPECT_FALSE(Press({kKeyEscape, kKeyDown}));
    EXPECT_EQ(Drain(), 1);
    ASSERT_TRUE(Press({kKeyEnter}, 3)); // Start
    Push({.type = SDL_QUIT});
    EXPECT_FALSE(Press({kKeyEscape}));
    EXPECT_EQ(std::tuple(loop.gameState, loop.animStep), std::tuple(GameState::Play, 4));
    EXPECT_EQ(Drain(), 1);
}

// Keys outside 0..9 and a..z do not break a code; a wrong digit or letter does. A code typed in
// play changes the next Start. The test-mode code, typed again, repeats everything.
TEST_F(GameTest, LevelCodesChooseTheNextStartAndTheTestModeCodeMarksTheBackBuffer) {
    Type("ruvok");
    EXPECT_EQ(loop.startLevel, 5);
    Press({'f', 'e', 's', 'k', kKeyUp, SDLK_LSHIFT});
    Type("oruv1ok");
    EXPECT_EQ(loop.startLevel, 30);
    Type("tx4q8", 0);
    Mouse(SDL_BUTTON_LEFT, 320, menuTextY[0]); // Start
    Type("lirum");
    EXPECT_EQ(klmr_PuzzleLevel(&loop.puzzle), 15);
    Press({kKeyEscape, kKeyEnter});
    EXPECT_EQ(klmr_PuzzleLevel(&loop.puzzle), 20);
    EXPECT_EQ(Plays(kSoundClick), 1) << "the Start click; a level code gives no sound";
    auto top = [](SDL_Surface* s) {
        return std::string(static_cast<char*>(s->pixels), 40 * s->pitch);
    };
    const std::string title = top(backBuffer);
    Press({kKeyEscape});
    for (long i = 2; i <= 3; ++i) {
        testing::internal::CaptureStdout();
        Type("qzmek");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "\ntest mode ON\n\n");
        EXPECT_EQ(std::tuple(int(testMode), Plays(kSoundClick)), std::tuple(1, i));
    }
    EXPECT_NE(top(backBuffer), title);
    Press({kKeyDown, kKeyEnter}); // HiScores, restored from the back buffer
    EXPECT_EQ(top(screen), top(backBuffer));
}

// The first report of where the pointer rests, and later ones at that place, choose nothing.
TEST_F(GameTest, APointerRestingOverExitChoosesNothingUntilItMoves) {
    std::vector<int> chosen;
    for (int y : {290, 290, 265, 290}) {
        Mouse(0, 320, y);
        ASSERT_TRUE(Step());
        chosen.push_back(loop.menuSelection);
    }
    EXPECT_EQ(chosen, (std::vector<int>{0, 0, 2, 3}));
}

// After every frame and every wait of the blocking effects the display shows the screen.
TEST_F(GameTest, TheDisplayShowsTheScreenAfterEveryFrameAndEveryWaitAtEveryScale) {
    static const std::string title(static_cast<char*>(backBuffer->pixels), 640 * 480 * 2);
    for (int n : {1, 2, 3, 0}) { // a new window, with the title picture in its back buffer
        klmr_DisplaySetScale(std::max(n, 1));
        ASSERT_EQ(klmr_OpenScreen(SDL_HWPALETTE), 1);
        memcpy(backBuffer->pixels, title.data(), title.size());
        if (n == 0) return; // back at scale 1
        SetUp();
        int looks = 0;
        fakeclock::OnDelay([&] {
            ++looks;
            EXPECT_TRUE(sdlspy::Shows(screen)) << "scale " << n << ", look " << looks;
        });
        Press({kKeyDown, kKeyDown, kKeyDown}, 40), Press({'f'});                // the bar glides
        Press({kKeyUp, kKeyUp, kKeyEnter}, 2), Press({kKeyEscape}, 2);          // HiScores
        Press({kKeyDown, kKeyEnter}, 2), Mouse(SDL_BUTTON_LEFT, 0, 0), Step(2); // About
        loop.menuSelection = 0;
        auto turns = StartAndScramble(); // intro, scramble, turns, count-up, the next intro
        UndoAllButLastFrame(turns, loop.puzzle.timeLimit - 12);
        StartAndScramble(-1);
        loop.newEntry.score = 500; // time out, name entry, HiScores
        fakeclock::SetTime(loop.levelStartTime + loop.puzzle.timeLimit);
        Step(2), Type("ada", 2), Press({kKeyEnter}, 2), Press({kKeyEscape}, 2);
        for (int item : {1, 2, 0, 3}) { // a click on each item
            Mouse(0, 320, menuTextY[item] + 1);
            Mouse(SDL_BUTTON_LEFT, 320, menuTextY[item] + 1);
            EXPECT_EQ(Step(), item != 3) << "Exit ends the loop";
            EXPECT_EQ(loop.gameState, GameState(item)) << "scale " << n;
            Press({kKeyEscape}, 2);
        }
        EXPECT_GT(looks, 300) << "scale " << n;
    }
}

TEST(Options, TheScaleIsTheOnlyArgument) {
    const std::pair<const char*, int> cases[] = {
        // the arguments; the scale, -1 a usage error
        {"", 1},          {"--scale 2", 2},    {"--scale=3", 3},  {"--scale auto", kScaleAuto},
        {"--scale 1", 1}, {"--scale 4", -1},   {"--scale 0", -1}, {"--scale=", -1},
        {"--scale", -1},  {"--scale 2 2", -1}, {"--help", -1}};
    for (auto [args, expected] : cases) {
        char line[16], *argv[4] = {line}; // argv[0] is not read
        snprintf(line, sizeof line, "%s", args);
        int argc = 1, scale = -1;
        for (char* w = strtok(line, " "); w != nullptr; w = strtok(nullptr, " "))
            argv[argc++] = w;
        EXPECT_EQ(klmr_ParseArgs(argc, argv, &scale) ? scale : -1, expected) << args;
    }
}
