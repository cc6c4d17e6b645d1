// Drawing primitives shared by every screen: background, texts, centred blits and updates.
#include "draw.h"

#include "display.h"
#include "screen.h"

#include <cstdio>
#include <cstring>

namespace {

// Left edge of something w pixels wide centred on the screen; truncating, against 640 always.
int CenteredX(int w) {
    return (kScreenWidth - w) / 2;
}

SDL_Rect MakeRect(int x, int y, int w, int h) {
    return {static_cast<Sint16>(x), static_cast<Sint16>(y), static_cast<Uint16>(w),
            static_cast<Uint16>(h)};
}

// Copies all of src onto dst when a blit would be a plain copy of the same pixels: equal size
// and format, no colour key or alpha on src, no clipping on dst. SDL 1.2's own blit copy uses
// non-temporal MMX stores and costs about three times as much for a whole screen. False when
// the surfaces do not qualify; the caller then blits.
bool CopyWhole(SDL_Surface* src, SDL_Surface* dst) {
    if (src == nullptr || dst == nullptr || src == dst) return false;
    const SDL_PixelFormat* a = src->format;
    const SDL_PixelFormat* b = dst->format;
    if (src->w != dst->w || src->h != dst->h || a->BitsPerPixel != b->BitsPerPixel ||
        a->BytesPerPixel != b->BytesPerPixel || a->Rmask != b->Rmask || a->Gmask != b->Gmask ||
        a->Bmask != b->Bmask || a->Amask != b->Amask || a->palette != nullptr ||
        (src->flags & (SDL_SRCCOLORKEY | SDL_SRCALPHA)) != 0)
        return false;
    const SDL_Rect& clip = dst->clip_rect;
    if (clip.x != 0 || clip.y != 0 || clip.w != dst->w || clip.h != dst->h) return false;
    if (SDL_LockSurface(src) != 0) return false;
    if (SDL_LockSurface(dst) != 0) {
        SDL_UnlockSurface(src);
        return false;
    }
    const size_t row = static_cast<size_t>(src->w) * a->BytesPerPixel;
    for (int y = 0; y < src->h; ++y) {
        memcpy(static_cast<Uint8*>(dst->pixels) + static_cast<size_t>(y) * dst->pitch,
               static_cast<const Uint8*>(src->pixels) + static_cast<size_t>(y) * src->pitch, row);
    }
    SDL_UnlockSurface(dst);
    SDL_UnlockSurface(src);
    return true;
}

} // namespace

void klmr_FillBackground(SDL_Surface* dst, SDL_Surface* image) {
    if (dst == nullptr || image == nullptr || image->w <= 0 || image->h <= 0) {
        fprintf(stderr, "klmr_FillBackground error!!\n");
        return;
    }
    // One column and one row more than fit whole cover the remainder; the blit clips them.
    const int cols = dst->w / image->w;
    const int rows = dst->h / image->h;
    for (int c = 0; c <= cols; ++c) {
        for (int r = 0; r <= rows; ++r) {
            SDL_Rect at = MakeRect(c * image->w, r * image->h, 0, 0);
            SDL_BlitSurface(image, nullptr, dst, &at);
        }
    }
}

void klmr_DrawText(SDL_Surface* dst, const char* text, TTF_Font* font, const SDL_Color* colour,
                   int xOffset, int y, bool update) {
    if (dst == nullptr || text == nullptr || font == nullptr || colour == nullptr) return;
    SDL_Surface* rendered = TTF_RenderText_Blended(font, text, *colour);
    if (rendered == nullptr) return;
    // The blit writes the area actually drawn, after clipping, back into at.
    SDL_Rect at = MakeRect(CenteredX(rendered->w) + xOffset, y, 0, 0);
    SDL_BlitSurface(rendered, nullptr, dst, &at);
    if (update) klmr_DisplayUpdate(dst, at.x - 2, at.y - 2, at.w + 4, at.h + 4);
    SDL_FreeSurface(rendered);
}

void klmr_DrawTextCentered(SDL_Surface* dst, const char* text, TTF_Font* font,
                           const SDL_Color* colour, int y, bool update) {
    klmr_DrawText(dst, text, font, colour, 0, y, update);
}

void klmr_DrawTextOutlined(SDL_Surface* dst, const char* text, TTF_Font* font,
                           const SDL_Color* textColour, const SDL_Color* outlineColour, int y,
                           bool update) {
    klmr_DrawText(dst, text, font, outlineColour, 2, y + 2, false);
    klmr_DrawText(dst, text, font, outlineColour, -2, y - 2, false);
    klmr_DrawText(dst, text, font, outlineColour, -2, y + 2, false);
    klmr_DrawText(dst, text, font, outlineColour, 2, y - 2, false);
    // The main text's update, grown by 2 on every side, covers the four copies.
    klmr_DrawText(dst, text, font, textColour, 0, y, update);
}

void klmr_BlitCentered(SDL_Surface* dst, SDL_Surface* image, int y) {
    if (image == nullptr) return;
    SDL_Rect at = MakeRect(CenteredX(image->w), y, 0, 0);
    SDL_BlitSurface(image, nullptr, dst, &at);
}

void klmr_RestoreCentered(SDL_Surface* dst, SDL_Surface* src, SDL_Surface* image, int y) {
    if (image == nullptr) return;
    SDL_Rect area = MakeRect(CenteredX(image->w), y, image->w, image->h);
    SDL_Rect at = area;
    SDL_BlitSurface(src, &area, dst, &at);
}

void klmr_UpdateClipped(SDL_Surface* dst, SDL_Surface* image, int xOffset, int y) {
    if (dst == nullptr || image == nullptr) return;
    int x = CenteredX(image->w) + xOffset;
    int w = image->w;
    int h = image->h;
    if (x < 0) {
        if (x + w <= 0) return;
        w = x + w;
        x = 0;
    }
    if (y < 0) {
        if (y + h <= 0) return;
        h = y + h;
        y = 0;
    }
    // The library drops an update that reaches past the surface, and reads a zero size as the
    // whole surface; cut the one and skip the other.
    if (w <= 0 || h <= 0 || x >= dst->w || y >= dst->h) return;
    if (x + w > dst->w) w = dst->w - x;
    if (y + h > dst->h) h = dst->h - y;
    klmr_DisplayUpdate(dst, x, y, w, h);
}

void klmr_DrawLogo(int xOffset, int y) {
    if (imgLogo == nullptr) return;
    SDL_Rect at = MakeRect(CenteredX(imgLogo->w) + xOffset, y + 21, 0, 0);
    SDL_BlitSurface(imgLogo, nullptr, screen, &at);
}

void klmr_SaveScreen() {
    if (CopyWhole(screen, backBuffer)) return;
    SDL_Rect at = backRect;
    SDL_BlitSurface(screen, nullptr, backBuffer, &at);
}

void klmr_Flip() {
    klmr_DisplayUpdate(screen, 0, 0, 0, 0);
}

void klmr_RestoreScreen() {
    if (CopyWhole(backBuffer, screen)) return;
    SDL_Rect at = MakeRect(0, 0, 0, 0);
    SDL_BlitSurface(backBuffer, nullptr, screen, &at);
}
