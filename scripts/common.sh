# Shared by the README's commands: packages, build folders and a Wine prefix of our own.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
WIN_BUILD=$BUILD_DIR/win
NATIVE_BUILD=$BUILD_DIR/native
export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win32
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
JOBS=${JOBS:-$(nproc)}

log() { printf '== %s\n' "$*" >&2; }

# Debian packages; quiet and quick when everything is already there.
install_dependencies() {
    local wanted=(g++-mingw-w64-i686 wine wine32:i386 xvfb xauth cmake g++ clang libclang-rt-14-dev imagemagick nsis)
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

# One wineserver for the whole run, stopped on every exit path by the caller's trap.
start_wine() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        log "preparing Wine prefix $WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
    fi
    wineserver -p
    # Headless: the null graphics driver still gives real windows, buttons and dialogs.
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "${WINE_GRAPHICS:-null}" /f >/dev/null 2>&1
}

stop_wine() {
    wineserver -k >/dev/null 2>&1 || true
}

build_windows() {
    log "building the plug-in (i686 mingw-w64)"
    cmake -S "$ROOT" -B "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/i686-mingw.cmake" \
          -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$WIN_BUILD" -j "$JOBS" -- --no-print-directory | grep -vE '^\[ *[0-9]+%\] (Building|Linking)' || true
    [ -f "$WIN_BUILD/npVxPlug.dll" ]
}

build_native() {
    log "building the portable code natively (AddressSanitizer, UndefinedBehaviorSanitizer)"
    cmake -S "$ROOT" -B "$NATIVE_BUILD" -DCMAKE_BUILD_TYPE=Debug >/dev/null
    cmake --build "$NATIVE_BUILD" -j "$JOBS" -- --no-print-directory | grep -vE '^\[ *[0-9]+%\] (Building|Linking)' || true
}
