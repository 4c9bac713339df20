#!/usr/bin/env bash
# Installs the cross toolchain, Wine, the X tools and the packaging tools that building, testing and
# packaging Dusklamp need (Debian 12).
set -euo pipefail

need=()
have() { command -v "$1" >/dev/null 2>&1; }
have i686-w64-mingw32-g++-posix || need+=(g++-mingw-w64-i686)
have x86_64-w64-mingw32-g++-posix || need+=(g++-mingw-w64-x86-64-posix)
have wine || need+=(wine)
# The 32-bit loader is wanted where the machine can run it; the 64-bit one is what every machine runs.
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
[ -f /usr/share/wine/fonts/marlett.ttf ] || need+=(fonts-wine)
dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
have Xvfb || need+=(xvfb xauth)
have xdotool || need+=(xdotool)
have xwininfo || need+=(x11-utils)
have import || need+=(imagemagick)
have cmake || need+=(cmake)
have make || need+=(make)
have g++ || need+=(g++)
have zip || need+=(zip)
# The Windows Installer packages and the checks of the Administrative Templates.
have wixl || need+=(wixl)
have msiinfo || need+=(msitools)
have xmllint || need+=(libxml2-utils)
[ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
have clang++ || need+=(clang)
# The fuzz target links libFuzzer's run-time, which Debian ships apart from clang.
compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a' >/dev/null || need+=(libclang-rt-14-dev)

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
echo "setup: installing ${need[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
