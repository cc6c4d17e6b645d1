// Kelmora: start-up, the main loop until a quit is requested, shut-down.
#include "display.h"
#include "game.h"
#include "replay.h"

#include <cstdio>
#include <cstdlib>

namespace {
MainLoop loop; // one run of the program; large, so not on the stack

// Arms the replay and the recorder the options ask for: 0, or 2 after telling why not.
int SetUpReplay(const Options& options) {
    char why[512];
    if (options.headless && options.replay == nullptr) {
        fprintf(stderr, "Error: --headless plays a replay: give it --replay FILE\n");
        klmr_PrintUsage(stderr);
        return 2;
    }
    if (options.replay != nullptr) {
        // Before SDL starts: it chooses its drivers then.
        if (options.headless) {
            setenv("SDL_VIDEODRIVER", "dummy", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
        }
        if (klmr_ReplayLoad(options.replay, !options.headless, why, sizeof why) != 0) {
            fprintf(stderr, "Error: Couldn't play the replay %s\n", why);
            return 2;
        }
    }
    if (options.record != nullptr && klmr_ReplayRecordTo(options.record, why, sizeof why) != 0) {
        fprintf(stderr, "Error: Couldn't record the run: %s\n", why);
        return 2;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!klmr_ParseArgs(argc, argv, &options)) {
        klmr_PrintUsage(stderr);
        return 2;
    }
    if (options.help || options.version) {
        options.help ? klmr_PrintHelp(stdout) : klmr_PrintVersion(stdout);
        return fflush(stdout) == 0 ? 0 : 1;
    }
    // Before the display is looked for: a headless replay chooses the dummy driver.
    if (SetUpReplay(options) != 0) return 2;
    if (klmr_CheckDisplay() != 0) return -1;
    // A replay reads and writes no settings: its window is the command line's alone.
    klmr_ChoicesLoad(options.replay != nullptr ? nullptr : options.settings, &options);
    if (klmr_StartUp(&loop) != 0) return -1;
    while (klmr_Frame(&loop)) {
    }
    return klmr_ShutDown(&loop);
}
