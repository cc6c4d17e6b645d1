// The main loop on the menu and the screens it opens: keys, pointer, glide, codes, test mode.
#include "game_fixture.h"

#include "displays.h"
#include "screen.h"
#include "states.h"

#include <cstdlib>
#include <cstring>

using namespace gametest;

namespace {

int InsideX() {
    return selectRect.x + 5;
}

int QueuedEvents() {
    SDL_Event e[8];
    return SDL_PeepEvents(e, 8, SDL_PEEKEVENT, SDL_ALLEVENTS);
}

bool Reddish(const SDL_Surface* s, int x, int y) {
    Uint16 p =
        reinterpret_cast<const Uint16*>(static_cast<const Uint8*>(s->pixels) + y * s->pitch)[x];
    Uint8 r = 0;
    Uint8 g = 0;
    Uint8 b = 0;
    SDL_GetRGB(p, s->format, &r, &g, &b);
    return r > 200 && g < 60 && b < 80;
}

// Red text pixels in the band where "test mode ON" is written.
int RedPixelsInTestModeBand(const SDL_Surface* s) {
    int n = 0;
    for (int y = 10; y < 40; ++y)
        for (int x = 200; x < 440; ++x)
            n += Reddish(s, x, y) ? 1 : 0;
    return n;
}

} // namespace

TEST_F(GameTest, FirstMenuFrameDrawsTheMenuAndFlips) {
    ASSERT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::Menu);
    EXPECT_EQ(Loop().stateRedraw, 0);
    EXPECT_TRUE(WholeScreenUpdated());
    sdlspy::Reset();
    ASSERT_TRUE(Step());
    // An idle menu frame updates only the bouncing tiles' strip.
    ASSERT_EQ(sdlspy::Updates().size(), 1u);
    EXPECT_EQ(sdlspy::Updates()[0], (sdlspy::Update{screen, 0, 370, 640, 110}));
}

TEST_F(GameTest, EnterOpensHiScoresAboutAndExitAndEachWayBackWorks) {
    Step();
    PushKey(kKeyDown);
    PushKey(kKeyEnter);
    ASSERT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::HiScores);
    EXPECT_EQ(Loop().stateRedraw, 0);
    EXPECT_TRUE(WholeScreenUpdated());
    EXPECT_EQ(ClickPlays(), 0);

    sdlspy::Reset();
    PushKey(kKeyEscape);
    ASSERT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::Menu);
    EXPECT_TRUE(WholeScreenUpdated());

    PushKey(kKeyDown); // About
    PushKey(kKeyEnter);
    ASSERT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::About);
    PushKey(kKeyEnter);
    ASSERT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::Menu);

    PushKey(kKeyEnter);
    ASSERT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::About);
    PushButton(5, 10, 10); // a wheel button leaves as well
    ASSERT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::Menu);
    EXPECT_EQ(Loop().menuSelection, 2);

    PushKey(kKeyDown);
    PushKey(kKeyEnter);
    EXPECT_FALSE(Step()) << "Exit ends the loop at the end of its frame";
    EXPECT_EQ(Loop().gameState, GameState::Exit);
}

TEST_F(GameTest, KeysAfterExitInTheSamePollReturnToTheMenu) {
    Loop().menuSelection = 3;
    Loop().selectBarY = menuBarY[3];
    Step();
    PushKey(kKeyEnter);
    PushKey(kKeyEscape);
    EXPECT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::Menu);

    PushKey(kKeyEnter);
    PushButton(SDL_BUTTON_RIGHT, 0, 0);
    EXPECT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::Menu);
}

TEST_F(GameTest, EscapeAfterEnterInOnePollLeavesHiScoresBeforeItDraws) {
    Loop().menuSelection = 1;
    Loop().selectBarY = menuBarY[1];
    Step();
    sdlspy::Reset();
    PushKey(kKeyEnter);
    PushKey(kKeyEscape);
    ASSERT_TRUE(Step());
    EXPECT_EQ(Loop().gameState, GameState::Menu);
    EXPECT_EQ(Loop().stateRedraw, 0);
}

TEST_F(GameTest, EscapeOnTheMenuEndsTheLoopAndLeavesLaterEventsQueued) {
    Step();
    PushKey(kKeyEscape);
    PushKey(kKeyDown);
    EXPECT_FALSE(Step());
    EXPECT_EQ(Loop().menuSelection, 0);
    EXPECT_EQ(QueuedEvents(), 1);
}

TEST_F(GameTest, WindowCloseEndsTheLoopAfterTheFrameStepInAnyState) {
    PushKey(kKeyEnter); // Start
    ASSERT_TRUE(Step(3));
    int step = Loop().animStep;
    PushQuit();
    PushKey(kKeyEscape);
    EXPECT_FALSE(Step());
    EXPECT_EQ(Loop().gameState, GameState::Play);
    EXPECT_EQ(Loop().animStep, step + 1) << "the frame step still ran";
    EXPECT_EQ(QueuedEvents(), 1) << "the Escape after the close stays queued";
}

TEST_F(GameTest, UpAndDownStopAtTheEndsAndWorkOutsideTheMenu) {
    PushKey(kKeyUp);
    Step();
    EXPECT_EQ(Loop().menuSelection, 0);
    for (int i = 0; i < 5; ++i)
        PushKey(kKeyDown);
    Step();
    EXPECT_EQ(Loop().menuSelection, 3);

    Loop().menuSelection = 1;
    PushKey(kKeyEnter); // HiScores
    PushKey(kKeyUp);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::HiScores);
    EXPECT_EQ(Loop().menuSelection, 0);
    PushKey(kKeyEscape);
    Step(60);
    EXPECT_EQ(Loop().selectBarY, menuBarY[0]) << "the bar glides to the new item";
}

TEST_F(GameTest, BarGlidesFromStartToExitWithItsFourSpeeds) {
    Step();
    PushKey(kKeyDown);
    PushKey(kKeyDown);
    PushKey(kKeyDown);
    int y = Loop().selectBarY;
    for (int frame = 0; frame < 100 && y != menuBarY[3]; ++frame) {
        int remaining = menuBarY[3] - y;
        Step();
        int moved = Loop().selectBarY - y;
        int expected = remaining > 20 ? 4 : remaining >= 16 ? 3 : remaining >= 10 ? 2 : 1;
        ASSERT_EQ(moved, expected) << "with " << remaining << " pixels to go";
        y = Loop().selectBarY;
    }
    EXPECT_EQ(y, 271);
    sdlspy::Reset();
    Step();
    EXPECT_EQ(Loop().selectBarY, 271);
    EXPECT_EQ(sdlspy::Updates().size(), 1u) << "a resting bar updates nothing more";
}

TEST_F(GameTest, PointerSelectsByItsThresholdsOnlyInsideTheColumn) {
    struct Case {
        int y;
        int item;
    };
    for (Case c : {Case{145, 0}, Case{185, 0}, Case{186, 1}, Case{225, 1}, Case{226, 2},
                   Case{265, 2}, Case{266, 3}, Case{304, 3}}) {
        Loop().menuSelection = 0;
        PushMotion(InsideX(), c.y);
        Step();
        EXPECT_EQ(Loop().menuSelection, c.item) << "y " << c.y;
    }
    Loop().menuSelection = 2;
    PushMotion(selectRect.x - 1, 150);
    PushMotion(selectRect.x + selectRect.w, 150);
    PushMotion(InsideX(), 305);
    PushMotion(InsideX(), 144);
    Step();
    EXPECT_EQ(Loop().menuSelection, 2);
}

TEST_F(GameTest, LeftClickInTheColumnActivatesWithTheClickSound) {
    Step();
    PushMotion(InsideX(), 200); // HiScores
    PushButton(SDL_BUTTON_RIGHT, InsideX(), 200);
    PushButton(SDL_BUTTON_LEFT, selectRect.x - 1, 200);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::Menu);
    EXPECT_EQ(ClickPlays(), 0);

    // The pointer's last motion chose the item, not the click's position.
    PushButton(SDL_BUTTON_LEFT, InsideX(), 150);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::HiScores);
    EXPECT_EQ(ClickPlays(), 1);

    PushButton(SDL_BUTTON_LEFT, 0, 0);
    Step();
    PushMotion(InsideX(), 150);
    PushButton(SDL_BUTTON_LEFT, InsideX(), 150);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::Play);
    EXPECT_EQ(ClickPlays(), 2);
}

TEST_F(GameTest, FKeyFlipsTheWholeScreenInThatFrame) {
    Step();
    sdlspy::Reset();
    PushKey('f');
    Step();
    EXPECT_TRUE(WholeScreenUpdated());
    sdlspy::Reset();
    Step();
    EXPECT_FALSE(WholeScreenUpdated());
}

TEST_F(GameTest, FrameCounterRunsFrom0To329) {
    int highest = 0;
    for (int i = 0; i < 700; ++i) {
        Step();
        ASSERT_GE(Loop().frameCounter, 0);
        ASSERT_LT(Loop().frameCounter, 330);
        highest = std::max(highest, Loop().frameCounter);
    }
    EXPECT_EQ(highest, 329);
    EXPECT_EQ(Loop().frameCounter, 700 % 330);
    EXPECT_EQ(fakeclock::TotalDelayMs(), 700u * 5) << "5 ms a frame";
}

TEST_F(GameTest, LevelCodesChooseTheStartLevel) {
    PushKeys("ruvok");
    Step();
    EXPECT_EQ(Loop().startLevel, 5);
    PushKeys("plank");
    Step();
    EXPECT_EQ(Loop().startLevel, 0);
    PushKeys("fesk");
    PushKey(kKeyUp); // keys outside the ring do not break a code
    PushKey(SDLK_LSHIFT);
    PushKey('o');
    Step();
    EXPECT_EQ(Loop().startLevel, 30);
    PushKeys("mezz1o");
    Step();
    EXPECT_EQ(Loop().startLevel, 30) << "a wrong character enters the ring";
    PushKeys("tx4q8");
    PushKey(kKeyEnter);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::Play);
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 15);
    EXPECT_EQ(ClickPlays(), 0) << "a level code gives no sound";
}

TEST_F(GameTest, CodeTypedDuringPlayAppliesToTheNextStart) {
    PushKey(kKeyEnter);
    Step();
    PushKeys("lirum");
    Step(5);
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 0);
    EXPECT_EQ(Loop().startLevel, 20);
    PushKey(kKeyEscape);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::Menu);
    PushKey(kKeyEnter);
    Step();
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 20);
}

TEST_F(GameTest, TestModeCodeShowsTheTextPlaysTheClickAndPrints) {
    Step();
    int redBefore = RedPixelsInTestModeBand(backBuffer);
    testing::internal::CaptureStdout();
    PushKeys("qzmek");
    Step();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\ntest mode ON\n\n");
    EXPECT_EQ(testMode, 1);
    EXPECT_EQ(ClickPlays(), 1);
    EXPECT_GT(RedPixelsInTestModeBand(backBuffer), redBefore + 50);
    EXPECT_GT(RedPixelsInTestModeBand(screen), redBefore + 50);
    EXPECT_EQ(Loop().startLevel, 0);

    // Typed again it repeats everything; test mode stays on.
    testing::internal::CaptureStdout();
    PushKeys("qzmek");
    Step();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\ntest mode ON\n\n");
    EXPECT_EQ(ClickPlays(), 2);
    EXPECT_EQ(testMode, 1);
}

TEST_F(GameTest, TestModeTextStaysOnScreensRestoredFromTheBackBuffer) {
    int redBefore = RedPixelsInTestModeBand(screen);
    PushKeys("qzmek");
    Step();
    PushKey(kKeyDown);
    PushKey(kKeyEnter);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::HiScores);
    EXPECT_GT(RedPixelsInTestModeBand(screen), redBefore + 50);
}
