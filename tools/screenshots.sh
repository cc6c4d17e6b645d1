#!/bin/bash
# Takes the README's screenshots of the built game under a private Xvfb:
#   docs/menu.png   the menu
#   docs/play.png   a level in play: level 11 (code "mezzo") scrambled, one block turned back,
#                   the cursor on the next one
# Usage: tools/screenshots.sh [build directory, default build]   (after make build)
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
if ! [ -x "$build/kelmora" ] || ! [ -d "$build/data" ]; then
    echo "screenshots: build the game first (make build): no $build/kelmora" >&2
    exit 1
fi

# shellcheck source=tests/ship/common.sh
. "$root/tests/ship/common.sh"
# shellcheck source=tests/ship/xsession.sh
. "$root/tests/ship/xsession.sh"
require_tools faketime

mkdir -p "$SHIP_TMP/run" "$SHIP_TMP/bin"
ln -s "$build/data" "$SHIP_TMP/run/data"
ln -s "$build/kelmora" "$SHIP_TMP/bin/kelmora"
cd "$SHIP_TMP/run"

x_start 1280x1024
# A known start of the clock makes the scramble the same on every run.
TZ=UTC game_start 120 faketime -f "@2026-01-01 00:00:00" "$SHIP_TMP/bin/kelmora"
window_wait
wait_still
pointer 320 160 # the bar on Start
wait_still
sleep 1 # the bouncing tiles spread out
shot "$SHIP_TMP/menu.png"

type_text mezzo
keys Return
sleep 8 # the intro and the 36 turns of the scramble
# Point at the corner shared by four tiles near the board's middle and turn that block.
click_at 490 266 1
sleep 0.4
pointer 522 266
sleep 0.02
pointer 523 267
sleep 0.3
shot "$SHIP_TMP/play.png"
keys Escape
wait_still
keys Escape
game_wait 20

cp "$SHIP_TMP/menu.png" "$root/docs/menu.png"
cp "$SHIP_TMP/play.png" "$root/docs/play.png"
echo "wrote docs/menu.png and docs/play.png"
