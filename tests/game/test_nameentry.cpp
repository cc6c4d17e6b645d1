// Name entry, shut-down and the score file.
#include "game_fixture.h"

// Keys never reach the code ring, `f`, Up or Down, nor the play keys; Escape and the mouse do
// nothing.
TEST_F(GameTest, NameEntryTakesLettersUpperCasedAndKeys32To64UpTo31CharactersOrNone) {
    ToNameEntry();
    const auto empty = NameBox();
    Button(SDL_BUTTON_LEFT, 320, 200);
    Press({'a', 'b', 'c', SDLK_LSHIFT, '1', ' ', '@', '[', '_', kKeyUp, kKeyDown, kKeyLeft,
           kKeyEscape});
    Type("fqzmekruvok");
    EXPECT_STREQ(loop.typedName, "ABC1 @FQZMEKRUVOK");
    EXPECT_NE(NameBox(), empty) << "the name line shows the name";
    EXPECT_TRUE(ScreenShown());
    EXPECT_EQ(loop.menuSelection + testMode + loop.startLevel, 0) << "Up, Down or a code acted";
    Type("abcdefghijkl,.");
    Type("z9");
    EXPECT_STREQ(loop.typedName, "ABC1 @FQZMEKRUVOKABCDEFGHIJKL,.");
    for (int i = 0; i < 32; ++i)
        Key(kKeyBackspace);
    Press({kKeyEnter});
    EXPECT_STREQ(loop.hiScores.rows[0].name, "");
    EXPECT_EQ(loop.hiScores.rows[0].score, 500u);
}

// The table is saved as soon as the entry is in.
TEST_F(GameTest, NameEntryEnterInsertsTheEntrySavesTheFileAndShowsHiScores) {
    ToNameEntry();
    loop.newEntry.score = 95;
    Type("ada\r");
    EXPECT_EQ(loop.gameState, GameState::HiScores);
    EXPECT_EQ(loop.stateRedraw, 0);
    EXPECT_TRUE(ScreenShown());
    EXPECT_EQ(ReadFile("hiscores.dat"), ScoreFile("ADA|+\n1\n95\n", 90));
}

// Shut-down ends SDL, so it runs in a child process.
TEST_F(GameTest, WindowCloseInNameEntryDiscardsTheNameAndShutDownSavesTheTableAfterTheCurtain) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto body = [] {
        ToNameEntry();
        klmr_HiScoreInsert(&loop.hiScores, "ZED", 4, 65);
        Type("abc");
        Push({.type = SDL_QUIT});
        if (Step() || loop.gameState != GameState::NameEntry) exit(2);
        Mark();
        klmr_ShutDown(&loop);
        if (Waits() != std::vector<uint32_t>(120, 3)) exit(3);
        exit(ReadFile("hiscores.dat") == ScoreFile("ZED|+\n4\n65\n", 60) ? 0 : 4);
    };
    EXPECT_EXIT(body(), testing::ExitedWithCode(0), "");
}
