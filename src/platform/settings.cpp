// Remembered presentation choices: the file's reading rules and its atomic rewrite.
#include "settings.h"

#include "files.h"

#include <cerrno>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <sys/stat.h>

namespace {

constexpr Settings kUnset = {-1, 0, 0, -1};

// Writes the reason for a failure into why (if there is room for one) and returns -1.
__attribute__((format(printf, 3, 4))) int Fail(char* why, size_t whySize, const char* format, ...) {
    if (why != nullptr && whySize > 0) {
        va_list args;
        va_start(args, format);
        vsnprintf(why, whySize, format, args);
        va_end(args);
    }
    return -1;
}

std::string_view Trim(std::string_view s) {
    const size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

// A decimal number of one to five digits, nothing else; -1 otherwise. Five digits hold every
// value a choice can take and keep the arithmetic far from overflow.
int Number(std::string_view s) {
    if (s.empty() || s.size() > 5) return -1;
    int n = 0;
    for (const char c : s) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
    }
    return n;
}

// Applies one key=value line; unknown keys and bad values change nothing but their own key.
void Apply(std::string_view key, std::string_view value, Settings* s) {
    if (key == "scale") {
        const int n = Number(value);
        s->scale = value == "auto" ? 0 : n >= 1 && n <= 3 ? n : -1;
    } else if (key == "window") {
        const size_t x = value.find_first_of("xX");
        const int w = x == std::string_view::npos ? -1 : Number(value.substr(0, x));
        const int h = x == std::string_view::npos ? -1 : Number(value.substr(x + 1));
        const bool ok = w >= kSettingsWindowMin && w <= kSettingsWindowMax &&
                        h >= kSettingsWindowMin && h <= kSettingsWindowMax;
        s->windowW = ok ? w : 0;
        s->windowH = ok ? h : 0;
    } else if (key == "fullscreen") {
        s->fullscreen = value == "0" ? 0 : value == "1" ? 1 : -1;
    }
}

// Reads text into *s: 0, or the number of the first line that cannot belong to a settings file.
int Parse(std::string_view text, Settings* s) {
    int number = 0;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++number;
        for (const char c : line) {
            const auto u = static_cast<unsigned char>(c);
            if ((u < 0x20 && c != '\t' && c != '\r') || u == 0x7f) return number;
        }
        line = Trim(line);
        if (line.empty() || line.front() == '#') continue;
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos) return number;
        const std::string_view key = Trim(line.substr(0, eq));
        if (key.empty()) return number;
        for (const char c : key) {
            const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                              (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
            if (!word) return number;
        }
        Apply(key, Trim(line.substr(eq + 1)), s);
    }
    return 0;
}

// The lines a save writes: the set fields whose values a load accepts.
std::string Format(const Settings& in) {
    std::string text = "# Kelmora's remembered window choices, rewritten by the game.\n";
    if (in.scale == 0) text += "scale=auto\n";
    if (in.scale >= 1 && in.scale <= 3) text += "scale=" + std::to_string(in.scale) + "\n";
    if (in.windowW >= kSettingsWindowMin && in.windowW <= kSettingsWindowMax &&
        in.windowH >= kSettingsWindowMin && in.windowH <= kSettingsWindowMax)
        text += "window=" + std::to_string(in.windowW) + "x" + std::to_string(in.windowH) + "\n";
    if (in.fullscreen == 0 || in.fullscreen == 1)
        text += "fullscreen=" + std::to_string(in.fullscreen) + "\n";
    return text;
}

// Creates every missing folder above the file at path, private to the player as per-user
// configuration folders are: true, or false with errno.
bool MakeFolders(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        if (mkdir(path.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

} // namespace

int klmr_SettingsLoad(const char* path, Settings* out, char* why, size_t whySize) {
    if (why != nullptr && whySize > 0) why[0] = '\0';
    if (out != nullptr) *out = kUnset;
    if (path == nullptr || out == nullptr) return Fail(why, whySize, "no settings file to read");
    FileBytes bytes;
    if (klmr_ReadFileBounded(path, kSettingsFileMax, &bytes, why, whySize) != 0) {
        if (errno != ENOENT) return -1;
        if (why != nullptr && whySize > 0) why[0] = '\0';
        return 0;
    }
    Settings s = kUnset;
    const int bad = Parse({reinterpret_cast<const char*>(bytes.data), bytes.size}, &s);
    klmr_FreeFileBytes(&bytes);
    if (bad > 0) return Fail(why, whySize, "%s is not a settings file (line %d)", path, bad);
    *out = s;
    return 0;
}

int klmr_SettingsSave(const char* path, const Settings* in, char* why, size_t whySize) {
    if (why != nullptr && whySize > 0) why[0] = '\0';
    if (path == nullptr || path[0] == '\0' || in == nullptr)
        return Fail(why, whySize, "no settings file to write");
    char target[PATH_MAX];
    if (klmr_RewriteTarget(path, target, sizeof target) != 0)
        return Fail(why, whySize, "Couldn't write %s: %s", path, strerror(errno));
    if (!MakeFolders(target))
        return Fail(why, whySize, "Couldn't create the folder of %s: %s", path, strerror(errno));
    const std::string text = Format(*in);
    if (klmr_ReplaceFile(target, text.data(), text.size(), -1, nullptr) != 0)
        return Fail(why, whySize, "Couldn't write %s: %s", path, strerror(errno));
    return 0;
}
