#!/usr/bin/env bash
# Runs an end-to-end script in a fresh Xvfb under a time limit: run.sh SECONDS SCRIPT ARGS...
# A script ending with 75 found its display taken by another X server (xvfb-run -a races) and
# runs again, at most three times; any other status is the test's result.
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
