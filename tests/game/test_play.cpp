// Play through the main loop: scramble, turns, clock, level ends, test mode, keys; name entry.
#include "game_fixture.h"

#include "clock.h"

TEST_F(GameTest, LevelOneIsScrambledBy8TurnsOver80FramesIgnoringClicksAndEnter) {
    int frames = 0;
    Key(kKeyEnter);
    do {
        Key(kKeyEnter); // skips a level in test mode only
        TurnBlock({1, 0, 0}, SDL_BUTTON_LEFT, 1);
        ASSERT_EQ(loop.rotating, 0);
    } while (++frames < 100 && loop.stateRedraw);
    EXPECT_EQ(std::tuple(frames, Plays(kSoundSwap), loop.newEntry.level, loop.hoverValid),
              std::tuple(80, 8L, 1, 0));
    EXPECT_EQ(klmr_PuzzleLevel(&loop.puzzle), 0);
    EXPECT_EQ(loop.levelStartTime, klmr_Time());
    EXPECT_FALSE(Same(loop.puzzle.current, loop.puzzle.target));
}

// The level ends one frame after the completing turn's last, counting the seconds left into the
// score a click and 40 ms each, then a 500 ms pause; past the last level, a 6 s congratulation.
TEST_F(GameTest, ReplayingTheScrambleBackwardsSolvesAndCountsTheSecondsLeftIntoTheScore) {
    for (auto [level, left, state] :
         {std::tuple{0, 12, GameState::Play}, {31, 20, GameState::NameEntry}}) {
        SetUp();
        auto turns = StartAndScramble(level);
        EXPECT_EQ(turns.size(), level ? 28u : 8u) << "level 32 is 7 x 4";
        loop.newEntry.score = 100;
        UndoAllButLastFrame(turns, loop.puzzle.timeLimit - left);
        EXPECT_TRUE(Same(loop.puzzle.current, loop.puzzle.target));
        Mark();
        ASSERT_TRUE(Step());
        std::vector<uint32_t> waits(left + 1, 40);
        waits.push_back(500);
        if (level) waits.push_back(6000);
        EXPECT_EQ(Waits(), waits);
        EXPECT_EQ(Plays(kSoundClick), left + 1);
        EXPECT_EQ(std::tuple(loop.newEntry.score, loop.newEntry.level, loop.gameState),
                  std::tuple(100u + left, level + 1, state));
        EXPECT_EQ(klmr_PuzzleLevel(&loop.puzzle), level + 1);
        EXPECT_TRUE(sdlspy::Shows(screen));
    }
}

// Button 1 turns counter-clockwise, button 3 clockwise, other buttons repeat the last direction;
// a click away from a block or during a turn does nothing.
TEST_F(GameTest, TurnsByButtonAndIgnoredClicks) {
    StartAndScramble();
    Board expected = loop.puzzle.current;
    Mouse(SDL_BUTTON_LEFT, 10, 10); // no pointer motion since the scramble
    TurnBlock({200, 200, 0}, SDL_BUTTON_LEFT);
    EXPECT_TRUE(Same(loop.puzzle.current, expected));
    int turns = 0;
    for (int button : {SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_LEFT, SDL_BUTTON_WHEELUP}) {
        TurnBlock({0, 0, 0}, button, 3);
        TurnBlock({1, 0, 0}, SDL_BUTTON_LEFT, 7); // during the turn
        klmr_RotateBlock(&expected, 0, 0, turns++ < 2 ? 1 : 0);
        EXPECT_TRUE(Same(loop.puzzle.current, expected)) << "button " << button;
    }
    EXPECT_EQ(Plays(kSoundSwap), 8 + 4);
}

// A run ends by Escape (here during its first scramble: the entry's level is 0) or by the time
// out, shown for 6 s one frame after the clock reached 0; a qualifying score asks for the name.
TEST_F(GameTest, EscapeOrTimeOutEndsTheRunInNameEntryOnlyWithAQualifyingScore) {
    for (bool timeOut : {false, true})
        for (auto [score, state] : {std::pair{0u, GameState::Menu}, {55u, GameState::NameEntry}}) {
            SetUp();
            Press({kKeyEnter}, timeOut ? 80 : 20);
            loop.newEntry.score = score;
            loop.typedName[0] = 'X';
            if (timeOut) fakeclock::SetTime(loop.levelStartTime + loop.puzzle.timeLimit);
            ASSERT_TRUE(Step(timeOut ? 1 : 0) && loop.gameState == GameState::Play);
            Mark();
            if (!timeOut) Key(kKeyEscape);
            ASSERT_TRUE(Step());
            EXPECT_EQ(Waits(), std::vector<uint32_t>(timeOut ? 1 : 0, 6000));
            EXPECT_EQ(std::tuple(loop.gameState, loop.newEntry.level, loop.typedName[0]),
                      std::tuple(state, timeOut ? 1 : 0, score ? '\0' : 'X'));
            EXPECT_TRUE(!score || NameBox() != NameBox(backBuffer)) << "the name line is drawn";
        }
}

// Test mode's clock counts the seconds played, which the level adds to the score; Enter skips
// a level without score, and past the last level returns to the menu without the score check.
TEST_F(GameTest, TestModeCountsTimeUpNeverTimesOutAndEnterSkipsLevels) {
    Type("qzmek");
    auto turns = StartAndScramble();
    fakeclock::SetTime(loop.levelStartTime + loop.puzzle.timeLimit + 100);
    Step(2);
    EXPECT_EQ(loop.timeLeft, static_cast<int32_t>(loop.puzzle.timeLimit) + 100);
    testing::internal::CaptureStdout();
    UndoAllButLastFrame(turns, 7);
    Step();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "level 1, time 7\n");
    EXPECT_EQ(loop.newEntry.score, 7u);
    Press({kKeyEnter}, 5); // before level 2's intro, then in level 3's scramble
    Press({kKeyEnter});
    EXPECT_EQ(klmr_PuzzleLevel(&loop.puzzle), 3);
    loop.startLevel = 31;
    Press({kKeyEscape, kKeyEnter});
    loop.newEntry.score = 1000;
    Press({kKeyEnter});
    EXPECT_EQ(std::tuple(loop.gameState, loop.newEntry.score), std::tuple(GameState::Menu, 1000u));
}

// The keys act only where a click would; `,` and `.` turn like buttons 1 and 3, Space repeats the
// last direction; Up and Down also move the menu selection; the pointer and the arrows share one
// cursor. Elsewhere the keys do nothing and never enter the code ring.
TEST_F(GameTest, KeyboardPlaysLikeTheMouse) {
    ASSERT_TRUE(Press({kKeyLeft, kKeyRight, kKeyComma, kKeyPeriod, kKeySpace}));
    EXPECT_EQ(std::tuple(loop.gameState, loop.menuSelection, std::string(loop.codeBuffer)),
              std::tuple(GameState::Menu, 0, std::string("-----")));
    Press({kKeyEnter}, 20);
    Press({kKeyLeft, kKeyComma});
    EXPECT_EQ(std::tuple(loop.hoverValid, loop.rotating), std::tuple(0, 0)) << "in the scramble";
    StartAndScramble(-1);
    Board expected = loop.puzzle.current;
    Press({kKeyRight}); // level 1 is 4 x 2: the first arrow marks its middle block (1, 0)
    std::vector<int> dirs;
    for (int key : {kKeyComma, kKeyPeriod, kKeySpace, kKeyComma, kKeySpace}) {
        Press({key, kKeyRight, kKeyPeriod}, 10); // the two keys during the turn do nothing
        dirs.push_back(loop.rotDir);
        klmr_RotateBlock(&expected, 1, 0, loop.rotDir);
    }
    EXPECT_EQ(dirs, (std::vector<int>{0, 1, 1, 0, 0}));
    EXPECT_EQ(std::tuple(loop.hoverX, loop.hoverY, loop.rotating), std::tuple(1, 0, 0));
    EXPECT_TRUE(Same(loop.puzzle.current, expected));
    EXPECT_EQ(Plays(kSoundSwap), 8 + 5) << "a turn sound for each turn";
    TurnBlock({2, 0, 0}, SDL_BUTTON_LEFT, 1); // the pointer marks (2, 0)
    Press({kKeyLeft, kKeyDown}, 10);          // during the turn: only the menu selection
    Press({kKeyLeft});
    EXPECT_EQ(std::tuple(loop.hoverX, loop.hoverY, loop.menuSelection), std::tuple(1, 0, 1));

    // On a board with holes ('.'), from no mark: the block nearest the centre, then by arrows.
    const char* rows[] = {"######", "######", "##.###", "##.###", "######", "#####."};
    Board& b = loop.puzzle.current;
    b = {};
    b.width = b.height = 6;
    for (int i = 0; i < 36; ++i)
        b.cells[i % 6][i / 6] = rows[i / 6][i % 6] == '#';
    loop.hoverValid = 0;
    const std::vector<std::tuple<int, int, int>> walk = {
        {kKeyLeft, 3, 2}, {kKeyLeft, 2, 0}, {kKeyDown, 3, 1}, {kKeyRight, 4, 1}, {kKeyRight, 4, 1},
        {kKeyDown, 4, 2}, {kKeyDown, 4, 3}, {kKeyDown, 3, 4}, {kKeyDown, 3, 4},  {kKeyUp, 3, 3}};
    for (auto [key, x, y] : walk) {
        Press({key});
        EXPECT_EQ(std::tuple(key, loop.hoverX, loop.hoverY), std::tuple(key, x, y));
    }
}

// Keys never reach the code ring, `f`, Up or Down, nor the play keys; Escape and the mouse do
// nothing. Enter inserts the entry and saves the table at once; a window close discards it.
TEST_F(GameTest, NameEntryTakesLettersUpperCasedAndKeys32To64UpTo31CharactersOrNone) {
    ToNameEntry();
    const auto empty = NameBox();
    Mouse(SDL_BUTTON_LEFT, 320, 200);
    Press({'a', 'b', 'c', SDLK_LSHIFT, '1', ' ', '@', '[', '_', kKeyUp, kKeyDown, kKeyLeft,
           kKeyEscape});
    Type("fqzmekruvok");
    EXPECT_STREQ(loop.typedName, "ABC1 @FQZMEKRUVOK");
    EXPECT_NE(NameBox(), empty) << "the name line shows the name";
    EXPECT_TRUE(sdlspy::Shows(screen));
    EXPECT_EQ(std::tuple(loop.menuSelection, int(testMode), int(loop.startLevel)),
              std::tuple(0, 0, 0));
    Type("abcdefghijkl,.z9");
    EXPECT_STREQ(loop.typedName, "ABC1 @FQZMEKRUVOKABCDEFGHIJKL,.");
    Push({.type = SDL_QUIT});
    EXPECT_FALSE(Step());
    EXPECT_EQ(std::tuple(loop.gameState, loop.hiScores.rows[0].score),
              std::tuple(GameState::NameEntry, 100u));
    for (int i = 0; i < 32; ++i)
        Key(kKeyBackspace);
    Type("ad\r");
    HiScoreTable saved{};
    klmr_HiScoreLoad(&saved, "hiscores.dat");
    for (const HiScoreTable& t : {loop.hiScores, saved})
        EXPECT_EQ(std::tuple(std::string(t.rows[0].name), t.rows[0].level, t.rows[0].score),
                  std::tuple(std::string("AD"), 1, 500u));
    EXPECT_EQ(loop.gameState, GameState::HiScores);
}
