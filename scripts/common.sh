# Shared by the README's commands: packages, build folders and Wine prefixes of our own.
# Sourced, not run.

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$ROOT/build}
# The trees' folders and prefixes; what else a tree needs is below ("The trees").
NATIVE_BUILD=$BUILD_DIR/native
WIN64_BUILD=$BUILD_DIR/win64
WIN_BUILD=$BUILD_DIR/win
export WINEPREFIX=${WINEPREFIX:-$BUILD_DIR/wineprefix}
export WINEARCH=win32
# The 64-bit programs run in a 64-bit prefix of their own (in_tree win64, start_wine64).
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

# ---- The trees
# The three configurations, in the order they are built:
#   native  the portable code under AddressSanitizer and UndefinedBehaviorSanitizer, no Wine;
#   win64   x86_64 mingw-w64, built before win32: the setup program carries its DLL;
#   win32   i686 mingw-w64, with the setup program; the 64-bit tree's end-to-end cases run its host
#           and DLL beside their own.
TREES=(native win64 win32)
# Set for every tree (use_benchmark_trees adds the benchmarks).
TREE_OPTIONS=()

# The benchmarks' Windows trees: folders of their own, with the benchmarks beside the product.
use_benchmark_trees() {
    WIN64_BUILD=$BUILD_DIR/bench-win64
    WIN_BUILD=$BUILD_DIR/bench-win
    TREE_OPTIONS=(-DVX_BENCH=ON)
}

tree_label() {
    case $1 in
        native) echo "native (AddressSanitizer, UndefinedBehaviorSanitizer)" ;;
        win64) echo "64-bit Windows" ;;
        win32) echo "32-bit Windows" ;;
        *) return 1 ;;
    esac
}

tree_folder() {
    case $1 in
        native) echo "$NATIVE_BUILD" ;;
        win64) echo "$WIN64_BUILD" ;;
        win32) echo "$WIN_BUILD" ;;
        *) return 1 ;;
    esac
}

# in_tree TREE COMMAND...: COMMAND in the tree's Wine prefix (the native tree has none).
in_tree() {
    local tree=$1
    shift
    case $tree in
        win64) WINEPREFIX=$WINEPREFIX64 WINEARCH=win64 "$@" ;;
        win32) WINEPREFIX=$WINEPREFIX WINEARCH=win32 "$@" ;;
        *) "$@" ;;
    esac
}

# build_one_tree TREE [BUILD-ARGUMENTS...]: configures and builds one tree with its CMake arguments.
build_one_tree() {
    local tree=$1
    shift
    # Every tree these scripts build is for development and tests: the setup's host manifests also
    # allow the development extension id, which the unpacked extension has (a release is configured
    # without it and with the store ids: installer/README.md).
    local windows=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DVX_DEVELOPMENT_EXTENSION_ID=ON "${TREE_OPTIONS[@]}")
    case $tree in
        native)
            build_tree "$(tree_label native)" "$ROOT" "$NATIVE_BUILD" -DCMAKE_BUILD_TYPE=Debug "${TREE_OPTIONS[@]}" -- "$@" ;;
        win64)
            build_tree "$(tree_label win64)" "$ROOT" "$WIN64_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/x86_64-mingw.cmake" \
                "${windows[@]}" -DVX_WIN32_BUILD="$WIN_BUILD" -- "$@" ;;
        win32)
            build_tree "$(tree_label win32)" "$ROOT" "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/i686-mingw.cmake" \
                "${windows[@]}" -DVX_PLUGIN64="$WIN64_BUILD/npVxPlug.dll" -- "$@" ;;
        *)
            echo "no tree $tree (trees: ${TREES[*]})" >&2
            return 1 ;;
    esac
}

# build_trees TREE[:TARGET,TARGET...]...: builds the trees named, whole or only the targets given,
# in the order of TREES whatever the order named; the first failure stops it. What one tree needs
# of the other is added when that one is not built whole: the 32-bit tree built whole makes the
# setup program, which needs the 64-bit DLL first; the 64-bit tree built whole runs the 32-bit
# host and DLL in its end-to-end cases. TREE_SECONDS[TREE]: the seconds each took.
declare -A TREE_SECONDS=()
build_trees() {
    local -A targets=()
    local spec tree
    for spec in "$@"; do
        tree=${spec%%:*}
        tree_label "$tree" >/dev/null || { echo "no tree $tree (trees: ${TREES[*]})" >&2; return 1; }
        if [[ $spec == *:* ]]; then targets[$tree]=${spec#*:}; else targets[$tree]=; fi
    done
    # tree_needs TREE TARGET...: the targets are built in TREE, unless it is built whole anyway.
    tree_needs() {
        local tree=$1
        shift
        if [[ ! -v targets[$tree] ]]; then
            targets[$tree]=$(IFS=,; echo "$*")
        elif [ -n "${targets[$tree]}" ]; then
            targets[$tree]+=$(printf ',%s' "$@")
        fi
    }
    [[ -v targets[win32] && -z ${targets[win32]} ]] && tree_needs win64 npVxPlug
    [[ -v targets[win64] && -z ${targets[win64]} ]] && tree_needs win32 npVxPlug vxhost
    local begun build=()
    for tree in "${TREES[@]}"; do
        [[ -v targets[$tree] ]] || continue
        build=()
        [ -n "${targets[$tree]}" ] && build=(--target ${targets[$tree]//,/ })
        begun=$SECONDS
        build_one_tree "$tree" "${build[@]}" || return 1
        TREE_SECONDS[$tree]=$((SECONDS - begun))
    done
}
