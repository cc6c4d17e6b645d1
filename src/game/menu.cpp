// The menu with its gliding selection bar, the code ring of level and test-mode codes, and the
// HiScores, About and Exit screens that the menu opens.
#include "states.h"

#include "displays.h"
#include "draw.h"
#include "effects.h"
#include "screen.h"
#include "soundbank.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kTestModeCode[] = "qzmek";

bool InSelectArea(int x, int y) {
    return x >= selectRect.x && x < selectRect.x + selectRect.w && y >= selectRect.y &&
           y < selectRect.y + selectRect.h;
}

void StartRun(MainLoop* loop) {
    klmr_PuzzleStart(&loop->puzzle, loop->startLevel);
    klmr_EntrySet(&loop->newEntry, "", 0, 0);
    loop->animStep = 0;
    loop->gameState = GameState::Play;
    loop->stateRedraw = 1;
}

// Item 0 starts a run; items 1..3 are the states of the same value.
void Activate(MainLoop* loop) {
    if (loop->menuSelection == 0) {
        StartRun(loop);
        return;
    }
    loop->gameState = static_cast<GameState>(loop->menuSelection);
    loop->stateRedraw = 1;
}

void TestModeOn() {
    klmr_SoundPlay(-1, kSoundClick, 0, 100);
    testMode = 1;
    // Drawn into the back buffer too, so that every later screen restored from it keeps it.
    klmr_DrawTextOutlined(backBuffer, "test mode ON", fontMedium, &colorRed, &colorPale, 10, true);
    klmr_DrawTextOutlined(screen, "test mode ON", fontMedium, &colorRed, &colorPale, 10, true);
    puts("\ntest mode ON\n");
    fflush(stdout);
}

// Pixels the bar moves in one frame when d pixels remain; never more than d.
int GlideSpeed(int d) {
    if (d > 20) return 4;
    if (d >= 16) return 3;
    if (d >= 10) return 2;
    return 1;
}

void ReturnToMenu(MainLoop* loop) {
    klmr_RestoreScreen();
    loop->gameState = GameState::Menu;
    loop->stateRedraw = 1;
}

// Chooses the item of row y inside the selection area: rows are split at the item texts' tops.
void SelectAt(MainLoop* loop, int y) {
    if (y > menuTextY[3])
        loop->menuSelection = 3;
    else if (y > menuTextY[2])
        loop->menuSelection = 2;
    else if (y > menuTextY[1])
        loop->menuSelection = 1;
    else
        loop->menuSelection = 0;
}

} // namespace

// ---- Menu

bool klmr_MenuKey(MainLoop* loop, int sym) {
    if (sym == kKeyEnter) {
        klmr_RestoreScreen();
        Activate(loop);
    } else if (sym == kKeyEscape) {
        loop->quitRequested = 1;
        return false;
    }
    return true;
}

// SDL reports where the pointer rests when the window appears, as a motion nobody made; a
// pointer resting over an item must not choose it. The first real movement counts.
void klmr_PointerSeen(MainLoop* loop, int x, int y) {
    if (loop->pointerFirstX < 0) {
        loop->pointerFirstX = x;
        loop->pointerFirstY = y;
    } else if (x != loop->pointerFirstX || y != loop->pointerFirstY) {
        loop->pointerMoved = 1;
    }
}

void klmr_MenuMotion(MainLoop* loop, int x, int y) {
    if (loop->pointerMoved && InSelectArea(x, y)) SelectAt(loop, y);
}

// A press first does what a motion to its place would do. A left click in the selection area
// then activates the item it lands on: it is the player's own act, so it chooses even where a
// motion would not (a pointer resting since start-up, or a move too small to reach another game
// pixel at a large scale). After a real motion there, the item is the one already chosen.
void klmr_MenuButton(MainLoop* loop, int button, int x, int y) {
    klmr_MenuMotion(loop, x, y);
    if (button != SDL_BUTTON_LEFT || !InSelectArea(x, y)) return;
    SelectAt(loop, y);
    klmr_SoundPlay(-1, kSoundClick, 0, 100);
    Activate(loop);
}

FrameEnd klmr_MenuFrame(MainLoop* loop) {
    int target = menuBarY[loop->menuSelection];
    if (loop->selectBarY != target) {
        int d = abs(target - loop->selectBarY);
        int speed = GlideSpeed(d);
        klmr_RestoreCentered(screen, backBuffer, imgSelect, loop->selectBarY + 4);
        loop->selectBarY += target > loop->selectBarY ? speed : -speed;
        klmr_BlitCentered(screen, imgSelect, loop->selectBarY + 4);
        klmr_DrawMenuItems(0, 0);
        klmr_UpdateSelectBar(0, 0);
    }
    if (loop->stateRedraw) {
        klmr_BlitCentered(screen, imgSelect, loop->selectBarY + 4);
        klmr_DrawMenuItems(0, 0);
        loop->stateRedraw = 0;
        return FrameEnd::Whole;
    }
    return FrameEnd::Strip;
}

// ---- Code ring

void klmr_CodeRingFeed(MainLoop* loop, char c) {
    char* ring = loop->codeBuffer;
    memmove(ring, ring + 1, kCodeLength - 1);
    ring[kCodeLength - 1] = c;
    ring[kCodeLength] = '\0';
    if (strcmp(ring, kTestModeCode) == 0) {
        TestModeOn();
        return;
    }
    for (int i = 0; LevelCodes[i] != nullptr; ++i) {
        if (strncmp(ring, LevelCodes[i], kCodeLength) == 0) {
            loop->startLevel = static_cast<uint8_t>(i * 5);
            return;
        }
    }
}

// ---- HiScores, About, Exit

bool klmr_InfoKey(MainLoop* loop, int sym) {
    if (sym == kKeyEnter) {
        ReturnToMenu(loop);
    } else if (sym == kKeyEscape) {
        ReturnToMenu(loop);
        loop->flipScreen = 1;
    }
    return true;
}

void klmr_InfoButton(MainLoop* loop) {
    ReturnToMenu(loop);
}

FrameEnd klmr_HiScoresFrame(MainLoop* loop) {
    if (!loop->stateRedraw) return FrameEnd::Strip;
    klmr_ShowHiScores(&loop->hiScores, 120);
    loop->stateRedraw = 0;
    return FrameEnd::Whole;
}

FrameEnd klmr_AboutFrame(MainLoop* loop) {
    if (!loop->stateRedraw) return FrameEnd::Strip;
    klmr_ShowAbout("About", aboutLines, 104);
    loop->stateRedraw = 0;
    return FrameEnd::Whole;
}

FrameEnd klmr_ExitFrame(MainLoop* loop) {
    loop->quitRequested = 1;
    return FrameEnd::Strip;
}
