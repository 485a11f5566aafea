# The guides' examples and steps, end to end: the example pages of docs/pages.md clicked as a reader
# of the guide would (downloads into the user's Downloads folder, request files, an upload of a file
# the page names), each submission compared with the example submission docs/client.md shows for it,
# and the trace log of docs/support.md switched on and off with the documented commands. Sourced by
# e2e.sh; each case_NAME is the ctest entry e2e.guides.NAME.

GUIDE_ROOT='C:\Users\ann'
GUIDE_DOWNLOADS='C:\Users\ann\Downloads'
DIAGNOSTICS_KEY='HKCU\Software\TOLVANE\Tolvane Delivery\Diagnostics'

# The request the client took up as the Nth journal line, as its file in done/ holds it.
taken_up_file() {
    local name
    name=$(sed -n "${1}p" "$CLIENT_DIR/journal.txt" | cut -f2 | tr -d '\r')
    cat "$CLIENT_DIR/done/$name" 2>/dev/null
}

# expect_submission N EXAMPLE: the Nth request taken up holds exactly the example's entries, each
# ended by a single LF (the order of the entries is not part of the format).
expect_submission() {
    local n=$1 example=$EXAMPLES/submissions/$2
    wait_for_journal "$n"
    expect_equal "request $n is $2" "$(sort "$example")" "$(taken_up_file "$n" | sort)"
    taken_up_file "$n" | grep -q $'\r' && fail "request $n holds a CR"
}

case_guide_examples() {
    rm -rf "$C/users/ann"
    install_client "$GUIDE_ROOT" Downloads
    CLIENT_DIR=$C/users/ann/client
    start_client

    host download --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer "$SAVE_TITLE=$GUIDE_DOWNLOADS\\report.zip" "$(winpath "$PAGES/download.html")"
    expect_rc download 0
    expect_lines "download.html: Save-As, then done" "$WORK/download.out" '^(dialog: file dialog.*-> |status: )' \
"dialog: file dialog \"$SAVE_TITLE\" -> $GUIDE_DOWNLOADS\\report.zip
status: Document : Done"
    expect_submission 1 download.vnxsubmit

    # The remembered folder is the one the user chose: the same as LoadDeliveryDir here.
    host rich --plugin "$(winpath "$VXPLUGIN")" --click 1 "$(winpath "$PAGES/rich-download.html")"
    expect_rc rich 0
    expect_lines "rich-download.html: no dialog, done" "$WORK/rich.out" '^(dialog: |status: )' \
'status: Document : Done'
    expect_submission 2 rich-download.vnxsubmit

    host rf --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer "$SAVE_TITLE=$GUIDE_DOWNLOADS\\quarterly.zip" "$(winpath "$PAGES/request-file.html")"
    expect_rc rf 0
    expect_lines "request-file.html: Save-As, then done" "$WORK/rf.out" '^(dialog: file dialog.*-> |status: )' \
"dialog: file dialog \"$SAVE_TITLE\" -> $GUIDE_DOWNLOADS\\quarterly.zip
status: Document : Done"
    expect_submission 3 request-file.vnxsubmit

    host rfrich --plugin "$(winpath "$VXPLUGIN")" --click 1 "$(winpath "$PAGES/request-file-rich.html")"
    expect_rc rfrich 0
    expect_lines "request-file-rich.html: no dialog, done" "$WORK/rfrich.out" '^(dialog: |status: )' \
'status: Document : Done'
    expect_submission 4 request-file-rich.vnxsubmit

    mkdir -p "$C/users/Public/Documents"
    printf 'weekly figures\r\n' >"$C/users/Public/Documents/weekly.txt"
    host named --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer 'Tolvane Message =Yes' "$(winpath "$PAGES/upload-named-file.html")"
    expect_rc named 0
    expect_lines "upload-named-file.html: the confirmation names the file, Yes submits" "$WORK/named.out" \
        '^(dialog: box.*-> |status: )' \
'dialog: box "Tolvane Message ": File: C:\Users\Public\Documents\weekly.txt | To: alice:bob:carol | Server: srv3 | Port: 611 | HTTP port: 8009 -> Yes
status: Document : Done'
    expect_submission 5 upload-named-file.vnxsubmit
    expect_equal "the journal tells downloads from the upload" \
        "$(printf 'download\ndownload\ndownload\ndownload\nupload')" "$(journal_requests | cut -f1)"
    rm -f "$C/users/Public/Documents/weekly.txt"
}

# docs/support.md: the reg commands as documented, the browser restarted between them.
case_support_trace_log() {
    install_client
    start_client
    local log='C:\e2e\x\npVxPlug-trace.log' page
    page=$(winpath "$PAGES/bad-name.html")
    quietly wine reg add "$DIAGNOSTICS_KEY" /v TraceLog /t REG_SZ /d "$log" /f || fail "reg add failed"
    host on --plugin "$(winpath "$VXPLUGIN")" --url https://shop.example/offers/bad-name.html --click 1 \
        --answer 'Tolvane Message =OK' --answer 'Error=OK' "$page"
    expect_rc on 0
    local written
    written=$(sed -E 's#[0-9]{2}/[0-9]{2}/[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}#DATE TIME#g; s#(RequestDispatch, line )[0-9]+#\1N#' \
        "$C/e2e/x/npVxPlug-trace.log" | od -c)
    expect_equal "switched on: the header and one entry per box, as the guide shows them" \
        "$(printf '%s' "TraceLogFileOpen at DATE TIME: $log ...LOGGED at DATE TIME: ClientApp/VexoRequest, line 411"$'\r\n'"... Asked by https://shop.example:"$'\r\n'"The request appears to have bad request information. "$'\r\n'"Missing NAME or SERVERNAME or has bad CONTENTTYPE information"$'\r\n'"LOGGED at DATE TIME: ClientApp/RequestDispatch, line N"$'\r\n'"... Tolvane save request failed : Format Exception"$'\r\n' | od -c)" \
        "$written"

    quietly wine reg delete "$DIAGNOSTICS_KEY" /f || fail "reg delete failed"
    local before
    before=$(md5sum <"$C/e2e/x/npVxPlug-trace.log")
    host off --plugin "$(winpath "$VXPLUGIN")" --click 1 --answer 'Tolvane Message =OK' --answer 'Error=OK' "$page"
    expect_rc off 0
    expect_equal "switched off: nothing more is written" "$before" "$(md5sum <"$C/e2e/x/npVxPlug-trace.log")"
    expect_equal "the switch is gone" '<absent>' "$(reg_text "$DIAGNOSTICS_KEY" TraceLog)"
}
