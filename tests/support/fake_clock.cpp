// The fake clock behind klmr_Delay, klmr_Time and klmr_Ticks for the test binaries.
#include "fake_clock.h"

#include "clock.h"

namespace {
uint64_t nowMs = 1700000000ull * 1000;
std::vector<uint32_t> delays;
uint64_t timeReads = 0;
std::function<void()> onDelay;
} // namespace

void klmr_Delay(uint32_t ms) {
    if (onDelay) onDelay();
    delays.push_back(ms);
    nowMs += ms;
}

time_t klmr_Time() {
    ++timeReads;
    return static_cast<time_t>(nowMs / 1000);
}

uint32_t klmr_Ticks() {
    return static_cast<uint32_t>(nowMs);
}

namespace fakeclock {

void Reset(time_t seconds) {
    nowMs = static_cast<uint64_t>(seconds) * 1000;
    delays.clear();
    timeReads = 0;
    onDelay = nullptr;
}

void OnDelay(std::function<void()> hook) {
    onDelay = std::move(hook);
}

void Advance(uint32_t ms) {
    nowMs += ms;
}

void SetTime(time_t seconds) {
    nowMs = static_cast<uint64_t>(seconds) * 1000;
}

const std::vector<uint32_t>& Delays() {
    return delays;
}

uint64_t TotalDelayMs() {
    uint64_t sum = 0;
    for (uint32_t d : delays)
        sum += d;
    return sum;
}

uint64_t TimeReads() {
    return timeReads;
}

} // namespace fakeclock
