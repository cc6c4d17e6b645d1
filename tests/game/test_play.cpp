// The play state through the main loop: scramble, turns, clock, level ends, Escape, test mode.
#include "game_fixture.h"

#include "clock.h"
#include "displays.h"
#include "screen.h"
#include "states.h"

#include <cstring>

using namespace gametest;

namespace {

// Starts a run at the given level index from the menu and plays its intro and scramble.
std::vector<Turn> StartAndScramble(uint8_t level = 0) {
    Loop().startLevel = level;
    PushKey(kKeyEnter);
    return RunScramble();
}

bool SameBoard(const Board& a, const Board& b) {
    return klmr_BoardCompare(&a, &b) == 0;
}

time_t LevelEndTime() {
    return Loop().levelStartTime + static_cast<time_t>(Loop().puzzle.timeLimit);
}

} // namespace

TEST_F(GameTest, LevelOneIsScrambledBy8AnimatedTurnsOver80Frames) {
    PushKey(kKeyEnter);
    ASSERT_TRUE(Step());
    EXPECT_TRUE(WholeScreenUpdated()) << "the intro frame flips";
    EXPECT_EQ(Loop().stateRedraw, 1);
    int frames = 1;
    while (Loop().stateRedraw) {
        int px = 0;
        int py = 0;
        BlockPoint(1, 0, &px, &py);
        PushMotion(px, py); // clicks during the scramble do nothing
        PushButton(SDL_BUTTON_LEFT, px, py);
        ASSERT_TRUE(Step());
        EXPECT_EQ(Loop().rotating, 0);
        ASSERT_LE(++frames, 80);
    }
    EXPECT_EQ(frames, 80);
    EXPECT_EQ(SwapPlays(), 8);
    EXPECT_EQ(Loop().newEntry.level, 1);
    EXPECT_EQ(Loop().hoverValid, 0) << "the cursor waits for the pointer to move";
    EXPECT_EQ(Loop().levelStartTime, klmr_Time());
    EXPECT_FALSE(SameBoard(Loop().puzzle.current, Loop().puzzle.target));
}

TEST_F(GameTest, ScrambleReplayedBackwardsSolvesTheLevel) {
    auto turns = StartAndScramble();
    ASSERT_EQ(turns.size(), 8u);
    UndoAllButLastFrame(turns);
    EXPECT_TRUE(SameBoard(Loop().puzzle.current, Loop().puzzle.target));
    EXPECT_EQ(Loop().rotating, 1) << "the completing turn is still on its last frame";
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 0);
    Step();
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 1) << "solved after the turn's last frame";
}

TEST_F(GameTest, SolvingWithTwelveSecondsLeftCountsThemIntoTheScore) {
    auto turns = StartAndScramble();
    Loop().newEntry.score = 100;
    UndoAllButLastFrame(turns, LevelEndTime() - 12);
    ASSERT_EQ(Loop().timeLeft, 12);
    size_t mark = fakeclock::Delays().size();
    sdlspy::Reset();
    ASSERT_TRUE(Step());

    EXPECT_EQ(ClickPlays(), 13);
    std::vector<uint32_t> expected(13, 40);
    expected.push_back(500);
    EXPECT_EQ(WaitsSince(mark), expected);
    EXPECT_EQ(Loop().newEntry.score, 112u);
    EXPECT_EQ(Loop().gameState, GameState::Play);
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 1);
    EXPECT_EQ(Loop().stateRedraw, 1);
    EXPECT_EQ(Loop().animStep, 0);
    EXPECT_TRUE(WholeScreenUpdated());

    // Level 2's intro and scramble follow; the entry records level 2 once it is scrambled.
    auto next = RunScramble();
    EXPECT_EQ(next.size(),
              static_cast<size_t>(Loop().puzzle.current.width * Loop().puzzle.current.height));
    EXPECT_EQ(Loop().newEntry.level, 2);
}

TEST_F(GameTest, TurnCompletedAsTheTimeRunsOutCountsAsSolvedWithoutCountUp) {
    auto turns = StartAndScramble();
    Loop().newEntry.score = 30;
    std::vector<Turn> allButLast(turns.begin() + 1, turns.end());
    for (auto it = allButLast.rbegin(); it != allButLast.rend(); ++it)
        if (it->dir >= 0)
            TurnBlock(it->x, it->y, it->dir == 1 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT);
    ASSERT_EQ(Loop().gameState, GameState::Play);
    fakeclock::SetTime(LevelEndTime());
    size_t mark = fakeclock::Delays().size();
    ASSERT_GE(turns[0].dir, 0);
    TurnBlock(turns[0].x, turns[0].y, turns[0].dir == 1 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT);
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 1);
    EXPECT_EQ(Loop().newEntry.score, 30u);
    EXPECT_TRUE(WaitsSince(mark).empty());
}

TEST_F(GameTest, TurnsByButtonOneAndThreeAndOtherButtonsRepeatTheDirection) {
    StartAndScramble();
    Board expected = Loop().puzzle.current;
    ASSERT_TRUE(klmr_BlockValid(&expected, 0, 0));

    TurnBlock(0, 0, SDL_BUTTON_RIGHT);
    klmr_RotateBlock(&expected, 0, 0, 1);
    EXPECT_TRUE(SameBoard(Loop().puzzle.current, expected)) << "button 3 turns clockwise";
    TurnBlock(0, 0, SDL_BUTTON_MIDDLE);
    klmr_RotateBlock(&expected, 0, 0, 1);
    EXPECT_TRUE(SameBoard(Loop().puzzle.current, expected)) << "button 2 repeats clockwise";
    TurnBlock(0, 0, SDL_BUTTON_LEFT);
    klmr_RotateBlock(&expected, 0, 0, 0);
    EXPECT_TRUE(SameBoard(Loop().puzzle.current, expected)) << "button 1 counter-clockwise";
    TurnBlock(0, 0, SDL_BUTTON_WHEELUP);
    klmr_RotateBlock(&expected, 0, 0, 0);
    EXPECT_TRUE(SameBoard(Loop().puzzle.current, expected)) << "the wheel repeats";
    EXPECT_EQ(SwapPlays(), 8 + 4);
}

TEST_F(GameTest, ClicksDuringATurnOrAwayFromABlockDoNothing) {
    StartAndScramble();
    Board before = Loop().puzzle.current;
    PushButton(SDL_BUTTON_LEFT, 10, 10); // no pointer motion since the scramble
    PushMotion(5, 5);                    // outside the board
    PushButton(SDL_BUTTON_LEFT, 5, 5);
    Step(3);
    EXPECT_EQ(Loop().rotating, 0);
    EXPECT_TRUE(SameBoard(Loop().puzzle.current, before));

    int px = 0;
    int py = 0;
    BlockPoint(0, 0, &px, &py);
    PushMotion(px, py);
    PushButton(SDL_BUTTON_LEFT, px, py);
    Step(3);
    PushButton(SDL_BUTTON_LEFT, px, py); // ignored: the turn is animating
    Step(7);
    EXPECT_EQ(Loop().rotating, 0);
    klmr_RotateBlock(&before, 0, 0, 0);
    EXPECT_TRUE(SameBoard(Loop().puzzle.current, before));
    EXPECT_EQ(SwapPlays(), 8 + 1);
}

TEST_F(GameTest, TimeOutShowsItsBannerForSixSecondsThenTheMenu) {
    StartAndScramble();
    fakeclock::SetTime(LevelEndTime());
    ASSERT_TRUE(Step());
    EXPECT_EQ(Loop().timeLeft, 0);
    EXPECT_EQ(Loop().gameState, GameState::Play) << "the time out comes one frame later";
    size_t mark = fakeclock::Delays().size();
    sdlspy::Reset();
    ASSERT_TRUE(Step());
    EXPECT_EQ(WaitsSince(mark), std::vector<uint32_t>{6000});
    EXPECT_EQ(ClickPlays(), 0);
    EXPECT_EQ(Loop().gameState, GameState::Menu) << "score 0 does not qualify";
    EXPECT_EQ(Loop().stateRedraw, 1);
    EXPECT_TRUE(WholeScreenUpdated());
    Step();
    EXPECT_EQ(Loop().stateRedraw, 0);
}

TEST_F(GameTest, TimeOutWithAQualifyingScoreAsksForTheName) {
    StartAndScramble();
    Loop().newEntry.score = 55;
    strcpy(Loop().typedName, "OLD");
    fakeclock::SetTime(LevelEndTime() + 3);
    Step(2);
    EXPECT_EQ(Loop().gameState, GameState::NameEntry);
    EXPECT_STREQ(Loop().typedName, "");
    EXPECT_EQ(Loop().newEntry.score, 55u);
    EXPECT_EQ(Loop().newEntry.level, 1);
}

TEST_F(GameTest, SolvingTheLastLevelShowsTheCongratulationThenNameEntry) {
    auto turns = StartAndScramble(31);
    EXPECT_EQ(turns.size(), 28u) << "level 32 is 7 x 4";
    UndoAllButLastFrame(turns, LevelEndTime() - 20);
    size_t mark = fakeclock::Delays().size();
    ASSERT_TRUE(Step());
    std::vector<uint32_t> expected(21, 40);
    expected.push_back(500);
    expected.push_back(6000);
    EXPECT_EQ(WaitsSince(mark), expected);
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 32);
    EXPECT_EQ(Loop().newEntry.score, 20u);
    EXPECT_EQ(Loop().newEntry.level, 32);
    EXPECT_EQ(Loop().gameState, GameState::NameEntry);
}

TEST_F(GameTest, EscapeDuringTheFirstScrambleReturnsToTheMenu) {
    PushKey(kKeyEnter);
    Step(20);
    sdlspy::Reset();
    PushKey(kKeyEscape);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::Menu);
    EXPECT_EQ(Loop().newEntry.score, 0u);
    EXPECT_EQ(Loop().newEntry.level, 0);
    EXPECT_TRUE(WholeScreenUpdated());
    EXPECT_EQ(Loop().stateRedraw, 0) << "the menu drew itself in the same frame";
}

TEST_F(GameTest, EscapeWithAQualifyingScoreGoesToNameEntry) {
    StartAndScramble();
    Loop().newEntry.score = 11;
    strcpy(Loop().typedName, "OLD");
    sdlspy::Reset();
    PushKey(kKeyEscape);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::NameEntry);
    EXPECT_STREQ(Loop().typedName, "");
    EXPECT_TRUE(WholeScreenUpdated());
    EXPECT_NE(std::find(sdlspy::Updates().begin(), sdlspy::Updates().end(),
                        sdlspy::Update{screen, 120, 220, 400, 30}),
              sdlspy::Updates().end())
        << "the name line is drawn";
}

TEST_F(GameTest, EnterIsIgnoredInPlayOutsideTestMode) {
    StartAndScramble();
    PushKey(kKeyEnter);
    Step();
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 0);
    EXPECT_EQ(Loop().stateRedraw, 0);
}

TEST_F(GameTest, TestModeCountsTimeUpNeverTimesOutAndScoresTheSecondsPlayed) {
    PushKeys("qzmek");
    Step();
    auto turns = StartAndScramble();
    fakeclock::SetTime(LevelEndTime() + 100);
    Step(2);
    EXPECT_EQ(Loop().gameState, GameState::Play);
    EXPECT_EQ(Loop().timeLeft, static_cast<int32_t>(Loop().puzzle.timeLimit) + 100);

    testing::internal::CaptureStdout();
    UndoAllButLastFrame(turns, Loop().levelStartTime + 7);
    Step();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "level 1, time 7\n");
    EXPECT_EQ(Loop().newEntry.score, 7u);
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 1);
}

TEST_F(GameTest, TestModeEnterSkipsLevelsAndLeavesAfterTheLast) {
    PushKeys("qzmek");
    Step();
    Loop().startLevel = 30;
    PushKey(kKeyEnter);
    Step(5);
    PushKey(kKeyEnter); // during the scramble
    Step();
    EXPECT_EQ(klmr_PuzzleLevel(&Loop().puzzle), 31);
    EXPECT_EQ(Loop().animStep, 1) << "the next level's intro ran";
    EXPECT_EQ(Loop().newEntry.score, 0u) << "a skipped level adds nothing";
    Loop().newEntry.score = 1000; // qualifies, yet the skip past the last level does not ask
    sdlspy::Reset();
    PushKey(kKeyEnter);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::Menu);
    EXPECT_TRUE(WholeScreenUpdated());
}
