// Preloaded into the real program by the end-to-end driver; each part is off unless its
// variable is set:
//   KELMORA_RAND0=1        rand() gives 0: every scramble turns block (0, 0) clockwise, so a level
//                          of a multiple of four cells ends its scramble as it started: solved
//   KELMORA_INJECT=STEPS   scripted input, steps separated by ";": "wait N" lets N main-loop
//                          frames pass (each ends with a 5 ms sleep), "pause" waits until a sleep
//                          of a second or more begins, "key SYM" queues a key press, "signal N"
//                          raises signal N
#include <SDL.h>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

template <typename Fn>
Fn Real(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

const char* script = nullptr; // the steps not run yet, set by the first poll
long frame = 0;
long waitUntil = -1;

void Run(bool inPause) {
    for (; *script != '\0'; script = strchr(script, ';') ? strchr(script, ';') + 1 : "") {
        char op[8] = "";
        int a = 0;
        sscanf(script, "%7[a-z] %d", op, &a);
        if (strcmp(op, "wait") == 0) {
            if (waitUntil < 0) waitUntil = frame + a;
            if (frame < waitUntil) return;
            waitUntil = -1;
        } else if (strcmp(op, "pause") == 0 && !inPause) {
            return;
        } else if (strcmp(op, "key") == 0) {
            SDL_Event e{};
            e.type = SDL_KEYDOWN;
            e.key.state = SDL_PRESSED;
            e.key.keysym.sym = static_cast<SDLKey>(a);
            SDL_PushEvent(&e);
        } else if (strcmp(op, "signal") == 0) {
            raise(a);
        }
    }
}

} // namespace

extern "C" {

int SDL_PollEvent(SDL_Event* event) {
    if (script == nullptr) script = getenv("KELMORA_INJECT") ? getenv("KELMORA_INJECT") : "";
    Run(false);
    return Real<int (*)(SDL_Event*)>("SDL_PollEvent")(event);
}

void SDL_Delay(Uint32 ms) {
    // Only the main loop sleeps 5 ms or a second and more; the timer thread sleeps less.
    if (script != nullptr && ms >= 1000) Run(true);
    if (script != nullptr && ms == 5) ++frame;
    Real<void (*)(Uint32)>("SDL_Delay")(ms);
}

int rand() {
    static const bool zero = getenv("KELMORA_RAND0") != nullptr;
    return zero ? 0 : Real<int (*)()>("rand")();
}

} // extern "C"
