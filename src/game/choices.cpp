// The window choices a player makes (size, fullscreen), remembered in the settings file given by
// "--settings FILE": read once at start, written back each time the player changes the window.
#include "game.h"

#include "display.h"
#include "settings.h"

#include <cstdio>

namespace {

const char* keptIn = nullptr; // the file written back to; null when nothing may be written
Settings kept = {-1, 0, 0, -1};
bool saveFailed = false; // a failed save is told once

} // namespace

void klmr_ChoicesLoad(const char* path, const Options* options) {
    Settings s = {-1, 0, 0, -1};
    keptIn = nullptr;
    if (path != nullptr) {
        char why[320];
        // A file that could not be read is never written over: it may be the player's own.
        if (klmr_SettingsLoad(path, &s, why, sizeof why) == 0)
            keptIn = path;
        else
            fprintf(stderr, "kelmora: %s; the window choices are neither read nor kept\n", why);
    }
    kept = s;
    if (options->scale != kScaleUnset)
        klmr_DisplaySetScale(options->scale);
    else if (s.windowW > 0 && s.windowH > 0)
        klmr_DisplaySetWindow(s.windowW, s.windowH);
    else if (s.scale >= 0)
        klmr_DisplaySetScale(s.scale);
    klmr_DisplaySetFullscreen(options->fullscreen != 0 || s.fullscreen == 1);
}

void klmr_ChoicesKeep(const DisplayState* before) {
    const DisplayState now = klmr_DisplayNow();
    if (keptIn == nullptr) return;
    Settings s = kept;
    if (now.fullscreen != before->fullscreen) s.fullscreen = now.fullscreen ? 1 : 0;
    if (now.windowW != before->windowW || now.windowH != before->windowH)
        s.scale = -1, s.windowW = now.windowW, s.windowH = now.windowH;
    if (s.fullscreen == kept.fullscreen && s.windowW == kept.windowW && s.windowH == kept.windowH &&
        s.scale == kept.scale)
        return;
    char why[320];
    if (klmr_SettingsSave(keptIn, &s, why, sizeof why) == 0) {
        kept = s;
    } else if (!saveFailed) {
        saveFailed = true;
        fprintf(stderr, "kelmora: %s; the window choices are not kept\n", why);
    }
}
