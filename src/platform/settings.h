// Remembered presentation choices: a small key=value file read at start and rewritten whole.
//
// File format, one choice a line: "scale=1" .. "scale=3" or "scale=auto", "window=WxH" (the
// window's last size in pixels), "fullscreen=0" or "fullscreen=1". Blank lines and lines whose
// first visible character is '#' are comments; spaces around keys and values, and CRLF line
// ends, are allowed. An unknown key is ignored, so that an older game reads a newer file; a
// known key with a bad value is ignored too (that choice stays unset); of a key given twice the
// last line counts. Bytes that cannot be such a file (control characters, a line that is not a
// comment and has no '=') make the whole file refused, so that a file put there by mistake is
// neither trusted nor overwritten. No SDL.
#pragma once

#include <cstddef>

// A settings file is a few lines; a larger one is refused unread.
inline constexpr size_t kSettingsFileMax = 16 * 1024;
// The window sizes read back; anything outside is a bad value.
inline constexpr int kSettingsWindowMin = 64;
inline constexpr int kSettingsWindowMax = 16384;

// Remembered presentation choices; a field the file does not give stays "unset".
struct Settings {
    int scale;   // 1..3, 0 for auto; -1 unset
    int windowW; // the window's last size in pixels, both or neither; 0 unset
    int windowH;
    int fullscreen; // 0 or 1; -1 unset
};

// Reads path. 0: read, or no such file (everything unset). -1: unreadable, not a regular
// file, too large, or not a settings file: everything unset and a one-line warning naming the
// file in why; the caller must then never save over it.
int klmr_SettingsLoad(const char* path, Settings* out, char* why, size_t whySize);

// Writes the set fields as key=value lines, atomically (temporary file in the same folder,
// then rename; the folder is created if missing); 0, or -1 with why. A field holding a value
// the load would refuse is written as unset. A symbolic link keeps pointing at its file, which
// receives the choices.
int klmr_SettingsSave(const char* path, const Settings* in, char* why, size_t whySize);
