// Test clock, one millisecond counter: klmr_Delay(ms) advances it and records the wait at no cost,
// klmr_Ticks() is its low 32 bits, klmr_Time() its whole seconds.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <utility>
#include <vector>

namespace fakeclock {

// Sets the clock to `seconds` and forgets the recorded waits and the hook.
void Reset(time_t seconds = 1700000000);
void Advance(uint32_t ms);    // time passing, no wait recorded
void SetTime(time_t seconds); // sub-second part 0
// Runs hook at every klmr_Delay, once the wait is recorded and before the clock moves: a look
// between the steps of blocking effects and at the end of every main-loop frame.
void OnDelay(std::function<void()> hook);
// Every klmr_Delay argument since the last Reset, oldest first; their sum.
const std::vector<uint32_t>& Delays();
uint64_t TotalDelayMs();

} // namespace fakeclock
