# The example pages with the real plug-in while the host plays each browser (vxhost --browser): the
# same pages must end as they do in the classic order. Sourced by e2e.sh; each case_NAME is the
# ctest entry e2e.browsers.NAME. The expected requests are those of plugin.sh.

# The local path of a Windows path under this prefix's C: drive.
drive_c_path() { local p=${1#C:\\}; printf '%s/%s' "$C" "${p//\\//}"; }

# BROWSER: download answered in Save-As, request file, upload answered in Open, then the machine
# without the client where Yes hands the page's address to the browser; every host run shuts the
# plug-in down at its end (Gecko: after half a second instead of its 30 s).
example_pages_under() {
    local browser=$1 options=(--plugin "$(winpath "$VXPLUGIN")" --browser "$1" --shutdown --unload-delay 500)
    install_client
    start_client

    host dl "${options[@]}" --click 1 --answer "$SAVE_TITLE=C:\\e2e\\dl\\report.zip" "$(winpath "$EXAMPLES/download.html")"
    expect_rc dl 0
    expect_lines "$browser: the download ends done" "$WORK/dl.out" '^status: ' 'status: Document : Done'
    wait_for_journal 1
    expect_equal "$browser: the download's request" "$(journal_form download "$DOWNLOAD_REQUEST")" "$(journal_requests | sed -n 1p)"

    host rf "${options[@]}" --click 1 --answer "$SAVE_TITLE=C:\\e2e\\dl\\quarterly.zip" "$(winpath "$EXAMPLES/request-file.html")"
    expect_rc rf 0
    expect_lines "$browser: the request file's click ends done" "$WORK/rf.out" '^status: ' 'status: Document : Done'
    wait_for_journal 2
    expect_equal "$browser: the request file's request" "$(journal_form download "$QUARTERLY_REQUEST")" "$(journal_requests | sed -n 2p)"

    host up "${options[@]}" --click 1 --answer "$OPEN_TITLE=C:\\e2e\\up\\data.txt" "$(winpath "$EXAMPLES/upload.html")"
    expect_rc up 0
    expect_lines "$browser: the upload ends done" "$WORK/up.out" '^status: ' 'status: Document : Done'
    wait_for_journal 3
    expect_equal "$browser: the upload's request" "$(journal_form upload "$UPLOAD_REQUEST")" "$(journal_requests | sed -n 3p)"
    expect_equal "$browser: three submissions signalled" "3" "$(signal_value)"

    client_gone_dde_known
    host yes "${options[@]}" --click 1 --answer 'Configuration Error=Yes' \
        "$(winpath "$EXAMPLES/no-client.html")"
    expect_rc yes 0
    expect_lines "$browser: without the client, Yes hands the page's address to the browser" "$WORK/yes.out" \
        '^(status: |dde: )' \
"status: The Tolvane client is not installed or configured properly ...
dde: WWW_OpenURL \"http://www.tolvane.example/client/setup.html\",,0,4
status: Document: Done"
}

case_pages_classic() {
    example_pages_under classic
}

case_pages_gecko() {
    example_pages_under gecko
    # The request file's local copy went with its stream, before the page was shown and clicked.
    local copy
    copy=$(sed -n 's/^vxhost: instance 1: the browser deleted its copy //p' "$WORK/rf.out" | tr -d '\r')
    [ -n "$copy" ] || fail "gecko: the host did not delete the request file's copy"
    [ -n "$copy" ] && [ -e "$(drive_c_path "$copy")" ] && fail "gecko: the copy $copy is still there"
    expect_lines "gecko: the copy is deleted before the page is shown, then the click submits" "$WORK/rf.out" \
        '^(vxhost: (instance 1: the browser deleted|page shown|click 1 done)|status: )' \
"vxhost: instance 1: the browser deleted its copy $copy
vxhost: page shown
status: Document : Done
vxhost: click 1 done"
}

# Gecko keeps the library loaded after the last instance: the page loaded again gets new instances,
# and a new stream whose copy is deleted at once, without a new NP_Initialize.
case_reload_gecko() {
    install_client
    start_client
    host again --plugin "$(winpath "$VXPLUGIN")" --browser gecko --click 1 --reload 2 --answer "$SAVE_TITLE=C:\\e2e\\dl\\q1.zip" \
        --answer "$SAVE_TITLE=C:\\e2e\\dl\\q2.zip" --answer "$SAVE_TITLE=C:\\e2e\\dl\\q3.zip" \
        "$(winpath "$EXAMPLES/request-file.html")"
    expect_rc again 0
    expect_equal "the page came back twice in the same library" "2" \
        "$(grep -c '^vxhost: page loaded again; the plug-in stayed loaded' "$WORK/again.out")"
    expect_equal "each load's stream left no copy, and each click submitted" "3 3" \
        "$(grep -c 'the browser deleted its copy' "$WORK/again.out") $(grep -c '^status: Document : Done' "$WORK/again.out")"
    wait_for_journal 3
    expect_equal "the three requests, each with its own target" \
'TargetPath="C:\e2e\dl\q1.zip"
TargetPath="C:\e2e\dl\q2.zip"
TargetPath="C:\e2e\dl\q3.zip"' "$(journal_requests | grep -oE 'TargetPath="[^"]*"')"
}

case_pages_chromium() {
    example_pages_under chromium
    expect_equal "chromium: its temporary copies go after NPP_Destroy" "" \
        "$(ls "$C"/users/*/Temp/nps*.tmp 2>/dev/null)"
}

TIME_LIMIT[thousand_clicks_gecko]=300
case_thousand_clicks_gecko() {
    install_client
    start_client
    : >"$WORK/figures.txt"
    thousand_clicks_of attributes_gecko 1 \
        "$(printf 'download\tDestBaseName="rich.zip" DestInitialDir="C:\\e2e\\deliveries\\" NAME="rich.zip" SERVERNAME="srv1" SERVERPORT="609" TYPE="RICH"')" 0 0 gecko
    thousand_clicks_of requestfile_gecko 2 \
        "$(printf 'download\tCHECKSUM="77" DestBaseName="rich figures.zip" DestInitialDir="C:\\e2e\\deliveries\\" NAME="rich figures.zip" SERVERNAME="srv2" SERVERPORT="609" TYPE="RICH"')" 1000 1000 gecko
    echo "---- figures of the thousand clicks under Gecko ----"
    cat "$WORK/figures.txt"
}
