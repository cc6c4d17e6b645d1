# shellcheck shell=bash
# Shared helpers of the ship tests (sourced by bash scripts): a private temporary directory
# removed on exit, failure reports and small assertions.

SHIP_TMP=$(mktemp -d "${TMPDIR:-/tmp}/kelmora-ship.XXXXXX")
if [ -n "${SHIP_TRACE:-}" ]; then
    exec 9>"$SHIP_TMP/trace"
    BASH_XTRACEFD=9
    set -x
fi
ship_cleanup_hooks=""

ship_cleanup() {
    local status=$?
    local hook
    for hook in $ship_cleanup_hooks; do
        "$hook" || status=1
    done
    if [ "$status" -ne 0 ] && [ -n "${SHIP_KEEP_ON_FAILURE:-}" ]; then
        echo "kept $SHIP_TMP" >&2
    else
        rm -rf "$SHIP_TMP"
    fi
    exit "$status"
}
trap ship_cleanup EXIT
trap 'exit 130' INT TERM

# Runs the named function when the script ends, before the temporary directory goes.
on_exit() {
    ship_cleanup_hooks="$1 $ship_cleanup_hooks"
}

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

note() {
    echo "-- $*"
}

assert_eq() { # expected actual what
    [ "$1" = "$2" ] || fail "$3: expected '$1', got '$2'"
}

assert_contains() { # file text what
    grep -qF -- "$2" "$1" || {
        echo "--- $1:" >&2
        cat "$1" >&2
        fail "$3: '$2' not found"
    }
}

assert_file() {
    [ -f "$1" ] || fail "missing file $1"
}
