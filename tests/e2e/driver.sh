#!/usr/bin/env bash
# The one end-to-end driver: the real kelmora in an X server of its own (Xvfb), driven with
# xdotool, watched through xprobe, its time, rand() and input steered by the preloaded shim. What
# a replay can check (tests/replays: play, names, codes, menus) is not repeated here; these cases
# are the window itself, signals, real files, the launcher, the package, and one session across
# the seams.
# Every wait is on something observable (the window mapped, a region changed, a file written,
# the process ended) and has a deadline.
#   driver.sh CASE    runs case_CASE; CTest sets GAME, DATA, BUILD, SOURCE, XPROBE, SHIM,
#                     COMPAT and SHOTS (tests/e2e/CMakeLists.txt)
# With KELMORA_E2E_RUNTIME=compat every case runs the game on sdl12-compat (the 1.2 API over
# SDL2, in COMPAT) instead of classic SDL 1.2, with the same expectations.
set -u
CASE=$1 T=$(mktemp -d "${TMPDIR:-/tmp}/kelmora-e2e.XXXXXX")
S=1 OX=0 OY=0 VIEW="" XPID="" GPID="" WIN="" POLL=0.05 GAME_ENV=() WRAP=()
read -r TW < <(od -An -tu4 -j18 -N4 "$DATA/gfx/pic1.bmp") # the tiles' width

fail() {
    echo "FAIL ($CASE): $*" >&2
    [ -n "$WIN" ] && mkdir -p "$SHOTS" && timeout 10 import -silent -window "$WIN" \
        "$SHOTS/$CASE.png" && echo "the window then: $SHOTS/$CASE.png" >&2
    for f in out err; do [ ! -s "$T/$f" ] || { echo "--- game's std$f:" && cat "$T/$f"; } >&2; done
    exit 1
}
finish() {
    [ -z "$GPID" ] || kill -KILL "$GPID" 2>/dev/null
    [ -z "$XPID" ] || kill "$XPID" 2>/dev/null
    rm -rf "$T"
}
trap finish EXIT

# within SECONDS COMMAND...: polls COMMAND until it succeeds; false after SECONDS.
within() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep "$POLL"
    done
}
# xserver [WxHxDEPTH]: an X server of our own, which writes its number once it takes clients.
xserver() {
    Xvfb -displayfd 3 -screen 0 "${1:-800x600x24}" -nolisten tcp -noreset 3>"$T/x" 2>/dev/null &
    XPID=$!
    within 20 test -s "$T/x" || fail "Xvfb did not start"
    export DISPLAY=":$(cat "$T/x")"
}

shimmed() { GAME_ENV=(LD_PRELOAD="$SHIM" "$@"); } # with the shim's variables (shim.cpp)
RUNTIME_ENV=()
if [ "${KELMORA_E2E_RUNTIME:-classic}" = compat ]; then
    [ -e "$COMPAT/libSDL-1.2.so.0" ] || { echo "sdl12-compat is not installed in $COMPAT" >&2 && exit 1; }
    # Xvfb has no GL: SDL2's software renderer, straight to the window.
    RUNTIME_ENV=(LD_LIBRARY_PATH="$COMPAT" SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0)
fi
# run [ARGS...]: the game (or $LAUNCH) in $T/work beside a link to the data, with GAME_ENV.
run() {
    mkdir -p "$T/work"
    [ -e "$T/work/data" ] || ln -s "$DATA" "$T/work/data"
    (cd "$T/work" && exec "${WRAP[@]}" env ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
        "${RUNTIME_ENV[@]}" "${GAME_ENV[@]}" "${LAUNCH:-$GAME}" "$@" >"${OUT:-$T/out}" 2>"$T/err") &
    GPID=$!
}
# start [ARGS...]: run, then wait until the window shows the menu.
start() {
    # X puts the pointer in the middle of its screen, over Exit; the window opens at (0, 0).
    [ -n "${RESTING:-}" ] || xdotool mousemove 5 5
    run "$@"
    WIN=""
    within 30 mapped || fail "no Kelmora window"
    [ -z "${RUNTIME_ENV[*]}" ] || grep -q sdl12-compat "/proc/$GPID/maps" ||
        fail "the game did not load sdl12-compat"
    xdotool windowfocus --sync "$WIN" 2>/dev/null
    within 20 menu_shown || fail "the menu did not show"
}
mapped() {
    kill -0 "$GPID" 2>/dev/null || fail "the game ended during start-up"
    WIN=$(xdotool search --pid "$GPID" --name '^Kelmora$' 2>/dev/null | head -n 1)
    [ -n "$WIN" ]
}
# ends [STATUS]: the game ends within 30 s, with STATUS if given.
ends() {
    within 30 eval '! kill -0 "$GPID" 2>/dev/null' || fail "the game did not end"
    local status=0
    wait "$GPID" || status=$?
    GPID="" WIN=""
    [ -z "${1:-}" ] || [ "$status" = "$1" ] || fail "exit status $status, not $1"
}
quit() { keys Escape && ends 0; } # from the menu

# Input and looks in the game's own 640x480 coordinates, whatever the scale S and the picture's
# place OX, OY in the window, or on the screen when VIEW is the root window (fullscreen).
keys() { xdotool key --delay 20 "$@"; }
click() { xdotool mousemove --window "${VIEW:-$WIN}" $((OX + $1 * S)) $((OY + $2 * S)) click "$3"; }
look() { "$XPROBE" look "${VIEW:-$WIN}" $((OX + $1 * S)) $((OY + $2 * S)) $(($3 * S)) $(($4 * S)); }
differs() { [ "$(look "$1" "$2" "$3" "$4")" != "$5" ]; } # X Y W H HASH
still() { # X Y W H: two looks in a row agree
    local a
    a=$(look "$@") && sleep "$POLL" && [ "$(look "$@")" = "$a" ]
}
# bar: the item (0 Start .. 3 Exit) that the gold selection bar rests on, or -1.
bar() {
    local i
    for i in 0 1 2 3; do
        [ "$("$XPROBE" count "${VIEW:-$WIN}" $((OX + 200 * S)) $((OY + (168 + 40 * i) * S)) 1 1 \
            240 200 100)" = 1 ] &&
            echo "$i" && return
    done
    echo -1
}
menu_shown() { [ "$(bar)" != -1 ] && still 0 0 640 370; }
screens() { look 0 100 640 45; } # what HiScores and About write and the menu leaves alone
version() { sed -n 's/^project(Kelmora VERSION \([0-9.]*\).*/\1/p' "$SOURCE/CMakeLists.txt"; }

scores_are() { # WHAT, then the rows "name level score" $SCORES must hold, $T/work's by default
    local what=$1 file=${SCORES:-$T/work/hiscores.dat}
    shift
    [ "$(cat "$file" 2>/dev/null)" = "$(printf '%s|+\n%s\n%s\n' "$@")" ] ||
        fail "$file after $what: $(cat "$file" 2>&1)"
}
DEFAULT_ROWS=()
for s in 100 90 80 70 60 50 40 30 20 10; do DEFAULT_ROWS+=(Quorvane 1 "$s"); done

# ---- the player's runs ---------------------------------------------------------------------

menu_at() { # at scale S: a click opens each item, Exit ends with status 0
    local menu hiscores board
    menu=$(screens)
    click 320 200 1 # HiScores
    within 5 differs 0 100 640 45 "$menu" || fail "a click on HiScores did not open it"
    hiscores=$(screens)
    click 10 10 3
    within 5 menu_shown || fail "a right click did not leave HiScores"
    click 320 240 1 # About
    within 5 eval '! [ "$(screens)" = "$menu" ] && ! [ "$(screens)" = "$hiscores" ]' ||
        fail "a click on About did not open it"
    keys Escape
    within 5 menu_shown || fail "Escape did not leave About"
    board=$(look 426 234 32 64) # the left column of level 1's playing board
    click 320 160 1             # Start
    within 5 differs 426 234 32 64 "$board" || fail "a click on Start did not start"
    keys Escape
    within 5 menu_shown || fail "Escape did not leave the run"
    click 320 290 1 # Exit
    ends 0
    scores_are "Exit" "${DEFAULT_ROWS[@]}"
    [ ! -s "$T/err" ] || fail "the game wrote to standard error"
}
# --scale 2 and 3 and auto: the window's size, and every click its item. Each run is recorded,
# and its replay (in game coordinates, headless) must verify.
case_scaled() {
    xserver 2000x1700x24 # scale 3 leaves room: 1440 is below 90 % of 1700
    for scale in 2 3 auto; do
        S=${scale/auto/3}
        start --scale "$scale" --record "$T/scaled.replay"
        xwininfo -id "$WIN" | grep -q "Width: $((640 * S))" || fail "--scale $scale: wrong width"
        menu_at
        (cd "$T/work" && env "${RUNTIME_ENV[@]}" "$GAME" --replay "$T/scaled.replay" --headless) \
            >"$T/out" 2>"$T/err" && grep -q '^replay verified: [1-9]' "$T/out" ||
            fail "the run at --scale $scale did not replay"
    done
}
# A 16-bit X server, where classic SDL repaints an uncovered window from its own pixels: the name
# line is drawn wider than its box, and after an unmap and map nothing of it stays on HiScores.
# Level 1 solves itself (the shim's rand() leaves it as it was); turns are the replays' business.
case_solve_and_name() {
    local line
    xserver 800x600x16
    shimmed KELMORA_RAND0=1
    start
    line=$(look 260 118 120 28) # where the level's line goes
    keys Return
    within 5 differs 260 118 120 28 "$line" || fail "level 1 did not begin"
    line=$(look 260 118 120 28)
    within 30 differs 260 118 120 28 "$line" || fail "level 2 did not begin"
    keys Escape
    within 10 still 0 150 640 150 || fail "no name entry"
    # shellcheck disable=SC2046 # one key a word
    keys $(printf 'w %.0s' {1..31})
    xdotool windowunmap --sync "$WIN" windowmap --sync "$WIN" windowfocus --sync "$WIN"
    keys Return
    within 10 grep -qx "$(printf 'W%.0s' {1..31})|+" "$T/work/hiscores.dat" ||
        fail "the name was not saved"
    within 10 still 0 100 640 260 || fail "no HiScores screen"
    [ "$("$XPROBE" count "$WIN" 0 215 115 40 10 10 250)$("$XPROBE" count "$WIN" 525 215 115 40 \
        10 10 250)" = 00 ] || fail "the name line's ends stayed on the HiScores screen"
    keys Escape
    within 5 menu_shown || fail "no menu after HiScores"
    quit
    scores_are "the run" "${DEFAULT_ROWS[@]:0:27}" "$(printf 'W%.0s' {1..31})" 1 20
}
# A session across the seams, at --scale auto on a large desktop with the pointer resting over
# Exit: Enter still starts a run (whose levels solve themselves: the shim's rand() leaves each as
# it was); the play keys in level 2 leave Start chosen for the next run; f changes nothing shown;
# a click where the pointer rests is on Exit. Levels played by the keys: the replays.
case_keyboard() {
    local auto=2 line board menu # auto's scale on 2560x1440, which leaves room for panels
    xserver 2560x1440x24
    S=$auto
    # Over Exit of a window at 0,0; sdl12-compat centres its window on the screen.
    [ "${KELMORA_E2E_RUNTIME:-classic}" != compat ] || at "$S" $((1280 - 320 * S)) $((720 - 240 * S))
    xdotool mousemove $((OX + 320 * S)) $((OY + 285 * S))
    at "$S" 0 0
    shimmed KELMORA_RAND0=1
    RESTING=1 start --scale auto
    xwininfo -id "$WIN" | grep -q "Width: $((640 * S))" || fail "--scale auto: not $S"
    line=$(look 260 118 120 28) # the level's line
    keys Return
    within 5 differs 260 118 120 28 "$line" || fail "Enter did not start level 1"
    line=$(look 260 118 120 28)
    within 30 differs 260 118 120 28 "$line" || fail "level 2 did not begin"
    keys Down Down comma Escape
    within 10 still 0 150 640 150 || fail "no name entry"
    keys Return Escape # HiScores, then the menu
    within 5 menu_shown && [ "$(bar)" = 0 ] || fail "the arrows in a level moved the selection"
    board=$(look 426 234 32 64)
    keys Return f
    within 5 differs 426 234 32 64 "$board" || fail "Enter after a run did not start one"
    keys Escape
    within 5 menu_shown || fail "no menu"
    menu=$(look 0 0 640 370)
    keys f
    within 5 still 0 0 640 370 && [ "$(look 0 0 640 370)" = "$menu" ] || fail "f changed the menu"
    xdotool click 1
    ends 0
}
# A window manager's close request ends a run like Escape on the menu. A replay in the window
# takes no click (here on Exit), and Escape leaves it.
case_window_close() {
    xserver
    start
    keys Return
    "$XPROBE" close "$WIN"
    ends 0
    scores_are "a close" "${DEFAULT_ROWS[@]}"
    # A recorded run that idles on the menu for minutes, however slowly this build runs.
    { head -n 5 "$SOURCE/tests/replays/menus-and-code.replay" && printf 'frames 99999\nend\n'; } \
        >"$T/idle.replay"
    start --replay "$T/idle.replay"
    click 320 290 1
    keys Escape
    ends 0
    grep -q '^replay left at frame [0-9]' "$T/out" || fail "Escape did not leave the replay"
}

# ---- the window: fullscreen, resized, remembered ---------------------------------------------

root() { xwininfo -root | awk '/Window id/ { print $4 }'; }
at() { S=$1 OX=$2 OY=$3 VIEW=${4:-}; } # the picture at scale $1, its corner at $2,$3 of VIEW
blacks() { "$XPROBE" count "$(root)" "$@" 0 0 0; } # X Y W H: the screen's black pixels there
# framed: the picture lies exactly at S, OX, OY of the screen (a window at 0,0), black around it
framed() {
    [ "$(blacks $((OX - 2)) "$OY" 4 $((300 * S)))/$(blacks "$OX" $((OY - 2)) $((640 * S)) 4)" = \
        "$((600 * S))/$((1280 * S))" ] && [ "$(blacks $((OX + 640 * S)) $((OY + 480 * S)) 2 2)" = 4 ]
}
# window_is WIDTH: the window is back, WIDTH wide, and takes the keys: with no window manager they
# go to the window under the pointer, which the pointer left for fullscreen's larger picture
window_is() { xwininfo -id "$WIN" | grep -q "Width: $1" && xdotool mousemove 5 5; }
case_window() { # --fullscreen at 2x centred, F11 back to the window and again, a resize
    xserver 1920x1080x24
    local menu
    at 2 320 60 "$(root)"
    start --fullscreen
    framed || fail "fullscreen does not show the picture at 2x at 320,60"
    menu=$(screens)
    click 320 200 1 # HiScores
    within 5 differs 0 100 640 45 "$menu" || fail "a click on HiScores in fullscreen did not open it"
    keys Escape F11
    at 1 0 0 # the picture shown, SDL is done with the window and reads its keys again
    within 10 window_is 640 && within 5 menu_shown || fail "F11 did not return to the window"
    keys F11
    at 2 320 60 "$(root)"
    within 10 framed || fail "F11 did not go back to fullscreen"
    keys F11
    at 1 0 0
    within 10 window_is 640 && within 5 menu_shown && xdotool windowsize "$WIN" 1400 1000 ||
        fail "no window to resize"
    at 2 60 20
    within 10 framed || fail "the resized window does not show the picture at 2x at 60,20"
    menu_at
}
# ---- start-up faults, score files, signals, two copies --------------------------------------

# fault FILE HOW: FILE of data/ damaged HOW ends start-up with status 255 and names the file.
fault() {
    local file=data/$1
    mv "$T/work/$file" "$T/orig"
    case $2 in
    missing) ;;
    empty) : >"$T/work/$file" ;;
    garbage) head -c 2048 /dev/urandom >"$T/work/$file" ;;
    fifo) mkfifo "$T/work/$file" ;;
    huge) convert -size 200x200 xc:teal "BMP3:$T/work/$file" ;;
    loca | cmap) # a font with that table zeroed opens, and draws nothing or boxes
        cp "$T/orig" "$T/work/$file"
        local i at n
        n=$(od -An -tu2 --endian=big -j4 -N2 "$T/orig")
        for ((i = 0, at = 12; i < n; i++, at += 16)); do
            [ "$(dd if="$T/orig" bs=1 skip=$at count=4 status=none)" = "$2" ] || continue
            dd if=/dev/zero of="$T/work/$file" bs=1 conv=notrunc status=none \
                seek=$(($(od -An -tu4 --endian=big -j$((at + 8)) -N4 "$T/orig"))) \
                count=$(($(od -An -tu4 --endian=big -j$((at + 12)) -N4 "$T/orig")))
        done
        ;;
    *) # "OFFSET BYTES": the file with the bytes at OFFSET replaced (a WAV header's field)
        cp "$T/orig" "$T/work/$file"
        printf %b "${2#* }" | dd of="$T/work/$file" bs=1 seek="${2%% *}" conv=notrunc status=none
        ;;
    esac
    run
    ends 255
    grep -qF "$file" "$T/out" "$T/err" || fail "$file $2: the file is not named"
    [ ! -e "$T/work/hiscores.dat" ] || fail "$file $2: a failed start wrote hiscores.dat"
    rm -f "$T/work/$file"
    mv "$T/orig" "$T/work/$file"
}
case_broken_data() {
    xserver
    mkdir -p "$T/work"
    cp -rL "$DATA" "$T/work/data"
    local f how
    for f in fonts/impact.ttf gfx/background.png gfx/klmr_logo_cpr.png gfx/select.png \
        gfx/rotate.png gfx/pic1.bmp gfx/pic16.bmp sfx/swap.wav sfx/click.wav; do
        for how in missing empty garbage fifo; do fault "$f" "$how"; done
    done
    fault fonts/impact.ttf loca
    fault fonts/impact.ttf cmap
    fault gfx/pic7.bmp huge
    grep -qx 'Error: data/gfx/pic7.bmp .*200x200.*' "$T/err" || fail "the tile size is not told"
    # Sizes beyond what the game can show, told by the headers alone (their checksums no longer
    # match, so only a refusal before decoding gives the size).
    local f patch size
    for f in 'klmr_logo_cpr.png|16 \x00\x00\x2e\xe0\x00\x00\x2e\xe0|12000x12000' \
        'select.png|20 \x00\x00\x00\x1f|300x31' 'rotate.png|16 \x00\x00\x01\x7f|383x64' \
        "pic5.bmp|22 \\x1f\\xfe\\xff\\xff|${TW}x481"; do
        IFS='|' read -r f patch size <<<"$f"
        fault "gfx/$f" "$patch"
        grep -q "^Error: data/gfx/$f is $size pixels" "$T/err" || fail "$f: $(cat "$T/err")"
    done
    # 0 channels, a rate of 0 and of 4e9 Hz, 12 bits a sample
    for how in '22 \0\0' '24 \0\0\0\0' '24 \x00\x28\x6b\xee' '34 \x0c'; do fault sfx/click.wav "$how"; done
    fault sfx/swap.wav missing
    printf "Error: Couldn't load sounds!\n\n" | cmp -s - "$T/err" || fail "sound message: $(cat "$T/err")"
    fault gfx/pic9.bmp missing
    grep -qx "klmr_LoadAndConvertImages: I can't create bmp: Couldn't open data/gfx/pic9.bmp" \
        "$T/err" || fail "image message: $(cat "$T/err")"
}

# Scripts for the shim under KELMORA_RAND0, typed on the menu: the code of levels 31 and 32,
# which the scramble of a rand() that gives 0 leaves solved; level 31's seconds are counted in,
# and Escape in level 32 asks for a name: "abc".
FESKO="wait 3;key 102;key 101;key 115;key 107;key 111;key 13"
TO_NAME="$FESKO;wait 200;key 27;wait 5;key 97;key 98;key 99"
QZMEK="key 113;key 122;key 109;key 101;key 107"
scripted() { shimmed KELMORA_RAND0=1 KELMORA_INJECT="$1" && run "${@:2}"; }
# Each ends the game with status 0 and the table saved, a typed name lost, and the run recorded:
# its replay verifies (with the same rand()).
case_signals() {
    xserver
    local run sig script
    for run in TERM:play TERM:name TERM:pause INT:play HUP:play HUP:name; do
        sig=${run%:*}
        case ${run#*:} in
        play) script="wait 3;key 13;wait 130" ;;
        name) script="$TO_NAME;wait 5" ;;
        pause) script="wait 3;$QZMEK;${FESKO#wait 3;};pause" ;;
        esac
        scripted "$script;signal $(kill -l "$sig")" --record "$T/signal.replay"
        ends 0
        scores_are "SIG$run" "${DEFAULT_ROWS[@]}"
        rm "$T/work/hiscores.dat"
        (cd "$T/work" && env "${RUNTIME_ENV[@]}" LD_PRELOAD="$SHIM" KELMORA_RAND0=1 \
            ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" "$GAME" \
            --replay "$T/signal.replay" --headless) | grep -q '^replay verified: [1-9]' ||
            fail "SIG$run: the run recorded did not replay"
    done
    # Standard output a pipe nobody reads: "test mode ON" must not kill the game.
    exec 7> >(exit 0)
    OUT=/dev/fd/7 scripted "wait 3;$QZMEK;wait 20;signal 15"
    ends 0
    scores_are "a closed standard output" "${DEFAULT_ROWS[@]}"
}
case_two_copies() { # A idles on the menu while B enters BOB; A quits last and BOB stays
    xserver
    start
    local a=$GPID
    scripted "$TO_NAME;key 8;key 8;key 8;key 98;key 111;key 98;key 13;wait 20;signal 15"
    ends 0
    GPID=$a
    kill -TERM "$GPID"
    ends 0
    grep -qx 'BOB|+' "$T/work/hiscores.dat" || fail "A's save lost BOB: $(cat "$T/work/hiscores.dat")"
}
case_score_files() {
    xserver
    local old limit
    mkdir -p "$T/work"
    # A save cut short by a file size limit leaves the old file and nothing beside it; a
    # temporary file left by a copy killed during its save goes.
    old=$(printf '%s|+\n%s\n%s\n' "${DEFAULT_ROWS[@]}")
    for limit in 0 100 unlimited; do
        printf '%s\n' "$old" >"$T/work/hiscores.dat"
        : >"$T/work/hiscores.dat.tmp"
        WRAP=(prlimit --fsize="$limit") # the game's own output is cut the same way
        scripted "$TO_NAME;key 13;wait 5;signal 15"
        ends 0
        [ ! -e "$T/work/hiscores.dat.tmp" ] || fail "a save limited to $limit bytes left a .tmp"
        [ "$limit" = unlimited ] || [ "$(cat "$T/work/hiscores.dat")" = "$old" ] ||
            fail "a save limited to $limit bytes lost the old file"
        [ "$limit" != 100 ] || grep -q "Couldn't save the high scores to hiscores.dat : File too large" \
            "$T/err" || fail "a save cut short said nothing: $(cat "$T/err")"
    done
    grep -qx 'ABC|+' "$T/work/hiscores.dat" || fail "the save lost ABC"
}

# ---- installed -----------------------------------------------------------------------------

# launched LAUNCHER [ARGS...]: started elsewhere and left by Escape, the game keeps the default
# table in the player's folder (under XDG_DATA_HOME or ~/.local/share), beside a link to the
# data, and nothing where it was started.
launched() {
    local state=${XDG_DATA_HOME:-$HOME/.local/share}/kelmora
    "$1" --version | grep -qx "kelmora $(version)" || fail "--version: $("$1" --version 2>&1)"
    "$1" --help >"$T/help" && grep -q '^  qzmek ' "$T/help" &&
        grep -qx "Your scores: $state/hiscores.dat" "$T/help" || fail "--help: $(cat "$T/help")"
    "$1" --bogus 2>"$T/err"
    [ $? = 2 ] && grep -q '^Usage: kelmora' "$T/err" || fail "--bogus: $(cat "$T/err")"
    timeout -k 5 10 env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$1" >/dev/null 2>"$T/err"
    [ $? = 255 ] && grep -q "No display found" "$T/err" || fail "no display: $(cat "$T/err")"
    xserver 1400x1000x24
    LAUNCH=$1 start "${@:2}"
    # Docks find the menu entry by the window's class, and show the window's icon.
    local class entry=${1%/*}/../share/applications/org.kelmora.Kelmora.desktop
    class=$(sed -n 's/^StartupWMClass=//p' "$entry")
    xprop -id "$WIN" WM_CLASS | grep -q "= \"$class\", \"$class\"$" || fail "class, not $class"
    xprop -id "$WIN" WM_HINTS _NET_WM_ICON |
        grep -qE '^_NET_WM_ICON\(CARDINAL\)|bitmap id # to use for icon' || fail "no window icon"
    quit
    [ ! -e "$T/work/hiscores.dat" ] || fail "scores written in the starting directory"
    [ -L "$state/data" ] || fail "no link to the data"
    SCORES=$state/hiscores.dat scores_are "a launch" "${DEFAULT_ROWS[@]}"
}
# Per user, as the README says, where an earlier install left a copy of the data; the launcher
# keeps the window's choices, and a garbage settings file gives the defaults and one warning and
# is left as it was.
case_install() {
    export HOME=$T/home
    local prefix=$HOME/.local app=org.kelmora.Kelmora settings=$T/home/.config/kelmora/settings
    unset XDG_DATA_HOME XDG_CONFIG_HOME
    cmake --install "$BUILD" --prefix "$prefix" >/dev/null || fail "cmake --install" # make install's
    mkdir -p "$HOME/.local/share/kelmora"
    cp -r "$prefix/share/games/kelmora/data" "$HOME/.local/share/kelmora/"
    desktop-file-validate "$prefix/share/applications/$app.desktop" || fail "the desktop entry"
    appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" >/dev/null ||
        fail "the metainfo"
    [ -z "$(groff -man -ww -z "$prefix/share/man/man6/kelmora.6" 2>&1)" ] || fail "the manual"
    S=2 launched "$prefix/bin/kelmora" --scale 2 # the launcher passes the scale on
    export LAUNCH=$prefix/bin/kelmora
    start
    keys F11
    within 10 grep -qx fullscreen=1 "$settings" || fail "fullscreen was not kept: $(cat "$settings")"
    quit
    at 2 60 20 "$(root)" # fullscreen on the 1400x1000 screen
    start
    framed || fail "the next start was not fullscreen"
    quit
    printf '\x89PNG\r\n\x1a\nnot settings\n' | tee "$T/garbage" >"$settings"
    at 1 0 0
    start
    window_is 640 && [ "$(wc -l <"$T/err")" = 1 ] || fail "a garbage settings file: $(cat "$T/err")"
    keys F11
    quit
    cmp -s "$settings" "$T/garbage" || fail "the garbage settings file was written over"
    # A replay named from where the launcher was started, which reads no settings file
    (cd "$SOURCE/tests" && "$LAUNCH" --replay replays/keyboard-level.replay --headless 2>"$T/err") |
        grep -q '^replay verified: [1-9]' && [ ! -s "$T/err" ] || fail "a replay: $(cat "$T/err")"
}
case_package() { # built once (lintian must pass): its files, and the launcher run unpacked
    local deb=$T/deb/kelmora_$(version)_amd64.deb data=./usr/share/games/kelmora/data
    DEB_BUILD_OPTIONS=nocheck make -C "$SOURCE" deb DEB_BUILD="$T/deb" >"$T/deb.log" 2>&1 ||
        fail "make deb: $(tail -n 30 "$T/deb.log")"
    dpkg-deb -c "$deb" | awk '$6 !~ /\/$/ { $1 = $2 = $3 = $4 = $5 = ""; print substr($0, 6) }' |
        sort >"$T/files"
    printf '%s\n' ./usr/games/kelmora ./usr/lib/games/kelmora/kelmora \
        ./usr/share/applications/org.kelmora.Kelmora.desktop ./usr/share/doc/kelmora/{changelog.gz,copyright} \
        $data/gfx/{background,icon,klmr_logo_cpr,rotate,select}.png $data/gfx/pic{1..16}.bmp \
        $data/sfx/{click,swap}.wav ./usr/share/icons/hicolor/{64x64,128x128,256x256}/apps/org.kelmora.Kelmora.png \
        ./usr/share/man/man6/kelmora.6.gz ./usr/share/metainfo/org.kelmora.Kelmora.metainfo.xml \
        "$data/fonts/impact.ttf -> ../../../../fonts/truetype/roboto/unhinted/RobotoCondensed-Bold.ttf" |
        sort | diff - "$T/files" >&2 || fail "the package's files"
    dpkg -x "$deb" "$T/root"
    # The font comes from its own package, which a root unpacked here does not have.
    mkdir -p "$T/root/usr/share/fonts/truetype/roboto/unhinted"
    ln -s /usr/share/fonts/truetype/roboto/unhinted/RobotoCondensed-Bold.ttf \
        "$T/root/usr/share/fonts/truetype/roboto/unhinted/"
    HOME=$T/home XDG_DATA_HOME=$T/xdg XDG_CONFIG_HOME=$T/cfg launched "$T/root/usr/games/kelmora"
}
declare -F "case_$CASE" >/dev/null || fail "no such case"
"case_$CASE"
echo PASS
