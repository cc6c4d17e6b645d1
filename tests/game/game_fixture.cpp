// Shared set-up for the game tests: the program started once per process in a temporary
// directory, fresh loop variables for every test, injected events and frame stepping.
#include "game_fixture.h"

#include "boardview.h"
#include "displays.h"
#include "draw.h"
#include "screen.h"
#include "soundbank.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace gametest {

namespace {

MainLoop loop;
std::string workDir;
SDL_Surface* titleScreen = nullptr; // the back buffer as start-up left it
HiScoreTable startTable;

void RemoveWorkDir() {
    std::error_code ignored;
    std::filesystem::remove_all(workDir, ignored);
}

// Start-up registers exit handlers and starts the timer thread, so it runs once per process.
void StartOnce() {
    if (!workDir.empty()) return;
    char pattern[] = "/tmp/kelmora-game-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    workDir = pattern;
    std::filesystem::create_directory_symlink(KELMORA_DATA_DIR, workDir + "/data");
    ASSERT_EQ(chdir(workDir.c_str()), 0);
    sdlspy::UseDummyDrivers();
    fakeclock::Reset();
    ASSERT_EQ(klmr_StartUp(&loop), 0);
    atexit(RemoveWorkDir);
    titleScreen = SDL_ConvertSurface(backBuffer, backBuffer->format, SDL_SWSURFACE);
    ASSERT_NE(titleScreen, nullptr);
    startTable = loop.hiScores;
}

} // namespace

MainLoop& Loop() {
    return loop;
}

const std::string& WorkDir() {
    return workDir;
}

void PushKey(int sym) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.type = SDL_KEYDOWN;
    e.key.state = SDL_PRESSED;
    e.key.keysym.sym = static_cast<SDLKey>(sym);
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

void PushKeys(const char* text) {
    for (const char* c = text; *c != '\0'; ++c)
        PushKey(static_cast<unsigned char>(*c));
}

void PushMotion(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.type = SDL_MOUSEMOTION;
    e.motion.x = static_cast<Uint16>(x);
    e.motion.y = static_cast<Uint16>(y);
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

void PushButton(int button, int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEBUTTONDOWN;
    e.button.type = SDL_MOUSEBUTTONDOWN;
    e.button.button = static_cast<Uint8>(button);
    e.button.state = SDL_PRESSED;
    e.button.x = static_cast<Uint16>(x);
    e.button.y = static_cast<Uint16>(y);
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

void PushQuit() {
    SDL_Event e{};
    e.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

bool Step(int n) {
    for (int i = 0; i < n; ++i)
        if (!klmr_Frame(&loop)) return false;
    return true;
}

void BlockPoint(uint8_t x, uint8_t y, int* px, int* py) {
    const Board& b = loop.puzzle.current;
    int w = tiles[0]->w;
    int h = tiles[0]->h;
    int left = kPlayCenterX - b.width * w / 2;
    int top = kBoardCenterY - b.height * h / 2;
    *px = left + (x + 1) * w - 2;
    *py = top + (y + 1) * h - 2;
}

std::vector<Turn> RunScramble() {
    std::vector<Turn> turns;
    for (int guard = 0;; ++guard) {
        if (guard > 10000) {
            ADD_FAILURE() << "the scramble does not end";
            break;
        }
        // A Start still in the event queue begins the level with animStep 0.
        int before = loop.gameState == GameState::Play ? loop.animStep : 0;
        Step();
        if (loop.gameState != GameState::Play) {
            ADD_FAILURE() << "not playing";
            break;
        }
        if (before % 10 == 0) turns.push_back({loop.rotX, loop.rotY, loop.scrambleDir});
        if (!loop.stateRedraw) break;
    }
    return turns;
}

void TurnBlock(uint8_t x, uint8_t y, int button) {
    int px = 0;
    int py = 0;
    BlockPoint(x, y, &px, &py);
    PushMotion(px, py);
    PushButton(button, px, py);
    Step(10);
}

void UndoAllButLastFrame(const std::vector<Turn>& turns, time_t clockBeforeLastTurn) {
    std::vector<Turn> undo;
    for (auto it = turns.rbegin(); it != turns.rend(); ++it)
        if (it->dir >= 0) undo.push_back(*it);
    ASSERT_FALSE(undo.empty());
    for (size_t i = 0; i < undo.size(); ++i) {
        // Button 1 turns counter-clockwise and undoes a clockwise turn; button 3 the reverse.
        int button = undo[i].dir == 1 ? SDL_BUTTON_LEFT : SDL_BUTTON_RIGHT;
        if (i + 1 < undo.size()) {
            TurnBlock(undo[i].x, undo[i].y, button);
            ASSERT_EQ(loop.gameState, GameState::Play) << "turn " << i;
            ASSERT_EQ(loop.stateRedraw, 0) << "the level ended early, turn " << i;
        } else {
            if (clockBeforeLastTurn != 0) fakeclock::SetTime(clockBeforeLastTurn);
            int px = 0;
            int py = 0;
            BlockPoint(undo[i].x, undo[i].y, &px, &py);
            PushMotion(px, py);
            PushButton(button, px, py);
            Step(9);
        }
    }
}

namespace {
int PlaysOf(int slot) {
    int n = 0;
    for (const auto& p : sdlspy::Plays())
        if (p.chunk == soundBank.chunks[slot]) ++n;
    return n;
}
} // namespace

int SwapPlays() {
    return PlaysOf(kSoundSwap);
}

int ClickPlays() {
    return PlaysOf(kSoundClick);
}

std::vector<uint32_t> WaitsSince(size_t from) {
    std::vector<uint32_t> waits;
    const auto& all = fakeclock::Delays();
    for (size_t i = from; i < all.size(); ++i)
        if (all[i] != 5) waits.push_back(all[i]);
    return waits;
}

bool WholeScreenUpdated() {
    for (const auto& u : sdlspy::Updates())
        if (u.surface == screen && u.x == 0 && u.y == 0 && u.w == 0 && u.h == 0) return true;
    return false;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return "<missing>";
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string DefaultScoreFile() {
    std::string s;
    for (int i = 0; i < 10; ++i)
        s += "Quorvane|+\n1\n" + std::to_string(100 - 10 * i) + "\n";
    return s;
}

void GameTest::SetUp() {
    StartOnce();
    ASSERT_NE(titleScreen, nullptr);
    SDL_Event e;
    while (SDL_PollEvent(&e) != 0) {
    }
    klmr_LoopReset(&loop);
    loop.hiScores = startTable;
    testMode = 0;
    std::error_code ignored;
    std::filesystem::remove(workDir + "/hiscores.dat", ignored);
    SDL_BlitSurface(titleScreen, nullptr, backBuffer, nullptr);
    klmr_RestoreScreen();
    fakeclock::Reset();
    sdlspy::Reset();
    srand(20240122);
}

} // namespace gametest
