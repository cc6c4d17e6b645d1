// Kelmora: start-up, the main loop until a quit is requested, shut-down.
#include "game.h"

namespace {
MainLoop loop; // one run of the program; large, so not on the stack
} // namespace

int main() {
    if (klmr_StartUp(&loop) != 0) return -1;
    while (klmr_Frame(&loop)) {
    }
    return klmr_ShutDown(&loop);
}
