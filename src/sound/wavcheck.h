// The header of a WAV file, checked before the mixer sees the file.
//
// The mixer trusts the header: 0 channels, a rate of 0 or of 4,000,000,000 Hz overflow its stack
// while it builds its conversion. So a sound is handed to it only when its chunks hold what it
// can convert: PCM, 1 or 2 channels, 8,000 to 96,000 Hz, 8 or 16 bits, a matching block align,
// and a data chunk that lies within the file. A pure function over bytes, with no SDL.
#pragma once

#include <cstddef>

// True when data holds such a file. Otherwise false, with a short reason in why (at most whySize
// bytes with the terminator), e.g. "0 channels (a sound must have 1 or 2)".
//
// The chunks are walked as the mixer walks them, from the one after "WAVE", each header then
// its body, up to the data chunk; the first "fmt " chunk counts and must come before the data.
// A chunk before the data must lie within the file and have an even size: the older mixer reads
// no pad byte after an odd chunk and a newer one does, and the two must find the same chunks.
bool klmr_WavCheck(const unsigned char* data, size_t size, char* why, size_t whySize);
