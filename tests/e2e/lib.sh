# Shell helpers for the end-to-end tests: the real `kelmora` in the X server of xvfb-run
# ($DISPLAY), driven with xdotool (XTEST keys and pointer, window-relative coordinates),
# observed through screenshots and its exit status. e2e_init PROGRAM DATA_DIR [SHOT_DIR], then
# e2e_start; after it E2E_PID, E2E_WIN, E2E_WORK (working directory with data/ and
# hiscores.dat) and E2E_WX, E2E_WY (the window on the root) are set. e2e_fail ends the script
# with status 1, a display that cannot be used ends it with 75 (run.sh then retries in a new
# Xvfb); the exit hook stops the game (SIGTERM, then SIGKILL) and removes the working
# directory. Every wait is bounded.
set -u

E2E_BIN="" E2E_DATA="" E2E_SHOTS="" E2E_PID="" E2E_WIN="" E2E_WORK="" E2E_STATUS="" E2E_TMP=""
E2E_WX=0 E2E_WY=0

e2e_fail() {
    echo "FAIL: $*" >&2
    [ -n "$E2E_SHOTS" ] && [ -n "$E2E_WIN" ] && e2e_shot failure 2>/dev/null &&
        echo "screen at the failure: $E2E_SHOTS/failure.png" >&2
    [ -s "$E2E_TMP/stderr" ] && echo "--- game's standard error:" >&2 && cat "$E2E_TMP/stderr" >&2
    exit 1
}

e2e_pass() { echo PASS; exit 0; }

e2e_cleanup() {
    if [ -n "$E2E_PID" ] && kill -0 "$E2E_PID" 2>/dev/null; then
        kill -TERM "$E2E_PID" 2>/dev/null
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            kill -0 "$E2E_PID" 2>/dev/null && sleep 0.2
        done
        kill -KILL "$E2E_PID" 2>/dev/null
    fi
    [ -z "$E2E_PID" ] || wait "$E2E_PID" 2>/dev/null
    [ -z "$E2E_TMP" ] || rm -rf "$E2E_TMP"
}

e2e_init() {
    E2E_BIN=$1 E2E_DATA=$2 E2E_SHOTS=${3:-}
    local tool
    for tool in xdotool import convert xwininfo md5sum; do
        command -v "$tool" >/dev/null || e2e_fail "$tool is not installed"
    done
    [ -n "${DISPLAY:-}" ] || e2e_fail "no DISPLAY: run under xvfb-run"
    xdotool getdisplaygeometry >/dev/null 2>&1 || { echo "X display $DISPLAY unusable" >&2; exit 75; }
    [ -x "$E2E_BIN" ] || e2e_fail "no program at $E2E_BIN"
    [ -d "$E2E_DATA" ] || e2e_fail "no data directory at $E2E_DATA"
    [ -z "$E2E_SHOTS" ] || mkdir -p "$E2E_SHOTS"
    E2E_TMP=$(mktemp -d /tmp/kelmora-e2e-XXXXXX)
    trap e2e_cleanup EXIT
    trap 'exit 1' INT TERM
}

# e2e_start: the game in a fresh working directory, its window found, the start-up effects
# over. Its standard output and error go to $E2E_TMP/stdout and stderr.
e2e_start() {
    E2E_WORK=$E2E_TMP/work
    mkdir -p "$E2E_WORK"
    ln -s "$E2E_DATA" "$E2E_WORK/data"
    (cd "$E2E_WORK" && exec env SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}" "$E2E_BIN" \
        >"$E2E_TMP/stdout" 2>"$E2E_TMP/stderr") &
    E2E_PID=$! E2E_WIN=""
    for _ in $(seq 1 300); do
        E2E_WIN=$(xdotool search --pid "$E2E_PID" --name '^Kelmora$' 2>/dev/null | head -n 1)
        [ -n "$E2E_WIN" ] && break
        if ! kill -0 "$E2E_PID" 2>/dev/null; then
            grep -q "Couldn't open X11 display" "$E2E_TMP/stderr" && exit 75
            e2e_fail "the game ended during start-up"
        fi
        sleep 0.1
    done
    [ -n "$E2E_WIN" ] || e2e_fail "no window titled Kelmora within 30 s"
    E2E_WX=$(xwininfo -id "$E2E_WIN" | awk '/Absolute upper-left X/ {print $4}')
    E2E_WY=$(xwininfo -id "$E2E_WIN" | awk '/Absolute upper-left Y/ {print $4}')
    # The game takes XTEST keys when it has the focus, not keys sent to its window. The pointer
    # is parked in the top-left corner, away from the menu, so only the tests' motions choose.
    xdotool windowfocus --sync "$E2E_WIN" 2>/dev/null || xdotool windowfocus "$E2E_WIN"
    xdotool mousemove --window "$E2E_WIN" 5 5
    sleep 1 # curtain and logo drop
    e2e_wait_still
}

e2e_keys() { local k; for k in "$@"; do xdotool key "$k" && sleep 0.05; done; }

e2e_move() { xdotool mousemove --window "$E2E_WIN" "$1" "$2" && sleep 0.1; }

e2e_click() { xdotool click "$1" && sleep 0.1; }

# e2e_hash X Y W H: md5 of a window-relative region of the screen now.
e2e_hash() {
    import -silent -window root -crop "$3x$4+$((E2E_WX + $1))+$((E2E_WY + $2))" +repage rgb:- |
        md5sum | cut -d' ' -f1
}

# e2e_pixel X Y: "r g b" of a window-relative pixel.
e2e_pixel() {
    import -silent -window root -crop "1x1+$((E2E_WX + $1))+$((E2E_WY + $2))" +repage -depth 8 \
        rgb:- | od -An -tu1 | awk '{print $1, $2, $3}'
}

# e2e_wait_still [SECONDS]: until two looks 0.3 s apart at the screen above the bouncing tiles
# agree; fails after SECONDS (default 10).
e2e_wait_still() {
    local limit=${1:-10} before after
    before=$(e2e_hash 0 0 640 370)
    for _ in $(seq 1 $((limit * 3))); do
        sleep 0.3
        after=$(e2e_hash 0 0 640 370)
        [ "$after" = "$before" ] && return 0
        before=$after
    done
    e2e_fail "the screen did not settle within $limit s"
}

# e2e_shot NAME: the window as NAME.png in the screenshot directory, if there is one.
e2e_shot() {
    [ -z "$E2E_SHOTS" ] ||
        import -silent -window root -crop "640x480+$E2E_WX+$E2E_WY" +repage "$E2E_SHOTS/$1.png"
}

# e2e_wait_exit SECONDS: waits for the game to end; its exit status goes to E2E_STATUS.
e2e_wait_exit() {
    for _ in $(seq 1 $(($1 * 10))); do
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

e2e_expect_default_scores() {
    printf 'Quorvane|+\n1\n%d\n' 100 90 80 70 60 50 40 30 20 10 |
        cmp -s - "$E2E_WORK/hiscores.dat" || e2e_fail "hiscores.dat does not hold the default table"
}
