#!/bin/bash
# The real install into a temporary prefix, and the installed game started from elsewhere.
#   install_test.sh <build directory> <version> <case>
#   layout   every file in its place; desktop entry, metainfo and manual validated
#   run      the installed launcher started from another directory under Xvfb keeps its
#            scores under XDG_DATA_HOME (runtime from KELMORA_RUNTIME)
#   scale    --scale 2 and 3 on sdl12-compat: window size measured, mouse mapped back
set -eu
here=$(dirname "$0")
# shellcheck source=tests/ship/common.sh
. "$here/common.sh"
# shellcheck source=tests/ship/xsession.sh
. "$here/xsession.sh"

build=$1
version=$2
case_name=$3
app_id=org.kelmora.Kelmora

prefix=$SHIP_TMP/prefix
cmake --install "$build" --prefix "$prefix" >"$SHIP_TMP/install.log" ||
    fail "cmake --install failed: $(cat "$SHIP_TMP/install.log")"
launcher=$prefix/bin/kelmora

# Starts the installed launcher from a directory of its own with a private XDG_DATA_HOME.
start_installed() { # launcher arguments...
    mkdir -p "$SHIP_TMP/elsewhere" "$SHIP_TMP/xdg"
    cd "$SHIP_TMP/elsewhere"
    XDG_DATA_HOME=$SHIP_TMP/xdg game_start 60 "$launcher" "$@"
}

case $case_name in
layout)
    for f in \
        bin/kelmora \
        lib/kelmora/kelmora \
        share/kelmora/data/fonts/impact.ttf \
        share/kelmora/data/gfx/background.png \
        share/kelmora/data/gfx/pic16.bmp \
        share/kelmora/data/sfx/click.wav \
        "share/applications/$app_id.desktop" \
        "share/metainfo/$app_id.metainfo.xml" \
        share/man/man6/kelmora.6 \
        share/doc/kelmora/LICENSE \
        share/doc/kelmora/LICENSE-RobotoCondensed.txt \
        "share/icons/hicolor/64x64/apps/$app_id.png" \
        "share/icons/hicolor/128x128/apps/$app_id.png" \
        "share/icons/hicolor/256x256/apps/$app_id.png"; do
        assert_file "$prefix/$f"
    done
    for f in bin/kelmora lib/kelmora/kelmora; do
        [ -x "$prefix/$f" ] || fail "$f is not executable"
    done
    assert_contains "$prefix/share/doc/kelmora/LICENSE" "MIT License" "our licence"
    assert_contains "$prefix/share/doc/kelmora/LICENSE-RobotoCondensed.txt" "Apache License" \
        "the font's licence"
    # Nothing but the game's own files under the prefix (the build's data/ holds no strays).
    extra=$(cd "$prefix" || exit; find . -type f | grep -v -e '^./bin/kelmora$' -e '^./lib/kelmora/' \
        -e '^./share/kelmora/data/' -e "^./share/applications/$app_id.desktop$" \
        -e "^./share/metainfo/$app_id.metainfo.xml$" -e '^./share/man/man6/kelmora.6$' \
        -e '^./share/doc/kelmora/' -e "^./share/icons/hicolor/[0-9]*x[0-9]*/apps/$app_id.png$" || true)
    [ -z "$extra" ] || fail "unexpected files installed: $extra"

    # The configured paths name the prefix installed to.
    desktop=$prefix/share/applications/$app_id.desktop
    assert_contains "$desktop" "Exec=\"$prefix/bin/kelmora\"" "Exec line"
    assert_contains "$desktop" "Categories=Game;LogicGame;" "categories"
    assert_contains "$desktop" "Icon=$app_id" "icon name"
    assert_contains "$prefix/share/man/man6/kelmora.6" "$prefix/share/kelmora/data" "manual"
    for icon in "$prefix"/share/icons/hicolor/*/apps/"$app_id".png; do
        size=$(basename "$(dirname "$(dirname "$icon")")")
        assert_eq "$size" "$(identify -format '%wx%h' "$icon")" "size of $icon"
    done
    if command -v desktop-file-validate >/dev/null; then
        desktop-file-validate "$desktop" || fail "desktop-file-validate"
    else
        note "desktop-file-validate not installed"
    fi
    if command -v appstreamcli >/dev/null; then
        appstreamcli validate --no-net "$prefix/share/metainfo/$app_id.metainfo.xml" ||
            fail "appstreamcli validate"
    else
        note "appstreamcli not installed"
    fi
    if command -v groff >/dev/null; then
        warnings=$(groff -man -ww -z "$prefix/share/man/man6/kelmora.6" 2>&1)
        [ -z "$warnings" ] || fail "groff warnings: $warnings"
    fi
    assert_eq "kelmora $version" "$("$launcher" --version)" "installed launcher's version"

    # A relative prefix is made absolute in the configured files; DESTDIR stages a package
    # whose files name the final prefix.
    (cd "$SHIP_TMP" && cmake --install "$build" --prefix relative >/dev/null)
    assert_contains "$SHIP_TMP/relative/bin/kelmora" "data='$SHIP_TMP/relative/share/kelmora/data'" \
        "data path with a relative prefix"
    DESTDIR=$SHIP_TMP/stage cmake --install "$build" --prefix /opt/kelmora >/dev/null
    assert_file "$SHIP_TMP/stage/opt/kelmora/lib/kelmora/kelmora"
    assert_contains "$SHIP_TMP/stage/opt/kelmora/bin/kelmora" "game='/opt/kelmora/lib/kelmora/kelmora'" \
        "program path with DESTDIR"
    assert_contains "$SHIP_TMP/stage/opt/kelmora/share/applications/$app_id.desktop" \
        'Exec="/opt/kelmora/bin/kelmora"' "Exec line with DESTDIR"
    ;;
run)
    require_runtime
    x_start 1280x1024
    start_installed
    window_wait
    wait_still
    keys Escape
    game_wait 20
    assert_eq 0 "$GAME_STATUS" "exit status"
    state=$SHIP_TMP/xdg/kelmora
    assert_file "$state/hiscores.dat"
    assert_eq 30 "$(wc -l <"$state/hiscores.dat")" "lines of hiscores.dat"
    assert_eq "$prefix/share/kelmora/data" "$(readlink "$state/data")" "data link"
    [ -z "$(ls -A "$SHIP_TMP/elsewhere")" ] || fail "files written in the starting directory"
    ;;
scale)
    # No runtime environment from the test: the launcher itself must choose sdl12-compat.
    KELMORA_RUNTIME=classic
    SHIP_EXPECT_RUNTIME=compat
    # sdl12-compat's software path for Xvfb, which the launcher passes on.
    export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0
    [ -e "$SHIP_COMPAT_DIR/libSDL-1.2.so.0" ] || {
        echo "SKIP: sdl12-compat is not installed"
        exit "$SHIP_SKIP"
    }
    require_tools xwininfo
    x_start 2560x1600
    for factor in 2 3; do
        start_installed --scale "$factor"
        window_wait
        wait_still
        geometry=$(xwininfo -id "$GAME_WINDOW" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')
        note "--scale $factor: window $geometry"
        assert_eq "$((640 * factor))x$((480 * factor))" "$geometry" "window size for --scale $factor"
        # Exit is chosen and clicked at the enlarged position of its menu row, which lies
        # outside a 640x480 window: only a mouse mapped back to 640x480 reaches it.
        click_at $((320 * factor)) $((280 * factor)) 1
        game_wait 20
        assert_eq 0 "$GAME_STATUS" "exit status after Exit was clicked at scale $factor"
    done
    assert_file "$SHIP_TMP/xdg/kelmora/hiscores.dat"
    ;;
*)
    fail "unknown case $case_name"
    ;;
esac
echo "PASS $case_name"
