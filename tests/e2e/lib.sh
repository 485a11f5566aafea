# Helpers of the end-to-end cases and of scripts/demo: Wine programs run with a time-out and their
# output kept in files (never on a pipe that a process the plug-in started could hold open), checks
# that name the line of the case that failed, the client, its settings and its journal.
# Sourced, not run. The caller sets:
#   WORK        where each run leaves NAME.out, NAME.err and NAME.rc
#   VXHOST, VXCLIENT, VXPLUGIN   the host, the client and the plug-in (Unix paths)
#   CLIENT_DIR  the client's data folder (Unix path): journal.txt, done/, rejected/, client.log
#   CASE        the name failures carry

SETTINGS='HKCU\Software\TOLVANE\Tolvane Delivery\970128'
# The file dialogs' titles start with who asks, as the title shows it; the host's pages are files on
# this computer unless a case gives --url.
save_title() { printf '%s asks: Tolvane : deliver package to ...' "$1"; }
open_title() { printf '%s asks: Select : package to deliver ...' "$1"; }
SAVE_TITLE=$(save_title 'A file on this computer')
OPEN_TITLE=$(open_title 'A file on this computer')
HOST_DDE_NAME=VXHOST
E2E_LIB=${BASH_SOURCE[0]}
failures=0

winpath() { local p=${1//\//\\}; printf 'Z:%s' "$p"; }
note() { echo "-- $*"; }
# A short Wine command whose output nobody reads; its exit status is kept.
quietly() { timeout 30 "$@" </dev/null >/dev/null 2>&1; }

# FILE:LINE of the first caller outside this file: the line of the case (or of its own helper).
case_line() {
    local i
    for ((i = 1; i < ${#BASH_SOURCE[@]}; ++i)); do
        if [ "${BASH_SOURCE[i]}" != "$E2E_LIB" ]; then
            printf '%s:%s' "${BASH_SOURCE[i]#"${E2E_SOURCE:-}/"}" "${BASH_LINENO[i - 1]}"
            return
        fi
    done
}
fail() { echo "FAIL [$CASE] $(case_line): $*"; failures=$((failures + 1)); }

# ---- Wine programs

# Runs a Wine program with a time-out; NAME.out, NAME.err and NAME.rc in $WORK.
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

# ---- checks

expect_rc() {
    local name=$1 want=$2
    [ "$(rc_of "$name")" = "$want" ] || { fail "$name: exit code $(rc_of "$name"), expected $want"; show "$name"; }
}

# The lines of FILE that match the pattern, compared with the expected text exactly.
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

# ---- the registry

reg_text() {  # REG_SZ data of value $2 under key $1, or "<absent>"
    local out
    out=$(timeout 20 wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_SZ    //p")
    [ -n "$out" ] && printf '%s' "$out" || printf '<absent>'
}
signal_value() { reg_text "$SETTINGS\\LoadRequestSignal" Value; }
set_signal() { quietly wine reg add "$SETTINGS\\LoadRequestSignal" /v Value /d "$1" /f; }

# The browser's DDE name, as the plug-in looks it up to hand an address to the browser.
register_dde_name() { quietly wine reg add 'HKCR\http\shell\open\ddeexec\Application' /ve /d "$HOST_DDE_NAME" /f; }
unregister_dde_name() { quietly wine reg delete 'HKCR\http\shell\open\ddeexec' /f; }

# ---- the client

# install_client [WINDOWS-FOLDER [DELIVERY-FOLDER-NAME]]: the client's data, requests and deliveries
# under one folder (C:\e2e and deliveries unless given); the run is named "install". The plug-in is
# not registered by it: its setup program does that, or the host is given the DLL with --plugin.
install_client() {
    local root=${1:-'C:\e2e'} deliveries=${2:-deliveries}
    client install --install --data-dir "$root\\client" \
        --request-dir "$root\\requests" --delivery-dir "$root\\$deliveries"
    expect_rc install 0
}
uninstall_client() { quietly wine "$VXCLIENT" --uninstall; }
client_running() { timeout 20 wine "$VXCLIENT" --status </dev/null >/dev/null 2>&1; }

start_client() {
    (timeout -k 5 120 wine "$VXCLIENT" </dev/null >"$WORK/client-run.out" 2>&1 &)
    for _ in $(seq 50); do client_running && return 0; sleep 0.2; done
    fail "the client did not come up"
}

stop_client() { quietly wine "$VXCLIENT" --stop || true; }

journal_count() { [ -f "$CLIENT_DIR/journal.txt" ] && wc -l <"$CLIENT_DIR/journal.txt" || echo 0; }
wait_for_journal() {  # until the journal has $1 lines, $2 seconds (10 unless given) at most
    for _ in $(seq $((${2:-10} * 5))); do [ "$(journal_count)" -ge "$1" ] && return 0; sleep 0.2; done
    fail "the journal has $(journal_count) lines, expected $1"
}
# Journal lines without their time stamp and file name: "kind<TAB>entries".
journal_requests() { cut -f3- "$CLIENT_DIR/journal.txt" | tr -d '\r'; }
done_files() { ls "$CLIENT_DIR/done" 2>/dev/null; }

# ---- the host's figures of its own process
# ("figures: WHEN: handles H, dialog MRU keys K, private bytes P, working set W, heap in use U,
# plug-in blocks B, elapsed ms E"; Wine's Save-As dialog leaves one LastVisitedMRU key open per
# confirmed dialog, so the handles the plug-in could leak are H - K).

figure() {  # figure HOST-RUN WHEN NAME: the number after NAME in the figures line of WHEN
    grep -F "figures: $2: " "$WORK/$1.out" | head -n 1 | tr -d '\r' | sed -nE "s/.*[:,] $3 (-?[0-9]+).*/\1/p"
}
lasting_handles() { echo $(($(figure "$1" "$2" handles) - $(figure "$1" "$2" 'dialog MRU keys'))); }
