#!/usr/bin/env bash
# End-to-end cases under Wine, in a prefix of their own: the host (vxhost.exe) runs the real plug-in
# or the probe plug-in on a page, with real dialogs answered by its automation; the reference client
# (vxclient.exe) takes up what the plug-in submits.
#   e2e.sh --list          every case as "SUITE.NAME SECONDS" (ctest reads this list)
#   e2e.sh SUITE.NAME      one case, in a work folder and a machine state of its own
#   e2e.sh prepare|finish  the prefix and its server, before and after the cases
# A suite is a file cases/SUITE.sh, all of them sourced into one shell; each says at its top what it
# checks. Helpers: lib.sh (shared with scripts/demo); the prefix and its server: scripts/wineprefix.sh
# (WINE_PREFIX_HELPER, set by ctest like the rest of the environment, see CMakeLists.txt).
#
# The 64-bit build runs the cases whose ARCHITECTURES[NAME] names win64 (the default is win32 only),
# with E2E_ARCH=win64: its own host, client and DLL in a 64-bit prefix. There the host finds the DLL
# through the registry ("${PLUGIN[@]}" in a case), with the 32-bit build's DLL registered beside it.
#
# Adding a case: write a function case_NAME in the suite's file (its checks are the expect_* and
# fail helpers of lib.sh; every Wine program through run/host/client, which keep its output in
# $WORK); a case needing more than 150 s sets TIME_LIMIT[NAME]. Re-run cmake (scripts/test does) and
# it is the ctest entry e2e.SUITE.NAME. Each case starts with no client, no settings, no plug-in
# registration and no DDE name, the pages of pages/ and examples/ in $PAGES, and C:\e2e\dl, up, x.
set -uo pipefail

E2E_SOURCE=${E2E_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}
source "$E2E_SOURCE/lib.sh"

E2E_ARCH=${E2E_ARCH:-win32}
declare -A TIME_LIMIT=() ARCHITECTURES=()
SUITES=()
for suite_file in "$E2E_SOURCE"/cases/*.sh; do
    source "$suite_file"
    SUITES+=("$(basename "$suite_file" .sh)")
done

if [ "${1:-}" = --list ]; then
    declare -A seen=()
    for suite in "${SUITES[@]}"; do
        for name in $(sed -nE 's/^case_([A-Za-z0-9_]+)\(\).*/\1/p' "$E2E_SOURCE/cases/$suite.sh"); do
            # Every suite is sourced into one shell: a second case_NAME would replace the first.
            [ -z "${seen[$name]:-}" ] || { echo "e2e.sh: case $name is in ${seen[$name]} and $suite" >&2; exit 1; }
            seen[$name]=$suite
            [[ " ${ARCHITECTURES[$name]:-win32} " == *" $E2E_ARCH "* ]] || continue
            echo "$suite.$name ${TIME_LIMIT[$name]:-150}"
        done
    done
    exit 0
fi

CASE=${1:?usage: e2e.sh --list | SUITE.NAME | prepare | finish}
: "${VXHOST:?}" "${VXCLIENT:?}" "${VXPLUGIN:?}" "${VXPROBE:?}" "${E2E_WORK:?}" "${E2E_PREFIX:?}" "${EXAMPLES:?}"
: "${WINE_PREFIX_HELPER:?}"
export WINEPREFIX=$E2E_PREFIX WINEARCH=$E2E_ARCH WINEDEBUG=-all
source "$WINE_PREFIX_HELPER"
# Each suite's prefix is a copy of one made once (scripts/test gives its own, shared by all trees).
export WINE_PREFIX_TEMPLATES=${WINE_PREFIX_TEMPLATES:-${E2E_PREFIX%/*}/wineprefix-templates}
unset DISPLAY VXPROBE_LOG VXPROBE_REFUSE_LOAD

C=$WINEPREFIX/drive_c
WORK=$E2E_WORK/$CASE
PAGES=$WORK/pages
CLIENT_DIR=$C/e2e/client

# How a case hands the plug-in to the host: with --plugin in the 32-bit run; through the registry in
# the 64-bit one, where reset_machine registers both DLLs side by side.
if [ "$E2E_ARCH" = win64 ]; then PLUGIN=(); else PLUGIN=(--plugin "$(winpath "$VXPLUGIN")"); fi

request_files() { ls "$C/e2e/requests" 2>/dev/null | tr '\n' ' ' | sed 's/ $//'; }

# Each DLL registered for one user as the setup program registers it: one id per architecture,
# since browsers of both read the same HKCU key. The 32-bit build's DLL when it is known.
register_plugins_side_by_side() {
    quietly wine reg add 'HKCU\Software\MozillaPlugins\@tolvane.example/VexoPlug64' /v Path /d "$(winpath "$VXPLUGIN")" /f
    [ -z "${VXPLUGIN32:-}" ] ||
        quietly wine reg add 'HKCU\Software\MozillaPlugins\@tolvane.example/VexoPlug' /v Path /d "$(winpath "$VXPLUGIN32")" /f
}

# Nothing of another case is left: no client, no settings, no plug-in registrations (in the 64-bit run:
# only the two above), no DDE name.
reset_machine() {
    stop_client
    uninstall_client
    quietly wine reg delete 'HKCU\Software\MozillaPlugins' /f
    [ "$E2E_ARCH" = win64 ] && register_plugins_side_by_side
    unregister_dde_name
    rm -rf "$C/e2e"
    mkdir -p "$C/e2e/dl" "$C/e2e/up" "$C/e2e/x"
    printf 'payload\n' >"$C/e2e/up/data.txt"
}

case "$CASE" in
prepare)
    # A server of our own that outlives single cases, and ends by itself if nobody stops it.
    wine_prefix_start "$WINEPREFIX" "$E2E_ARCH" null 30 || { echo "FAIL [prepare]: Wine does not run in $WINEPREFIX"; exit 1; }
    echo "PASS [prepare]"
    exit 0
    ;;
finish)
    stop_client
    wine_prefix_stop "$WINEPREFIX"
    echo "PASS [finish]"
    exit 0
    ;;
esac

suite=${CASE%%.*} name=${CASE#*.}
[ "$suite" != "$CASE" ] && [ -f "$E2E_SOURCE/cases/$suite.sh" ] && type "case_$name" >/dev/null 2>&1 &&
    grep -q "^case_$name()" "$E2E_SOURCE/cases/$suite.sh" || { echo "unknown case $CASE (e2e.sh --list)"; exit 2; }
rm -rf "$WORK"
mkdir -p "$PAGES"
cp -r "$E2E_SOURCE/pages/." "$EXAMPLES/." "$PAGES/"
reset_machine
trap stop_client EXIT
"case_$name"
stop_client
if [ "$failures" -eq 0 ]; then
    echo "PASS [$CASE]"
    exit 0
fi
echo "FAIL [$CASE]: $failures check(s) failed; files in $WORK"
exit 1
