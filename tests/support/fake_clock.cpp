// The fake clock behind klmr_Delay, klmr_Time and klmr_Ticks for the test binaries.
#include "fake_clock.h"

#include "clock.h"

#include <numeric>

static uint64_t nowMs = 1700000000ull * 1000;
static std::vector<uint32_t> delays;
static std::function<void()> onDelay;

void klmr_Delay(uint32_t ms) {
    delays.push_back(ms);
    if (onDelay) onDelay();
    nowMs += ms;
}

time_t klmr_Time() {
    return static_cast<time_t>(nowMs / 1000);
}

uint32_t klmr_Ticks() {
    return static_cast<uint32_t>(nowMs);
}

uint32_t klmr_PaceTicks() {
    return static_cast<uint32_t>(nowMs);
}

void fakeclock::Reset(time_t seconds) {
    SetTime(seconds);
    delays.clear();
    onDelay = nullptr;
}

void fakeclock::OnDelay(std::function<void()> hook) {
    onDelay = std::move(hook);
}

void fakeclock::Advance(uint32_t ms) {
    nowMs += ms;
}

void fakeclock::SetTime(time_t seconds) {
    nowMs = static_cast<uint64_t>(seconds) * 1000;
}

const std::vector<uint32_t>& fakeclock::Delays() {
    return delays;
}

uint64_t fakeclock::TotalDelayMs() {
    return std::accumulate(delays.begin(), delays.end(), uint64_t{0});
}
