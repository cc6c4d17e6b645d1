// kelmora_timed: the game as `kelmora` runs it (same arguments, real clock), timed for
// bench/cpu.sh. It writes to the file named by KELMORA_TIMES, rewritten about once a second:
//   startup_ms   from the start of main to the end of the first menu frame
//   curtain_ms   an opening curtain and logo_ms a logo drop, run again three times after that
//                frame: the fastest of the three (other work on the machine only slows them)
//   seconds (since main began), frames, requests, requested, handed, updated
//                the display door's counts since the window opened (areas in 640x480
//                pixels), with the seconds since then, so that the script can take rates
//                over any stretch.
// With --floor as its first argument it starts the game, then runs only the loop's skeleton:
// drain the events and pause 5 ms, drawing nothing; what that costs is the floor under any
// policy of display updates.
#include "clock.h"
#include "display.h"
#include "effects.h"
#include "game.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

MainLoop loop;
using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

struct Times {
    double startup = 0, curtain = 0, logo = 0;
    Clock::time_point opened;
    long frames = 0;
};

void Write(const Times& t) {
    const char* path = getenv("KELMORA_TIMES");
    if (path == nullptr) return;
    FILE* f = fopen(path, "w");
    if (f == nullptr) return;
    const DisplayStats s = klmr_DisplayStats();
    fprintf(f, "startup_ms %.1f\ncurtain_ms %.1f\nlogo_ms %.1f\nseconds %.3f\nframes %ld\n",
            t.startup, t.curtain, t.logo, Ms(t.opened, Clock::now()) / 1000, t.frames);
    fprintf(f, "requests %llu\nrequested %llu\nhanded %llu\nupdated %llu\n",
            static_cast<unsigned long long>(s.requests),
            static_cast<unsigned long long>(s.requested), static_cast<unsigned long long>(s.handed),
            static_cast<unsigned long long>(s.updated));
    fclose(f);
}

// The loop with nothing to draw: events drained, 5 ms pause, until the window is closed.
void Floor() {
    for (;;) {
        SDL_Event e;
        while (SDL_PollEvent(&e) != 0)
            if (e.type == SDL_QUIT) return;
        klmr_Delay(5);
    }
}

} // namespace

int main(int argc, char** argv) {
    const auto t0 = Clock::now();
    const bool floor = argc > 1 && strcmp(argv[1], "--floor") == 0;
    if (floor) --argc, ++argv;
    Options options;
    if (!klmr_ParseArgs(argc, argv, &options)) {
        fprintf(stderr, "Usage: kelmora_timed [--floor] [--scale 1|2|3|auto]\n");
        return 2;
    }
    klmr_DisplaySetScale(options.scale == kScaleUnset ? 1 : options.scale);
    if (klmr_StartUp(&loop) != 0) return -1;
    Times t;
    t.opened = t0;
    klmr_Frame(&loop);
    t.startup = Ms(t0, Clock::now());

    // The effects again, on the title screen; the menu is then drawn again.
    t.curtain = t.logo = 1e9;
    for (int i = 0; i < 3; ++i) {
        const auto t1 = Clock::now();
        klmr_CurtainEffect(0);
        const auto t2 = Clock::now();
        klmr_LogoDrop();
        t.curtain = std::min(t.curtain, Ms(t1, t2)),
        t.logo = std::min(t.logo, Ms(t2, Clock::now()));
    }
    loop.stateRedraw = 1;
    Write(t);
    if (floor) {
        Floor();
        return klmr_ShutDown(&loop);
    }
    auto written = Clock::now();
    while (klmr_Frame(&loop)) {
        ++t.frames;
        if (Ms(written, Clock::now()) >= 1000) Write(t), written = Clock::now();
    }
    Write(t);
    return klmr_ShutDown(&loop);
}
