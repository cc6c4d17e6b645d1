# shellcheck shell=bash disable=SC2034 # GAME_STATUS is read by the scripts sourcing this
# X session helpers of the ship end-to-end tests (sourced by bash scripts after common.sh):
# a private Xvfb, the game started in a temporary working directory on the chosen SDL runtime,
# window lookup, input through XTEST, and screenshots. Everything started here is stopped by
# the exit hook, and the hook checks that nothing is left running.
#
# Environment read: KELMORA_RUNTIME = classic (default) or compat, the runtime the game is
# started on; SHIP_EXPECT_RUNTIME, when the game chooses its runtime itself.

SHIP_SKIP=77
SHIP_COMPAT_DIR=${KELMORA_SDL12COMPAT_DIR:-/usr/lib/x86_64-linux-gnu/sdl12-compat}
XVFB_PID=""
GAME_PID=""
GAME_STATUS="" # exit status of the last game_wait
GAME_WINDOW=""

require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || {
            echo "SKIP: $tool is not installed"
            exit "$SHIP_SKIP"
        }
    done
}

# Environment of the game for the runtime under test, as words for env(1).
# With faketime preloaded, a sanitizer build must be told that its runtime is not first.
runtime_env() {
    echo "SDL_AUDIODRIVER=dummy ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
    case ${KELMORA_RUNTIME:-classic} in
    classic) ;;
    compat)
        echo "LD_LIBRARY_PATH=$SHIP_COMPAT_DIR${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" \
            "SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0"
        ;;
    *) fail "unknown runtime ${KELMORA_RUNTIME}" ;;
    esac
}

require_runtime() {
    if [ "${KELMORA_RUNTIME:-classic}" = compat ] && [ ! -e "$SHIP_COMPAT_DIR/libSDL-1.2.so.0" ]; then
        echo "SKIP: sdl12-compat is not installed in $SHIP_COMPAT_DIR"
        exit "$SHIP_SKIP"
    fi
}

stop_all() {
    local pids
    if [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; then
        # timeout passes SIGTERM on to its process group; the game takes it as a window close.
        kill -TERM "$GAME_PID" 2>/dev/null || true
    fi
    # The game may outlive timeout (when the faketime wrapper between them dies of the signal
    # at once): give it the time of its closing curtain while the X server is still there.
    for _ in $(seq 100); do
        { [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; } || pgrep -f "^$SHIP_TMP/" >/dev/null || break
        sleep 0.1
    done
    [ -z "$GAME_PID" ] || kill -KILL "$GAME_PID" 2>/dev/null || true
    [ -z "$GAME_PID" ] || wait "$GAME_PID" 2>/dev/null || true
    if [ -n "$XVFB_PID" ]; then
        kill -TERM "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
    # Every process of this test ran from, or is named after, the temporary directory.
    pids=$(pgrep -f "$SHIP_TMP" || true)
    if [ -n "$pids" ]; then
        echo "FAIL: processes left behind:" >&2
        pgrep -af "$SHIP_TMP" >&2 || true
        # shellcheck disable=SC2086 # one id per word
        kill -KILL $pids 2>/dev/null || true
        return 1
    fi
}

# Starts a private X server of the given size (default 1280x1024) and exports DISPLAY.
# Classic SDL reports one motion event at the screen's centre when its window opens, which
# on a small screen lies over a menu item; on 1280x1024 it falls outside the 640x480 window.
# Display numbers are drawn at random from a wide range: Xvfb's own -displayfd search races
# when several tests start servers at once, and two of them can end up sharing a number.
x_start() {
    local size=${1:-1280x1024} n i
    require_tools Xvfb xdotool import convert
    on_exit stop_all
    for _ in $(seq 20); do
        n=$((200 + RANDOM % 9000))
        [ -e "/tmp/.X$n-lock" ] && continue
        # Named after the temporary directory, so that a server left behind is found by name.
        # -noreset: a server that resets when its last client leaves refuses connections
        # for a moment, and the game's connection may fall into that moment.
        (exec -a "Xvfb-$SHIP_TMP" Xvfb ":$n" -screen 0 "${size}x24" -nolisten tcp -noreset \
            >"$SHIP_TMP/xvfb.log" 2>&1) &
        XVFB_PID=$!
        for i in $(seq 100); do
            kill -0 "$XVFB_PID" 2>/dev/null || break
            if DISPLAY=:$n xdotool getdisplaygeometry >/dev/null 2>&1; then
                DISPLAY=:$n
                export DISPLAY
                xdotool mousemove "${size%x*}" "${size#*x}"
                return 0
            fi
            sleep 0.1
        done
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
        XVFB_PID=""
    done
    fail "no X server could be started: $(cat "$SHIP_TMP/xvfb.log")"
}

# game_start <seconds allowed> <command...>: runs the game in the background, bounded, from
# the current directory, with the runtime's environment; output in $SHIP_TMP/game.out, .err.
game_start() {
    local limit=$1
    shift
    # shellcheck disable=SC2046 # runtime_env yields separate words
    timeout -k 5 "$limit" env $(runtime_env) "$@" >"$SHIP_TMP/game.out" 2>"$SHIP_TMP/game.err" &
    GAME_PID=$!
}

# Waits for the game to end (at most the given seconds) and sets GAME_STATUS.
game_wait() {
    local limit=${1:-20} i
    for i in $(seq $((limit * 10))); do
        kill -0 "$GAME_PID" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$GAME_PID" 2>/dev/null && fail "the game did not end within $limit s"
    set +e
    wait "$GAME_PID"
    GAME_STATUS=$?
    set -e
    GAME_PID=""
}

# Waits for the game's window (caption "Kelmora") and sets GAME_WINDOW.
window_wait() {
    local i w
    for i in $(seq 150); do
        w=$(xdotool search --onlyvisible --name '^Kelmora$' 2>/dev/null | head -n1 || true)
        if [ -n "$w" ]; then
            GAME_WINDOW=$w
            expect_runtime "${SHIP_EXPECT_RUNTIME:-${KELMORA_RUNTIME:-classic}}"
            return 0
        fi
        kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended before its window appeared: $(cat "$SHIP_TMP/game.err")"
        sleep 0.1
    done
    fail "no game window within 15 s"
}

# Checks which SDL 1.2 the running game has loaded. The game is the one process whose command
# line starts with the temporary directory (it runs through a link there, or from a prefix
# installed there).
expect_runtime() { # classic or compat
    local pid maps
    pid=$(pgrep -f "^$SHIP_TMP/" | head -n1)
    [ -n "$pid" ] || fail "the game's process was not found"
    maps=$(grep -o '/[^ ]*libSDL-1\.2[^ ]*' "/proc/$pid/maps" | sort -u)
    case $1 in
    classic) echo "$maps" | grep -q sdl12-compat && fail "classic SDL expected, loaded: $maps" ;;
    compat) echo "$maps" | grep -q "^$SHIP_COMPAT_DIR/" || fail "sdl12-compat expected, loaded: $maps" ;;
    esac
    [ -n "$maps" ] || fail "no SDL 1.2 library in the game's memory map"
}

# shot <file>: the game window as a PNG.
shot() {
    timeout 10 import -window "$GAME_WINDOW" "$1" 2>/dev/null ||
        fail "screenshot of window $GAME_WINDOW failed (is the game still running?)"
}

# region_sum <png> <geometry WxH+X+Y>: a checksum of the pixels of one region.
region_sum() {
    convert "$1" -crop "$2" +repage rgb:- | md5sum | cut -d' ' -f1
}

# Everything above the bouncing tiles (they move along y 370..479 in the menu states).
STILL_AREA=640x360+0+0

# Waits until the window's still area stays the same over two looks in a row and is not
# black, that is the start-up effects are over and the screen waits for the player.
wait_still() {
    local prev="" cur i
    for i in $(seq 100); do
        shot "$SHIP_TMP/still.png"
        cur=$(region_sum "$SHIP_TMP/still.png" "$STILL_AREA")
        if [ "$cur" = "$prev" ] &&
            [ "$(convert "$SHIP_TMP/still.png" -crop "$STILL_AREA" -format '%[fx:maxima.r+maxima.g+maxima.b]' info:)" != 0 ]; then
            return 0
        fi
        prev=$cur
        sleep 0.3
    done
    fail "the screen did not settle"
}

# Waits until the given region of the window differs from the checksum given.
wait_region_changes() { # geometry old-sum seconds
    for _ in $(seq $(($3 * 5))); do
        shot "$SHIP_TMP/poll.png"
        [ "$(region_sum "$SHIP_TMP/poll.png" "$1")" != "$2" ] && return 0
        sleep 0.2
    done
    return 1
}

# Input goes through XTEST to the window under the pointer (Xvfb has no window manager).
pointer() { # x y, window coordinates
    xdotool mousemove --window "$GAME_WINDOW" "$1" "$2"
}

click_at() { # x y button
    # The game picks the block under the pointer on motion, so always arrive by moving.
    pointer $(($1 + 2)) $(($2 + 2))
    sleep 0.05
    pointer $(($1 + 1)) $(($2 + 1))
    sleep 0.05
    xdotool click "$3"
}

keys() {
    pointer 320 330
    xdotool key --delay 60 "$@"
}

type_text() {
    pointer 320 330
    xdotool type --delay 80 "$1"
}
