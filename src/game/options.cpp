// The program's command line. Without arguments the game runs exactly as it always has; every
// option adds something a player or a tester asked for and changes nothing else.
#include "game.h"

#include "display.h"
#include "version.h"

#include <cstdio>
#include <cstring>

namespace {

// "1", "2", "3" or "auto": the scale, else -1.
int ScaleValue(const char* text) {
    if (strcmp(text, "auto") == 0) return kScaleAuto;
    if (text[0] >= '1' && text[0] <= '0' + kScaleMax && text[1] == '\0') return text[0] - '0';
    return -1;
}

// The options that take a value, given as two arguments or as one joined by "=". The value is
// stored through the member pointer; a value of scale is checked by ScaleValue.
struct Valued {
    const char* name;
    const char* Options::*field;
};
constexpr Valued kValued[] = {
    {"--scale", nullptr}, // stored as a number, below
    {"--settings", &Options::settings},
    {"--record", &Options::record},
    {"--replay", &Options::replay},
};

// Flags: the option alone.
struct Flag {
    const char* name;
    int Options::*field;
};
constexpr Flag kFlags[] = {
    {"--help", &Options::help},
    {"-h", &Options::help},
    {"--version", &Options::version},
    {"-V", &Options::version},
    {"--fullscreen", &Options::fullscreen}, // start fullscreen
    {"--headless", &Options::headless},
};

// The value of the valued option that argument i names, moving i past a separate value; null
// when argument i names no valued option or its value is missing. *which is its index.
const char* ValueOf(int argc, const char* const* argv, int* i, int* which) {
    const char* arg = argv[*i];
    for (int k = 0; k < static_cast<int>(sizeof kValued / sizeof kValued[0]); ++k) {
        const size_t n = strlen(kValued[k].name);
        if (strncmp(arg, kValued[k].name, n) != 0) continue;
        *which = k;
        if (arg[n] == '=') return arg + n + 1;
        if (arg[n] != '\0') continue;
        if (*i + 1 >= argc) return nullptr;
        return argv[++*i];
    }
    *which = -1;
    return nullptr;
}

// The one help of the program; the launcher prints it too and adds where the files live. An
// option's line goes under "Options:", its key, if any, in the table of keys.
const char kUsage[] = "Usage: kelmora [--scale 1|2|3|auto] [--fullscreen] [--settings FILE] "
                      "[--record FILE] [--replay FILE [--headless]] [--help] [--version]\n";
const char kHelp[] = R"(Turn the tiles back into the picture before the time runs out.

Options:
  --scale N      show the 640x480 window N times larger: N = 1, 2 or 3, or auto
                 for the largest that fits the screen
  --fullscreen   start fullscreen
  --settings FILE
                 read the window's size and fullscreen from FILE, and keep them
                 there when they change (the command line wins for the run)
  --record FILE  record the run into FILE, written when the game ends
  --replay FILE  play the run recorded in FILE back, frame for frame, and verify
                 it; Escape leaves; no score or settings file is read or written
  --headless     with --replay: no window, no sound and no waiting
  -h, --help     show this help and exit
  -V, --version  show the version and exit

On the menu:
  Up, Down       choose Start, HiScores, About or Exit (or point with the mouse)
  Enter          open the chosen item (or click it with the left button)
  Escape         end the game; on HiScores and About, Escape, Enter or a click
                 goes back to the menu
  a level code   typed on the menu (five characters, shown on each level's
                 intro): the next run starts at that level
  qzmek          test mode: no time limit, Enter skips to the next level
In a level:
  mouse          the left button turns the 2x2 block under the pointer
                 counter-clockwise, the right button clockwise
  arrows         move the cursor to the next block that can be turned that way
  ,  .           turn the marked block counter-clockwise, clockwise
  Space          turn it the way of the last turn
  Escape         abandon the run
Your name, after a high score: up to 31 letters (shown in capitals), digits,
  spaces and , . - / ; = ' (Shift is ignored); Backspace corrects, Enter confirms.
Everywhere but there, f redraws the whole window.
Everywhere, F11 or Alt+Enter switches between fullscreen and the window; the
window can be resized, and the picture takes the largest whole scale that fits.
)";

} // namespace

void klmr_PrintUsage(FILE* out) {
    fputs(kUsage, out);
}

void klmr_PrintHelp(FILE* out) {
    fputs(kUsage, out);
    fputs(kHelp, out);
}

void klmr_PrintVersion(FILE* out) {
    fputs("kelmora " KELMORA_VERSION "\n", out);
}

bool klmr_ParseArgs(int argc, const char* const* argv, Options* options) {
    Options o = {};
    o.scale = kScaleUnset;
    for (int i = 1; i < argc; ++i) {
        bool known = false;
        for (const Flag& f : kFlags)
            if (strcmp(argv[i], f.name) == 0) o.*f.field = 1, known = true;
        if (known) continue;
        int which = -1;
        const char* value = ValueOf(argc, argv, &i, &which);
        if (value == nullptr) return false;
        if (kValued[which].field == nullptr) {
            o.scale = ScaleValue(value);
            if (o.scale < 0) return false;
        } else {
            if (value[0] == '\0') return false;
            o.*kValued[which].field = value;
        }
    }
    *options = o;
    return true;
}
