#!/usr/bin/env bash
# The Windows Installer package end to end: an older build installed silently and replaced in place
# by this build's package with every feature, the installed program keeping its records in the
# user's application data, and an uninstall that takes away what it installed and nothing of the
# user's. Runs in a Wine session of its own, since it installs into the prefix.
#   Usage: installer.sh BUILD_DIR
set -euo pipefail
build=$(realpath "$1")
here=$(realpath "$(dirname "$0")")
root=$(realpath "$here/../..")
state="$build/installer-session"
session="$here/wine-session.sh"

case "$(cat "$build/wine-arch")" in
win32) msi_arch=x86 ;;
win64) msi_arch=x64 ;;
*) echo "FAILED: $build/wine-arch names no processor"; exit 1 ;;
esac

# The older package differs only in the last number where it can: Windows Installer compares just
# the first three, so that is the upgrade it would otherwise install beside the old one.
version=$(sed -n 's/^project.Dusklamp VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
IFS=. read -r v1 v2 v3 v4 <<<"$version"
v4=${v4:-0}
if [ "$v4" -gt 0 ]; then older="$v1.$v2.$v3.$((v4 - 1))"
elif [ "$v3" -gt 0 ]; then older="$v1.$v2.$((v3 - 1)).0"
elif [ "$v2" -gt 0 ]; then older="$v1.$((v2 - 1)).0.0"
else older="$((v1 - 1)).0.0.0"
fi

# Whether PID still runs: a child that has ended but is not yet reaped still answers kill -0.
running() {
    local stat
    stat=$(ps -o stat= -p "$1" 2>/dev/null) && [[ "$stat" != Z* ]]
}

program_pid=
cleanup() {
    if [ -n "$program_pid" ] && running "$program_pid"; then
        kill "$program_pid" 2>/dev/null || true
    fi
    bash "$session" stop "$state" "$build"
}

bash "$session" start "$state" "$build" >/dev/null
trap cleanup EXIT
# shellcheck disable=SC1091
. "$state/env"
# Saving a shortcut makes Wine start its menu builder, which would copy the Start menu entries
# into the desktop of whoever runs the tests.
export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;winemenubuilder.exe=d"

fail() {
    echo "FAILED: $*"
    for log in "$state"/*.log; do
        [ -s "$log" ] || continue
        echo "== $(basename "$log")"
        tail -n 20 "$log"
    done
    exit 1
}
step() { echo "-- $*"; }
now_ms() { date +%s%3N; }
seconds_since() { awk -v a="$1" -v b="$(now_ms)" 'BEGIN { printf "%.1f", (b - a) / 1000 }'; }
# Every Wine program gets a deadline and none of this script's pipes; its output goes to a log.
wine_run() {
    local log=$1
    shift
    timeout -k 5 90 wine "$@" </dev/null >>"$state/$log.log" 2>&1
}

drive_c="$WINEPREFIX/drive_c"
program_dir="$drive_c/Program Files/Dusklamp"
program_path='C:\Program Files\Dusklamp\dusklamp.exe'
run_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
product_key='HKLM\Software\Brightfen\Dusklamp'
settings_key='HKCU\Software\Brightfen\Dusklamp\Settings'
# Where Windows Installer registers a product depends on the package's processor; both are read.
uninstall_keys=('HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall')
if [ "$msi_arch" = x64 ]; then
    uninstall_keys+=('HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall')
fi

# The REG_SZ data of one value, or nothing (and a failure) where there is none.
reg_value() {
    local out
    out=$(timeout -k 5 30 wine reg query "$1" /v "$2" </dev/null 2>/dev/null) || return 1
    tr -d '\r' <<<"$out" | sed -n "s/^[[:space:]]*$2[[:space:]]\{1,\}REG_SZ[[:space:]]\{1,\}//p"
}
# The DisplayVersion of every installed product named Dusklamp, one a line.
installed_versions() {
    local key
    for key in "${uninstall_keys[@]}"; do
        timeout -k 5 30 wine reg query "$key" /s </dev/null 2>/dev/null || true
    done | tr -d '\r' |
        awk '/^HKEY_/ { if (name == "Dusklamp") print version; name = version = ""; next }
             $1 == "DisplayName" && $2 == "REG_SZ" { name = $0; sub(/^[ \t]*DisplayName[ \t]+REG_SZ[ \t]+/, "", name) }
             $1 == "DisplayVersion" && $2 == "REG_SZ" { version = $3 }
             END { if (name == "Dusklamp") print version }'
}
show_registry() {
    echo "   $product_key:"
    { timeout -k 5 30 wine reg query "$product_key" </dev/null 2>/dev/null || echo "(no key)"; } |
        tr -d '\r' | grep -v '^$' | sed 's/^/     /'
    echo "   $run_key, Dusklamp: $(reg_value "$run_key" Dusklamp || echo '(no value)')"
}
# Runs msiexec with ARGS; LABEL names its log and the time it took.
msiexec_timed() {
    local label=$1 started rc=0
    shift
    started=$(now_ms)
    wine_run "msiexec-${label// /-}" msiexec "$@" || rc=$?
    # 3010: done, with a restart asked for, which nothing here needs.
    [ "$rc" -eq 0 ] || [ "$rc" -eq 3010 ] || fail "msiexec $* ended with $rc"
    echo "   $label took $(seconds_since "$started") s"
}

step "building the $msi_arch packages of $older and $version"
rm -f "$state"/*.log "$state"/*.msi
for v in "$older" "$version"; do
    bash "$root/scripts/build-msi.sh" "$msi_arch" "$v" "$build/bin" "$state/dusklamp-$v.msi" >>"$state/wixl.log" 2>&1 ||
        fail "wixl could not build the $v package"
    # msiexec gets the package by a Windows path.
    cp "$state/dusklamp-$v.msi" "$drive_c/dusklamp-$v.msi"
done

step "installing $older silently, without the optional feature"
msiexec_timed "install of $older" /i "C:\\dusklamp-$older.msi" /qn
[ "$(installed_versions)" = "$older" ] || fail "after installing $older the installed versions are [$(installed_versions)]"
[ -f "$program_dir/dusklamp.exe" ] || fail "$older put no dusklamp.exe into $program_dir"
reg_value "$run_key" Dusklamp >/dev/null && fail "the Run value is there although \"Start with Windows\" was not chosen"
echo "   registry after a plain silent install:"
show_registry

step "upgrading to $version with ADDLOCAL=ALL"
msiexec_timed "upgrade to $version" /i "C:\\dusklamp-$version.msi" /qn ADDLOCAL=ALL
echo "   registry after a silent install with \"Start with Windows\":"
show_registry
versions=$(installed_versions)
[ "$versions" = "$version" ] || fail "after the upgrade the installed versions are [$(tr '\n' ' ' <<<"$versions")], not [$version]"

step "checking the installed files, shortcuts and values"
mapfile -t programs < <(find "$drive_c" -iname dusklamp.exe)
[ "${#programs[@]}" -eq 1 ] || fail "${#programs[@]} copies of dusklamp.exe in the prefix: ${programs[*]}"
[ "${programs[0]}" = "$program_dir/dusklamp.exe" ] || fail "dusklamp.exe is at ${programs[0]}, not in $program_dir"
cmp -s "$program_dir/dusklamp.exe" "$build/bin/dusklamp.exe" || fail "the installed dusklamp.exe is not this build's"
cmp -s "$program_dir/dusklamp-send.exe" "$build/bin/dusklamp-send.exe" || fail "the installed dusklamp-send.exe is not this build's"

mapfile -t shortcuts < <(find "$drive_c" -iname 'Dusklamp*.lnk' | sort)
[ "${#shortcuts[@]}" -eq 2 ] || fail "${#shortcuts[@]} Dusklamp shortcuts, not 2: ${shortcuts[*]}"
menu_dir='' plain='' settings=''
# The package asks for every user's Start menu (ALLUSERS=1, checked in its tables here); Wine's
# installer puts shortcuts in the installing user's own Start menu all the same, so either will do.
msiinfo export "$state/dusklamp-$version.msi" Property | tr -d '\r' | grep -qx $'ALLUSERS\t1' || fail "the package is not per machine"
for link in "${shortcuts[@]}"; do
    case "$link" in
    */"Start Menu/Programs/Dusklamp/Dusklamp.lnk") plain=$link ;;
    */"Start Menu/Programs/Dusklamp/Dusklamp Settings.lnk") settings=$link ;;
    *) fail "unexpected shortcut $link" ;;
    esac
    menu_dir=$(dirname "$link")
done
{ [ -n "$plain" ] && [ -n "$settings" ]; } || fail "the shortcuts are not the pair expected: ${shortcuts[*]}"
# The strings of a shortcut are UTF-16: without the zero bytes they read as plain text.
tr -d '\0' <"$plain" | grep -qi 'dusklamp\.exe' || fail "the Dusklamp shortcut does not point at dusklamp.exe"
tr -d '\0' <"$plain" | grep -q ':settings' && fail "the Dusklamp shortcut opens the settings"
tr -d '\0' <"$settings" | grep -q ':settings' || fail "the Dusklamp Settings shortcut lacks :settings"
echo "   shortcuts in $menu_dir"

run_value=$(reg_value "$run_key" Dusklamp) || fail "no Run value after ADDLOCAL=ALL"
[ "$run_value" = "\"$program_path\" :silent" ] || fail "the Run value is [$run_value]"
data_folder=$(reg_value "$product_key" DataFolder) || fail "no DataFolder value"
[ "$data_folder" = AppData ] || fail "DataFolder is [$data_folder], not AppData"

step "the installed program takes a command and records it in application data"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
wine_run reg reg add "$settings_key" /v WorkAsClient /t REG_DWORD /d 1 /f || fail "could not set WorkAsClient"
wine_run reg reg add "$settings_key" /v ClientPort /t REG_DWORD /d "$port" /f || fail "could not set ClientPort"
wine "$program_path" :silent </dev/null >"$state/program.log" 2>&1 &
program_pid=$!
# Nothing comes back on the connection: the program records the command, then closes it.
python3 - "$port" >"$state/peer.log" 2>&1 <<'EOF' || fail "the command never reached the program (port $port)"
import socket, sys, time
port = int(sys.argv[1])
deadline = time.monotonic() + 30
while True:
    try:
        peer = socket.create_connection(("127.0.0.1", port), timeout=2)
        break
    except OSError:
        if time.monotonic() > deadline:
            sys.exit("nothing listened on port %d within 30 s" % port)
        time.sleep(0.2)
peer.sendall(b":silent")
peer.settimeout(15)
try:
    while peer.recv(64):
        pass
except socket.timeout:
    sys.exit("the program kept the connection open for 15 s")
except ConnectionResetError:
    pass
EOF
echo "   sent :silent to port $port; the program closed the connection"
received=
for _ in $(seq 100); do
    received=$(find "$drive_c/users" -path '*Brightfen/Dusklamp/CommandsReceived.csv' | head -n 1)
    [ -n "$received" ] && break
    sleep 0.1
done
[ -n "$received" ] || fail "no CommandsReceived.csv in any user's application data$(
    find "$program_dir" -iname 'CommandsReceived.csv' | grep -q . && echo ', but one beside the program')"
[ -z "$(find "$program_dir" -iname '*.csv' -o -iname 'Clients.txt')" ] || fail "the program keeps files in $program_dir"
grep -q ':silent' "$received" || fail "the received log holds no :silent record"
echo "   recorded in ${received#"$drive_c"/}"

wine_run taskkill taskkill /im dusklamp.exe /f || true
for _ in $(seq 100); do running "$program_pid" && sleep 0.1 || break; done
running "$program_pid" && fail "dusklamp.exe did not end"
wait "$program_pid" || true
program_pid=

step "uninstalling"
msiexec_timed uninstall /x "C:\\dusklamp-$version.msi" /qn
[ -z "$(installed_versions)" ] || fail "still installed after the uninstall: [$(installed_versions)]"
[ ! -e "$program_dir" ] || fail "$program_dir is still there: $(ls -A "$program_dir" | tr '\n' ' ')"
[ -z "$(find "$drive_c" -iname 'Dusklamp*.lnk')" ] || fail "shortcuts are left: $(find "$drive_c" -iname 'Dusklamp*.lnk')"
[ ! -e "$menu_dir" ] || fail "the Start menu folder $menu_dir is still there"
reg_value "$run_key" Dusklamp >/dev/null && fail "the Run value is still there"
reg_value "$product_key" DataFolder >/dev/null && fail "the DataFolder value is still there"
[ -f "$received" ] || fail "the uninstall took the user's CommandsReceived.csv"
echo "   registry after the uninstall:"
show_registry
echo "   the user's ${received#"$drive_c"/} is still there"

echo "1 passed, 0 failed"
