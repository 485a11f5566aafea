# The setup program's cases: npVxPlug-setup-<version>.exe installs, upgrades and uninstalls under
# Wine, and the host finds what it installed through the registry alone. Sourced by e2e.sh; each
# case_NAME is the ctest entry e2e.installer.NAME. VXSETUP is the setup of this build (version
# VXVERSION, with the bridge VXBRIDGE), VXSETUP_OLD one of version 0.9.0.0 that carries the probe as
# its npVxPlug.dll, so that a replaced DLL shows, and no bridge.

SETUP_ENTRY='Software\Microsoft\Windows\CurrentVersion\Uninstall\Tolvane Delivery Plug-In'
PLUGIN_ENTRY='Software\MozillaPlugins\@tolvane.example/VexoPlug'
USER_FOLDER_TAIL='\AppData\Local\Programs\Tolvane Delivery Plug-In'
# Where Chrome, Edge, Chromium and Firefox look for the bridge's manifest.
BRIDGE_HOST_KEYS=('Software\Google\Chrome' 'Software\Microsoft\Edge' 'Software\Chromium' 'Software\Mozilla')

# "BROWSER-KEY=MANIFEST" for each browser family under root $1: the default value of its key for the
# bridge, or <absent>.
bridge_registrations() {
    local browser out
    for browser in "${BRIDGE_HOST_KEYS[@]}"; do
        out=$(timeout 20 wine reg query "$1\\$browser\\NativeMessagingHosts\\example.tolvane.vxbridge" /ve </dev/null 2>/dev/null |
            tr -d '\r' | sed -n 's/^    (Default)    REG_SZ    //p')
        echo "$browser=${out:-<absent>}"
    done
}

unix_path() { local p=${1#[Cc]:}; printf '%s%s' "$C" "${p//\\//}"; }
reg_dword() {  # REG_DWORD data of value $2 under key $1 as a decimal number, or "<absent>"
    local out
    out=$(timeout 20 wine reg query "$1" /v "$2" </dev/null 2>/dev/null | tr -d '\r' | sed -n "s/^    $2    REG_DWORD    //p")
    [ -n "$out" ] && printf '%d' "$out" || printf '<absent>'
}
# The names of the Add/Remove entries under root $1 whose DisplayName is the plug-in's.
setup_entries() {
    timeout 20 wine reg query "$1\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s </dev/null 2>/dev/null |
        tr -d '\r' | grep -c '^    DisplayName    REG_SZ    Tolvane Delivery Plug-In$'
}

# A process of this prefix whose command line matches the pattern runs (Wine 8's tasklist lists
# nothing).
wine_process_running() {
    local pid
    for pid in $(pgrep -f -- "$1"); do
        { tr '\0' '\n' <"/proc/$pid/environ"; } 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && return 0
    done
    return 1
}

# Runs the uninstaller of the entry under root $1 the way Add/Remove Programs does
# (QuietUninstallString). It returns at once: NSIS's uninstaller copies itself to %TEMP% and runs
# from there, so this waits until that copy has finished. The copy and its folder are deleted at the
# next restart.
uninstall_setup() {
    local root=$1 name=$2 command program
    command=$(reg_text "$root\\$SETUP_ENTRY" QuietUninstallString)
    [ "$command" = '<absent>' ] && { fail "$name: no QuietUninstallString under $root"; return; }
    program=${command#\"}
    program=${program%%\"*}
    expect_equal "$name: the quiet uninstall command" "\"$program\" /S" "$command"
    run "$name" 60 "$program" /S
    expect_rc "$name" 0
    for _ in $(seq 150); do
        wine_process_running '~nsu.*\.tmp\\Un' || return 0
        sleep 0.2
    done
    fail "$name: the uninstaller did not finish within 30 s"
}

# A host that shows page $2 with the registered plug-in (MIME type $3) and keeps its DLL loaded until
# release_plugin, as a running browser does.
HOLDER=
hold_plugin() {
    local name=$1 page=$2 type=$3
    timeout -k 5 60 wine "$VXHOST" "$(winpath "$page")" </dev/null >"$WORK/$name.out" 2>&1 &
    HOLDER=$!
    for _ in $(seq 100); do grep -qs '^vxhost: page shown' "$WORK/$name.out" && break; sleep 0.2; done
    expect_grep "$name: a host holds the installed DLL" "^vxhost: plug-in .*npVxPlug\\.dll \\($type" "$WORK/$name.out"
}
release_plugin() {
    kill "$HOLDER" 2>/dev/null
    wait "$HOLDER" 2>/dev/null
    HOLDER=
}

# A restart, as Windows does it: renames and deletions waiting for it are carried out.
restart_windows() { quietly wine wineboot -r || fail "wineboot -r failed"; }

# HKCU and HKLM as `reg export` writes them, less the display state that Wine rewrites whenever its
# desktop process starts again (nothing a setup program touches).
registry_snapshot() {
    local hive
    for hive in HKCU HKLM; do
        quietly wine reg export "$hive" "$(winpath "$WORK/export-$hive.reg")" /y || fail "reg export $hive failed"
        iconv -f UTF-16 -t UTF-8 "$WORK/export-$hive.reg" | tr -d '\r'
    done | awk '
        /^\[/ { skip = ($0 ~ /^\[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\(Video|ServiceCurrent)(\\|\])/) }
        /^"DriverDateData"=/ { next }
        !skip' >"$1"
}
# Every file (with its size) and folder under the Unix folders given. An empty folder ~nsuN.tmp in
# %TEMP% is left out: the uninstaller's copy of itself lived there, and under Wine the restart deletes
# the copy but not the folder (it tries the folder first).
folder_listing() {
    local folder
    for folder in "$@"; do
        echo "$folder:"
        (cd "$folder" && find . -mindepth 1 \( -type d -printf 'folder %P\n' \) -o -printf 'file %s %P\n' | sort |
            grep -vE '^folder ~nsu[0-9A-Za-z]+\.tmp$')
    done
}

# The extension installed by policy: what the force option writes for Chrome, Edge and Chromium, and
# for Firefox, with an administrator's entries beside ours.
UPDATE_URL='http://127.0.0.1:8080/bridge/update.xml'
FIREFOX_XPI='https://addons.mozilla.org/firefox/downloads/latest/vxbridge@tolvane.example/latest.xpi'
CHROMIUM_ID=jgdgagebbhgbkbfedcigkojckfigkcjj
ADMIN_ID=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa
FORCE=(/S /ALLUSERS /EXTENSION=force "/UPDATEURL=$UPDATE_URL")
# Every value under ROOT\Software\Policies as "KEY\NAME=DATA" (the key below Software\Policies), sorted.
policy_listing() {
    timeout 20 wine reg query "$1\\Software\\Policies" /s </dev/null 2>/dev/null | tr -d '\r' | awk -F '    ' '
        /^HKEY_/ { key = $0; sub(/^HKEY_[A-Z_]+\\Software\\Policies\\?/, "", key); next }
        /^    / && $2 != "(Default)" { print key "\\" $2 "=" $4 }' | LC_ALL=C sort
}
# The suite's prefix is shared by its cases: each that writes policy starts without any.
clear_policies() {
    local root key
    for root in HKLM HKCU; do
        for key in Google Microsoft\\Edge Chromium Mozilla; do
            quietly wine reg delete "$root\\Software\\Policies\\$key" /f
        done
    done
}
seed_admin_policy() {
    quietly wine reg add 'HKLM\Software\Policies\Google\Chrome\ExtensionInstallForcelist' /v 1 /d "$ADMIN_ID;https://admin.example/u.xml" /f
    quietly wine reg add 'HKLM\Software\Policies\Mozilla\Firefox\ExtensionSettings\other@admin.example' /v installation_mode /d blocked /f
}

expect_same_file() {
    local label=$1 expected=$2 actual=$3
    cmp -s "$expected" "$actual" || fail "$label: $(basename "$actual") is not $(basename "$expected")"
}

case_silent_install_and_click() {
    install_client
    quietly wine reg export "$SETTINGS" "$(winpath "$WORK/settings-before.reg")" /y
    run setup 120 "$VXSETUP" /S
    expect_rc setup 0

    local folder
    folder=$(reg_text "HKCU\\$SETUP_ENTRY" InstallLocation)
    [[ "$folder" == 'C:\users\'*"$USER_FOLDER_TAIL" ]] ||
        fail "a per-user install goes under %LOCALAPPDATA%\\Programs, not $folder"
    expect_same_file "the installed DLL is the build's" "$VXPLUGIN" "$(unix_path "$folder")/npVxPlug.dll"
    expect_same_file "the installed bridge is the build's" "$VXBRIDGE" "$(unix_path "$folder")/vxbridge.exe"
    expect_equal "the folder holds the DLL, the bridge with its manifests and the uninstaller" \
        "$(printf '%s\n' npVxPlug.dll uninstall.exe vxbridge-chromium.json vxbridge-firefox.json vxbridge.exe)" \
        "$(cd "$(unix_path "$folder")" && LC_ALL=C ls)"
    expect_equal "the Chromium manifest" \
'{
  "name": "example.tolvane.vxbridge",
  "description": "Tolvane Delivery bridge",
  "path": "vxbridge.exe",
  "type": "stdio",
  "allowed_origins": ["chrome-extension://jgdgagebbhgbkbfedcigkojckfigkcjj/"]
}' "$(cat "$(unix_path "$folder")/vxbridge-chromium.json")"
    expect_equal "the Firefox manifest" \
'{
  "name": "example.tolvane.vxbridge",
  "description": "Tolvane Delivery bridge",
  "path": "vxbridge.exe",
  "type": "stdio",
  "allowed_extensions": ["vxbridge@tolvane.example"]
}' "$(cat "$(unix_path "$folder")/vxbridge-firefox.json")"
    expect_equal "each browser family finds its manifest" \
"Software\\Google\\Chrome=$folder\\vxbridge-chromium.json
Software\\Microsoft\\Edge=$folder\\vxbridge-chromium.json
Software\\Chromium=$folder\\vxbridge-chromium.json
Software\\Mozilla=$folder\\vxbridge-firefox.json" "$(bridge_registrations HKCU)"
    expect_equal "the plug-in's registration" \
"Path=$folder\\npVxPlug.dll
Description=Plug-In for Tolvane Delivery
ProductName=Tolvane Delivery Plug-In
Vendor=Tolvane
Version=$VXVERSION
MimeTypes Description=Tolvane Delivery request
MimeTypes Suffixes=vnxclient" \
"$(for value in Path Description ProductName Vendor Version; do echo "$value=$(reg_text "HKCU\\$PLUGIN_ENTRY" $value)"; done
   for value in Description Suffixes; do
       echo "MimeTypes $value=$(reg_text "HKCU\\$PLUGIN_ENTRY\\MimeTypes\\application/x-vnxclient" $value)"; done)"
    expect_equal "the Add/Remove Programs entry" \
"DisplayName=Tolvane Delivery Plug-In
DisplayVersion=$VXVERSION
Publisher=Tolvane
InstallLocation=$folder
UninstallString=\"$folder\\uninstall.exe\"
QuietUninstallString=\"$folder\\uninstall.exe\" /S" \
"$(for value in DisplayName DisplayVersion Publisher InstallLocation UninstallString QuietUninstallString; do
       echo "$value=$(reg_text "HKCU\\$SETUP_ENTRY" $value)"; done)"
    local size kilobytes
    size=$(reg_dword "HKCU\\$SETUP_ENTRY" EstimatedSize)
    kilobytes=$(find "$(unix_path "$folder")" -type f -printf '%s\n' | awk '{ total += $1 } END { print int(total / 1024) }')
    [[ "$size" =~ ^[0-9]+$ ]] && [ $((size - kilobytes)) -le 2 ] && [ $((kilobytes - size)) -le 2 ] ||
        fail "EstimatedSize is $size KB, the folder holds $kilobytes KB"
    quietly wine reg export "$SETTINGS" "$(winpath "$WORK/settings-after.reg")" /y
    cmp -s "$WORK/settings-before.reg" "$WORK/settings-after.reg" || fail "the setup changed the client's settings key"

    # No --plugin: the host looks the plug-in up as a browser does.
    host dl --click 1 --answer "$SAVE_TITLE=C:\\e2e\\dl\\report.zip" --shutdown "$(winpath "$PAGES/download.html")"
    expect_rc dl 0
    expect_lines "the host finds the installed plug-in through the registry and the click completes" "$WORK/dl.out" \
        '^(vxhost: plug-in |status: )' \
"vxhost: plug-in $folder\\npVxPlug.dll (application/x-vnxclient) from HKCU\\$PLUGIN_ENTRY
status: Document : Done"
    wait_for_journal 1
    expect_grep "the client took the request up" 'NAME="report.zip"' "$CLIENT_DIR/journal.txt"
    stop_client
    uninstall_setup HKCU uninstall
}

case_upgrade_keeps_one_entry() {
    run old 120 "$VXSETUP_OLD" /S
    expect_rc old 0
    local folder
    folder=$(reg_text "HKCU\\$SETUP_ENTRY" InstallLocation)
    expect_equal "the older version is installed" 0.9.0.0 "$(reg_text "HKCU\\$SETUP_ENTRY" DisplayVersion)"
    expect_same_file "the older build's DLL" "$VXPROBE" "$(unix_path "$folder")/npVxPlug.dll"

    run new 120 "$VXSETUP" /S
    expect_rc new 0
    expect_equal "one Add/Remove entry after the upgrade" 1 "$(setup_entries HKCU)"
    expect_equal "the entry names the new version" "$VXVERSION" "$(reg_text "HKCU\\$SETUP_ENTRY" DisplayVersion)"
    expect_equal "the registration names the new version" "$VXVERSION" "$(reg_text "HKCU\\$PLUGIN_ENTRY" Version)"
    expect_equal "the same folder" "$folder" "$(reg_text "HKCU\\$SETUP_ENTRY" InstallLocation)"
    expect_same_file "the DLL is replaced" "$VXPLUGIN" "$(unix_path "$folder")/npVxPlug.dll"
    host list --list "$(winpath "$PAGES/download.html")"
    expect_rc list 0

    # Again over the older version, now with a browser that holds its DLL: the new one waits beside
    # it for the next restart, and the exit code says so (3010, which a Linux shell sees as 194).
    uninstall_setup HKCU uninstall
    run old-again 120 "$VXSETUP_OLD" /S
    expect_rc old-again 0
    folder=$(unix_path "$(reg_text "HKCU\\$SETUP_ENTRY" InstallLocation)")
    hold_plugin holder-old "$PAGES/probe-dialogs.html" application/x-vxprobe
    run in-use 120 "$VXSETUP" /S
    expect_rc in-use 194
    expect_same_file "the DLL in use stays until the restart" "$VXPROBE" "$folder/npVxPlug.dll"
    expect_same_file "the new DLL waits beside it" "$VXPLUGIN" "$folder/npVxPlug.dll.new"
    expect_equal "one Add/Remove entry" 1 "$(setup_entries HKCU)"
    release_plugin
    restart_windows
    expect_same_file "after the restart the new DLL is in place" "$VXPLUGIN" "$folder/npVxPlug.dll"
    [ -e "$folder/npVxPlug.dll.new" ] && fail "npVxPlug.dll.new is left after the restart"

    # Uninstalled while a browser holds the DLL: the entry and the registration go at once, the DLL
    # and its folder at the restart.
    hold_plugin holder-new "$PAGES/download.html" application/x-vnxclient
    uninstall_setup HKCU uninstall-in-use
    expect_equal "no entry" 0 "$(setup_entries HKCU)"
    expect_equal "no registration" '<absent>' "$(reg_text "HKCU\\$PLUGIN_ENTRY" Path)"
    [ -e "$folder/npVxPlug.dll" ] || fail "the DLL in use was deleted at once"
    release_plugin
    restart_windows
    [ -e "$folder" ] && fail "the install folder is left after the restart: $(ls -A "$folder")"

    # For all users: run again without options, the setup upgrades that install.
    run old-all 120 "$VXSETUP_OLD" /S /ALLUSERS
    expect_rc old-all 0
    run new-all 120 "$VXSETUP" /S
    expect_rc new-all 0
    expect_equal "one entry for all users, none for the user" "1 0" "$(setup_entries HKLM) $(setup_entries HKCU)"
    expect_equal "the entry for all users names the new version" "$VXVERSION" \
        "$(reg_text "HKLM\\$SETUP_ENTRY" DisplayVersion)"
    expect_same_file "the DLL for all users is replaced" "$VXPLUGIN" \
        "$(unix_path "$(reg_text "HKLM\\$SETUP_ENTRY" InstallLocation)")/npVxPlug.dll"
    uninstall_setup HKLM uninstall-all
}

# Install, uninstall, restart, and HKCU, HKLM and the folders are as before (the restart takes away
# the uninstaller's copy of itself in %TEMP%), for each cycle named: per user, in a folder given by
# /D= whose parents do not exist yet, for all users, and for all users with the extension's policy
# beside an administrator's. The client's settings are there throughout.
uninstall_cycles() {
    clear_policies
    install_client
    local profile
    profile=$(compgen -G "$C/users/*/AppData" | head -n 1)
    profile=${profile%/AppData}
    local cycle arguments root watched
    for cycle in "$@"; do
        case $cycle in
        user) arguments=(/S) root=HKCU watched=("$profile/AppData/Local") ;;
        # Wine joins the arguments with blanks, and /D= is read unquoted to the end of the line.
        folder) arguments=(/S '/D=C:\e2e\x\new' 'parent\Plug-In' Folder) root=HKCU watched=("$C/e2e/x") ;;
        all) arguments=(/S /ALLUSERS) root=HKLM watched=("$C/Program Files") ;;
        # The policy entries go, an administrator's beside them stay.
        force) arguments=("${FORCE[@]}") root=HKLM watched=("$C/Program Files"); seed_admin_policy ;;
        esac
        watched+=("$profile/Temp")
        restart_windows
        registry_snapshot "$WORK/$cycle-registry-before.txt"
        folder_listing "${watched[@]}" >"$WORK/$cycle-folders-before.txt"
        run "$cycle-setup" 120 "$VXSETUP" "${arguments[@]}"
        expect_rc "$cycle-setup" 0
        [ "$(reg_text "$root\\$PLUGIN_ENTRY" Path)" = '<absent>' ] && fail "$cycle: no registration under $root"
        bridge_registrations "$root" | grep -q '=<absent>$' && fail "$cycle: the bridge is not registered under $root"
        [ "$cycle" = folder ] && expect_equal "/D= names the folder" 'C:\e2e\x\new parent\Plug-In Folder' \
            "$(reg_text "HKCU\\$SETUP_ENTRY" InstallLocation)"
        [ "$cycle" != force ] && expect_equal "$cycle: by default nothing in the browsers' policy" "" \
            "$(policy_listing HKLM; policy_listing HKCU)"
        uninstall_setup "$root" "$cycle-uninstall"
        restart_windows
        registry_snapshot "$WORK/$cycle-registry-after.txt"
        folder_listing "${watched[@]}" >"$WORK/$cycle-folders-after.txt"
        if ! cmp -s "$WORK/$cycle-registry-before.txt" "$WORK/$cycle-registry-after.txt"; then
            fail "$cycle: the registry differs from before the install"
            diff "$WORK/$cycle-registry-before.txt" "$WORK/$cycle-registry-after.txt" | head -n 40 | sed 's/^/    /'
        fi
        if ! cmp -s "$WORK/$cycle-folders-before.txt" "$WORK/$cycle-folders-after.txt"; then
            fail "$cycle: the folders differ from before the install"
            diff "$WORK/$cycle-folders-before.txt" "$WORK/$cycle-folders-after.txt" | sed 's/^/    /'
        fi
    done
}
case_uninstall_leaves_nothing() { uninstall_cycles user folder all; }
case_extension_policy_uninstall_leaves_nothing() { uninstall_cycles force; }

# The force option for all users: exactly these entries, an administrator's kept beside them; run
# again (an upgrade) it rewrites its own in place; uninstall removes each entry only while it still
# holds what the setup wrote. Where an administrator lists the extension already, theirs stays.
case_extension_policy() {
    clear_policies
    seed_admin_policy
    quietly wine reg add 'HKLM\Software\Policies\Chromium\ExtensionInstallForcelist' /v 1 /d "$CHROMIUM_ID;https://admin.example/c.xml" /f
    run setup 120 "$VXSETUP" "${FORCE[@]}"
    expect_rc setup 0
    expect_equal "the policy entries after an install with the force option" \
"Chromium\\ExtensionInstallForcelist\\1=$CHROMIUM_ID;https://admin.example/c.xml
Google\\Chrome\\ExtensionInstallForcelist\\1=$ADMIN_ID;https://admin.example/u.xml
Google\\Chrome\\ExtensionInstallForcelist\\2=$CHROMIUM_ID;$UPDATE_URL
Microsoft\\Edge\\ExtensionInstallForcelist\\1=$CHROMIUM_ID;$UPDATE_URL
Mozilla\\Firefox\\ExtensionSettings\\other@admin.example\\installation_mode=blocked
Mozilla\\Firefox\\ExtensionSettings\\vxbridge@tolvane.example\\install_url=$FIREFOX_XPI
Mozilla\\Firefox\\ExtensionSettings\\vxbridge@tolvane.example\\installation_mode=force_installed" "$(policy_listing HKLM)"
    expect_equal "nothing for the user" "" "$(policy_listing HKCU)"

    # A quoted address as a command script passes it, and another Firefox source: the same entries
    # rewritten in place.
    printf '@"%s" /S /ALLUSERS /EXTENSION=force /UPDATEURL="https://u.example/b/u.xml" /FIREFOXURL=https://f.example/b.xpi\r\n@exit /b %%errorlevel%%\r\n' \
        "$(winpath "$VXSETUP")" >"$WORK/again.cmd"
    run again 120 cmd /c "$(winpath "$WORK/again.cmd")"
    expect_rc again 0
    # The administrator takes Edge's entry over: from then on it is theirs.
    quietly wine reg add 'HKLM\Software\Policies\Microsoft\Edge\ExtensionInstallForcelist' /v 1 /d "$CHROMIUM_ID;https://admin.example/e.xml" /f
    expect_equal "after the second run" \
"Chromium\\ExtensionInstallForcelist\\1=$CHROMIUM_ID;https://admin.example/c.xml
Google\\Chrome\\ExtensionInstallForcelist\\1=$ADMIN_ID;https://admin.example/u.xml
Google\\Chrome\\ExtensionInstallForcelist\\2=$CHROMIUM_ID;https://u.example/b/u.xml
Microsoft\\Edge\\ExtensionInstallForcelist\\1=$CHROMIUM_ID;https://admin.example/e.xml
Mozilla\\Firefox\\ExtensionSettings\\other@admin.example\\installation_mode=blocked
Mozilla\\Firefox\\ExtensionSettings\\vxbridge@tolvane.example\\install_url=https://f.example/b.xpi
Mozilla\\Firefox\\ExtensionSettings\\vxbridge@tolvane.example\\installation_mode=force_installed" "$(policy_listing HKLM)"

    uninstall_setup HKLM uninstall
    expect_equal "after uninstall: the administrator's entries only" \
"Chromium\\ExtensionInstallForcelist\\1=$CHROMIUM_ID;https://admin.example/c.xml
Google\\Chrome\\ExtensionInstallForcelist\\1=$ADMIN_ID;https://admin.example/u.xml
Microsoft\\Edge\\ExtensionInstallForcelist\\1=$CHROMIUM_ID;https://admin.example/e.xml
Mozilla\\Firefox\\ExtensionSettings\\other@admin.example\\installation_mode=blocked" "$(policy_listing HKLM)"
}

# Options the setup refuses before it changes anything: exit code 87, or 183 where Firefox's
# ExtensionSettings is one JSON value that the setup's entry would replace.
TIME_LIMIT[extension_policy_refused]=240
case_extension_policy_refused() {
    local row name code arguments
    clear_policies
    local rows=(
        "per_user|87|/S /EXTENSION=force /UPDATEURL=$UPDATE_URL"
        "no_address|87|/S /ALLUSERS /EXTENSION=force"
        "other_mode|87|/S /ALLUSERS /EXTENSION=normal /UPDATEURL=$UPDATE_URL"
        "address_alone|87|/S /ALLUSERS /UPDATEURL=$UPDATE_URL"
        "half_scheme|87|/S /ALLUSERS /EXTENSION=force /UPDATEURL=http:/u.example/u.xml"
        "semicolon|87|/S /ALLUSERS /EXTENSION=force /UPDATEURL=https://u.example/a;b.xml"
        "firefox_file|87|/S /ALLUSERS /EXTENSION=force /UPDATEURL=$UPDATE_URL /FIREFOXURL=file:///C:/b.xpi"
        "firefox_json|183|/S /ALLUSERS /EXTENSION=force /UPDATEURL=$UPDATE_URL"
    )
    for row in "${rows[@]}"; do
        IFS='|' read -r name code arguments <<<"$row"
        [ "$name" = firefox_json ] && quietly wine reg add 'HKLM\Software\Policies\Mozilla\Firefox' \
            /v ExtensionSettings /t REG_MULTI_SZ /d '{"other@admin.example": {"installation_mode": "blocked"}}' /f
        read -r -a arguments <<<"$arguments"
        run "$name" 60 "$VXSETUP" "${arguments[@]}"
        expect_rc "$name" "$code"
        expect_equal "$name: no install" "0 0" "$(setup_entries HKLM) $(setup_entries HKCU)"
    done
    expect_equal "nothing in the browsers' policy but the administrator's value" \
        'Mozilla\Firefox\ExtensionSettings={"other@admin.example": {"installation_mode": "blocked"}}' \
        "$(policy_listing HKLM; policy_listing HKCU)"
}

# On 64-bit Windows the setup installs both DLLs and registers each for browsers of its architecture:
# the 64-bit host finds the x64 DLL through the registry alone and its click runs, the 32-bit host
# the 32-bit DLL; the uninstaller removes both. In a 64-bit prefix of its own, made on first use.
# Skipped (exit 77) in a build without a 64-bit DLL (scripts/test always gives one).
TIME_LIMIT[both_architectures]=300
case_both_architectures() {
    [ -n "${VXPLUGIN64:-}" ] || { echo "SKIP [$CASE]: this build has no 64-bit DLL (VX_PLUGIN64)"; exit 77; }
    stop_client
    wine_prefix_start "$E2E_PREFIX64" win64 null 30 || fail "Wine does not run in $E2E_PREFIX64"
    C=$WINEPREFIX/drive_c
    quietly wine reg delete 'HKCU\Software\TOLVANE' /f

    run setup 120 "$VXSETUP" /S
    expect_rc setup 0
    local folder
    folder=$(reg_text "HKCU\\$SETUP_ENTRY" InstallLocation)
    expect_same_file "the 32-bit DLL" "$VXPLUGIN" "$(unix_path "$folder")/npVxPlug.dll"
    expect_same_file "the 64-bit DLL" "$VXPLUGIN64" "$(unix_path "$folder")/x64/npVxPlug.dll"
    expect_equal "each DLL registered under an id of its own" \
        "$folder\\npVxPlug.dll $folder\\x64\\npVxPlug.dll" \
        "$(reg_text "HKCU\\$PLUGIN_ENTRY" Path) $(reg_text "HKCU\\${PLUGIN_ENTRY}64" Path)"

    run list64 60 "$VXHOST64" --list "$(winpath "$PAGES/download.html")"
    expect_rc list64 0
    expect_lines "the 64-bit host finds the x64 DLL through the registry" "$WORK/list64.out" '^vxhost: plug-in ' \
        "vxhost: plug-in $folder\\x64\\npVxPlug.dll (application/x-vnxclient) from HKCU\\${PLUGIN_ENTRY}64"
    run list32 60 "$VXHOST" --list "$(winpath "$PAGES/download.html")"
    expect_rc list32 0
    expect_lines "the 32-bit host finds the 32-bit DLL through the registry" "$WORK/list32.out" '^vxhost: plug-in ' \
        "vxhost: plug-in $folder\\npVxPlug.dll (application/x-vnxclient) from HKCU\\$PLUGIN_ENTRY"
    # No client in this prefix: the 64-bit plug-in says so, and No ends the click.
    run click64 60 "$VXHOST64" --timeout 30 --click 1 --answer 'Configuration Error=No' --shutdown \
        "$(winpath "$PAGES/no-client.html")"
    expect_rc click64 0
    expect_grep "the x64 DLL runs the click in the 64-bit host" '^status: The Tolvane client is not installed' \
        "$WORK/click64.out"

    uninstall_setup HKCU uninstall
    expect_equal "no registration is left" "<absent> <absent>" \
        "$(reg_text "HKCU\\$PLUGIN_ENTRY" Path) $(reg_text "HKCU\\${PLUGIN_ENTRY}64" Path)"
    [ -e "$(unix_path "$folder")" ] && fail "the install folder is left: $(ls -A "$(unix_path "$folder")")"
    wine_prefix_stop "$WINEPREFIX"
}
