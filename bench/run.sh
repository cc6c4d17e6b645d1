#!/bin/sh
# Runs every benchmark of a release build: frame, text and start-up costs under the dummy
# video driver; the frames with their own updates against whole-screen ones under Xvfb on the
# X11 driver; whole-process CPU under Xvfb, the earlier update policy (a second tree built with
# KELMORA_PRESENT_WHOLE_RECTS) against this one, at scales 1 to 3, with the loop's floor; both
# runtimes (classic and sdl12-compat) against their floors; and a 16-bit X server.
#   bench/run.sh <build dir> <build dir of the earlier policy>
set -eu
build=$1
whole=$2
here=$(dirname "$0")
bench="$build/bench/kelmora_bench"

echo "== machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "== frames, texts and start-up (dummy video driver; the 5 ms pause excluded)"
SDL_VIDEODRIVER=dummy "$bench" --benchmark_filter='-BM_Update' --benchmark_min_time=1
echo "== the same frame with its own updates and with a whole-screen update (X11, Xvfb 24-bit)"
SDL_VIDEODRIVER=x11 xvfb-run -a -s '-screen 0 800x600x24 -nolisten tcp' \
    "$bench" --benchmark_filter='BM_Update|BM_MenuIdle|BM_PlayIdle' --benchmark_min_time=2
echo "== whole-process CPU over 10 s (Xvfb 24-bit, classic SDL): earlier policy, this one, scales"
sh "$here/cpu.sh" "$build" classic full "$whole"
echo "== both runtimes at scales 1 and 2, each against its floor (the bare loop, kelmora_floor)"
sh "$here/cpu.sh" "$build" runtimes
echo "== on classic SDL with a 16-bit X server (no colour conversion on update)"
XVFB_DEPTH=16 sh "$here/cpu.sh" "$build" classic16
