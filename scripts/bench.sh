#!/usr/bin/env bash
# Prints Dusklamp's trigger-to-broadcast latencies, measured under Wine in a private session.
set -euo pipefail
build=$(realpath "$1")
state="$build/bench-session"
session="$(dirname "$0")/../tests/e2e/wine-session.sh"
bash "$session" start "$state" "$build/wine-template" >/dev/null
trap 'bash "$session" stop "$state" "$build/wine-template"' EXIT
. "$state/env"
wine "$build/bin/dusklamp_bench.exe"
