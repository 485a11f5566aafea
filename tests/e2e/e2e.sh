#!/usr/bin/env bash
# End-to-end cases under Wine, in a prefix of their own: the host (vxhost.exe) runs the real plug-in
# or the probe plug-in on a page, with real dialogs answered by its automation; the reference client
# (vxclient.exe) takes up what the plug-in submits.
#   e2e.sh --list          every case as "SUITE.NAME SECONDS" (ctest reads this list)
#   e2e.sh SUITE.NAME      one case, in a work folder and a machine state of its own
#   e2e.sh prepare|finish  the prefix and its server, before and after the cases
# A suite is a file cases/SUITE.sh: tools.sh checks the host and the client themselves (with the
# probe plug-in), plugin.sh checks the plug-in. Helpers: lib.sh (shared with scripts/demo).
#
# Adding a case: write a function case_NAME in the suite's file (its checks are the expect_* and
# fail helpers of lib.sh; every Wine program through run/host/client, which keep its output in
# $WORK); a case needing more than 150 s sets TIME_LIMIT[NAME]. Re-run cmake (scripts/test does) and
# it is the ctest entry e2e.SUITE.NAME. Each case starts with no client, no settings, no plug-in
# registration and no DDE name, the pages of pages/ and examples/ in $PAGES, and C:\e2e\dl, up, x.
set -uo pipefail

E2E_SOURCE=${E2E_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)}
source "$E2E_SOURCE/lib.sh"

declare -A TIME_LIMIT=()
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
            echo "$suite.$name ${TIME_LIMIT[$name]:-150}"
        done
    done
    exit 0
fi

CASE=${1:?usage: e2e.sh --list | SUITE.NAME | prepare | finish}
: "${VXHOST:?}" "${VXCLIENT:?}" "${VXPLUGIN:?}" "${VXPROBE:?}" "${E2E_WORK:?}" "${E2E_PREFIX:?}" "${EXAMPLES:?}"
export WINEPREFIX=$E2E_PREFIX WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY VXPROBE_LOG VXPROBE_REFUSE_LOAD

C=$WINEPREFIX/drive_c
WORK=$E2E_WORK/$CASE
PAGES=$WORK/pages
CLIENT_DIR=$C/e2e/client

request_files() { ls "$C/e2e/requests" 2>/dev/null | tr '\n' ' ' | sed 's/ $//'; }

# Nothing of another case is left: no client, no settings, no plug-in registrations, no DDE name.
reset_machine() {
    stop_client
    uninstall_client
    quietly wine reg delete 'HKCU\Software\MozillaPlugins' /f
    unregister_dde_name
    rm -rf "$C/e2e"
    mkdir -p "$C/e2e/dl" "$C/e2e/up" "$C/e2e/x"
    printf 'payload\n' >"$C/e2e/up/data.txt"
}

case "$CASE" in
prepare)
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        note "preparing the Wine prefix $WINEPREFIX"
        timeout 180 wineboot -i </dev/null >/dev/null 2>&1
    fi
    # Headless: the null graphics driver. The desktop process started by wineboot keeps the driver it
    # started with, so the server starts again after the setting is in place.
    quietly wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f ||
        { echo "FAIL [prepare]: Wine does not run in $WINEPREFIX"; exit 1; }
    wineserver -k </dev/null >/dev/null 2>&1
    timeout 30 wineserver -w </dev/null >/dev/null 2>&1
    # A server of our own that outlives single cases, and ends by itself if nobody stops it.
    wineserver -p30 </dev/null >/dev/null 2>&1
    echo "PASS [prepare]"
    exit 0
    ;;
finish)
    stop_client
    wineserver -k </dev/null >/dev/null 2>&1
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
