#!/usr/bin/env bash
# Builds Dusklamp's Windows Installer package for one processor from installer/dusklamp.wxs.
#   Usage: build-msi.sh x86|x64 VERSION BIN_DIR OUTPUT.msi
set -euo pipefail

[ $# -eq 4 ] || { echo "usage: $0 x86|x64 VERSION BIN_DIR OUTPUT.msi" >&2; exit 2; }
arch=$1 version=$2 bin=$3 out=$4
installer=$(realpath "$(dirname "$0")/../installer")

case "$arch" in
x64) win64=yes; program_files=ProgramFiles64Folder ;;
x86) win64=no; program_files=ProgramFilesFolder ;;
*) echo "build-msi: unknown processor '$arch' (x86 or x64)" >&2; exit 2 ;;
esac
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+(\.[0-9]+)?$ ]] || { echo "build-msi: bad version '$version'" >&2; exit 2; }
for exe in dusklamp.exe dusklamp-send.exe; do
    [ -f "$bin/$exe" ] || { echo "build-msi: $bin/$exe is missing" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# wixl looks for source files relative to the .wxs and fails on absolute paths.
bin_rel=$(realpath --relative-to="$installer" "$bin")
wixl -a "$arch" -D Version="$version" -D BinDir="$bin_rel" -D Win64="$win64" \
     -D ProgramFilesFolder="$program_files" -o "$work/package.msi" "$installer/dusklamp.wxs"

# wixl drops IncludeMaximum and MigrateFeatures from UpgradeVersion. Without the first, a package
# would install beside an older build that differs only in the fourth number; without the second,
# an upgrade would quietly drop "Start with Windows". 769 = MigrateFeatures 1 | IncludeMinimum 256
# | IncludeMaximum 512.
msiinfo export "$work/package.msi" Upgrade >"$work/Upgrade.idt"
awk 'BEGIN { FS = OFS = "\t" }
     { cr = sub(/\r$/, ""); if (NR > 3 && $7 == "OLDERVERSIONFOUND") $5 = 769; printf "%s%s\n", $0, cr ? "\r" : "" }' \
    "$work/Upgrade.idt" >"$work/Upgrade.new.idt"
mv "$work/Upgrade.new.idt" "$work/Upgrade.idt"
(cd "$work" && msibuild package.msi -i Upgrade.idt)
msiinfo export "$work/package.msi" Upgrade | tr -d '\r' | awk -F '\t' '$7 == "OLDERVERSIONFOUND" && $5 == 769 { ok = 1 } END { exit !ok }' ||
    { echo "build-msi: could not widen the upgrade range" >&2; exit 1; }

mkdir -p "$(dirname "$out")"
mv "$work/package.msi" "$out"
echo "build-msi: $out ($arch, $version, $(stat -c %s "$out") bytes)"
