#!/usr/bin/env bash
# Starts or stops the Wine session the Win32 tests of one build run in: a private Xvfb display and a
# fresh prefix of the build's processor (copied from a template made once per build folder), with
# its wineserver detached from the test runner's pipes.
#   Usage: wine-session.sh start|stop STATE_DIR BUILD_DIR
set -euo pipefail

action=$1
state=$(realpath -m "$2")
build=$(realpath -m "$3")
template="$build/wine-template"
. "$(dirname "$0")/../../scripts/wine-env.sh"
arch=$(wine_arch_of "$build")

make_template() {
    rm -rf "$template"
    mkdir -p "$(dirname "$template")"
    (
        wine_use "$arch" "$template"
        wineboot -i </dev/null >/dev/null 2>&1
        # Wine's own desktop window: without it every dialog close waits for a window manager and
        # hot keys are unreliable. No crash dialog: a crashing program must fail its test, not hang it.
        wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
        wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
        # Nor a crash debugger at all: Wine would start one for every crash, which prints a backtrace
        # and, like any child, holds the test runner's pipes. A debugger that cannot start ends the
        # crashed program at once.
        for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
                   'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug'; do
            wine reg add "$key" /v Debugger /d 'no-crash-debugger.exe' /f </dev/null >/dev/null 2>&1
        done
        # Debian's Wine does not look into its own font folder: without Marlett and MS Sans Serif
        # the caption buttons show letters and dialog text is laid out wider than on Windows.
        cp /usr/share/wine/fonts/* "$template/drive_c/windows/Fonts/"
        wineserver -k || true
        wineserver -w || true
    )
    [ -d "$template/drive_c/windows" ] || { echo "could not make a $arch Wine prefix" >&2; exit 1; }
    touch "$template/.ready-3"
}

start() {
    stop_quietly
    mkdir -p "$state"
    [ -f "$template/.ready-3" ] || make_template

    # -displayfd makes Xvfb pick a free display itself, so parallel runs never collide.
    rm -f "$state/display"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display" </dev/null >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 400); do [ -s "$state/display" ] && break || sleep 0.05; done
    [ -s "$state/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    local display=":$(head -n1 "$state/display")"

    rm -rf "$state/prefix"
    cp -a "$template" "$state/prefix"
    { wine_env_lines "$arch" "$state/prefix"; echo "export DISPLAY='$display'"; } >"$state/env"
    # shellcheck disable=SC1091
    . "$state/env"
    setsid wineserver -p </dev/null >/dev/null 2>&1
    setsid wine wineboot </dev/null >/dev/null 2>&1
    echo "$arch wine session on $display in $state/prefix"
}

stop_quietly() {
    # By the prefix's path, so that even a half-started session is ended.
    if [ -d "$state/prefix" ]; then
        WINEPREFIX="$state/prefix" wineserver -k >/dev/null 2>&1 || true
        WINEPREFIX="$state/prefix" wineserver -w >/dev/null 2>&1 || true
    fi
    [ -f "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" >/dev/null 2>&1 || true
    rm -rf "$state/prefix" "$state/env" "$state/xvfb.pid"
}

case "$action" in
start) start ;;
stop) stop_quietly ;;
*) echo "usage: $0 start|stop STATE_DIR BUILD_DIR" >&2; exit 2 ;;
esac
