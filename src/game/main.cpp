// Kelmora: start-up, the main loop until a quit is requested, shut-down.
#include "display.h"
#include "game.h"

#include <cstdio>

namespace {
MainLoop loop; // one run of the program; large, so not on the stack
} // namespace

int main(int argc, char** argv) {
    Options options;
    if (!klmr_ParseArgs(argc, argv, &options) || options.help || options.version) {
        fprintf(stderr, "Usage: kelmora [--scale 1|2|3|auto] [--fullscreen] [--settings FILE]\n");
        return 2;
    }
    klmr_ChoicesLoad(options.settings, &options);
    if (klmr_StartUp(&loop) != 0) return -1;
    while (klmr_Frame(&loop)) {
    }
    return klmr_ShutDown(&loop);
}
