#!/bin/bash
# The launcher, installed alone into a temporary prefix with a stand-in game program that
# records where and how it was started.
#   launcher_test.sh <build>/packaging/install-launcher.cmake <version> <case>
set -eu
# shellcheck source=tests/ship/common.sh
. "$(dirname "$0")/common.sh"

install_script=$1
version=$2
case_name=$3

prefix=$SHIP_TMP/prefix
cmake -DCMAKE_INSTALL_PREFIX="$prefix" -DKELMORA_STAGE_DIR="$SHIP_TMP/stage" \
    -P "$install_script" >/dev/null
launcher=$prefix/bin/kelmora
data=$prefix/share/kelmora/data
game=$prefix/lib/kelmora/kelmora
log=$SHIP_TMP/game.log
[ -x "$launcher" ] || fail "the launcher was not installed at $launcher"

mkdir -p "$data/gfx" "$(dirname "$game")"
echo tile >"$data/gfx/pic1.bmp"
# The stand-in game: what the real one sees of its start, and a score file like its own.
cat >"$game" <<'EOF'
#!/bin/sh
{
    echo "cwd=$(pwd -P)"
    echo "args=$#"
    echo "ld=${LD_LIBRARY_PATH:-}"
    echo "scaling=${SDL12COMPAT_WINDOW_SCALING:-}"
    if [ -r data/gfx/pic1.bmp ]; then echo "data=ok"; else echo "data=missing"; fi
} >"$KELMORA_TEST_LOG"
echo "run" >>hiscores.dat
exit "${KELMORA_TEST_STATUS:-0}"
EOF
chmod 755 "$game"

export KELMORA_TEST_LOG=$log
mkdir -p "$SHIP_TMP/elsewhere"
cd "$SHIP_TMP/elsewhere"
unset XDG_DATA_HOME DISPLAY LD_LIBRARY_PATH SDL12COMPAT_WINDOW_SCALING
export HOME=$SHIP_TMP/home
mkdir -p "$HOME"

# Runs the launcher with the arguments given; sets status, and out/err file contents.
run() {
    set +e
    "$launcher" "$@" >"$SHIP_TMP/out" 2>"$SHIP_TMP/err"
    status=$?
    set -e
}

expect_game_not_run() {
    [ ! -e "$log" ] || fail "the game was started: $(cat "$log")"
}

expect_started_in() { # state directory
    assert_file "$log"
    assert_contains "$log" "cwd=$(cd "$1" && pwd -P)" "working directory"
    assert_contains "$log" "args=0" "the game takes no arguments"
    assert_contains "$log" "data=ok" "data reachable from the working directory"
    [ "$(readlink "$1/data")" = "$data" ] || fail "$1/data does not point at $data"
    [ -z "$(ls -A "$SHIP_TMP/elsewhere")" ] || fail "files were written in the caller's directory"
}

case $case_name in
help)
    export XDG_DATA_HOME=$SHIP_TMP/xdg
    run --help
    assert_eq 0 "$status" "exit status of --help"
    assert_contains "$SHIP_TMP/out" "Usage: kelmora" "help text"
    assert_contains "$SHIP_TMP/out" "$SHIP_TMP/xdg/kelmora/hiscores.dat" "score file named in the help"
    expect_game_not_run
    [ ! -e "$SHIP_TMP/xdg" ] || fail "--help created the state directory"
    run -h
    assert_eq 0 "$status" "exit status of -h"
    ;;
version)
    run --version
    assert_eq 0 "$status" "exit status of --version"
    assert_eq "kelmora $version" "$(cat "$SHIP_TMP/out")" "version line"
    run -V
    assert_eq "kelmora $version" "$(cat "$SHIP_TMP/out")" "version line of -V"
    expect_game_not_run
    ;;
bad_arguments)
    for args in "--frobnicate" "--scale 5" "--scale=abc" "--scale" "level3"; do
        # shellcheck disable=SC2086 # the words are meant to split
        run $args
        assert_eq 2 "$status" "exit status for '$args'"
        assert_contains "$SHIP_TMP/err" "kelmora:" "message for '$args'"
        expect_game_not_run
    done
    ;;
fresh_dir)
    export XDG_DATA_HOME=$SHIP_TMP/xdg
    run
    assert_eq 0 "$status" "exit status"
    expect_started_in "$XDG_DATA_HOME/kelmora"
    assert_eq run "$(cat "$XDG_DATA_HOME/kelmora/hiscores.dat")" "score file in the state directory"
    [ ! -s "$SHIP_TMP/err" ] || fail "unexpected messages: $(cat "$SHIP_TMP/err")"
    ;;
home_default)
    # Without XDG_DATA_HOME, and with a relative one (which the XDG rules say to ignore).
    run
    assert_eq 0 "$status" "exit status"
    expect_started_in "$HOME/.local/share/kelmora"
    XDG_DATA_HOME=relative/dir run
    assert_eq 0 "$status" "exit status with a relative XDG_DATA_HOME"
    [ ! -e "$SHIP_TMP/elsewhere/relative" ] || fail "a relative XDG_DATA_HOME was used"
    assert_eq "run|run" "$(paste -sd'|' "$HOME/.local/share/kelmora/hiscores.dat")" "both runs"
    ;;
existing_dir)
    # Scores kept from before, and a link left by an installation elsewhere.
    export XDG_DATA_HOME=$SHIP_TMP/xdg
    state=$XDG_DATA_HOME/kelmora
    mkdir -p "$state" "$SHIP_TMP/old-data"
    echo "old scores" >"$state/hiscores.dat"
    ln -s "$SHIP_TMP/old-data" "$state/data"
    run
    assert_eq 0 "$status" "exit status"
    expect_started_in "$state"
    assert_eq "old scores|run" "$(paste -sd'|' "$state/hiscores.dat")" "scores kept"
    [ -d "$SHIP_TMP/old-data" ] || fail "the old link's target was removed"
    # A dangling link is refreshed as well.
    rm -f "$state/data"
    ln -s "$SHIP_TMP/nowhere" "$state/data"
    run
    assert_eq 0 "$status" "exit status with a dangling link"
    expect_started_in "$state"
    ;;
data_in_the_way)
    export XDG_DATA_HOME=$SHIP_TMP/xdg
    mkdir -p "$XDG_DATA_HOME/kelmora/data"
    echo mine >"$XDG_DATA_HOME/kelmora/data/keep"
    run
    assert_eq 1 "$status" "exit status"
    assert_contains "$SHIP_TMP/err" "in the way" "message"
    assert_eq mine "$(cat "$XDG_DATA_HOME/kelmora/data/keep")" "the player's file"
    expect_game_not_run
    ;;
missing_data)
    export XDG_DATA_HOME=$SHIP_TMP/xdg
    rm -rf "$data"
    run
    assert_eq 1 "$status" "exit status"
    assert_contains "$SHIP_TMP/err" "the game data is missing: $data" "message"
    expect_game_not_run
    ;;
missing_game)
    export XDG_DATA_HOME=$SHIP_TMP/xdg
    rm -f "$game"
    run
    assert_eq 1 "$status" "exit status"
    assert_contains "$SHIP_TMP/err" "the game program is missing" "message"
    ;;
unwritable_home)
    # Below a regular file no directory can be made, whoever runs the test.
    echo >"$SHIP_TMP/file"
    XDG_DATA_HOME=$SHIP_TMP/file/xdg run
    assert_eq 1 "$status" "exit status below a regular file"
    assert_contains "$SHIP_TMP/err" "cannot create the directory for your scores, $SHIP_TMP/file/xdg/kelmora" "message"
    expect_game_not_run
    unset XDG_DATA_HOME
    HOME="" run
    assert_eq 1 "$status" "exit status without HOME"
    assert_contains "$SHIP_TMP/err" "neither XDG_DATA_HOME nor HOME is set" "message"
    expect_game_not_run
    # A home the player may not write: as root the check needs another user.
    chmod 755 "$SHIP_TMP"
    mkdir -m 555 "$SHIP_TMP/locked"
    if [ "$(id -u)" -eq 0 ]; then
        command -v setpriv >/dev/null || { note "setpriv missing: no unprivileged run"; exit 0; }
        as_player() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
        chmod 644 "$log" 2>/dev/null || true
    else
        as_player() { "$@"; }
    fi
    set +e
    HOME=$SHIP_TMP/locked as_player "$launcher" >"$SHIP_TMP/out" 2>"$SHIP_TMP/err"
    status=$?
    set -e
    assert_eq 1 "$status" "exit status in a read-only home"
    assert_contains "$SHIP_TMP/err" "cannot create the directory for your scores" "message"
    # An existing state directory that cannot be written.
    mkdir -p "$SHIP_TMP/ro/kelmora"
    chmod 555 "$SHIP_TMP/ro/kelmora" "$SHIP_TMP/ro"
    set +e
    XDG_DATA_HOME=$SHIP_TMP/ro as_player "$launcher" >"$SHIP_TMP/out" 2>"$SHIP_TMP/err"
    status=$?
    set -e
    chmod 755 "$SHIP_TMP/ro/kelmora" "$SHIP_TMP/ro"
    assert_eq 1 "$status" "exit status with a read-only state directory"
    assert_contains "$SHIP_TMP/err" "cannot write in $SHIP_TMP/ro/kelmora" "message"
    expect_game_not_run
    ;;
exit_status)
    export XDG_DATA_HOME=$SHIP_TMP/xdg
    for want in 0 3 255; do
        KELMORA_TEST_STATUS=$want run
        assert_eq "$want" "$status" "exit status passed through"
    done
    ;;
scale)
    export XDG_DATA_HOME=$SHIP_TMP/xdg
    mkdir -p "$SHIP_TMP/compat"
    echo >"$SHIP_TMP/compat/libSDL-1.2.so.0"
    KELMORA_SDL12COMPAT_DIR=$SHIP_TMP/compat LD_LIBRARY_PATH=/opt/x run --scale 2
    assert_eq 0 "$status" "exit status"
    assert_contains "$log" "ld=$SHIP_TMP/compat:/opt/x" "compat library first on the path"
    assert_contains "$log" "scaling=2" "window scaling"
    KELMORA_SDL12COMPAT_DIR=$SHIP_TMP/compat run --scale=3
    assert_contains "$log" "ld=$SHIP_TMP/compat" "compat library on the path"
    assert_contains "$log" "scaling=3" "window scaling"
    # Without sdl12-compat: said so, and run unscaled.
    rm -f "$log"
    KELMORA_SDL12COMPAT_DIR=$SHIP_TMP/none run --scale 2
    assert_eq 0 "$status" "exit status without sdl12-compat"
    assert_contains "$SHIP_TMP/err" "running unscaled" "message"
    assert_contains "$log" "ld=" "game started"
    assert_contains "$log" "scaling=" "game started"
    grep -q "scaling=2" "$log" && fail "scaling requested without sdl12-compat"
    ;;
lint)
    # The launcher is POSIX sh: dash must parse it, and shellcheck (when present) passes it.
    dash -n "$launcher"
    if command -v shellcheck >/dev/null; then
        shellcheck -s sh "$launcher"
    else
        note "shellcheck not installed: only the dash parse ran"
    fi
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS $case_name"
