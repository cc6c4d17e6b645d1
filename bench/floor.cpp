// kelmora_floor: the least any SDL 1.2 game loop shaped like Kelmora's can cost, for
// bench/cpu.sh. It opens the same window (640N x 480N), runs the same 1 ms timer with nothing in
// its callback, and loops on the event poll and a 5 ms sleep, drawing nothing, until it is
// closed or sent SIGTERM. Whatever the game costs above this is the game's own work.
//   kelmora_floor [--scale N]   writes "floor 1" to $KELMORA_TIMES once the window is open
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

Uint32 Tick(Uint32 interval) {
    return interval;
}

} // namespace

int main(int argc, char** argv) {
    int scale = 1;
    if (argc == 3 && strcmp(argv[1], "--scale") == 0) scale = atoi(argv[2]);
    if (scale < 1 || scale > 3) {
        fprintf(stderr, "Usage: kelmora_floor [--scale 1|2|3]\n");
        return 2;
    }
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) != 0) {
        fprintf(stderr, "kelmora_floor: %s\n", SDL_GetError());
        return 1;
    }
    // The game's window: 16-bit at scale 1, 32-bit pixels written by the game itself above it.
    if (SDL_SetVideoMode(640 * scale, 480 * scale, scale == 1 ? 16 : 32, SDL_HWPALETTE) ==
        nullptr) {
        fprintf(stderr, "kelmora_floor: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    SDL_WM_SetCaption("Kelmora", nullptr);
    SDL_SetTimer(1, Tick);
    if (const char* path = getenv("KELMORA_TIMES")) {
        if (FILE* f = fopen(path, "w")) {
            fputs("floor 1\n", f);
            fclose(f);
        }
    }
    for (bool quit = false; !quit;) {
        SDL_Event e;
        while (SDL_PollEvent(&e) != 0)
            if (e.type == SDL_QUIT) quit = true;
        SDL_Delay(5);
    }
    SDL_Quit();
    return 0;
}
