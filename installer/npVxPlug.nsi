; Setup program of the Tolvane Delivery plug-in: installs npVxPlug.dll (and its 64-bit twin when the
; build gives one), registers each where browsers of its architecture look for plug-ins, installs the
; bridge vxbridge.exe with its two host manifests and registers them where Chrome, Edge, Chromium and
; Firefox look for native messaging hosts, and writes an Add/Remove Programs entry with an uninstaller
; that takes away exactly what the setup wrote.
;
; Built by the CMake target "installer":
;   makensis -DVERSION=1.0.0.1 -DPLUGIN32=<npVxPlug.dll> [-DPLUGIN64=<x64 npVxPlug.dll>]
;            -DMIME_TYPE=application/x-vnxclient -DREQUEST_FILE_EXTENSION=vnxclient
;            [-DBRIDGE=<vxbridge.exe> -DBRIDGE_HOST=example.tolvane.vxbridge
;             -DBRIDGE_MANIFEST_CHROMIUM=<vxbridge-chromium.json> -DBRIDGE_MANIFEST_FIREFOX=<vxbridge-firefox.json>]
;            -DOUTFILE=<npVxPlug-setup-1.0.0.1.exe> npVxPlug.nsi
;
; Command line: /S (silent), /ALLUSERS (all users, under Program Files; needs administrator rights),
; /CURRENTUSER (the default), /EXTENSION=force /UPDATEURL=URL [/FIREFOXURL=URL] (with /ALLUSERS: the
; browsers' policy that installs the bridge extension), /D=FOLDER (last, unquoted). Options and exit
; codes are in installer/README.md.
;
; The delivery client's settings key (HKCU\Software\TOLVANE\...) belongs to the client's own setup:
; nothing here reads, writes or removes it.

!ifndef VERSION
  !error "define VERSION, PLUGIN32 and OUTFILE (see the head of this file)"
!endif
!ifndef PLUGIN32
  !error "define VERSION, PLUGIN32 and OUTFILE (see the head of this file)"
!endif
!ifndef OUTFILE
  !error "define VERSION, PLUGIN32 and OUTFILE (see the head of this file)"
!endif
; From shared/bridge-constants.json, as the plug-in's version resource and the extension have them.
!ifndef MIME_TYPE
  !error "define MIME_TYPE and REQUEST_FILE_EXTENSION (see the head of this file)"
!endif
!ifndef REQUEST_FILE_EXTENSION
  !error "define MIME_TYPE and REQUEST_FILE_EXTENSION (see the head of this file)"
!endif

Unicode true
ManifestDPIAware true
; A per-user install needs no administrator; /ALLUSERS checks for the rights itself.
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include nsDialogs.nsh
!include MUI2.nsh

!define PRODUCT "Tolvane Delivery Plug-In"
!define PUBLISHER "Tolvane"
!define DLL "npVxPlug.dll"
!define PLUGINS_KEY "Software\MozillaPlugins"
; Browsers of both architectures read the same HKCU key, and each skips a library it cannot load,
; so the two libraries need ids of their own.
!define PLUGIN_ID32 "@tolvane.example/VexoPlug"
!define PLUGIN_ID64 "@tolvane.example/VexoPlug64"
!define UNINSTALL_PARENT "Software\Microsoft\Windows\CurrentVersion\Uninstall"
!define UNINSTALL_KEY "${UNINSTALL_PARENT}\${PRODUCT}"
!define UNINSTALLER "uninstall.exe"
; What the setup created besides its own keys and files, kept in its Add/Remove entry so that the
; uninstaller removes those too and nothing that was there before.
!define CREATED_KEYS "SetupCreatedKeys"      ; bits: 1 plug-ins key, 2 its 64-bit view, 4 Uninstall key
!define CREATED_FOLDER "SetupCreatedFolder"  ; the outermost folder the setup created ("" for none)

; The bridge: the program, its manifests (their "path" is relative to their folder) and the keys under
; which each browser family looks for a host's manifest (the key's default value is the manifest's
; full path). Each browser also reads the 32-bit view of HKLM, where this 32-bit setup writes.
!define BRIDGE_EXE "vxbridge.exe"
!define MANIFEST_CHROMIUM "vxbridge-chromium.json"
!define MANIFEST_FIREFOX "vxbridge-firefox.json"
!define HOSTS_CHROME "Software\Google\Chrome\NativeMessagingHosts"
!define HOSTS_EDGE "Software\Microsoft\Edge\NativeMessagingHosts"
!define HOSTS_CHROMIUM "Software\Chromium\NativeMessagingHosts"
!define HOSTS_FIREFOX "Software\Mozilla\NativeMessagingHosts"
; Per browser, the outermost key of the host key's path that the setup created ("" for none): the
; uninstaller removes the host key and those of its parents up to that one that are empty.
!define CREATED_HOST_KEY "SetupCreatedHostKey"  ; + Chrome, Edge, Chromium, Firefox

!ifdef BRIDGE
; The extension installed by policy (/EXTENSION=force): the key under which each browser reads its
; machine policy. Chromium-based browsers take "ID;UPDATE-URL" entries in a list of numbered values,
; Firefox an ExtensionSettings object whose entries it also reads as keys.
!define POLICY_CHROME "Software\Policies\Google\Chrome"
!define POLICY_EDGE "Software\Policies\Microsoft\Edge"
!define POLICY_CHROMIUM "Software\Policies\Chromium"
!define POLICY_FIREFOX "Software\Policies\Mozilla\Firefox"
!define FORCELIST "ExtensionInstallForcelist"
!define FIREFOX_SETTINGS "ExtensionSettings"
; Per browser, under the Add/Remove entry: the value written (its name and data) and the outermost
; key that writing it created, so that the uninstaller removes it only while it holds what was
; written, and the keys only when nothing else has moved in.
!define POLICY_NAME "SetupPolicyName"        ; + Chrome, Edge, Chromium (Firefox: always install_url)
!define POLICY_DATA "SetupPolicyData"        ; + Chrome, Edge, Chromium, Firefox
!define POLICY_CREATED "SetupPolicyCreated"  ; + Chrome, Edge, Chromium, Firefox
!endif

; Exit codes beside NSIS's own (0 done, 1 cancelled by the user, 2 stopped by an error).
!define EXIT_RESTART_NEEDED 3010   ; done; a library in use is replaced at the next restart
!define EXIT_ELEVATION_NEEDED 740  ; /ALLUSERS without administrator rights
!define EXIT_IN_USE 32             ; a library in use, and no rights to replace it at the restart
!define EXIT_BAD_OPTION 87         ; an option that cannot be followed; nothing was changed
!define EXIT_POLICY_CONFLICT 183   ; the policy would replace an administrator's; nothing was changed

Name "${PRODUCT}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

Var AllUsers        ; "1" for an install for all users
Var FolderGiven     ; "1" when /D= named the folder
Var ModeCurrentUser ; radio buttons of the mode page
Var ModeAllUsers
!ifdef BRIDGE
Var CreatedChrome   ; the values of ${CREATED_HOST_KEY}<browser> this setup records
Var CreatedEdge
Var CreatedChromium
Var CreatedFirefox
Var ForceExtension  ; "1" with /EXTENSION=force
Var UpdateUrl       ; /UPDATEURL=: the Chromium browsers' update manifest
Var FirefoxUrl      ; /FIREFOXURL=, else the build's address of the signed add-on
Var FinishText      ; the last page: where to get the extension, or that policy installs it
!endif

!define MUI_ABORTWARNING
Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!ifdef BRIDGE
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT "$FinishText"
!endif
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH
!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------------------------------------
; Shared by the setup and the uninstaller (NSIS wants "un." names in the uninstaller).

; Deletes library FILE. One that a browser holds goes at the next restart; only an administrator can
; have Windows do that, so anyone else is asked to close the browsers (exit code 32 when they do not).
!macro REMOVE_LIBRARY PREFIX FILE
  ${DoWhile} ${FileExists} "${FILE}"
    ClearErrors
    Delete "${FILE}"
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    Push $0
    Call ${PREFIX}CheckAllUsersRights
    ${If} $0 == ""
      Pop $0
      Delete /REBOOTOK "${FILE}"
      ${Break}
    ${EndIf}
    Pop $0
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${FILE} is in use by a browser. Close every browser, then choose Retry." /SD IDCANCEL IDRETRY`
      SetErrorLevel ${EXIT_IN_USE}
      Abort
    ${EndIf}
  ${Loop}
!macroend

!macro SHARED_FUNCTIONS PREFIX
; Registry root and shell folders of the current mode ($AllUsers).
Function ${PREFIX}ApplyMode
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Empty when the account may write the machine's keys and Program Files.
Function ${PREFIX}CheckAllUsersRights
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 == "Admin"
    StrCpy $0 ""
  ${Else}
    StrCpy $0 "Installing for all users needs administrator rights. Run the setup program as an administrator, or install for yourself only."
  ${EndIf}
FunctionEnd

; Removes the files of an install in folder $0 and the folders it created ($1: the outermost one).
; A library still loaded by a browser goes at the next restart.
Function ${PREFIX}RemoveFiles
  !insertmacro REMOVE_LIBRARY "${PREFIX}" "$0\${DLL}"
  !insertmacro REMOVE_LIBRARY "${PREFIX}" "$0\x64\${DLL}"
  ; Left by a replacement that still waits for a restart.
  Delete /REBOOTOK "$0\${DLL}.new"
  Delete /REBOOTOK "$0\x64\${DLL}.new"
  ; The bridge; a browser may have it running for a click.
  !insertmacro REMOVE_LIBRARY "${PREFIX}" "$0\${BRIDGE_EXE}"
  Delete /REBOOTOK "$0\${BRIDGE_EXE}.new"
  Delete "$0\${MANIFEST_CHROMIUM}"
  Delete "$0\${MANIFEST_FIREFOX}"
  Delete "$0\${UNINSTALLER}"
  RMDir /REBOOTOK "$0\x64"
  ${If} $1 != ""
    Push $2
    StrCpy $2 $0
    ${Do}
      RMDir /REBOOTOK $2
      ${If} $2 == $1
        ${Break}
      ${EndIf}
      ${GetParent} $2 $2
    ${LoopUntil} $2 == ""
    Pop $2
  ${EndIf}
FunctionEnd

!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; ---------------------------------------------------------------------------------------------
; Setup

; The folder of this mode's earlier install, or the default one.
Function DefaultFolder
  ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $INSTDIR != ""
    Return
  ${EndIf}
  ${If} $AllUsers == 1
    StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT}"
!ifdef PLUGIN64
    ${If} ${RunningX64}
      StrCpy $INSTDIR "$PROGRAMFILES64\${PRODUCT}"
    ${EndIf}
!endif
  ${Else}
    ; Where Windows puts programs of one user.
    StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT}"
  ${EndIf}
FunctionEnd

!ifdef BRIDGE
; The extension's options. GetOptions would end a value at its first "/", so addresses are read here.

; The value of the option on the stack (for example "/UPDATEURL=") on the command line: the text up
; to the next blank, or between the quotes that follow it; on the stack. Sets the error flag when the
; option is not there.
Function OptionValue
  Exch $1
  Push $2
  Push $3
  Push $4
  Push $5
  ${GetParameters} $5
  StrLen $4 $1
  StrCpy $2 0
  ${Do}
    StrCpy $3 $5 $4 $2
    ${If} $3 == ""
      StrCpy $1 ""
      SetErrors
      Goto done
    ${EndIf}
    ${If} $3 == $1
      ${If} $2 == 0
        ${Break}
      ${EndIf}
      IntOp $3 $2 - 1
      StrCpy $3 $5 1 $3
      ${If} $3 == " "
        ${Break}
      ${EndIf}
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  IntOp $2 $2 + $4
  StrCpy $1 ""
  StrCpy $4 " "
  StrCpy $3 $5 1 $2
  ${If} $3 == '"'
    StrCpy $4 '"'
    IntOp $2 $2 + 1
  ${EndIf}
  ${Do}
    StrCpy $3 $5 1 $2
    ${If} $3 == ""
    ${OrIf} $3 == $4
      ${Break}
    ${EndIf}
    StrCpy $1 "$1$3"
    IntOp $2 $2 + 1
  ${Loop}
  ClearErrors
  done:
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Exch $1
FunctionEnd

; "" when the address on the stack may go into a policy (http or https, no blank, quote or ";", which
; ends an entry of the Chromium list), else why not; on the stack.
Function PolicyAddressProblem
  Exch $1
  Push $2
  Push $3
  StrCpy $2 $1 8
  StrCpy $3 $1 7
  ${If} $2 != "https://"
  ${AndIf} $3 != "http://"
    StrCpy $1 "$1 is no http:// or https:// address"
    Goto done
  ${EndIf}
  StrCpy $2 0
  ${Do}
    StrCpy $3 $1 1 $2
    ${If} $3 == ""
      StrCpy $1 ""
      ${Break}
    ${EndIf}
    ${If} $3 == " "
    ${OrIf} $3 == '"'
    ${OrIf} $3 == ";"
      StrCpy $1 "$1 holds a blank, a quote or a semicolon"
      ${Break}
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  done:
  Pop $3
  Pop $2
  Exch $1
FunctionEnd

; Ends the setup before it changes anything, with exit code CODE and the text on the stack.
!macro REFUSE CODE
  Exch $0
  MessageBox MB_ICONSTOP "$0" /SD IDOK
  SetErrorLevel ${CODE}
  Quit
!macroend

; Where the browsers read machine policy: the 64-bit view on 64-bit Windows (32-bit browsers read the
; same: Software\Policies is shared between the views).
!macro POLICY_VIEW
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

; /EXTENSION=force /UPDATEURL=URL [/FIREFOXURL=URL]: checked before anything is changed (exit code 87,
; or 183 where Firefox's policy holds ExtensionSettings as one JSON value, which the setup's entry
; would replace whole). Sets $ForceExtension, $UpdateUrl, $FirefoxUrl and the last page's text.
Function ReadExtensionOptions
  StrCpy $ForceExtension 0
  Push "/EXTENSION="
  Call OptionValue
  Pop $0
  ${IfNot} ${Errors}
    ${If} $0 != "force"
      Push "/EXTENSION=$0: the setup knows only /EXTENSION=force."
      !insertmacro REFUSE ${EXIT_BAD_OPTION}
    ${EndIf}
    StrCpy $ForceExtension 1
  ${EndIf}
  Push "/UPDATEURL="
  Call OptionValue
  Pop $UpdateUrl
  Push "/FIREFOXURL="
  Call OptionValue
  Pop $FirefoxUrl
  ${If} $ForceExtension == 0
    ${If} "$UpdateUrl$FirefoxUrl" != ""
      Push "/UPDATEURL= and /FIREFOXURL= go with /EXTENSION=force."
      !insertmacro REFUSE ${EXIT_BAD_OPTION}
    ${EndIf}
    StrCpy $FinishText "${PRODUCT} has been installed.$\r$\n$\r$\nIn Chrome, Edge and Firefox, pages also need the Tolvane Delivery bridge extension, from the browser's store:$\r$\n$\r$\n"
!if "${STORE_CHROME}" == ""
    StrCpy $FinishText "$FinishText  Chrome: not in the Chrome Web Store yet; ask the site that sent you here$\r$\n"
!else
    StrCpy $FinishText "$FinishText  Chrome: ${STORE_CHROME}$\r$\n"
!endif
!if "${STORE_EDGE}" == ""
    StrCpy $FinishText "$FinishText  Edge: not in Edge Add-ons yet; ask the site that sent you here$\r$\n"
!else
    StrCpy $FinishText "$FinishText  Edge: ${STORE_EDGE}$\r$\n"
!endif
!if "${STORE_FIREFOX}" == ""
    StrCpy $FinishText "$FinishText  Firefox: not on addons.mozilla.org yet; ask the site that sent you here$\r$\n"
!else
    StrCpy $FinishText "$FinishText  Firefox: ${STORE_FIREFOX}$\r$\n"
!endif
    StrCpy $FinishText "$FinishText$\r$\nNo browser restart is needed."
    Return
  ${EndIf}

!if "${FORCE_CHROMIUM_ID}" == ""
  Push "This setup names no Chromium extension id, so it cannot install the extension by policy."
  !insertmacro REFUSE ${EXIT_BAD_OPTION}
!endif
  ${If} $UpdateUrl == ""
    Push "/EXTENSION=force needs /UPDATEURL=, the address of the extension's update manifest."
    !insertmacro REFUSE ${EXIT_BAD_OPTION}
  ${EndIf}
  ${If} $FirefoxUrl == ""
    StrCpy $FirefoxUrl "${FIREFOX_INSTALL_URL}"
  ${EndIf}
  Push $UpdateUrl
  Call PolicyAddressProblem
  Pop $0
  ${If} $0 == ""
    Push $FirefoxUrl
    Call PolicyAddressProblem
    Pop $0
  ${EndIf}
  ${If} $0 != ""
    Push "$0."
    !insertmacro REFUSE ${EXIT_BAD_OPTION}
  ${EndIf}
  ${If} $AllUsers != 1
    Push "/EXTENSION=force sets the browsers' policy for every user of the computer: it needs /ALLUSERS."
    !insertmacro REFUSE ${EXIT_BAD_OPTION}
  ${EndIf}
  ; A value of any type: the JSON is usually REG_MULTI_SZ, which ReadRegStr does not read.
  !insertmacro POLICY_VIEW
  StrCpy $1 0
  ${Do}
    ClearErrors
    EnumRegValue $0 HKLM "${POLICY_FIREFOX}" $1
    ${If} ${Errors}
    ${OrIf} $0 == ""
      ${Break}
    ${EndIf}
    ${If} $0 == "${FIREFOX_SETTINGS}"
      SetRegView 32
      Push "Firefox's policy holds ${FIREFOX_SETTINGS} as one value (JSON) under HKLM\${POLICY_FIREFOX}; the setup's entry would replace it. Add the extension to it yourself (docs/admin.md), or keep the entries as keys."
      !insertmacro REFUSE ${EXIT_POLICY_CONFLICT}
    ${EndIf}
    IntOp $1 $1 + 1
  ${Loop}
  SetRegView 32
  StrCpy $FinishText "${PRODUCT} has been installed.$\r$\n$\r$\nThe Tolvane Delivery bridge extension is installed by policy in Chrome, Edge, Chromium and Firefox for every user, the next time each browser starts."
FunctionEnd
!endif

Function .onInit
  SetRegView 32
  StrCpy $FolderGiven 0
  ${If} $INSTDIR != ""
    StrCpy $FolderGiven 1
  ${EndIf}
  ; Without an option, an install for all users that is already there is upgraded in its place
  ; (when the account may), so that there stays one entry.
  StrCpy $AllUsers 0
  ReadRegStr $R1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R2 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R1 != ""
  ${AndIf} $R2 == ""
    Call CheckAllUsersRights
    ${If} $0 == ""
      StrCpy $AllUsers 1
    ${EndIf}
  ${EndIf}
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/ALLUSERS" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 1
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/CURRENTUSER" $R1
  ${IfNot} ${Errors}
    StrCpy $AllUsers 0
  ${EndIf}
!ifdef BRIDGE
  Call ReadExtensionOptions
!endif
  ${If} $AllUsers == 1
    Call CheckAllUsersRights
    ${If} $0 != ""
      MessageBox MB_ICONSTOP "$0" /SD IDOK
      SetErrorLevel ${EXIT_ELEVATION_NEEDED}
      Quit
    ${EndIf}
  ${EndIf}
  Call ApplyMode
  ${If} $FolderGiven == 0
    Call DefaultFolder
  ${EndIf}
FunctionEnd

Function ModePage
  !insertmacro MUI_HEADER_TEXT "Installation for" "Choose who can use ${PRODUCT} in their browsers."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateRadioButton} 0 10u 100% 12u "&Only for me (no administrator rights needed)"
  Pop $ModeCurrentUser
  ${NSD_CreateRadioButton} 0 30u 100% 12u "For &all users of this computer, under Program Files"
  Pop $ModeAllUsers
  ${If} $AllUsers == 1
    ${NSD_Check} $ModeAllUsers
  ${Else}
    ${NSD_Check} $ModeCurrentUser
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function ModePageLeave
  ${NSD_GetState} $ModeAllUsers $0
!ifdef BRIDGE
  ${If} $0 != ${BST_CHECKED}
  ${AndIf} $ForceExtension == 1
    MessageBox MB_ICONEXCLAMATION "/EXTENSION=force sets the browsers' policy for every user of the computer: choose For all users."
    Abort
  ${EndIf}
!endif
  ${If} $0 == ${BST_CHECKED}
    Call CheckAllUsersRights
    ${If} $0 != ""
      MessageBox MB_ICONEXCLAMATION "$0"
      Abort
    ${EndIf}
    StrCpy $0 1
  ${Else}
    StrCpy $0 0
  ${EndIf}
  ${If} $0 != $AllUsers
    StrCpy $AllUsers $0
    Call ApplyMode
    ${If} $FolderGiven == 0
      Call DefaultFolder
    ${EndIf}
  ${EndIf}
FunctionEnd

; Ends the setup with exit code 2 when the error flag is set.
!macro STOP_ON_ERRORS TEXT
  ${If} ${Errors}
    DetailPrint "${TEXT}"
    MessageBox MB_ICONSTOP "${TEXT}" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
!macroend

; Puts the program or library SOURCE into folder DIR as NAME. One that a running browser holds is written beside it and
; takes its place at the next restart. Only an administrator can have Windows do that; anyone else is
; asked to close the browsers (exit code 32 when they do not, or in silent mode).
!macro INSTALL_LIBRARY SOURCE DIR NAME
  SetOutPath "${DIR}"
  ${Do}
    StrCpy $R7 0
    ${If} ${FileExists} "${DIR}\${NAME}"
      ClearErrors
      Delete "${DIR}\${NAME}"
      ${If} ${Errors}
        StrCpy $R7 1
      ${EndIf}
    ${EndIf}
    ${If} $R7 == 0
      ${Break}
    ${EndIf}
    Call CheckAllUsersRights
    ${If} $0 == ""
      ${Break}
    ${EndIf}
    ${IfNot} ${Cmd} `MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${DIR}\${NAME} is in use by a browser. Close every browser, then choose Retry." /SD IDCANCEL IDRETRY`
      SetErrorLevel ${EXIT_IN_USE}
      Abort
    ${EndIf}
  ${Loop}
  ClearErrors
  ${If} $R7 == 1
    File "/oname=${DIR}\${NAME}.new" "${SOURCE}"
    Rename /REBOOTOK "${DIR}\${NAME}.new" "${DIR}\${NAME}"
    DetailPrint "${DIR}\${NAME} is in use; it is replaced when Windows restarts."
  ${Else}
    File "/oname=${DIR}\${NAME}" "${SOURCE}"
  ${EndIf}
  !insertmacro STOP_ON_ERRORS "Cannot write ${DIR}\${NAME}."
!macroend

; Registers the library PATH under the plug-in id ID in the current registry view.
!macro REGISTER_LIBRARY ID PATH
  DeleteRegKey SHCTX "${PLUGINS_KEY}\${ID}"
  ClearErrors
  WriteRegStr SHCTX "${PLUGINS_KEY}\${ID}" "Path" "${PATH}"
  WriteRegStr SHCTX "${PLUGINS_KEY}\${ID}" "Description" "Plug-In for Tolvane Delivery"
  WriteRegStr SHCTX "${PLUGINS_KEY}\${ID}" "ProductName" "${PRODUCT}"
  WriteRegStr SHCTX "${PLUGINS_KEY}\${ID}" "Vendor" "${PUBLISHER}"
  WriteRegStr SHCTX "${PLUGINS_KEY}\${ID}" "Version" "${VERSION}"
  WriteRegStr SHCTX "${PLUGINS_KEY}\${ID}\MimeTypes\${MIME_TYPE}" "Description" "Tolvane Delivery request"
  WriteRegStr SHCTX "${PLUGINS_KEY}\${ID}\MimeTypes\${MIME_TYPE}" "Suffixes" "${REQUEST_FILE_EXTENSION}"
  !insertmacro STOP_ON_ERRORS "Cannot register ${PATH} under ${PLUGINS_KEY}\${ID}."
!macroend

!ifdef BRIDGE
; The outermost key of the key path on the stack (under SHCTX, in the current view) that does not
; exist yet, on the stack; "" when the whole path exists.
Function OutermostNewKey
  Exch $R0
  Push $R1
  Push $R2
  StrCpy $R1 ""
  ${Do}
    ClearErrors
    EnumRegKey $R2 SHCTX "$R0" 0
    ${IfNot} ${Errors}
      ${Break}
    ${EndIf}
    StrCpy $R1 $R0
    ${GetParent} $R0 $R0
  ${LoopUntil} $R0 == ""
  StrCpy $R0 $R1
  Pop $R2
  Pop $R1
  Exch $R0
FunctionEnd

; Registers the bridge's manifest MANIFEST under HOSTS, the native messaging hosts key of a browser
; family, and notes in $CreatedBROWSER which keys that created (an earlier install's note stands).
!macro REGISTER_HOST HOSTS MANIFEST BROWSER
  ReadRegStr $Created${BROWSER} SHCTX "${UNINSTALL_KEY}" "${CREATED_HOST_KEY}${BROWSER}"
  ${If} $Created${BROWSER} == ""
    Push "${HOSTS}\${BRIDGE_HOST}"
    Call OutermostNewKey
    Pop $Created${BROWSER}
  ${EndIf}
  ClearErrors
  WriteRegStr SHCTX "${HOSTS}\${BRIDGE_HOST}" "" "$INSTDIR\${MANIFEST}"
  !insertmacro STOP_ON_ERRORS "Cannot register the bridge under ${HOSTS}\${BRIDGE_HOST}."
!macroend

; What an earlier install noted for BROWSER ($R1) under the Add/Remove entry: $R3 the value's name,
; $R4 its data, $R5 the outermost key it created.
!macro READ_POLICY_NOTE
  ReadRegStr $R3 SHCTX "${UNINSTALL_KEY}" "${POLICY_NAME}$R1"
  ReadRegStr $R4 SHCTX "${UNINSTALL_KEY}" "${POLICY_DATA}$R1"
  ReadRegStr $R5 SHCTX "${UNINSTALL_KEY}" "${POLICY_CREATED}$R1"
!macroend
!macro WRITE_POLICY_NOTE
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "${POLICY_NAME}$R1" $R3
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "${POLICY_DATA}$R1" $R4
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "${POLICY_CREATED}$R1" $R5
!macroend

; The entry "ID;UPDATE-URL" in the force-install list under the key on the stack, for the browser
; named on top of it. An earlier install's entry that still holds what it wrote is replaced in place;
; where an administrator already lists the extension, their entry stays and none is added; else the
; entry takes the first free number (the browsers read every numbered value, gaps or not).
Function WriteForcelistEntry
  Exch $R1
  Exch
  Exch $R0
  Push $R2
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  Push $R7
  !insertmacro READ_POLICY_NOTE
  StrCpy $R2 "${FORCE_CHROMIUM_ID};$UpdateUrl"
  !insertmacro POLICY_VIEW
  ${If} $R3 != ""
    ReadRegStr $R6 SHCTX "$R0" "$R3"
    ${If} $R6 != $R4
      StrCpy $R3 ""
    ${EndIf}
  ${EndIf}
  ${If} $R3 == ""
    StrCpy $R7 0
    ${Do}
      ClearErrors
      EnumRegValue $R3 SHCTX "$R0" $R7
      ${If} ${Errors}
      ${OrIf} $R3 == ""
        ${Break}
      ${EndIf}
      ReadRegStr $R6 SHCTX "$R0" "$R3"
      StrCpy $R4 $R6 33
      ${If} $R6 == "${FORCE_CHROMIUM_ID}"
      ${OrIf} $R4 == "${FORCE_CHROMIUM_ID};"
        SetRegView 32
        DetailPrint "The policy under $R0 already lists the extension ($R3 = $R6); it stays as it is."
        StrCpy $R3 ""
        StrCpy $R4 ""
        !insertmacro WRITE_POLICY_NOTE
        Goto done
      ${EndIf}
      IntOp $R7 $R7 + 1
    ${Loop}
    StrCpy $R3 1
    ${Do}
      ClearErrors
      ReadRegStr $R6 SHCTX "$R0" $R3
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      IntOp $R3 $R3 + 1
    ${Loop}
  ${EndIf}
  ${If} $R5 == ""
    Push $R0
    Call OutermostNewKey
    Pop $R5
  ${EndIf}
  ClearErrors
  WriteRegStr SHCTX "$R0" "$R3" "$R2"
  SetRegView 32
  !insertmacro STOP_ON_ERRORS "Cannot write the policy $R0\$R3."
  StrCpy $R4 $R2
  !insertmacro WRITE_POLICY_NOTE
  DetailPrint "Policy: $R0\$R3 = $R2"
  done:
  Pop $R7
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R0
  Pop $R1
FunctionEnd

; Firefox's entry: ExtensionSettings\ID with installation_mode "force_installed" and install_url. An
; entry for the add-on that an earlier install did not write (or that no longer holds its address)
; is an administrator's and stays.
Function WriteFirefoxEntry
  Push $R0
  Push $R1
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  StrCpy $R0 "${POLICY_FIREFOX}\${FIREFOX_SETTINGS}\${FORCE_FIREFOX_ID}"
  StrCpy $R1 Firefox
  !insertmacro READ_POLICY_NOTE
  !insertmacro POLICY_VIEW
  ClearErrors
  EnumRegValue $R6 SHCTX "$R0" 0
  ${IfNot} ${Errors}
    ReadRegStr $R6 SHCTX "$R0" "install_url"
    ${If} $R4 == ""
    ${OrIf} $R6 != $R4
      SetRegView 32
      DetailPrint "Firefox's policy already has an entry for the add-on ($R0); it stays as it is."
      StrCpy $R4 ""
      !insertmacro WRITE_POLICY_NOTE
      Goto done
    ${EndIf}
  ${EndIf}
  ${If} $R5 == ""
    Push $R0
    Call OutermostNewKey
    Pop $R5
  ${EndIf}
  ClearErrors
  WriteRegStr SHCTX "$R0" "installation_mode" "force_installed"
  WriteRegStr SHCTX "$R0" "install_url" $FirefoxUrl
  SetRegView 32
  !insertmacro STOP_ON_ERRORS "Cannot write the policy $R0."
  StrCpy $R3 "install_url"
  StrCpy $R4 $FirefoxUrl
  !insertmacro WRITE_POLICY_NOTE
  DetailPrint "Policy: $R0 = force_installed from $FirefoxUrl"
  done:
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
  Pop $R1
  Pop $R0
FunctionEnd

!macro FORCE_INSTALL POLICY BROWSER
  Push "${POLICY}\${FORCELIST}"
  Push ${BROWSER}
  Call WriteForcelistEntry
!macroend
!endif

; Sets bit BIT of $R8 when KEY does not exist yet in the current view.
!macro NOTE_NEW_KEY KEY BIT
  ClearErrors
  EnumRegKey $R9 SHCTX "${KEY}" 0
  ${If} ${Errors}
    IntOp $R8 $R8 | ${BIT}
  ${EndIf}
!macroend

Section "Install"
  SetRegView 32
  ; What an earlier install in another folder left goes first; one in this folder is overwritten.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "${CREATED_FOLDER}"
  ReadRegDWORD $R8 SHCTX "${UNINSTALL_KEY}" "${CREATED_KEYS}"
  ${If} $0 != ""
  ${AndIf} $0 != $INSTDIR
    DetailPrint "Removing the earlier install in $0"
    Call RemoveFiles
    StrCpy $1 ""
  ${EndIf}

  ; The outermost folder of $INSTDIR that does not exist yet is the uninstaller's to remove.
  StrCpy $2 $INSTDIR
  ${DoUntil} ${FileExists} "$2\*.*"
    StrCpy $1 $2
    ${GetParent} $2 $2
  ${LoopUntil} $2 == ""

  !insertmacro NOTE_NEW_KEY "${PLUGINS_KEY}" 1
  !insertmacro NOTE_NEW_KEY "${UNINSTALL_PARENT}" 4

  !insertmacro INSTALL_LIBRARY "${PLUGIN32}" "$INSTDIR" "${DLL}"
  !insertmacro REGISTER_LIBRARY "${PLUGIN_ID32}" "$INSTDIR\${DLL}"
  ${If} ${RunningX64}
    SetRegView 64
!ifdef PLUGIN64
    !insertmacro NOTE_NEW_KEY "${PLUGINS_KEY}" 2
    !insertmacro INSTALL_LIBRARY "${PLUGIN64}" "$INSTDIR\x64" "${DLL}"
    !insertmacro REGISTER_LIBRARY "${PLUGIN_ID64}" "$INSTDIR\x64\${DLL}"
!else
    ; An earlier version may have brought one; this one does not.
    DeleteRegKey SHCTX "${PLUGINS_KEY}\${PLUGIN_ID64}"
!endif
    SetRegView 32
  ${EndIf}
!ifndef PLUGIN64
  DeleteRegKey SHCTX "${PLUGINS_KEY}\${PLUGIN_ID64}"
  Delete /REBOOTOK "$INSTDIR\x64\${DLL}"
  RMDir "$INSTDIR\x64"
!endif

!ifdef BRIDGE
  ; The bridge: one 32-bit program for browsers of both architectures, and a manifest per browser
  ; family, registered for each browser that reads it.
  !insertmacro INSTALL_LIBRARY "${BRIDGE}" "$INSTDIR" "${BRIDGE_EXE}"
  ClearErrors
  File "/oname=$INSTDIR\${MANIFEST_CHROMIUM}" "${BRIDGE_MANIFEST_CHROMIUM}"
  File "/oname=$INSTDIR\${MANIFEST_FIREFOX}" "${BRIDGE_MANIFEST_FIREFOX}"
  !insertmacro STOP_ON_ERRORS "Cannot write the bridge's manifests in $INSTDIR."
  !insertmacro REGISTER_HOST "${HOSTS_CHROME}" "${MANIFEST_CHROMIUM}" Chrome
  !insertmacro REGISTER_HOST "${HOSTS_EDGE}" "${MANIFEST_CHROMIUM}" Edge
  !insertmacro REGISTER_HOST "${HOSTS_CHROMIUM}" "${MANIFEST_CHROMIUM}" Chromium
  !insertmacro REGISTER_HOST "${HOSTS_FIREFOX}" "${MANIFEST_FIREFOX}" Firefox
  ; Only on request: by default the setup writes nothing into the browsers' policy.
  ${If} $ForceExtension == 1
    !insertmacro FORCE_INSTALL "${POLICY_CHROME}" Chrome
    !insertmacro FORCE_INSTALL "${POLICY_EDGE}" Edge
    !insertmacro FORCE_INSTALL "${POLICY_CHROMIUM}" Chromium
    Call WriteFirefoxEntry
  ${EndIf}
!endif

  ClearErrors
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  !insertmacro STOP_ON_ERRORS "Cannot write $INSTDIR\${UNINSTALLER}."
  ${GetSize} "$INSTDIR" "/S=0K" $3 $4 $5
  ClearErrors
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $3
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "${CREATED_KEYS}" $R8
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "${CREATED_FOLDER}" $1
!ifdef BRIDGE
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "${CREATED_HOST_KEY}Chrome" $CreatedChrome
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "${CREATED_HOST_KEY}Edge" $CreatedEdge
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "${CREATED_HOST_KEY}Chromium" $CreatedChromium
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "${CREATED_HOST_KEY}Firefox" $CreatedFirefox
!endif
  !insertmacro STOP_ON_ERRORS "Cannot write the Add/Remove Programs entry ${UNINSTALL_KEY}."

  ${If} ${RebootFlag}
    MessageBox MB_ICONINFORMATION "A browser still uses ${PRODUCT}. The new version replaces it when Windows restarts; until then browsers keep the old one." /SD IDOK
    SetErrorLevel ${EXIT_RESTART_NEEDED}
  ${EndIf}
SectionEnd

; ---------------------------------------------------------------------------------------------
; Uninstaller

!ifdef BRIDGE
; Deletes the key KEY (stack top) and its parents while they are empty, up to OUTERMOST (next on the
; stack), the outermost key the setup created; nothing when that is "" or not KEY or a parent of it.
Function un.RemoveEmptyKeys
  Exch $R0
  Exch
  Exch $R1
  Push $R2
  StrLen $R2 $R1
  StrCpy $R2 $R0 $R2
  ${If} $R1 != ""
  ${AndIf} $R2 == $R1
    StrCpy $R2 $R0
    ${Do}
      DeleteRegKey /ifempty SHCTX "$R2"
      ${If} $R2 == $R1
        ${Break}
      ${EndIf}
      ${GetParent} $R2 $R2
    ${LoopUntil} $R2 == ""
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd

; Deletes the host key on the stack and each of its parents that is left empty, up to the outermost
; key the setup created (next on the stack; "" for none).
Function un.RemoveHostKey
  Exch $R0
  DeleteRegKey SHCTX "$R0"
  Exch $R0
  Call un.RemoveEmptyKeys
FunctionEnd

; The force-install entries, each only while it still holds what the setup wrote; then the keys
; writing them created, when nothing else has moved in.
!macro REMOVE_POLICY_VALUE KEY BROWSER
  ReadRegStr $R3 SHCTX "${UNINSTALL_KEY}" "${POLICY_NAME}${BROWSER}"
  ReadRegStr $R4 SHCTX "${UNINSTALL_KEY}" "${POLICY_DATA}${BROWSER}"
  ReadRegStr $R5 SHCTX "${UNINSTALL_KEY}" "${POLICY_CREATED}${BROWSER}"
  ${If} $R3 != ""
    !insertmacro POLICY_VIEW
    ReadRegStr $R6 SHCTX "${KEY}" $R3
    ${If} $R6 == $R4
      DeleteRegValue SHCTX "${KEY}" $R3
      ${If} $R3 == "install_url"
        ReadRegStr $R6 SHCTX "${KEY}" "installation_mode"
        ${If} $R6 == "force_installed"
          DeleteRegValue SHCTX "${KEY}" "installation_mode"
        ${EndIf}
      ${EndIf}
    ${EndIf}
    Push $R5
    Push "${KEY}"
    Call un.RemoveEmptyKeys
    SetRegView 32
  ${EndIf}
!macroend

Function un.RemoveExtensionPolicies
  Push $R3
  Push $R4
  Push $R5
  Push $R6
  !insertmacro REMOVE_POLICY_VALUE "${POLICY_CHROME}\${FORCELIST}" Chrome
  !insertmacro REMOVE_POLICY_VALUE "${POLICY_EDGE}\${FORCELIST}" Edge
  !insertmacro REMOVE_POLICY_VALUE "${POLICY_CHROMIUM}\${FORCELIST}" Chromium
  !insertmacro REMOVE_POLICY_VALUE "${POLICY_FIREFOX}\${FIREFOX_SETTINGS}\${FORCE_FIREFOX_ID}" Firefox
  Pop $R6
  Pop $R5
  Pop $R4
  Pop $R3
FunctionEnd

!macro REMOVE_HOST HOSTS BROWSER
  ReadRegStr $R0 SHCTX "${UNINSTALL_KEY}" "${CREATED_HOST_KEY}${BROWSER}"
  Push $R0
  Push "${HOSTS}\${BRIDGE_HOST}"
  Call un.RemoveHostKey
!macroend
!endif

; Removes the registrations of both libraries and of the bridge and the Add/Remove entry, then the
; parent keys the setup created, when nothing else has moved in since.
Function un.RemoveKeys
  Push $0
  ReadRegDWORD $0 SHCTX "${UNINSTALL_KEY}" "${CREATED_KEYS}"
  SetRegView 32
!ifdef BRIDGE
  Call un.RemoveExtensionPolicies
  !insertmacro REMOVE_HOST "${HOSTS_CHROME}" Chrome
  !insertmacro REMOVE_HOST "${HOSTS_EDGE}" Edge
  !insertmacro REMOVE_HOST "${HOSTS_CHROMIUM}" Chromium
  !insertmacro REMOVE_HOST "${HOSTS_FIREFOX}" Firefox
!endif
  DeleteRegKey SHCTX "${PLUGINS_KEY}\${PLUGIN_ID32}"
  DeleteRegKey SHCTX "${PLUGINS_KEY}\${PLUGIN_ID64}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
  IntOp $R9 $0 & 1
  ${If} $R9 <> 0
    DeleteRegKey /ifempty SHCTX "${PLUGINS_KEY}"
  ${EndIf}
  IntOp $R9 $0 & 4
  ${If} $R9 <> 0
    DeleteRegKey /ifempty SHCTX "${UNINSTALL_PARENT}"
  ${EndIf}
  ${If} ${RunningX64}
    SetRegView 64
    DeleteRegKey SHCTX "${PLUGINS_KEY}\${PLUGIN_ID64}"
    IntOp $R9 $0 & 2
    ${If} $R9 <> 0
      DeleteRegKey /ifempty SHCTX "${PLUGINS_KEY}"
    ${EndIf}
    SetRegView 32
  ${EndIf}
  Pop $0
FunctionEnd

Function un.onInit
  SetRegView 32
  ; The mode is the one whose Add/Remove entry names this folder.
  StrCpy $AllUsers 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    StrCpy $AllUsers 1
    Call un.CheckAllUsersRights
    ${If} $0 != ""
      MessageBox MB_ICONSTOP "${PRODUCT} is installed for all users; only an administrator can remove it." /SD IDOK
      SetErrorLevel ${EXIT_ELEVATION_NEEDED}
      Quit
    ${EndIf}
  ${EndIf}
  Call un.ApplyMode
FunctionEnd

Section "Uninstall"
  SetRegView 32
  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "${CREATED_FOLDER}"
  StrCpy $0 $INSTDIR
  Call un.RemoveFiles
  Call un.RemoveKeys
  ${If} ${RebootFlag}
    MessageBox MB_ICONINFORMATION "A browser still uses ${PRODUCT}. Its files are removed when Windows restarts." /SD IDOK
    SetErrorLevel ${EXIT_RESTART_NEEDED}
  ${EndIf}
SectionEnd
