#!/bin/bash
# Takes the README's screenshots of the built game in a private Xvfb (tests/e2e/run.sh):
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
[ -n "${KELMORA_SCREENSHOTS_XVFB:-}" ] ||
    KELMORA_SCREENSHOTS_XVFB=1 exec bash "$root/tests/e2e/run.sh" 120 "$0" "$build"

. "$root/tests/e2e/lib.sh"
shots=$(mktemp -d /tmp/kelmora-shots-XXXXXX)
e2e_init "$build/kelmora" "$build/data" "$shots"
# A known start of the clock makes the scramble the same on every run.
E2E_BIN=$E2E_TMP/kelmora
printf '#!/bin/sh\nLD_PRELOAD=%s FAKETIME="@2026-01-01 00:00:00" TZ=UTC exec "%s"\n' \
    "$(echo /usr/lib/*/faketime/libfaketime.so.1)" "$build/kelmora" >"$E2E_BIN"
chmod +x "$E2E_BIN"
e2e_start
e2e_move 320 160 # the bar on Start
e2e_wait_still
sleep 1 # the bouncing tiles spread out
e2e_shot menu

e2e_keys m e z z o Return
sleep 8 # the intro and the 36 turns of the scramble
# Point at the corner shared by four tiles near the board's middle and turn that block.
e2e_move 490 266
e2e_click 1
sleep 0.4
e2e_move 522 266
e2e_move 523 267
sleep 0.3
e2e_shot play
e2e_keys Escape
e2e_wait_still
e2e_keys Escape
e2e_wait_exit 20

cp "$shots/menu.png" "$shots/play.png" "$root/docs/"
rm -rf "$shots"
echo "wrote docs/menu.png and docs/play.png"
