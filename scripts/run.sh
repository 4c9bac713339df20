#!/usr/bin/env bash
# Starts dusklamp.exe under Wine: on the current X display, or in a private Xvfb when there is none.
# The 32-bit program where this machine runs 32-bit programs, else the 64-bit one.
#   Usage: run.sh WIN32_BUILD_DIR WIN64_BUILD_DIR [SWITCH...]
set -euo pipefail
. "$(dirname "$0")/wine-env.sh"
if wine32_runs; then
    build=$1 arch=win32
    echo "Running the 32-bit Dusklamp."
else
    build=$2 arch=win64
    echo "Running the 64-bit Dusklamp: this machine cannot run 32-bit programs."
fi
shift 2
exe=$(realpath "$build/bin/dusklamp.exe")
prefix=${WINEPREFIX:-$HOME/.local/share/dusklamp/wine-$arch}
wine_use "$arch" "$prefix"
if [ ! -d "$WINEPREFIX" ]; then
    echo "Preparing a $arch Wine prefix in $WINEPREFIX (once)..."
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i </dev/null >/dev/null 2>&1
    # Wine's desktop window shows the notification area, where Dusklamp lives.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    # Wine's own fonts (caption buttons, MS Sans Serif), which Debian's Wine does not pick up by itself.
    cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
fi
if [ -z "${DISPLAY:-}" ]; then
    fdfile=$(mktemp)
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
    xvfb=$!
    # Nothing of this private display may outlive the script, however it ends: bash runs no
    # EXIT trap when a signal kills it, so each signal is turned into an ordinary exit first.
    trap 'wineserver -k 2>/dev/null; kill $xvfb 2>/dev/null; rm -f "$fdfile"' EXIT
    trap 'exit 130' INT
    trap 'exit 143' TERM
    trap 'exit 129' HUP
    for _ in $(seq 200); do [ -s "$fdfile" ] && break; sleep 0.05; done
    export DISPLAY=":$(head -n1 "$fdfile")"
    echo "No X display: Dusklamp runs in Xvfb on $DISPLAY (screenshot: import -display $DISPLAY -window root shot.png)."
fi
echo "Starting $exe $* (Exit it from its tray menu, or press Ctrl+C here)."
# In the background, so that a signal reaches the traps at once rather than after Wine ends.
wine "$exe" "$@" &
wait $!
wineserver -w &
wait $!
