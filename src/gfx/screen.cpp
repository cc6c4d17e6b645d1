// Presentation state for the whole run and its set-up: window, back buffer, fonts and images.
#include "screen.h"

#include "clock.h"
#include "display.h"
#include "files.h"

#include <SDL_image.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

SDL_Surface* screen = nullptr;
SDL_Surface* backBuffer = nullptr;
SDL_Rect backRect = {0, 0, 0, 0};

TTF_Font* fontLarge = nullptr;
TTF_Font* fontMedium = nullptr;
TTF_Font* fontSmall = nullptr;

SDL_Surface* imgBackground = nullptr;
SDL_Surface* imgLogo = nullptr;
SDL_Surface* imgSelect = nullptr;
SDL_Surface* imgRotate = nullptr;
SDL_Surface* tiles[kTileCount] = {};

const SDL_Color colorTable[4] = {
    {200, 200, 240, 100}, // pale
    {20, 20, 20, 50},     // shadow
    {10, 10, 250, 0},     // blue
    {250, 10, 25, 0},     // red
};
const SDL_Color& colorPale = colorTable[0];
const SDL_Color& colorShadow = colorTable[1];
const SDL_Color& colorBlue = colorTable[2];
const SDL_Color& colorRed = colorTable[3];
const SDL_Color colorMenu = {95, 10, 250, 0};

const int menuTextY[kMenuItems] = {145, 185, 225, 265};
const int menuBarY[kMenuItems] = {151, 191, 231, 271};
SDL_Rect selectRect = {0, 145, 0, 160};

char failedDataFile[128] = "";
char failedImageSize[256] = "";

int bounceTile = 0;
SDL_Rect tileRects[kBounceCount] = {};
std::atomic<int32_t> tileX[kBounceCount] = {};
std::atomic<int32_t> tileAngle[kBounceCount] = {0, 15, 30, 45, 60, 75, 90, 105, 120, 135};
std::atomic<int32_t> tileSpeed[kBounceCount] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1};

namespace {

constexpr const char* kFontPath = "data/fonts/impact.ttf";
constexpr int kMenuHeight = 160; // four items of 40 pixels
constexpr int kBounceLeft = 10;
constexpr int kBounceTop = 20;

// Replaces *image by its copy in format, freeing the original, then sets the colour key.
// Should the conversion fail, the original stays: it still blits, only more slowly, whereas a
// null image would be dereferenced by the colour key and by every later draw.
void ConvertInPlace(SDL_Surface** image, SDL_PixelFormat* format) {
    if (*image == nullptr) return;
    SDL_Surface* converted = SDL_ConvertSurface(*image, format, 0);
    if (converted != nullptr) {
        SDL_FreeSurface(*image);
        *image = converted;
    }
}

void SetKey(SDL_Surface* image, Uint32 key) {
    if (image != nullptr) SDL_SetColorKey(image, SDL_SRCCOLORKEY, key);
}

void FreeImage(SDL_Surface** image) {
    if (*image != nullptr) SDL_FreeSurface(*image);
    *image = nullptr;
}

// The font file's bytes: the three fonts read their glyphs from them for as long as they are
// open, so they are freed only when the fonts are closed.
FileBytes fontBytes = {nullptr, 0, 0};

// Notes the first data file that failed, for start-up's message; its reason stays in the
// media library's error text.
void NoteFailure(const char* path) {
    if (failedDataFile[0] == '\0') snprintf(failedDataFile, sizeof failedDataFile, "%s", path);
}

// Reads a data file whole, safely (see files.h), and opens it as a memory stream over bytes,
// which the caller frees once the stream is done with. Null when the file is refused, with the
// reason as the media library's error text: "Couldn't open <path>" for a missing file, as the
// library itself says.
SDL_RWops* OpenDataFile(const char* path, FileBytes* bytes) {
    char why[160];
    if (klmr_ReadDataFile(path, bytes, why, sizeof why) != 0) {
        SDL_SetError("%s", why);
        return nullptr;
    }
    return SDL_RWFromConstMem(bytes->data, static_cast<int>(bytes->size));
}

// What an image may measure, from the smallest to the largest the game can show. Checked on the
// file's header before anything is decoded: a decoder allocates what the header claims, and a
// small compressed file can claim gigabytes and minutes of work.
struct ImageBounds {
    const char* what;
    int minW, minH, maxW, maxH;
};

// Each is drawn whole within the window.
constexpr ImageBounds kBackgroundBounds = {"the background", 1, 1, kScreenWidth, kScreenHeight};
constexpr ImageBounds kLogoBounds = {"the logo", 1, 1, kScreenWidth, kScreenHeight};
// The bar rests at most at menuBarY[3] + 4 and must stay within the menu column (selectRect),
// the only rectangle its moves update.
const ImageBounds kSelectBounds = {"the selection bar", 1, 1, kScreenWidth,
                                   menuTextY[0] + kMenuHeight - (menuBarY[kMenuItems - 1] + 4)};
// The board view draws the six 64x64 cursor frames side by side from the strip's top left.
constexpr ImageBounds kRotateBounds = {"the cursor strip", 6 * 64, 64, kScreenWidth, kScreenHeight};
// Tiles: bounded by the window here; start-up then checks that they share one size and that
// the largest boards fit side by side.
constexpr ImageBounds kTileBounds = {"a tile", 1, 1, kScreenWidth, kScreenHeight};

unsigned long Be32(const unsigned char* p) {
    return static_cast<unsigned long>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

unsigned long Le32(const unsigned char* p) {
    return static_cast<unsigned long>(p[3]) << 24 | p[2] << 16 | p[1] << 8 | p[0];
}

// The width and height a PNG's IHDR or a BMP's header gives: true, or false for bytes that are
// not such an image. The PNG signature also makes sure the PNG decoder is the one that runs.
bool HeaderSize(const FileBytes& bytes, bool png, long* w, long* h) {
    const unsigned char* b = bytes.data;
    if (png) {
        if (bytes.size < 24 || memcmp(b, "\x89PNG\r\n\x1a\n", 8) != 0 ||
            memcmp(b + 12, "IHDR", 4) != 0)
            return false;
        *w = static_cast<long>(Be32(b + 16));
        *h = static_cast<long>(Be32(b + 20));
        return true;
    }
    if (bytes.size < 26 || memcmp(b, "BM", 2) != 0) return false;
    const unsigned long header = Le32(b + 14);
    if (header == 12) { // the oldest header: 16-bit sizes
        *w = b[18] | b[19] << 8;
        *h = b[20] | b[21] << 8;
        return true;
    }
    if (header < 16) return false;
    // Signed 32-bit sizes; a negative height is a picture stored top row first.
    *w = static_cast<int32_t>(Le32(b + 18));
    *h = std::labs(static_cast<long>(static_cast<int32_t>(Le32(b + 22))));
    return true;
}

// Loads an image with the given loader: IMG_Load_RW for the PNGs, SDL_LoadBMP_RW for the tiles,
// once its header gives a size within bounds. The first failure's refusal for the size is kept
// in failedImageSize.
SDL_Surface* LoadImage(const char* path, SDL_Surface* (*load)(SDL_RWops*, int),
                       const ImageBounds& bounds) {
    FileBytes bytes;
    SDL_RWops* stream = OpenDataFile(path, &bytes);
    SDL_Surface* image = nullptr;
    const bool png = load != SDL_LoadBMP_RW;
    long w = 0, h = 0;
    if (stream != nullptr && !HeaderSize(bytes, png, &w, &h)) {
        SDL_SetError("%s is not a %s image", path, png ? "PNG" : "BMP");
        SDL_RWclose(stream);
    } else if (stream != nullptr &&
               (w < bounds.minW || h < bounds.minH || w > bounds.maxW || h > bounds.maxH)) {
        char why[sizeof failedImageSize];
        snprintf(why, sizeof why, "%s is %ldx%ld pixels, where %s takes %dx%d to %dx%d", path, w, h,
                 bounds.what, bounds.minW, bounds.minH, bounds.maxW, bounds.maxH);
        SDL_SetError("%s", why);
        if (failedDataFile[0] == '\0') memcpy(failedImageSize, why, sizeof why);
        SDL_RWclose(stream);
    } else if (stream != nullptr) {
        image = load(stream, 1);
    }
    klmr_FreeFileBytes(&bytes);
    if (image == nullptr) NoteFailure(path);
    return image;
}

// The window icon: the desktop icon's artwork, small, keyed with magenta like every image.
constexpr const char* kIconPath = "data/gfx/icon.png";
constexpr int kIconMaxSide = 256;

// Whether the bytes are a PNG whose header gives sides of 1..kIconMaxSide, before anything is
// decoded.
bool IconSizeFits(const FileBytes& bytes) {
    long w = 0, h = 0;
    return HeaderSize(bytes, true, &w, &h) && w >= 1 && h >= 1 && w <= kIconMaxSide &&
           h <= kIconMaxSide;
}

} // namespace

void klmr_SetWindowIcon() {
    FileBytes bytes = {nullptr, 0, 0};
    char why[160] = "";
    SDL_Surface* icon = nullptr;
    if (klmr_ReadDataFile(kIconPath, &bytes, why, sizeof why) == 0) {
        if (!IconSizeFits(bytes))
            snprintf(why, sizeof why, "%s is not a PNG of at most %dx%d pixels", kIconPath,
                     kIconMaxSide, kIconMaxSide);
        else if ((icon = IMG_Load_RW(SDL_RWFromConstMem(bytes.data, int(bytes.size)), 1)) ==
                 nullptr)
            snprintf(why, sizeof why, "%s: %s", kIconPath, SDL_GetError());
    }
    klmr_FreeFileBytes(&bytes);
    if (icon == nullptr) {
        fprintf(stderr, "klmr_SetWindowIcon: %s; the window goes without its icon\n", why);
        return;
    }
    SetKey(icon, SDL_MapRGB(icon->format, 255, 0, 255));
    SDL_WM_SetIcon(icon, nullptr); // the window keeps its own copy
    SDL_FreeSurface(icon);
}

int klmr_OpenScreen(Uint32 flags) {
    screen = klmr_DisplayOpen(flags);
    if (screen == nullptr) {
        fprintf(stderr, "klmr_OpenScreen: Couldn't initialize video mode: %s\n", SDL_GetError());
        return 0;
    }
    klmr_FreeBackBuffer();
    const SDL_PixelFormat* f = screen->format;
    backBuffer = SDL_CreateRGBSurface(SDL_SWSURFACE, screen->w, screen->h, f->BitsPerPixel,
                                      f->Rmask, f->Gmask, f->Bmask, f->Amask);
    if (backBuffer == nullptr) {
        fprintf(stderr, "klmr_OpenScreen: Can't create surface!\n");
        return 0;
    }
    backRect = {0, 0, static_cast<Uint16>(backBuffer->w), static_cast<Uint16>(backBuffer->h)};
    return 1;
}

int klmr_OpenFonts() {
    failedDataFile[0] = '\0';
    // Read once: fonts still open from an earlier call go on reading these bytes.
    if (fontBytes.data == nullptr) {
        char why[160];
        if (klmr_ReadDataFile(kFontPath, &fontBytes, why, sizeof why) != 0) SDL_SetError("%s", why);
    }
    TTF_Font** fonts[] = {&fontLarge, &fontMedium, &fontSmall};
    const int sizes[] = {27, 20, 16};
    for (int i = 0; i < 3; ++i) {
        SDL_RWops* stream =
            fontBytes.data != nullptr
                ? SDL_RWFromConstMem(fontBytes.data, static_cast<int>(fontBytes.size))
                : nullptr;
        *fonts[i] = stream != nullptr ? TTF_OpenFontRW(stream, 1, sizes[i]) : nullptr;
    }
    if (fontLarge == nullptr || fontMedium == nullptr || fontSmall == nullptr) {
        NoteFailure(kFontPath);
        fprintf(stderr, "klmr_OpenFonts: I can't create bmp: %s\n", SDL_GetError());
        return 0;
    }
    return 1;
}

int klmr_FontsDraw(char* why, size_t whySize) {
    TTF_Font* fonts[] = {fontLarge, fontMedium, fontSmall};
    const int sizes[] = {27, 20, 16};
    for (int i = 0; i < 3; ++i) {
        TTF_Font* font = fonts[i];
        const int height = font != nullptr ? TTF_FontHeight(font) : 0;
        for (const char* word : kMenuTexts) {
            // A letter without a glyph of its own would be drawn as the font's "missing" box.
            bool provided = height > 0;
            for (const char* c = word; *c != '\0' && provided; ++c)
                provided = TTF_GlyphIsProvided(font, static_cast<Uint16>(*c)) != 0;
            SDL_Surface* text = provided ? TTF_RenderText_Blended(font, word, colorMenu) : nullptr;
            bool visible = false;
            if (text != nullptr && text->h > 0 && SDL_LockSurface(text) == 0) {
                // Blended text is 32-bit with its coverage in the alpha channel.
                for (int y = 0; y < text->h && !visible; ++y) {
                    const auto* row = reinterpret_cast<const Uint32*>(
                        static_cast<const Uint8*>(text->pixels) + y * text->pitch);
                    for (int x = 0; x < text->w && !visible; ++x)
                        visible = (row[x] & text->format->Amask) != 0;
                }
                SDL_UnlockSurface(text);
            }
            if (text != nullptr) SDL_FreeSurface(text);
            if (!visible) {
                snprintf(why, whySize,
                         "the font %s draws \"%s\" at %d points as nothing or without its "
                         "letters (a line height of %d): the file is damaged",
                         kFontPath, word, sizes[i], height);
                return 0;
            }
        }
    }
    return 1;
}

void klmr_CloseFonts() {
    if (fontLarge != nullptr) TTF_CloseFont(fontLarge);
    if (fontMedium != nullptr) TTF_CloseFont(fontMedium);
    if (fontSmall != nullptr) TTF_CloseFont(fontSmall);
    klmr_FreeFileBytes(&fontBytes);
}

int klmr_LoadAndConvertImages(SDL_Surface* target) {
    // A second call must not leak what the first one loaded.
    klmr_FreeImages();

    failedDataFile[0] = '\0';
    failedImageSize[0] = '\0';

    // All four are tried; the message gives the reason of the first that failed, the file
    // start-up names.
    bool failed = false;
    char firstError[160] = "";
    SDL_Surface** pngs[] = {&imgBackground, &imgLogo, &imgSelect, &imgRotate};
    const char* const pngFiles[] = {"data/gfx/background.png", "data/gfx/klmr_logo_cpr.png",
                                    "data/gfx/select.png", "data/gfx/rotate.png"};
    const ImageBounds* bounds[] = {&kBackgroundBounds, &kLogoBounds, &kSelectBounds,
                                   &kRotateBounds};
    for (int i = 0; i < 4; ++i) {
        *pngs[i] = LoadImage(pngFiles[i], IMG_Load_RW, *bounds[i]);
        if (*pngs[i] == nullptr && !failed)
            snprintf(firstError, sizeof firstError, "%s", SDL_GetError());
        failed = failed || *pngs[i] == nullptr;
    }
    if (failed) {
        fprintf(stderr, "klmr_LoadAndConvertImages: I can't create bmp: %s\n", firstError);
        return 0;
    }

    for (int n = 1; n <= kTileCount; ++n) {
        char path[128];
        snprintf(path, sizeof path, "data/gfx/pic%d.bmp", n);
        tiles[n - 1] = LoadImage(path, SDL_LoadBMP_RW, kTileBounds);
        if (tiles[n - 1] == nullptr) {
            fprintf(stderr, "klmr_LoadAndConvertImages: I can't create bmp: %s\n", SDL_GetError());
            return 0;
        }
    }

    // The key is set after the conversion: it must match the converted pixel values.
    SDL_PixelFormat* format = target->format;
    const Uint32 key = SDL_MapRGB(format, 255, 0, 255);
    SDL_Surface** images[] = {&imgBackground, &imgLogo, &imgSelect, &imgRotate};
    for (SDL_Surface** image : images)
        ConvertInPlace(image, format);
    for (SDL_Surface** image : images)
        SetKey(*image, key);
    for (SDL_Surface*& tile : tiles) {
        ConvertInPlace(&tile, format);
        SetKey(tile, key);
    }

    srand(static_cast<unsigned int>(klmr_Time()));
    bounceTile = rand() % kTileCount;

    const int w = tiles[0]->w;
    const int h = tiles[0]->h;
    for (int i = 0; i < kBounceCount; ++i) {
        const int x = kBounceLeft + i * w;
        tileRects[i] = {static_cast<Sint16>(x), kBounceTop, static_cast<Uint16>(w),
                        static_cast<Uint16>(h)};
        tileX[i].store(x, std::memory_order_relaxed);
    }

    selectRect = {static_cast<Sint16>((kScreenWidth - imgSelect->w) / 2),
                  static_cast<Sint16>(menuTextY[0]), static_cast<Uint16>(imgSelect->w),
                  kMenuHeight};
    return 1;
}

void klmr_FreeBackBuffer() {
    if (backBuffer != nullptr) SDL_FreeSurface(backBuffer);
    backBuffer = nullptr;
}

void klmr_FreeImages() {
    FreeImage(&imgBackground);
    FreeImage(&imgLogo);
    FreeImage(&imgSelect);
    FreeImage(&imgRotate);
    for (SDL_Surface*& tile : tiles)
        FreeImage(&tile);
}
