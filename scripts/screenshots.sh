#!/usr/bin/env bash
# Takes the README's screenshots of Dusklamp under Wine in a private session: docs/*.png.
set -euo pipefail
top=$(realpath "$(dirname "$0")/..")
build=$(realpath "${1:-$top/build/win32}")
state="$build/screenshot-session"
session="$top/tests/e2e/wine-session.sh"
bash "$session" start "$state" "$build/wine-template" >/dev/null
trap 'bash "$session" stop "$state" "$build/wine-template"' EXIT
. "$state/env"

shot() {  # shot NAME WIDTHxHEIGHT+X+Y
    import -display "$DISPLAY" -window root -crop "$2" +repage "$top/docs/$1.png"
}
settle() { sleep 1; }  # the pictures only need the screen to have been repainted

mkdir -p "$top/docs"
wine "$build/bin/dusklamp.exe" :settings </dev/null >/dev/null 2>&1 &
settle; settle
shot settings 340x226+341+270

xdotool mousemove 1013 758 click 3
settle
shot tray-menu 300x190+724+578
xdotool key Escape

xdotool mousemove 500 288 click 1
xdotool key alt+space
settle
xdotool key Up Return
settle
shot about 340x226+341+270
xdotool key Return
settle

# The schedule dialog, as a second start with ":shutdown" opens it, after an earlier schedule.
wine reg add 'HKCU\Software\Brightfen\Dusklamp\Settings' /v LastSchedule /d "12/5/2026 9:15:00 PM" /f >/dev/null 2>&1
wine "$build/bin/dusklamp.exe" :shutdown </dev/null >/dev/null 2>&1 &
settle; settle
shot schedule 500x256+262+256
xdotool key Escape
