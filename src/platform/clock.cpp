// The real clock: SDL's delay and tick counter and the C library's calendar time, each passed
// through the replay tap but the display's pacing ticks, which decide nothing.
#include "clock.h"

#include <SDL.h>

void klmr_Delay(uint32_t ms) {
    if (klmr_TapWaits()) SDL_Delay(ms);
}

time_t klmr_Time() {
    return static_cast<time_t>(klmr_TapRead(ClockRead::Time, time(nullptr)));
}

uint32_t klmr_Ticks() {
    return static_cast<uint32_t>(klmr_TapRead(ClockRead::Ticks, SDL_GetTicks()));
}

uint32_t klmr_PaceTicks() {
    return SDL_GetTicks();
}
