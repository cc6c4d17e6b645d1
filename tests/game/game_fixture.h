// The game in-process on the dummy drivers and the fake clock: injected events, stepped frames.
#pragma once

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
#include <filesystem>

struct Turn { // a scramble turn: block, direction (0 ccw, 1 cw)
    int x, y, dir;
};

// Every test starts on the menu as after start-up, with no score file, a fresh clock and
// recorder. Start-up starts the timer thread: once per process, in a directory of its own.
struct GameTest : ::testing::Test {
    static inline MainLoop loop;
    static inline HiScoreTable startTable;

    void SetUp() override {
        static char dir[] = "/tmp/kelmora-game-XXXXXX";
        if (dir[sizeof dir - 2] == 'X') {
            ASSERT_TRUE(mkdtemp(dir) && chdir(dir) == 0);
            std::filesystem::create_directory_symlink(KELMORA_DATA_DIR, "data");
            atexit([] {
                std::error_code ignored;
                std::filesystem::remove_all(dir, ignored);
            });
            sdlspy::UseDummyDrivers();
            ASSERT_EQ(klmr_StartUp(&loop), 0);
            startTable = loop.hiScores;
        }
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
        const Uint16 n = Uint16(klmr_DisplayScale()), wx = Uint16(x * n), wy = Uint16(y * n);
        Push(b ? SDL_Event{.button = {SDL_MOUSEBUTTONDOWN, 0, Uint8(b), 1, wx, wy}}
               : SDL_Event{.motion = {SDL_MOUSEMOTION, 0, 0, wx, wy, 0, 0}});
    }
    static bool Step(int n = 1) { // false once a frame ends the loop
        for (int i = 0; i < n; ++i)
            if (!klmr_Frame(&loop)) return false;
        return true;
    }
    static bool Press(std::initializer_list<int> keys, int n = 1) {
        for (int k : keys)
            Key(k);
        return Step(n);
    }
    static bool Type(std::string_view text, int n = 1) {
        for (unsigned char c : text)
            Key(c);
        return Step(n);
    }

    // Forgets the waits and the recorded updates and sounds.
    static void Mark() {
        fakeclock::Reset(klmr_Time());
        sdlspy::Reset();
    }
    static std::vector<uint32_t> Waits() { // since Mark, without the frames' 5 ms
        std::vector<uint32_t> waits = fakeclock::Delays();
        std::erase(waits, 5u);
        return waits;
    }
    static long Plays(int slot) {
        return std::ranges::count(sdlspy::Plays(), soundBank.chunks[slot], &sdlspy::Play::chunk);
    }
    static bool Same(const Board& a, const Board& b) { return klmr_BoardCompare(&a, &b) == 0; }
    static std::string NameBox(SDL_Surface* s = screen) { // the name line's 400 x 30
        std::string box;
        for (int y = 220; y < 250; ++y)
            box.append(static_cast<char*>(s->pixels) + y * s->pitch + 240, 800);
        return box;
    }

    // Starts a run at level index `level` (< 0: the level begun) and scrambles; the turns made.
    static std::vector<Turn> StartAndScramble(int level = 0) {
        if (level >= 0) loop.startLevel = static_cast<uint8_t>(level);
        if (level >= 0) Key(kKeyEnter);
        std::vector<Turn> turns;
        while (Step() && loop.stateRedraw && loop.gameState == GameState::Play)
            if (loop.animStep % 10 == 1 && loop.scrambleDir >= 0)
                turns.push_back({loop.rotX, loop.rotY, loop.scrambleDir});
        return turns;
    }
    // Points near block t's centre on the playing board, clicks, and runs n frames.
    static void TurnBlock(Turn t, int button, int n = 10) {
        const Board& b = loop.puzzle.current;
        int x = kPlayCenterX + (2 * t.x + 2 - b.width) * tiles[0]->w / 2 - 2;
        int y = kBoardCenterY + (2 * t.y + 2 - b.height) * tiles[0]->h / 2 - 2;
        Mouse(0, x, y);
        Mouse(button, x, y);
        Step(n);
    }
    // Undoes a scramble in reverse order, the last turn (begun `played` seconds into the level)
    // without its final frame, the one that ends the level.
    static void UndoAllButLastFrame(const std::vector<Turn>& turns, int played) {
        for (size_t i = turns.size(); i-- > 0;) {
            if (i == 0) fakeclock::SetTime(loop.levelStartTime + played);
            TurnBlock(turns[i], turns[i].dir == 1 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT, i ? 10 : 9);
        }
    }
};
