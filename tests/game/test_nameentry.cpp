// Name entry through the main loop: keys, limits, Enter, and what reaches the score file.
#include "game_fixture.h"

#include "displays.h"
#include "screen.h"
#include "states.h"

#include <algorithm>
#include <cstring>

using namespace gametest;

namespace {

const sdlspy::Update kNameBox{nullptr, 120, 220, 400, 30};

bool NameLineUpdated() {
    for (const auto& u : sdlspy::Updates())
        if (u.surface == screen && u.x == kNameBox.x && u.y == kNameBox.y && u.w == kNameBox.w &&
            u.h == kNameBox.h)
            return true;
    return false;
}

// A run abandoned with a qualifying score, on the name-entry screen.
void EnterNameEntry(uint32_t score) {
    PushKey(kKeyEnter);
    RunScramble();
    Loop().newEntry.score = score;
    PushKey(kKeyEscape);
    ASSERT_TRUE(Step());
    ASSERT_EQ(Loop().gameState, GameState::NameEntry);
    ASSERT_EQ(Loop().stateRedraw, 0) << "the screen is drawn in the frame that enters";
    sdlspy::Reset();
}

} // namespace

TEST_F(GameTest, NameEntryUpperCasesLettersAndTakesKeys32To64AsThemselves) {
    EnterNameEntry(500);
    PushKeys("abc");
    PushKey(SDLK_LSHIFT);
    PushKey('1');
    PushKey(' ');
    PushKey('@');
    PushKey('[');
    PushKey('_');
    PushKey(kKeyUp);
    PushKey(kKeyEscape);
    PushButton(SDL_BUTTON_LEFT, 320, 200);
    PushKey('f');
    Step();
    EXPECT_STREQ(Loop().typedName, "ABC1 @F");
    EXPECT_TRUE(NameLineUpdated());
    EXPECT_FALSE(WholeScreenUpdated()) << "`f` is typed, not a flip";
    EXPECT_EQ(Loop().gameState, GameState::NameEntry);
    EXPECT_EQ(Loop().menuSelection, 0);
}

TEST_F(GameTest, NameEntryKeysNeverReachTheCodeRing) {
    EnterNameEntry(500);
    PushKeys("qzmekruvok");
    Step();
    EXPECT_STREQ(Loop().typedName, "QZMEKRUVOK");
    EXPECT_EQ(testMode, 0);
    EXPECT_EQ(Loop().startLevel, 0);
}

TEST_F(GameTest, NameEntryKeepsAtMost31CharactersAndBackspaceStopsAtEmpty) {
    EnterNameEntry(500);
    for (int i = 0; i < 31; ++i)
        PushKey('a' + i % 26);
    Step();
    ASSERT_EQ(strlen(Loop().typedName), 31u);
    sdlspy::Reset();
    PushKey('z');
    PushKey('9');
    Step();
    EXPECT_EQ(strlen(Loop().typedName), 31u);
    EXPECT_FALSE(NameLineUpdated()) << "a refused key does not redraw the line";

    for (int i = 0; i < 33; ++i)
        PushKey(kKeyBackspace);
    Step();
    EXPECT_STREQ(Loop().typedName, "");
    sdlspy::Reset();
    PushKey(kKeyBackspace);
    Step();
    EXPECT_STREQ(Loop().typedName, "");
    EXPECT_TRUE(NameLineUpdated());
}

TEST_F(GameTest, EnterInsertsTheEntrySavesTheFileAndShowsHiScores) {
    EnterNameEntry(95);
    PushKeys("ada");
    PushKey(kKeyEnter);
    Step();
    EXPECT_EQ(Loop().gameState, GameState::HiScores);
    EXPECT_EQ(Loop().stateRedraw, 0);
    EXPECT_TRUE(WholeScreenUpdated());
    const HiScoreEntry& row = Loop().hiScores.rows[1];
    EXPECT_STREQ(row.name, "ADA");
    EXPECT_EQ(row.score, 95u);
    EXPECT_EQ(row.level, 1);

    std::string file = ReadFile(WorkDir() + "/hiscores.dat");
    std::string expected = DefaultScoreFile();
    expected.insert(expected.find("Quorvane|+\n1\n90\n"), "ADA|+\n1\n95\n");
    expected.erase(expected.rfind("Quorvane|+\n1\n10\n"));
    EXPECT_EQ(file, expected) << "saved as soon as the entry is in";
}

TEST_F(GameTest, EnterOnAnEmptyNameInsertsAnEmptyName) {
    EnterNameEntry(1000);
    PushKey(kKeyEnter);
    Step();
    EXPECT_STREQ(Loop().hiScores.rows[0].name, "");
    EXPECT_EQ(Loop().hiScores.rows[0].score, 1000u);
}

TEST_F(GameTest, AFailedSaveSaysWhyOnStandardError) {
    EnterNameEntry(500);
    strcpy(Loop().hiScores.path, "no-such-dir/hiscores.dat");
    testing::internal::CaptureStderr();
    PushKey(kKeyEnter);
    Step();
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: Couldn't save the high scores to no-such-dir/hiscores.dat : No such file "
              "or directory\n");
    EXPECT_EQ(Loop().gameState, GameState::HiScores);

    Loop().hiScores.path[0] = '\0';
    testing::internal::CaptureStderr();
    EXPECT_EQ(klmr_SaveScores(&Loop()), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Error: The high scores were not saved: hiscores.dat could not be read at start-up "
              "and is left as it was\n");
}

TEST_F(GameTest, OutOfRangeStatesAreNameEntry) {
    Loop().gameState = static_cast<GameState>(7);
    PushKey('a');
    Step();
    EXPECT_EQ(Loop().gameState, GameState::NameEntry);
    EXPECT_STREQ(Loop().typedName, "A");
}
