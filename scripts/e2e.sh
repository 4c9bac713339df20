#!/usr/bin/env bash
# Runs the Win32 suites under Wine on every Windows build this machine can run: the 32-bit and the
# 64-bit build where 32-bit programs run, the 64-bit build alone where they cannot.
#   Usage: e2e.sh WIN32_BUILD_DIR WIN64_BUILD_DIR
set -uo pipefail
. "$(dirname "$0")/wine-env.sh"
declare -A dirs=([win32]=$1 [win64]=$2)
arches=$(wine_runnable_arches)

echo "e2e: $(wine_arches_reason)"
# The builds run side by side, each in Wine sessions of its own: most of a suite's time is spent
# waiting for the program (the schedule tests wait out real minutes), not computing. Within a
# build, two at a time: the forced session end runs in a session of its own beside the others.
for arch in $arches; do
    ctest --test-dir "${dirs[$arch]}" --output-on-failure -j 2 >"${dirs[$arch]}/e2e.log" 2>&1 &
    eval "pid_$arch=$!"
done
failed=()
for arch in $arches; do
    pid_var="pid_$arch"
    wait "${!pid_var}" || failed+=("$arch")
    echo "== the $arch build (${dirs[$arch]})"
    cat "${dirs[$arch]}/e2e.log"
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "e2e: failures in the ${failed[*]} build" >&2
    exit 1
fi
