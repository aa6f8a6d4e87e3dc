; The installer of the Kestrova FrontPage Add-In: one file that puts FPKestrova.dll into a folder
; of its own, registers it and adds it to FrontPage's list of add-ins that load at start-up.
; Two modes:
; - for the current user (the default): needs no administrator rights, and the user can switch the
;   add-in off in FrontPage's COM add-ins dialog. Everything goes below HKEY_CURRENT_USER.
; - for all users (/ALLUSERS, or the choice on the installer's first page when it runs with
;   administrator rights): for a FrontPage that runs elevated, which ignores per-user classes, or
;   that several users run. Everything goes below HKEY_LOCAL_MACHINE, the files into the programs
;   folder.
; /S installs and uninstalls silently; /D=folder (last on the command line) picks the folder. The
; uninstaller removes the installation of the mode that its folder was installed in.
;
; The COM registration is the DLL's own: the installer calls DllRegisterServer (the uninstaller
; DllUnregisterServer) with HKEY_CLASSES_ROOT redirected to the mode's Software\Classes for the
; duration of the call, so an install writes exactly the entries that regsvr32 writes.
;
; Everything the installation adds is recorded, so that removing it restores the machine: besides
; its own files and keys, the keys and folders above them that did not exist before (the values
; CreatedKeyN and CreatedFolderN of the uninstall key). Installing over an earlier installation
; removes that one first, wherever it is, and so upgrades it in place.
;
; Built by installer/CMakeLists.txt:
;   makensis -DDLL_FILE=FPKestrova.dll -DDISPLAY_VERSION=0.07 -DFILE_VERSION=0.7.0.0
;            -DOUT_FILE=FPKestrova-0.07-setup.exe fpkestrova.nsi

!ifndef DLL_FILE | DISPLAY_VERSION | FILE_VERSION | OUT_FILE
  !error "define DLL_FILE, DISPLAY_VERSION, FILE_VERSION and OUT_FILE"
!endif

Unicode true
RequestExecutionLevel user
SetCompressor /SOLID lzma
ManifestDPIAware true

!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "MUI2.nsh"
!include "nsDialogs.nsh"
!include "WinVer.nsh"

!define PRODUCT_NAME "Kestrova FrontPage Add-In"
!define PUBLISHER "Kestrova Software and Design Ltd."
!define DESCRIPTION "This is the Kestrova COM Add-in for Microsoft FrontPage"
!define DLL_NAME "FPKestrova.dll"
!define UNINSTALLER_NAME "uninstall.exe"
; The identity that FPKestrova.dll registers.
!define PROG_ID "KestrovaFrontPageAddin.FPKestrova"
!define CLASS_ID "{A57F6D09-5DBA-11D6-BF4C-0050BA4D812E}"
!define LIBRARY_ID "{A57F6D07-5DBA-11D6-BF4C-0050BA4D812E}"
!define INTERFACE_ID "{A57F6D08-5DBA-11D6-BF4C-0050BA4D812E}"
; All below the mode's root key (SHCTX: HKEY_CURRENT_USER, or HKEY_LOCAL_MACHINE for all users).
!define CLASSES "Software\Classes"
!define ADDIN_KEY "Software\Microsoft\Office\FrontPage\Addins\${PROG_ID}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KestrovaFrontPageAddin"
; The add-in's own key, which it writes in the current user's registry as it works (the marks of
; the pages it mended); only the uninstaller removes it, an upgrade keeps it.
!define OWN_KEY "Software\Kestrova\FrontPage Add-In"

!define HKEY_CLASSES_ROOT 0x80000000
!define HKEY_CURRENT_USER 0x80000001
!define HKEY_LOCAL_MACHINE 0x80000002
!define KEY_ALL_ACCESS 0xF003F

Name "${PRODUCT_NAME}"
OutFile "${OUT_FILE}"
; No InstallDir: $INSTDIR is empty at start unless /D= gave it, and .onInit fills in the mode's
; folder (see SetModeFolder).
BrandingText "${PRODUCT_NAME} ${DISPLAY_VERSION}"

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT_NAME}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT_NAME} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${DISPLAY_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${DISPLAY_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!define MUI_ABORTWARNING
!define FINISH_NOTE "The Kestrova menu appears the next time you start FrontPage."
!define MUI_FINISHPAGE_TEXT "${PRODUCT_NAME} is installed.$\r$\n$\r$\n${FINISH_NOTE}"
!insertmacro MUI_PAGE_WELCOME
Page custom InstallModePage InstallModePageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define IN_USE_MESSAGE "FrontPage is using the ${PRODUCT_NAME}. Close FrontPage and try again."
!define ADMIN_MESSAGE "Installing or removing the ${PRODUCT_NAME} for all users needs administrator rights. Run it as an administrator."

!define MODE_NOTE "A FrontPage that runs as administrator loads the add-in only when it is installed for everyone. Only an add-in installed for one user can be switched off in FrontPage's COM Add-Ins dialog."

; The open classes key that HKEY_CLASSES_ROOT points at during a registration call.
Var ClassesKey
; 1 for an installation for all users, 0 for the current user's; see SelectMode.
Var AllUsers
; 1 when the user may choose all users: the process has administrator rights.
Var IsAdmin
; 1 when /D= chose the folder, which a change of mode then leaves alone.
Var FolderGiven
; The installer page's radio buttons.
Var JustMeButton
Var AllUsersButton

; Functions that the installer and the uninstaller share; UN is "" or "un.".
!macro SHARED_FUNCTIONS UN

; Applies the mode that $AllUsers names: SHCTX and the shell's folders become those of all users
; or of the current user.
Function ${UN}SelectMode
  ${If} $AllUsers == 1
    SetShellVarContext all
  ${Else}
    SetShellVarContext current
  ${EndIf}
FunctionEnd

; Sets $IsAdmin: 1 when the process has administrator rights (on Windows Vista and later, only when
; it runs elevated).
Function ${UN}FindRights
  Push $0
  StrCpy $IsAdmin 0
  ClearErrors
  UserInfo::GetAccountType
  Pop $0
  ${IfNot} ${Errors}
  ${AndIf} $0 == "Admin"
    StrCpy $IsAdmin 1
  ${EndIf}
  Pop $0
FunctionEnd

; Points HKEY_CLASSES_ROOT of this process at the mode's Software\Classes (the current user's or
; the machine's), so that the DLL's own registration calls write and remove the mode's entries.
; Windows 7 and later let RegisterTypeLib follow the redirection only after
; OaEnablePerUserTLibRegistration, which older systems lack (and do not need). Sets the error flag
; on failure.
Function ${UN}RedirectClasses
  Push $0
  Push $1
  Push $2
  ${If} $AllUsers == 1
    StrCpy $2 ${HKEY_LOCAL_MACHINE}
  ${Else}
    StrCpy $2 ${HKEY_CURRENT_USER}
  ${EndIf}
  System::Call 'advapi32::RegCreateKeyExW(p $2, w "${CLASSES}", i 0, \
    p 0, i 0, i ${KEY_ALL_ACCESS}, p 0, *p .r1, p 0) i .r0'
  ${If} $0 != 0
    Pop $2
    Pop $1
    Pop $0
    SetErrors
    Return
  ${EndIf}
  StrCpy $ClassesKey $1
  System::Call 'oleaut32::OaEnablePerUserTLibRegistration()'
  System::Call 'advapi32::RegOverridePredefKey(p ${HKEY_CLASSES_ROOT}, p $ClassesKey) i .r0'
  ${If} $0 != 0
    System::Call 'advapi32::RegCloseKey(p $ClassesKey)'
    StrCpy $ClassesKey ""
    Pop $2
    Pop $1
    Pop $0
    SetErrors
    Return
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
  ClearErrors
FunctionEnd

; Gives HKEY_CLASSES_ROOT its usual meaning back. Leaves the error flag as it was.
Function ${UN}RestoreClasses
  ${If} $ClassesKey != ""
    System::Call 'advapi32::RegOverridePredefKey(p ${HKEY_CLASSES_ROOT}, p 0)'
    System::Call 'advapi32::RegCloseKey(p $ClassesKey)'
    StrCpy $ClassesKey ""
  ${EndIf}
FunctionEnd

; Removes the installation of the current mode in the folder on top of the stack (popped): the
; DLL's registration in the mode's classes, its entry in FrontPage's list, its files and folder,
; and, when the uninstall key records this folder as the installation, that key with the keys and
; folders that the installation created above its own. Anything already gone is skipped, so
; removing twice, or after the files have gone, is harmless. When FrontPage holds the DLL, sets the
; error flag and removes nothing.
Function ${UN}RemoveInstallation
  Exch $0
  Push $1
  Push $2
  Push $3
  Push $4
  ; The working folder must not hold on to the folder that goes.
  SetOutPath "$TEMP"

  ; A running FrontPage keeps its add-in's DLL open: a half-removed add-in would be worse.
  ${If} ${FileExists} "$0\${DLL_NAME}"
    ClearErrors
    FileOpen $1 "$0\${DLL_NAME}" a
    ${If} ${Errors}
      SetErrors
      Goto done
    ${EndIf}
    FileClose $1
  ${EndIf}

  ; Is this the installation that the uninstall key records?
  StrCpy $2 0
  ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 != ""
  ${AndIf} $1 == $0
    StrCpy $2 1
  ${EndIf}

  ; The class belongs to this installation when its server is this folder's DLL. The DLL removes
  ; its own entries; the keys deleted after that are what it writes, for when it is gone.
  ReadRegStr $1 SHCTX "${CLASSES}\CLSID\${CLASS_ID}\InprocServer32" ""
  ${If} $1 == "$0\${DLL_NAME}"
    ${If} ${FileExists} "$0\${DLL_NAME}"
      Call ${UN}RedirectClasses
      ${IfNot} ${Errors}
        UnRegDLL "$0\${DLL_NAME}"
        Call ${UN}RestoreClasses
      ${EndIf}
    ${EndIf}
    DeleteRegKey SHCTX "${CLASSES}\CLSID\${CLASS_ID}"
    DeleteRegKey SHCTX "${CLASSES}\TypeLib\${LIBRARY_ID}"
    DeleteRegKey SHCTX "${CLASSES}\Interface\${INTERFACE_ID}"
    ReadRegStr $1 SHCTX "${CLASSES}\${PROG_ID}\CLSID" ""
    ${If} $1 == "${CLASS_ID}"
      DeleteRegKey SHCTX "${CLASSES}\${PROG_ID}"
    ${EndIf}
  ${EndIf}

  ${If} $2 == 1
    DeleteRegKey SHCTX "${ADDIN_KEY}"
  ${EndIf}

  Delete "$0\${DLL_NAME}"
  Delete "$0\${UNINSTALLER_NAME}"
  RMDir "$0"

  ${If} $2 == 1
    ; Folders above the installation's own that it created, deepest first; only empty ones go.
    StrCpy $3 1
    ${Do}
      ClearErrors
      ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "CreatedFolder$3"
      ${If} ${Errors}
      ${OrIf} $1 == ""
        ${ExitDo}
      ${EndIf}
      RMDir "$1"
      IntOp $3 $3 + 1
    ${Loop}
    ; Keys that it created, recorded outermost first. The uninstall key may lie below one of
    ; them: collect the records, delete the key, then the records' keys innermost first, each only
    ; while it is empty.
    StrCpy $3 0
    ${Do}
      IntOp $4 $3 + 1
      ClearErrors
      ReadRegStr $1 SHCTX "${UNINSTALL_KEY}" "CreatedKey$4"
      ${If} ${Errors}
      ${OrIf} $1 == ""
        ${ExitDo}
      ${EndIf}
      Push $1
      StrCpy $3 $4
    ${Loop}
    DeleteRegKey SHCTX "${UNINSTALL_KEY}"
    ${DoWhile} $3 > 0
      Pop $1
      DeleteRegKey /ifempty SHCTX "$1"
      IntOp $3 $3 - 1
    ${Loop}
  ${EndIf}
  ClearErrors

done:
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

!macroend

!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; Pushes KEY (below the mode's root key) and adds one to $2 when the key does not exist.
!macro PUSH_IF_MISSING KEY
  ClearErrors
  EnumRegKey $1 SHCTX "${KEY}" 0
  ${If} ${Errors}
    Push "${KEY}"
    IntOp $2 $2 + 1
  ${EndIf}
!macroend

; Records, in the uninstall key, the keys above the installation's own keys that do not exist yet
; (CreatedKey1, 2, ..., outermost first) and the folders from $INSTDIR upwards that do not exist
; yet (CreatedFolder1, 2, ..., deepest first). Call before anything is written.
Function RecordWhatIsMissing
  Push $1
  Push $2
  Push $3
  ; Every key is checked before the first write, which may create some of them.
  StrCpy $2 0
  !insertmacro PUSH_IF_MISSING "${CLASSES}"
  !insertmacro PUSH_IF_MISSING "${CLASSES}\CLSID"
  !insertmacro PUSH_IF_MISSING "${CLASSES}\Interface"
  !insertmacro PUSH_IF_MISSING "${CLASSES}\TypeLib"
  !insertmacro PUSH_IF_MISSING "Software\Microsoft\Office"
  !insertmacro PUSH_IF_MISSING "Software\Microsoft\Office\FrontPage"
  !insertmacro PUSH_IF_MISSING "Software\Microsoft\Office\FrontPage\Addins"
  !insertmacro PUSH_IF_MISSING "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ${DoWhile} $2 > 0
    Pop $1
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "CreatedKey$2" "$1"
    IntOp $2 $2 - 1
  ${Loop}

  ; $INSTDIR itself goes with the files; the folders above it that are missing are recorded.
  StrCpy $2 0
  ${GetParent} "$INSTDIR" $3
  ${DoWhile} $3 != ""
    ${If} ${FileExists} "$3\*.*"
      ${ExitDo}
    ${EndIf}
    IntOp $2 $2 + 1
    WriteRegStr SHCTX "${UNINSTALL_KEY}" "CreatedFolder$2" "$3"
    ${GetParent} "$3" $3
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
FunctionEnd

; Undoes a failed installation and ends the installer with exit code 2.
!macro FAIL MESSAGE
  Push "$INSTDIR"
  Call RemoveInstallation
  MessageBox MB_OK|MB_ICONSTOP "${MESSAGE}" /SD IDOK
  SetErrorLevel 2
  Abort "${MESSAGE}"
!macroend

; Sets $INSTDIR to the mode's folder unless /D= gave one: where the mode's installation is, when
; there is one, else the mode's usual place.
Function SetModeFolder
  ${If} $FolderGiven == 1
    Return
  ${EndIf}
  ReadRegStr $INSTDIR SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $INSTDIR == ""
    ${If} $AllUsers == 1
      StrCpy $INSTDIR "$PROGRAMFILES\${PRODUCT_NAME}"
    ${Else}
      StrCpy $INSTDIR "$LOCALAPPDATA\Programs\${PRODUCT_NAME}"
    ${EndIf}
  ${EndIf}
FunctionEnd

Function .onInit
  ; The DLL and its runtime need Windows XP (see the README).
  ${IfNot} ${AtLeastWinXP}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT_NAME} needs Windows XP or later." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
  StrCpy $FolderGiven 0
  ${If} $INSTDIR != ""
    StrCpy $FolderGiven 1
  ${EndIf}
  Call FindRights
  StrCpy $AllUsers 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/ALLUSERS" $1
  ${IfNot} ${Errors}
    ${If} $IsAdmin != 1
      MessageBox MB_OK|MB_ICONSTOP "${ADMIN_MESSAGE}" /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
    StrCpy $AllUsers 1
  ${EndIf}
  Call SelectMode
  Call SetModeFolder
FunctionEnd

; The choice between the current user and all users, shown only with administrator rights.
Function InstallModePage
  ${If} $IsAdmin != 1
    Abort
  ${EndIf}
  !insertmacro MUI_HEADER_TEXT "Choose Users" "Choose for whom to install ${PRODUCT_NAME}."
  nsDialogs::Create 1018
  Pop $0
  ${If} $0 == error
    Abort
  ${EndIf}
  ${NSD_CreateLabel} 0 0 100% 24u "Install the add-in for:"
  Pop $0
  ${NSD_CreateRadioButton} 10u 26u -10u 12u "&Only me"
  Pop $JustMeButton
  ${NSD_CreateRadioButton} 10u 42u -10u 12u "&Everyone who uses this computer"
  Pop $AllUsersButton
  ${NSD_CreateLabel} 0 66u 100% 36u "${MODE_NOTE}"
  Pop $0
  ${If} $AllUsers == 1
    ${NSD_Check} $AllUsersButton
  ${Else}
    ${NSD_Check} $JustMeButton
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function InstallModePageLeave
  ${NSD_GetState} $AllUsersButton $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $AllUsers 1
  ${Else}
    StrCpy $AllUsers 0
  ${EndIf}
  Call SelectMode
  Call SetModeFolder
FunctionEnd

Function un.onInit
  ; The installation for all users is the one whose record names this folder; removing it needs
  ; the rights that installing it needed.
  Call un.FindRights
  StrCpy $AllUsers 0
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} $0 == $INSTDIR
    ${If} $IsAdmin != 1
      MessageBox MB_OK|MB_ICONSTOP "${ADMIN_MESSAGE}" /SD IDOK
      SetErrorLevel 2
      Abort
    ${EndIf}
    StrCpy $AllUsers 1
  ${EndIf}
  Call un.SelectMode
FunctionEnd

Section "Install"
  ; An earlier installation of the same mode goes first, wherever it is, and with it everything it
  ; recorded.
  ReadRegStr $0 SHCTX "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
    Push $0
    Call RemoveInstallation
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "${IN_USE_MESSAGE}" /SD IDOK
      SetErrorLevel 2
      Abort "${IN_USE_MESSAGE}"
    ${EndIf}
  ${EndIf}
  ; Left-overs in the chosen folder without a record, for instance from copying by hand.
  ${If} ${FileExists} "$INSTDIR\${DLL_NAME}"
    ClearErrors
    FileOpen $0 "$INSTDIR\${DLL_NAME}" a
    ${If} ${Errors}
      MessageBox MB_OK|MB_ICONSTOP "${IN_USE_MESSAGE}" /SD IDOK
      SetErrorLevel 2
      Abort "${IN_USE_MESSAGE}"
    ${EndIf}
    FileClose $0
  ${EndIf}

  ; The uninstall key comes first, so that a failure further on can be undone from it.
  Call RecordWhatIsMissing
  ClearErrors
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${DISPLAY_VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Comments" "${DESCRIPTION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER_NAME}"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER_NAME}" /S'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER_NAME}"
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  SetOutPath "$INSTDIR"
  File "/oname=${DLL_NAME}" "${DLL_FILE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER_NAME}"
  ${If} ${Errors}
    !insertmacro FAIL "Could not install into $INSTDIR."
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0

  Call RedirectClasses
  ${If} ${Errors}
    !insertmacro FAIL "Could not open the registry key of the classes, ${CLASSES}."
  ${EndIf}
  RegDLL "$INSTDIR\${DLL_NAME}"
  Call RestoreClasses
  ${If} ${Errors}
    !insertmacro FAIL "Could not register $INSTDIR\${DLL_NAME}."
  ${EndIf}

  ClearErrors
  WriteRegStr SHCTX "${ADDIN_KEY}" "FriendlyName" "${PRODUCT_NAME}"
  WriteRegStr SHCTX "${ADDIN_KEY}" "Description" "${DESCRIPTION}"
  WriteRegDWORD SHCTX "${ADDIN_KEY}" "LoadBehavior" 3
  WriteRegDWORD SHCTX "${ADDIN_KEY}" "CommandLineSafe" 0
  ${If} ${Errors}
    !insertmacro FAIL "Could not add the add-in to FrontPage's list of add-ins."
  ${EndIf}
SectionEnd

Section "Uninstall"
  Push "$INSTDIR"
  Call un.RemoveInstallation
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "${IN_USE_MESSAGE}" /SD IDOK
    SetErrorLevel 2
    Abort "${IN_USE_MESSAGE}"
  ${EndIf}
  DeleteRegKey HKCU "${OWN_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Kestrova"
SectionEnd
