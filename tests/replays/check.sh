#!/usr/bin/env bash
# What a replay guarantees, with the real program: check.sh GAME REPLAY
#  - a run recorded while it is replayed replays in another process, every checkpoint the same,
#    and two such recordings are the same bytes; the player's score file is left alone;
#  - a replay that differs from the game says where and exits 1;
#  - a file that is no replay (missing, truncated, too large, malformed, hostile, older) is
#    refused with its line and status 2, reading nothing else; so is a recording that cannot be
#    written.
set -u
GAME=$(realpath "$1") REPLAY=$(realpath "$2") T=$(mktemp -d "${TMPDIR:-/tmp}/kelmora-replay.XXXXXX")
trap 'rm -rf "$T"' EXIT
fail() { echo "FAIL: $*" >&2 && cat "$T/out" "$T/err" >&2 && exit 1; }
# With no display at all: a headless replay needs none.
play() {
    timeout -k 5 60 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$GAME" --replay "$@" \
        --headless >"$T/out" 2>"$T/err"
}

# In a folder with a score file of its own, which the replay must neither read nor write.
mkdir "$T/w" && ln -s "$PWD/data" "$T/w/data" && echo 'not a table' >"$T/w/hiscores.dat"
(cd "$T/w" && play "$REPLAY" --record "$T/a") || fail "the replay did not verify while recorded"
[ "$(ls "$T/w")" = "$(printf 'data\nhiscores.dat')" ] && grep -qx 'not a table' "$T/w/hiscores.dat" ||
    fail "the replay touched the player's files: $(ls "$T/w")"
play "$REPLAY" --record "$T/b" && cmp -s "$T/a" "$T/b" || fail "two replays recorded different runs"
diff <(grep -v '^game ' "$REPLAY") <(grep -v '^game ' "$T/a") >&2 || fail "the replay recorded another run"
play "$T/a" && grep -qx "replay verified: $(grep -c '^check ' "$REPLAY") checkpoints" "$T/out" ||
    fail "the run recorded in a replay did not verify"

# differs WHAT SED: the replay edited by SED ends with status 1, naming the frame and the values.
differs() {
    sed "$2" "$REPLAY" >"$T/d"
    play "$T/d"
    [ $? = 1 ] && grep -q "^replay: difference at frame [0-9]*, checkpoint [0-9]*: $1" "$T/err" &&
        grep -q "^  expected: " "$T/err" && grep -q "^  got: " "$T/err" ||
        fail "$2: no difference told"
}
differs "the checkpoint differs" '/^check .* table/s/ADA%201 4 72/ADA%201 4 73/'
differs "the game read the clock" '0,/^click 3 /s/^click 3 /click 1 /'
differs "the recording ends here" "$(grep -n '^key 27$' "$REPLAY" | tail -n 1 | cut -d: -f1)d"

# refused LINE WHAT: $T/r is refused with status 2, at LINE, saying WHAT; nothing is written.
refused() {
    mkdir -p "$T/cwd" && (cd "$T/cwd" && play "$T/r")
    [ $? = 2 ] && grep -q "^Error: Couldn't play the replay $T/r, line $1: $2" "$T/err" &&
        [ -z "$(ls "$T/cwd")" ] || fail "not refused at line $1 ($2): $(cat "$T/err")"
}
head -n 200 "$REPLAY" >"$T/r" && refused 201 "the file ends early"
sed '1s/ 1$/ 0/' "$REPLAY" >"$T/r" && refused 1 "recorded in version 0 of the replay format, an older one"
head -c 4096 /dev/urandom >"$T/r" && refused 1 ""
sed '9s/.*/frames 2000001/' "$REPLAY" >"$T/r" && refused 9 'expected "frames N"'
sed '9s/.*/time 5/' "$REPLAY" >"$T/r" && refused 9 "a calendar reading out of order"
sed '9s/.*/key 13 13/' "$REPLAY" >"$T/r" && refused 9 'a malformed "key" record'
{ sed 5q "$REPLAY" && yes 'key 13' | head -n 1025 && echo 'frames 1'; } >"$T/r" && refused 1030 "more than 1024 events"
{ sed 5q "$REPLAY" && head -c 3000 /dev/zero | tr '\0' x; } >"$T/r" && refused 6 "longer than 2048 bytes"
rm "$T/r" && play "$T/r"
[ $? = 2 ] && grep -q "Couldn't open $T/r" "$T/err" || fail "a missing replay"
truncate -s 9M "$T/r" && play "$T/r"
[ $? = 2 ] && grep -q "larger than" "$T/err" || fail "an oversized replay: $(cat "$T/err")"
play "$REPLAY" --record "$T/none/x.replay"
[ $? = 2 ] && grep -q "^Error: Couldn't record the run: $T/none/x.replay.tmp" "$T/err" ||
    fail "a recording that cannot be written is not refused at once"
echo PASS
