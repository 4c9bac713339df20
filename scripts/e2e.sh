#!/usr/bin/env bash
# Runs the Win32 suites under Wine on every Windows build this machine can run: the 32-bit and the
# 64-bit build where 32-bit programs run, the 64-bit build alone where they cannot.
#   Usage: e2e.sh WIN32_BUILD_DIR WIN64_BUILD_DIR
set -uo pipefail
. "$(dirname "$0")/wine-env.sh"
declare -A dirs=([win32]=$1 [win64]=$2)
arches=$(wine_runnable_arches)
read -r -a arch_list <<<"$arches"

# Within a build, two at a time: the forced session end runs in a session of its own beside the
# others. Two builds side by side would put up to six wineservers and X servers on the machine,
# which only pays where there are cores for them: below four, one build after the other.
cores=$(nproc)
if [ "${#arch_list[@]}" -gt 1 ] && [ "$cores" -ge 4 ]; then
    side_by_side=1
    how=", side by side on $cores cores"
else
    side_by_side=0
    how=", one after the other on $cores cores"
fi
[ "${#arch_list[@]}" -gt 1 ] || how=" on $cores cores"
echo "e2e: $(wine_arches_reason)$how"

run_build() {
    ctest --test-dir "${dirs[$1]}" --output-on-failure -j 2 >"${dirs[$1]}/e2e.log" 2>&1
}

failed=()
if [ "$side_by_side" = 1 ]; then
    for arch in "${arch_list[@]}"; do
        run_build "$arch" &
        eval "pid_$arch=$!"
    done
    for arch in "${arch_list[@]}"; do
        pid_var="pid_$arch"
        wait "${!pid_var}" || failed+=("$arch")
        echo "== the $arch build (${dirs[$arch]})"
        cat "${dirs[$arch]}/e2e.log"
    done
else
    for arch in "${arch_list[@]}"; do
        run_build "$arch" || failed+=("$arch")
        echo "== the $arch build (${dirs[$arch]})"
        cat "${dirs[$arch]}/e2e.log"
    done
fi
if [ ${#failed[@]} -gt 0 ]; then
    echo "e2e: failures in the ${failed[*]} build" >&2
    exit 1
fi
