// Scripted input for the real program under the dummy video driver, preloaded with LD_PRELOAD.
//
// KELMORA_INJECT holds steps separated by ";", run one after another on the main thread:
//   wait N          let N main-loop frames pass (a frame ends with the loop's 5 ms sleep)
//   pause           wait until a sleep of a second or more begins (the level-end pause)
//   key SYM         queue a key press with SDL key symbol SYM
//   motion X Y      queue a pointer move
//   button B X Y    queue a press of mouse button B
//   term            send SIGTERM to the process
// Frames are counted from the first SDL_PollEvent, so the start-up effects do not count. A
// step after "pause" runs before that sleep starts, so "pause;term" signals during the pause.
// KELMORA_INJECT_RAND0=1 makes rand() return 0: every scramble then turns block (0, 0)
// clockwise, so a level whose cell count is a multiple of four ends up solved.
// KELMORA_INJECT_LOG=<file> records each step as it runs, with its frame number.
#include <SDL.h>
#include <dlfcn.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Step {
    std::string op;
    int a = 0, b = 0, c = 0;
};

std::vector<Step> steps;
size_t next = 0;
bool started = false;
pthread_t mainThread;
long frame = 0;
long waitUntil = -1; // frame at which the running "wait" ends
FILE* logFile = nullptr;

template <typename Fn>
Fn Real(const char* name) {
    void* sym = dlsym(RTLD_NEXT, name);
    if (sym == nullptr) abort();
    return reinterpret_cast<Fn>(sym);
}

[[gnu::constructor]] void Parse() {
    if (const char* path = getenv("KELMORA_INJECT_LOG")) logFile = fopen(path, "w");
    const char* script = getenv("KELMORA_INJECT");
    if (script == nullptr) return;
    std::stringstream all(script);
    std::string item;
    while (std::getline(all, item, ';')) {
        std::istringstream in(item);
        Step s;
        if (in >> s.op) {
            in >> s.a >> s.b >> s.c;
            steps.push_back(s);
        }
    }
}

void Push(const SDL_Event& e) {
    SDL_Event copy = e;
    SDL_PushEvent(&copy);
}

// Runs the steps that are due. inPause is set while a long sleep is about to begin.
void Run(bool inPause) {
    while (next < steps.size()) {
        const Step& s = steps[next];
        if (s.op == "wait") {
            if (waitUntil < 0) waitUntil = frame + s.a;
            if (frame < waitUntil) return;
            waitUntil = -1;
        } else if (s.op == "pause") {
            if (!inPause) return;
        } else if (s.op == "key") {
            SDL_Event e{};
            e.type = SDL_KEYDOWN;
            e.key.state = SDL_PRESSED;
            e.key.keysym.sym = static_cast<SDLKey>(s.a);
            Push(e);
        } else if (s.op == "motion") {
            SDL_Event e{};
            e.type = SDL_MOUSEMOTION;
            e.motion.x = static_cast<Uint16>(s.a);
            e.motion.y = static_cast<Uint16>(s.b);
            Push(e);
        } else if (s.op == "button") {
            SDL_Event e{};
            e.type = SDL_MOUSEBUTTONDOWN;
            e.button.button = static_cast<Uint8>(s.a);
            e.button.state = SDL_PRESSED;
            e.button.x = static_cast<Uint16>(s.b);
            e.button.y = static_cast<Uint16>(s.c);
            Push(e);
        } else if (s.op == "term") {
            kill(getpid(), SIGTERM);
        }
        if (logFile != nullptr) {
            fprintf(logFile, "frame %ld: %s %d %d %d\n", frame, s.op.c_str(), s.a, s.b, s.c);
            fflush(logFile);
        }
        ++next;
    }
}

} // namespace

extern "C" {

int SDL_PollEvent(SDL_Event* event) {
    static auto real = Real<int (*)(SDL_Event*)>("SDL_PollEvent");
    if (!started) {
        started = true;
        mainThread = pthread_self();
    }
    if (pthread_equal(pthread_self(), mainThread)) Run(false);
    return real(event);
}

void SDL_Delay(Uint32 ms) {
    static auto real = Real<void (*)(Uint32)>("SDL_Delay");
    if (started && pthread_equal(pthread_self(), mainThread)) {
        if (ms >= 1000) Run(true);
        if (ms == 5) ++frame;
    }
    real(ms);
}

int rand() {
    static auto real = Real<int (*)()>("rand");
    static const bool zero = getenv("KELMORA_INJECT_RAND0") != nullptr;
    return zero ? 0 : real();
}

} // extern "C"
