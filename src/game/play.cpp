// The play state: a level's intro and animated scramble, the player's turns, the clock, and
// the level end with its count-up, time out and congratulation.
//
// Stages of a level, told by the play variables:
//   intro and scramble  stateRedraw 1, animStep 0 .. w*h*10 - 1 (ten frames per scramble turn)
//   idle                stateRedraw 0, rotating 0, animStep above 9
//   turning             stateRedraw 0, rotating 1, animStep 0..9
// Clicks count only when idle. The level end holds the main loop for its count-up and pauses.
//
// The keyboard plays like the mouse: the arrows move the one block cursor (hoverValid, hoverX,
// hoverY) that the pointer also moves, and the turn keys go through the button handler.
#include "states.h"

#include "boardview.h"
#include "clock.h"
#include "display.h"
#include "displays.h"
#include "draw.h"
#include "replay.h"
#include "screen.h"
#include "soundbank.h"

#include <cstdio>
#include <cstdlib>
#include <tuple>

namespace {

inline constexpr int kTurnFrames = 10;
inline constexpr uint32_t kCountUpTickMs = 40;
inline constexpr uint32_t kCountUpPauseMs = 500;
inline constexpr uint32_t kBannerPauseMs = 6000;
inline constexpr int kScoreY = 430;

void DrawPlayingBoard(const MainLoop* loop, uint8_t bx, uint8_t by, uint8_t dir, int8_t step) {
    const Board* board = &loop->puzzle.current;
    klmr_RestoreBoardArea(kPlayCenterX, kBoardCenterY, board);
    klmr_DrawBoard(kPlayCenterX, kBoardCenterY, board, bx, by, dir, step);
    klmr_UpdateBoardArea(kPlayCenterX, kBoardCenterY, board);
}

void DrawIntro(MainLoop* loop, int level) {
    char text[64];
    klmr_RestoreScreen();
    klmr_DrawBoard(kTargetCenterX, kBoardCenterY, &loop->puzzle.target, 0, 0, 0, -1);
    snprintf(text, sizeof text, "level: %d", level + 1);
    klmr_DrawTextCentered(screen, text, fontMedium, &colorBlue, 120, false);
    loop->timeLeft = testMode ? 0 : static_cast<int32_t>(loop->puzzle.timeLimit);
    klmr_ShowTime(nullptr, nullptr, loop->timeLeft);
    klmr_ShowScore(static_cast<int32_t>(loop->newEntry.score), kScoreY);
    int group = level / 5;
    snprintf(text, sizeof text, "level %d code: %s", 5 * group + 1, LevelCodes[group]);
    klmr_DrawText(screen, text, fontSmall, &colorRed, 200, 400, false);
    klmr_DrawText(screen, "[ to change start level ]", fontSmall, &colorShadow, 200, 420, false);
    klmr_DrawText(screen, "[ enter code on menu screen ]", fontSmall, &colorShadow, 200, 440,
                  false);
    loop->flipScreen = 1;
}

// One frame of the intro and scramble. A scramble step that finds no block (-1) leaves the
// board as it was; its ten frames then show the board standing still, with the turn sound.
void IntroAndScrambleFrame(MainLoop* loop) {
    int level = klmr_PuzzleLevel(&loop->puzzle);
    const Board* current = &loop->puzzle.current;
    int last = current->width * current->height * kTurnFrames - 1;
    if (loop->animStep == 0) DrawIntro(loop, level);
    if (loop->animStep % kTurnFrames == 0) {
        klmr_SoundPlay(-1, kSoundSwap, 0, 100);
        loop->scrambleDir =
            static_cast<int8_t>(klmr_ScrambleStep(&loop->puzzle.current, &loop->rotX, &loop->rotY));
    }
    if (loop->scrambleDir < 0)
        DrawPlayingBoard(loop, 0, 0, 0, -1);
    else
        DrawPlayingBoard(loop, loop->rotX, loop->rotY, static_cast<uint8_t>(loop->scrambleDir),
                         static_cast<int8_t>(loop->animStep % kTurnFrames));
    if (loop->animStep >= last) {
        loop->levelStartTime = klmr_Time();
        klmr_EntrySetLevel(&loop->newEntry, static_cast<uint8_t>(level + 1));
        loop->hoverValid = 0;
        loop->rotating = 0;
        loop->stateRedraw = 0;
        klmr_ReplayCheckpoint(loop, Checkpoint::LevelStart);
    }
    ++loop->animStep;
}

void BoardFrame(MainLoop* loop) {
    uint8_t dir = static_cast<uint8_t>(loop->rotDir);
    if (loop->rotating && loop->animStep == 0) {
        klmr_SoundPlay(-1, kSoundSwap, 0, 100);
        klmr_RotateBlock(&loop->puzzle.current, loop->rotX, loop->rotY, loop->rotDir);
        DrawPlayingBoard(loop, loop->rotX, loop->rotY, dir, 0);
        ++loop->animStep;
    } else if (loop->rotating && loop->animStep < kTurnFrames) {
        DrawPlayingBoard(loop, loop->rotX, loop->rotY, dir, static_cast<int8_t>(loop->animStep));
        if (loop->animStep == kTurnFrames - 1) loop->rotating = 0;
        ++loop->animStep;
    } else {
        const Board* board = &loop->puzzle.current;
        klmr_RestoreBoardArea(kPlayCenterX, kBoardCenterY, board);
        klmr_DrawBoard(kPlayCenterX, kBoardCenterY, board, 0, 0, 0, -1);
        if (loop->hoverValid)
            klmr_DrawCursor(kPlayCenterX, kBoardCenterY, board, loop->hoverX, loop->hoverY,
                            static_cast<unsigned int>(loop->frameCounter));
        klmr_UpdateBoardArea(kPlayCenterX, kBoardCenterY, board);
    }
}

// Marks the turnable block an arrow (dx, dy) leads to from the marked one: of the blocks
// strictly further that way, the nearest along the arrow, then the nearest across it, then the
// one with the smaller coordinate across it. With none marked, any arrow marks the block whose
// centre is nearest the board's centre (the upper, then the left one of equals). Where no
// block qualifies the mark stays.
void MoveCursor(MainLoop* loop, int dx, int dy) {
    if (loop->stateRedraw || loop->rotating) return;
    const Board* board = &loop->puzzle.current;
    const int fromX = loop->hoverX, fromY = loop->hoverY;
    std::tuple<int, int, int> best;
    bool found = false;
    for (int x = 0; x + 1 < board->width; ++x)
        for (int y = 0; y + 1 < board->height; ++y) {
            if (!klmr_BlockValid(board, x, y)) continue;
            std::tuple<int, int, int> rank;
            if (!loop->hoverValid) {
                int cx = 2 * x + 2 - board->width, cy = 2 * y + 2 - board->height;
                rank = {cx * cx + cy * cy, y, x};
            } else {
                int along = (x - fromX) * dx + (y - fromY) * dy;
                if (along <= 0) continue;
                int across = dx != 0 ? y : x;
                rank = {along, abs(across - (dx != 0 ? fromY : fromX)), across};
            }
            if (found && rank >= best) continue;
            best = rank;
            found = true;
            loop->hoverX = static_cast<uint8_t>(x);
            loop->hoverY = static_cast<uint8_t>(y);
        }
    if (found) loop->hoverValid = 1;
}

void DrawBanner(const char* text, int y) {
    klmr_DrawTextOutlined(screen, text, fontLarge, &colorRed, &colorPale, y, true);
}

// The level is over: solved, or timed out. Holds the loop for the count-up and the pauses.
FrameEnd LevelEnd(MainLoop* loop) {
    bool solved = klmr_PuzzleSolved(&loop->puzzle);
    int level = klmr_PuzzleLevel(&loop->puzzle);
    klmr_ReplayCheckpoint(loop, Checkpoint::LevelEnd);
    if (testMode) {
        printf("level %d, time %ld\n", level + 1, static_cast<long>(loop->timeLeft));
        fflush(stdout);
    }
    bool timedOut = false;
    if (loop->timeLeft > 0) {
        int32_t s = static_cast<int32_t>(loop->newEntry.score);
        int32_t total = s + loop->timeLeft;
        for (int32_t i = s; i <= total; ++i) {
            klmr_SoundPlay(-1, kSoundClick, 0, 100);
            klmr_DisplayWait(kCountUpTickMs);
            klmr_ShowTime(nullptr, nullptr, total - i);
            klmr_ShowScore(i, kScoreY);
        }
        klmr_DisplayWait(kCountUpPauseMs);
        klmr_EntrySetScore(&loop->newEntry, static_cast<uint32_t>(total));
    } else if (!solved) {
        DrawBanner("!!!!!!!!!!!!! Time Out !!!!!!!!!!!!!", 240);
        timedOut = true;
    }
    if (!timedOut) {
        klmr_RestoreScreen();
        if (solved) {
            if (klmr_PuzzleNextLevel(&loop->puzzle) == 0) {
                loop->animStep = 0;
                loop->stateRedraw = 1;
                return FrameEnd::NextLevel;
            }
            DrawBanner("!!!! Congratulations !!!", 200);
            DrawBanner("!!!! You have finished all levels !!!", 230);
        }
    }
    klmr_DisplayWait(kBannerPauseMs);
    klmr_RestoreScreen();
    klmr_EndRun(loop);
    return FrameEnd::RunOver;
}

} // namespace

bool klmr_PlayKey(MainLoop* loop, int sym) {
    if (sym == kKeyEnter) {
        if (!testMode) return true;
        klmr_RestoreScreen();
        int result = klmr_PuzzleNextLevel(&loop->puzzle);
        loop->animStep = 0;
        if (result != 0) {
            loop->gameState = GameState::Menu;
            loop->flipScreen = 1;
        }
        loop->stateRedraw = 1;
    } else if (sym == kKeyEscape) {
        klmr_EndRun(loop);
        klmr_RestoreScreen();
        loop->flipScreen = 1;
    } else if (sym == kKeyUp || sym == kKeyDown) {
        MoveCursor(loop, 0, sym == kKeyUp ? -1 : 1);
    } else if (sym == kKeyLeft || sym == kKeyRight) {
        MoveCursor(loop, sym == kKeyLeft ? -1 : 1, 0);
    } else if (sym == kKeyComma) {
        klmr_PlayButton(loop, SDL_BUTTON_LEFT);
    } else if (sym == kKeyPeriod) {
        klmr_PlayButton(loop, SDL_BUTTON_RIGHT);
    } else if (sym == kKeySpace) {
        klmr_PlayButton(loop, SDL_BUTTON_MIDDLE);
    }
    return true;
}

void klmr_PlayMotion(MainLoop* loop, int x, int y) {
    loop->hoverValid =
        klmr_BlockAtPoint(x, y, &loop->puzzle.current, &loop->hoverX, &loop->hoverY) ? 1 : 0;
}

// Button 1 turns counter-clockwise, button 3 clockwise; any other button repeats rotDir.
void klmr_PlayButton(MainLoop* loop, int button) {
    if (loop->stateRedraw || loop->rotating || !loop->hoverValid) return;
    loop->rotX = loop->hoverX;
    loop->rotY = loop->hoverY;
    loop->animStep = 0;
    loop->rotating = 1;
    if (button == SDL_BUTTON_LEFT)
        loop->rotDir = 0;
    else if (button == SDL_BUTTON_RIGHT)
        loop->rotDir = 1;
}

FrameEnd klmr_PlayFrame(MainLoop* loop) {
    if (loop->stateRedraw) {
        IntroAndScrambleFrame(loop);
        return FrameEnd::Play;
    }
    BoardFrame(loop);
    // The solved test waits for the completing turn's last frame; the time test uses the
    // value shown by the previous frame.
    if (klmr_PuzzleSolved(&loop->puzzle) && loop->animStep > kTurnFrames - 1) return LevelEnd(loop);
    if (loop->timeLeft <= 0 && !testMode) return LevelEnd(loop);
    if (loop->levelStartTime >= 0)
        klmr_ShowTime(&loop->timeLeft, &loop->levelStartTime,
                      static_cast<int32_t>(loop->puzzle.timeLimit));
    return FrameEnd::Play;
}

void klmr_EndRun(MainLoop* loop) {
    if (klmr_HiScoreQualifies(&loop->hiScores, loop->newEntry.score)) {
        loop->typedName[0] = '\0';
        loop->nameLineDirty = 1;
        loop->gameState = GameState::NameEntry;
    } else {
        loop->gameState = GameState::Menu;
    }
    loop->stateRedraw = 1;
}
