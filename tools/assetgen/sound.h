// The two sound effects, synthesised: the swish of a turn and the tick of a click.
#pragma once

#include <cstdint>
#include <vector>

namespace assetgen {

inline constexpr int kSampleRate = 22050;

// Interleaved stereo 16-bit samples at kSampleRate.
std::vector<int16_t> SynthSwap();
std::vector<int16_t> SynthClick();

} // namespace assetgen
