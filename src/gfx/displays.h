// Information displays: the About and HiScores screens, the time and score of the play screen,
// and the line that echoes the name being typed.
#pragma once

#include "hiscores.h"

#include <cstdint>
#include <ctime>

// TestMode: 1 once the test-mode code was typed, for the rest of the process. The time
// display then counts seconds played upwards instead of seconds left.
extern uint8_t testMode;

// The one-line notice under the logo on the title screen, also the About screen's second line.
extern const char* const noticeLine;

// The About text: eleven lines, then a null entry.
extern const char* const aboutLines[12];

// Restores backBuffer onto screen, then the title in fontLarge red at y and the lines
// outlined in fontMedium blue from y + 40, 20 pixels apart. No display update.
void klmr_ShowAbout(const char* title, const char* const* lines, int y);

// Restores backBuffer onto screen, then "HiScores" at y and the ten rows
// "%s . . . . . %ld (%d)" from y + 40, 20 pixels apart. No display update.
void klmr_ShowHiScores(const HiScoreTable* table, int y);

// The time box {240, 400, 160, 30}. With both pointers: computes seconds left (in TestMode
// seconds elapsed) from the clock and draws only when the value differs from *shown, which it
// then stores. With either pointer null: shows limit (or *shown when only startTime is null).
void klmr_ShowTime(int32_t* shown, const time_t* startTime, int32_t limit);

// "score: %ld" in red over the box {240, y, 160, 30}, updating the text's own area.
void klmr_ShowScore(int32_t score, int y);

// "--->  %s  <---" outlined over the name box {120, 220, 400, 30}, updating the box.
void klmr_ShowNameLine(const char* name);
