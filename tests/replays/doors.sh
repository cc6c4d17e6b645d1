#!/bin/sh
# A run replays only if time and chance enter it through the replay's doors. Outside the clock
# (src/platform/clock.cpp), nothing in src/ reads a clock or waits, and rand() is drawn only by
# the scramble and by the bouncing tile's image, from the one seed klmr_Seed() gives srand().
#   doors.sh SOURCE_DIR
cd "$1/src" || exit 1
calls='\b(time|clock|gettimeofday|clock_gettime|SDL_GetTicks|SDL_Delay|SDL_AddTimer|rand|srand|random|rand_r|drand48|lrand48)\b *\(|std::chrono|<chrono>|<random>|random_device'
found=$(grep -rnE "$calls" --include='*.cpp' --include='*.h' . | sed 's|//.*||' | grep -E "$calls" |
    grep -vE '^\./platform/clock\.cpp:|^\./core/board\.cpp:[0-9]+: .*= rand\(\) % |^\./gfx/screen\.cpp:[0-9]+: +(srand\(klmr_Seed\(\)\);|bounceTile = rand\(\) % kTileCount;)$')
[ -z "$found" ] || { printf 'time or chance outside the replay doors:\n%s\n' "$found" >&2; exit 1; }
echo PASS
