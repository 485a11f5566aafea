#!/usr/bin/env bash
# End-to-end cases, one per call: e2e.sh CASE. The host (vxhost.exe) runs the real plug-in or the
# probe plug-in on a page, with real dialogs answered by its automation; the reference client
# (vxclient.exe) takes up what the plug-in submits. Everything runs under Wine in a prefix of its own.
# Every Wine program gets a time-out, and its output goes to files (never to ctest's pipe, which a
# process the plug-in started could otherwise hold open).
set -uo pipefail

CASE=${1:?usage: e2e.sh CASE}
: "${VXHOST:?}" "${VXCLIENT:?}" "${VXPLUGIN:?}" "${VXPROBE:?}" "${E2E_WORK:?}" "${E2E_PREFIX:?}" "${E2E_SOURCE:?}" "${EXAMPLES:?}"
export WINEPREFIX=$E2E_PREFIX WINEARCH=win32 WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
unset DISPLAY VXPROBE_LOG VXPROBE_REFUSE_LOAD

C=$WINEPREFIX/drive_c
WORK=$E2E_WORK/$CASE
PAGES=$WORK/pages
SETTINGS='HKCU\Software\TOLVANE\Tolvane Delivery\970128'
SAVE_TITLE='Tolvane : deliver package to ...'
OPEN_TITLE='Select : package to deliver ...'
failures=0

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
fail() { echo "FAIL [$CASE]: $*"; failures=$((failures + 1)); }
note() { echo "-- $*"; }

# Runs a Wine program with a time-out; NAME.out, NAME.err and NAME.rc in the work folder.
run() {
    local name=$1 limit=$2; shift 2
    timeout -k 5 "$limit" wine "$@" </dev/null >"$WORK/$name.out" 2>"$WORK/$name.err"
    local rc=$?
    echo "$rc" >"$WORK/$name.rc"
    [ "$rc" -eq 124 ] && fail "$name: killed after $limit s (hang)"
    return 0
}
host() { local name=$1; shift; run "$name" 60 "$VXHOST" --timeout 30 "$@"; }
client() { local name=$1; shift; run "$name" 30 "$VXCLIENT" "$@"; }
rc_of() { cat "$WORK/$1.rc"; }

show() {
    local name=$1
    echo "---- $name (exit $(rc_of "$name")) ----"
    cat "$WORK/$name.out"
    [ -s "$WORK/$name.err" ] && { echo "---- $name stderr ----"; cat "$WORK/$name.err"; }
    echo "----"
}

expect_rc() {
    local name=$1 want=$2
    [ "$(rc_of "$name")" = "$want" ] || { fail "$name: exit code $(rc_of "$name"), expected $want"; show "$name"; }
}

# The lines of FILE that start with one of the prefixes, compared with the expected text exactly.
expect_lines() {
    local label=$1 file=$2 pattern=$3 expected=$4 actual
    actual=$(grep -E "$pattern" "$file" | tr -d '\r')
    if [ "$actual" != "$expected" ]; then
        fail "$label"
        diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/    /'
    fi
}

expect_equal() {
    local label=$1 expected=$2 actual=$3
    if [ "$actual" != "$expected" ]; then
        fail "$label"
        diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") | sed 's/^/    /'
    fi
}

expect_grep() {
    local label=$1 pattern=$2 file=$3
    grep -qE -- "$pattern" "$file" || { fail "$label: no line matching /$pattern/ in $(basename "$file")"; sed 's/^/    /' "$file"; }
}

reg_text() {  # REG_SZ data of value $2 under key $1, or "<absent>"
    local out
    out=$(timeout 20 wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_SZ    //p")
    [ -n "$out" ] && printf '%s' "$out" || printf '<absent>'
}

client_running() { timeout 20 wine "$VXCLIENT" --status </dev/null >/dev/null 2>&1; }

start_client() {
    (timeout -k 5 120 wine "$VXCLIENT" </dev/null >"$WORK/client-run.out" 2>&1 &)
    for _ in $(seq 50); do client_running && return 0; sleep 0.2; done
    fail "the client did not come up"
}

stop_client() { timeout 30 wine "$VXCLIENT" --stop </dev/null >/dev/null 2>&1 || true; }

# Nothing of another case is left: no client, no settings, no plug-in registrations, no DDE name.
reset_machine() {
    stop_client
    timeout 20 wine "$VXCLIENT" --uninstall </dev/null >/dev/null 2>&1
    timeout 20 wine reg delete 'HKCU\Software\MozillaPlugins' /f </dev/null >/dev/null 2>&1
    timeout 20 wine reg delete 'HKCR\http\shell\open\ddeexec' /f </dev/null >/dev/null 2>&1
    rm -rf "$C/e2e"
    mkdir -p "$C/e2e/dl" "$C/e2e/up" "$C/e2e/x"
    printf 'payload\n' >"$C/e2e/up/data.txt"
}

install_client() {
    client install --install --plugin "$(winpath "$VXPLUGIN")" --data-dir 'C:\e2e\client' \
        --request-dir 'C:\e2e\requests' --delivery-dir 'C:\e2e\deliveries'
    expect_rc install 0
}

JOURNAL=$C/e2e/client/journal.txt
journal_count() { [ -f "$JOURNAL" ] && wc -l <"$JOURNAL" || echo 0; }
wait_for_journal() {  # until the journal has $1 lines, $2 seconds (10 unless given) at most
    for _ in $(seq $((${2:-10} * 5))); do [ "$(journal_count)" -ge "$1" ] && return 0; sleep 0.2; done
    fail "the journal has $(journal_count) lines, expected $1"
}
# Journal lines without their time stamp and file name: "kind<TAB>entries".
journal_requests() { cut -f3- "$JOURNAL" | tr -d '\r'; }
request_files() { ls "$C/e2e/requests" 2>/dev/null | tr '\n' ' ' | sed 's/ $//'; }
done_files() { ls "$C/e2e/client/done" 2>/dev/null; }

status_lines() { grep -E '^status: ' "$WORK/$1.out" | tr -d '\r'; }

finish_case() {
    stop_client
    if [ "$failures" -eq 0 ]; then
        echo "PASS [$CASE]"
        exit 0
    fi
    echo "FAIL [$CASE]: $failures check(s) failed; files in $WORK"
    exit 1
}

# ---------------------------------------------------------------------------------------------
# The host, with the probe plug-in

case_host_page() {
    export VXPROBE_LOG=$WORK/probe.log
    host page --plugin "$(winpath "$VXPROBE")" --click 1 --shutdown "$(winpath "$PAGES/probe-elements.html")"
    expect_rc page 0
    expect_lines "the probe saw the browser's calls in order" "$VXPROBE_LOG" '.' \
"NP_GetEntryPoints size=60
NP_Initialize version=0x000B size=88 memalloc works agent=Mozilla/4.0 (compatible; vxhost)
NPP_New type=application/x-vxprobe mode=1 argc=6
  type=\"application/x-vxprobe\"
  action=\"status\"
  Caption=\"Say \"hi\"\"
  width=\"200\"
  height=\"30\"
  hidden=\"\"
NPP_SetWindow 200x30 client 200x30 child of the browser window type 1
NPP_New type=application/x-vxprobe mode=1 argc=7
  data=\"sub/one.vxprobe\"
  width=\"150\"
  height=\"20\"
  action=\"object\"
  src=\"sub/one.vxprobe\"
  PARAM=\"\"
  p1=\"v<1>\"
NPP_SetWindow 150x20 client 150x20 child of the browser window type 1
NPP_New type=application/x-vxprobe mode=1 argc=3
  src=\"two.VXP2\"
  action=\"fallback-shown\"
  width=\"120\"
NPP_SetWindow 120x40 client 120x40 child of the browser window type 1
click status
NPP_Destroy status
NPP_Destroy object
NPP_Destroy fallback-shown
NP_Shutdown"
    expect_lines "the host reports instances, missing src files, the click and the shut-down" "$WORK/page.out" '^(vxhost|status): ' \
"vxhost: plug-in $(winpath "$VXPROBE") (application/x-vxprobe|application/x-vxprobe-other)
vxhost: page $(winpath "$PAGES/probe-elements.html"): 3 plug-in elements
vxhost: instance 1: <embed> at line 4, 200x30, 6 arguments
vxhost: instance 2: <object> at line 6, 150x20, 7 arguments
vxhost: instance 2: src file not found: $(winpath "$PAGES/sub/one.vxprobe"); no stream
vxhost: instance 3: <embed> at line 11, 120x40, 3 arguments
vxhost: instance 3: src file not found: $(winpath "$PAGES/two.VXP2"); no stream
vxhost: page shown
vxhost: click 1 on \"status\"
status: Document : Done
vxhost: click 1 done
vxhost: shut down (NP_Shutdown answered 0)"
}

case_host_stream() {
    export VXPROBE_LOG=$WORK/probe.log
    host stream --plugin "$(winpath "$VXPROBE")" --shutdown "$(winpath "$PAGES/probe-stream.html")"
    expect_rc stream 0
    local url="file:///Z:${PAGES}/request.vxprobe"
    grep -vE '^(  |NP_|NPP_New |NPP_SetWindow |NPP_Destroy )' "$VXPROBE_LOG" >"$WORK/streams.log"
    expect_lines "each stream arrives in chunks of what the plug-in is ready for, then as a file" "$WORK/streams.log" '.' \
"NPP_NewStream type=application/x-vxprobe url=$url end=35 seekable=0 offered=1
NPP_Write offset=0 len=7
NPP_Write offset=7 len=7
NPP_Write offset=14 len=7
NPP_Write offset=21 len=7
NPP_Write offset=28 len=7
NPP_StreamAsFile file=given bytes=35 same-as-written
NPP_DestroyStream reason=0
NPP_NewStream type=application/x-vxprobe url=$url end=35 seekable=0 offered=1
NPP_StreamAsFile file=given bytes=35 differs-from-written
NPP_DestroyStream reason=0
NPP_NewStream type=application/x-vxprobe-other url=$url end=35 seekable=0 offered=1
NPP_Write offset=0 len=35
NPP_DestroyStream reason=0"
    expect_lines "the local copy holds the whole file" "$VXPROBE_LOG" '^  content=' \
"  content=0123456789abcdefghij
  content=0123456789abcdefghij"
}

case_host_dialogs() {
    export VXPROBE_LOG=$WORK/probe.log
    local page probe
    page=$(winpath "$PAGES/probe-dialogs.html")
    probe=$(winpath "$VXPROBE")

    host save --plugin "$probe" --click 1 --answer 'Probe Save=C:\e2e\x\saved.dat' "$page"
    expect_rc save 0
    expect_grep "the Save-As dialog got the path" '^saved C:\\e2e\\x\\saved\.dat$' "$VXPROBE_LOG"
    expect_lines "the file dialog is reported with its answer" "$WORK/save.out" '^(dialog|status): ' \
'dialog: file dialog "Probe Save" open
dialog: file dialog "Probe Save" -> C:\e2e\x\saved.dat
status: Document : Done'

    host cancel --plugin "$probe" --click 1 --answer 'Probe Save=Cancel' "$page"
    expect_rc cancel 0
    expect_grep "Cancel closes the file dialog" '^save cancelled$' "$VXPROBE_LOG"

    host box --plugin "$probe" --clicks 2,2 --answer 'Probe Box=No' --answer 'Probe Box=Yes' "$page"
    expect_rc box 0
    expect_lines "message boxes get the buttons asked for, in order" "$VXPROBE_LOG" '^box answered' \
'box answered 7
box answered 6'
    expect_lines "a box is reported with its text" "$WORK/box.out" '^dialog: .*->' \
'dialog: box "Probe Box": Probe question -> No
dialog: box "Probe Box": Probe question -> Yes'

    host failure --plugin "$probe" --click 3 --answer 'Error=OK' "$page"
    expect_rc failure 0
    expect_grep "the box after a closing status text is answered before the click ends" '^failure box closed$' "$VXPROBE_LOG"

    host unexpected --plugin "$probe" --click 2 "$page"
    expect_rc unexpected 2
    expect_lines "an unexpected box fails the run with its title and text" "$WORK/unexpected.err" '.' \
'vxhost: error: unexpected box "Probe Box": Probe question'

    host nostatus --plugin "$probe" --click 4 "$page"
    expect_rc nostatus 2
    expect_lines "a click without a closing status text fails" "$WORK/nostatus.err" '.' \
'vxhost: error: click 4 ended without a closing status text (shown: none)'

    host missing --plugin "$probe" --click 1 --answer 'Probe Save=C:\e2e\x\a.dat' --answer 'Never Shown=OK' "$page"
    expect_rc missing 2
    expect_lines "an answer for a dialog that never came fails the run" "$WORK/missing.err" '.' \
'vxhost: error: the dialog "Never Shown" never appeared (answer OK unused)'

    host noinstance --plugin "$probe" --click 9 "$page"
    expect_rc noinstance 2
    expect_lines "a click on an instance the page lacks fails" "$WORK/noinstance.err" '.' \
'vxhost: error: there is no instance 9 (the page has 6)'
}

case_host_timeout() {
    local page probe started elapsed
    page=$(winpath "$PAGES/probe-dialogs.html")
    probe=$(winpath "$VXPROBE")
    started=$(date +%s)
    run hang 60 "$VXHOST" --timeout 3 --plugin "$probe" --click 5 "$page"
    elapsed=$(( $(date +%s) - started ))
    expect_rc hang 3
    expect_lines "a plug-in that never returns is ended by the time-out" "$WORK/hang.err" '.' \
'vxhost: error: time-out after 3 s during click 5'
    [ "$elapsed" -le 15 ] || fail "the time-out took $elapsed s"

    host dialog --timeout 3 --plugin "$probe" --click 1 --answer-delay 60000 --answer 'Probe Save=C:\e2e\x\b.dat' "$page"
    expect_rc dialog 3
    expect_lines "the time-out names the dialog still open" "$WORK/dialog.err" '.' \
'vxhost: error: time-out after 3 s during click 1; open dialogs: "Probe Save"'

    host crash --plugin "$probe" --click 6 "$page"
    expect_rc crash 4
    expect_grep "a crash in the plug-in ends the host with a clear line" '^vxhost: error: crashed with exception 0xC0000005 at address ' "$WORK/crash.err"
}

case_host_errors() {
    local probe
    probe=$(winpath "$VXPROBE")
    host nopage --plugin "$probe" --click 1 "$(winpath "$PAGES/missing.html")"
    expect_rc nopage 1
    expect_lines "a missing page" "$WORK/nopage.err" '.' \
"vxhost: error: page not found: $(winpath "$PAGES/missing.html")"

    host badpage --plugin "$probe" --click 1 "$(winpath "$PAGES/bad-quote.html")"
    expect_rc badpage 1
    expect_lines "a page whose quote never closes" "$WORK/badpage.err" '.' \
"vxhost: error: $(winpath "$PAGES/bad-quote.html"): 3: the value of caption in <embed> has no closing quote"

    host noelement --plugin "$probe" --click 1 "$(winpath "$PAGES/no-plugin.html")"
    expect_rc noelement 1
    expect_lines "a page without an element for the plug-in" "$WORK/noelement.err" '.' \
"vxhost: error: no <embed> or <object> for application/x-vxprobe|application/x-vxprobe-other in $(winpath "$PAGES/no-plugin.html")"

    host nodll --plugin "$(winpath "$WORK/nowhere.dll")" --click 1 "$(winpath "$PAGES/probe-dialogs.html")"
    expect_rc nodll 1
    expect_lines "a plug-in file that is not there" "$WORK/nodll.err" '.' \
"vxhost: error: plug-in file not found: $(winpath "$WORK/nowhere.dll")"

    printf 'not a library\n' >"$WORK/text.dll"
    host textdll --plugin "$(winpath "$WORK/text.dll")" --click 1 "$(winpath "$PAGES/probe-dialogs.html")"
    expect_rc textdll 1
    expect_grep "a file that is no library" "^vxhost: error: no version resource in Z:.*text\.dll: error " "$WORK/textdll.err"

    VXPROBE_REFUSE_LOAD=1 host refused --plugin "$probe" --click 1 "$(winpath "$PAGES/probe-dialogs.html")"
    expect_rc refused 1
    expect_grep "a library that refuses to load" "^vxhost: error: cannot load Z:.*npProbe\.dll: error 1114 " "$WORK/refused.err"

    for name in nopage badpage noelement nodll textdll refused; do
        [ "$(wc -l <"$WORK/$name.err")" -eq 1 ] || fail "$name: more than one error line"
    done

    host usage --click x "$(winpath "$PAGES/probe-dialogs.html")"
    expect_rc usage 1
    expect_grep "a bad option is named" '^vxhost: error: --click needs a number, not "x"$' "$WORK/usage.err"
}

case_host_discovery() {
    local page
    page=$(winpath "$PAGES/probe-dialogs.html")
    host none --list "$page"
    expect_rc none 1
    expect_lines "without a registered plug-in the host says where it looked" "$WORK/none.err" '.' \
'vxhost: error: no plug-in registered under HKCU\Software\MozillaPlugins (give one with --plugin PATH)'

    timeout 20 wine reg add 'HKCU\Software\MozillaPlugins\@probe.example/probe' /v Path /d "$(winpath "$VXPROBE")" /f </dev/null >/dev/null 2>&1
    install_client  # registers the real plug-in too
    host probe --list "$page"
    expect_rc probe 0
    expect_grep "the probe page finds the probe by its MIME type in the version resource (language 0407)" \
        "^vxhost: plug-in $(winpath "$VXPROBE" | sed 's/[\\.]/\\&/g') \(application/x-vxprobe\|application/x-vxprobe-other\) from HKCU\\\\Software\\\\MozillaPlugins\\\\@probe\.example/probe$" "$WORK/probe.out"
    host product --list "$(winpath "$EXAMPLES/download.html")"
    expect_rc product 0
    expect_lines "a product page finds the plug-in that the client registered" "$WORK/product.out" '^vxhost: (plug-in|element)' \
"vxhost: plug-in $(winpath "$VXPLUGIN") (application/x-vnxclient) from HKCU\\Software\\MozillaPlugins\\@tolvane.example/VexoPlug
vxhost: element 1: <embed> 260x36 application/x-vnxclient type=\"application/x-vnxclient\" width=\"260\" height=\"36\" caption=\"Deliver report.zip\" name=\"report.zip\" servername=\"srv1\" port=\"609\""
}

# ---------------------------------------------------------------------------------------------
# The reference client on its own

case_client_intake() {
    install_client
    expect_equal "ApplicationPath is the client's own path, quoted" "\"$(winpath "$VXCLIENT")\"" "$(reg_text "$SETTINGS" ApplicationPath)"
    expect_equal "LoadRequestDir" 'C:\e2e\requests' "$(reg_text "$SETTINGS" LoadRequestDir)"
    expect_equal "LoadDeliveryDir" 'C:\e2e\deliveries' "$(reg_text "$SETTINGS" LoadDeliveryDir)"
    timeout 20 wine reg query "$SETTINGS" </dev/null 2>/dev/null | tr -d '\r' | grep -E '^    ' >"$WORK/values.txt"
    expect_equal "every value is REG_SZ with a name of letters, digits, _ and ." "" \
        "$(grep -vE '^    [A-Za-z0-9_.]+    REG_SZ    ' "$WORK/values.txt")"
    expect_equal "the four values" "4" "$(wc -l <"$WORK/values.txt")"
    [ -d "$C/e2e/requests" ] && [ -d "$C/e2e/deliveries" ] || fail "--install did not create the directories"

    # Left from before the start: a complete file, one still being written, one that is no request.
    printf 'NAME="left.zip"\nSERVERNAME="srv1"\nTYPE="PLAIN"\n' >"$C/e2e/requests/000000001.vnxsubmit"
    printf 'NAME="half' >"$C/e2e/requests/000000002.tmp"
    printf 'NAME=x"y\n' >"$C/e2e/requests/000000003.vnxsubmit"
    start_client
    wait_for_journal 1
    expect_equal "a file left from before is taken up at start" \
        "$(printf 'download\tNAME="left.zip" SERVERNAME="srv1" TYPE="PLAIN"')" "$(journal_requests)"
    expect_equal "only the .tmp file stays" "000000002.tmp" "$(request_files)"
    expect_equal "the unreadable file is rejected with its reason" 'the file is not a key="value" text' \
        "$(cat "$C/e2e/client/rejected/000000003.vnxsubmit.reason.txt" 2>/dev/null)"

    # Written as the plug-in does: under .tmp first, then renamed. No signal: the directory wakes it.
    printf 'FILE="C:\\e2e\\up\\data.txt"\nUPLOAD="TRUE"\nNAME="multi\nline"\n' >"$C/e2e/requests/000000004.tmp"
    sleep 0.5
    mv "$C/e2e/requests/000000004.tmp" "$C/e2e/requests/000000004.vnxsubmit"
    wait_for_journal 2
    expect_equal "a renamed file is taken up; the journal keeps one line per request" \
        "$(printf 'upload\tFILE="C:\\e2e\\up\\data.txt" NAME="multi\\x0Aline" UPLOAD="TRUE"')" "$(journal_requests | sed -n 2p)"
    expect_equal "both taken-up files are in done" "$(printf '000000001.vnxsubmit\n000000004.vnxsubmit')" "$(done_files)"

    timeout 20 wine reg add "$SETTINGS\\LoadRequestSignal" /v Value /d 7 /f </dev/null >/dev/null 2>&1
    for _ in $(seq 25); do grep -q 'load-request signal 7$' "$C/e2e/client/client.log" && break; sleep 0.2; done
    expect_grep "the client hears the load-request signal" 'load-request signal 7$' "$C/e2e/client/client.log"

    client second
    expect_rc second 0
    expect_grep "a second copy exits at once" 'second copy exits: a client is already running$' "$C/e2e/client/client.log"

    client stop --stop
    expect_rc stop 0
    expect_lines "--stop ends the running client" "$WORK/stop.out" '.' 'vxclient: stopped'
    client status --status
    expect_rc status 1

    printf 'NAME="while.zip"\nSERVERNAME="srv1"\nTYPE="RICH"\n' >"$C/e2e/requests/000000005.vnxsubmit"
    start_client
    wait_for_journal 3
    expect_equal "a file that arrived while the client was stopped is taken up at the next start" \
        "$(printf 'download\tNAME="while.zip" SERVERNAME="srv1" TYPE="RICH"')" "$(journal_requests | sed -n 3p)"
    expect_equal "the client started twice and stopped once" "2 1" \
        "$(grep -c '] started, watching' "$C/e2e/client/client.log") $(grep -c '] stopped$' "$C/e2e/client/client.log")"
    stop_client

    client uninstall --uninstall
    expect_rc uninstall 0
    expect_equal "--uninstall removes the settings key" '<absent>' "$(reg_text "$SETTINGS" LoadRequestDir)"
    expect_equal "--uninstall removes the plug-in registration" '<absent>' \
        "$(reg_text 'HKCU\Software\MozillaPlugins\@tolvane.example/VexoPlug' Path)"
}

# ---------------------------------------------------------------------------------------------
# The real plug-in in the host, with real dialogs and the reference client

DOWNLOAD_REQUEST='DestBaseName="C:\e2e\dl\report.zip"
DestInitialDir="C:\e2e\dl"
NAME="report.zip"
SERVERNAME="srv1"
SERVERPORT="609"
TYPE="PLAIN"
TargetPath="C:\e2e\dl\report.zip"'

case_download() {
    install_client
    start_client
    host dl --click 1 --answer "$SAVE_TITLE=C:\\e2e\\dl\\report.zip" --shutdown "$(winpath "$EXAMPLES/download.html")"
    expect_rc dl 0
    expect_lines "the Save-As dialog is answered and the click ends done" "$WORK/dl.out" '^(dialog|status): ' \
"dialog: file dialog \"$SAVE_TITLE\" open
dialog: file dialog \"$SAVE_TITLE\" -> C:\\e2e\\dl\\report.zip
status: Document : Done"
    wait_for_journal 1
    expect_equal "the submission file holds the seven entries" "$DOWNLOAD_REQUEST" \
        "$(sort "$C/e2e/client/done/"*.vnxsubmit 2>/dev/null)"
    expect_equal "the client's journal line" \
        "$(printf 'download\t%s' "$(tr '\n' ' ' <<<"$DOWNLOAD_REQUEST" | sed 's/ $//')")" "$(journal_requests)"
    expect_equal "nothing is left in the request directory" "" "$(request_files)"
    expect_equal "the load-request signal counts one" "1" "$(reg_text "$SETTINGS\\LoadRequestSignal" Value)"
    expect_equal "the chosen directory is remembered" 'C:\e2e\dl' "$(reg_text "$SETTINGS" LoadDeliveryDir)"
}

case_request_file() {
    install_client
    start_client
    host rf --click 1 --answer "$SAVE_TITLE=C:\\e2e\\dl\\quarterly.zip" "$(winpath "$PAGES/request-file.html")"
    expect_rc rf 0
    expect_grep "the request file is streamed as a file" \
        "^vxhost: instance 1: stream file:///Z:${PAGES}/quarterly\\.vnxclient, [0-9]+ bytes, NP_ASFILE$" "$WORK/rf.out"
    expect_lines "the click ends done" "$WORK/rf.out" '^status: ' 'status: Document : Done'
    wait_for_journal 1
    expect_equal "the submission file carries the request file's entries and the chosen target" \
'CHECKSUM="4711"
DestBaseName="C:\e2e\dl\quarterly.zip"
DestInitialDir="C:\e2e\dl"
NAME="quarterly figures.zip"
SERVERNAME="srv2"
SERVERPORT="609"
SIZE="1048576"
TYPE="PLAIN"
TargetPath="C:\e2e\dl\quarterly.zip"' "$(sort "$C/e2e/client/done/"*.vnxsubmit 2>/dev/null)"
    expect_equal "one journal line" "1" "$(journal_count)"
}

case_upload() {
    install_client
    start_client
    host up --click 1 --answer "$OPEN_TITLE=C:\\e2e\\up\\data.txt" "$(winpath "$EXAMPLES/upload.html")"
    expect_rc up 0
    expect_lines "the Open dialog is answered and the click ends done" "$WORK/up.out" '^(dialog|status): ' \
"dialog: file dialog \"$OPEN_TITLE\" open
dialog: file dialog \"$OPEN_TITLE\" -> C:\\e2e\\up\\data.txt
status: Document : Done"
    wait_for_journal 1
    local expected='CHECKSUM="0"
FILE="C:\e2e\up\data.txt"
HTTPSERVERPORT="8009"
NAME="data.txt"
RECIPIENTS="alice:bob"
SERVERNAME="srv3"
SERVERPORT="609"
TYPE="PLAIN"
UPLOAD="TRUE"'
    expect_equal "the upload submission holds exactly the nine entries" "$expected" \
        "$(sort "$C/e2e/client/done/"*.vnxsubmit 2>/dev/null)"
    expect_equal "the journal records an upload" \
        "$(printf 'upload\t%s' "$(tr '\n' ' ' <<<"$expected" | sed 's/ $//')")" "$(journal_requests)"
    expect_equal "the load-request signal counts one" "1" "$(reg_text "$SETTINGS\\LoadRequestSignal" Value)"
}

# A local file named by the page (an upload page's file attribute, a request file's FILE) is
# handed over only after Yes in the box that names it; No, the default, ends the click cancelled.
case_named_file() {
    install_client
    start_client
    local page
    page=$(winpath "$PAGES/named-file.html")
    host no --clicks 1,2 --answer 'Tolvane Message =No' --answer 'Tolvane Message =No' "$page"
    expect_rc no 0
    expect_lines "each file is named in the box, and No cancels" "$WORK/no.out" '^(dialog: box.*-> |status: )' \
'dialog: box "Tolvane Message ": This page asks to send your file \nC:\e2e\up\data.txt \nto: carol \nthrough the server: srv3 \nport: 609 \nDo you want to send it? -> No
status: Tolvane Save request cancelled
dialog: box "Tolvane Message ": This page asks to send your file \nC:\e2e\up\data.txt \nto: mallory:eve \nthrough the server: srv4 \nport: (none given) \nDo you want to send it? -> No
status: Tolvane Save request cancelled'
    sleep 1
    expect_equal "no submission file is written" "" "$(request_files)"
    expect_equal "the client takes up nothing" "0" "$(journal_count)"
    expect_equal "the signal is not bumped" '<absent>' "$(reg_text "$SETTINGS\\LoadRequestSignal" Value)"

    host yes --clicks 1,2 --answer 'Tolvane Message =Yes' --answer 'Tolvane Message=Yes' "$page"
    expect_rc yes 0
    expect_lines "Yes submits both, with no other dialog" "$WORK/yes.out" '^(dialog: box.*-> |status: )' \
'dialog: box "Tolvane Message ": This page asks to send your file \nC:\e2e\up\data.txt \nto: carol \nthrough the server: srv3 \nport: 609 \nDo you want to send it? -> Yes
status: Document : Done
dialog: box "Tolvane Message ": This page asks to send your file \nC:\e2e\up\data.txt \nto: mallory:eve \nthrough the server: srv4 \nport: (none given) \nDo you want to send it? -> Yes
status: Document : Done'
    expect_equal "no file dialog" "" "$(grep -E '^dialog: file dialog' "$WORK/yes.out")"
    wait_for_journal 2
    expect_equal "the journal records both uploads as they were asked" \
        "$(printf 'upload\tCHECKSUM="0" FILE="C:\\e2e\\up\\data.txt" HTTPSERVERPORT="8009" NAME="data.txt" RECIPIENTS="carol" SERVERNAME="srv3" SERVERPORT="609" TYPE="PLAIN" UPLOAD="TRUE"\nupload\tDestBaseName="video.mp4" DestInitialDir="C:\\e2e\\deliveries\\" FILE="C:\\e2e\\up\\data.txt" NAME="video.mp4" RECIPIENTS="mallory:eve" SERVERNAME="srv4" TYPE="RICH" UPLOAD="TRUE"')" \
        "$(journal_requests)"
    expect_equal "the signal counts the two submissions" "2" "$(reg_text "$SETTINGS\\LoadRequestSignal" Value)"
}

case_cancel() {
    install_client
    start_client
    host cancel --click 1 --answer "$SAVE_TITLE=Cancel" "$(winpath "$EXAMPLES/download.html")"
    expect_rc cancel 0
    expect_lines "a cancelled Save-As ends the click cancelled" "$WORK/cancel.out" '^status: ' \
'status: Tolvane Save request cancelled'
    sleep 1
    expect_equal "no submission file is written" "" "$(request_files)"
    expect_equal "the client takes up nothing" "0" "$(journal_count)"
    expect_equal "the signal is not bumped" '<absent>' "$(reg_text "$SETTINGS\\LoadRequestSignal" Value)"
    expect_equal "the delivery directory stays" 'C:\e2e\deliveries' "$(reg_text "$SETTINGS" LoadDeliveryDir)"
}

CONFIG_STATUSES='status: The Tolvane client is not installed or configured properly ...
status: Document: Done'
CONFIG_BOX='box "Configuration Error": The Tolvane client is not installed or configured properly \n Do You want to Get the Client Software ?'

case_config_missing_no() {
    timeout 20 wine reg add 'HKCR\http\shell\open\ddeexec\Application' /ve /d VXHOST /f </dev/null >/dev/null 2>&1
    host no --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer 'Configuration Error=No' "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc no 0
    expect_lines "without the settings key the user is asked, and No opens nothing" "$WORK/no.out" '^(status: |dialog: box.*-> |dde: |browser: )' \
"status: The Tolvane client is not installed or configured properly ...
dialog: $CONFIG_BOX -> No
status: Document: Done"
}

case_config_missing_yes() {
    timeout 20 wine reg add 'HKCR\http\shell\open\ddeexec\Application' /ve /d VXHOST /f </dev/null >/dev/null 2>&1
    host yes --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer 'Configuration Error=Yes' "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc yes 0
    expect_lines "Yes hands the page's download address to the browser by DDE" "$WORK/yes.out" '^(status: |dialog: box.*-> |dde: |browser: )' \
"status: The Tolvane client is not installed or configured properly ...
dialog: $CONFIG_BOX -> Yes
dde: WWW_OpenURL \"http://www.tolvane.example/client/setup.html\",,0,4
browser: open http://www.tolvane.example/client/setup.html
status: Document: Done"

    host yesdefault --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer 'Configuration Error=Yes' "$(winpath "$EXAMPLES/download.html")"
    expect_rc yesdefault 0
    expect_grep "without downloadurl the client download page is asked for" \
        '^dde: WWW_OpenURL "http://[^"/]+/download\.html",,0,4$' "$WORK/yesdefault.out"

    timeout 20 wine reg delete 'HKCR\http\shell\open\ddeexec' /f </dev/null >/dev/null 2>&1
    host yesnodde --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer 'Configuration Error=Yes' "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc yesnodde 0
    expect_equal "with no DDE name registered, Yes opens nothing" "0" "$(grep -c '^dde: ' "$WORK/yesnodde.out")"
}

case_client_started() {
    install_client
    client_running && fail "a client runs before the test"
    host started --pause 5000 --clicks 1,1 --answer "$SAVE_TITLE=C:\\e2e\\dl\\one.zip" \
        --answer "$SAVE_TITLE=C:\\e2e\\dl\\two.zip" "$(winpath "$EXAMPLES/download.html")"
    expect_rc started 0
    client_running || fail "the plug-in did not start the client"
    wait_for_journal 2
    expect_equal "the plug-in started the client once; the second click found it running" "1 0" \
        "$(grep -c '] started, watching' "$C/e2e/client/client.log") $(grep -c 'second copy' "$C/e2e/client/client.log")"
    expect_equal "both requests reached the started client" \
        'DestBaseName="C:\e2e\dl\one.zip"
DestBaseName="C:\e2e\dl\two.zip"' "$(journal_requests | grep -oE 'DestBaseName="[^"]*"')"
}

case_one_file_per_click() {
    install_client
    start_client
    # Save, cancelled save, upload of the page's file (file attribute) once confirmed, request file.
    host clicks --clicks 1,1,2,3 --answer "$SAVE_TITLE=C:\\e2e\\dl\\a.zip" --answer "$SAVE_TITLE=Cancel" \
        --answer 'Tolvane Message =Yes' --answer "$SAVE_TITLE=C:\\e2e\\dl\\q.zip" "$(winpath "$PAGES/three-requests.html")"
    expect_rc clicks 0
    expect_lines "three clicks done, one cancelled" "$WORK/clicks.out" '^status: ' \
'status: Document : Done
status: Tolvane Save request cancelled
status: Document : Done
status: Document : Done'
    wait_for_journal 3
    sleep 1
    expect_equal "exactly one journal line per successful click" "3" "$(journal_count)"
    expect_equal "exactly one file per successful click" "3" "$(done_files | wc -l)"
    expect_equal "nothing is left in the request directory" "" "$(request_files)"
    expect_equal "the signal counts the three submissions" "3" "$(reg_text "$SETTINGS\\LoadRequestSignal" Value)"
    expect_equal "the journal holds the three requests in click order" \
        "$(printf 'download\tNAME="a.zip"\nupload\tNAME="data.txt"\ndownload\tNAME="quarterly figures.zip"')" \
        "$(journal_requests | sed -E 's/\t(.* )?(NAME="[^"]*").*/\t\2/')"
}

# ---------------------------------------------------------------------------------------------
# Many clicks and clicks inside dialogs, with the host's figures of its own process
# ("figures: WHEN: handles H, dialog MRU keys K, private bytes P, working set W, heap in use U,
# plug-in blocks B, elapsed ms E"; Wine's Save-As dialog leaves one LastVisitedMRU key open per
# confirmed dialog, so the handles the plug-in could leak are H - K).

figure() {  # figure HOST-RUN WHEN NAME: the number after NAME in the figures line of WHEN
    grep -F "figures: $2: " "$WORK/$1.out" | head -n 1 | tr -d '\r' | sed -nE "s/.*[:,] $3 (-?[0-9]+).*/\1/p"
}
lasting_handles() { echo $(($(figure "$1" "$2" handles) - $(figure "$1" "$2" 'dialog MRU keys'))); }
signal_value() { reg_text "$SETTINGS\\LoadRequestSignal" Value; }
milliseconds() { echo $(($(date +%s%N) / 1000000)); }

# NAME CLICK-INSTANCE EXPECTED-JOURNAL-REQUEST SIGNAL-BEFORE JOURNAL-BEFORE: 1,000 clicks of one
# instance whose request needs no dialog, while the client takes the files up.
thousand_clicks_of() {
    local name=$1 instance=$2 expected=$3 signal_before=$4 journal_before=$5
    local start end taken_up
    start=$(milliseconds)
    run "$name" 180 "$VXHOST" --timeout 150 --figures --click "$instance" --repeat 1000 --shutdown "$(winpath "$PAGES/rich.html")"
    end=$(milliseconds)
    expect_rc "$name" 0
    wait_for_journal $((journal_before + 1000)) 60
    taken_up=$(milliseconds)
    sleep 1
    expect_equal "$name: every click ends done, and nothing else is shown" "1000 0" \
        "$(grep -c '^status: Document : Done$' "$WORK/$name.out") $(grep '^status: ' "$WORK/$name.out" | grep -vc '^status: Document : Done$')"
    expect_equal "$name: the host counts 1000 clicks done" "1000" "$(grep -c "^vxhost: click $instance done$" "$WORK/$name.out")"
    tail -n +$((journal_before + 1)) "$JOURNAL" | tr -d '\r' >"$WORK/$name.journal"
    expect_equal "$name: the client took up exactly 1000 requests" "1000" "$(wc -l <"$WORK/$name.journal")"
    expect_equal "$name: under 1000 distinct nine-digit names" "1000 1000" \
        "$(cut -f2 "$WORK/$name.journal" | sort -u | wc -l) $(cut -f2 "$WORK/$name.journal" | grep -cE '^[0-9a-f]{9}\.vnxsubmit$')"
    expect_equal "$name: each request is the instance's, complete" "$expected" "$(cut -f3- "$WORK/$name.journal" | sort -u)"
    expect_equal "$name: the done folder holds every file" "$((journal_before + 1000))" "$(done_files | wc -l)"
    expect_equal "$name: nothing rejected" "0" "$(ls "$C/e2e/client/rejected" 2>/dev/null | wc -l)"
    expect_equal "$name: no .tmp or other file is left in the request directory" "" "$(request_files)"
    expect_equal "$name: the signal grew by exactly 1000" "$((signal_before + 1000))" "$(signal_value)"

    local when field at100 at1000 low high
    for when in "after 100 clicks" "after 1000 clicks"; do
        [ -n "$(figure "$name" "$when" handles)" ] || fail "$name: no figures $when"
    done
    # Flat from the 100th click on: every figure printed from there to the 1000th within its band.
    for field in handles 'private bytes' 'working set' 'heap in use' 'plug-in blocks'; do
        at100=$(figure "$name" "after 100 clicks" "$field"); at1000=$(figure "$name" "after 1000 clicks" "$field")
        low=$at100; high=$at100
        for when in 200 300 400 500 600 700 800 900 1000; do
            local value; value=$(figure "$name" "after $when clicks" "$field")
            [ -n "$value" ] || continue
            [ "$value" -lt "$low" ] && low=$value
            [ "$value" -gt "$high" ] && high=$value
        done
        local band
        case "$field" in
        handles) band=5 ;;
        'private bytes') band=$((256 * 1024)) ;;
        'working set') band=$((512 * 1024)) ;;
        'heap in use') band=$((16 * 1024)) ;;
        'plug-in blocks') band=0 ;;
        esac
        [ -n "$at100" ] && [ $((high - at100)) -le "$band" ] && [ $((at100 - low)) -le "$band" ] ||
            fail "$name: $field not flat from click 100 to 1000: $at100 at 100, $at1000 at 1000, $low to $high between (band $band)"
    done
    {
        echo "$name: 1000 clicks of instance $instance of rich.html ($([ "$instance" = 1 ] && echo 'attributes, TYPE RICH' || echo 'streamed request file, TYPE RICH'))"
        echo "  host run $((end - start)) ms (clicks $(figure "$name" "after 1000 clicks" 'elapsed ms') ms), all taken up by the client $((taken_up - start)) ms after the start"
        echo "  files taken up $(wc -l <"$WORK/$name.journal"), distinct $(cut -f2 "$WORK/$name.journal" | sort -u | wc -l), left in the request directory $(ls "$C/e2e/requests" | wc -l); signal $signal_before -> $(signal_value)"
        for when in "before the clicks" "after 1 click" "after 100 clicks" "after 1000 clicks" "after the shut-down"; do
            printf '  %-18s %s\n' "$when:" "$(grep -F "figures: $when: " "$WORK/$name.out" | tr -d '\r' | sed "s/^figures: $when: //")"
        done
    } >>"$WORK/figures.txt"
}

case_thousand_clicks() {
    install_client
    timeout 20 wine reg add "$SETTINGS\\LoadRequestSignal" /v Value /d 41 /f </dev/null >/dev/null 2>&1
    start_client
    : >"$WORK/figures.txt"
    thousand_clicks_of attributes 1 \
        "$(printf 'download\tDestBaseName="rich.zip" DestInitialDir="C:\\e2e\\deliveries\\" NAME="rich.zip" SERVERNAME="srv1" SERVERPORT="609" TYPE="RICH"')" 41 0
    thousand_clicks_of requestfile 2 \
        "$(printf 'download\tCHECKSUM="77" DestBaseName="rich figures.zip" DestInitialDir="C:\\e2e\\deliveries\\" NAME="rich figures.zip" SERVERNAME="srv2" SERVERPORT="609" TYPE="RICH"')" 1041 1000
    expect_equal "LoadDeliveryDir stays as it was: no directory was chosen" 'C:\e2e\deliveries' "$(reg_text "$SETTINGS" LoadDeliveryDir)"
    # ctest shows a passing case's output only in its log; the figures also stay beside the build.
    [ -n "${E2E_FIGURES:-}" ] && cp "$WORK/figures.txt" "$E2E_FIGURES"
    echo "---- figures of the thousand clicks${E2E_FIGURES:+ (also in $E2E_FIGURES)} ----"
    cat "$WORK/figures.txt"
}

# Re-entrancy: the host acts from inside the modal loop of an open dialog (--during), before the
# dialog is answered.

case_reentrant_second_click() {
    install_client
    start_client
    local d='C:\e2e\dl' round
    # Three rounds of the same: instance 1's Save-As is open, instance 2 is clicked, its own Save-As
    # is answered, then the first. The first round loads the dialogs; the others must leave the
    # process as the first did.
    host second --figures --clicks 1,1,1 \
        --during "$SAVE_TITLE=click 2" --during "$SAVE_TITLE=pass" --during "$SAVE_TITLE=click 2" \
        --during "$SAVE_TITLE=pass" --during "$SAVE_TITLE=click 2" --during "$SAVE_TITLE=pass" \
        --answer "$SAVE_TITLE=$d\\a1.zip" --answer "$SAVE_TITLE=$d\\a2.zip" --answer "$SAVE_TITLE=$d\\b1.zip" \
        --answer "$SAVE_TITLE=$d\\b2.zip" --answer "$SAVE_TITLE=$d\\c1.zip" --answer "$SAVE_TITLE=$d\\c2.zip" \
        --shutdown "$(winpath "$PAGES/three-downloads.html")"
    expect_rc second 0
    local one_round="vxhost: click 1 on \"Deliver first.zip\"
dialog: file dialog \"$SAVE_TITLE\" open
dialog: while \"$SAVE_TITLE\" is open: click 2
vxhost: click 2 on \"Deliver second.zip\"
dialog: file dialog \"$SAVE_TITLE\" open
dialog: while \"$SAVE_TITLE\" is open: pass
dialog: file dialog \"$SAVE_TITLE\" -> $d\\X2.zip
status: Document : Done
vxhost: click 2 done
dialog: file dialog \"$SAVE_TITLE\" -> $d\\X1.zip
status: Document : Done
vxhost: click 1 done"
    expect_lines "the second click runs inside the first one's dialog; each ends done, the inner one first" \
        "$WORK/second.out" '^(vxhost: click |dialog: |status: )' \
        "$(for round in a b c; do printf '%s\n' "${one_round//X/$round}"; done)"
    wait_for_journal 6
    expect_equal "each click's submission carries its own request and its own choice, inner one first" \
'NAME="second.zip" TargetPath="C:\e2e\dl\a2.zip"
NAME="first.zip" TargetPath="C:\e2e\dl\a1.zip"
NAME="second.zip" TargetPath="C:\e2e\dl\b2.zip"
NAME="first.zip" TargetPath="C:\e2e\dl\b1.zip"
NAME="second.zip" TargetPath="C:\e2e\dl\c2.zip"
NAME="first.zip" TargetPath="C:\e2e\dl\c1.zip"' \
        "$(journal_requests | grep -oE '\b(NAME|TargetPath)="[^"]*"' | paste -d' ' - -)"
    expect_equal "the signal counts the six submissions" "6" "$(signal_value)"
    expect_equal "the last confirmed directory is remembered" 'C:\e2e\dl' "$(reg_text "$SETTINGS" LoadDeliveryDir)"
    expect_equal "no leak: handles (less Wine's dialog MRU keys) after rounds 2 and 3 as after round 1" \
        "$(lasting_handles second 'after 1 click') $(lasting_handles second 'after 1 click')" \
        "$(lasting_handles second 'after 2 clicks') $(lasting_handles second 'after 3 clicks')"
    expect_equal "no leak: the plug-in's blocks after each round as before the clicks" "3 3 3 3" \
        "$(figure second 'before the clicks' 'plug-in blocks') $(figure second 'after 1 click' 'plug-in blocks') $(figure second 'after 2 clicks' 'plug-in blocks') $(figure second 'after 3 clicks' 'plug-in blocks')"
    local heap1 heap3
    heap1=$(figure second 'after 1 click' 'heap in use'); heap3=$(figure second 'after 3 clicks' 'heap in use')
    [ $((heap3 - heap1)) -le 4096 ] || fail "no leak: heap in use grew from $heap1 after round 1 to $heap3 after round 3"

    # The clicked instance's own button is disabled while its dialog is open.
    host again --click 1 --during "$SAVE_TITLE=click 1" --answer "$SAVE_TITLE=Cancel" "$(winpath "$PAGES/three-downloads.html")"
    expect_rc again 2
    expect_lines "the instance cannot be clicked again inside its own dialog; its click ends cancelled" \
        "$WORK/again.out" '^(vxhost: click |status: )' \
'vxhost: click 1 on "Deliver first.zip"
status: Tolvane Save request cancelled
vxhost: click 1 done'
    expect_grep "the host is told why" '^vxhost: error: the button of instance 1 is disabled$' "$WORK/again.err"
    expect_equal "the cancelled click submits nothing" "6" "$(signal_value)"
}

case_reentrant_destroy() {
    install_client
    start_client
    local d='C:\e2e\dl'
    # Instance 3 first, as the dialogs' first use; then instance 1 destroyed inside its Save-As,
    # which is confirmed, and instance 2 destroyed inside its Save-As, which is cancelled.
    host destroy --figures --clicks 3,1,2 --during "$SAVE_TITLE=pass" --during "$SAVE_TITLE=destroy 1" \
        --during "$SAVE_TITLE=destroy 2" --answer "$SAVE_TITLE=$d\\warm.zip" --answer "$SAVE_TITLE=$d\\kept.zip" \
        --answer "$SAVE_TITLE=Cancel" --shutdown "$(winpath "$PAGES/three-downloads.html")"
    expect_rc destroy 0
    expect_lines "a destroyed instance's click ends silently: no status text after NPP_Destroy" \
        "$WORK/destroy.out" '^(vxhost: (click|instance [0-9] destroyed|shut down)|dialog: file dialog .* -> |status: )' \
"vxhost: click 3 on \"Deliver third.zip\"
dialog: file dialog \"$SAVE_TITLE\" -> $d\\warm.zip
status: Document : Done
vxhost: click 3 done
vxhost: click 1 on \"Deliver first.zip\"
vxhost: instance 1 destroyed (NPP_Destroy answered 0)
dialog: file dialog \"$SAVE_TITLE\" -> $d\\kept.zip
vxhost: click 1 ended with its instance destroyed
vxhost: click 2 on \"Deliver second.zip\"
vxhost: instance 2 destroyed (NPP_Destroy answered 0)
dialog: file dialog \"$SAVE_TITLE\" -> Cancel
vxhost: click 2 ended with its instance destroyed
vxhost: shut down (NP_Shutdown answered 0)"
    wait_for_journal 2
    sleep 1
    expect_equal "the Save-As the user confirmed is still submitted; the cancelled one is not" \
'NAME="third.zip" TargetPath="C:\e2e\dl\warm.zip"
NAME="first.zip" TargetPath="C:\e2e\dl\kept.zip"' \
        "$(journal_requests | grep -oE '\b(NAME|TargetPath)="[^"]*"' | paste -d' ' - -)"
    expect_equal "the signal counts the two submissions" "2" "$(signal_value)"
    expect_equal "nothing is left in the request directory" "" "$(request_files)"
    expect_equal "each record is given back when its dispatch returns: blocks before, after each click, after the shut-down" \
        "3 3 2 1 0" "$(figure destroy 'before the clicks' 'plug-in blocks') $(figure destroy 'after 1 click' 'plug-in blocks') $(figure destroy 'after 2 clicks' 'plug-in blocks') $(figure destroy 'after 3 clicks' 'plug-in blocks') $(figure destroy 'after the shut-down' 'plug-in blocks')"
    expect_equal "no leak: handles (less Wine's dialog MRU keys) after each destroyed click as after the first click" \
        "$(lasting_handles destroy 'after 1 click') $(lasting_handles destroy 'after 1 click')" \
        "$(lasting_handles destroy 'after 2 clicks') $(lasting_handles destroy 'after 3 clicks')"

    # Destroyed while the configuration box is open: the user's Yes still reaches the browser.
    stop_client
    timeout 20 wine "$VXCLIENT" --uninstall </dev/null >/dev/null 2>&1
    timeout 20 wine reg add 'HKCR\http\shell\open\ddeexec\Application' /ve /d VXHOST /f </dev/null >/dev/null 2>&1
    host box --plugin "$(winpath "$VXPLUGIN")" --click 1 --during 'Configuration Error=destroy 1' \
        --answer 'Configuration Error=Yes' "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc box 0
    expect_lines "destroyed inside the configuration box: no status text after it, Yes is still handed on" \
        "$WORK/box.out" '^(status: |dde: |browser: |vxhost: (click|instance [0-9] destroyed))' \
"vxhost: click 1 on \"Deliver report.zip\"
status: The Tolvane client is not installed or configured properly ...
vxhost: instance 1 destroyed (NPP_Destroy answered 0)
dde: WWW_OpenURL \"http://www.tolvane.example/client/setup.html\",,0,4
browser: open http://www.tolvane.example/client/setup.html
vxhost: click 1 ended with its instance destroyed (shown before: \"The Tolvane client is not installed or configured properly ...\")"
}

case_reentrant_shutdown() {
    install_client
    start_client
    local d='C:\e2e\dl'
    # Without --shutdown: the host ends as usual after the clicks, NP_Shutdown ran inside the dialog.
    host shutdown --figures --clicks 2,1 --during "$SAVE_TITLE=pass" --during "$SAVE_TITLE=shutdown" \
        --answer "$SAVE_TITLE=$d\\warm.zip" --answer "$SAVE_TITLE=$d\\late.zip" "$(winpath "$PAGES/three-downloads.html")"
    expect_rc shutdown 0
    expect_lines "NP_Shutdown inside the dialog: the click ends silently and the host ends cleanly" \
        "$WORK/shutdown.out" '^(vxhost: (click|shut down)|dialog: file dialog .* -> |status: )' \
"vxhost: click 2 on \"Deliver second.zip\"
dialog: file dialog \"$SAVE_TITLE\" -> $d\\warm.zip
status: Document : Done
vxhost: click 2 done
vxhost: click 1 on \"Deliver first.zip\"
vxhost: shut down (NP_Shutdown answered 0)
dialog: file dialog \"$SAVE_TITLE\" -> $d\\late.zip
vxhost: click 1 ended with its instance destroyed"
    expect_equal "nothing on standard error" "" "$(cat "$WORK/shutdown.err")"
    wait_for_journal 2
    expect_equal "the Save-As confirmed after the shut-down is still submitted" \
'NAME="second.zip" TargetPath="C:\e2e\dl\warm.zip"
NAME="first.zip" TargetPath="C:\e2e\dl\late.zip"' \
        "$(journal_requests | grep -oE '\b(NAME|TargetPath)="[^"]*"' | paste -d' ' - -)"
    expect_equal "the signal counts the two submissions" "2" "$(signal_value)"
    expect_equal "no leak: handles (less Wine's dialog MRU keys) after the click as after the first one" \
        "$(lasting_handles shutdown 'after 1 click')" "$(lasting_handles shutdown 'after 2 clicks')"
    # The records of the idle instances go back at NPP_Destroy. The one whose dialog was open is
    # released after NP_Shutdown, when the plug-in no longer holds the browser's table, so its
    # block stays with the browser: one block, and no call into the browser after the shut-down.
    expect_equal "the plug-in's blocks: three records, then only the one whose dialog was open" "3 1" \
        "$(figure shutdown 'before the clicks' 'plug-in blocks') $(figure shutdown 'after 2 clicks' 'plug-in blocks')"

    # Shut down while the configuration box is open: Yes finds no DDE instance any more.
    stop_client
    timeout 20 wine "$VXCLIENT" --uninstall </dev/null >/dev/null 2>&1
    timeout 20 wine reg add 'HKCR\http\shell\open\ddeexec\Application' /ve /d VXHOST /f </dev/null >/dev/null 2>&1
    host box --plugin "$(winpath "$VXPLUGIN")" --click 1 --during 'Configuration Error=shutdown' \
        --answer 'Configuration Error=Yes' --shutdown "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc box 0
    expect_lines "shut down inside the configuration box: no status text after it, nothing handed on, one NP_Shutdown" \
        "$WORK/box.out" '^(status: |dde: |browser: |vxhost: (click|shut down))' \
"vxhost: click 1 on \"Deliver report.zip\"
status: The Tolvane client is not installed or configured properly ...
vxhost: shut down (NP_Shutdown answered 0)
vxhost: click 1 ended with its instance destroyed (shown before: \"The Tolvane client is not installed or configured properly ...\")"
}

# ---------------------------------------------------------------------------------------------

case "$CASE" in
prepare)
    mkdir -p "$(dirname "$WINEPREFIX")"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        note "preparing the Wine prefix $WINEPREFIX"
        timeout 180 wineboot -i </dev/null >/dev/null 2>&1
    fi
    # Headless: the null graphics driver. The desktop process started by wineboot keeps the driver it
    # started with, so the server starts again after the setting is in place.
    timeout 30 wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >/dev/null 2>&1 ||
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

type "case_$CASE" >/dev/null 2>&1 || { echo "unknown case $CASE"; exit 2; }
rm -rf "$WORK"
mkdir -p "$PAGES"
cp -r "$E2E_SOURCE/pages/." "$EXAMPLES/." "$PAGES/"
reset_machine
trap stop_client EXIT
"case_$CASE"
finish_case
