// Fuzz target: any bytes as a replay file are parsed into a replay that keeps its invariants, or
// refused with a reason that names a line; never a crash, a hang or unbounded memory.
//
// A parsed replay's frames cover its items exactly, in order; no frame holds more readings or
// events than the player takes; the frames add up to its count, within the limit; the table's
// names are terminated, zero-filled and free of the score file's marker.
#include "replay.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "invariant broken: %s\n", what);
    abort();
}

void CheckReplay(const Replay& r) {
    uint64_t frames = 0;
    uint32_t next = 0;
    for (const ReplayFrames& f : r.frames) {
        if (f.first != next || f.repeat == 0) Fail("frames do not cover the items in order");
        int readings = 0, events = 0;
        for (uint32_t i = f.first; i < f.first + f.count; ++i)
            (r.items.at(i).isEvent ? events : readings) += 1;
        if (readings > kTapReadings || events > kReplayMaxEvents) Fail("a frame holds too much");
        next = f.first + f.count;
        frames += f.repeat;
    }
    if (next != r.items.size()) Fail("items after the last frame");
    if (frames != r.frameCount || frames > kReplayMaxFrames) Fail("frame count");
    if (r.startUp.size() > static_cast<size_t>(kTapReadings)) Fail("start-up readings");
    for (const HiScoreEntry& row : r.table) {
        const void* nul = memchr(row.name, '\0', sizeof row.name);
        if (nul == nullptr || strchr(row.name, '|') != nullptr) Fail("a name");
        for (const char* p = static_cast<const char*>(nul); p < row.name + sizeof row.name; ++p)
            if (*p != '\0') Fail("bytes after a name's terminator");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Replay replay;
    char why[256] = "";
    if (klmr_ReplayParse(reinterpret_cast<const char*>(data), size, &replay, why, sizeof why) == 0)
        CheckReplay(replay);
    else if (strncmp(why, "line ", 5) != 0)
        Fail("a refusal that names no line");
    return 0;
}
