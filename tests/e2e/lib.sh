# Shell helpers for the end-to-end tests: the real `kelmora` in a running X server (Xvfb, given
# by xvfb-run through $DISPLAY), driven with xdotool, observed through screenshots and its
# exit status. Source it from a bash script:
#
#   . "$(dirname "$0")/lib.sh"
#   e2e_init "$1" "$2" "$3"   # program, data directory, directory for screenshots (may be "")
#   e2e_start                 # starts the game in a fresh working dir, waits for the menu
#   e2e_keys Down Return      # key names as xdotool knows them (sent through XTEST to the
#                             # game's window, which e2e_start gives the input focus)
#   e2e_move 320 200          # window-relative pointer motion
#   e2e_click 1               # button 1, 3, 4, 5 ... at the pointer (XTEST as well)
#   e2e_wait_still            # until the upper screen (above the bouncing tiles) stops changing
#   h=$(e2e_hash 0 0 640 370) # hash of a window-relative region of the current screen
#   e2e_pixel 200 240         # "r g b" of a window-relative pixel of the screen now
#   e2e_shot menu             # saves menu.png (the window) into the screenshot directory
#   e2e_wait_exit 10          # waits for the game to end; its status is in $E2E_STATUS
#   e2e_pass                  # prints PASS and ends with status 0
#
# Failures: e2e_fail "message" prints it and ends the script with status 1; a display that
# cannot be used (another X server took the number xvfb-run chose) ends it with status 75,
# which run.sh answers by running the script again in a new Xvfb. The exit hook stops
# the game if it is still running (SIGTERM, then SIGKILL) and removes the working directory, so
# no process and no file is left behind. Every wait is bounded.
#
# Variables after e2e_start: E2E_PID (the game), E2E_WIN (its X window), E2E_WORK (its working
# directory, holding data/ and hiscores.dat), E2E_WX and E2E_WY (the window's place on the root).

set -u

E2E_BIN=""
E2E_DATA=""
E2E_SHOTS=""
E2E_PID=""
E2E_WIN=""
E2E_WORK=""
E2E_WX=0
E2E_WY=0
E2E_STATUS=""
E2E_TMP=""

e2e_fail() {
    echo "FAIL: $*" >&2
    if [ -n "$E2E_SHOTS" ] && [ -n "$E2E_WIN" ]; then
        e2e_shot failure 2>/dev/null && echo "screen at the failure: $E2E_SHOTS/failure.png" >&2
    fi
    if [ -n "$E2E_TMP" ] && [ -s "$E2E_TMP/stderr" ]; then
        echo "--- game's standard error:" >&2
        cat "$E2E_TMP/stderr" >&2
    fi
    exit 1
}

e2e_pass() {
    echo "PASS"
    exit 0
}

e2e_cleanup() {
    if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill -TERM "$E2E_PID" 2>/dev/null || true
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$E2E_PID" 2>/dev/null || break
            sleep 0.2
        done
        kill -KILL "$E2E_PID" 2>/dev/null || true
    fi
    [ -z "$E2E_PID" ] || wait "$E2E_PID" 2>/dev/null || true
    [ -z "$E2E_TMP" ] || rm -rf "$E2E_TMP"
}

# e2e_init PROGRAM DATA_DIR SHOT_DIR: checks the tools and the display, sets the exit hook.
e2e_init() {
    E2E_BIN=$1
    E2E_DATA=$2
    E2E_SHOTS=${3:-}
    local tool
    for tool in xdotool import convert xwininfo md5sum; do
        command -v "$tool" >/dev/null || e2e_fail "$tool is not installed"
    done
    [ -n "${DISPLAY:-}" ] || e2e_fail "no DISPLAY: run under xvfb-run"
    if ! xdotool getdisplaygeometry >/dev/null 2>&1; then
        echo "the X display $DISPLAY cannot be used" >&2
        exit 75
    fi
    [ -x "$E2E_BIN" ] || e2e_fail "no program at $E2E_BIN"
    [ -d "$E2E_DATA" ] || e2e_fail "no data directory at $E2E_DATA"
    [ -z "$E2E_SHOTS" ] || mkdir -p "$E2E_SHOTS"
    E2E_TMP=$(mktemp -d /tmp/kelmora-e2e-XXXXXX)
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM
}

# e2e_start: the game in a fresh working directory (data/ linked), its window found, the
# start-up effects over. Standard output and error go to $E2E_TMP/stdout and stderr.
e2e_start() {
    E2E_WORK=$E2E_TMP/work
    mkdir -p "$E2E_WORK"
    ln -s "$E2E_DATA" "$E2E_WORK/data"
    (cd "$E2E_WORK" && exec env SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" "$E2E_BIN" \
        >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr") &
    E2E_PID=$!
    local i
    E2E_WIN=""
    for i in $(seq 1 100); do
        E2E_WIN=$(xdotool search --pid "$E2E_PID" --name '^Kelmora$' 2>/dev/null | head -n 1)
        [ -n "$E2E_WIN" ] && break
        if ! kill -0 "$E2E_PID" 2>/dev/null; then
            if grep -q "Couldn't open X11 display" "$E2E_TMP/stderr"; then
                echo "the game could not open the X display $DISPLAY" >&2
                exit 75
            fi
            e2e_fail "the game ended during start-up"
        fi
        sleep 0.1
    done
    [ -n "$E2E_WIN" ] || e2e_fail "no window titled Kelmora within 10 s"
    E2E_WX=$(xwininfo -id "$E2E_WIN" | awk '/Absolute upper-left X/ {print $4}')
    E2E_WY=$(xwininfo -id "$E2E_WIN" | awk '/Absolute upper-left Y/ {print $4}')
    # Keys synthesised for a window (XSendEvent) are not taken by the game: it gets the focus
    # and real (XTEST) key events instead. The pointer starts where the X server put it, which
    # may be over a menu item; it is parked in the window's top-left corner, away from the
    # menu, so only the test's own motions choose items.
    xdotool windowfocus --sync "$E2E_WIN" 2>/dev/null || xdotool windowfocus "$E2E_WIN"
    xdotool mousemove --window "$E2E_WIN" 5 5
    # Curtain and logo drop take about a second; then the menu is drawn and stands still.
    sleep 1
    e2e_wait_still
}

e2e_keys() {
    local k
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.05
    done
}

# e2e_type TEXT: one key per character (letters and digits only).
e2e_type() {
    local text=$1 i
    for ((i = 0; i < ${#text}; i++)); do
        e2e_keys "${text:i:1}"
    done
}

e2e_move() {
    xdotool mousemove --window "$E2E_WIN" "$1" "$2"
    sleep 0.1
}

e2e_click() {
    xdotool click "$1"
    sleep 0.1
}

# e2e_hash X Y W H: md5 of the pixels of a window-relative region of the screen now.
e2e_hash() {
    import -silent -window root -crop "$3x$4+$((E2E_WX + $1))+$((E2E_WY + $2))" +repage rgb:- |
        md5sum | cut -d' ' -f1
}

# e2e_pixel X Y: the red, green and blue of a window-relative pixel, as "r g b".
e2e_pixel() {
    import -silent -window root -crop "1x1+$((E2E_WX + $1))+$((E2E_WY + $2))" +repage -depth 8 \
        rgb:- | od -An -tu1 | awk '{print $1, $2, $3}'
}

# e2e_wait_still [SECONDS]: until two looks 0.3 s apart at the screen above the bouncing tiles
# (y 0..369) agree; fails after SECONDS (default 10).
e2e_wait_still() {
    local limit=${1:-10} before after i
    before=$(e2e_hash 0 0 640 370)
    for i in $(seq 1 $((limit * 3))); do
        sleep 0.3
        after=$(e2e_hash 0 0 640 370)
        [ "$after" = "$before" ] && return 0
        before=$after
    done
    e2e_fail "the screen did not settle within $limit s"
}

# e2e_shot NAME: the window's 640x480 area as NAME.png in the screenshot directory.
e2e_shot() {
    [ -n "$E2E_SHOTS" ] || return 0
    import -silent -window root -crop "640x480+$E2E_WX+$E2E_WY" +repage "$E2E_SHOTS/$1.png"
}

# e2e_wait_exit SECONDS: waits for the game to end; E2E_STATUS holds its exit status.
e2e_wait_exit() {
    local i
    for i in $(seq 1 $(($1 * 10))); do
        if ! kill -0 "$E2E_PID" 2>/dev/null; then
            E2E_STATUS=0
            wait "$E2E_PID" || E2E_STATUS=$?
            E2E_PID=""
            return 0
        fi
        sleep 0.1
    done
    e2e_fail "the game did not end within $1 s"
}

# e2e_default_scores: the bytes of hiscores.dat holding the default table.
e2e_default_scores() {
    local s
    for s in 100 90 80 70 60 50 40 30 20 10; do
        printf 'Quorvane|+\n1\n%d\n' "$s"
    done
}

# e2e_expect_default_scores: hiscores.dat in the working directory is the default table.
e2e_expect_default_scores() {
    e2e_default_scores >"$E2E_TMP/expected.dat"
    cmp -s "$E2E_TMP/expected.dat" "$E2E_WORK/hiscores.dat" ||
        e2e_fail "hiscores.dat does not hold the default table"
}
