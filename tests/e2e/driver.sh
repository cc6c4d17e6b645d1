#!/usr/bin/env bash
# The one end-to-end driver: the real kelmora in an X server of its own (Xvfb), driven with
# xdotool, watched through xprobe, its time, rand() and input steered by the preloaded shim.
# Every wait is on something observable (the window mapped, a region changed, a file written,
# the process ended) and has a deadline.
#   driver.sh CASE       runs case_CASE below; CTest gives GAME, DATA, BUILD, SOURCE, XPROBE,
#                        SHIM, COMPAT and SHOTS (tests/e2e/CMakeLists.txt)
set -u
CASE=$1
T=$(mktemp -d "${TMPDIR:-/tmp}/kelmora-e2e.XXXXXX")
S=1 XPID="" GPID="" WIN="" STATUS="" POLL=0.05 TIME0=1767225600 GAME_ENV=() WRAP=()
read -r TW TH < <(od -An -tu4 -j18 -N8 "$DATA/gfx/pic1.bmp") # the tiles' size

fail() {
    echo "FAIL ($CASE): $*" >&2
    if [ -n "$WIN" ] && mkdir -p "$SHOTS" && timeout 10 import -silent -window "$WIN" "$SHOTS/$CASE.png"; then
        echo "the window at the failure: $SHOTS/$CASE.png" >&2
    fi
    for f in out err; do [ ! -s "$T/$f" ] || { echo "--- game's std$f:" && cat "$T/$f"; } >&2; done
    exit 1
}
finish() {
    [ -z "$GPID" ] || kill -KILL "$GPID" 2>/dev/null
    [ -z "$XPID" ] || kill "$XPID" 2>/dev/null
    chmod -R u+rwx "$T" 2>/dev/null
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

# xserver [WxHxDEPTH]: a fresh X server; it writes its display number once it takes clients.
xserver() {
    Xvfb -displayfd 3 -screen 0 "${1:-800x600x24}" -nolisten tcp -noreset 3>"$T/display" 2>"$T/xlog" &
    XPID=$!
    within 20 test -s "$T/display" || fail "Xvfb did not start: $(cat "$T/xlog")"
    export DISPLAY=":$(cat "$T/display")"
}

shimmed() { GAME_ENV=(LD_PRELOAD="$SHIM" "$@"); } # the shim's variables (tests/e2e/shim.cpp)
# start [ARGS...]: the game (or $LAUNCH) in $T/work beside a link to the data, with GAME_ENV;
# returns once its window shows the menu. Its output goes to $T/out and $T/err.
start() {
    mkdir -p "$T/work"
    [ -e "$T/work/data" ] || ln -s "$DATA" "$T/work/data"
    # X puts the pointer in the middle of its screen, over Exit; the window opens at (0, 0).
    [ -n "${RESTING:-}" ] || xdotool mousemove 5 5
    (cd "$T/work" && exec env ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" \
        "${GAME_ENV[@]}" "${LAUNCH:-$GAME}" "$@" >"$T/out" 2>"$T/err") &
    GPID=$! WIN=""
    within 30 mapped || fail "no Kelmora window"
    xdotool windowfocus --sync "$WIN" 2>/dev/null
    within 20 menu_shown || fail "the menu did not show"
}
mapped() {
    kill -0 "$GPID" 2>/dev/null || fail "the game ended during start-up"
    WIN=$(xdotool search --pid "$GPID" --name '^Kelmora$' 2>/dev/null | head -n 1)
    [ -n "$WIN" ]
}
# ends SECONDS: the game has ended within SECONDS; its exit status is in STATUS.
ends() {
    within "$1" eval '! kill -0 "$GPID" 2>/dev/null' || fail "the game did not end within $1 s"
    STATUS=0
    wait "$GPID" || STATUS=$?
    GPID="" WIN=""
}
quit() { # from the menu, with status 0
    keys Escape
    ends 20
    [ "$STATUS" = 0 ] || fail "exit status $STATUS"
}

# Input and looks in the game's own 640x480 coordinates, whatever the scale S.
keys() { xdotool key --delay 20 "$@"; }
point() { xdotool mousemove --window "$WIN" $(($1 * S)) $(($2 * S)); }
click() { point "$1" "$2" && xdotool click "$3"; }
look() { "$XPROBE" look "$WIN" $(($1 * S)) $(($2 * S)) $(($3 * S)) $(($4 * S)); }
differs() { [ "$(look "$1" "$2" "$3" "$4")" != "$5" ]; } # X Y W H HASH
still() { # X Y W H: two looks in a row agree
    local a b
    a=$(look "$@") && sleep "$POLL" && b=$(look "$@") && [ "$a" = "$b" ]
}

# The item (0 Start .. 3 Exit) that the gold selection bar rests on, or -1.
bar() {
    local i r g b
    for i in 0 1 2 3; do
        read -r r g b < <("$XPROBE" pixel "$WIN" $((200 * S)) $(((168 + 40 * i) * S)))
        [ "$r" -gt 200 ] && [ "$b" -lt 150 ] && echo "$i" && return
    done
    echo -1
}
menu_shown() { [ "$(bar)" != -1 ] && still 0 0 640 370; }
bar_on() { [ "$(bar)" = "$1" ]; }
level_line() { look 260 118 120 28; }
screens() { look 0 100 640 45; } # what HiScores and About write and the menu leaves alone

scores_are() { # WHAT, then the rows "name level score" that $SCORES must hold
    local what=$1 expected file=${SCORES:-$T/work/hiscores.dat}
    shift
    expected=$(printf '%s|+\n%s\n%s\n' "$@") # three lines per row
    [ "$(cat "$file" 2>/dev/null)" = "$expected" ] || fail "$file after $what: $(cat "$file" 2>&1)"
}
DEFAULT_ROWS=()
for s in 100 90 80 70 60 50 40 30 20 10; do DEFAULT_ROWS+=(Quorvane 1 "$s"); done

# ---- level 1 played from a known seed -----------------------------------------------------

# cells: the playing board of level 1 (4 x 2), one hash per cell.
cells() { "$XPROBE" cells "$WIN" $(((${1:-490} - 2 * TW) * S)) $(((266 - TH) * S)) $((TW * S)) $((TH * S)) 4 2; }
# Starts level 1 with rand() seeded at TIME0, learns from the picture what each tile looks like
# and waits for the scramble the plan foresees; PLAN then holds the turns that undo it.
level_1() {
    local -a picture scrambled seen
    local i line
    local empty
    "$XPROBE" plan "$TIME0" "$TW" "$TH" "$1" >"$T/plan" || fail "no plan"
    read -ra picture < <(sed -n 1p "$T/plan")
    read -ra scrambled < <(sed -n 2p "$T/plan")
    empty=$(cells 150)
    keys Return
    within 10 eval '[ "$(cells 150)" != "$empty" ]' || fail "no picture on the left"
    read -ra seen < <(cells 150)
    declare -gA LOOKS=()
    for i in "${!picture[@]}"; do LOOKS[${picture[$i]}]=${seen[$i]}; done
    line=""
    for i in "${scrambled[@]}"; do line+="${line:+ }${LOOKS[$i]}"; done
    within 20 eval '[ "$(cells)" = "$line" ]' || fail "the scramble did not end as foreseen"
    mapfile -t PLAN < <(sed -n '3,$p' "$T/plan")
}
# turn BX BY DIR INPUT...: sends the input, then waits until the block shows turned.
turn() {
    local bx=$1 by=$2 dir=$3 tl tr br bl
    shift 3
    local -a c e
    read -ra c < <(cells)
    e=("${c[@]}") tl=$((bx * 2 + by)) tr=$((bx * 2 + 2 + by)) br=$((bx * 2 + 3 + by)) bl=$((bx * 2 + 1 + by))
    if [ "$dir" = 1 ]; then
        e[tl]=${c[bl]} e[tr]=${c[tl]} e[br]=${c[tr]} e[bl]=${c[br]}
    else
        e[tl]=${c[tr]} e[tr]=${c[br]} e[br]=${c[bl]} e[bl]=${c[tl]}
    fi
    "$@"
    within 10 eval '[ "$(cells)" = "${e[*]}" ]' || fail "block $bx,$by was not turned ($dir)"
}
solve_level_1() { # mouse|keys: level 2's intro follows
    local before bx by dir rest
    level_1 "$1"
    before=$(level_line)
    for line in "${PLAN[@]}"; do
        read -r bx by dir rest <<<"$line"
        if [ "$1" = mouse ]; then
            # shellcheck disable=SC2086 # x, y and the button
            turn "$bx" "$by" "$dir" click $rest
        else
            # shellcheck disable=SC2086 # the keys
            turn "$bx" "$by" "$dir" keys $rest
        fi
    done
    within 20 differs 260 118 120 28 "$before" || fail "level 2 did not begin"
}

# ---- the player's runs ---------------------------------------------------------------------

# The menu by keys and by the pointer at scale S: every item selects and opens its screen.
menu_at() {
    local menu hiscores about
    keys Up Up Up
    within 5 bar_on 0 || fail "Up did not bring the bar to Start"
    keys Down Down Down Down
    within 5 bar_on 3 || fail "Down did not bring the bar to Exit"
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
    local picture
    picture=$(cells 150)
    click 320 160 1 # Start
    within 5 eval '[ "$(cells 150)" != "$picture" ]' || fail "a click on Start did not start"
    keys Escape
    within 5 menu_shown || fail "Escape did not leave the run"
    click 320 290 1 # Exit
    ends 20
    [ "$STATUS" = 0 ] || fail "Exit ended with status $STATUS"
    scores_are "Exit" "${DEFAULT_ROWS[@]}"
    [ ! -s "$T/err" ] || fail "the game wrote to standard error"
}
case_menu() {
    xserver
    start
    menu_at
}
case_scaled() { # --scale 2 and 3 and auto, each window its size and every click its item
    local size
    xserver 2000x1500x24
    for scale in 2 3 auto; do
        S=${scale/auto/3}
        start --scale "$scale"
        size=$(xwininfo -id "$WIN" | awk '/Width:/ { w = $2 } /Height:/ { print w "x" $2 }')
        [ "$size" = $((640 * S))x$((480 * S)) ] || fail "--scale $scale: a window of $size"
        menu_at
    done
}
case_resting_pointer() { # the pointer rests over Exit: Enter still starts level 1
    xserver
    xdotool mousemove 320 285
    shimmed KELMORA_TIME0="$TIME0"
    RESTING=1 start
    bar_on 0 || fail "the resting pointer chose item $(bar)"
    level_1 mouse
}
case_solve_and_name() { # level 1 undone by clicks, the run left as level 2 begins, a name entered
    xserver
    shimmed KELMORA_TIME0="$TIME0"
    start
    solve_level_1 mouse
    keys Escape
    within 10 still 0 150 640 150 || fail "no name entry"
    keys s h i p Return
    within 10 eval '[ "$(tail -n 3 "$T/work/hiscores.dat" | head -n 2 | tr "\n" " ")" = "SHIP|+ 1 " ]' ||
        fail "the name was not saved: $(cat "$T/work/hiscores.dat")"
    keys Escape
    within 5 menu_shown || fail "no menu after HiScores"
    quit
    local score
    score=$(tail -n 1 "$T/work/hiscores.dat")
    [ "$score" -gt 10 ] && [ "$score" -lt 20 ] || fail "a score of $score for level 1"
    scores_are "the run" "${DEFAULT_ROWS[@]:0:27}" SHIP 1 "$score"
}
case_keyboard() { # level 1 solved with the keyboard alone
    xserver
    shimmed KELMORA_TIME0="$TIME0"
    start
    solve_level_1 keys
}
case_level_code() { # a code typed on the menu starts on level 6, the same level 6 as test mode's
    local coded
    xserver
    start
    keys r u v o k Return
    within 20 still 0 0 640 480 || fail "level 6 did not settle"
    coded=$(look 0 100 640 60)$(look 420 398 220 22)
    keys Escape
    within 5 menu_shown || fail "no menu"
    keys q z m e k p l a n k Return Return Return Return Return Return
    within 20 eval '[ "$(look 0 100 640 60)$(look 420 398 220 22)" = "$coded" ]' ||
        fail "test mode's level 6 is not the coded start"
    keys Escape
    within 5 menu_shown || fail "no menu"
    quit
    grep -q "test mode ON" "$T/out" || fail "test mode was not announced"
    scores_are "a run without score" "${DEFAULT_ROWS[@]}"
}
case_time_out() { # level 1's 20 s pass twenty times as fast: the banner, then the menu
    xserver
    shimmed KELMORA_TIME0="$TIME0" KELMORA_TIME_SPEED=20
    start
    level_1 mouse
    # The banner's red letters between the two boards, where the play screen has none.
    within 10 eval '[ "$("$XPROBE" count "$WIN" 230 240 180 30 250 10 25)" -gt 50 ]' ||
        fail "no Time Out banner"
    within 15 menu_shown || fail "the menu did not return"
    quit
    scores_are "a time out with no score" "${DEFAULT_ROWS[@]}"
}
case_window_close() { # a window manager's close request, on the menu and in play
    xserver
    for where in menu play; do
        start
        [ "$where" = menu ] || keys Return
        "$XPROBE" close "$WIN" || fail "the window takes no close request"
        ends 20
        [ "$STATUS" = 0 ] || fail "closed in $where: status $STATUS"
        scores_are "a close in $where" "${DEFAULT_ROWS[@]}"
        rm "$T/work/hiscores.dat"
    done
}
case_compat() { # smoke run on sdl12-compat: start, one turn, quit
    [ -e "$COMPAT/libSDL-1.2.so.0" ] || fail "sdl12-compat is not installed in $COMPAT"
    xserver
    shimmed KELMORA_TIME0="$TIME0" LD_LIBRARY_PATH="$COMPAT" SDL_RENDER_DRIVER=software \
        SDL_FRAMEBUFFER_ACCELERATION=0
    start
    grep -q sdl12-compat "/proc/$GPID/maps" || fail "the game did not load sdl12-compat"
    level_1 mouse
    read -r bx by dir x y b <<<"${PLAN[0]}"
    turn "$bx" "$by" "$dir" click "$x" "$y" "$b"
    keys Escape
    within 5 menu_shown || fail "no menu"
    quit
}

# ---- start-up faults, score files, signals, two copies --------------------------------------

le() { # VALUE BYTES: VALUE as BYTES little-endian bytes
    local i
    for ((i = 0; i < $2; i++)); do printf "\\x$(printf %02x $((($1 >> (8 * i)) & 255)))"; done
}
wav() { # CHANNELS RATE BITS: a WAV file of 64 samples in that format
    local block=$(($1 * $3 / 8))
    printf 'RIFF%sWAVEfmt ' "$(le $((36 + 64 * block)) 4)"
    le 16 4 && le 1 2 && le "$1" 2 && le "$2" 4 && le $(($2 * block)) 4 && le "$block" 2
    le "$3" 2 && printf data && le $((64 * block)) 4 && head -c $((64 * block)) /dev/zero
}
# fault FILE HOW: FILE of data/ damaged HOW ends start-up with status 255 and names the file.
fault() {
    local file=data/$1 how=$2
    cp -p "$T/work/$file" "$T/orig"
    rm "$T/work/$file"
    case $how in
    missing) ;;
    empty) : >"$T/work/$file" ;;
    garbage) head -c 2048 /dev/urandom >"$T/work/$file" ;;
    fifo) mkfifo "$T/work/$file" ;;
    huge) convert -size 200x200 xc:teal "BMP3:$T/work/$file" ;;
    *) wav $how >"$T/work/$file" ;; # channels rate bits
    esac
    (cd "$T/work" && exec "$GAME" >"$T/out" 2>"$T/err") &
    GPID=$!
    ends 20
    [ "$STATUS" = 255 ] || fail "$file $how: status $STATUS"
    grep -qF "$file" "$T/out" "$T/err" || fail "$file $how: the file is not named"
    [ ! -e "$T/work/hiscores.dat" ] || fail "$file $how: a failed start wrote hiscores.dat"
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
    fault gfx/pic7.bmp huge
    grep -qx 'Error: data/gfx/pic7.bmp .*200x200.*' "$T/err" || fail "the tile size is not told"
    for how in "0 22050 16" "2 0 16" "1 4000000000 16" "2 22050 12"; do fault sfx/click.wav "$how"; done
    fault sfx/swap.wav missing
    printf "Error: Couldn't load sounds!\n\n" | cmp -s - "$T/err" || fail "sound message: $(cat "$T/err")"
    fault gfx/pic9.bmp missing
    grep -qx "klmr_LoadAndConvertImages: I can't create bmp: Couldn't open data/gfx/pic9.bmp" \
        "$T/err" || fail "image message: $(cat "$T/err")"
}

# scripted RUN_ENV... -- : the game started with the shim and its script, ended by the script.
scripted() {
    mkdir -p "$T/work"
    [ -e "$T/work/data" ] || ln -s "$DATA" "$T/work/data"
    (cd "$T/work" && exec "${WRAP[@]}" env LD_PRELOAD="$SHIM" \
        ASAN_OPTIONS="${ASAN_OPTIONS:-}:verify_asan_link_order=0" "$@" "$GAME" >"$T/out" 2>"$T/err") &
    GPID=$!
}
# Typed on the menu under KELMORA_RAND0: the code of levels 31 and 32, which the scramble of a
# rand() that gives 0 leaves solved; level 31's seconds are counted in, and Escape in level 32
# asks for a name: "abc".
FESKO="wait 3;key 102;key 101;key 115;key 107;key 111;key 13"
TO_NAME="$FESKO;wait 200;key 27;wait 5;key 97;key 98;key 99"
QZMEK="key 113;key 122;key 109;key 101;key 107"
case_signals() { # each ends the game with status 0 and the table saved, a typed name lost
    xserver
    local sig where script
    for run in TERM:play TERM:name TERM:pause INT:play HUP:play HUP:name; do
        sig=${run%:*} where=${run#*:}
        case $where in
        play) script="wait 3;key 13;wait 130" ;;
        name) script="$TO_NAME;wait 5" ;;
        pause) script="wait 3;$QZMEK;${FESKO#wait 3;};pause" ;;
        esac
        scripted KELMORA_RAND0=1 KELMORA_INJECT="$script;signal $(kill -l "$sig")"
        ends 30
        [ "$STATUS" = 0 ] || fail "SIG$sig in $where: status $STATUS"
        scores_are "SIG$sig in $where" "${DEFAULT_ROWS[@]}"
        rm "$T/work/hiscores.dat"
    done
    # Standard output a pipe nobody reads: "test mode ON" must not kill the game.
    scripted KELMORA_INJECT="wait 3;$QZMEK;wait 20;signal 15" > >(exit 0)
    ends 30
    [ "$STATUS" = 0 ] || fail "a closed standard output: status $STATUS"
    scores_are "a closed standard output" "${DEFAULT_ROWS[@]}"
}
case_two_copies() { # A idles on the menu while B enters BOB; A quits last and BOB stays
    xserver
    start
    local a=$GPID
    scripted KELMORA_RAND0=1 KELMORA_INJECT="$TO_NAME;key 8;key 8;key 8;key 98;key 111;key 98;key 13;wait 20;signal 15"
    ends 30
    grep -qx 'BOB|+' "$T/work/hiscores.dat" || fail "B did not save BOB"
    GPID=$a
    kill -TERM "$GPID"
    ends 20
    grep -qx 'BOB|+' "$T/work/hiscores.dat" || fail "A's save lost BOB: $(cat "$T/work/hiscores.dat")"
}
case_score_files() {
    xserver
    mkdir -p "$T/work/hiscores.dat"
    start
    quit
    [ -d "$T/work/hiscores.dat" ] || fail "the directory hiscores.dat was replaced"
    rmdir "$T/work/hiscores.dat"
    mkfifo "$T/work/hiscores.dat"
    start
    quit
    [ -p "$T/work/hiscores.dat" ] || fail "the FIFO hiscores.dat was replaced"
    rm "$T/work/hiscores.dat"
    truncate -s 1G "$T/work/hiscores.dat"
    start
    quit
    [ "$(stat -c %s "$T/work/hiscores.dat")" = 1073741824 ] || fail "the huge file was replaced"
    grep -q "hiscores.dat" "$T/err" || fail "no word about the huge file"
    rm "$T/work/hiscores.dat"
    # A save cut short (a file size limit: the write stops part way) leaves the old file and
    # nothing beside it; a temporary file left by a copy killed during its save goes.
    local old limit
    old=$(printf 'Quorvane|+\n1\n%s\n' 100 90 80 70 60 50 40 30 20 10)
    for limit in 0 100 unlimited; do
        printf '%s\n' "$old" >"$T/work/hiscores.dat"
        : >"$T/work/hiscores.dat.tmp"
        WRAP=(prlimit --fsize="$limit") # the game's own output is cut the same way
        scripted KELMORA_RAND0=1 KELMORA_INJECT="$TO_NAME;key 13;wait 5;signal 15"
        ends 30
        [ "$STATUS" = 0 ] || fail "a save limited to $limit bytes: status $STATUS"
        [ ! -e "$T/work/hiscores.dat.tmp" ] || fail "a save limited to $limit bytes left a .tmp"
        if [ "$limit" = unlimited ]; then
            grep -qx 'ABC|+' "$T/work/hiscores.dat" || fail "the save lost ABC"
        else
            [ "$(cat "$T/work/hiscores.dat")" = "$old" ] || fail "a save limited to $limit bytes lost the old file"
        fi
        [ "$limit" != 100 ] || grep -q "Couldn't save the high scores to hiscores.dat : File too large" \
            "$T/err" || fail "a save cut short said nothing: $(cat "$T/err")"
    done
}

# ---- installed -----------------------------------------------------------------------------

# launched LAUNCHER: started from another directory and left by Escape, the game keeps the
# default table under XDG_DATA_HOME and nothing where it was started.
launched() {
    export XDG_DATA_HOME=$T/xdg HOME=$T/home
    xserver
    LAUNCH=$1 start
    quit
    [ ! -e "$T/work/hiscores.dat" ] || fail "scores written in the starting directory"
    SCORES=$XDG_DATA_HOME/kelmora/hiscores.dat scores_are "a launch" "${DEFAULT_ROWS[@]}"
}
case_install() {
    local prefix=$T/prefix app=org.kelmora.Kelmora
    cmake --install "$BUILD" --prefix "$prefix" >/dev/null || fail "cmake --install"
    desktop-file-validate "$prefix/share/applications/$app.desktop" || fail "the desktop entry"
    appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" >/dev/null ||
        fail "the metainfo"
    [ -z "$(groff -man -ww -z "$prefix/share/man/man6/kelmora.6" 2>&1)" ] || fail "the manual"
    launched "$prefix/bin/kelmora"
}
case_package() { # built once: its files, lintian's verdict, and the launcher run unpacked
    local deb root=$T/root version
    DEB_BUILD_OPTIONS=nocheck make -C "$SOURCE" deb DEB_BUILD="$T/deb" >"$T/deb.log" 2>&1 ||
        fail "make deb (with lintian): $(tail -n 30 "$T/deb.log")"
    version=$(sed -n 's/^project(Kelmora VERSION \([0-9.]*\).*/\1/p' "$SOURCE/CMakeLists.txt")
    deb=$T/deb/kelmora_${version}_amd64.deb
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "no package of version $version"
    dpkg-deb -c "$deb" | awk '$6 !~ /\/$/ { $1 = $2 = $3 = $4 = $5 = ""; print substr($0, 6) }' | sort >"$T/files"
    local data=./usr/share/games/kelmora/data
    printf '%s\n' ./usr/games/kelmora ./usr/lib/games/kelmora/kelmora \
        ./usr/share/applications/org.kelmora.Kelmora.desktop ./usr/share/doc/kelmora/{changelog.gz,copyright} \
        $data/gfx/{background,klmr_logo_cpr,rotate,select}.png $data/gfx/pic{1..16}.bmp \
        $data/sfx/{click,swap}.wav ./usr/share/icons/hicolor/{64x64,128x128,256x256}/apps/org.kelmora.Kelmora.png \
        ./usr/share/man/man6/kelmora.6.gz ./usr/share/metainfo/org.kelmora.Kelmora.metainfo.xml >"$T/want"
    echo "$data/fonts/impact.ttf -> ../../../../fonts/truetype/roboto/unhinted/RobotoCondensed-Bold.ttf" >>"$T/want"
    sort -o "$T/want" "$T/want"
    diff "$T/want" "$T/files" >&2 || fail "the package's files"
    dpkg -x "$deb" "$root"
    # The font comes from its own package, which a root unpacked here does not have.
    mkdir -p "$root/usr/share/fonts/truetype/roboto/unhinted"
    ln -s /usr/share/fonts/truetype/roboto/unhinted/RobotoCondensed-Bold.ttf "$root/usr/share/fonts/truetype/roboto/unhinted/"
    launched "$root/usr/games/kelmora"
}

case_launcher() { # installed alone, with a stand-in game that tells where and how it started
    local prefix=$T/prefix state=$T/xdg/kelmora status
    cmake -DCMAKE_INSTALL_PREFIX="$prefix" -DKELMORA_STAGE_DIR="$T/stage" \
        -P "$BUILD/packaging/install-launcher.cmake" >/dev/null || fail "install"
    mkdir -p "$prefix/share/kelmora/data" "$prefix/lib/kelmora" "$T/here"
    printf '#!/bin/sh\necho "$(pwd -P) $*" >"%s"\nexit 3\n' "$T/log" >"$prefix/lib/kelmora/kelmora"
    chmod +x "$prefix/lib/kelmora/kelmora"
    cd "$T/here" || fail "no $T/here"
    export HOME=$T/home XDG_DATA_HOME=$T/xdg
    launch() { # EXPECTED-STATUS ARGS...
        local want=$1
        shift
        rm -f "$T/log"
        status=0
        "$prefix/bin/kelmora" "$@" >"$T/out" 2>"$T/err" || status=$?
        [ "$status" = "$want" ] || fail "kelmora $*: status $status, not $want: $(cat "$T/err")"
    }
    launch 3 --scale 2 # the game's own status
    [ "$(cat "$T/log")" = "$state --scale 2" ] || fail "started as: $(cat "$T/log")"
    [ "$(readlink "$state/data")" = "$prefix/share/kelmora/data" ] || fail "no link to the data"
    [ -z "$(ls -A "$T/here")" ] || fail "files left where it was started"
    launch 3
    [ "$(cat "$T/log")" = "$state " ] || fail "without options, started as: $(cat "$T/log")"
    launch 0 --version
    grep -qx "kelmora $(sed -n 's/^project(Kelmora VERSION \([0-9.]*\).*/\1/p' "$SOURCE/CMakeLists.txt")" \
        "$T/out" || fail "--version: $(cat "$T/out")"
    launch 0 --help
    grep -q '^Usage: kelmora' "$T/out" || fail "--help: $(cat "$T/out")"
    for bad in --frobnicate "--scale 5" --scale=abc level3; do
        # shellcheck disable=SC2086 # the words are meant to split
        launch 2 $bad
    done
    XDG_DATA_HOME=relative launch 3 # a relative XDG_DATA_HOME is ignored
    [ -L "$HOME/.local/share/kelmora/data" ] || fail "no state under HOME"
    : >"$T/file"
    XDG_DATA_HOME=$T/file/x launch 1
    grep -q "cannot create the directory for your scores" "$T/err" || fail "$(cat "$T/err")"
    rm "$state/data" && mkdir "$state/data" # the player's own, never removed
    launch 1
    grep -q "is in the way" "$T/err" || fail "a data directory in the way: $(cat "$T/err")"
    dash -n "$prefix/bin/kelmora" || fail "not a POSIX shell script"
}

declare -F "case_$CASE" >/dev/null || fail "no such case"
"case_$CASE"
echo PASS
