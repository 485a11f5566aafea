# Wine prefixes of our own, for the README's commands and the end-to-end cases. Sourced, not run.
#   wine_prefix_start PREFIX ARCH [GRAPHICS [LINGER]]
#       makes PREFIX (ARCH win32 or win64) on first use, sets the graphics driver (null unless x11
#       is asked for), starts a wineserver of its own that stays up between programs (LINGER
#       seconds after the last one ends; for good when empty) and exports WINEPREFIX and WINEARCH.
#   wine_prefix_stop PREFIX
#       stops that prefix's server and every Wine program still running in it.
# With WINE_PREFIX_TEMPLATES set to a folder, a new prefix is a copy of a pristine one of its
# architecture kept there, made once: a copy takes a second, wineboot 5 to 20 s.

export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

wine_prefix_stop() {
    WINEPREFIX=$1 wineserver -k </dev/null >/dev/null 2>&1
    WINEPREFIX=$1 timeout 30 wineserver -w </dev/null >/dev/null 2>&1
    return 0
}

# The Graphics value of HKCU\Software\Wine\Drivers as the prefix's user.reg holds it (read with no
# server running, which is when the file is current).
wine_prefix_graphics() {
    awk '/^\[/ { inside = ($0 ~ /^\[Software\\\\Wine\\\\Drivers\]/) }
         inside && /^"Graphics"=/ { sub(/^"Graphics"="/, ""); sub(/"$/, ""); print; exit }' "$1/user.reg" 2>/dev/null
}

# Drivers are chosen when a prefix's first programs start (Wine's desktop keeps the one it started
# with), so the setting is made with the server stopped, and the server stopped again after it.
wine_prefix_set_graphics() {
    local prefix=$1 arch=$2 graphics=$3
    [ "$(wine_prefix_graphics "$prefix")" = "$graphics" ] && return 0
    WINEPREFIX=$prefix WINEARCH=$arch timeout 60 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d "$graphics" /f \
        </dev/null >/dev/null 2>&1 || { echo "wineprefix: Wine does not run in $prefix" >&2; return 1; }
    wine_prefix_stop "$prefix"
}

wine_prefix_boot() {
    local prefix=$1 arch=$2
    echo "wineprefix: preparing $prefix ($arch)" >&2
    rm -rf "$prefix"
    mkdir -p "$(dirname "$prefix")"
    WINEPREFIX=$prefix WINEARCH=$arch timeout 180 wineboot -i </dev/null >/dev/null 2>&1
    wine_prefix_stop "$prefix"
    [ -f "$prefix/system.reg" ] || { echo "wineprefix: wineboot made no prefix in $prefix" >&2; return 1; }
    wine_prefix_set_graphics "$prefix" "$arch" null
}

wine_prefix_create() {
    local prefix=$1 arch=$2
    [ -f "$prefix/system.reg" ] && return 0
    if [ -z "${WINE_PREFIX_TEMPLATES:-}" ]; then
        wine_prefix_boot "$prefix" "$arch"
        return
    fi
    local template=$WINE_PREFIX_TEMPLATES/$arch
    mkdir -p "$WINE_PREFIX_TEMPLATES" "$(dirname "$prefix")"
    # Two builds may ask for the same template at once: one makes it, the other waits.
    (
        flock 9
        [ -f "$template/system.reg" ] || wine_prefix_boot "$template" "$arch"
    ) 9>"$template.lock" || return 1
    rm -rf "$prefix"
    mkdir -p "$prefix"
    # Wine's own DLLs and data files, nine tenths of a prefix (600 MB for win32, 1.2 GB for win64),
    # are never written after wineboot: hard links to the template's. The rest is copied.
    local system=(drive_c/windows/system32 drive_c/windows/syswow64)
    tar -C "$template" "${system[@]/#/--exclude=./}" --exclude=./wineserver -cf - . | tar -C "$prefix" -xf - ||
        { echo "wineprefix: could not copy $template" >&2; return 1; }
    local folder
    for folder in "${system[@]}"; do
        [ -d "$template/$folder" ] || continue
        cp -al "$template/$folder" "$prefix/$folder" 2>/dev/null || cp -a "$template/$folder" "$prefix/$folder" ||
            { echo "wineprefix: could not copy $template/$folder" >&2; return 1; }
    done
}

wine_prefix_start() {
    local prefix=$1 arch=$2 graphics=${3:-null} linger=${4:-}
    wine_prefix_stop "$prefix"
    wine_prefix_create "$prefix" "$arch" || return 1
    wine_prefix_set_graphics "$prefix" "$arch" "$graphics" || return 1
    export WINEPREFIX=$prefix WINEARCH=$arch
    wineserver "-p$linger" </dev/null >/dev/null 2>&1
    # The prefix's service processes start with the first program and keep its standard handles as
    # long as the server lives: here they get none, so they never hold a caller's pipe open (ctest
    # would wait for them).
    timeout 60 wine reg query 'HKCU\Software\Wine\Drivers' </dev/null >/dev/null 2>&1 ||
        { echo "wineprefix: Wine does not run in $prefix" >&2; return 1; }
}
