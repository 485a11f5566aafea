# The plug-in's cases: the real npVxPlug.dll in the host, with real dialogs and the reference
# client. Sourced by e2e.sh; each case_NAME is the ctest entry e2e.plugin.NAME. The host is given the
# DLL with --plugin: finding it through the registry is the installer cases' part.

DOWNLOAD_REQUEST='DestBaseName="C:\e2e\dl\report.zip"
DestInitialDir="C:\e2e\dl"
NAME="report.zip"
SERVERNAME="srv1"
SERVERPORT="609"
TYPE="PLAIN"
TargetPath="C:\e2e\dl\report.zip"'

QUARTERLY_REQUEST='CHECKSUM="4711"
DestBaseName="C:\e2e\dl\quarterly.zip"
DestInitialDir="C:\e2e\dl"
NAME="quarterly figures.zip"
SERVERNAME="srv2"
SERVERPORT="609"
SIZE="1048576"
TYPE="PLAIN"
TargetPath="C:\e2e\dl\quarterly.zip"'

UPLOAD_REQUEST='CHECKSUM="0"
FILE="C:\e2e\up\data.txt"
HTTPSERVERPORT="8009"
NAME="data.txt"
RECIPIENTS="alice:bob"
SERVERNAME="srv3"
SERVERPORT="609"
TYPE="PLAIN"
UPLOAD="TRUE"'

# The journal line of a submission: its kind, then its entries (one per line in $2) joined by blanks.
journal_form() { printf '%s\t%s' "$1" "$(tr '\n' ' ' <<<"$2" | sed 's/ $//')"; }

ARCHITECTURES[download]="win32 win64"
case_download() {
    install_client
    start_client
    host dl "${PLUGIN[@]}" --click 1 --answer "$SAVE_TITLE=C:\\e2e\\dl\\report.zip" --shutdown "$(winpath "$EXAMPLES/download.html")"
    expect_rc dl 0
    expect_lines "the Save-As dialog is answered and the click ends done" "$WORK/dl.out" '^(dialog|status): ' \
"dialog: file dialog \"$SAVE_TITLE\" open
dialog: file dialog \"$SAVE_TITLE\" -> C:\\e2e\\dl\\report.zip
status: Document : Done"
    wait_for_journal 1
    expect_equal "the submission file holds the seven entries" "$DOWNLOAD_REQUEST" \
        "$(sort "$C/e2e/client/done/"*.vnxsubmit 2>/dev/null)"
    expect_equal "the client's journal line" "$(journal_form download "$DOWNLOAD_REQUEST")" "$(journal_requests)"
    expect_equal "nothing is left in the request directory" "" "$(request_files)"
    expect_equal "the load-request signal counts one" "1" "$(signal_value)"
    expect_equal "the chosen directory is remembered" 'C:\e2e\dl' "$(reg_text "$SETTINGS" LoadDeliveryDir)"
}

ARCHITECTURES[request_file]="win32 win64"
case_request_file() {
    install_client
    start_client
    host rf "${PLUGIN[@]}" --click 1 --answer "$SAVE_TITLE=C:\\e2e\\dl\\quarterly.zip" "$(winpath "$PAGES/request-file.html")"
    expect_rc rf 0
    expect_grep "the request file is streamed as a file" \
        "^vxhost: instance 1: stream file:///Z:${PAGES}/quarterly\\.vnxclient, [0-9]+ bytes, NP_ASFILE$" "$WORK/rf.out"
    expect_lines "the click ends done" "$WORK/rf.out" '^status: ' 'status: Document : Done'
    wait_for_journal 1
    expect_equal "the submission file carries the request file's entries and the chosen target" \
        "$QUARTERLY_REQUEST" "$(sort "$C/e2e/client/done/"*.vnxsubmit 2>/dev/null)"
    expect_equal "one journal line" "1" "$(journal_count)"
}

ARCHITECTURES[upload]="win32 win64"
case_upload() {
    install_client
    start_client
    host up "${PLUGIN[@]}" --click 1 --answer "$OPEN_TITLE=C:\\e2e\\up\\data.txt" "$(winpath "$EXAMPLES/upload.html")"
    expect_rc up 0
    expect_lines "the Open dialog is answered and the click ends done" "$WORK/up.out" '^(dialog|status): ' \
"dialog: file dialog \"$OPEN_TITLE\" open
dialog: file dialog \"$OPEN_TITLE\" -> C:\\e2e\\up\\data.txt
status: Document : Done"
    wait_for_journal 1
    expect_equal "the upload submission holds exactly the nine entries" "$UPLOAD_REQUEST" \
        "$(sort "$C/e2e/client/done/"*.vnxsubmit 2>/dev/null)"
    expect_equal "the journal records an upload" "$(journal_form upload "$UPLOAD_REQUEST")" "$(journal_requests)"
    expect_equal "the load-request signal counts one" "1" "$(signal_value)"
}

# A local file named by the page (an upload page's file attribute, a request file's FILE) is
# handed over only after Yes in the box that names it; No, the default, ends the click cancelled.
case_named_file() {
    install_client
    start_client
    local page
    page=$(winpath "$PAGES/named-file.html")
    host no --plugin "$(winpath "$VXPLUGIN")" --clicks 1,2 --answer 'Tolvane Message =No' --answer 'Tolvane Message =No' "$page"
    expect_rc no 0
    expect_lines "each file is named in the box, and No cancels" "$WORK/no.out" '^(dialog: box.*-> |status: )' \
'dialog: box "Tolvane Message ": File: C:\e2e\up\data.txt | To: carol | Server: srv3 | Port: 609 | HTTP port: 8009 -> No
status: Tolvane Save request cancelled
dialog: box "Tolvane Message ": File: C:\e2e\up\data.txt | To: mallory:eve | Server: srv4 | Port: (none given) | HTTP port: (none given) -> No
status: Tolvane Save request cancelled'
    sleep 1
    expect_equal "no submission file is written" "" "$(request_files)"
    expect_equal "the client takes up nothing" "0" "$(journal_count)"
    expect_equal "the signal is not bumped" '<absent>' "$(signal_value)"

    host yes --plugin "$(winpath "$VXPLUGIN")" --clicks 1,2 --answer 'Tolvane Message =Yes' --answer 'Tolvane Message=Yes' "$page"
    expect_rc yes 0
    expect_lines "Yes submits both, with no other dialog" "$WORK/yes.out" '^(dialog: box.*-> |status: )' \
'dialog: box "Tolvane Message ": File: C:\e2e\up\data.txt | To: carol | Server: srv3 | Port: 609 | HTTP port: 8009 -> Yes
status: Document : Done
dialog: box "Tolvane Message ": File: C:\e2e\up\data.txt | To: mallory:eve | Server: srv4 | Port: (none given) | HTTP port: (none given) -> Yes
status: Document : Done'
    expect_equal "no file dialog" "" "$(grep -E '^dialog: file dialog' "$WORK/yes.out")"
    wait_for_journal 2
    expect_equal "the journal records both uploads as they were asked" \
        "$(printf 'upload\tCHECKSUM="0" FILE="C:\\e2e\\up\\data.txt" HTTPSERVERPORT="8009" NAME="data.txt" RECIPIENTS="carol" SERVERNAME="srv3" SERVERPORT="609" TYPE="PLAIN" UPLOAD="TRUE"\nupload\tDestBaseName="video.mp4" DestInitialDir="C:\\e2e\\deliveries\\" FILE="C:\\e2e\\up\\data.txt" NAME="video.mp4" RECIPIENTS="mallory:eve" SERVERNAME="srv4" TYPE="RICH" UPLOAD="TRUE"')" \
        "$(journal_requests)"
    expect_equal "the signal counts the two submissions" "2" "$(signal_value)"
}

case_cancel() {
    install_client
    start_client
    host cancel --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer "$SAVE_TITLE=Cancel" "$(winpath "$EXAMPLES/download.html")"
    expect_rc cancel 0
    expect_lines "a cancelled Save-As ends the click cancelled" "$WORK/cancel.out" '^status: ' \
'status: Tolvane Save request cancelled'
    sleep 1
    expect_equal "no submission file is written" "" "$(request_files)"
    expect_equal "the client takes up nothing" "0" "$(journal_count)"
    expect_equal "the signal is not bumped" '<absent>' "$(signal_value)"
    expect_equal "the delivery directory stays" 'C:\e2e\deliveries' "$(reg_text "$SETTINGS" LoadDeliveryDir)"
}

CONFIG_BOX='box "Configuration Error": The Tolvane client is not installed or configured properly \n Do You want to Get the Client Software ?'

case_config_missing_no() {
    register_dde_name
    host no --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer 'Configuration Error=No' "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc no 0
    expect_lines "without the settings key the user is asked, and No opens nothing" "$WORK/no.out" '^(status: |dialog: box.*-> |dde: |browser: )' \
"status: The Tolvane client is not installed or configured properly ...
dialog: $CONFIG_BOX -> No
status: Document: Done"
}

ARCHITECTURES[config_missing_yes]="win32 win64"
case_config_missing_yes() {
    register_dde_name
    host yes "${PLUGIN[@]}" --click 1 --answer 'Configuration Error=Yes' "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc yes 0
    expect_lines "Yes hands the page's download address to the browser by DDE" "$WORK/yes.out" '^(status: |dialog: box.*-> |dde: |browser: )' \
"status: The Tolvane client is not installed or configured properly ...
dialog: $CONFIG_BOX -> Yes
dde: WWW_OpenURL \"http://www.tolvane.example/client/setup.html\",,0,4
browser: open http://www.tolvane.example/client/setup.html
status: Document: Done"

    host yesdefault "${PLUGIN[@]}" --click 1 --answer 'Configuration Error=Yes' "$(winpath "$EXAMPLES/download.html")"
    expect_rc yesdefault 0
    expect_grep "without downloadurl the client download page is asked for" \
        '^dde: WWW_OpenURL "http://[^"/]+/download\.html",,0,4$' "$WORK/yesdefault.out"

    unregister_dde_name
    host yesnodde "${PLUGIN[@]}" --click 1 --answer 'Configuration Error=Yes' "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc yesnodde 0
    expect_equal "with no DDE name registered, Yes opens nothing" "0" "$(grep -c '^dde: ' "$WORK/yesnodde.out")"
}

case_client_started() {
    install_client
    client_running && fail "a client runs before the test"
    host started --plugin "$(winpath "$VXPLUGIN")" --pause 5000 --clicks 1,1 --answer "$SAVE_TITLE=C:\\e2e\\dl\\one.zip" \
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
    host clicks --plugin "$(winpath "$VXPLUGIN")" --clicks 1,1,2,3 --answer "$SAVE_TITLE=C:\\e2e\\dl\\a.zip" --answer "$SAVE_TITLE=Cancel" \
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
    expect_equal "the signal counts the three submissions" "3" "$(signal_value)"
    expect_equal "the journal holds the three requests in click order" \
        "$(printf 'download\tNAME="a.zip"\nupload\tNAME="data.txt"\ndownload\tNAME="quarterly figures.zip"')" \
        "$(journal_requests | sed -E 's/\t(.* )?(NAME="[^"]*").*/\t\2/')"
}

# Many clicks and clicks inside dialogs, with the host's figures of its own process (figure and
# lasting_handles in lib.sh).

milliseconds() { echo $(($(date +%s%N) / 1000000)); }

# NAME CLICK-INSTANCE EXPECTED-JOURNAL-REQUEST SIGNAL-BEFORE JOURNAL-BEFORE [BROWSER]: 1,000 clicks
# of one instance whose request needs no dialog, while the client takes the files up; the host
# plays BROWSER (classic unless given).
thousand_clicks_of() {
    local name=$1 instance=$2 expected=$3 signal_before=$4 journal_before=$5 browser=${6:-classic}
    local start end taken_up
    local unload=()
    [ "$browser" = gecko ] && unload=(--unload-delay 500)  # not Gecko's 30 s before NP_Shutdown
    start=$(milliseconds)
    # --flat 100: the host itself fails the run (exit 5) when a figure read from the 100th click to
    # the 1000th leaves its tolerance around the one at the 100th (vxhost --help states them).
    run "$name" 180 "$VXHOST" "${PLUGIN[@]}" --timeout 150 --browser "$browser" "${unload[@]}" \
        --figures --flat 100 --click "$instance" --repeat 1000 --shutdown "$(winpath "$PAGES/rich.html")"
    end=$(milliseconds)
    expect_equal "$name: handles and memory flat from click 100 to 1000" "" \
        "$(grep -E 'not flat|--flat' "$WORK/$name.err" | tr -d '\r')"
    expect_rc "$name" 0
    wait_for_journal $((journal_before + 1000)) 60
    taken_up=$(milliseconds)
    sleep 1
    expect_equal "$name: every click ends done, and nothing else is shown" "1000 0" \
        "$(grep -c '^status: Document : Done$' "$WORK/$name.out") $(grep '^status: ' "$WORK/$name.out" | grep -vc '^status: Document : Done$')"
    expect_equal "$name: the host counts 1000 clicks done" "1000" "$(grep -c "^vxhost: click $instance done$" "$WORK/$name.out")"
    tail -n +$((journal_before + 1)) "$CLIENT_DIR/journal.txt" | tr -d '\r' >"$WORK/$name.journal"
    expect_equal "$name: the client took up exactly 1000 requests" "1000" "$(wc -l <"$WORK/$name.journal")"
    expect_equal "$name: under 1000 distinct nine-digit names" "1000 1000" \
        "$(cut -f2 "$WORK/$name.journal" | sort -u | wc -l) $(cut -f2 "$WORK/$name.journal" | grep -cE '^[0-9a-f]{9}\.vnxsubmit$')"
    expect_equal "$name: each request is the instance's, complete" "$expected" "$(cut -f3- "$WORK/$name.journal" | sort -u)"
    expect_equal "$name: the done folder holds every file" "$((journal_before + 1000))" "$(done_files | wc -l)"
    expect_equal "$name: nothing rejected" "0" "$(ls "$C/e2e/client/rejected" 2>/dev/null | wc -l)"
    expect_equal "$name: no .tmp or other file is left in the request directory" "" "$(request_files)"
    expect_equal "$name: the signal grew by exactly 1000" "$((signal_before + 1000))" "$(signal_value)"

    local when
    for when in "after 100 clicks" "after 1000 clicks"; do
        [ -n "$(figure "$name" "$when" handles)" ] || fail "$name: no figures $when"
    done
    {
        echo "$name: 1000 clicks of instance $instance of rich.html ($([ "$instance" = 1 ] && echo 'attributes, TYPE RICH' || echo 'streamed request file, TYPE RICH'), $browser browser)"
        echo "  host run $((end - start)) ms (clicks $(figure "$name" "after 1000 clicks" 'elapsed ms') ms), all taken up by the client $((taken_up - start)) ms after the start"
        echo "  files taken up $(wc -l <"$WORK/$name.journal"), distinct $(cut -f2 "$WORK/$name.journal" | sort -u | wc -l), left in the request directory $(ls "$C/e2e/requests" | wc -l); signal $signal_before -> $(signal_value)"
        for when in "before the clicks" "after 1 click" "after 100 clicks" "after 1000 clicks" "after the shut-down"; do
            printf '  %-18s %s\n' "$when:" "$(grep -F "figures: $when: " "$WORK/$name.out" | tr -d '\r' | sed "s/^figures: $when: //")"
        done
    } >>"$WORK/figures.txt"
}

# 2,000 submissions through the host and the client; about 10 s here, the time-out leaves room.
TIME_LIMIT[thousand_clicks]=300
ARCHITECTURES[thousand_clicks]="win32 win64"
case_thousand_clicks() {
    install_client
    set_signal 41
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

# The client stopped and uninstalled, the browser's DDE name registered: the configuration box next.
client_gone_dde_known() {
    stop_client
    uninstall_client
    register_dde_name
}

case_reentrant_second_click() {
    install_client
    start_client
    local d='C:\e2e\dl' round
    # Three rounds of the same: instance 1's Save-As is open, instance 2 is clicked, its own Save-As
    # is answered, then the first. The first round loads the dialogs; the others must leave the
    # process as the first did.
    host second --plugin "$(winpath "$VXPLUGIN")" --figures --clicks 1,1,1 \
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
    host again --plugin "$(winpath "$VXPLUGIN")" --click 1 --during "$SAVE_TITLE=click 1" --answer "$SAVE_TITLE=Cancel" "$(winpath "$PAGES/three-downloads.html")"
    expect_rc again 2
    expect_lines "the instance cannot be clicked again inside its own dialog; its click ends cancelled" \
        "$WORK/again.out" '^(vxhost: click |status: )' \
'vxhost: click 1 on "Deliver first.zip"
status: Tolvane Save request cancelled
vxhost: click 1 done'
    expect_grep "the host is told why" '^vxhost: error: the button of instance 1 is disabled$' "$WORK/again.err"
    expect_equal "the cancelled click submits nothing" "6" "$(signal_value)"
}

ARCHITECTURES[reentrant_destroy]="win32 win64"
case_reentrant_destroy() {
    install_client
    start_client
    local d='C:\e2e\dl'
    # Instance 3 first, as the dialogs' first use; then instance 1 destroyed inside its Save-As,
    # which is confirmed, and instance 2 destroyed inside its Save-As, which is cancelled.
    host destroy "${PLUGIN[@]}" --figures --clicks 3,1,2 --during "$SAVE_TITLE=pass" --during "$SAVE_TITLE=destroy 1" \
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
    client_gone_dde_known
    host box "${PLUGIN[@]}" --click 1 --during 'Configuration Error=destroy 1' \
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
    host shutdown --plugin "$(winpath "$VXPLUGIN")" --figures --clicks 2,1 --during "$SAVE_TITLE=pass" --during "$SAVE_TITLE=shutdown" \
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
    client_gone_dde_known
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


# The browser shuts the plug-in down and unloads it while a click's dialog is open (the page went
# away meanwhile): the library stays mapped under the dialog, the click ends, the process lives on.
case_unload_under_dialog() {
    install_client
    start_client
    local d='C:\e2e\dl'
    host unload --plugin "$(winpath "$VXPLUGIN")" --click 1 --during "$SAVE_TITLE=unload" --answer "$SAVE_TITLE=$d\\unloaded.zip" \
        "$(winpath "$PAGES/three-downloads.html")"
    expect_rc unload 0
    expect_lines "NP_Shutdown and FreeLibrary inside the dialog: the library stays mapped and the click ends" \
        "$WORK/unload.out" '^(vxhost: (click|shut down|unloaded)|dialog: file dialog .* -> |status: )' \
"vxhost: click 1 on \"Deliver first.zip\"
vxhost: shut down (NP_Shutdown answered 0)
vxhost: unloaded (FreeLibrary); the library is still mapped
dialog: file dialog \"$SAVE_TITLE\" -> $d\\unloaded.zip
vxhost: click 1 ended with its instance destroyed"
    expect_equal "nothing on standard error" "" "$(cat "$WORK/unload.err")"
    wait_for_journal 1
    expect_equal "the Save-As confirmed after the unload is still submitted" \
        'NAME="first.zip" TargetPath="C:\e2e\dl\unloaded.zip"' \
        "$(journal_requests | grep -oE '\b(NAME|TargetPath)="[^"]*"' | paste -d' ' - -)"

    # With no client: unloaded while the configuration box is open, then No.
    uninstall_client
    host box --plugin "$(winpath "$VXPLUGIN")" --click 1 --during 'Configuration Error=unload' \
        --answer 'Configuration Error=No' "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc box 0
    expect_grep "the box returns into the pinned library" \
        '^vxhost: click 1 ended with its instance destroyed' "$WORK/box.out"

    # Unloaded while the start-up's own box is open: a client configured without ApplicationPath
    # and not running, so NP_Initialize tells the user.
    stop_client
    install_client
    quietly wine reg delete "$SETTINGS" /v ApplicationPath /f
    host startup --plugin "$(winpath "$VXPLUGIN")" --during 'Startup=unload' --answer 'Startup=OK' --shutdown \
        "$(winpath "$PAGES/three-downloads.html")"
    expect_rc startup 0
    expect_grep "the start-up box returns into the pinned library" '^vxhost: unloaded' "$WORK/startup.out"
}

# A Wine process started with LC_ALL=ja_JP.UTF-8 has the ANSI code page 932, where 0x83 0x5C is one
# character whose second byte is the backslash's. The proposed name keeps it whole there; under
# code page 1252 the same bytes are two characters, and the name is cut after the backslash.
case_code_page_932() {
    install_client
    start_client
    local character=$'\x83\x5C'
    printf '<html><body><embed type="application/x-vnxclient" width="240" height="30" caption="cp932"
 name="C:\\pkgs\\%s.dat" servername="srv1" contenttype="RICH"></body></html>\n' "$character" \
        >"$PAGES/cp932.html"
    LC_ALL=ja_JP.UTF-8 host cp932 --plugin "$(winpath "$VXPLUGIN")" --click 1 "$(winpath "$PAGES/cp932.html")"
    expect_rc cp932 0
    host cp1252 --plugin "$(winpath "$VXPLUGIN")" --click 1 "$(winpath "$PAGES/cp932.html")"
    expect_rc cp1252 0
    wait_for_journal 2
    expect_equal "the proposed name is split at characters of the code page" \
"DestBaseName=\"$character.dat\"
DestBaseName=\".dat\"" \
        "$(journal_requests | LC_ALL=C grep -aoE 'DestBaseName="[^"]*"')"
}
