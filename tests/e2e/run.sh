#!/usr/bin/env bash
# Runs one end-to-end script in a fresh Xvfb:
#   run.sh SECONDS SCRIPT ARGS...
# as `timeout -k 5 SECONDS xvfb-run -a -s '-screen 0 800x600x24' bash SCRIPT ARGS...`.
# xvfb-run -a can pick a display number that another X server takes at the same moment; the
# script then ends with status 75 (lib.sh: the display is unusable) and is run again, at most
# three times. Any other status is the test's result.
set -u
seconds=$1
shift
for attempt in 1 2 3; do
    timeout -k 5 "$seconds" xvfb-run -a -s '-screen 0 800x600x24' bash "$@"
    status=$?
    [ "$status" -eq 75 ] || exit "$status"
    echo "the X display was not usable (attempt $attempt), trying again" >&2
    sleep 1
done
exit 1
