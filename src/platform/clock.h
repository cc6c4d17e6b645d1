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

// Calendar time in seconds, the C library's time(NULL).
time_t klmr_Time();

// Milliseconds since the media library started; wraps after about 49 days.
uint32_t klmr_Ticks();

// The same counter, read only to pace the display's updates. Nothing the game decides depends
// on it, so it is kept apart from the game's own readings.
uint32_t klmr_PaceTicks();

// The seed of rand(): a reading of klmr_Time() that a replay knows by that name.
unsigned klmr_Seed();

// ---- The replay tap (clocktap.cpp, library kelmora_clocktap).
//
// A clock implementation hands every reading it takes to klmr_TapRead and asks klmr_TapWaits
// before it waits. Live, the reading passes unchanged and every wait happens. While a run is
// recorded the reading is also logged for the recorder; while a replay plays, the recorded
// reading comes back instead of the live one, and waits happen only when the replay is paced.
// While recording, a calendar reading never goes back: a clock set back stands still instead.
// Main thread only: the bouncing tiles' timer thread reads no clock.

enum class ClockRead : char { Seed = 's', Time = 't', Ticks = 'k' };
struct ClockReading {
    ClockRead kind;
    int64_t value;
};

inline constexpr int kTapReadings = 64; // readings one frame may take

struct ClockTap {
    bool recording;
    bool playing;
    bool paced; // while playing: klmr_Delay really waits
    // Recording: the readings taken since the recorder last emptied the log.
    ClockReading log[kTapReadings];
    int logged;
    bool overflow; // more than kTapReadings in one frame: the log is incomplete
    // Playing: the readings of the frame being played, taken in order.
    ClockReading queue[kTapReadings];
    int queued;
    int taken;
    // The first reading the game took that the replay did not foresee (kind differs, or the
    // queue was empty); it was answered with the live value.
    bool strayed;
    ClockRead strayKind;
};
extern ClockTap clockTap;

// The reading to use in place of live (see above).
int64_t klmr_TapRead(ClockRead kind, int64_t live);

// Whether a wait is to happen.
bool klmr_TapWaits();
