#!/usr/bin/env bash
# Takes the README's screenshots of Dusklamp under Wine in a private session: docs/*.png.
set -euo pipefail
top=$(realpath "$(dirname "$0")/..")
. "$top/scripts/wine-env.sh"
# The 32-bit program where this machine runs it, else the 64-bit one: they look the same.
default=$top/build/win32
wine32_runs || default=$top/build/win64
build=$(realpath "${1:-$default}")
state="$build/screenshot-session"
session="$top/tests/e2e/wine-session.sh"
bash "$session" start "$state" "$build" >/dev/null
trap 'bash "$session" stop "$state" "$build"' EXIT
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
shot tray-menu 300x230+724+538
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
settle

# The network dialogs over a sample computer list beside the executable (one already there is
# put back at exit): a row selected, then a computer being added.
clients="$build/bin/Clients.txt"
if [ -e "$clients" ]; then mv "$clients" "$clients.saved"; fi
trap 'rm -f "$clients"; if [ -e "$clients.saved" ]; then mv "$clients.saved" "$clients"; fi
      bash "$session" stop "$state" "$build"' EXIT
printf '192.168.0.5,1960\r\n192.168.0.6,2000\r\nlab-pc-7,1960\r\n' >"$clients"
for value in IntroductionOfNetwork WorkAsClient WorkAsServer; do
    wine reg add 'HKCU\Software\Brightfen\Dusklamp\Settings' /v $value /t REG_DWORD /d 1 /f >/dev/null 2>&1
done
wine reg add 'HKCU\Software\Brightfen\Dusklamp\Settings' /v LastCommand /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine "$build/bin/dusklamp.exe" :network </dev/null >/dev/null 2>&1 &
settle; settle
xdotool mousemove 400 380 click 1
settle
shot network 400x420+311+173
xdotool mousemove 383 335 click 1
settle
xdotool type --delay 50 192.168.0.7
xdotool key Tab ctrl+a
xdotool type 2000
settle
shot add-computer 312x170+355+300
xdotool key Escape Escape
