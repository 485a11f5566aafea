#!/usr/bin/env bash
# Run by scripts/demo inside xvfb-run: shows the download page with Wine's X11 driver in a Wine
# desktop of its own and saves PNG files: the host window with the plug-in's button and the
# Save-As dialog over it, the plug-in's confirmation of a file a page names (answered No), and,
# given the setup program, its first page (the setup is then closed before it installs anything).
# The host tells the plug-in each page's address on SITE, which the dialogs name.
# Usage: screenshots.sh HOST_EXE SITE PAGE_WINPATH SAVE_AS_PATH OUT_DIR NAMED_FILE_PAGE_WINPATH [SETUP_EXE]
set -uo pipefail
host=$1 site=$2 page=$3 target=$4 out=$5 named=$6 setup=${7:-}
log=$out/demo-screenshots.log
source "$(dirname "$0")/../../tests/e2e/lib.sh"
address() { printf '%s/%s' "$site" "${1##*\\}"; }  # the page's address on the site, from its Windows path

wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d x11 /f </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Demo /f </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Demo /d 800x600 /f </dev/null >/dev/null 2>&1
# The drivers are chosen when the server's first processes start.
wineserver -k; wineserver -w; wineserver -p

timeout -k 5 60 wine "$host" --timeout 40 --url "$(address "$page")" --pause 2500 --answer-delay 2500 --click 1 \
    --answer "$(save_title "$site")=$target" --shutdown "$page" </dev/null >"$log" 2>&1 &
pid=$!

wait_for() {  # a line matching $1 in the host's output (or in file $2), 20 s at most
    local file=${2:-$log}
    for _ in $(seq 100); do grep -qsE "$1" "$file" && return 0; sleep 0.2; done
    echo "screenshots: the host never printed /$1/" >&2
    return 1
}
status=0
if wait_for '^vxhost: page shown'; then
    sleep 1
    import -window root "$out/demo-host-window.png" || status=1
else
    status=1
fi
if wait_for '^dialog: file dialog .* open'; then
    sleep 1.2
    import -window root "$out/demo-save-as-dialog.png" || status=1
else
    status=1
fi
wait "$pid" || status=1

: >"$log.named"
timeout -k 5 60 wine "$host" --timeout 40 --url "$(address "$named")" --answer-delay 2500 --click 1 \
    --answer "Tolvane Message =No" --shutdown "$named" </dev/null >"$log.named" 2>&1 &
pid=$!
if wait_for '^dialog: box "Tolvane Message " open' "$log.named"; then
    sleep 1.5
    import -window root "$out/demo-confirmation.png" || status=1
else
    status=1
fi
wait "$pid" || status=1
cat "$log.named" >>"$log" && rm -f "$log.named"

if [ -n "$setup" ]; then
    timeout -k 5 30 wine "$setup" </dev/null >>"$log" 2>&1 &
    pid=$!
    sleep 5
    import -window root "$out/demo-setup.png" || status=1
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
fi

wine reg delete 'HKCU\Software\Wine\Explorer' /v Desktop /f </dev/null >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1
wineserver -k; wineserver -w
exit $status
