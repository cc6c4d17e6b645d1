// The WAV header check: RIFF chunks walked within the file, the format chunk's fields bounded.
#include "wavcheck.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr size_t kChunkHeader = 8; // four-character id, 32-bit little-endian size
constexpr uint32_t kFmtMin = 16;   // the PCM fields every format chunk holds
constexpr uint32_t kRateMin = 8000;
constexpr uint32_t kRateMax = 96000;

uint16_t Le16(const unsigned char* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

uint32_t Le32(const unsigned char* p) {
    return static_cast<uint32_t>(Le16(p)) | static_cast<uint32_t>(Le16(p + 2)) << 16;
}

// A chunk id as text for a message, with anything unprintable shown as "?".
struct Id {
    char text[5];
    explicit Id(const unsigned char* p) {
        for (int i = 0; i < 4; ++i)
            text[i] = p[i] >= 32 && p[i] < 127 ? static_cast<char>(p[i]) : '?';
        text[4] = '\0';
    }
};

__attribute__((format(printf, 3, 4))) bool Refuse(char* why, size_t whySize, const char* format,
                                                  ...) {
    if (why != nullptr && whySize > 0) {
        va_list args;
        va_start(args, format);
        vsnprintf(why, whySize, format, args);
        va_end(args);
    }
    return false;
}

// Checks the PCM fields of a format chunk of at least kFmtMin bytes; the block align of the
// data follows in *align.
bool CheckFormat(const unsigned char* fmt, unsigned* align, char* why, size_t whySize) {
    const unsigned format = Le16(fmt);
    const unsigned channels = Le16(fmt + 2);
    const uint32_t rate = Le32(fmt + 4);
    const unsigned blockAlign = Le16(fmt + 12);
    const unsigned bits = Le16(fmt + 14);
    if (format != 1) return Refuse(why, whySize, "format %u, not PCM (1)", format);
    if (channels < 1 || channels > 2)
        return Refuse(why, whySize, "%u channels (a sound must have 1 or 2)", channels);
    if (rate < kRateMin || rate > kRateMax)
        return Refuse(why, whySize, "a rate of %lu Hz (a sound must have %lu to %lu)",
                      static_cast<unsigned long>(rate), static_cast<unsigned long>(kRateMin),
                      static_cast<unsigned long>(kRateMax));
    if (bits != 8 && bits != 16)
        return Refuse(why, whySize, "%u bits a sample (a sound must have 8 or 16)", bits);
    if (blockAlign != channels * bits / 8)
        return Refuse(why, whySize, "a block align of %u (%u channels of %u bits take %u)",
                      blockAlign, channels, bits, channels * bits / 8);
    *align = blockAlign;
    return true;
}

} // namespace

bool klmr_WavCheck(const unsigned char* data, size_t size, char* why, size_t whySize,
                   WavChunks* chunks) {
    if (data == nullptr || size < 12 || memcmp(data, "RIFF", 4) != 0 ||
        memcmp(data + 8, "WAVE", 4) != 0)
        return Refuse(why, whySize, "not a RIFF WAVE file");
    unsigned align = 0; // 0 until the format chunk has been checked
    size_t format = 0;
    for (size_t pos = 12;;) {
        if (size - pos < kChunkHeader)
            return Refuse(why, whySize, align ? "no data chunk" : "no 'fmt ' chunk");
        const Id id(data + pos);
        const uint32_t length = Le32(data + pos + 4);
        const size_t body = pos + kChunkHeader;
        const size_t left = size - body;
        if (memcmp(id.text, "data", 4) == 0) {
            if (align == 0) return Refuse(why, whySize, "no 'fmt ' chunk before the data");
            if (length > left)
                return Refuse(why, whySize,
                              "a data chunk of %lu bytes where the file holds %zu after its header",
                              static_cast<unsigned long>(length), left);
            if (length < align) return Refuse(why, whySize, "no whole sample in the data chunk");
            if (chunks != nullptr) *chunks = {format, body, length};
            return true;
        }
        if (length > left)
            return Refuse(why, whySize, "a '%s' chunk of %lu bytes where the file holds %zu",
                          id.text, static_cast<unsigned long>(length), left);
        if (memcmp(id.text, "fmt ", 4) == 0 && align == 0) {
            if (length < kFmtMin)
                return Refuse(why, whySize, "a 'fmt ' chunk of %lu bytes (it needs %lu)",
                              static_cast<unsigned long>(length),
                              static_cast<unsigned long>(kFmtMin));
            if (!CheckFormat(data + body, &align, why, whySize)) return false;
            format = body;
        }
        // A chunk of an odd size is followed by a pad byte. A pad byte missing at the end of
        // the file leaves no room for another chunk, as does the end itself.
        pos = std::min(size, body + length + length % 2);
    }
}

size_t klmr_WavPlainSize(const WavChunks* chunks) {
    return kWavPlainHeader + chunks->sampleBytes + chunks->sampleBytes % 2;
}

void klmr_WavWritePlain(const unsigned char* data, const WavChunks* chunks, unsigned char* out) {
    const size_t size = klmr_WavPlainSize(chunks);
    // The sizes fit 32 bits: the data chunk's came from a 32-bit field, and the file it lies in
    // is a few MiB at most.
    auto put32 = [&out](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            *out++ = static_cast<unsigned char>(v >> 8 * i);
    };
    auto put = [&out](const void* p, size_t n) {
        memcpy(out, p, n);
        out += n;
    };
    put("RIFF", 4);
    put32(static_cast<uint32_t>(size - 8));
    put("WAVEfmt ", 8);
    put32(kFmtMin);
    put(data + chunks->format, kFmtMin);
    put("data", 4);
    put32(static_cast<uint32_t>(chunks->sampleBytes));
    put(data + chunks->samples, chunks->sampleBytes);
    if (chunks->sampleBytes % 2 != 0) *out = 0;
}
