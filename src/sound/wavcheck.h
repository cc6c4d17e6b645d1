// The header of a WAV file, checked before the mixer sees the file.
//
// The mixer trusts the header: 0 channels, a rate of 0 or of 4,000,000,000 Hz overflow its stack
// while it builds its conversion. So a sound is handed to it only when its chunks hold what it
// can convert: PCM, 1 or 2 channels, 8,000 to 96,000 Hz, 8 or 16 bits, a matching block align,
// and a data chunk that lies within the file. A pure function over bytes, with no SDL.
#pragma once

#include <cstddef>

// Where a file that passes the check keeps what the mixer needs.
struct WavChunks {
    size_t format;      // offset of the first format chunk's body: its first 16 bytes are the PCM
                        // fields
    size_t samples;     // offset of the data chunk's body
    size_t sampleBytes; // the data chunk's size, within the file
};

// The plain RIFF file of a sound: "RIFF", "WAVE", a 16-byte format chunk and the data chunk (with
// its pad byte when its size is odd), nothing else. Sound editors write other chunks around these
// (JUNK, bext, cue and more), and the older mixer refuses any but LIST and FACT before the format:
// the game hands it this form instead, which every mixer reads alike.
inline constexpr size_t kWavPlainHeader = 44;
size_t klmr_WavPlainSize(const WavChunks* chunks);
// Writes the plain file of data, which passed the check with these chunks, into out, which holds
// klmr_WavPlainSize(chunks) bytes.
void klmr_WavWritePlain(const unsigned char* data, const WavChunks* chunks, unsigned char* out);

// True when data holds such a file. Otherwise false, with a short reason in why (at most whySize
// bytes with the terminator), e.g. "0 channels (a sound must have 1 or 2)".
//
// The chunks are walked from the one after "WAVE", each header then its body and, after a body
// of an odd size, its pad byte, up to the data chunk; the first "fmt " chunk counts and must come
// before the data. A chunk before the data must lie within the file. The mixers differ on pad
// bytes and on the chunks they skip, so only the plain form below ever reaches one.
// When chunks is not null, a file that passes has its chunks' places written there.
bool klmr_WavCheck(const unsigned char* data, size_t size, char* why, size_t whySize,
                   WavChunks* chunks = nullptr);
