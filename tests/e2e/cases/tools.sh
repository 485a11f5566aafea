# The tools' own cases: the host with the probe plug-in (which records what the host does to it),
# and the reference client on its own. Sourced by e2e.sh; each case_NAME is the ctest entry
# e2e.tools.NAME.

# The host, with the probe plug-in

case_host_page() {
    export VXPROBE_LOG=$WORK/probe.log
    host page --plugin "$(winpath "$VXPROBE")" --click 1 --shutdown "$(winpath "$PAGES/probe-elements.html")"
    expect_rc page 0
    expect_lines "the probe saw the browser's calls in order" "$VXPROBE_LOG" '.' \
"NP_GetEntryPoints size=60
NP_Initialize version=0x000E size=164 memalloc works agent=Mozilla/4.0 (compatible; vxhost)
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

# --flat: a plug-in that loses a handle per click fails the run with 5 and the figure named.
case_host_flat() {
    local page
    page=$(winpath "$PAGES/probe-leak.html")
    host leak --plugin "$(winpath "$VXPROBE")" --flat 100 --click 1 --repeat 300 "$page"
    expect_rc leak 5
    expect_grep "a handle lost per click is found from click 100 to the last" \
        '^vxhost: error: handles not flat from click 100 to 300: [0-9]+ at 100, [0-9]+ at 300, [0-9]+ to [0-9]+ between \(tolerance 5\)$' \
        "$WORK/leak.err"
    expect_equal "only the handles grew" "1" "$(grep -c 'not flat' "$WORK/leak.err")"

    host short --plugin "$(winpath "$VXPROBE")" --flat 100 --click 1 --repeat 50 "$page"
    expect_rc short 5
    expect_lines "a run too short to compare fails too" "$WORK/short.err" '.' \
'vxhost: error: --flat 100: the run made fewer clicks, nothing to compare'
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

    quietly wine reg add 'HKCU\Software\MozillaPlugins\@probe.example/probe' /v Path /d "$(winpath "$VXPROBE")" /f
    quietly wine reg add 'HKCU\Software\MozillaPlugins\@tolvane.example/VexoPlug' /v Path /d "$(winpath "$VXPLUGIN")" /f
    host probe --list "$page"
    expect_rc probe 0
    expect_grep "the probe page finds the probe by its MIME type in the version resource (language 0407)" \
        "^vxhost: plug-in $(winpath "$VXPROBE" | sed 's/[\\.]/\\&/g') \(application/x-vxprobe\|application/x-vxprobe-other\) from HKCU\\\\Software\\\\MozillaPlugins\\\\@probe\.example/probe$" "$WORK/probe.out"
    host product --list "$(winpath "$EXAMPLES/download.html")"
    expect_rc product 0
    expect_lines "a product page finds the product's plug-in" "$WORK/product.out" '^vxhost: (plug-in|element)' \
"vxhost: plug-in $(winpath "$VXPLUGIN") (application/x-vnxclient) from HKCU\\Software\\MozillaPlugins\\@tolvane.example/VexoPlug
vxhost: element 1: <embed> 260x36 application/x-vnxclient type=\"application/x-vnxclient\" width=\"260\" height=\"36\" caption=\"Deliver report.zip\" name=\"report.zip\" servername=\"srv1\" port=\"609\""
}
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

    set_signal 7
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

    # The plug-in's registration belongs to the plug-in's setup program: the client leaves it alone.
    quietly wine reg add 'HKCU\Software\MozillaPlugins\@tolvane.example/VexoPlug' /v Path /d 'C:\p\npVxPlug.dll' /f
    client uninstall --uninstall
    expect_rc uninstall 0
    expect_equal "--uninstall removes the settings key" '<absent>' "$(reg_text "$SETTINGS" LoadRequestDir)"
    expect_equal "--uninstall leaves the plug-in registration" 'C:\p\npVxPlug.dll' \
        "$(reg_text 'HKCU\Software\MozillaPlugins\@tolvane.example/VexoPlug' Path)"
    client plugin --install --plugin 'C:\p\npVxPlug.dll'
    expect_rc plugin 2
    expect_grep "--install takes no plug-in" '^vxclient: unknown option --plugin$' "$WORK/plugin.err"
}


# The host as Gecko and as Chromium: what the probe sees of their argument orders, NPP_SetWindow
# calls, writes and teardowns (the plug-in's own pages under each are in browsers.sh).
case_host_browsers() {
    export VXPROBE_LOG=$WORK/probe.log
    local probe url
    probe=$(winpath "$VXPROBE")
    url="file:///Z:${PAGES}/request.vxprobe"
    host gecko --plugin "$probe" --browser gecko --unload-delay 0 --shutdown "$(winpath "$PAGES/probe-browsers.html")"
    expect_rc gecko 0
    expect_lines "gecko: width and height last, SRC, a null PARAM; two NPP_SetWindow before the stream, one on layout; all 35 bytes in one write; NPP_Destroy after a failed NPP_New" \
        "$VXPROBE_LOG" '^(  [^c]|NPP_)' \
"NPP_New type=application/x-vxprobe mode=1 argc=9
  data=\"request.vxprobe\"
  type=\"application/x-vxprobe\"
  action=\"object\"
  writeready=\"7\"
  width=\"150\"
  height=\"20\"
  SRC=\"request.vxprobe\"
  PARAM (null)
  writeready=\"9\"
NPP_SetWindow 150x20 client 150x20 child of the browser window type 1
NPP_SetWindow again at 12,52 clip 12,52-162,72
NPP_NewStream type=application/x-vxprobe url=$url end=35 seekable=0 offered=1
NPP_Write offset=0 len=35
NPP_StreamAsFile file=given bytes=35 same-as-written
NPP_DestroyStream reason=0
NPP_New type=application/x-vxprobe mode=1 argc=2
  type=\"application/x-vxprobe\"
  action=\"refuse\"
NPP_Destroy without an instance
NPP_SetWindow again at 12,52 clip 12,52-162,72
NPP_Destroy object"

    expect_grep "gecko: the host reports the NPP_Destroy of the refused instance" \
        '^vxhost: instance 2: NPP_Destroy after the failed NPP_New answered 2$' "$WORK/gecko.out"

    rm -f "$VXPROBE_LOG"
    host chromium --plugin "$probe" --browser chromium --shutdown "$(winpath "$PAGES/probe-browsers.html")"
    expect_rc chromium 0
    expect_lines "chromium: params first, src for data; writes as ready; a scroll and back in a wrapper; a null window before NPP_Destroy" \
        "$VXPROBE_LOG" '^(  [^c]|NPP_)' \
"NPP_New type=application/x-vxprobe mode=1 argc=7
  writeready=\"9\"
  data=\"request.vxprobe\"
  type=\"application/x-vxprobe\"
  width=\"150\"
  height=\"20\"
  action=\"object\"
  src=\"request.vxprobe\"
NPP_SetWindow 150x20 client 150x20 child of the browser window type 1
NPP_NewStream type=application/x-vxprobe url=$url end=35 seekable=0 offered=1
NPP_Write offset=0 len=9
NPP_Write offset=9 len=9
NPP_Write offset=18 len=9
NPP_Write offset=27 len=8
NPP_StreamAsFile file=given bytes=35 same-as-written
NPP_DestroyStream reason=0
NPP_New type=application/x-vxprobe mode=1 argc=2
  type=\"application/x-vxprobe\"
  action=\"refuse\"
NPP_SetWindow again at 0,0 clip 0,10-150,20 in a wrapper window
NPP_SetWindow again at 0,0 clip 0,0-150,20 in a wrapper window
NPP_SetWindow null window 150x20
NPP_Destroy object"

    rm -f "$VXPROBE_LOG"
    host stalled --plugin "$probe" --browser chromium --shutdown "$(winpath "$PAGES/probe-stalled.html")"
    expect_rc stalled 0
    expect_lines "chromium: a stream the plug-in is never ready for stays open and is broken off at the teardown" \
        "$VXPROBE_LOG" '^NPP_(NewStream|Write|StreamAsFile|DestroyStream|SetWindow null|Destroy )' \
"NPP_NewStream type=application/x-vxprobe url=$url end=35 seekable=0 offered=1
NPP_DestroyStream reason=2
NPP_SetWindow null window 240x40
NPP_Destroy stalled"
}

# What each profile's browser tells the product's plug-in about the page during NPP_New: Gecko
# answers NPNVdocumentOrigin ("null" for a file: page, so the plug-in goes on to the window's
# location), classic and Chromium only the window's location.href. The plug-in gives every string
# back (no block of NPN_MemAlloc left; a reference to the page's objects would fail the run).
case_host_page_origin() {
    local page plugin url='https://Files.Example:8443/dl/page.html?x=1' name
    page=$(winpath "$PAGES/download.html")
    plugin=$(winpath "$VXPLUGIN")
    for name in classic gecko chromium; do
        host "$name" --plugin "$plugin" --browser "$name" --unload-delay 0 --url "$url" --shutdown --figures "$page"
    done
    host file --plugin "$plugin" --browser gecko --unload-delay 0 --shutdown --figures "$page"
    for name in classic gecko chromium file; do
        expect_rc "$name" 0
        expect_equal "$name: every block given back" "0" "$(figure "$name" 'after the shut-down' 'plug-in blocks')"
    done
    for name in classic chromium; do
        expect_lines "$name: the window's location, during NPP_New" "$WORK/$name.out" '^vxhost: instance' \
"vxhost: instance 1: NPNVdocumentOrigin asked, which this browser does not answer
vxhost: instance 1: window.location.href read: \"$url\"
vxhost: instance 1: <embed> at line 6, 260x36, 7 arguments"
    done
    expect_lines "gecko: the document's origin alone" "$WORK/gecko.out" '^vxhost: instance 1: (NPNV|window)' \
'vxhost: instance 1: NPNVdocumentOrigin answered "https://files.example:8443"'
    expect_lines "gecko: a file page's origin is null, then the window's location" "$WORK/file.out" \
        '^vxhost: instance 1: (NPNV|window)' \
"vxhost: instance 1: NPNVdocumentOrigin answered \"null\"
vxhost: instance 1: window.location.href read: \"file:///Z:${PAGES}/download.html\""
}

# Both DLLs registered side by side, as on 64-bit Windows: each host takes the DLL of its own
# architecture and never tries the other's, under HKCU (one key for both browsers, an id per
# architecture) and under HKLM (a registry view per architecture). Run by the 64-bit build, with the
# 32-bit build's host and DLL beside its own.
ARCHITECTURES[registry_per_architecture]=win64
case_registry_per_architecture() {
    [ -n "${VXHOST32:-}" ] && [ -n "${VXPLUGIN32:-}" ] ||
        { fail "the 32-bit build is not known: configure the 64-bit build with -DVX_WIN32_BUILD=FOLDER"; return; }
    local page plugins='Software\MozillaPlugins' dll32 dll64 which
    page=$(winpath "$EXAMPLES/no-client.html")
    dll32=$(winpath "$VXPLUGIN32") dll64=$(winpath "$VXPLUGIN")
    local clicked='status: The Tolvane client is not installed or configured properly ...
status: Document: Done'
    both_hosts() {
        run "$1-32" 60 "$VXHOST32" --timeout 30 --click 1 --answer 'Configuration Error=No' "$page"
        host "$1-64" --click 1 --answer 'Configuration Error=No' "$page"
        for which in 32 64; do
            expect_rc "$1-$which" 0
            expect_lines "$1: the $which-bit host's click reaches its plug-in" "$WORK/$1-$which.out" '^status: ' "$clicked"
        done
    }

    # One user: reset_machine registered both under HKCU.
    both_hosts user
    expect_lines "HKCU: the 32-bit host passes over the 64-bit DLL and takes the 32-bit one" "$WORK/user-32.out" \
        '^vxhost: (plug-in|skipped) ' \
"vxhost: skipped HKCU\\$plugins\\@tolvane.example/VexoPlug64: $dll64 is 64-bit (x64), not for this 32-bit (x86) host
vxhost: plug-in $dll32 (application/x-vnxclient) from HKCU\\$plugins\\@tolvane.example/VexoPlug"
    expect_lines "HKCU: the 64-bit host passes over the 32-bit DLL and takes the 64-bit one" "$WORK/user-64.out" \
        '^vxhost: (plug-in|skipped) ' \
"vxhost: skipped HKCU\\$plugins\\@tolvane.example/VexoPlug: $dll32 is 32-bit (x86), not for this 64-bit (x64) host
vxhost: plug-in $dll64 (application/x-vnxclient) from HKCU\\$plugins\\@tolvane.example/VexoPlug64"

    # All users: each DLL in its architecture's view of HKLM; neither host sees the other's entry.
    quietly wine reg delete "HKCU\\$plugins" /f
    quietly wine reg add "HKLM\\$plugins\\@tolvane.example/VexoPlug" /v Path /d "$dll32" /reg:32 /f
    quietly wine reg add "HKLM\\$plugins\\@tolvane.example/VexoPlug64" /v Path /d "$dll64" /reg:64 /f
    both_hosts machine
    quietly wine reg delete "HKLM\\$plugins" /reg:32 /f
    quietly wine reg delete "HKLM\\$plugins" /reg:64 /f
    expect_lines "HKLM: the 32-bit host reads the 32-bit view" "$WORK/machine-32.out" '^vxhost: (plug-in|skipped) ' \
        "vxhost: plug-in $dll32 (application/x-vnxclient) from HKLM\\$plugins\\@tolvane.example/VexoPlug"
    expect_lines "HKLM: the 64-bit host reads the 64-bit view" "$WORK/machine-64.out" '^vxhost: (plug-in|skipped) ' \
        "vxhost: plug-in $dll64 (application/x-vnxclient) from HKLM\\$plugins\\@tolvane.example/VexoPlug64"
}
