# Sourced by the scripts that start Wine: which Windows builds this machine can run, and the
# environment that runs one of them.

wine_scripts_dir=$(realpath "$(dirname "${BASH_SOURCE[0]}")")

# Some kernels do not execute 32-bit Linux programs at all, and then the 32-bit loader cannot
# start whatever is installed: only trying it tells.
wine32_runs() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The builds worth testing here, the primary one first.
wine_runnable_arches() {
    if wine32_runs; then echo "win32 win64"; else echo "win64"; fi
}

# One line for the log: what runs here and why.
wine_arches_reason() {
    if wine32_runs; then
        echo "this machine runs 32-bit programs: testing the 32-bit and the 64-bit build"
    else
        echo "this machine cannot run 32-bit programs (the 32-bit Wine loader does not start): testing the 64-bit build only"
    fi
}

# The build folder's processor, as CMake wrote it at configure time.
wine_arch_of() {
    cat "$1/wine-arch"
}

# Prints the export lines of the environment that runs programs of ARCH; PREFIX is the Wine prefix.
wine_env_lines() {
    local arch=$1 prefix=$2
    echo "export WINEPREFIX='$prefix'"
    echo "export WINEARCH=$arch"
    echo "export WINEDEBUG=-all"
    echo "export WINEDLLOVERRIDES='mscoree,mshtml='"
    if [ "$arch" = win64 ]; then
        # wineboot and the other tools start wine-stable themselves: they find ours first in PATH,
        # and programs Wine starts by itself use WINELOADER.
        echo "export WINELOADER=/usr/lib/wine/wine64"
        echo "export PATH='$wine_scripts_dir/wine64':\"\$PATH\""
    fi
}

# Sets up the current shell for ARCH and PREFIX.
wine_use() {
    eval "$(wine_env_lines "$1" "$2")"
}
