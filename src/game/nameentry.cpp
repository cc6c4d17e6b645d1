// Name entry: after a qualifying run the player types a name, which Enter puts into the table.
#include "states.h"

#include "displays.h"
#include "draw.h"
#include "screen.h"

#include <cstdio>
#include <cstring>

namespace {

void Append(MainLoop* loop, char c) {
    size_t len = strlen(loop->typedName);
    if (len >= static_cast<size_t>(kNameMax)) return;
    loop->typedName[len] = c;
    loop->typedName[len + 1] = '\0';
    loop->nameLineDirty = 1;
}

} // namespace

// Modifiers are not applied: the key symbol alone decides the character.
bool klmr_NameEntryKey(MainLoop* loop, int sym) {
    if (sym >= 'a' && sym <= 'z') {
        Append(loop, static_cast<char>(sym - 'a' + 'A'));
    } else if (sym >= 32 && sym <= 64) {
        Append(loop, static_cast<char>(sym));
    } else if (sym == kKeyBackspace) {
        size_t len = strlen(loop->typedName);
        if (len > 0) loop->typedName[len - 1] = '\0';
        loop->nameLineDirty = 1;
    } else if (sym == kKeyEnter) {
        klmr_EntrySetName(&loop->newEntry, loop->typedName);
        klmr_HiScoreInsertEntry(&loop->hiScores, &loop->newEntry);
        // Saved at once, so that a crash or a kill later in the run cannot lose the entry.
        klmr_SaveScores(loop);
        klmr_RestoreScreen();
        loop->gameState = GameState::HiScores;
        loop->stateRedraw = 1;
    }
    return true;
}

// After the last level the puzzle's index stands one past it; the level line then shows the
// last level's number, the one the entry records.
FrameEnd klmr_NameEntryFrame(MainLoop* loop) {
    loop->gameState = GameState::NameEntry;
    if (loop->stateRedraw) {
        klmr_DrawTextOutlined(screen, "!!! New HiScore !!!", fontMedium, &colorBlue, &colorPale,
                              160, true);
        klmr_DrawTextOutlined(screen, "Please enter Your Name:", fontMedium, &colorBlue, &colorPale,
                              190, true);
        klmr_ShowScore(static_cast<int32_t>(loop->newEntry.score), 250);
        int shown = klmr_PuzzleLevel(&loop->puzzle) + 1;
        if (shown > levelTable.levelCount) shown = levelTable.levelCount;
        char text[64];
        snprintf(text, sizeof text, "level: %d", shown);
        klmr_DrawTextCentered(screen, text, fontMedium, &colorBlue, 280, true);
        loop->stateRedraw = 0;
    }
    return FrameEnd::Strip;
}
