#!/bin/sh
# Whole-process CPU of the real game under Xvfb: user + sys of the game and of the X server, read
# from /proc/<pid>/stat over 10 s idle on the menu and 10 s of play (level 1, the pointer over the
# board so that the cursor animates), with the display door's figures over the same 10 s: the
# area the game asked to update and the area handed to SDL, per second (640x480 pixels).
#   bench/cpu.sh <build dir> runtimes
#       on classic SDL 1.2 and on sdl12-compat in turn, at scales 1 and 2: the floor
#       (kelmora_floor: the same window, the 1 ms timer, the event poll and the 5 ms sleep,
#       nothing drawn), menu idle and play; then each figure as a ratio to the floor of its
#       runtime and scale
#   bench/cpu.sh <build dir> <label> [compat]
#       this tree's kelmora_timed at scale 1 (menu and play), the only runs with "compat"
#   bench/cpu.sh <build dir> <label> full <build dir of the earlier policy>
#       the earlier policy (every requested rectangle handed whole) and this one at scale 1,
#       this one at scales 2 and 3, start-up and effect times at each scale, and the floor:
#       the loop with nothing to draw (events drained, 5 ms pause; kelmora_timed --floor)
# With "compat" the game runs on sdl12-compat (the 1.2 API over SDL2) instead of classic SDL.
# XVFB_DEPTH (default 24) sets the X server's colour depth; its screen is 2048x1536, so that a
# window of scale 3 is shown whole.
set -eu
build=$(cd "$1" && pwd)
label=$2
mode=${3:-classic}
[ "$label" != runtimes ] || mode=runtimes
whole=""
[ "$mode" != full ] || whole=$(cd "$4" && pwd)
seconds=${CPU_SECONDS:-10}

hz=$(getconf CLK_TCK)
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }

work=$(mktemp -d /tmp/kelmora-cpu.XXXXXX)
ln -s "$build/data" "$work/data"
display=""
for n in $(seq 90 140); do
    if [ ! -e "/tmp/.X$n-lock" ] && [ ! -e "/tmp/.X11-unix/X$n" ]; then display=":$n"; break; fi
done
[ -n "$display" ] || { echo "cpu.sh: no free display" >&2; exit 1; }

Xvfb "$display" -screen 0 "2048x1536x${XVFB_DEPTH:-24}" -nolisten tcp >/dev/null 2>&1 &
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
compat() {
    export LD_LIBRARY_PATH=/usr/lib/x86_64-linux-gnu/sdl12-compat
    export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0
}
[ "$mode" != compat ] || compat
figures=$work/figures # "runtime scale what together%" per measure, for the ratios
times=$work/times
value() { awk -v k="$1" '$1 == k { print $2 }' "$times"; }

# start <binary> <arguments>: runs it in the work directory until its first menu frame, its
# effects run again and timed.
start() {
    rm -f "$times"
    (cd "$work" && KELMORA_TIMES=$times exec "$@") >"$work/out.txt" 2>&1 &
    game=$!
    for _ in $(seq 200); do [ -s "$times" ] && break; sleep 0.1; done
    [ -s "$times" ] || { echo "cpu.sh: $1 did not start:" >&2; cat "$work/out.txt" >&2; exit 1; }
    sleep 1.5 # the first menu frames after the effects
    window=$(xdotool search --onlyvisible --name Kelmora | head -n 1)
}
stop() {
    kill -TERM "$game"
    wait "$game" || true
    game=""
}

# measure <label> <what>: CPU and the door's rates over the next 10 s.
measure() {
    g0=$(ticks "$game"); x0=$(ticks "$xpid")
    s0=$(value seconds); r0=$(value requested); u0=$(value updated); f0=$(value frames)
    sleep "$seconds"
    g1=$(ticks "$game"); x1=$(ticks "$xpid")
    s1=$(value seconds); r1=$(value requested); u1=$(value updated); f1=$(value frames)
    [ -d "/proc/$game" ] || { echo "cpu.sh: the game ended early:" >&2; cat "$work/out.txt" >&2; exit 1; }
    awk -v g=$((g1 - g0)) -v x=$((x1 - x0)) -v hz="$hz" -v s="$seconds" -v what="$2" -v l="$1" \
        -v ds="$s0 $s1" -v r="$r0 $r1" -v u="$u0 $u1" -v f="$f0 $f1" '
        BEGIN { split(ds, t); split(r, a); split(u, b); split(f, c); d = t[2] - t[1]
                printf "cpu %-10s %-12s game %5.1f %%  X server %5.1f %%  together %5.1f %%", l, what,
                       100*g/hz/s, 100*x/hz/s, 100*(g+x)/hz/s
                if (d > 0) printf "  | asked %8.0f px/s  handed %8.0f px/s  %4.0f frames/s",
                                  (a[2]-a[1])/d, (b[2]-b[1])/d, (c[2]-c[1])/d
                printf "\n"
                printf "%s %.2f\n", what, 100*(g+x)/hz/s >> "'"$figures"'" }'
}

# menu_and_play <label> <scale> <binary>: menu idle, then level 1 with the cursor animating.
menu_and_play() {
    start "$3" --scale "$2"
    measure "$1" "menu idle"
    # The pointer on the Start item (X11 reports where the pointer is, and the menu follows
    # the pointer), then Enter; the pointer then over the playing board.
    xdotool mousemove --window "$window" $((320 * $2)) $((160 * $2))
    sleep 0.2
    xdotool key Return
    sleep 1.5 # intro and scramble of level 1
    xdotool mousemove --window "$window" $((490 * $2)) $((266 * $2))
    sleep 0.2
    measure "$1" "play"
    timing "$1" "$2"
    stop
}

timing() {
    printf 'time %-10s scale %s  start-up to the first menu frame %5.0f ms  curtain %4.0f ms  logo drop %4.0f ms\n' \
        "$1" "$2" "$(value startup_ms)" "$(value curtain_ms)" "$(value logo_ms)"
}

if [ "$mode" = runtimes ]; then
    for runtime in classic compat; do
        [ "$runtime" = classic ] || compat
        for n in 1 2; do
            start "$build/bench/kelmora_floor" --scale "$n"
            measure "$runtime-x$n" "$runtime $n floor"
            stop
            start "$build/bench/kelmora_timed" --scale "$n"
            measure "$runtime-x$n" "$runtime $n menu"
            xdotool mousemove --window "$window" $((320 * n)) $((160 * n))
            sleep 0.2
            xdotool key Return
            sleep 1.5 # intro and scramble of level 1
            xdotool mousemove --window "$window" $((490 * n)) $((266 * n))
            sleep 0.2
            measure "$runtime-x$n" "$runtime $n play"
            stop
        done
    done
    echo "ratios to the floor of the same runtime and scale (game + X server):"
    awk '{ key = $1 " " $2; v[key " " $3] = $4 }
         $3 == "floor" { floors[key] = $4 }
         END { for (k in floors) for (w = 1; w <= 2; ++w) {
                   what = w == 1 ? "menu" : "play"
                   printf "ratio %-10s x%s %-5s %5.2f %%  floor %5.2f %%  %4.2fx\n", \
                          substr(k, 1, index(k, " ") - 1), substr(k, index(k, " ") + 1), what, \
                          v[k " " what], floors[k], (floors[k] > 0 ? v[k " " what] / floors[k] : 0) } }' \
        "$figures" | sort
    exit 0
fi
if [ "$mode" != full ]; then
    menu_and_play "$label" 1 "$build/bench/kelmora_timed"
    exit 0
fi
menu_and_play "$label-whole" 1 "$whole/bench/kelmora_timed"
menu_and_play "$label" 1 "$build/bench/kelmora_timed"
menu_and_play "$label-x2" 2 "$build/bench/kelmora_timed"
menu_and_play "$label-x3" 3 "$build/bench/kelmora_timed"
start "$build/bench/kelmora_timed" --floor
measure "$label" "loop floor"
stop
