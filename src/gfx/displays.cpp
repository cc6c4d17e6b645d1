// Information displays: About and HiScores screens, time, score and the typed-name line.
#include "displays.h"

#include "clock.h"
#include "display.h"
#include "draw.h"
#include "screen.h"
#include "version.h"

#include <SDL.h>

#include <cstdio>

uint8_t testMode = 0;

const char* const noticeLine = "(c) 2024 The Kelmora developers - free software";

const char* const aboutLines[12] = {
    "Kelmora v" KELMORA_VERSION_SHORT "  (22.01.2024)",
    noticeLine,
    "SDL Version - created on MorphOS",
    " ",
    "https://kelmora.example.org  kelmora@example.org",
    " ",
    "Mirela Vantosk .... design & code & gfx & testing",
    "Oskar Brenlund .... testing",
    "Tamsin Quade .... testing",
    "Jorik Halvesen .... testing",
    "Lune Marchetti .... testing",
    nullptr,
};

namespace {

// Text buffers; every formatted text is cut to its buffer.
constexpr size_t kTextSize = 64;
constexpr size_t kRowSize = 80;

constexpr int kLineStep = 20;  // between About lines and high-score rows
constexpr int kFirstLine = 40; // from the title's top to the first line's
constexpr int kBoxX = 240;     // time and score boxes
constexpr int kBoxW = 160;
constexpr int kBoxH = 30;
constexpr int kTimeY = 400;
constexpr int kNameY = 220;
const SDL_Rect kNameBox = {120, kNameY, 400, 30};

void RestoreArea(SDL_Rect area) {
    SDL_Rect at = area;
    SDL_BlitSurface(backBuffer, &area, screen, &at);
}

SDL_Rect Box(int y) {
    return {static_cast<Sint16>(kBoxX), static_cast<Sint16>(y), static_cast<Uint16>(kBoxW),
            static_cast<Uint16>(kBoxH)};
}

void UpdateArea(const SDL_Rect& r) {
    klmr_DisplayUpdate(screen, r.x, r.y, r.w, r.h);
}

void DrawTimeText(long value) {
    char text[kTextSize];
    snprintf(text, sizeof text, "time: %ld", value);
    klmr_DrawText(screen, text, fontMedium, &colorBlue, 0, kTimeY, true);
}

} // namespace

void klmr_ShowAbout(const char* title, const char* const* lines, int y) {
    klmr_RestoreScreen();
    klmr_DrawText(screen, title, fontLarge, &colorRed, 0, y, false);
    if (lines == nullptr) return;
    for (int k = 0; lines[k] != nullptr; ++k)
        klmr_DrawTextOutlined(screen, lines[k], fontMedium, &colorBlue, &colorPale,
                              y + kFirstLine + kLineStep * k, false);
}

void klmr_ShowHiScores(const HiScoreTable* table, int y) {
    klmr_RestoreScreen();
    klmr_DrawText(screen, "HiScores", fontLarge, &colorRed, 0, y, false);
    if (table == nullptr) return;
    for (int r = 0; r < kHiScoreRows; ++r) {
        const HiScoreEntry& row = table->rows[r];
        // The score is shown as its signed 32-bit reading, as the table's file stores it. The
        // name is read no further than its field, terminated or not.
        char text[kRowSize];
        snprintf(text, sizeof text, "%.*s . . . . . %ld (%d)", kHiScoreNameSize - 1, row.name,
                 static_cast<long>(static_cast<int32_t>(row.score)), row.level);
        klmr_DrawTextOutlined(screen, text, fontMedium, &colorBlue, &colorPale,
                              y + kFirstLine + kLineStep * r, false);
    }
}

void klmr_ShowTime(int32_t* shown, const time_t* startTime, int32_t limit) {
    const SDL_Rect box = Box(kTimeY);
    if (shown == nullptr || startTime == nullptr) {
        RestoreArea(box);
        DrawTimeText(shown == nullptr ? limit : *shown);
        UpdateArea(box);
        return;
    }
    const time_t now = klmr_Time();
    const time_t seconds = testMode != 0 ? now - *startTime : limit + *startTime - now;
    const int32_t value = static_cast<int32_t>(seconds);
    if (value == *shown) return;
    *shown = value;
    RestoreArea(box);
    DrawTimeText(value);
    // In test mode only the text's own area reaches the display.
    if (testMode == 0) UpdateArea(box);
}

void klmr_ShowScore(int32_t score, int y) {
    char text[kTextSize];
    snprintf(text, sizeof text, "score: %ld", static_cast<long>(score));
    RestoreArea(Box(y));
    klmr_DrawText(screen, text, fontMedium, &colorRed, 0, y, true);
}

void klmr_ShowNameLine(const char* name) {
    char text[kTextSize];
    snprintf(text, sizeof text, "--->  %s  <---", name != nullptr ? name : "");
    RestoreArea(kNameBox);
    klmr_DrawTextOutlined(screen, text, fontMedium, &colorBlue, &colorPale, kNameY, false);
    UpdateArea(kNameBox);
}
