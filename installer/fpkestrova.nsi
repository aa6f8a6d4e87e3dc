; The installer of the Kestrova FrontPage Add-In: one file that puts FPKestrova.dll into a folder
; of its own, registers it for the current user and adds it to FrontPage's list of add-ins that
; load at start-up. Per user, so that it needs no administrator rights and the user can switch the
; add-in off in FrontPage's COM add-ins dialog. /S installs and uninstalls silently; /D=folder
; (last on the command line) picks the folder.
;
; The COM registration is the DLL's own: the installer calls DllRegisterServer (the uninstaller
; DllUnregisterServer) with HKEY_CLASSES_ROOT redirected to HKCU\Software\Classes for the duration
; of the call, so a per-user install writes exactly the entries that regsvr32 writes machine-wide.
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
; All below HKEY_CURRENT_USER.
!define USER_CLASSES "Software\Classes"
!define ADDIN_KEY "Software\Microsoft\Office\FrontPage\Addins\${PROG_ID}"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\KestrovaFrontPageAddin"

!define HKEY_CLASSES_ROOT 0x80000000
!define HKEY_CURRENT_USER 0x80000001
!define KEY_ALL_ACCESS 0xF003F

Name "${PRODUCT_NAME}"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT_NAME}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
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
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define IN_USE_MESSAGE "FrontPage is using the ${PRODUCT_NAME}. Close FrontPage and try again."

Var UserClassesKey

; Functions that the installer and the uninstaller share; UN is "" or "un.".
!macro SHARED_FUNCTIONS UN

; Points HKEY_CLASSES_ROOT of this process at HKCU\Software\Classes, so that the DLL's own
; registration calls write and remove the current user's entries. Windows 7 and later let
; RegisterTypeLib follow the redirection only after OaEnablePerUserTLibRegistration, which older
; systems lack (and do not need). Sets the error flag on failure.
Function ${UN}RedirectClassesToUser
  Push $0
  Push $1
  System::Call 'advapi32::RegCreateKeyExW(p ${HKEY_CURRENT_USER}, w "${USER_CLASSES}", i 0, \
    p 0, i 0, i ${KEY_ALL_ACCESS}, p 0, *p .r1, p 0) i .r0'
  ${If} $0 != 0
    Pop $1
    Pop $0
    SetErrors
    Return
  ${EndIf}
  StrCpy $UserClassesKey $1
  System::Call 'oleaut32::OaEnablePerUserTLibRegistration()'
  System::Call 'advapi32::RegOverridePredefKey(p ${HKEY_CLASSES_ROOT}, p $UserClassesKey) i .r0'
  ${If} $0 != 0
    System::Call 'advapi32::RegCloseKey(p $UserClassesKey)'
    StrCpy $UserClassesKey ""
    Pop $1
    Pop $0
    SetErrors
    Return
  ${EndIf}
  Pop $1
  Pop $0
  ClearErrors
FunctionEnd

; Gives HKEY_CLASSES_ROOT its usual meaning back. Leaves the error flag as it was.
Function ${UN}RestoreClasses
  ${If} $UserClassesKey != ""
    System::Call 'advapi32::RegOverridePredefKey(p ${HKEY_CLASSES_ROOT}, p 0)'
    System::Call 'advapi32::RegCloseKey(p $UserClassesKey)'
    StrCpy $UserClassesKey ""
  ${EndIf}
FunctionEnd

; Removes the installation in the folder on top of the stack (popped): the DLL's registration for
; the current user, its entry in FrontPage's list, its files and folder, and, when the uninstall
; key records this folder as the installation, that key with the keys and folders that the
; installation created above its own. Anything already gone is skipped, so removing twice, or
; after the files have gone, is harmless. When FrontPage holds the DLL, sets the error flag and
; removes nothing.
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
  ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 != ""
  ${AndIf} $1 == $0
    StrCpy $2 1
  ${EndIf}

  ; The class belongs to this installation when its server is this folder's DLL. The DLL removes
  ; its own entries; the keys deleted after that are what it writes, for when it is gone.
  ReadRegStr $1 HKCU "${USER_CLASSES}\CLSID\${CLASS_ID}\InprocServer32" ""
  ${If} $1 == "$0\${DLL_NAME}"
    ${If} ${FileExists} "$0\${DLL_NAME}"
      Call ${UN}RedirectClassesToUser
      ${IfNot} ${Errors}
        UnRegDLL "$0\${DLL_NAME}"
        Call ${UN}RestoreClasses
      ${EndIf}
    ${EndIf}
    DeleteRegKey HKCU "${USER_CLASSES}\CLSID\${CLASS_ID}"
    DeleteRegKey HKCU "${USER_CLASSES}\TypeLib\${LIBRARY_ID}"
    DeleteRegKey HKCU "${USER_CLASSES}\Interface\${INTERFACE_ID}"
    ReadRegStr $1 HKCU "${USER_CLASSES}\${PROG_ID}\CLSID" ""
    ${If} $1 == "${CLASS_ID}"
      DeleteRegKey HKCU "${USER_CLASSES}\${PROG_ID}"
    ${EndIf}
  ${EndIf}

  ${If} $2 == 1
    DeleteRegKey HKCU "${ADDIN_KEY}"
  ${EndIf}

  Delete "$0\${DLL_NAME}"
  Delete "$0\${UNINSTALLER_NAME}"
  RMDir "$0"

  ${If} $2 == 1
    ; Folders above the installation's own that it created, deepest first; only empty ones go.
    StrCpy $3 1
    ${Do}
      ClearErrors
      ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "CreatedFolder$3"
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
      ReadRegStr $1 HKCU "${UNINSTALL_KEY}" "CreatedKey$4"
      ${If} ${Errors}
      ${OrIf} $1 == ""
        ${ExitDo}
      ${EndIf}
      Push $1
      StrCpy $3 $4
    ${Loop}
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    ${DoWhile} $3 > 0
      Pop $1
      DeleteRegKey /ifempty HKCU "$1"
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

; Pushes KEY (below HKCU) and adds one to $2 when the key does not exist.
!macro PUSH_IF_MISSING KEY
  ClearErrors
  EnumRegKey $1 HKCU "${KEY}" 0
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
  !insertmacro PUSH_IF_MISSING "${USER_CLASSES}"
  !insertmacro PUSH_IF_MISSING "${USER_CLASSES}\CLSID"
  !insertmacro PUSH_IF_MISSING "${USER_CLASSES}\Interface"
  !insertmacro PUSH_IF_MISSING "${USER_CLASSES}\TypeLib"
  !insertmacro PUSH_IF_MISSING "Software\Microsoft\Office"
  !insertmacro PUSH_IF_MISSING "Software\Microsoft\Office\FrontPage"
  !insertmacro PUSH_IF_MISSING "Software\Microsoft\Office\FrontPage\Addins"
  !insertmacro PUSH_IF_MISSING "Software\Microsoft\Windows\CurrentVersion\Uninstall"
  ${DoWhile} $2 > 0
    Pop $1
    WriteRegStr HKCU "${UNINSTALL_KEY}" "CreatedKey$2" "$1"
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
    WriteRegStr HKCU "${UNINSTALL_KEY}" "CreatedFolder$2" "$3"
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

Function .onInit
  ; Per-user COM classes (HKCU\Software\Classes) came with Windows 2000.
  ${IfNot} ${AtLeastWin2000}
    MessageBox MB_OK|MB_ICONSTOP "${PRODUCT_NAME} needs Windows 2000 or later." /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
FunctionEnd

Section "Install"
  ; An earlier installation goes first, wherever it is, and with it everything it recorded.
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
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
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT_NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${DISPLAY_VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Comments" "${DESCRIPTION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER_NAME}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER_NAME}" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER_NAME}"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SetOutPath "$INSTDIR"
  File "/oname=${DLL_NAME}" "${DLL_FILE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER_NAME}"
  ${If} ${Errors}
    !insertmacro FAIL "Could not install into $INSTDIR."
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  Call RedirectClassesToUser
  ${If} ${Errors}
    !insertmacro FAIL "Could not open the registry key HKEY_CURRENT_USER\${USER_CLASSES}."
  ${EndIf}
  RegDLL "$INSTDIR\${DLL_NAME}"
  Call RestoreClasses
  ${If} ${Errors}
    !insertmacro FAIL "Could not register $INSTDIR\${DLL_NAME}."
  ${EndIf}

  ClearErrors
  WriteRegStr HKCU "${ADDIN_KEY}" "FriendlyName" "${PRODUCT_NAME}"
  WriteRegStr HKCU "${ADDIN_KEY}" "Description" "${DESCRIPTION}"
  WriteRegDWORD HKCU "${ADDIN_KEY}" "LoadBehavior" 3
  WriteRegDWORD HKCU "${ADDIN_KEY}" "CommandLineSafe" 0
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
SectionEnd
