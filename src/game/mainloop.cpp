// The main loop: one frame drains the events and hands each to the current state, runs the
// state's frame step, finishes the frame with the screen-update policy and pauses 5 ms.
#include "states.h"

#include "clock.h"
#include "display.h"
#include "displays.h"
#include "draw.h"
#include "effects.h"
#include "replay.h"
#include "screen.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

namespace {

inline constexpr uint32_t kFramePauseMs = 5;

// States outside Menu..Exit are NameEntry: the frame step stores NameEntry for them.
GameState Current(const MainLoop* loop) {
    int s = static_cast<int>(loop->gameState);
    if (s < static_cast<int>(GameState::Menu) || s > static_cast<int>(GameState::Exit))
        return GameState::NameEntry;
    return loop->gameState;
}

// ---- Dispatchers, one per event kind. Each returns false when polling stops. Each is a door
// of the replay (replay.h): what it is handed is what a recording writes down.

bool DispatchKey(MainLoop* loop, int sym) {
    klmr_ReplayRecordEvent({EventKind::Key, sym, 0, 0, 0});
    GameState state = Current(loop);
    if (state == GameState::NameEntry) return klmr_NameEntryKey(loop, sym);
    if ((sym >= '0' && sym <= '9') || (sym >= 'a' && sym <= 'z')) {
        klmr_CodeRingFeed(loop, static_cast<char>(sym));
        // `f` hands the whole picture to the display, whatever it was handed before.
        if (sym == 'f') {
            loop->flipScreen = 1;
            klmr_DisplayForget();
        }
        return true;
    }
    // In a level the arrows play: Up and Down move only the block cursor there. Were they to
    // move the hidden menu selection too, a player could come back to the menu with Exit
    // chosen and leave the game with the Enter that was meant to start the next run.
    if ((sym == kKeyUp || sym == kKeyDown) && state != GameState::Play) {
        if (sym == kKeyUp)
            loop->menuSelection = std::max(loop->menuSelection - 1, 0);
        else
            loop->menuSelection = std::min(loop->menuSelection + 1, kMenuItems - 1);
        return true;
    }
    switch (state) {
    case GameState::Menu:
        return klmr_MenuKey(loop, sym);
    case GameState::Play:
        return klmr_PlayKey(loop, sym);
    default:
        return klmr_InfoKey(loop, sym);
    }
}

void DispatchMotion(MainLoop* loop, int x, int y) {
    klmr_ReplayRecordEvent({EventKind::Motion, 0, 0, x, y});
    klmr_PointerSeen(loop, x, y);
    switch (Current(loop)) {
    case GameState::Menu:
        klmr_MenuMotion(loop, x, y);
        break;
    case GameState::Play:
        klmr_PlayMotion(loop, x, y);
        break;
    default:
        break;
    }
}

// A press is also a report of where the pointer is.
void DispatchButton(MainLoop* loop, int button, int x, int y) {
    klmr_PointerSeen(loop, x, y);
    switch (Current(loop)) {
    case GameState::Menu:
        klmr_MenuButton(loop, button, x, y);
        break;
    case GameState::Play:
        klmr_PlayButton(loop, button);
        break;
    case GameState::NameEntry:
        break;
    default:
        klmr_InfoButton(loop);
        break;
    }
    klmr_ReplayRecordEvent({EventKind::Button, 0, button, x, y});
}

// F11, or Enter with Alt held, switches between fullscreen and the window in every state; the
// states never see these keys (Alt+Enter is no Enter, F11 no letter of a name).
bool IsFullscreenKey(const SDL_keysym& key) {
    return key.sym == SDLK_F11 || (key.sym == SDLK_RETURN && (key.mod & KMOD_ALT) != 0);
}

// After the player changed the window, from *before: the choice is kept; false, with the loop
// told to end, when no video mode could be set at all, as nothing could be shown any more.
bool WindowChanged(MainLoop* loop, const DisplayState& before, bool ok) {
    if (ok) {
        klmr_ChoicesKeep(&before);
        return true;
    }
    klmr_PrintError("Couldn't set the window's video mode", 1);
    loop->quitRequested = 1;
    return false;
}

// The pointer is given to the states in the game's 640x480 coordinates, whatever the window's
// size; on the black border around the picture it is outside the game, as beyond a window's
// edge, and the states see nothing of it.
void PollEvents(MainLoop* loop) {
    SDL_Event event;
    int x = 0, y = 0;
    for (;;) {
        const DisplayState before = klmr_DisplayNow();
        if (SDL_PollEvent(&event) == 0) {
            loop->quitRequested = 0;
            return;
        }
        bool more = true;
        switch (event.type) {
        case SDL_KEYDOWN:
            if (IsFullscreenKey(event.key.keysym))
                more = WindowChanged(loop, before, klmr_DisplayToggleFullscreen());
            else
                more = DispatchKey(loop, event.key.keysym.sym);
            break;
        case SDL_MOUSEMOTION:
            if (klmr_DisplayToGame(event.motion.x, event.motion.y, &x, &y))
                DispatchMotion(loop, x, y);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (klmr_DisplayToGame(event.button.x, event.button.y, &x, &y))
                DispatchButton(loop, event.button.button, x, y);
            break;
        case SDL_VIDEORESIZE:
            more = WindowChanged(loop, before, klmr_DisplayResize(event.resize.w, event.resize.h));
            break;
        case SDL_VIDEOEXPOSE:
            klmr_DisplayForget();
            break;
        case SDL_QUIT:
            // Events queued after the close stay in the queue.
            loop->quitRequested = 1;
            klmr_ReplayRecordEvent({EventKind::Quit, 0, 0, 0, 0});
            more = false;
            break;
        default:
            break;
        }
        if (!more) return;
    }
}

FrameEnd StateFrame(MainLoop* loop) {
    switch (Current(loop)) {
    case GameState::Menu:
        return klmr_MenuFrame(loop);
    case GameState::Play:
        return klmr_PlayFrame(loop);
    case GameState::HiScores:
        return klmr_HiScoresFrame(loop);
    case GameState::About:
        return klmr_AboutFrame(loop);
    case GameState::Exit:
        return klmr_ExitFrame(loop);
    default:
        return klmr_NameEntryFrame(loop);
    }
}

// The screen-update policy: the frame asks for the rectangles that changed, or for the whole
// screen when a state drew its whole screen, a play run ended or advanced, or `f` asked for it.
// Either way the display door hands on only the pixels that changed.
void FinishFrame(MainLoop* loop, FrameEnd end) {
    switch (end) {
    case FrameEnd::Strip:
    case FrameEnd::Whole:
        klmr_DrawBouncingTiles();
        if (end == FrameEnd::Whole || loop->flipScreen)
            klmr_Flip();
        else
            klmr_UpdateBottomStrip();
        break;
    case FrameEnd::Play:
        if (loop->flipScreen) klmr_Flip();
        break;
    case FrameEnd::NextLevel:
        klmr_Flip();
        break;
    case FrameEnd::RunOver:
        klmr_DrawBouncingTiles();
        klmr_Flip();
        break;
    }
    if (loop->nameLineDirty) klmr_ShowNameLine(loop->typedName);
}

// While a replay plays, the events recorded for the frame reach the dispatchers instead of the
// live ones, which the replay watches only for Escape and the close request.
void PlayEvents(MainLoop* loop) {
    GameEvent e;
    while (klmr_ReplayNextEvent(&e)) {
        bool more = true;
        switch (e.kind) {
        case EventKind::Key:
            more = DispatchKey(loop, e.sym);
            break;
        case EventKind::Motion:
            DispatchMotion(loop, e.x, e.y);
            break;
        case EventKind::Button:
            DispatchButton(loop, e.button, e.x, e.y);
            break;
        case EventKind::Quit:
            loop->quitRequested = 1;
            klmr_ReplayRecordEvent(e);
            more = false;
            break;
        }
        if (!more) return;
    }
    loop->quitRequested = 0;
}

} // namespace

void klmr_LoopReset(MainLoop* loop) {
    loop->gameState = GameState::Menu;
    loop->stateRedraw = 1;
    loop->flipScreen = 0;
    loop->nameLineDirty = 0;
    loop->quitRequested = 0;
    loop->frameCounter = 0;
    loop->menuSelection = 0;
    loop->selectBarY = menuBarY[0];
    loop->startLevel = 0;
    memset(loop->codeBuffer, '-', kCodeLength);
    loop->codeBuffer[kCodeLength] = '\0';
    loop->pointerFirstX = -1;
    loop->pointerFirstY = -1;
    loop->pointerMoved = 0;
    memset(loop->typedName, 0, sizeof loop->typedName);
    loop->animStep = 0;
    loop->rotating = 0;
    loop->rotX = 0;
    loop->rotY = 0;
    loop->rotDir = 0;
    loop->scrambleDir = 0;
    loop->hoverValid = 0;
    loop->hoverX = 0;
    loop->hoverY = 0;
    loop->timeLeft = 0;
    loop->levelStartTime = 0;
}

bool klmr_Frame(MainLoop* loop) {
    loop->nameLineDirty = 0;
    loop->flipScreen = 0;
    if (klmr_ReplayPlaying())
        PlayEvents(loop);
    else
        PollEvents(loop);
    FinishFrame(loop, StateFrame(loop));
    if (!klmr_ReplayFrameEnd(loop) || loop->quitRequested) return false;
    klmr_DisplayWait(kFramePauseMs);
    if (++loop->frameCounter >= kFrameCounterWrap) loop->frameCounter = 0;
    return true;
}
