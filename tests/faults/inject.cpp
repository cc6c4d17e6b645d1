// Scripted input for the real program under the dummy video driver, preloaded with LD_PRELOAD.
//
// KELMORA_INJECT holds steps separated by ";", run one after another:
//   wait N    let N main-loop frames pass (a frame ends with the loop's 5 ms sleep)
//   pause     wait until a sleep of a second or more begins (the level-end pause)
//   key SYM   queue a key press with SDL key symbol SYM
//   term      send SIGTERM to the process
// Frames are counted from the first SDL_PollEvent, so the start-up effects do not count. A
// step after "pause" runs before that sleep starts, so "pause;term" signals during the pause.
// rand() always returns 0: every scramble turns block (0, 0) clockwise, so a level whose cell
// count is a multiple of four ends up solved.
#include <SDL.h>
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char* script = nullptr; // the steps not run yet, set by the first SDL_PollEvent
long frame = 0;
long waitUntil = -1; // frame at which the running "wait" ends

// Runs the steps that are due. inPause is set while a long sleep is about to begin.
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
        } else if (strcmp(op, "term") == 0) {
            kill(getpid(), SIGTERM);
        }
    }
}

} // namespace

extern "C" {

int SDL_PollEvent(SDL_Event* event) {
    static auto real = reinterpret_cast<int (*)(SDL_Event*)>(dlsym(RTLD_NEXT, "SDL_PollEvent"));
    if (script == nullptr) script = getenv("KELMORA_INJECT") ? getenv("KELMORA_INJECT") : "";
    Run(false);
    return real(event);
}

void SDL_Delay(Uint32 ms) {
    static auto real = reinterpret_cast<void (*)(Uint32)>(dlsym(RTLD_NEXT, "SDL_Delay"));
    // Only the main loop sleeps 5 ms or a second and more; the timer thread sleeps 1 ms.
    if (script != nullptr && ms >= 1000) Run(true);
    if (script != nullptr && ms == 5) ++frame;
    real(ms);
}

int rand() {
    return 0;
}

} // extern "C"
