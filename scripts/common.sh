# Shared by the README's commands: packages, build folders and Wine prefixes of our own.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
WIN_BUILD=$BUILD_DIR/win
WIN64_BUILD=$BUILD_DIR/win64
NATIVE_BUILD=$BUILD_DIR/native
export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix}
export WINEARCH=win32
# The 64-bit programs run in a 64-bit prefix of their own (start_wine64; the variables below apply
# only where a command names them).
WINEPREFIX64=${WINEPREFIX64:-$BUILD_DIR/wineprefix64}
JOBS=${JOBS:-$(nproc)}
# ccache where it is installed (never needed): it counts when a tree is configured the first time.
if command -v ccache >/dev/null 2>&1; then
    export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
    export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
    # Without these ccache passes over every file compiled with the precompiled header.
    export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros}
fi

log() { printf '== %s\n' "$*" >&2; }

# Debian packages; quiet and quick when everything is already there.
install_dependencies() {
    local wanted=(g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 xvfb xauth cmake ninja-build g++ clang libclang-rt-14-dev imagemagick nsis nlohmann-json3-dev)
    local missing=()
    for package in "${wanted[@]}"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# One wineserver per prefix for the whole run, stopped on every exit path by the caller's trap.
source "$ROOT/scripts/wineprefix.sh"
start_wine() { wine_prefix_start "$WINEPREFIX" win32 "${WINE_GRAPHICS:-null}"; }
start_wine64() { (wine_prefix_start "$WINEPREFIX64" win64 "${WINE_GRAPHICS:-null}"); }
stop_wine() { wine_prefix_stop "$WINEPREFIX"; }
stop_wine64() { wine_prefix_stop "$WINEPREFIX64"; }

# build_tree LABEL SOURCE FOLDER [CMAKE-ARGUMENTS...] [-- BUILD-ARGUMENTS...]: configures and builds
# one tree. A failure of either step fails it and names the configuration; nothing is taken from an
# earlier build in its place.
build_tree() {
    local label=$1 source=$2 folder=$3 configure=()
    shift 3
    while [ $# -gt 0 ] && [ "$1" != -- ]; do configure+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    log "building $label in $folder"
    local begun=$SECONDS
    # Ninja for a new tree (it keeps both cores busier than make and checks a built tree at once); a
    # tree made with make stays with it.
    [ -f "$folder/CMakeCache.txt" ] || ! command -v ninja >/dev/null 2>&1 || configure+=(-G Ninja)
    if ! cmake -S "$source" -B "$folder" "${configure[@]}" >/dev/null; then
        echo "$label: configuring $folder failed" >&2
        return 1
    fi
    local configured=$SECONDS
    # The progress lines are left out; warnings and errors stay.
    cmake --build "$folder" -j "$JOBS" "$@" 2>&1 |
        grep --line-buffered -vE '^\[ *[0-9]+%\] (Building|Linking|Built target)|^\[[0-9]+/[0-9]+\] |^g?make(\[[0-9]+\])?: (Entering|Leaving)'
    local status=${PIPESTATUS[0]}
    if [ "$status" -ne 0 ]; then
        echo "$label: the build in $folder failed (exit $status)" >&2
        return 1
    fi
    log "$label: configured in $((configured - begun)) s, built in $((SECONDS - configured)) s"
}

# The Windows trees, 32-bit (i686) and 64-bit (x86_64): the plug-in, the host, the client and the
# tests. The 32-bit tree also builds the setup program, which carries the 64-bit DLL, so the 64-bit
# tree is built first; its end-to-end cases use the 32-bit build's host and DLL beside its own.
windows_tree() {
    local label=$1 folder=$2 machine=$3
    shift 3
    build_tree "$label" "$ROOT" "$folder" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$machine-mingw.cmake" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
}
build_windows() { windows_tree "32-bit Windows" "$WIN_BUILD" i686 -DVX_PLUGIN64="$WIN64_BUILD/npVxPlug.dll" "$@"; }
build_windows64() { windows_tree "64-bit Windows" "$WIN64_BUILD" x86_64 -DVX_WIN32_BUILD="$WIN_BUILD" "$@"; }

build_native() {
    build_tree "native (AddressSanitizer, UndefinedBehaviorSanitizer)" "$ROOT" "$NATIVE_BUILD" -DCMAKE_BUILD_TYPE=Debug "$@"
}
