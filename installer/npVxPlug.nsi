; Setup program of the Tolvane Delivery plug-in: installs npVxPlug.dll (and its 64-bit twin when the
; build gives one), registers each where browsers of its architecture look for plug-ins, installs the
; bridge vxbridge.exe with its two host manifests and registers them where Chrome, Edge, Chromium and
; Firefox look for native messaging hosts, and writes an Add/Remove Programs entry with an uninstaller
; that takes away exactly what the setup wrote.
;
; Built by the CMake target "installer":
;   makensis -DVERSION=1.0.0.1 -DPLUGIN32=<npVxPlug.dll> [-DPLUGIN64=<x64 npVxPlug.dll>]
;            [-DBRIDGE=<vxbridge.exe> -DBRIDGE_HOST=example.tolvane.vxbridge
;             -DBRIDGE_MANIFEST_CHROMIUM=<vxbridge-chromium.json> -DBRIDGE_MANIFEST_FIREFOX=<vxbridge-firefox.json>]
;            -DOUTFILE=<npVxPlug-setup-1.0.0.1.exe> npVxPlug.nsi
;
; Command line: /S (silent), /ALLUSERS (all users, under Program Files; needs administrator rights),
; /CURRENTUSER (the default), /D=FOLDER (last, unquoted). Exit codes are in installer/README.md.
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
!define MIME_TYPE "application/x-vnxclient"
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

; Exit codes beside NSIS's own (0 done, 1 cancelled by the user, 2 stopped by an error).
!define EXIT_RESTART_NEEDED 3010   ; done; a library in use is replaced at the next restart
!define EXIT_ELEVATION_NEEDED 740  ; /ALLUSERS without administrator rights
!define EXIT_IN_USE 32             ; a library in use, and no rights to replace it at the restart

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
!endif

!define MUI_ABORTWARNING
Page custom ModePage ModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
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
  WriteRegStr SHCTX "${PLUGINS_KEY}\${ID}\MimeTypes\${MIME_TYPE}" "Suffixes" "vnxclient"
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
; Deletes the host key on the stack and each of its parents that is left empty, up to the outermost
; key the setup created (next on the stack; "" for none).
Function un.RemoveHostKey
  Exch $R0
  Exch
  Exch $R1
  Push $R2
  DeleteRegKey SHCTX "$R0"
  ${If} $R1 != ""
    StrCpy $R2 $R0
    ${DoWhile} $R2 != $R1
      ${GetParent} $R2 $R2
      ${If} $R2 == ""
        ${Break}
      ${EndIf}
      DeleteRegKey /ifempty SHCTX "$R2"
    ${Loop}
  ${EndIf}
  Pop $R2
  Pop $R1
  Pop $R0
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
