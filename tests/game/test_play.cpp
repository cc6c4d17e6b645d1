// Play through the main loop: scramble, turns, clock, level ends, test mode, keys; name entry.
#include "game_fixture.h"

// Button 1 turns counter-clockwise, button 3 clockwise, other buttons repeat the last direction;
// a click during the scramble or a turn, or away from a block, does nothing; so does Enter.
TEST_F(GameTest, LevelOneIsScrambledIn80FramesThenTurnedByButtons) {
    int frames = 0;
    Key(kKeyEnter);
    do {
        Key(kKeyEnter);
        TurnBlock({1, 0, 0}, SDL_BUTTON_LEFT, 1);
        ASSERT_EQ(loop.rotating, 0);
    } while (++frames < 100 && loop.stateRedraw);
    EXPECT_EQ(std::tuple(frames, Plays(kSoundSwap), loop.newEntry.level, loop.hoverValid),
              std::tuple(80, 8L, 1, 0));
    EXPECT_EQ(std::tuple(klmr_PuzzleLevel(&loop.puzzle), loop.levelStartTime),
              std::tuple(0, klmr_Time()));
    Board expected = loop.puzzle.current;
    EXPECT_FALSE(Same(expected, loop.puzzle.target));
    Mouse(SDL_BUTTON_LEFT, 10, 10); // no pointer motion since the scramble
    TurnBlock({200, 200, 0}, SDL_BUTTON_LEFT);
    int turns = 0;
    for (int button : {SDL_BUTTON_RIGHT, SDL_BUTTON_MIDDLE, SDL_BUTTON_LEFT, SDL_BUTTON_WHEELUP}) {
        TurnBlock({0, 0, 0}, button, 3);
        TurnBlock({1, 0, 0}, SDL_BUTTON_LEFT, 7);
        klmr_RotateBlock(&expected, 0, 0, turns++ < 2 ? 1 : 0);
        EXPECT_TRUE(Same(loop.puzzle.current, expected)) << "button " << button;
    }
    EXPECT_EQ(Plays(kSoundSwap), 8 + 4);
}

// One frame after the completing turn the seconds left go into the score, a click and 40 ms
// each, then 500 ms; past the last level a congratulation shows for 6 s.
TEST_F(GameTest, SolvingCountsTheSecondsLeftIntoTheScore) {
    for (auto [level, left] : {std::pair{0, 12}, {31, 20}}) {
        SetUp();
        auto turns = StartAndScramble(level);
        EXPECT_EQ(turns.size(), level ? 28u : 8u) << "level 32 is 7 x 4";
        loop.newEntry.score = 100;
        UndoAllButLastFrame(turns, loop.puzzle.timeLimit - left);
        Mark();
        ASSERT_TRUE(Step());
        std::vector<uint32_t> waits(left + 1, 40);
        waits.push_back(500);
        if (level) waits.push_back(6000);
        EXPECT_EQ(Waits(), waits);
        EXPECT_EQ(std::tuple(Plays(kSoundClick), loop.newEntry.score, loop.newEntry.level),
                  std::tuple(left + 1L, 100u + left, level + 1));
        EXPECT_EQ(std::tuple(klmr_PuzzleLevel(&loop.puzzle), loop.gameState),
                  std::tuple(level + 1, level ? GameState::NameEntry : GameState::Play));
    }
}

// A run ends by Escape (here in its first scramble: the entry's level is 0) or 6 s after the
// clock shown reached 0; a qualifying score then asks for the name.
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
            ASSERT_TRUE(timeOut ? Step() : Press({kKeyEscape}));
            EXPECT_EQ(Waits(), std::vector<uint32_t>(timeOut ? 1 : 0, 6000));
            EXPECT_EQ(std::tuple(loop.gameState, loop.newEntry.level, loop.typedName[0]),
                      std::tuple(state, timeOut ? 1 : 0, score ? '\0' : 'X'));
            EXPECT_TRUE(!score || NameBox() != NameBox(backBuffer)) << "the name line is drawn";
        }
}

// In test mode the clock counts the seconds played, which the level adds to the score; Enter
// skips a level without score, and past the last level returns to the menu without the check.
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

// The keys act only where a click would: `,` `.` and Space turn like buttons 1, 3 and 2; the
// arrows and the pointer move one cursor; Up and Down move the menu selection too.
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
    EXPECT_TRUE(Same(loop.puzzle.current, expected));
    EXPECT_EQ(Plays(kSoundSwap), 8 + 5);
    TurnBlock({2, 0, 0}, SDL_BUTTON_LEFT, 1); // the pointer marks (2, 0)
    Press({kKeyLeft, kKeyDown}, 10);          // during the turn: only the menu selection
    Press({kKeyLeft});
    EXPECT_EQ(std::tuple(loop.hoverX, loop.hoverY, loop.menuSelection), std::tuple(1, 0, 1));
    // With no mark the block nearest the centre, then the nearest along, across, the smaller.
    Board& b = loop.puzzle.current;
    b = {{}, 6, 6};
    for (int i = 0; i < 36; ++i)
        b.cells[i % 6][i / 6] = i != 14 && i != 20 && i != 35; // holes at (2,2) (2,3) (5,5)
    loop.hoverValid = 0;
    for (auto [key, x, y] : {std::tuple{kKeyLeft, 3, 2},
                             {kKeyLeft, 2, 0},
                             {kKeyDown, 3, 1},
                             {kKeyRight, 4, 1},
                             {kKeyRight, 4, 1},
                             {kKeyDown, 4, 2},
                             {kKeyDown, 4, 3},
                             {kKeyDown, 3, 4},
                             {kKeyDown, 3, 4},
                             {kKeyUp, 3, 3}}) {
        Press({key});
        EXPECT_EQ(std::tuple(key, loop.hoverX, loop.hoverY), std::tuple(key, x, y));
    }
}

// Keys never reach the code ring, `f`, Up or Down, nor the play keys; Escape and the mouse do
// nothing; a window close keeps the table; Enter inserts the entry and saves at once.
TEST_F(GameTest, NameEntryTakesLettersUpperCasedAndKeys32To64UpTo31CharactersOrNone) {
    StartAndScramble();
    loop.newEntry.score = 500;
    Press({kKeyEscape});
    const auto empty = NameBox();
    Mouse(SDL_BUTTON_LEFT, 320, 200);
    Press({'a', 'b', 'c', SDLK_LSHIFT, '1', ' ', '@', '[', '_', kKeyUp, kKeyDown, kKeyLeft,
           kKeyEscape});
    Type("fqzmekruvok");
    EXPECT_STREQ(loop.typedName, "ABC1 @FQZMEKRUVOK");
    EXPECT_NE(NameBox(), empty) << "the name line shows the name";
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
        EXPECT_EQ(std::tuple(std::string(t.rows[0].name), int(t.rows[0].level), t.rows[0].score),
                  std::tuple(std::string("AD"), 1, 500u));
    EXPECT_EQ(loop.gameState, GameState::HiScores);
}
