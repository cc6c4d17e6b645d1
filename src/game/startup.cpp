// Start-up and shut-down of the program: libraries, fonts, sound, window, images, the title
// screen, the high-score file and the bouncing-tile timer, and their release in a fixed order.
#include "game.h"

#include "boardview.h"
#include "display.h"
#include "displays.h"
#include "draw.h"
#include "effects.h"
#include "replay.h"
#include "screen.h"
#include "soundbank.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const char kScoreFile[] = "hiscores.dat";
const char kFontFile[] = "data/fonts/impact.ttf";
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
    screen = nullptr;
    klmr_SoundClose();
    CloseFontsOnce();
}

// Names the image that stopped klmr_LoadAndConvertImages, as the loader found it: the file is
// not opened again (a FIFO would hang the start there).
void ReportImageFailure() {
    char message[256];
    if (failedImageSize[0] != '\0')
        snprintf(message, sizeof message, "%s", failedImageSize);
    else if (failedDataFile[0] != '\0')
        snprintf(message, sizeof message, "Couldn't load the image %s (%s)", failedDataFile,
                 kWhereData);
    else
        snprintf(message, sizeof message, "Couldn't load the images of data/gfx (%s)", kWhereData);
    klmr_PrintError(message, 0);
}

// The board view draws every cell on the grid of tiles[0], and centres the two boards on
// (150, 266) and (490, 266). Tiles of another size would tear the picture, and tiles too large
// for the largest level put boards off the window or over each other, where the player can
// neither see nor turn them. Checked once, after loading: 0 when the tiles fit, else -1 with
// the reason, naming the file and the sizes, in message.
int CheckTileSizes(char* message, size_t size) {
    const int w = tiles[0]->w, h = tiles[0]->h;
    for (int n = 2; n <= kTileCount; ++n) {
        if (tiles[n - 1]->w != w || tiles[n - 1]->h != h) {
            snprintf(message, size,
                     "data/gfx/pic%d.bmp is %dx%d pixels but data/gfx/pic1.bmp is %dx%d: the "
                     "sixteen tiles must share one size",
                     n, tiles[n - 1]->w, tiles[n - 1]->h, w, h);
            return -1;
        }
    }
    int columns = 0, rows = 0;
    for (int i = 0; i < levelTable.levelCount; ++i) {
        columns = std::max(columns, static_cast<int>(levelTable.levelDims[i].width));
        rows = std::max(rows, static_cast<int>(levelTable.levelDims[i].height));
    }
    // Where the board view puts the two boards of the widest and of the tallest level.
    auto fits = [columns, rows](long tileW, long tileH) {
        const long width = columns * tileW, height = rows * tileH;
        const long targetLeft = kTargetCenterX - width / 2, playLeft = kPlayCenterX - width / 2;
        const long top = kBoardCenterY - height / 2;
        return tileW > 0 && tileH > 0 && targetLeft >= 0 && targetLeft + width <= playLeft &&
               playLeft + width <= kScreenWidth && top >= 0 && top + height <= kScreenHeight;
    };
    if (fits(w, h)) return 0;
    long maxW = 0, maxH = 0;
    while (maxW < kScreenWidth && fits(maxW + 1, 1))
        ++maxW;
    while (maxH < kScreenHeight && fits(1, maxH + 1))
        ++maxH;
    snprintf(message, size,
             "data/gfx/pic1.bmp is %dx%d pixels: the largest boards, %dx%d tiles, would be "
             "%ldx%ld pixels, and two must fit side by side in the %dx%d window (tiles of at "
             "most %ldx%ld do)",
             w, h, columns, rows, columns * static_cast<long>(w), rows * static_cast<long>(h),
             kScreenWidth, kScreenHeight, maxW, maxH);
    return -1;
}

// Fonts, window and images: without any of them nothing can be drawn, so start-up stops.
bool OpenScreenAndImages() {
    klmr_SetWindowIcon(); // before the first video mode, which is when SDL hands it to the window
    if (!klmr_OpenScreen(SDL_HWPALETTE)) {
        if (screen == nullptr)
            klmr_PrintError("Couldn't open the game's window", 0);
        else
            klmr_PrintError("Couldn't create the back buffer of the game's window", 0);
        return false;
    }
    SDL_WM_SetCaption("Kelmora", nullptr);
    if (!klmr_LoadAndConvertImages(screen)) {
        ReportImageFailure();
        return false;
    }
    char message[384];
    if (CheckTileSizes(message, sizeof message) != 0) {
        klmr_PrintError(message, 0);
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

// A replay brings its own table, and no file is read or written.
void LoadScores(MainLoop* loop) {
    if (klmr_ReplayTable(&loop->hiScores)) return;
    errno = 0;
    if (klmr_HiScoreLoad(&loop->hiScores, kScoreFile) >= 0) return;
    char why[96] = "";
    if (errno == EFBIG)
        snprintf(why, sizeof why, " : it is larger than %ld bytes, too large for a score table",
                 kHiScoreFileMax);
    else if (errno == EINVAL)
        snprintf(why, sizeof why, " : it is not a regular file");
    else if (errno != 0)
        snprintf(why, sizeof why, " : %s", strerror(errno));
    char message[256];
    snprintf(message, sizeof message,
             "Couldn't read the high scores from %s%s: this run's scores will not be saved there",
             kScoreFile, why);
    klmr_PrintError(message, 0);
}

// SIGHUP, which a closing terminal sends, ends the game as SIGTERM does: with the table saved
// and status 0. The media library turns SIGTERM into a window close on either runtime, so the
// handler only passes the signal on as SIGTERM (raise is safe in a handler). A file size limit
// must be a failed write, reported, not a kill (SIGXFSZ); and a reader that closed the pipe on
// standard output must not kill the game before it saves (SIGPIPE).
void HangUpAsTerm(int) {
    raise(SIGTERM);
}

void SetUpSignals() {
    struct sigaction hangUp = {};
    hangUp.sa_handler = HangUpAsTerm;
    sigemptyset(&hangUp.sa_mask);
    sigaction(SIGHUP, &hangUp, nullptr);
    signal(SIGXFSZ, SIG_IGN);
    signal(SIGPIPE, SIG_IGN);
}

} // namespace

void klmr_PrintError(const char* message, uint8_t flag) {
    if (message == nullptr) return;
    if (flag == 1)
        fprintf(stderr, "Error: %s : %s\n", message, SDL_GetError());
    else
        fprintf(stderr, "Error: %s\n", message);
}

// Without a display, classic SDL falls back to drawing the game as coloured characters over
// the terminal and runs until killed; a player over ssh is better served by one clear line. A
// video driver chosen by name is the player's (or a test's) decision and is never second-guessed.
int klmr_CheckDisplay() {
    for (const char* name : {"SDL_VIDEODRIVER", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = getenv(name);
        if (value != nullptr && value[0] != '\0') return 0;
    }
    klmr_PrintError("No display found: neither DISPLAY nor WAYLAND_DISPLAY is set. Start "
                    "Kelmora in a graphical session, or choose a video driver with "
                    "SDL_VIDEODRIVER.",
                    0);
    return -1;
}

int klmr_StartUp(MainLoop* loop) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        klmr_PrintError("Couldn't initialize SDL:", 1);
        return -1;
    }
    atexit(SDL_Quit);
    SetUpSignals(); // after SDL_Init, which sets the SIGTERM handler
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
    if (char why[256]; !klmr_FontsDraw(why, sizeof why)) {
        klmr_PrintError(why, 0);
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
    klmr_ReplayBegin(loop);
    return 0;
}

int klmr_SaveScores(MainLoop* loop) {
    if (klmr_ReplayPlaying()) return 0;
    errno = 0;
    if (klmr_HiScoreSave(&loop->hiScores) == 0) return 0;
    char message[256];
    if (loop->hiScores.path[0] == '\0')
        snprintf(message, sizeof message,
                 "The high scores were not saved: %s could not be read at start-up and is left "
                 "as it was",
                 kScoreFile);
    else if (errno == EWOULDBLOCK)
        snprintf(message, sizeof message,
                 "Couldn't save the high scores to %s : the file is locked by another copy of "
                 "the game",
                 loop->hiScores.path);
    else if (errno == EINVAL)
        snprintf(message, sizeof message,
                 "Couldn't save the high scores to %s : it is no longer a regular file and is "
                 "left as it is",
                 loop->hiScores.path);
    else
        snprintf(message, sizeof message, "Couldn't save the high scores to %s : %s",
                 loop->hiScores.path, strerror(errno));
    klmr_PrintError(message, 0);
    return -1;
}

int klmr_ShutDown(MainLoop* loop) {
    const int replay = klmr_ReplayFinish(loop);
    klmr_SaveScores(loop);
    klmr_PuzzleFree(&loop->puzzle);
    SDL_FillRect(backBuffer, nullptr, 0);
    if (introEffects) klmr_CurtainEffect(0);
    klmr_FreeBackBuffer();
    klmr_DisplayClose();
    screen = nullptr; // freed with the display, its one owner
    klmr_SoundClose();
    CloseFontsOnce();
    // The tile timer reads the tile images: it is stopped (and its thread joined) before
    // they are freed.
    SDL_QuitSubSystem(SDL_INIT_TIMER);
    klmr_FreeImages();
    TTF_Quit();
    SDL_Quit();
    return replay;
}
