#!/bin/sh
# Whole-process CPU of the real program under Xvfb: user + sys of the game and of the X server,
# read from /proc/<pid>/stat over 10 s idle on the menu and 10 s of play (level 1, the pointer
# over the board so that the cursor animates).
#   bench/cpu.sh <build dir> <label> [compat]
# With "compat" the game runs on sdl12-compat (the 1.2 API over SDL2) instead of classic SDL.
# XVFB_DEPTH (default 24) sets the X server's colour depth.
set -eu
build=$(cd "$1" && pwd)
label=$2
mode=${3:-classic}
seconds=10

hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

work=$(mktemp -d /tmp/kelmora-cpu.XXXXXX)
ln -s "$build/data" "$work/data"
display=""
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "cpu.sh: no free display" >&2; exit 1; }

Xvfb "$display" -screen 0 "800x600x${XVFB_DEPTH:-24}" -nolisten tcp >/dev/null 2>&1 &
xpid=$!
export DISPLAY=$display
game=""
# shellcheck disable=SC2317
cleanup() {
    [ -n "$game" ] && kill "$game" 2>/dev/null || true
    kill "$xpid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

export SDL_AUDIODRIVER=dummy
if [ "$mode" = compat ]; then
    export LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu/sdl12-compat
    export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0
fi
(cd "$work" && exec "$build/kelmora") >"$work/out.txt" 2>&1 &
game=$!
sleep 3 # start-up with its effects

measure() {
    g0=$(ticks "$game"); x0=$(ticks "$xpid")
    sleep "$seconds"
    g1=$(ticks "$game"); x1=$(ticks "$xpid")
    awk -v g=$((g1 - g0)) -v x=$((x1 - x0)) -v hz="$hz" -v s="$seconds" -v what="$1" -v l="$label" \
        'BEGIN { printf "cpu %-8s %-10s game %5.1f %%  X server %5.1f %%  together %5.1f %% of one core\n",
                 l, what, 100*g/hz/s, 100*x/hz/s, 100*(g+x)/hz/s }'
}

measure "menu idle"
[ -d /proc/$game ] || { echo "cpu.sh: the game ended early:" >&2; cat "$work/out.txt" >&2; exit 1; }
# The pointer on the Start item (X11 reports where the pointer is, and the menu follows the
# pointer), then Enter.
window=$(xdotool search --onlyvisible --name Kelmora | head -n 1)
xdotool mousemove --window "$window" 320 160
sleep 0.2
xdotool key Return
sleep 1 # intro and scramble of level 1
xdotool mousemove --window "$window" 490 266
measure "play"
kill -TERM "$game"
wait "$game" || true
game=""
