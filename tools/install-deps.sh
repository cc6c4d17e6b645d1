#!/bin/sh
# Installs the Debian packages Kelmora needs, and only the missing ones.
#   tools/install-deps.sh build   what building and running the game needs
#   tools/install-deps.sh deb     the above plus what building the Debian package needs
#   tools/install-deps.sh test    the above plus what the test suite, CI and benchmarks need
set -eu

BUILD_PKGS="build-essential cmake pkg-config libpng-dev
libsdl1.2-dev libsdl1.2debian libsdl-image1.2-dev libsdl-ttf2.0-dev libsdl-mixer1.2-dev
fonts-roboto-unhinted"

# The Debian package: its build tools, lintian for its check, and GoogleTest for the unit tests
# that its build runs (debian/control's Build-Depends).
DEB_PKGS="libgtest-dev debhelper dpkg-dev lintian"

# Test tooling: GoogleTest and Google Benchmark; Xvfb, xdotool, ImageMagick and x11-utils for the
# end-to-end cases (faketime for tools/screenshots.sh); clang for the fuzzers and clang-format for
# the style check; the sdl12-compat runtime (installed beside classic SDL) for the smoke run on
# it; appstream and desktop-file-utils to validate the desktop files; the Debian package's tools,
# which its end-to-end case builds and checks.
TEST_PKGS="$DEB_PKGS libbenchmark-dev
xvfb xauth xdotool imagemagick faketime x11-utils
clang clang-format libclang-rt-14-dev
libsdl1.2-compat appstream desktop-file-utils"

case "${1:-build}" in
build) wanted=$BUILD_PKGS ;;
deb) wanted="$BUILD_PKGS $DEB_PKGS" ;;
test) wanted="$BUILD_PKGS $TEST_PKGS" ;;
*)
    echo "usage: $0 [build|deb|test]" >&2
    exit 2
    ;;
esac

missing=""
for p in $wanted; do
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    case "$status" in
    *" installed") ;;
    *) missing="$missing $p" ;;
    esac
done
[ -z "$missing" ] && exit 0

echo "Installing missing packages:$missing"
if [ "$(id -u)" -eq 0 ]; then
    SUDO=""
else
    if ! command -v sudo >/dev/null 2>&1; then
        echo "error: these packages are missing and sudo is not available:$missing" >&2
        exit 1
    fi
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
