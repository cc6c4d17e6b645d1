// Costs of the real drawing code: one main-loop frame in each typical situation (its 5 ms
// pause excluded), the dirty-rectangle update against a whole-screen update of the same frame,
// an outlined text against a plain one, and start-up to the first menu frame.
//
// The program is started once, in a private directory holding a link to data/, under the
// dummy video driver unless SDL_VIDEODRIVER says otherwise: under the dummy driver display
// updates cost nothing, so the Update benchmarks are meant to run on X11 (bench/run.sh runs
// them under Xvfb). Every figure is wall time per frame, measured around klmr_Frame alone.
#include "bench_clock.h"
#include "boardview.h"
#include "displays.h"
#include "draw.h"
#include "effects.h"
#include "game.h"
#include "screen.h"
#include "states.h"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kSlotSeconds = 0.005;
constexpr uint8_t kBigLevel = 16; // level 17, 8 x 8 cells: the largest board to draw

MainLoop loop;

double Seconds(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

// CPU time of the calling thread: the frame's own work even when the machine is busy.
double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

double lastCpu = 0; // thread CPU seconds of the last measured piece

void PushKey(int sym) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = static_cast<SDLKey>(sym);
    SDL_PushEvent(&e);
}

void PushMotion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.x = static_cast<Uint16>(x);
    e.motion.y = static_cast<Uint16>(y);
    SDL_PushEvent(&e);
}

// Measures f: returns its wall time and leaves its thread CPU time in lastCpu.
template <typename F>
double Timed(F f) {
    const double c0 = ThreadSeconds();
    const auto t0 = Clock::now();
    f();
    const double wall = Seconds(t0, Clock::now());
    lastCpu = ThreadSeconds() - c0;
    return wall;
}

double TimedFrame() {
    return Timed([] { klmr_Frame(&loop); });
}

// Start-up figures, measured once before the benchmarks run.
struct StartUpCost {
    double work = 0;    // klmr_StartUp and the first menu frame, without the waits
    double slept = 0;   // the waits they asked for
    double effects = 0; // the curtain and the logo drop alone, without their waits
    double effectsSlept = 0;
    double plainFill = 0; // what start-up draws instead of the curtain without intro effects
} startUp;

void ToMenu() {
    klmr_RestoreScreen();
    loop.gameState = GameState::Menu;
    loop.stateRedraw = 1;
    loop.menuSelection = 0;
    loop.selectBarY = menuBarY[0];
    klmr_Frame(&loop);
}

// Starts a run at a level (by default the 8 x 8 one); test mode keeps the clock from ending it.
void ToPlay(uint8_t level = kBigLevel) {
    ToMenu();
    testMode = 1;
    klmr_RestoreScreen();
    klmr_PuzzleStart(&loop.puzzle, level);
    klmr_EntrySet(&loop.newEntry, "", 0, 0);
    loop.animStep = 0;
    loop.gameState = GameState::Play;
    loop.stateRedraw = 1;
}

// Runs the intro and the scramble, then points at the middle of the board.
void ToPlayIdle(uint8_t level = kBigLevel) {
    ToPlay(level);
    while (loop.stateRedraw != 0)
        klmr_Frame(&loop);
    PushMotion(kPlayCenterX + 1, kBoardCenterY + 1);
    klmr_Frame(&loop);
    if (loop.hoverValid == 0) fprintf(stderr, "bench: no block under the pointer\n");
}

void Start() {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    char dir[] = "/tmp/kelmora-bench.XXXXXX";
    if (mkdtemp(dir) == nullptr ||
        symlink(KELMORA_DATA, (std::string(dir) + "/data").c_str()) != 0 || chdir(dir) != 0) {
        perror("bench: cannot prepare a working directory");
        exit(1);
    }
    const uint64_t slept0 = benchclock::SleptMs();
    const auto t0 = Clock::now();
    if (klmr_StartUp(&loop) != 0) exit(1);
    klmr_Frame(&loop); // the first menu frame draws the menu
    startUp.work = Seconds(t0, Clock::now());
    startUp.slept = static_cast<double>(benchclock::SleptMs() - slept0) / 1000;

    // The effects and the fill alone, the fastest of a few runs (the machine may be busy).
    startUp.effects = startUp.plainFill = 1e9;
    for (int i = 0; i < 3; ++i) {
        const uint64_t slept1 = benchclock::SleptMs();
        const auto t1 = Clock::now();
        klmr_CurtainEffect(0);
        klmr_LogoDrop();
        startUp.effects = std::min(startUp.effects, Seconds(t1, Clock::now()));
        startUp.effectsSlept = static_cast<double>(benchclock::SleptMs() - slept1) / 1000;
        const auto t2 = Clock::now();
        klmr_FillBackground(screen, imgBackground);
        startUp.plainFill = std::min(startUp.plainFill, Seconds(t2, Clock::now()));
    }
    ToMenu();
}

// Runs `frame` (which measures one frame with Timed) as the benchmark's iterations. The time
// reported is wall time; cpu_us is the main thread's CPU time per frame and slot% its share of
// the 5 ms slot, which other processes on a busy machine do not inflate.
template <typename F>
void Frames(benchmark::State& state, F frame) {
    double cpu = 0;
    for (auto _ : state) {
        state.SetIterationTime(frame());
        cpu += lastCpu;
    }
    const double perFrame = cpu / static_cast<double>(state.iterations());
    state.counters["cpu_us"] = 1e6 * perFrame;
    state.counters["slot%"] = 100 * perFrame / kSlotSeconds;
}

// ---- one frame of each situation -----------------------------------------------------------

void BM_MenuIdle(benchmark::State& state) {
    ToMenu();
    Frames(state, TimedFrame);
}

void BM_MenuBarGliding(benchmark::State& state) {
    ToMenu();
    Frames(state, [] {
        if (loop.selectBarY == menuBarY[loop.menuSelection])
            loop.menuSelection = loop.menuSelection == 0 ? kMenuItems - 1 : 0;
        return TimedFrame();
    });
}

void BM_HiScoresIdle(benchmark::State& state) {
    ToMenu();
    klmr_RestoreScreen();
    loop.gameState = GameState::HiScores;
    loop.stateRedraw = 1;
    klmr_Frame(&loop);
    Frames(state, TimedFrame);
}

void BM_PlayIdleCursor(benchmark::State& state) {
    ToPlayIdle();
    Frames(state, TimedFrame);
}

void BM_PlayTurn(benchmark::State& state) {
    ToPlayIdle();
    Frames(state, [] {
        if (loop.rotating == 0) klmr_PlayButton(&loop, 3);
        return TimedFrame();
    });
}

void BM_PlayScramble(benchmark::State& state) {
    ToPlay();
    klmr_Frame(&loop); // the intro
    Frames(state, [] {
        if (loop.stateRedraw == 0) { // scramble over: go on scrambling, without a new intro
            loop.stateRedraw = 1;
            loop.animStep = 1;
        }
        return TimedFrame();
    });
}

void BM_LevelIntro(benchmark::State& state) {
    ToPlay();
    Frames(state, [] {
        loop.animStep = 0;
        loop.stateRedraw = 1;
        return TimedFrame();
    });
}

void BM_NameEntryTyping(benchmark::State& state) {
    ToMenu();
    klmr_RestoreScreen();
    loop.typedName[0] = '\0';
    loop.gameState = GameState::NameEntry;
    loop.stateRedraw = 1;
    loop.nameLineDirty = 1;
    klmr_Frame(&loop);
    Frames(state, [] {
        if (strlen(loop.typedName) >= kNameMax) loop.typedName[0] = '\0';
        PushKey('a' + static_cast<int>(strlen(loop.typedName) % 26));
        return TimedFrame();
    });
}

// ---- the same frame with its own update and with a whole-screen update ---------------------

// Alternates the frame as the loop finishes it with the same frame after `f`, which asks for
// a whole-screen update; the ratio is whole / dirty, from the same run.
template <typename F>
void DirtyAgainstWhole(benchmark::State& state, F before) {
    double dirty = 0, whole = 0;
    long n = 0;
    for (auto _ : state) {
        before();
        const double d = TimedFrame();
        before();
        PushKey('f');
        const double w = TimedFrame();
        dirty += d;
        whole += w;
        ++n;
        state.SetIterationTime(d + w);
    }
    state.counters["dirty_ms"] = 1000 * dirty / static_cast<double>(n);
    state.counters["whole_ms"] = 1000 * whole / static_cast<double>(n);
    state.counters["ratio"] = whole / dirty;
}

void BM_UpdateMenuStrip(benchmark::State& state) {
    ToMenu();
    DirtyAgainstWhole(state, [] {});
}

// The argument is the level index: 0 is 4 x 2 cells, 8 is 6 x 6, 16 is 8 x 8.
void BM_UpdatePlayBoard(benchmark::State& state) {
    ToPlayIdle(static_cast<uint8_t>(state.range(0)));
    DirtyAgainstWhole(state, [] {});
}

// ---- texts ---------------------------------------------------------------------------------

void BM_TextOutlinedAgainstPlain(benchmark::State& state) {
    ToMenu();
    double plain = 0, outlined = 0;
    long n = 0;
    for (auto _ : state) {
        const auto t0 = Clock::now();
        klmr_DrawTextCentered(screen, "!!! New HiScore !!!", fontMedium, &colorBlue, 160, false);
        const auto t1 = Clock::now();
        klmr_DrawTextOutlined(screen, "!!! New HiScore !!!", fontMedium, &colorBlue, &colorPale,
                              160, false);
        const auto t2 = Clock::now();
        plain += Seconds(t0, t1);
        outlined += Seconds(t1, t2);
        ++n;
        state.SetIterationTime(Seconds(t0, t2));
    }
    state.counters["plain_us"] = 1e6 * plain / static_cast<double>(n);
    state.counters["outlined_us"] = 1e6 * outlined / static_cast<double>(n);
    state.counters["ratio"] = outlined / plain;
    klmr_RestoreScreen();
}

// The whole-screen restore that every full redraw begins with.
void BM_RestoreScreen(benchmark::State& state) {
    ToMenu();
    Frames(state, [] { return Timed(klmr_RestoreScreen); });
}

// ---- start-up ------------------------------------------------------------------------------

// Reports the start-up measured before the benchmarks: its own work and, as total_ms, with the
// waits of the effects. Without the intro effects start-up draws the background instead of the
// curtain and skips the logo drop, so its work is the measured work less the two effects plus
// that fill, and it waits for nothing.
void BM_StartUpWithIntro(benchmark::State& state) {
    for (auto _ : state)
        state.SetIterationTime(startUp.work);
    state.counters["total_ms"] = 1000 * (startUp.work + startUp.slept);
    state.counters["waits_ms"] = 1000 * startUp.slept;
}

void BM_StartUpWithoutIntro(benchmark::State& state) {
    const double work = startUp.work - startUp.effects + startUp.plainFill;
    for (auto _ : state)
        state.SetIterationTime(work);
    state.counters["total_ms"] = 1000 * (work + startUp.slept - startUp.effectsSlept);
    state.counters["waits_ms"] = 1000 * (startUp.slept - startUp.effectsSlept);
}

} // namespace

#define FRAME(name) BENCHMARK(name)->UseManualTime()->Unit(benchmark::kMicrosecond)
FRAME(BM_MenuIdle);
FRAME(BM_MenuBarGliding);
FRAME(BM_HiScoresIdle);
FRAME(BM_PlayIdleCursor);
FRAME(BM_PlayTurn);
FRAME(BM_PlayScramble);
FRAME(BM_LevelIntro);
FRAME(BM_NameEntryTyping);
FRAME(BM_TextOutlinedAgainstPlain);
FRAME(BM_RestoreScreen);
FRAME(BM_UpdateMenuStrip);
FRAME(BM_UpdatePlayBoard)->Arg(0)->Arg(8)->Arg(16);
BENCHMARK(BM_StartUpWithIntro)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StartUpWithoutIntro)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    Start();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    klmr_ShutDown(&loop);
    return 0;
}
