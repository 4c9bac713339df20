#!/usr/bin/env bash
# Starts or stops the Wine session the Win32 tests run in: a private Xvfb display and a fresh
# 32-bit prefix (copied from a template made once), with its wineserver detached from the test
# runner's pipes.   Usage: wine-session.sh start|stop STATE_DIR TEMPLATE_DIR
set -euo pipefail

action=$1
state=$(realpath -m "$2")
template=$(realpath -m "$3")

export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

make_template() {
    rm -rf "$template"
    mkdir -p "$(dirname "$template")"
    WINEPREFIX="$template" wineboot -i </dev/null >/dev/null 2>&1
    # Wine's own desktop window: without it every dialog close waits for a window manager and
    # hot keys are unreliable. No crash dialog: a crashing program must fail its test, not hang it.
    WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f </dev/null >/dev/null 2>&1
    WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f </dev/null >/dev/null 2>&1
    WINEPREFIX="$template" wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
    # Debian's Wine does not look into its own font folder: without Marlett and MS Sans Serif
    # the caption buttons show letters and dialog text is laid out wider than on Windows.
    cp /usr/share/wine/fonts/* "$template/drive_c/windows/Fonts/"
    WINEPREFIX="$template" wineserver -k || true
    WINEPREFIX="$template" wineserver -w || true
    touch "$template/.ready-2"
}

start() {
    stop_quietly
    mkdir -p "$state"
    [ -f "$template/.ready-2" ] || make_template

    # -displayfd makes Xvfb pick a free display itself, so parallel runs never collide.
    rm -f "$state/display"
    setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$state/display" </dev/null >/dev/null 2>&1 &
    echo $! >"$state/xvfb.pid"
    for _ in $(seq 400); do [ -s "$state/display" ] && break || sleep 0.05; done
    [ -s "$state/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    local display=":$(head -n1 "$state/display")"

    rm -rf "$state/prefix"
    cp -a "$template" "$state/prefix"
    cat >"$state/env" <<ENV
export WINEPREFIX='$state/prefix'
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES='mscoree,mshtml='
export DISPLAY='$display'
ENV
    # shellcheck disable=SC1091
    . "$state/env"
    setsid wineserver -p </dev/null >/dev/null 2>&1
    setsid wine wineboot </dev/null >/dev/null 2>&1
    echo "wine session on $display in $state/prefix"
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
*) echo "usage: $0 start|stop STATE_DIR TEMPLATE_DIR" >&2; exit 2 ;;
esac
