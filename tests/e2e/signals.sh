#!/usr/bin/env bash
# End to end: SIGINT and SIGTERM reach the game as a window close; it shuts down normally with
# status 0 and writes the high-score file.
#   signals.sh PROGRAM DATA_DIR
. "$(dirname "$0")/lib.sh"
e2e_init "$1" "$2" ""

for signal in INT TERM; do
    e2e_start
    kill -s "$signal" "$E2E_PID"
    e2e_wait_exit 10
    [ "$E2E_STATUS" = 0 ] || e2e_fail "SIG$signal ended the game with status $E2E_STATUS"
    e2e_expect_default_scores
    rm -rf "$E2E_WORK"
done
e2e_pass
