// The game program: its states, the main loop's record, and the entry points that start the
// program, run one frame of the main loop, and shut it down.
//
// The whole run lives in one MainLoop record. main() is start-up, then frames until one returns
// false, then shut-down; tests drive the same functions with injected events and a fake clock.
#pragma once

#include "hiscores.h"
#include "puzzle.h"

#include <cstdint>
#include <cstdio>
#include <ctime>

// When 1, start-up opens with the curtain and the logo drop and shut-down closes with the curtain.
inline constexpr uint8_t introEffects = 1;

// The game states. The values are fixed: Menu activates item i by storing i as the state.
enum class GameState : int {
    NameEntry = -2,
    Menu = -1,
    Play = 0,
    HiScores = 1,
    About = 2,
    Exit = 3,
};

inline constexpr int kNameMax = 31;           // characters of a typed name
inline constexpr int kCodeLength = 5;         // characters of a level or test-mode code
inline constexpr int kFrameCounterWrap = 330; // ten cycles of the 33-count cursor animation

// Everything one run of the program owns. Main thread only.
struct MainLoop {
    GameState gameState;
    int stateRedraw;    // the current state draws its whole screen on its next frame
    int flipScreen;     // this frame ends with a whole-screen update
    int nameLineDirty;  // this frame ends by redrawing the name-entry line
    int quitRequested;  // the loop ends after this frame
    int frameCounter;   // 0..329, the cursor animation's clock
    int menuSelection;  // 0 Start, 1 HiScores, 2 About, 3 Exit
    int selectBarY;     // current y of the selection bar; rests at menuBarY[menuSelection]
    uint8_t startLevel; // level index at which Start begins
    char codeBuffer[kCodeLength + 1]; // the last five code characters typed, oldest first
    // The first pointer position SDL reported (-1 until then), and whether the pointer has
    // been reported anywhere else since: only then does the menu follow it.
    int pointerFirstX;
    int pointerFirstY;
    int pointerMoved;

    Puzzle puzzle;
    HiScoreTable hiScores;
    HiScoreEntry newEntry; // the run's score and the number of the last level scrambled
    char typedName[kNameMax + 1];

    // Play. animStep counts the intro and scramble frames of a level (0 .. w*h*10 - 1) or the
    // ten frames of a player's turn (0..9); it stays above 9 while no turn is animating.
    int animStep;
    int rotating; // a player's turn is being animated
    uint8_t rotX; // block being turned, by the player or by the last scramble step
    uint8_t rotY;
    int8_t rotDir;      // direction of the player's turns, kept across turns, levels and runs
    int8_t scrambleDir; // result of the last scramble step: 0, 1, or -1 when none was found
    int hoverValid;     // a turnable block is marked: under the pointer, or chosen by the arrows
    uint8_t hoverX;
    uint8_t hoverY;
    int32_t timeLeft;      // seconds left, or in test mode seconds played
    time_t levelStartTime; // calendar time at which the level's scramble ended
};

// What the command line asked for. Every field is 0, null or kScaleUnset when its option was
// not given: the program then behaves as it always has.
inline constexpr int kScaleUnset = -1;
struct Options {
    int scale;            // "--scale N": 1..3, or kScaleAuto for "auto"; kScaleUnset when not given
    int fullscreen;       // "--fullscreen": start fullscreen
    const char* settings; // "--settings FILE": the window choices are read from and kept in FILE
    int help;             // "--help" or "-h"
    int version;          // "--version" or "-V"
    const char* record;   // "--record FILE": the run is recorded into FILE
    const char* replay;   // "--replay FILE": the run recorded in FILE is played back
    int headless;         // "--headless": the replay plays on the dummy drivers, without waiting
};

// Reads the program's arguments, in any order, each option at most meaningful once (a later
// one wins). A valued option is written as two arguments, or as one with "=" between name and
// value. True with *options filled; false for an unknown option, a missing or empty value or a
// scale other than 1, 2, 3 or "auto", *options untouched.
bool klmr_ParseArgs(int argc, const char* const* argv, Options* options);

// The usage line alone (after a usage error, on standard error); the whole help, usage, options
// and keys (for --help, on standard output); "kelmora VERSION" (for --version).
void klmr_PrintUsage(FILE* out);
void klmr_PrintHelp(FILE* out);
void klmr_PrintVersion(FILE* out);

// Remembered window choices. klmr_ChoicesLoad reads the settings file at path (null: none) and
// gives the display what it holds, the options given on the command line winning for this run; a
// file that cannot be read gets one warning line on standard error and is never written over.
// klmr_ChoicesKeep, after the player resized the window or toggled fullscreen, writes what
// changed since *before back to the file. Without a file nothing is read or written.
struct DisplayState;
void klmr_ChoicesLoad(const char* path, const Options* options);
void klmr_ChoicesKeep(const DisplayState* before);

// "Error: %s\n", or with flag 1 "Error: %s : %s\n" with SDL_GetError(), on standard error.
// A null message prints nothing.
void klmr_PrintError(const char* message, uint8_t flag);

// 0 when there is a display to open the window on (DISPLAY or WAYLAND_DISPLAY set), or a video
// driver was chosen with SDL_VIDEODRIVER; else -1, said on standard error. Called once the
// arguments are read, before start-up.
int klmr_CheckDisplay();

// Sets every loop and play variable to its value at the start of the program; leaves puzzle,
// hiScores and newEntry alone. rotDir starts at 0 (counter-clockwise).
void klmr_LoopReset(MainLoop* loop);

// Brings up the libraries, fonts, sound, window and images, draws the title screen, loads
// "hiscores.dat" into loop->hiScores, starts the bouncing-tile timer and resets the loop.
// 0 on success; -1 after a fatal failure, reported on standard error, with everything the
// program opened released again and nothing drawn.
int klmr_StartUp(MainLoop* loop);

// One frame of the main loop: events, the state's frame step, the screen update, then the
// 5 ms pause. False when the loop is to end (nothing is paused then).
bool klmr_Frame(MainLoop* loop);

// Saves the table, closes the screen with the curtain and releases everything. 0; or, when a
// run was recorded or replayed, what klmr_ReplayFinish returned (replay.h).
int klmr_ShutDown(MainLoop* loop);

// Saves (merges) the table into its file; on failure says why on standard error. 0 saved, -1 not.
int klmr_SaveScores(MainLoop* loop);
