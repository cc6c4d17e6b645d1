// Test double for the C library's rand(): counts the calls and can script the next results.
#pragma once

#include <cstdint>
#include <vector>

namespace randspy {

// Forgets the count and any scripted values.
void Reset();

// rand() calls since the last Reset.
uint64_t Calls();

// The next rand() calls return these values in order; after them the real rand() runs again.
void Script(std::vector<int> values);

} // namespace randspy
