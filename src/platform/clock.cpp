// The real clock: SDL's delay and tick counter and the C library's calendar time.
#include "clock.h"

#include <SDL.h>

void klmr_Delay(uint32_t ms) {
    SDL_Delay(ms);
}

time_t klmr_Time() {
    return time(nullptr);
}

uint32_t klmr_Ticks() {
    return SDL_GetTicks();
}

uint32_t klmr_PaceTicks() {
    return SDL_GetTicks();
}
