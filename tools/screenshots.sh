#!/bin/bash
# Takes the README's screenshots of the built game in an Xvfb of its own:
#   docs/menu.png   the menu
#   docs/play.png   a level in play: level 11 (code "mezzo") scrambled, one block turned back,
#                   the cursor on the next one
# Usage: tools/screenshots.sh [build directory, default build]   (after make build)
# The clock starts at a known second (faketime), so the scramble is the same on every run; the
# pauses only let the animations settle for the picture.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
[ -x "$build/kelmora" ] || { echo "screenshots: no $build/kelmora (make build)" >&2 && exit 1; }
work=$(mktemp -d /tmp/kelmora-shots-XXXXXX)
trap 'kill $game $xvfb 2>/dev/null; rm -rf "$work"' EXIT
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset 3>"$work/display" 2>/dev/null &
xvfb=$!
until [ -s "$work/display" ]; do sleep 0.1; done
export DISPLAY=":$(cat "$work/display")" SDL_AUDIODRIVER=dummy
ln -s "$build/data" "$work/data"
xdotool mousemove 5 5
(cd "$work" && LD_PRELOAD="$(echo /usr/lib/*/faketime/libfaketime.so.1)" \
    FAKETIME="@2026-01-01 00:00:00" TZ=UTC exec "$build/kelmora") &
game=$!
sleep 3 # the curtain, the logo drop, the bouncing tiles spreading out
shot() { import -silent -window root -crop 640x480+0+0 +repage "$root/docs/$1.png"; }
xdotool mousemove 320 160
sleep 0.5
shot menu
xdotool key m e z z o Return
sleep 8 # the intro and the 36 turns of the scramble
xdotool mousemove 490 266 click 1 # the block at the board's middle corner
sleep 0.4
xdotool mousemove 522 266 mousemove 523 267
sleep 0.3
shot play
xdotool key Escape
sleep 1
xdotool key Escape
wait $game
echo "wrote docs/menu.png and docs/play.png"
