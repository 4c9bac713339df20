#!/usr/bin/env bash
# The receiving computer of the network loop test: a Wine session of its own (display, prefix,
# wineserver) in which the test driver starts a Dusklamp listening on PORT. Started by the driver
# itself, with the folder as Wine names it; what happens goes to that folder's remote-session.txt.
# Usage: remote-session.sh 'Z:\...\bin' PORT
set -uo pipefail
bin=$(printf '%s' "${1#Z:}" | tr '\\' /)
build=$(dirname "$bin")
state="$build/remote-session"
session="$(dirname "$0")/wine-session.sh"
# Started under Wine by the driver: hold none of the test runner's pipes.
exec </dev/null >"$build/remote-session.log" 2>&1
trap 'bash "$session" stop "$state" "$build"; echo ended >>"$bin/remote-session.txt"' EXIT
bash "$session" start "$state" "$build" || exit 1
. "$state/env"
DUSKLAMP_REMOTE_PORT=$2 wine "$bin/dusklamp_e2e.exe" --gtest_also_run_disabled_tests \
    --gtest_filter='DusklampTest.DISABLED_ReceiverInASessionOfItsOwn'
