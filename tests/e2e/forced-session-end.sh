#!/usr/bin/env bash
# A forced session-end request ends every process of the Wine session at once, without asking.
# Runs the driver in a Wine session of its own and watches the outcome from outside.
#   Usage: forced-session-end.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
state="$build/forced-session"
session="$(dirname "$0")/wine-session.sh"

bash "$session" start "$state" "$build" >/dev/null
trap 'bash "$session" stop "$state" "$build"' EXIT
. "$state/env"

# Private copies, so that whatever runs from this folder belongs to this session alone.
rm -rf "$state/bin" && mkdir -p "$state/bin"
cp "$build/bin/dusklamp.exe" "$build/bin/dusklamp_e2e.exe" "$state/bin/"
export DUSKLAMP_FORCED_RECORD="$state/record.txt"
rm -f "$DUSKLAMP_FORCED_RECORD"

start=$SECONDS
wine "$state/bin/dusklamp_e2e.exe" --gtest_also_run_disabled_tests \
    --gtest_filter='ScheduleTest.DISABLED_ForcedShutdownEndsSessionWithoutAsking' >"$state/driver.log" 2>&1 || true
elapsed=$((SECONDS - start))

fail() { echo "FAILED: $*"; cat "$state/driver.log"; exit 1; }
outcome=$(tr -d '\r' <"$DUSKLAMP_FORCED_RECORD" 2>/dev/null || true)
grep -qx armed <<<"$outcome" || fail "the driver never confirmed the schedule"
grep -qx asked <<<"$outcome" && fail "the forced request asked the windows first"
grep -qx survived <<<"$outcome" && fail "the session was not ended"
for _ in $(seq 200); do pgrep -f "$state/bin" >/dev/null && sleep 0.1 || break; done
pgrep -f "$state/bin" >/dev/null && fail "processes of the session are still running"
echo "forced shutdown ended the session ${elapsed}s after start, without a question"
echo "1 passed, 0 failed"
