#!/usr/bin/env bash
# A player's runs through the real window, under tests/e2e/run.sh:  play.sh <case>
# (install, solve_and_name, level_code, time_out, window_close). Environment: KELMORA_GAME,
# _DATA, _BUILD, _SDL12COMPAT_DIR, KELMORA_RUNTIME (classic or compat: the SDL the game must
# have loaded), SHIP_PLAN, SHIP_WM_CLOSE, SHIP_SHOTS (screenshots are kept there).
. "$(dirname "$0")/../e2e/lib.sh"
e2e_init "$KELMORA_GAME" "$KELMORA_DATA" "$SHIP_SHOTS/$1-$KELMORA_RUNTIME"

# The game seeds rand() with time() at start-up: libfaketime starts the clock at a known second
# and lets it run (faster by $SPEED), so the scramble of level 1 is known.
START="2026-01-01 00:00:00"
SEED=$(TZ=UTC date -d "$START" +%s)
faketime_lib=$(echo /usr/lib/*/faketime/libfaketime.so.1)
[ -e "$faketime_lib" ] || e2e_fail "libfaketime is not installed"
E2E_BIN=$E2E_TMP/kelmora
cat >"$E2E_BIN" <<EOF
#!/bin/sh
export LD_PRELOAD=$faketime_lib FAKETIME="@$START\${SPEED:-}" TZ=UTC
export ASAN_OPTIONS="\${ASAN_OPTIONS:+\$ASAN_OPTIONS:}verify_asan_link_order=0"
exec "$KELMORA_GAME"
EOF
chmod +x "$E2E_BIN"
read -r TW TH < <(identify -format '%w %h\n' "$KELMORA_DATA/gfx/pic1.bmp")

# The game in a fresh working directory on the expected SDL, the bar on Start.
start() {
    rm -rf "$E2E_TMP/work"
    e2e_start
    local sdl=classic
    grep -q sdl12-compat "/proc/$E2E_PID/maps" && sdl=compat
    [ "$sdl" = "$KELMORA_RUNTIME" ] || e2e_fail "the game runs on $sdl SDL"
    e2e_move 320 160
    e2e_wait_still
}
finish() { e2e_wait_exit 20; [ "$E2E_STATUS" = 0 ] || e2e_fail "exit status $E2E_STATUS"; }
quit() { e2e_wait_still; e2e_keys Escape; finish; } # from the menu
# Past the intro and the scramble, which turns the board every ten frames.
settled() { e2e_wait_still 20 && e2e_wait_still; }
level_line() { e2e_hash 200 105 240 36; }
code_line() { e2e_hash 420 398 220 22; }

clicks() { # file of lines "x y button"
    while read -r x y b; do e2e_move "$x" "$y" && e2e_click "$b" && sleep 0.2; done <"$1"
}

# Level 1's draws are those of the seed or, after a slow start, of the next second.
solve_level_1() {
    local seed before
    settled
    before=$(level_line)
    for seed in "$SEED" $((SEED + 1)); do
        "$SHIP_PLAN" "$seed" "$TW" "$TH" >"$E2E_TMP/plan" || e2e_fail "no plan for seed $seed"
        clicks "$E2E_TMP/plan"
        # Solved: the seconds left are counted up, then level 2's intro shows.
        for _ in $(seq 30); do
            [ "$(level_line)" != "$before" ] && return 0
            sleep 0.2
        done
        tac "$E2E_TMP/plan" | awk '{ print $1, $2, 4 - $3 }' >"$E2E_TMP/undo"
        clicks "$E2E_TMP/undo"
    done
    e2e_fail "level 1 was not solved"
}

case $1 in
install)
    prefix=$E2E_TMP/prefix app=org.kelmora.Kelmora
    cmake --install "$KELMORA_BUILD" --prefix "$prefix" >/dev/null || e2e_fail "install"
    for f in bin/kelmora lib/kelmora/kelmora share/kelmora/data/fonts/impact.ttf \
        share/doc/kelmora/LICENSE share/doc/kelmora/LICENSE-RobotoCondensed.txt; do
        [ -s "$prefix/$f" ] || e2e_fail "$f was not installed"
    done
    for size in 64x64 128x128 256x256; do
        [ "$(identify -format %wx%h "$prefix/share/icons/hicolor/$size/apps/$app.png")" = "$size" ] ||
            e2e_fail "no $size icon"
    done
    desktop=$prefix/share/applications/$app.desktop
    grep -qx "Exec=\"$prefix/bin/kelmora\" --scale auto" "$desktop" || e2e_fail "Exec in $(cat "$desktop")"
    grep -qx 'Categories=Game;LogicGame;' "$desktop" || e2e_fail "Categories in the desktop entry"
    desktop-file-validate "$desktop" || e2e_fail "desktop-file-validate"
    appstreamcli validate --no-net "$prefix/share/metainfo/$app.metainfo.xml" >/dev/null ||
        e2e_fail "appstreamcli validate"
    man=$prefix/share/man/man6/kelmora.6
    grep -qF "$prefix/share/kelmora/data" "$man" || e2e_fail "the manual names no data path"
    [ -z "$(groff -man -ww -z "$man" 2>&1)" ] || e2e_fail "groff: $(groff -man -ww -z "$man" 2>&1)"
    # A package staged with DESTDIR names its final prefix.
    DESTDIR=$E2E_TMP/stage cmake --install "$KELMORA_BUILD" --prefix /opt/k >/dev/null
    grep -qF "game='/opt/k/lib/kelmora/kelmora'" "$E2E_TMP/stage/opt/k/bin/kelmora" ||
        e2e_fail "the staged launcher does not name the final prefix"

    # Started from another directory, the game keeps its scores under XDG_DATA_HOME.
    export XDG_DATA_HOME=$E2E_TMP/xdg
    E2E_BIN=$prefix/bin/kelmora
    start
    quit
    [ ! -e "$E2E_WORK/hiscores.dat" ] || e2e_fail "scores written in the starting directory"
    [ "$(readlink "$XDG_DATA_HOME/kelmora/data")" = "$prefix/share/kelmora/data" ] ||
        e2e_fail "no link to the installed data"
    E2E_WORK=$XDG_DATA_HOME/kelmora e2e_expect_default_scores

    # --scale 2: Exit is clicked where the enlarged menu shows it, outside 640x480, so only a
    # mouse mapped back reaches it.
    printf '#!/bin/sh\nexec "%s" --scale 2\n' "$prefix/bin/kelmora" >"$E2E_TMP/scaled"
    chmod +x "$E2E_TMP/scaled"
    E2E_BIN=$E2E_TMP/scaled start
    size=$(xwininfo -id "$E2E_WIN" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
    [ "$size" = 1280x960 ] || e2e_fail "the window is $size with --scale 2"
    e2e_move 640 560
    e2e_click 1
    finish
    ;;
solve_and_name)
    # Level 1 solved, the run left on level 2, the name typed and shown, hiscores.dat after exit.
    start
    # The HiScores screen before the run, to see the new row arrive.
    e2e_keys Down Return
    e2e_wait_still
    before=$(e2e_hash 0 0 640 360)
    e2e_keys Escape Up
    e2e_wait_still
    e2e_keys Return
    solve_level_1
    # Left on level 2: the score of level 1 beats the table's lowest (10).
    settled
    e2e_keys Escape
    e2e_wait_still
    e2e_keys s h i p Return
    e2e_wait_still
    e2e_shot hiscores
    [ "$(e2e_hash 0 0 640 360)" != "$before" ] || e2e_fail "the HiScores screen shows no new row"
    e2e_keys Escape
    quit
    # The new row last, with level 2 and the seconds left of level 1; the lowest row gone.
    score=$(tail -n1 "$E2E_WORK/hiscores.dat")
    if ! printf 'Quorvane|+\n1\n%d\n' 100 90 80 70 60 50 40 30 20 | cat - <(printf 'SHIP|+\n2\n') |
        cmp -s - <(head -n29 "$E2E_WORK/hiscores.dat") || [ "$score" -le 10 ] || [ "$score" -ge 20 ]; then
        e2e_fail "hiscores.dat: $(cat "$E2E_WORK/hiscores.dat")"
    fi
    ;;
level_code)
    # A code typed on the menu starts the run on level 6.
    start
    e2e_keys r u v o k Return
    settled
    coded="$(level_line) $(code_line)"
    # Level 6 reached another way: test mode skips level by level.
    e2e_keys Escape
    e2e_wait_still
    e2e_keys q z m e k p l a n k Return
    settled
    [ "$(level_line)" != "${coded% *}" ] || e2e_fail "the code did not change the start level"
    e2e_keys Return Return Return Return Return
    settled
    [ "$(level_line) $(code_line)" = "$coded" ] || e2e_fail "the code did not start on level 6"
    e2e_keys Escape
    quit
    grep -q "test mode ON" "$E2E_TMP/stdout" || e2e_fail "test mode was not announced"
    e2e_expect_default_scores
    ;;
time_out)
    # Four times as fast: 20 s of play and the 6 s banner pass in about 7 s.
    SPEED=" x4" start
    menu=$(e2e_hash 170 152 40 26)
    e2e_keys Return
    red() {
        import -silent -window root -crop "600x40+$((E2E_WX + 20))+$((E2E_WY + 235))" +repage png:- |
            convert - -fx '(r>0.6&&g<0.3&&b<0.3)' -format '%[fx:mean>0.03]' info:
    }
    banner=""
    for _ in $(seq 150); do
        [ -n "$banner" ] || [ "$(red)" != 1 ] || { banner=seen && e2e_shot time-out; }
        [ "$(e2e_hash 170 152 40 26)" = "$menu" ] && break
        sleep 0.1
    done
    [ -n "$banner" ] || e2e_fail "no Time Out banner was seen"
    [ "$(e2e_hash 170 152 40 26)" = "$menu" ] || e2e_fail "the menu did not return"
    quit
    e2e_expect_default_scores
    ;;
window_close)
    # A window manager's close request, on the menu and in play, ends the game normally.
    for where in menu play; do
        start
        [ "$where" = menu ] || { e2e_keys Return && sleep 1; }
        "$SHIP_WM_CLOSE" "$E2E_WIN" || e2e_fail "no close request could be sent"
        finish
        e2e_expect_default_scores
    done
    ;;
*) e2e_fail "unknown case $1" ;;
esac
e2e_pass
