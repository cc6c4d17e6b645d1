// The main loop on the menu and the screens it opens: keys, pointer, glide, codes, test mode.
#include "game_fixture.h"

TEST_F(GameTest, MenuFramesFKeyFrameCounterUpDownLimitsAndBarGlide) {
    ASSERT_TRUE(Step());
    EXPECT_EQ(loop.stateRedraw, 0);
    EXPECT_TRUE(ScreenShown());
    const uint64_t asked = klmr_DisplayStats().requested;
    ASSERT_TRUE(Step());
    EXPECT_EQ(klmr_DisplayStats().requested - asked, 640u * 110) << "the bottom strip alone";
    ASSERT_TRUE(Press({'f'}));
    EXPECT_TRUE(ScreenShown());
    ASSERT_TRUE(Step(326) && loop.frameCounter == 329 && Step() && loop.frameCounter == 0);
    EXPECT_EQ(fakeclock::TotalDelayMs(), 330u * 5);
    Press({kKeyUp});
    EXPECT_EQ(loop.menuSelection, 0);
    for (int i = 0; i < 5; ++i)
        Key(kKeyDown);
    for (int y = loop.selectBarY; y != menuBarY[3]; y = loop.selectBarY) {
        int left = menuBarY[3] - y;
        Step();
        ASSERT_EQ(loop.selectBarY - y, left > 20 ? 4 : left > 15 ? 3 : left > 9 ? 2 : 1) << left;
    }
    EXPECT_EQ(loop.menuSelection, 3);
}

// HiScores, About and Exit opened by Enter or by a left click in the column (the last pointer
// motion, not the click, chooses the item), and left by Escape, Enter or any button, also in the
// poll that opened them; Exit only so, since its first frame ends the loop.
TEST_F(GameTest, EachScreenOpensByEnterOrClickAndEveryWayLeadsBack) {
    Motion(0, 0); // where the pointer rests at start-up
    for (int item = 1; item <= 3; ++item)
        for (bool click : {false, true})
            for (int way : {kKeyEscape, kKeyEnter, -SDL_BUTTON_LEFT, -SDL_BUTTON_WHEELDOWN})
                for (bool samePoll : {true, false}) {
                    if (item == 3 && !samePoll) continue;
                    SCOPED_TRACE(testing::Message() << item << click << way << samePoll);
                    sdlspy::Reset();
                    loop.menuSelection = click ? 0 : item;
                    if (click) Motion(320, menuTextY[item] + 1);
                    click ? Button(SDL_BUTTON_LEFT, 320, menuTextY[0] + 1) : Key(kKeyEnter);
                    if (!samePoll) {
                        ASSERT_TRUE(Step());
                        EXPECT_EQ(loop.gameState, static_cast<GameState>(item));
                        EXPECT_EQ(loop.stateRedraw, 0);
                        EXPECT_TRUE(ScreenShown());
                    }
                    way > 0 ? Key(way) : Button(-way, 0, 0);
                    ASSERT_TRUE(Step());
                    EXPECT_EQ(loop.gameState, GameState::Menu);
                    EXPECT_EQ(loop.stateRedraw, 0) << "the menu drew itself";
                    EXPECT_EQ(Plays(kSoundClick), click ? 1 : 0);
                }
}

TEST_F(GameTest, ExitEscapeOnTheMenuAndWindowCloseEndTheLoopLeavingLaterEventsQueued) {
    loop.menuSelection = 3;
    EXPECT_FALSE(Press({kKeyEnter}));
    EXPECT_EQ(loop.gameState, GameState::Exit);
    klmr_LoopReset(&loop);
    EXPECT_FALSE(Press({kKeyEscape, kKeyDown}));
    EXPECT_EQ(Drain(), 1);
    ASSERT_TRUE(Press({kKeyEnter}, 3)); // Start
    Push({.type = SDL_QUIT});
    EXPECT_FALSE(Press({kKeyEscape}));
    EXPECT_EQ(loop.gameState, GameState::Play);
    EXPECT_EQ(loop.animStep, 4) << "the frame step still ran";
    EXPECT_EQ(Drain(), 1);
}

// Keys outside 0..9 and a..z do not break a code; a wrong digit or letter does. A code typed
// during play changes only the next Start. (A left click in the menu column starts too.)
TEST_F(GameTest, LevelCodesChooseTheNextStartLevel) {
    Type("ruvok");
    EXPECT_EQ(loop.startLevel, 5);
    Press({'f', 'e', 's', 'k', kKeyUp, SDLK_LSHIFT});
    Type("oruv1ok");
    EXPECT_EQ(loop.startLevel, 30);
    Type("tx4q8");
    Motion(320, menuTextY[0]);
    Button(SDL_BUTTON_LEFT, 320, menuTextY[0]); // Start
    Type("lirum");
    EXPECT_EQ(klmr_PuzzleLevel(&loop.puzzle), 15);
    EXPECT_EQ(Plays(kSoundClick), 1) << "the Start click; a level code gives no sound";
    Press({kKeyEscape, kKeyEnter});
    EXPECT_EQ(klmr_PuzzleLevel(&loop.puzzle), 20);
}

// Typed again, the code repeats everything. Its text goes on the screen and into the back
// buffer, so it stays on every screen restored from there.
TEST_F(GameTest, TestModeCodeClicksPrintsAndWritesItsTextIntoTheBackBuffer) {
    auto top = [](SDL_Surface* s) {
        return std::string(static_cast<char*>(s->pixels), 40 * s->pitch);
    };
    std::string title = top(backBuffer);
    for (int i = 1; i <= 2; ++i) {
        testing::internal::CaptureStdout();
        Type("qzmek");
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "\ntest mode ON\n\n");
        EXPECT_EQ(testMode, 1);
        EXPECT_EQ(Plays(kSoundClick), i);
    }
    EXPECT_NE(top(backBuffer), title);
    EXPECT_EQ(top(screen), top(backBuffer));
    Press({kKeyDown, kKeyEnter}); // HiScores
    EXPECT_EQ(top(screen), top(backBuffer));
}

// SDL's first report of where the pointer rests, and later reports at that place, choose
// nothing: Enter under a pointer resting over Exit starts level 1. The first real movement
// chooses, and from then on every one does.
TEST_F(GameTest, APointerRestingOverExitChoosesNothingUntilItMoves) {
    Motion(320, 290);
    ASSERT_TRUE(Press({kKeyEnter}));
    EXPECT_EQ(loop.gameState, GameState::Play);
    Press({kKeyEscape});
    std::vector<int> chosen;
    for (int y : {290, 200, 290}) {
        Motion(320, y);
        ASSERT_TRUE(Step());
        chosen.push_back(loop.menuSelection);
    }
    EXPECT_EQ(chosen, (std::vector<int>{0, 1, 3}));
}
