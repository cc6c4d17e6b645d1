// The benchmarks' clock: waits return at once (so a frame's cost excludes its 5 ms pause) and
// are added up; the seconds and millisecond clocks are the real ones.
#include "bench_clock.h"

#include "clock.h"

#include <chrono>

namespace {
uint64_t sleptMs = 0;
const auto started = std::chrono::steady_clock::now();
} // namespace

void klmr_Delay(uint32_t ms) {
    sleptMs += ms;
}

time_t klmr_Time() {
    return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
}

uint32_t klmr_Ticks() {
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now() - started)
                                     .count());
}

uint32_t klmr_PaceTicks() {
    return klmr_Ticks();
}

namespace benchclock {
uint64_t SleptMs() {
    return sleptMs;
}
} // namespace benchclock
