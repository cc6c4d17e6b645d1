// The program's one door to time: every wait and every clock read goes through these three.
//
// The real implementation (clock.cpp, library kelmora_platform) calls SDL_Delay, time() and
// SDL_GetTicks. Tests link a fake one instead (tests/support/fake_clock.cpp), so a six-second
// pause costs nothing and the seconds clock moves only when a test says so. Libraries that
// wait or read the clock therefore never link kelmora_platform themselves: only the final
// program chooses which clock it gets.
#pragma once

#include <cstdint>
#include <ctime>

// Blocks the calling thread for ms milliseconds.
void klmr_Delay(uint32_t ms);

// Calendar time in seconds, the C library's time(NULL); also the seed of rand().
time_t klmr_Time();

// Milliseconds since the media library started; wraps after about 49 days.
uint32_t klmr_Ticks();

// The same counter, read only to pace the display's updates. Nothing the game decides depends
// on it, so it is kept apart from the game's own readings.
uint32_t klmr_PaceTicks();
