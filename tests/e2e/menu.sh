#!/usr/bin/env bash
# End to end: the real game answers keys and the mouse on the menu, opens and closes HiScores
# and About, starts level 1 with its intro and scramble, returns on Escape, and ends through
# Exit with status 0 and the default high-score file.
#   menu.sh PROGRAM DATA_DIR [SHOT_DIR]
. "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2" "${3:-}"
e2e_start

# The item (0 Start .. 3 Exit) whose row the selection bar rests on, or -1: the 26 pixels high
# bar image lies at y 155, 195, 235 or 275 and at x 200, left of the texts.
bar_item() {
    local item r g b
    for item in 0 1 2 3; do
        read -r r g b < <(e2e_pixel 200 $((168 + 40 * item)))
        [ "$r" -gt 200 ] && [ "$b" -lt 150 ] && echo "$item" && return
    done
    echo -1
}

# Where the menu leaves the title background and HiScores and About write: y 100..144, 305..369.
screens_hash() { echo "$(e2e_hash 0 100 640 45)$(e2e_hash 0 305 640 65)"; }

expect_menu() {
    [ "$(screens_hash)" = "$menuScreen" ] || e2e_fail "$1: not on the menu"
    [ "$(bar_item)" = "$2" ] || e2e_fail "$1: the bar is on item $(bar_item), not $2"
}

# The X server's first pointer position may have chosen an item: back to Start.
e2e_keys Up Up Up
e2e_wait_still
menuScreen=$(screens_hash)
[ "$(bar_item)" = 0 ] || e2e_fail "Up did not bring the bar to Start"
e2e_shot menu

e2e_keys Down Down Down Down
e2e_wait_still
expect_menu "Down past Exit" 3
e2e_keys Up Up
e2e_wait_still
expect_menu "Up" 1

# HiScores by Enter, closed by Escape.
e2e_keys Return
e2e_wait_still
hiscores=$(screens_hash)
[ "$hiscores" != "$menuScreen" ] || e2e_fail "Enter on HiScores changed nothing"
e2e_shot hiscores
e2e_keys Escape
e2e_wait_still
expect_menu "Escape on HiScores" 1

# About by the pointer and a click, closed by the right button.
e2e_move 320 240
e2e_wait_still
expect_menu "pointing at About" 2
e2e_click 1
e2e_wait_still
about=$(screens_hash)
[ "$about" != "$menuScreen" ] && [ "$about" != "$hiscores" ] ||
    e2e_fail "the click did not open About"
e2e_shot about
e2e_click 3
e2e_wait_still
expect_menu "a right click on About" 2

# Test mode first: one scramble of level 1 in forty leaves the picture whole, and the level then
# ends at once; in test mode that adds no score, so Escape still leads back to the menu.
e2e_keys q z m e k
# Start by the pointer: the intro draws the target on the left and the playing board on the
# right (that its turns are animated is watched on a larger level below).
read -r tw th < <(identify -format '%w %h\n' "$E2E_DATA/gfx/pic1.bmp")
bw=$((4 * tw)) bh=$((2 * th))
target() { e2e_hash $((150 - bw / 2)) $((266 - bh / 2)) "$bw" "$bh"; }
playing() { e2e_hash $((490 - bw / 2)) $((266 - bh / 2)) "$bw" "$bh"; }
emptyTarget=$(target) emptyPlaying=$(playing)
e2e_move 320 160
e2e_click 1
e2e_wait_still
[ "$(target)" != "$emptyTarget" ] || e2e_fail "Start did not show the level's picture"
[ "$(playing)" != "$emptyPlaying" ] || e2e_fail "Start did not show the playing board"
e2e_move $((490 - bw / 2 + tw)) $((266 - bh / 2 + th))
sleep 0.3
e2e_shot play

e2e_keys Escape
e2e_wait_still
expect_menu "Escape during play" 0

# The code of levels 26-30 starts an 8 x 8 level, whose 64 animated turns take seconds: long
# enough to see the playing board change even on a loaded machine.
e2e_keys 9 o m b i Return
distinct=$(for _ in $(seq 1 12); do
    e2e_hash $((490 - 4 * tw)) $((266 - 4 * th)) $((8 * tw)) $((8 * th))
done | sort -u | wc -l)
[ "$distinct" -ge 3 ] || e2e_fail "the scramble was not animated ($distinct looks seen)"
e2e_keys Escape
e2e_wait_still
expect_menu "Escape during the scramble" 0

e2e_keys Down Down Down
e2e_wait_still
e2e_keys Return
e2e_wait_exit 10
[ "$E2E_STATUS" = 0 ] || e2e_fail "Exit ended with status $E2E_STATUS"
e2e_expect_default_scores
[ ! -s "$E2E_TMP/stderr" ] || e2e_fail "the game wrote to standard error"
e2e_pass
