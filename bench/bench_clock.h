// The benchmarks' clock: klmr_Delay returns at once and only adds the wait to a total.
#pragma once

#include <cstdint>

namespace benchclock {

// Milliseconds of waiting asked for since the start of the process.
uint64_t SleptMs();

} // namespace benchclock
