// Test clock, one millisecond counter: klmr_Delay(ms) advances it and records the wait at no cost,
// klmr_Ticks() is its low 32 bits, klmr_Time() its whole seconds.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <utility>
#include <vector>

namespace fakeclock {

// Sets the clock to `seconds` (calendar time) and forgets every recorded wait and the hook.
void Reset(time_t seconds = 1700000000);
// Moves the clock on without recording a wait (time passing between frames).
void Advance(uint32_t ms);
// Sets the seconds clock; the sub-second part becomes 0.
void SetTime(time_t seconds);
// Runs hook at every klmr_Delay from now on, before the clock moves: a look at the program
// between the steps of its blocking effects and at the end of every main-loop frame.
void OnDelay(std::function<void()> hook);
// Every klmr_Delay argument since the last Reset, oldest first; their sum.
const std::vector<uint32_t>& Delays();
uint64_t TotalDelayMs();

} // namespace fakeclock
