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
    # From a folder of its own, which the last round makes read-only for its log.
    local folder="$state/listener"
    mkdir -p "$folder"
    cp "$build/bin/dusklamp.exe" "$folder/"
    wine "$folder/dusklamp.exe" :silent >/dev/null 2>&1 &
    for _ in $(seq 100); do python3 -c "import socket; socket.create_connection(('127.0.0.1', $port)).close()" 2>/dev/null && break; sleep 0.1; done

    # What an idle program costs, read off the kernel's own counts: with the wake guard's option
    # off, on, and armed by a blanking another computer asked for.
    local pid
    pid=$(pgrep -f "$folder/dusklamp.exe" | head -n1 || true)
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
    python3 "$here/listener-flood.py" "$port" "with no allowed list"
    # A hundred entries, the peers' address last: every connection is matched against all of them.
    wine reg add "$key" /v AllowedSenders /d "$(printf '10.%d.0.0/16, ' $(seq 99))127.0.0.1" /f >/dev/null 2>&1
    python3 "$here/listener-flood.py" "$port" "with 100 allowed"
    # Longer than a command line may be: through a file of registry text.
    python3 -c 'import sys; print("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Brightfen\\Dusklamp\\Settings]\n\"AllowedSenders\"=\"" + ", ".join(f"10.{i // 256}.{i % 256}.0/24" for i in range(9999)) + ", 127.0.0.1\"")' >"$state/long-list.reg"
    wine regedit /S "Z:$(printf %s "$state/long-list.reg" | tr / '\\')" >/dev/null 2>&1
    python3 "$here/listener-flood.py" "$port" "with 10,000 allowed"
    # Refused peers: the allowed senders exclude the flood's own address.
    if [ -n "$pid" ]; then
        wine reg add "$key" /v AllowedSenders /d 127.0.0.2 /f >/dev/null 2>&1
        python3 "$here/refused-flood.py" "$port" "$pid" 4
        python3 "$here/refused-flood.py" "$port" "$pid" 64
        rm -f "$folder"/CommandsReceived*.csv
        python3 "$here/idle-cost.py" "$pid" "idle after the refused peers"
    fi
    wine reg delete "$key" /v AllowedSenders /f >/dev/null 2>&1
    # Immutable rather than without write permission, which does not stop root.
    rm -f "$folder"/CommandsReceived*.csv
    if chattr +i "$folder" 2>/dev/null; then
        python3 "$here/listener-flood.py" "$port" "with a read-only log" || true
        chattr -i "$folder"
    else
        echo ":silent connections with a read-only log: not measured (chattr +i refused here)"
    fi
    wine reg delete "$key" /f >/dev/null 2>&1
}

echo "bench: $(wine_arches_reason | sed 's/testing/measuring/')"
for arch in $(wine_runnable_arches); do
    echo "== the $arch build"
    (bench_build "${dirs[$arch]}")
done
