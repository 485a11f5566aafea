#!/bin/sh
# vxbridge.exe as a Linux browser's native messaging host: the host manifest's "path" names this
# script, and the browser starts it with pipes as its standard input and output and its own
# arguments (Chromium: the extension's origin; Firefox: the manifest's path and the extension's id),
# which go on to vxbridge.exe. It runs under Wine, in the prefix the environment names:
#   VXBRIDGE_EXE         vxbridge.exe, a Unix path
#   VXBRIDGE_WINEPREFIX  the prefix: prepared (the null graphics driver), the client installed in
#                        it, and its wineserver started beforehand (wineserver -p) so that a click
#                        does not pay for the server's start
#   VXBRIDGE_LOG         where Wine's standard error is appended (/dev/null unless given); never the
#                        browser's, which a wineserver started from here would keep open
# The browser passes its environment on: set these where the browser is started.
: "${VXBRIDGE_EXE:?the launcher needs VXBRIDGE_EXE}"
: "${VXBRIDGE_WINEPREFIX:?the launcher needs VXBRIDGE_WINEPREFIX}"
WINEPREFIX=$VXBRIDGE_WINEPREFIX WINEDEBUG=-all exec wine "$VXBRIDGE_EXE" "$@" 2>>"${VXBRIDGE_LOG:-/dev/null}"
