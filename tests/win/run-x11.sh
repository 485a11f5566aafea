#!/usr/bin/env bash
# The confirmation dialog's layout cases under Xvfb at 800x600 with Wine's X11 driver. The driver is
# a setting of the Wine prefix, so they run in a prefix of their own under the build folder (made on
# the first run), and the suite's prefix keeps the null driver. Everything Wine started here ends
# before the X server does. Leaves a screenshot of each dialog, confirmation-*.png, in the build
# folder.
# Usage: run-x11.sh TEST-PROGRAM BUILD-FOLDER
set -uo pipefail
export PROGRAM=$1 SHOTS=$2
export WINEPREFIX=$2/wineprefix-x11 WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
rm -f "$SHOTS"/confirmation-*.ready "$SHOTS"/confirmation-*.taken "$SHOTS"/confirmation-*.png

# Inside the X server: runs the cases and photographs each dialog when the test says it is up.
in_x_server() {
    [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f >/dev/null 2>&1
    # No window manager runs here: Wine draws the title bars itself.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
    CONFIRMATION_SCREENSHOTS="Z:$SHOTS" wine "$PROGRAM" --gtest_filter='ConfirmationLayout.*' &
    local test=$! ready
    while kill -0 "$test" 2>/dev/null; do
        for ready in "$SHOTS"/confirmation-*.ready; do
            [ -f "$ready" ] && [ ! -f "${ready%.ready}.taken" ] || continue
            import -window root "${ready%.ready}.png"
            touch "${ready%.ready}.taken"
        done
        sleep 0.1
    done
    wait "$test"
    local status=$?
    wineserver -k >/dev/null 2>&1
    return $status
}

# xvfb-run is a sh script, which drops exported functions: the function goes in as text.
xvfb-run -a -s '-screen 0 800x600x24' bash -c "$(declare -f in_x_server); in_x_server"
status=$?
rm -f "$SHOTS"/confirmation-*.ready "$SHOTS"/confirmation-*.taken
ls "$SHOTS"/confirmation-*.png 2>/dev/null | sed 's/^/screenshot: /'
exit $status
