// The game states' handlers, called by the main loop's dispatchers: each state has a key
// handler, mouse handlers where it takes the mouse, and a frame step, named alike.
//
// Key handlers receive the keys that the loop's general key handling leaves to the state
// (Enter, Escape, and in NameEntry every key) and return false when polling must stop for this
// frame. Frame steps say how the frame is to be finished.
#pragma once

#include "game.h"

// How the main loop finishes a frame after the state's frame step.
enum class FrameEnd {
    Strip,     // bouncing tiles, then the bottom strip (the whole screen if flipScreen is set)
    Whole,     // the step drew its whole screen: bouncing tiles, then the whole screen
    Play,      // an ordinary play frame: the whole screen only if flipScreen is set
    NextLevel, // play began the next level: the whole screen, no bouncing tiles
    RunOver,   // play ended the run: bouncing tiles, then the whole screen
};

inline constexpr int kKeyBackspace = 8;
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeySpace = 32;
inline constexpr int kKeyComma = 44;
inline constexpr int kKeyPeriod = 46;
inline constexpr int kKeyUp = 273;
inline constexpr int kKeyDown = 274;
inline constexpr int kKeyRight = 275;
inline constexpr int kKeyLeft = 276;

// Menu, and the code ring that runs behind every state but NameEntry (menu.cpp).
bool klmr_MenuKey(MainLoop* loop, int sym);
void klmr_MenuMotion(MainLoop* loop, int x, int y);
// Every pointer motion and button press, in every state, before its state's handler: keeps the
// first position reported and notes when the pointer has been reported anywhere else.
void klmr_PointerSeen(MainLoop* loop, int x, int y);
void klmr_MenuButton(MainLoop* loop, int button, int x, int y);
FrameEnd klmr_MenuFrame(MainLoop* loop);
void klmr_CodeRingFeed(MainLoop* loop, char c);

// HiScores, About and Exit: the screens the menu opens (menu.cpp).
bool klmr_InfoKey(MainLoop* loop, int sym);
void klmr_InfoButton(MainLoop* loop);
FrameEnd klmr_HiScoresFrame(MainLoop* loop);
FrameEnd klmr_AboutFrame(MainLoop* loop);
FrameEnd klmr_ExitFrame(MainLoop* loop);

// Play (play.cpp). Besides Enter and Escape the key handler takes the keyboard's play keys:
// the arrows move the block cursor (and nothing else), `,` and `.` turn like buttons 1 and 3,
// Space like any other button.
bool klmr_PlayKey(MainLoop* loop, int sym);
void klmr_PlayMotion(MainLoop* loop, int x, int y);
void klmr_PlayButton(MainLoop* loop, int button);
FrameEnd klmr_PlayFrame(MainLoop* loop);

// NameEntry (nameentry.cpp). Mouse events are ignored in this state.
bool klmr_NameEntryKey(MainLoop* loop, int sym);
FrameEnd klmr_NameEntryFrame(MainLoop* loop);

// The end of a run: NameEntry when the run's score qualifies, else Menu; stateRedraw = 1.
void klmr_EndRun(MainLoop* loop);
