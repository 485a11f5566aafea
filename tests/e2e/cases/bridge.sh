# The native messaging host under Wine, started as a Linux browser starts it: through the browser
# cases' launcher (tests/browser/vxbridge-launcher.sh), with a pipe for the click that stays open as
# the browser's port does and a pipe for the replies; vxanswer answers its dialogs as the user
# would. Sourced by e2e.sh; each case_NAME is the ctest entry e2e.bridge.NAME.

RICH_CLICK='{"type":"click","attributes":[["type","application/x-vnxclient"],["name","pkg.zip"],["servername","srv1"],["port","609"],["contenttype","RICH"]],"sender":{"origin":"https://news.example","topOrigin":"https://news.example","frame":"top"}}'

# frame BODY: the 4-byte little-endian length, then the body.
frame() {
    local LC_ALL=C
    local length=${#1}
    printf "\\x$(printf %02x $((length & 255)))\\x$(printf %02x $((length >> 8 & 255)))"
    printf "\\x$(printf %02x $((length >> 16 & 255)))\\x$(printf %02x $((length >> 24 & 255)))"
    printf '%s' "$1"
}
# The messages in FILE, one a line.
unframe() {
    local bytes at=0 length
    read -r -a bytes <<<"$(od -An -v -tu1 "$1" | tr -s ' \n' '  ')"
    while [ $((at + 4)) -le ${#bytes[@]} ]; do
        length=$((bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | bytes[at + 3] << 24))
        tail -c +$((at + 5)) "$1" | head -c "$length"
        echo
        at=$((at + 4 + length))
    done
}
now_ms() { date +%s%3N; }

# bridge_click NAME MESSAGE ANSWER...: one click. The host gets MESSAGE on a pipe kept open until it
# exits, its replies go through a pipe to a reader (NAME.replies); vxanswer gives the answers
# (NAME-answer.out, NAME-answer.rc; its options may come first, and with --hold or --press the host
# gets MESSAGE only once the key is down). NAME.rc: the host's exit code; NAME.exited and NAME.eof:
# when the host exited and when the reader saw the end of the replies (ms), or no NAME.eof when it
# did not within 10 s of the exit.
bridge_click() {
    local name=$1 message=$2 port
    shift 2
    timeout -k 5 60 wine "$VXANSWER" --timeout 30 "$@" </dev/null >"$WORK/$name-answer.out" 2>&1 &
    local answerer=$!
    mkfifo "$WORK/$name.port" "$WORK/$name.replies-pipe"
    { cat "$WORK/$name.replies-pipe" >"$WORK/$name.replies"; now_ms >"$WORK/$name.eof"; } &
    local reader=$!
    VXBRIDGE_EXE=$VXBRIDGE VXBRIDGE_WINEPREFIX=$WINEPREFIX VXBRIDGE_LOG=$WORK/$name.err \
        timeout -k 5 60 "$E2E_SOURCE/../browser/vxbridge-launcher.sh" chrome-extension://$VXEXTENSION_ID/ \
        <"$WORK/$name.port" >"$WORK/$name.replies-pipe" &
    local host=$!
    exec {port}>"$WORK/$name.port"
    if [[ " $* " == *" --hold "* || " $* " == *" --press "* ]]; then
        local started='^vxanswer: (holding|pressing) '
        for _ in $(seq 300); do grep -qE "$started" "$WORK/$name-answer.out" && break; sleep 0.1; done
        grep -qE "$started" "$WORK/$name-answer.out" || fail "$name: vxanswer did not start its key in 30 s"
    fi
    frame "$message" >&"$port"
    wait "$host"
    echo $? >"$WORK/$name.rc"
    now_ms >"$WORK/$name.exited"
    exec {port}>&-
    wait "$answerer"
    echo $? >"$WORK/$name-answer.rc"
    for _ in $(seq 50); do kill -0 "$reader" 2>/dev/null || break; sleep 0.2; done
    if kill -0 "$reader" 2>/dev/null; then
        kill "$reader"
        wait "$reader" 2>/dev/null
        rm -f "$WORK/$name.eof"
    fi
    [ "$(rc_of "$name")" = 124 ] && fail "$name: the host was killed after 60 s (hang)"
    return 0
}

# A RICH page asks nothing of its own: the bridge asks in the confirmation, which vxanswer finds in
# the foreground and answers Yes once it takes input; the submission reaches the client.
case_rich_click_confirmed() {
    install_client
    start_client
    bridge_click rich "$RICH_CLICK" 'Tolvane Message =Yes'
    expect_rc rich 0
    expect_rc rich-answer 0
    expect_lines "the confirmation, in the foreground, answered Yes" "$WORK/rich-answer.out" ' -> ' \
        'vxanswer: box "Tolvane Message ": Package: pkg.zip | Server: srv1 | Port: 609 | HTTP port: (none given) (in the foreground) -> Yes'
    expect_equal "the replies" \
'{"type":"status","text":"Document : Done"}
{"type":"done","result":"submitted"}' "$(unframe "$WORK/rich.replies")"
    wait_for_journal 1
    expect_equal "the client took the submission up from the request directory" \
        'download	DestBaseName="pkg.zip" DestInitialDir="C:\e2e\deliveries\" NAME="pkg.zip" SERVERNAME="srv1" SERVERPORT="609" TYPE="RICH"' \
        "$(journal_requests)"
    expect_equal "the signal" 1 "$(signal_value)"
}

# No client runs: the host's configuration check starts it, detached. The reader of the host's
# replies sees their end when the host exits, although the client it started still runs.
case_client_holds_no_pipe() {
    install_client
    client_running && fail "a client runs before the click"
    bridge_click detached "$RICH_CLICK" 'Tolvane Message =No'
    expect_rc detached 0
    expect_rc detached-answer 0
    expect_equal "the click ends cancelled" \
'{"type":"status","text":"Tolvane Save request cancelled"}
{"type":"done","result":"cancelled"}' "$(unframe "$WORK/detached.replies")"
    if [ -f "$WORK/detached.eof" ]; then
        local after=$(($(cat "$WORK/detached.eof") - $(cat "$WORK/detached.exited")))
        [ "$after" -le 2000 ] || fail "the replies ended ${after} ms after the host exited"
    else
        fail "the replies did not end within 10 s of the host's exit: their pipe is held open"
    fi
    client_running || fail "the client the host started is not running"
}

# A key held down, or pressed every 50 ms, from before the confirmation appears until it has been
# open twice its arming delay: vxanswer strokes the key through the system's input, as a keyboard
# would, and answers nothing meanwhile. The confirmation stays open with Yes taking no input and no
# file dialog opens; only after the release does the answer Yes go on to the file dialog, and each
# click submits once. Rows on standard input: the vxanswer option, its key, what vxanswer says when
# it lets go.
held_key_rows() {
    local route=$1 message=$2 fields=$3 title=$4 file=$5 received=$6 option key done_holding answered
    local expected_journal=""
    while read -r option key done_holding; do
        local name=$route-$option-$key
        bridge_click "$name" "$message" "--$option" "$key" 'Tolvane Message =Yes' "$title=$file"
        expect_rc "$name" 0
        answered=$(grep -E '^vxanswer: (released |stopped pressing |.* closed while |file dialog .* \(open, )| -> ' \
            "$WORK/$name-answer.out" | tr -d '\r' | sed -E 's/ \(open, [^)]*\)$/ (open)/')
        expect_equal "$name: nothing answered while $key was down, then Yes and the file dialog" \
"vxanswer: $done_holding $key after box \"Tolvane Message \" was open 2000 ms: it stayed open and its Yes took no input
vxanswer: box \"Tolvane Message \": $fields (in the foreground) -> Yes
vxanswer: file dialog \"$title\" (open)
vxanswer: file dialog \"$title\" (in the foreground) -> $file" "$answered"
        expect_equal "$name: the replies" \
'{"type":"status","text":"Document : Done"}
{"type":"done","result":"submitted"}' "$(unframe "$WORK/$name.replies")"
        expected_journal+=${expected_journal:+$'\n'}$received
    done
    wait_for_journal "$(grep -c . <<<"$expected_journal")"
    expect_equal "$route: each click submitted once, with the user's file" "$expected_journal" "$(journal_requests)"
}

DOWNLOAD_CLICK='{"type":"click","attributes":[["type","application/x-vnxclient"],["name","report.zip"],["servername","srv1"],["port","609"]],"sender":{"origin":"https://news.example","topOrigin":"https://news.example","frame":"top"}}'
UPLOAD_CLICK='{"type":"click","attributes":[["type","application/x-vnxclient"],["upload","true"],["servername","srv3"],["RECIPIENTS","alice:bob"]],"sender":{"origin":"https://news.example","topOrigin":"https://news.example","frame":"top"}}'

case_save_as_after_held_keys() {
    install_client
    start_client
    held_key_rows save-as "$DOWNLOAD_CLICK" \
        'Package: report.zip | File name: report.zip | Server: srv1 | Port: 609 | HTTP port: (none given)' \
        "$(save_title https://news.example)" 'C:\e2e\dl\report.zip' \
        'download	DestBaseName="C:\e2e\dl\report.zip" DestInitialDir="C:\e2e\dl" NAME="report.zip" SERVERNAME="srv1" SERVERPORT="609" TYPE="PLAIN" TargetPath="C:\e2e\dl\report.zip"' <<'ROWS'
hold Enter released
hold Y released
press Y stopped pressing
ROWS
}

case_open_after_held_keys() {
    install_client
    start_client
    held_key_rows open "$UPLOAD_CLICK" 'To: alice:bob | Server: srv3 | Port: 609 | HTTP port: 8009' \
        "$(open_title https://news.example)" 'C:\e2e\up\data.txt' \
        'upload	CHECKSUM="0" FILE="C:\e2e\up\data.txt" HTTPSERVERPORT="8009" NAME="data.txt" RECIPIENTS="alice:bob" SERVERNAME="srv3" SERVERPORT="609" TYPE="PLAIN" UPLOAD="TRUE"' <<'ROWS'
hold Enter released
hold Y released
ROWS
}
