#!/bin/bash
# The launcher installed alone into a temporary prefix, with a stand-in game that records how it
# was started:  launcher.sh <build>/packaging/install-launcher.cmake <version> <case>
set -eu
tmp=$(mktemp -d "${TMPDIR:-/tmp}/kelmora-launcher.XXXXXX")
trap 'chmod -R u+w "$tmp"; rm -rf "$tmp"' EXIT
prefix=$tmp/prefix log=$tmp/game.log runas=""
launcher=$prefix/bin/kelmora data=$prefix/share/kelmora/data game=$prefix/lib/kelmora/kelmora
cmake -DCMAKE_INSTALL_PREFIX="$prefix" -DKELMORA_STAGE_DIR="$tmp/stage" -P "$1" >/dev/null
mkdir -p "$data/gfx" "${game%/*}" "$tmp/elsewhere" "$tmp/home"
echo tile >"$data/gfx/pic1.bmp"
cat >"$game" <<'EOF'
#!/bin/sh
printf 'cwd=%s args=%s data=%s\n' "$(pwd -P)" "$*" "$(cat data/gfx/pic1.bmp)" >"$KELMORA_TEST_LOG"
echo run >>hiscores.dat
exit "${KELMORA_TEST_STATUS:-0}"
EOF
chmod 755 "$game" "$tmp"
export KELMORA_TEST_LOG=$log HOME=$tmp/home
unset XDG_DATA_HOME DISPLAY
cd "$tmp/elsewhere"

fail() { echo "FAIL: $*" >&2; exit 1; }
expect() { [ "$1" = "$2" ] || fail "$3: expected '$1', got '$2'"; }
run() { # expected status, launcher arguments...
    local want=$1 status=0
    shift
    rm -f "$log"
    $runas "$launcher" "$@" >"$tmp/out" 2>"$tmp/err" || status=$?
    expect "$want" "$status" "exit status of kelmora $*"
    case $want in 1 | 2) [ ! -e "$log" ] || fail "the game was started: $(cat "$log")" ;; esac
}
said() { grep -qF -- "$1" "$tmp/err" || fail "'$1' not said: $(cat "$tmp/err")"; }
started_in() { # state directory [the game's arguments]
    expect "cwd=$(cd "$1" && pwd -P) args=${2:-} data=tile" "$(cat "$log")" start
    expect "$data" "$(readlink "$1/data")" "link to the data"
    expect "" "$(ls -A "$tmp/elsewhere")" "files in the caller's directory"
}
scores() { tr '\n' ' ' <"$1/hiscores.dat"; }

case $3 in
options)
    XDG_DATA_HOME=$tmp/xdg run 0 --help
    grep -q '^Usage: kelmora' "$tmp/out" || fail "help text: $(cat "$tmp/out")"
    grep -qF "Scores: $tmp/xdg/kelmora/hiscores.dat" "$tmp/out" || fail "no score file in the help"
    [ ! -e "$tmp/xdg" ] || fail "--help created the state directory"
    run 0 -h
    for option in --version -V; do
        run 0 $option
        expect "kelmora $2" "$(cat "$tmp/out")" "$option"
    done
    for args in --frobnicate "--scale 5" --scale=abc --scale level3 "--scale 0" --scale; do
        # shellcheck disable=SC2086 # the words are meant to split
        run 2 $args
        said "kelmora: "
    done
    dash -n "$launcher"
    ! command -v shellcheck >/dev/null || shellcheck -s sh "$launcher"
    ;;
state)
    # A fresh directory, made with its parents.
    export XDG_DATA_HOME=$tmp/xdg/deeper state=$tmp/xdg/deeper/kelmora
    run 0
    started_in "$state"
    [ ! -s "$tmp/err" ] || fail "messages: $(cat "$tmp/err")"
    # Existing: the scores stay; a link to other data, or a dangling one, is replaced.
    mkdir "$tmp/old"
    for target in "$tmp/old" "$tmp/nowhere"; do
        ln -sfn "$target" "$state/data"
        run 0
        started_in "$state"
    done
    [ -d "$tmp/old" ] || fail "the old link's target was removed"
    expect "run run run " "$(scores "$state")" "scores"
    for status in 3 255 0; do
        KELMORA_TEST_STATUS=$status run $status
    done
    # A real directory named data is the player's and is never removed.
    rm "$state/data"
    mkdir "$state/data"
    echo mine >"$state/data/keep"
    run 1
    said "is in the way"
    expect mine "$(cat "$state/data/keep")" "the player's file"
    # Without XDG_DATA_HOME, or with a relative one (ignored), under HOME.
    unset XDG_DATA_HOME
    run 0
    started_in "$HOME/.local/share/kelmora"
    XDG_DATA_HOME=relative run 0
    started_in "$HOME/.local/share/kelmora"
    expect "run run " "$(scores "$HOME/.local/share/kelmora")" "scores under HOME"
    ;;
failures)
    export XDG_DATA_HOME=$tmp/xdg
    echo >"$tmp/file"
    XDG_DATA_HOME=$tmp/file/xdg run 1
    said "cannot create the directory for your scores, $tmp/file/xdg/kelmora"
    XDG_DATA_HOME="" HOME="" run 1
    said "neither XDG_DATA_HOME nor HOME is set"
    # A home, or a state directory, the player may not write: as root, run as nobody.
    [ "$(id -u)" != 0 ] || runas="setpriv --reuid=65534 --regid=65534 --clear-groups"
    mkdir -m 555 "$tmp/locked"
    mkdir -p "$tmp/ro/kelmora"
    chmod 555 "$tmp/ro/kelmora"
    XDG_DATA_HOME="" HOME=$tmp/locked run 1
    said "cannot create the directory for your scores, $tmp/locked/.local/share/kelmora"
    XDG_DATA_HOME=$tmp/ro run 1
    said "cannot write in $tmp/ro/kelmora"
    runas=""
    mv "$game" "$tmp/game"
    run 1
    said "the game program is missing: $game"
    mv "$tmp/game" "$game"
    rm -rf "$data"
    run 1
    said "the game data is missing: $data"
    ;;
scale)
    # --scale goes to the game, which scales its window itself.
    export XDG_DATA_HOME=$tmp/xdg state=$tmp/xdg/kelmora
    for args in "--scale 2" --scale=3 "--scale auto" "--scale 1"; do
        # shellcheck disable=SC2086 # the words are meant to split
        run 0 $args
        started_in "$state" "--scale $(echo "${args#--scale}" | tr -d ' =')"
    done
    ;;
*) fail "unknown case $3" ;;
esac
