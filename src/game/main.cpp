// Kelmora: start-up, the main loop until a quit is requested, shut-down.
#include "display.h"
#include "game.h"

#include <cstdio>

namespace {
MainLoop loop; // one run of the program; large, so not on the stack
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
    if (klmr_CheckDisplay() != 0) return -1;
    klmr_ChoicesLoad(options.settings, &options);
    if (klmr_StartUp(&loop) != 0) return -1;
    while (klmr_Frame(&loop)) {
    }
    return klmr_ShutDown(&loop);
}
