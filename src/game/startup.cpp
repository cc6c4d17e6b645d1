// Start-up and shut-down of the program: libraries, fonts, sound, window, images, the title
// screen, the high-score file and the bouncing-tile timer, and their release in a fixed order.
#include "game.h"

#include "display.h"
#include "displays.h"
#include "draw.h"
#include "effects.h"
#include "screen.h"
#include "soundbank.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kScoreFile[] = "hiscores.dat";
const char kFontFile[] = "data/fonts/impact.ttf";
const char* const kImageFiles[] = {"data/gfx/background.png", "data/gfx/klmr_logo_cpr.png",
                                   "data/gfx/select.png", "data/gfx/rotate.png"};
const char kWhereData[] = "the game reads its data/ folder from the folder it is started in";

void CloseFontsOnce() {
    klmr_CloseFonts();
    fontLarge = nullptr;
    fontMedium = nullptr;
    fontSmall = nullptr;
}

// Everything a failed start-up may have opened; each step does nothing for what is not open.
// The libraries themselves are released by the exit handlers.
void ReleaseAfterFailure() {
    klmr_FreeImages();
    klmr_FreeBackBuffer();
    klmr_DisplayClose();
    klmr_SoundClose();
    CloseFontsOnce();
}

bool Readable(const char* path) {
    FILE* f = fopen(path, "rb");
    if (f == nullptr) return false;
    fclose(f);
    return true;
}

// Names the image that stopped klmr_LoadAndConvertImages: the first file that cannot be
// opened, else the first image left unloaded (a damaged file).
void ReportImageFailure() {
    char path[128];
    const char* missing = nullptr;
    for (const char* file : kImageFiles) {
        if (!Readable(file)) {
            missing = file;
            break;
        }
    }
    for (int n = 1; missing == nullptr && n <= kTileCount; ++n) {
        snprintf(path, sizeof path, "data/gfx/pic%d.bmp", n);
        if (!Readable(path)) missing = path;
    }
    if (missing == nullptr) {
        SDL_Surface* const images[] = {imgBackground, imgLogo, imgSelect, imgRotate};
        for (int i = 0; missing == nullptr && i < 4; ++i)
            if (images[i] == nullptr) missing = kImageFiles[i];
        for (int n = 1; missing == nullptr && n <= kTileCount; ++n) {
            if (tiles[n - 1] == nullptr) {
                snprintf(path, sizeof path, "data/gfx/pic%d.bmp", n);
                missing = path;
            }
        }
    }
    char message[256];
    if (missing != nullptr)
        snprintf(message, sizeof message, "Couldn't load the image %s (%s)", missing, kWhereData);
    else
        snprintf(message, sizeof message, "Couldn't load the images of data/gfx (%s)", kWhereData);
    klmr_PrintError(message, 0);
}

// Fonts, window and images: without any of them nothing can be drawn, so start-up stops.
bool OpenScreenAndImages() {
    if (!klmr_OpenScreen(SDL_HWPALETTE)) {
        if (screen == nullptr)
            klmr_PrintError("Couldn't open the game's 640x480 window with 16-bit colour", 0);
        else
            klmr_PrintError("Couldn't create the back buffer of the game's window", 0);
        return false;
    }
    SDL_WM_SetCaption("Kelmora", nullptr);
    if (!klmr_LoadAndConvertImages(screen)) {
        ReportImageFailure();
        return false;
    }
    return true;
}

void DrawTitleScreen() {
    klmr_FillBackground(backBuffer, imgBackground);
    klmr_Flip();
    if (introEffects)
        klmr_CurtainEffect(0);
    else
        klmr_FillBackground(screen, imgBackground);
    klmr_SaveScreen();
    if (introEffects) klmr_LogoDrop();
    klmr_DrawLogo(0, 0);
    klmr_DrawTextCentered(screen, noticeLine, fontSmall, &colorShadow, 90, true);
    klmr_Flip();
    klmr_SaveScreen();
}

void LoadScores(MainLoop* loop) {
    errno = 0;
    if (klmr_HiScoreLoad(&loop->hiScores, kScoreFile) >= 0) return;
    char message[256];
    snprintf(message, sizeof message,
             "Couldn't read the high scores from %s%s%s: this run's scores will not be saved "
             "there",
             kScoreFile, errno != 0 ? " : " : "", errno != 0 ? strerror(errno) : "");
    klmr_PrintError(message, 0);
}

} // namespace

void klmr_PrintError(const char* message, uint8_t flag) {
    if (message == nullptr) return;
    if (flag == 1)
        fprintf(stderr, "Error: %s : %s\n", message, SDL_GetError());
    else
        fprintf(stderr, "Error: %s\n", message);
}

int klmr_StartUp(MainLoop* loop) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        klmr_PrintError("Couldn't initialize SDL:", 1);
        return -1;
    }
    atexit(SDL_Quit);
    if (TTF_Init() < 0) {
        klmr_PrintError("Couldn't initialize TTF", 0);
        return -1;
    }
    atexit(TTF_Quit);
    SDL_Init(SDL_INIT_TIMER);

    if (!klmr_OpenFonts()) {
        char message[256];
        snprintf(message, sizeof message, "Couldn't open the font %s (%s)", kFontFile, kWhereData);
        klmr_PrintError(message, 0);
        ReleaseAfterFailure();
        return -1;
    }

    if (klmr_SoundOpen() < 0) {
        klmr_PrintError("Couldn't start mixer!\n", 0);
    } else {
        atexit(klmr_SoundClose);
        int swap = klmr_SoundLoad(kSoundSwap, "data/sfx/swap.wav");
        int click = klmr_SoundLoad(kSoundClick, "data/sfx/click.wav");
        if (swap != 0 || click != 0) {
            klmr_PrintError("Couldn't load sounds!\n", 0);
            ReleaseAfterFailure();
            return -1;
        }
    }

    if (!OpenScreenAndImages()) {
        ReleaseAfterFailure();
        return -1;
    }
    DrawTitleScreen();
    klmr_PuzzleInit(&loop->puzzle);
    LoadScores(loop);
    SDL_SetTimer(1, klmr_BounceTick);
    klmr_LoopReset(loop);
    return 0;
}

int klmr_SaveScores(const MainLoop* loop) {
    errno = 0;
    if (klmr_HiScoreSave(&loop->hiScores) == 0) return 0;
    char message[256];
    if (loop->hiScores.path[0] == '\0')
        snprintf(message, sizeof message,
                 "The high scores were not saved: %s could not be read at start-up and is left "
                 "as it was",
                 kScoreFile);
    else
        snprintf(message, sizeof message, "Couldn't save the high scores to %s : %s",
                 loop->hiScores.path, strerror(errno));
    klmr_PrintError(message, 0);
    return -1;
}

int klmr_ShutDown(MainLoop* loop) {
    klmr_SaveScores(loop);
    klmr_PuzzleFree(&loop->puzzle);
    SDL_FillRect(backBuffer, nullptr, 0);
    if (introEffects) klmr_CurtainEffect(0);
    klmr_FreeBackBuffer();
    klmr_DisplayClose();
    klmr_SoundClose();
    CloseFontsOnce();
    // The tile timer reads the tile images: it is stopped (and its thread joined) before
    // they are freed.
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    klmr_FreeImages();
    TTF_Quit();
    SDL_Quit();
    return 0;
}
