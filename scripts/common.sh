# Shared by the README's commands: packages, build folders and Wine prefixes of our own.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
WIN_BUILD=$BUILD_DIR/win
WIN64_BUILD=$BUILD_DIR/win64
NATIVE_BUILD=$BUILD_DIR/native
export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win32
# The 64-bit programs run in a 64-bit prefix of their own (start_wine64; the variables below apply
# only where a command names them).
WINEPREFIX64=${WINEPREFIX64:-$BUILD_DIR/wineprefix64}
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
JOBS=${JOBS:-$(nproc)}

log() { printf '== %s\n' "$*" >&2; }

# Debian packages; quiet and quick when everything is already there.
install_dependencies() {
    local wanted=(g++-mingw-w64-i686 g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 xvfb xauth cmake g++ clang libclang-rt-14-dev imagemagick nsis)
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
start_wine() { start_wine_in "$WINEPREFIX" win32; }
start_wine64() { start_wine_in "$WINEPREFIX64" win64; }
stop_wine() { wineserver -k >/dev/null 2>&1 || true; }
stop_wine64() { WINEPREFIX=$WINEPREFIX64 WINEARCH=win64 wineserver -k >/dev/null 2>&1 || true; }

start_wine_in() {
    local WINEPREFIX=$1 WINEARCH=$2
    export WINEPREFIX WINEARCH
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        log "preparing Wine prefix $WINEPREFIX ($WINEARCH)"
        wineboot -i >/dev/null 2>&1 || true
    fi
    wineserver -p
    # Headless: the null graphics driver still gives real windows, buttons and dialogs.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "${WINE_GRAPHICS:-null}" /f >/dev/null 2>&1
}

# The 32-bit tree also builds the setup program, which carries the 64-bit DLL when build/win64 has
# one (scripts/test builds that first).
build_windows() {
    local plugin64=$WIN64_BUILD/npVxPlug.dll
    [ -f "$plugin64" ] || plugin64=
    build_windows_in "$WIN_BUILD" i686 -DVX_PLUGIN64="$plugin64"
}
# The 64-bit twin: the same sources, its own folder; the plug-in, the host, the client and the tests.
# Its end-to-end cases use the 32-bit build's host and DLL beside its own.
build_windows64() { build_windows_in "$WIN64_BUILD" x86_64 -DVX_WIN32_BUILD="$WIN_BUILD"; }

build_windows_in() {
    local folder=$1 machine=$2
    shift 2
    log "building the plug-in ($machine mingw-w64) in $folder"
    cmake -S "$ROOT" -B "$folder" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$machine-mingw.cmake" \
          -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$folder" -j "$JOBS" -- --no-print-directory | grep -vE '^\[ *[0-9]+%\] (Building|Linking)' || true
    [ -f "$folder/npVxPlug.dll" ]
}

build_native() {
    log "building the portable code natively (AddressSanitizer, UndefinedBehaviorSanitizer)"
    cmake -S "$ROOT" -B "$NATIVE_BUILD" -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$NATIVE_BUILD" -j "$JOBS" -- --no-print-directory | grep -vE '^\[ *[0-9]+%\] (Building|Linking)' || true
}
