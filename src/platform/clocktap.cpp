// The replay tap: where recording and playback meet the clock (clock.h).
#include "clock.h"

ClockTap clockTap = {};

namespace {
bool seeding = false; // the next Time reading is the seed
} // namespace

unsigned klmr_Seed() {
    seeding = true;
    const time_t t = klmr_Time();
    seeding = false;
    return static_cast<unsigned>(t);
}

int64_t klmr_TapRead(ClockRead kind, int64_t live) {
    ClockTap& tap = clockTap;
    if (seeding && kind == ClockRead::Time) kind = ClockRead::Seed;
    int64_t value = live;
    if (tap.playing) {
        if (tap.taken < tap.queued && tap.queue[tap.taken].kind == kind) {
            value = tap.queue[tap.taken++].value;
        } else if (!tap.strayed) {
            tap.strayed = true;
            tap.strayKind = kind;
        }
    }
    if (tap.recording && kind != ClockRead::Ticks) {
        // A calendar clock set back (by hand, or by a time service) would stop the recording
        // from replaying: while recording, it stands still until it has caught up.
        static int64_t latest = INT64_MIN;
        if (value < latest) value = latest;
        latest = value;
    }
    if (tap.recording) {
        if (tap.logged < kTapReadings)
            tap.log[tap.logged++] = {kind, value};
        else
            tap.overflow = true;
    }
    return value;
}

bool klmr_TapWaits() {
    return !clockTap.playing || clockTap.paced;
}
