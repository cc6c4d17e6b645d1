// make_replays: plays the runs of tests/replays through the game's own input path and records
// them with the game's own recorder, as `kelmora --record` does.
//
//   make_replays DATA_DIR OUT_DIR [NAME...]   writes OUT_DIR/NAME.replay for each run (all four
//                                             by default)
//
// Each run is a fresh process (forked) in a fresh directory holding a link to DATA_DIR, with the
// default score table, the dummy drivers and a clock of its own that starts at the same second
// and moves only as the game waits: the same program makes the same files byte for byte. The
// player reads the board the game scrambled and the turns it made, and undoes them with the
// mouse (pointing at the corner the block's four tiles share, then clicking) or with the keys.
#include "boardview.h"
#include "clock.h"
#include "game.h"
#include "replay.h"
#include "screen.h"
#include "states.h"

#include <SDL.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

// ---- The clock: a millisecond counter that moves only by the game's waits.

namespace {
uint64_t nowMs = 1767225600ull * 1000;
} // namespace

void klmr_Delay(uint32_t ms) {
    nowMs += ms;
}

time_t klmr_Time() {
    return static_cast<time_t>(klmr_TapRead(ClockRead::Time, static_cast<int64_t>(nowMs / 1000)));
}

uint32_t klmr_Ticks() {
    return static_cast<uint32_t>(klmr_TapRead(ClockRead::Ticks, static_cast<int64_t>(nowMs)));
}

uint32_t klmr_PaceTicks() {
    return static_cast<uint32_t>(nowMs);
}

namespace {

MainLoop loop;
bool running = true;
constexpr int kGap = 12; // frames between a player's actions: a brisk but human pace

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "make_replays: %s (state %d, level %d)\n", what,
            static_cast<int>(loop.gameState), klmr_PuzzleLevel(&loop.puzzle) + 1);
    _exit(1);
}

void Push(SDL_Event e) {
    if (SDL_PushEvent(&e) != 0) Fail("the event queue is full");
}
void Key(int sym) {
    SDL_Event e{};
    e.key = {SDL_KEYDOWN, 0, SDL_PRESSED, {0, static_cast<SDLKey>(sym), KMOD_NONE, 0}};
    Push(e);
}
void Move(int x, int y) {
    SDL_Event e{};
    e.motion = {SDL_MOUSEMOTION, 0, 0, static_cast<Uint16>(x), static_cast<Uint16>(y), 0, 0};
    Push(e);
}
void Click(int button, int x, int y) {
    SDL_Event e{};
    e.button = {SDL_MOUSEBUTTONDOWN,        0,
                static_cast<Uint8>(button), SDL_PRESSED,
                static_cast<Uint16>(x),     static_cast<Uint16>(y)};
    Push(e);
}

void Frames(int n) {
    for (int i = 0; i < n; ++i) {
        if (!running) Fail("the game ended early");
        running = klmr_Frame(&loop);
    }
}
// Each key in its own frame, then the gap.
void Type(const char* keys) {
    for (const char* k = keys; *k; ++k) {
        Key(*k);
        Frames(2);
    }
    Frames(kGap);
}
void Press(int sym) {
    Key(sym);
    Frames(kGap);
}

struct Turn {
    uint8_t x, y;
    int dir;
};

// Runs the level's intro and scramble, from the frame that starts the run if it has not begun;
// the turns it made, in order.
std::vector<Turn> Scramble() {
    std::vector<Turn> turns;
    for (int guard = 0; loop.gameState != GameState::Play || loop.stateRedraw; ++guard) {
        if (guard > 10000) Fail("the scramble does not end");
        const bool starting = loop.gameState != GameState::Play;
        const bool step = starting || loop.animStep % 10 == 0;
        Frames(1);
        if (starting && loop.gameState != GameState::Play) Fail("the run did not start");
        if (step && loop.scrambleDir >= 0)
            turns.push_back({loop.rotX, loop.rotY, loop.scrambleDir});
    }
    return turns;
}

bool LevelOver(int level) {
    return loop.gameState != GameState::Play || klmr_PuzzleLevel(&loop.puzzle) != level ||
           loop.stateRedraw;
}

// Marks block (x, y) with the arrows, as MoveCursor walks; a first arrow marks the middle.
void Walk(int x, int y) {
    for (int guard = 0; !loop.hoverValid || loop.hoverX != x || loop.hoverY != y; ++guard) {
        if (guard > 40) Fail("the arrows do not reach the block");
        int key = kKeyRight;
        if (loop.hoverValid && loop.hoverX > x) key = kKeyLeft;
        if (loop.hoverValid && loop.hoverX == x) key = loop.hoverY < y ? kKeyDown : kKeyUp;
        Key(key);
        Frames(4);
    }
}

// Undoes the scramble, last turn first, until the level ends; by the mouse or by the keys.
void Solve(bool keys) {
    const int level = klmr_PuzzleLevel(&loop.puzzle);
    std::vector<Turn> turns = Scramble();
    Frames(kGap);
    const Board& b = loop.puzzle.current;
    const int tw = tiles[0]->w, th = tiles[0]->h;
    for (auto t = turns.rbegin(); t != turns.rend() && !LevelOver(level); ++t) {
        const int dir = 1 - t->dir; // button 1 turns counter-clockwise (0), button 3 clockwise
        if (keys) {
            Walk(t->x, t->y);
            Key(dir == 0 ? ',' : '.');
        } else {
            const int px = kPlayCenterX + (2 * t->x + 2 - b.width) * tw / 2 - 2;
            const int py = kBoardCenterY + (2 * t->y + 2 - b.height) * th / 2 - 2;
            Move(px, py);
            Click(dir == 0 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT, px, py);
        }
        // The turn's frames, stopping where the level ends: the next one's scramble is
        // Scramble's to watch.
        for (int i = 0; i < 10 + kGap / 3 && !LevelOver(level); ++i)
            Frames(1);
    }
    for (int guard = 0; !LevelOver(level); ++guard) {
        if (guard > 100) Fail("the level did not end once solved");
        Frames(1);
    }
}

void Quit() {
    while (running)
        running = klmr_Frame(&loop);
}

// Whole test mode: its code, then the 32 levels undone by the mouse, the congratulation, a name.
void TestModeRun() {
    Frames(40);
    Type("qzmek");
    Key(kKeyEnter);
    for (int level = 0; level < kLevelCount; ++level)
        Solve(false);
    if (loop.gameState != GameState::NameEntry) Fail("no name entry after the last level");
    Type("tester");
    Press(kKeyEnter);
    Press(kKeyEscape);
    Key(kKeyEscape);
    Quit();
}

// Three levels by the mouse, the fourth left to time out; a name typed, mended and entered.
void TimeOutRun() {
    Frames(40);
    Key(kKeyEnter);
    for (int level = 0; level < 3; ++level)
        Solve(false);
    Scramble();
    for (int guard = 0; loop.gameState == GameState::Play; ++guard) {
        if (guard > 20000) Fail("the level does not time out");
        Frames(1);
    }
    if (loop.gameState != GameState::NameEntry) Fail("no name entry after the time out");
    Type("adx");
    Press(kKeyBackspace);
    Type("a 1");
    Press(kKeyEnter);
    Press(kKeyEscape);
    Key(kKeyEscape);
    Quit();
}

// Level 1 by the keys alone; the run left as level 2 begins, a name, then the window closed.
void KeyboardRun() {
    Frames(40);
    Key(kKeyEnter);
    Solve(true);
    Frames(30);
    Press(kKeyEscape);
    Type("keys");
    Press(kKeyEnter);
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    Push(quit);
    Quit();
}

// Every menu screen, by the mouse and by the keys; a level code; a run of it begun and left.
void MenuRun() {
    const int x = 320;
    Frames(40);
    Move(x, menuTextY[1] + 10); // the first position reported: chooses nothing
    Frames(kGap);
    Move(x, menuTextY[1] + 12);
    Frames(kGap);
    Click(SDL_BUTTON_LEFT, x, menuTextY[1] + 12); // HiScores
    Frames(kGap * 3);
    Click(SDL_BUTTON_RIGHT, 10, 10);
    Frames(kGap * 3);
    Press(kKeyDown); // About, by the keys
    Press(kKeyEnter);
    Frames(kGap * 3);
    Press(kKeyEscape);
    Press('f');
    Type("ruvok"); // level 6
    Move(x, menuTextY[0] + 10);
    Frames(kGap * 3);
    Click(SDL_BUTTON_LEFT, x, menuTextY[0] + 10);
    std::vector<Turn> turns = Scramble();
    for (size_t i = 0; i < 2 && i < turns.size(); ++i) {
        const Turn t = turns[turns.size() - 1 - i];
        const Board& b = loop.puzzle.current;
        const int px = kPlayCenterX + (2 * t.x + 2 - b.width) * tiles[0]->w / 2 - 2;
        const int py = kBoardCenterY + (2 * t.y + 2 - b.height) * tiles[0]->h / 2 - 2;
        Move(px, py);
        Click(t.dir == 1 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT, px, py);
        Frames(10 + kGap);
    }
    Press(kKeyEscape); // no score: back to the menu
    Move(x, menuTextY[3] + 10);
    Frames(kGap * 3);
    Click(SDL_BUTTON_LEFT, x, menuTextY[3] + 10); // Exit
    Quit();
}

struct Run {
    const char* name;
    void (*play)();
};
const Run kRuns[] = {{"testmode-32-levels", TestModeRun},
                     {"timeout-and-name", TimeOutRun},
                     {"keyboard-level", KeyboardRun},
                     {"menus-and-code", MenuRun}};

int Record(const Run& run, const std::string& data, const std::string& out) {
    char dir[] = "/tmp/kelmora-replays-XXXXXX";
    if (mkdtemp(dir) == nullptr || chdir(dir) != 0) return 1;
    std::filesystem::create_directory_symlink(data, "data");
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    char why[512];
    if (klmr_ReplayRecordTo((out + "/" + run.name + ".replay").c_str(), why, sizeof why) != 0) {
        fprintf(stderr, "make_replays: %s\n", why);
        return 1;
    }
    if (klmr_StartUp(&loop) != 0) return 1;
    run.play();
    const int status = klmr_ShutDown(&loop);
    std::filesystem::remove_all(dir);
    return status;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "Usage: make_replays DATA_DIR OUT_DIR [NAME...]\n");
        return 2;
    }
    const std::string data = std::filesystem::absolute(argv[1]);
    const std::string out = std::filesystem::absolute(argv[2]);
    int failed = 0;
    for (const Run& run : kRuns) {
        bool wanted = argc == 3;
        for (int i = 3; i < argc; ++i)
            wanted = wanted || strcmp(argv[i], run.name) == 0;
        if (!wanted) continue;
        fflush(nullptr);
        const pid_t pid = fork();
        if (pid == 0) _exit(Record(run, data, out));
        int status = 1;
        waitpid(pid, &status, 0);
        const bool ok = pid > 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        printf("%s %s.replay\n", ok ? "wrote" : "FAILED", run.name);
        failed += ok ? 0 : 1;
    }
    return failed == 0 ? 0 : 1;
}
