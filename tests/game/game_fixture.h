// Shared set-up for the game tests: the program started once per process in a temporary
// directory, fresh loop variables for every test, injected events and frame stepping.
#pragma once

#include "fake_clock.h"
#include "game.h"
#include "sdl_spy.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace gametest {

// One scramble step as the play state recorded it: block, direction (0 ccw, 1 cw, -1 none).
struct Turn {
    uint8_t x;
    uint8_t y;
    int dir;
};

MainLoop& Loop();

// The working directory the program was started in (it holds data/ and hiscores.dat).
const std::string& WorkDir();

void PushKey(int sym);
void PushKeys(const char* text); // one key event per character
void PushMotion(int x, int y);
void PushButton(int button, int x, int y);
void PushQuit();

// Runs n frames; false as soon as one asks the loop to end.
bool Step(int n = 1);

// Window coordinates of a point inside cell (x, y) of the playing board next to the corner it
// shares with cell (x + 1, y + 1): the pointer there means block (x, y).
void BlockPoint(uint8_t x, uint8_t y, int* px, int* py);

// Runs the frames of a level's intro and scramble (starting with any queued Start); returns
// the scramble turns.
std::vector<Turn> RunScramble();

// A player's turn of block (x, y) with a button, by pointer motion and click, over its ten frames.
void TurnBlock(uint8_t x, uint8_t y, int button);

// Undoes a scramble by turning its blocks back in reverse order; every turn but the last
// runs its ten frames, the last runs all but its final frame (the frame that ends the level).
// A clock value other than 0 is set just before the last turn.
void UndoAllButLastFrame(const std::vector<Turn>& turns, time_t clockBeforeLastTurn = 0);

// Plays of the two sound slots recorded since the last sdlspy::Reset.
int SwapPlays();
int ClickPlays();

// The recorded waits from index `from` on, without the 5 ms frame pauses.
std::vector<uint32_t> WaitsSince(size_t from);

// True when the whole screen was updated since the last sdlspy::Reset.
bool WholeScreenUpdated();

// The file's bytes, or "<missing>".
std::string ReadFile(const std::string& path);

// hiscores.dat as the default table writes it.
std::string DefaultScoreFile();

// Every test starts on the menu as after start-up: fresh loop variables and table, test mode
// off, the title screen restored, empty event queue, fresh clock and recorder, rand seeded.
class GameTest : public ::testing::Test {
  protected:
    void SetUp() override;
};

} // namespace gametest
