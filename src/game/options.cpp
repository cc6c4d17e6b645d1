// The program's command line: the scale of the window, and nothing else.
#include "game.h"

#include "display.h"

#include <cstring>

namespace {

// "1", "2", "3" or "auto": the scale, else -1.
int ScaleValue(const char* text) {
    if (strcmp(text, "auto") == 0) return kScaleAuto;
    if (text[0] >= '1' && text[0] <= '0' + kScaleMax && text[1] == '\0') return text[0] - '0';
    return -1;
}

} // namespace

bool klmr_ParseArgs(int argc, const char* const* argv, int* scale) {
    int value = 1;
    if (argc == 3 && strcmp(argv[1], "--scale") == 0)
        value = ScaleValue(argv[2]);
    else if (argc == 2 && strncmp(argv[1], "--scale=", 8) == 0)
        value = ScaleValue(argv[1] + 8);
    else if (argc > 1)
        value = -1;
    if (value < 0) return false;
    *scale = value;
    return true;
}
