// The game in-process on the dummy drivers and the fake clock: injected events, stepped frames.
#include "boardview.h"
#include "clock.h"
#include "display.h"
#include "displays.h"
#include "draw.h"
#include "fake_clock.h"
#include "screen.h"
#include "sdl_spy.h"
#include "soundbank.h"
#include "states.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>

// Each test runs at scales 1 to 3 from the menu as after start-up (done once, in a directory of
// its own), and at every wait, frame's end or effect's step, the display must show the screen.
struct GameTest : ::testing::TestWithParam<int> {
    static inline MainLoop loop;
    static inline HiScoreTable startTable;
    static inline std::string title; // the back buffer after start-up

    void SetUp() override {
        static char dir[] = "/tmp/kelmora-game-XXXXXX";
        if (screen == nullptr) {
            ASSERT_TRUE(mkdtemp(dir) && chdir(dir) == 0);
            std::filesystem::create_directory_symlink(KELMORA_DATA_DIR, "data");
            atexit([] { std::filesystem::remove_all(dir, *std::make_unique<std::error_code>()); });
            sdlspy::UseDummyDrivers();
            ASSERT_EQ(klmr_StartUp(&loop), 0);
            std::tie(startTable, title) = std::tuple(loop.hiScores, Rows(backBuffer, 0, 480));
        }
        klmr_DisplaySetScale(GetParam());
        klmr_DisplaySetPace(0); // the display equals the screen at every wait
        ASSERT_EQ(klmr_OpenScreen(SDL_HWPALETTE), 1);
        memcpy(backBuffer->pixels, title.data(), title.size());
        Drain();
        klmr_LoopReset(&loop);
        loop.hiScores = startTable;
        testMode = 0;
        remove("hiscores.dat");
        klmr_RestoreScreen();
        Mark();
        srand(20240122);
    }

    static int Drain() { // removes the queued events; how many there were
        SDL_Event e[64];
        return SDL_PeepEvents(e, 64, SDL_GETEVENT, SDL_ALLEVENTS);
    }
    static void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 0); }
    static void Key(int k) { Push({.key = {SDL_KEYDOWN, 0, 1, {0, SDLKey(k), KMOD_NONE, 0}}}); }
    // Button b pressed (0: a motion) at (x, y) of the game's picture, in window coordinates.
    static void Mouse(int b, int x, int y) {
        const DisplayLayout l = klmr_DisplayNow().layout;
        const Uint16 wx = Uint16(l.x + x * l.scale), wy = Uint16(l.y + y * l.scale);
        Push(b ? SDL_Event{.button = {SDL_MOUSEBUTTONDOWN, 0, Uint8(b), 1, wx, wy}}
               : SDL_Event{.motion = {SDL_MOUSEMOTION, 0, 0, wx, wy, 0, 0}});
    }
    // Queues the keys, then runs n frames; false once a frame ends the loop.
    static bool Press(std::initializer_list<int> keys, int n = 1) {
        for (int k : keys)
            Key(k);
        for (int i = 0; i < n; ++i)
            if (!klmr_Frame(&loop)) return false;
        return true;
    }
    static bool Step(int n = 1) { return Press({}, n); }

    static void Mark() { // forgets the waits, updates and sounds recorded
        fakeclock::Reset(klmr_Time());
        fakeclock::OnDelay([] { EXPECT_TRUE(sdlspy::Shows(screen)); });
        sdlspy::Reset();
    }
    static long Plays(int slot) {
        return std::ranges::count(sdlspy::Plays(), soundBank.chunks[slot], &sdlspy::Play::chunk);
    }
    static std::string Rows(SDL_Surface* s, int y, int h) { // the pixels of rows y .. y + h - 1
        return std::string(static_cast<char*>(s->pixels) + y * s->pitch, h * s->pitch);
    }

    // Starts a run at level index `level` and runs its scramble.
    static void StartAndScramble(int level = 0) {
        loop.startLevel = static_cast<uint8_t>(level);
        Key(kKeyEnter);
        while (Step() && loop.stateRedraw && loop.gameState == GameState::Play)
            continue;
    }
    // Points near block (bx, by) on the playing board, left-clicks, and runs n frames.
    static void TurnBlock(int bx, int by, int n = 10) {
        const Board& b = loop.puzzle.current;
        int x = kPlayCenterX + (2 * bx + 2 - b.width) * tiles[0]->w / 2 - 2;
        int y = kBoardCenterY + (2 * by + 2 - b.height) * tiles[0]->h / 2 - 2;
        Mouse(0, x, y);
        Mouse(SDL_BUTTON_LEFT, x, y);
        Step(n);
    }
    // Makes the board one turn short of solved and that turn but its last, level-ending frame.
    static void AlmostSolve(int played) {
        loop.puzzle.current = loop.puzzle.target;
        klmr_RotateBlock(&loop.puzzle.current, 0, 0, 1);
        fakeclock::SetTime(loop.levelStartTime + played);
        TurnBlock(0, 0, 9);
    }
};

TEST_P(GameTest, MenuFrameCounterFKeyAndBarGlide) {
    ASSERT_TRUE(Step(328) && Press({'f'}));
    ASSERT_TRUE(Press({kKeyUp}));
    EXPECT_EQ(std::tuple(loop.frameCounter, loop.menuSelection), std::tuple(0, 0));
    EXPECT_EQ(fakeclock::TotalDelayMs(), 330u * 5);
    Press({kKeyDown, kKeyDown, kKeyDown, kKeyDown, kKeyDown}, 0);
    for (int y = loop.selectBarY; y != menuBarY[3]; y = loop.selectBarY) {
        const int left = menuBarY[3] - y;
        ASSERT_TRUE(Step());
        ASSERT_EQ(loop.selectBarY - y, left > 20 ? 4 : left > 15 ? 3 : left > 9 ? 2 : 1) << left;
    }
    EXPECT_FALSE(Press({kKeyEscape, kKeyDown})) << "Escape ends the loop";
    EXPECT_EQ(Drain(), 1) << "the later key stays queued";
    EXPECT_FALSE(Press({kKeyEnter})) << "Exit's first frame ends the loop";
}

// Paced as the program runs: the menu's 200 frames a second reach SDL at most once per 16 ms,
// yet the display is never more than 16 ms and a frame behind the picture, and it shows the
// whole picture before every wait as long as a display refresh (the count-up, the banner).
TEST_P(GameTest, PacedUpdatesKeepTheDisplayWithinOneRefresh) {
    klmr_DisplaySetPace(16);
    fakeclock::OnDelay(nullptr);
    StartAndScramble(0);
    AlmostSolve(loop.puzzle.timeLimit - 2);
    uint32_t shownAt = klmr_Ticks(), worst = 0, behindLong = 0;
    fakeclock::OnDelay([&] {
        const bool shows = sdlspy::Shows(screen);
        if (shows) shownAt = klmr_Ticks();
        worst = std::max(worst, klmr_Ticks() - shownAt);
        behindLong += !shows && fakeclock::Delays().back() >= 16;
    });
    const uint64_t handed = klmr_DisplayStats().handed;
    ASSERT_TRUE(Step() && Press({kKeyEscape}, 200) && loop.gameState == GameState::Menu);
    EXPECT_LE(klmr_DisplayStats().handed - handed, fakeclock::TotalDelayMs() / 16 + 1);
    EXPECT_LE(worst, 16u + 5u) << "ms behind";
    EXPECT_EQ(behindLong, 0u) << "long waits with the picture not shown";
}

// A pointer resting where first reported chooses nothing until it moves or clicks. Screens open
// by Enter or a left click (on what it lands on), close by Escape, Enter or any button, also in
// the same poll.
TEST_P(GameTest, EachScreenOpensByEnterOrClickAndEveryWayLeadsBack) {
    Mouse(0, 320, 290);
    Mouse(SDL_BUTTON_RIGHT, 320, 290);
    ASSERT_TRUE(Step());
    EXPECT_EQ(std::tuple(loop.gameState, loop.menuSelection), std::tuple(GameState::Menu, 0));
    Mouse(SDL_BUTTON_LEFT, 320, 290);
    Key(kKeyEscape); // Exit chosen and left in one poll
    ASSERT_TRUE(Step());
    EXPECT_EQ(std::tuple(loop.gameState, loop.menuSelection), std::tuple(GameState::Menu, 3));
    Mouse(0, 320, menuTextY[3]);
    ASSERT_TRUE(Step());
    EXPECT_EQ(loop.menuSelection, 2) << "a real motion, at the top edge of Exit";
    for (int item = 1; item <= 3; ++item)
        for (bool click : {false, true})
            for (int way : {kKeyEscape, kKeyEnter, -SDL_BUTTON_LEFT, -SDL_BUTTON_WHEELDOWN})
                for (bool samePoll : {true, false}) {
                    if (item == 3 && !samePoll) continue;
                    SCOPED_TRACE(testing::Message() << item << click << way << samePoll);
                    sdlspy::Reset();
                    loop.menuSelection = click ? 0 : item;
                    click ? Mouse(SDL_BUTTON_LEFT, 320, menuTextY[item] + 1) : Key(kKeyEnter);
                    ASSERT_TRUE(Step(!samePoll));
                    EXPECT_EQ(loop.gameState, samePoll ? GameState::Menu : GameState(item));
                    way > 0 ? Key(way) : Mouse(-way, 0, 0);
                    ASSERT_TRUE(Step());
                    EXPECT_EQ(std::tuple(loop.gameState, loop.stateRedraw, Plays(kSoundClick)),
                              std::tuple(GameState::Menu, 0, long(click)));
                }
}

// Test mode counts the seconds played into the score; its Enter past the last level returns to the
// menu without the high-score check.
TEST_P(GameTest, CodesChooseTheStartLevelOrTestMode) {
    Press({'r', 'u', 'v', 'o', 'k'});
    EXPECT_EQ(loop.startLevel, 5);
    testing::internal::CaptureStdout();
    Press({'q', 'z', 'm', 'e', 'k'});
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\ntest mode ON\n\n");
    EXPECT_EQ(std::tuple(int(testMode), Plays(kSoundClick)), std::tuple(1, 1L));
    EXPECT_NE(Rows(backBuffer, 0, 40), title.substr(0, 40 * 1280)) << "not in the back buffer";
    StartAndScramble(0);
    testing::internal::CaptureStdout();
    AlmostSolve(7);
    Step();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "level 1, time 7\n");
    EXPECT_EQ(loop.newEntry.score, 7u);
    loop.startLevel = 31;
    Press({kKeyEscape, kKeyEnter});
    loop.newEntry.score = 1000;
    Press({kKeyEnter});
    EXPECT_EQ(std::tuple(loop.gameState, loop.newEntry.score), std::tuple(GameState::Menu, 1000u));
}

TEST(Options, ScaleWrittenEitherWayAnythingElseIsAUsageError) { // -2: a usage error
    const std::pair<const char*, int> cases[] = {
        {"", kScaleUnset}, {"--scale 2", 2}, {"--scale=3", 3},    {"--scale auto", kScaleAuto},
        {"--scale 4", -2}, {"--scale", -2},  {"--scale 2 2", -2}, {"--bogus", -2},
        {"--scale 0", -2}, {"--scale=", -2}}; // no scale of 0 to divide by
    for (auto [args, expected] : cases) {
        char line[16], *argv[4] = {line}; // argv[0] is not read
        snprintf(line, sizeof line, "%s", args);
        int argc = 1;
        for (char* w = strtok(line, " "); w != nullptr; w = strtok(nullptr, " "))
            argv[argc++] = w;
        Options o;
        EXPECT_EQ(klmr_ParseArgs(argc, argv, &o) ? o.scale : -2, expected) << args;
    }
}

TEST(Options, ReplayAndRecordTakeAFileEitherWayAndMeetTheScale) {
    const char* argv[] = {"", "--replay=a.replay", "--headless", "--record", "b", "--scale", "2"};
    Options o;
    ASSERT_TRUE(klmr_ParseArgs(7, argv, &o));
    EXPECT_EQ(std::tuple(std::string(o.replay), std::string(o.record), o.headless, o.scale),
              std::tuple("a.replay", "b", 1, 2));
    EXPECT_FALSE(klmr_ParseArgs(2, std::array{"", "--record="}.data(), &o)) << "a file is needed";
}

// Solved: a click and 40 ms per second left, 500 ms, and after the last level 6 s; timed out, a
// frame after showing 0: 6 s. Then a qualifying score asks for the name.
TEST_P(GameTest, LevelEndsBySolvingOrTimeOut) {
    enum How { Solve, TimeOut };
    using enum GameState; // how, level, score, seconds left, the state it leads to
    const std::tuple<How, int, uint32_t, int, GameState> cases[] = {{Solve, 0, 100, 12, Play},
                                                                    {Solve, 31, 100, 20, NameEntry},
                                                                    {TimeOut, 0, 0, 0, Menu},
                                                                    {TimeOut, 0, 55, 0, NameEntry}};
    for (auto [how, level, score, left, state] : cases) {
        SetUp();
        StartAndScramble(level);
        loop.newEntry.score = score;
        loop.typedName[0] = 'X';
        if (how == Solve) AlmostSolve(loop.puzzle.timeLimit - left);
        if (how == TimeOut) fakeclock::SetTime(loop.levelStartTime + loop.puzzle.timeLimit);
        ASSERT_TRUE(Step(how == TimeOut) && loop.gameState == GameState::Play);
        Mark();
        if (level) fakeclock::OnDelay(nullptr); // the congratulation stands over the old board
        ASSERT_TRUE(Step());
        std::vector<uint32_t> waits(left ? left + 1 : 0, 40), got = fakeclock::Delays();
        if (left) waits.push_back(500);
        if (how == TimeOut || level == 31) waits.push_back(6000);
        std::erase(got, 5u); // the frames' pauses
        EXPECT_EQ(got, waits) << how << level;
        EXPECT_EQ(std::tuple(Plays(kSoundClick), loop.newEntry.score,
                             klmr_PuzzleLevel(&loop.puzzle), loop.gameState, loop.newEntry.level,
                             loop.typedName[0]),
                  std::tuple(left ? left + 1L : 0L, score + left, level + (how == Solve), state,
                             level + 1, state == GameState::NameEntry ? '\0' : 'X'));
    }
}

// The scramble takes 80 frames, ignoring clicks and Enter. Then keys act only where a click
// would: `,` `.` and Space like buttons 1, 3 and 2; arrows and pointer move one cursor, and
// only it.
TEST_P(GameTest, LevelOneIsScrambledThenKeyboardPlaysLikeTheMouse) {
    int frames = 0;
    Press({kKeyLeft, kKeyRight, kKeyComma, kKeyPeriod, kKeySpace, kKeyEnter}, 0);
    do {
        Key(kKeyEnter);
        TurnBlock(1, 0, 1);
        ASSERT_EQ(loop.rotating, 0);
    } while (++frames < 100 && loop.stateRedraw);
    EXPECT_EQ(std::tuple(frames, Plays(kSoundSwap), loop.newEntry.level, loop.hoverValid,
                         klmr_PuzzleLevel(&loop.puzzle)),
              std::tuple(80, 8L, 1, 0, 0));
    Board expected = loop.puzzle.current;
    Mouse(SDL_BUTTON_LEFT, 10, 10); // no motion since the scramble's end, then off the blocks
    TurnBlock(200, 200);
    Press({kKeyRight}); // level 1 is 4 x 2: the first arrow marks its middle block (1, 0)
    const int turns[][2] = {{kKeyPeriod, 1}, {kKeySpace, 1}, {kKeyComma, 0}, {kKeySpace, 0}};
    for (auto [key, dir] : turns) {
        Press({key, kKeyRight, kKeyPeriod}, 10); // the two keys during the turn do nothing
        klmr_RotateBlock(&expected, 1, 0, static_cast<uint8_t>(dir));
        EXPECT_EQ(std::tuple(key, loop.rotDir, klmr_BoardCompare(&loop.puzzle.current, &expected)),
                  std::tuple(key, int8_t(dir), 0));
    }
    TurnBlock(2, 0, 1);              // the pointer marks (2, 0)
    Press({kKeyLeft, kKeyDown}, 10); // during the turn: nothing
    Press({kKeyLeft});
    EXPECT_EQ(std::tuple(loop.hoverX, loop.hoverY), std::tuple(1, 0));
    // With no mark the block nearest the centre, then the nearest along, across, the smaller.
    loop.puzzle.current = {{}, 6, 6};
    for (int i = 0; i < 36; ++i) // holes at (2, 2), (2, 3) and (5, 5)
        loop.puzzle.current.cells[i % 6][i / 6] = i != 14 && i != 20 && i != 35;
    loop.hoverValid = 0;
    const int walk[][3] = {{kKeyLeft, 3, 2},  {kKeyLeft, 2, 0},  {kKeyDown, 3, 1},
                           {kKeyRight, 4, 1}, {kKeyRight, 4, 1}, {kKeyUp, 4, 0}};
    for (auto [key, x, y] : walk) {
        Press({key});
        EXPECT_EQ(std::tuple(key, loop.hoverX, loop.hoverY), std::tuple(key, x, y));
    }
    Press({kKeyDown, kKeyDown, kKeyEscape, kKeyEnter}); // the arrows left Start chosen
    EXPECT_EQ(std::tuple(loop.gameState, loop.menuSelection), std::tuple(GameState::Play, 0));
}

// No key reaches the code ring, `f`, Up, Down or play; Escape and the mouse do nothing.
TEST_P(GameTest, NameEntryTakesLettersUpperCasedAndKeys32To64UpTo31CharactersOrNone) {
    StartAndScramble();
    loop.newEntry.score = 500;
    Press({kKeyEscape});
    Mouse(SDL_BUTTON_LEFT, 320, 200);
    Press({'a', 'b', 'c', SDLK_LSHIFT, '1', ' ', '@', '[', '_', kKeyUp, kKeyDown, kKeyLeft,
           kKeyEscape});
    Press({'f', 'q', 'z', 'm', 'e', 'k', 'r', 'u', 'v', 'o', 'k'});
    EXPECT_STREQ(loop.typedName, "ABC1 @FQZMEKRUVOK");
    EXPECT_NE(Rows(screen, 220, 30), Rows(backBuffer, 220, 30)) << "the name line is drawn";
    EXPECT_EQ(std::tuple(loop.menuSelection, int(testMode), int(loop.startLevel)),
              std::tuple(0, 0, 0));
    fakeclock::OnDelay(nullptr); // a name this long is drawn wider than the line's update
    Press({'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j', 'k', 'l', ',', '.', 'z', '9'});
    EXPECT_STREQ(loop.typedName, "ABC1 @FQZMEKRUVOKABCDEFGHIJKL,.");
    Push({.type = SDL_QUIT});
    Key(kKeyBackspace);
    EXPECT_FALSE(Step());
    EXPECT_EQ(std::tuple(loop.gameState, loop.hiScores.rows[0].score, Drain()),
              std::tuple(GameState::NameEntry, 100u, 1)); // a close keeps the table, later keys
    for (int i = 0; i < 32; ++i)
        Key(kKeyBackspace);
    Press({'a', 'd', kKeyEnter});
    HiScoreTable saved{};
    klmr_HiScoreLoad(&saved, "hiscores.dat");
    EXPECT_EQ(std::tuple(std::string(saved.rows[0].name), saved.rows[0].score, loop.gameState),
              std::tuple(std::string("AD"), 500u, GameState::HiScores));
}

// A window 61 x 21 pixels wider than the scale's picture shows it centred; the pointer maps back
// through the offset, a click on the border reaches no state, `f` repaints the window whatever
// happened to its pixels, and F11 and Alt+Enter toggle fullscreen in every state, untouched.
TEST_P(GameTest, AnyWindowShowsThePictureCentredAndFullscreenLeavesTheGameAsItWas) {
    const int n = GetParam();
    Push({.resize = {SDL_VIDEORESIZE, 640 * n + 61, 480 * n + 21}});
    ASSERT_TRUE(Step());
    Mouse(0, 320, 300);
    Mouse(0, 320, 225); // HiScores' last row: an offset not taken off would land on About
    Mouse(SDL_BUTTON_LEFT, 320, 225);
    ASSERT_TRUE(Step());
    EXPECT_EQ(std::tuple(klmr_DisplayNow().layout, loop.gameState),
              std::tuple(DisplayLayout{n, 30, 10}, GameState::HiScores));
    Push({.button = {SDL_MOUSEBUTTONDOWN, 0, SDL_BUTTON_LEFT, 1, 29, 9}});
    SDL_Surface* video = SDL_GetVideoSurface();
    SDL_Rect scribble = {40, 20, 100, 100};
    SDL_FillRect(video, &scribble, 0x123456);
    ASSERT_TRUE(Press({'f'}));
    EXPECT_EQ(loop.gameState, GameState::HiScores) << "the click on the border";
    const auto* rows = static_cast<const Uint32*>(video->pixels) + 20 * video->pitch / 4;
    EXPECT_EQ(std::count(rows, rows + 100 * video->pitch / 4, 0x123456), 0) << "f repaints";
    auto game = [] {
        return std::tuple(loop.gameState, loop.menuSelection, std::string(loop.typedName));
    };
    using enum GameState;
    for (GameState state : {HiScores, Menu, Play, NameEntry}) {
        if (state == Menu) Key(kKeyEscape);
        if (state == Play) loop.menuSelection = 0, StartAndScramble();
        if (state == NameEntry) loop.newEntry.score = 500, Key(kKeyEscape);
        ASSERT_TRUE(Step());
        ASSERT_EQ(loop.gameState, state);
        for (bool alt : {false, true}) {
            const auto before = game();
            alt ? Push({.key = {SDL_KEYDOWN, 0, 1, {0, SDLK_RETURN, KMOD_LALT, 0}}})
                : Key(SDLK_F11);
            ASSERT_TRUE(Step());
            EXPECT_EQ(std::tuple(game(), klmr_DisplayNow().fullscreen), std::tuple(before, !alt));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scale, GameTest, ::testing::Values(1, 2, 3));
