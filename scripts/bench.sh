#!/usr/bin/env bash
# Prints Dusklamp's trigger-to-broadcast latencies and its listener's throughput, measured under
# Wine in a private session, for every Windows build this machine can run.
#   Usage: bench.sh WIN32_BUILD_DIR WIN64_BUILD_DIR
set -euo pipefail
here=$(dirname "$0")
. "$here/wine-env.sh"
session="$here/../tests/e2e/wine-session.sh"
declare -A dirs=([win32]=$1 [win64]=$2)

bench_build() {
    # Not local: the EXIT trap runs after the function has returned.
    build=$(realpath "$1")
    state="$build/bench-session"
    bash "$session" start "$state" "$build" >/dev/null
    # Run in a subshell of its own, whose exit ends the session (a RETURN trap would also fire
    # when the env file below has been sourced).
    trap 'bash "$session" stop "$state" "$build"' EXIT
    . "$state/env"
    wine "$build/bin/dusklamp_bench.exe"

    # The listener against native Linux peers, the way other computers reach it.
    local port key
    port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    key='HKCU\Software\Brightfen\Dusklamp\Settings'
    wine reg add "$key" /v WorkAsClient /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wine reg add "$key" /v ClientPort /t REG_DWORD /d "$port" /f >/dev/null 2>&1
    wine "$build/bin/dusklamp.exe" :silent >/dev/null 2>&1 &
    for _ in $(seq 100); do python3 -c "import socket; socket.create_connection(('127.0.0.1', $port)).close()" 2>/dev/null && break; sleep 0.1; done

    # What an idle program costs, read off the kernel's own counts: with the wake guard's option
    # off, on, and armed by a blanking another computer asked for.
    local pid
    pid=$(pgrep -f "$build/bin/dusklamp.exe" | head -n1 || true)
    if [ -n "$pid" ]; then
        python3 "$here/idle-cost.py" "$pid" "idle, wake guard off"
        wine reg add "$key" /v KeepDarkUntilKey /t REG_DWORD /d 1 /f >/dev/null 2>&1
        python3 "$here/idle-cost.py" "$pid" "idle, wake guard on, not armed"
        python3 -c "import socket; socket.create_connection(('127.0.0.1', $port)).sendall(b' ')"
        sleep 1
        python3 "$here/idle-cost.py" "$pid" "idle, wake guard armed"
        python3 -c "import socket; socket.create_connection(('127.0.0.1', $port)).sendall(b':displayon')"
        wine reg add "$key" /v KeepDarkUntilKey /t REG_DWORD /d 0 /f >/dev/null 2>&1
    fi
    python3 "$here/listener-flood.py" "$port"
    wine reg delete "$key" /f >/dev/null 2>&1
}

echo "bench: $(wine_arches_reason | sed 's/testing/measuring/')"
for arch in $(wine_runnable_arches); do
    echo "== the $arch build"
    (bench_build "${dirs[$arch]}")
done
