; Quillet's Windows installer, quillet-VERSION-setup.exe. It asks whom the
; installation is for, as Windows installers do:
;   for everyone (administrators only): Program Files, the all-users Start
;     menu and the uninstall entry under HKLM;
;   only for the user (no administrator rights needed):
;     %LOCALAPPDATA%\Programs\Quillet, the user's Start menu and HKCU.
; "/S" installs silently, for everyone when run by an administrator;
; "/AllUsers" or "/CurrentUser" beside it chooses. The uninstaller takes away
; what it installed (and "/S" makes it silent too).
;
; Built by the Windows build (app/windows/CMakeLists.txt):
;   makensis -DVERSION=1.0.0 -DPUBLISHER=... -DCOPYRIGHT=... -DHOMEPAGE=...
;            -DPROGRAMS=<folder with the programs, LICENSE.txt and README.txt>
;            -DICON=<quillet.ico> -DSIDE=<164 x 314 BMP> -DOUTFILE=<setup.exe>
;            installer.nsi
;
; A 64-bit installer: the programs are 64-bit, and so Program Files and the
; registry are the 64-bit ones without any redirection.
Unicode true
Target amd64-unicode
ManifestDPIAware true
SetCompressor /SOLID lzma

!define PRODUCT "Quillet"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillet"

; Whom for: the mode page, the command line, and the folder an earlier
; installation used, looked up in the hive of the mode chosen.
!define MULTIUSER_EXECUTIONLEVEL Highest
!define MULTIUSER_MUI
!define MULTIUSER_INSTALLMODE_COMMANDLINE
!define MULTIUSER_USE_PROGRAMFILES64
!define MULTIUSER_INSTALLMODE_INSTDIR "${PRODUCT}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_INSTDIR_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MULTIUSER_INSTALLMODE_DEFAULT_REGISTRY_VALUENAME "InstallLocation"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_ALLUSERS "Install for anyone using this computer (needs administrator rights)"
!define MULTIUSER_INSTALLMODEPAGE_TEXT_CURRENTUSER "Install just for me (needs no administrator rights)"
!include "MultiUser.nsh"
!include "MUI2.nsh"
!include "LogicLib.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} installer"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_WELCOMEFINISHPAGE_BITMAP "${SIDE}"
!define MUI_UNWELCOMEFINISHPAGE_BITMAP "${SIDE}"
!define MUI_ABORTWARNING

!define MUI_WELCOMEPAGE_TEXT "This will install ${PRODUCT} ${VERSION}, which turns a sampler's \
  chain files (STEM.ind and STEM.out) into a table: the window program, and the command-line \
  converter quillet-convert, which also writes workbooks.$\r$\n$\r$\n$_CLICK"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${PROGRAMS}\LICENSE.txt"
!insertmacro MULTIUSER_PAGE_INSTALLMODE
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Run ${PRODUCT}"
!define MUI_FINISHPAGE_RUN_FUNCTION RunFromShortcut
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Show the read-me"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Every file the installer puts into the folder, for installing and for
; uninstalling the same list.
!macro QUILLET_FILES ACTION
  !insertmacro ${ACTION} "quillet.exe"
  !insertmacro ${ACTION} "quillet-convert.exe"
  !insertmacro ${ACTION} "LICENSE.txt"
  !insertmacro ${ACTION} "README.txt"
!macroend
!macro QUILLET_INSTALL NAME
  File "${PROGRAMS}\${NAME}"
!macroend
!macro QUILLET_REMOVE NAME
  Delete "$INSTDIR\${NAME}"
!macroend

!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"

Function .onInit
  !insertmacro MULTIUSER_INIT
FunctionEnd

; The window keeps its settings file in its current folder: the shortcut
; starts it in the user's Documents folder, which the user may write to, not
; in the program's folder, which they may not. A shortcut for everyone names
; each user's own Documents, which the shell expands when it starts it.
Function CreateShortcut
  ${If} $MultiUser.InstallMode == "AllUsers"
    StrCpy $OUTDIR "%USERPROFILE%\Documents"
  ${Else}
    StrCpy $OUTDIR "$DOCUMENTS"
  ${EndIf}
  CreateShortcut "${SHORTCUT}" "$INSTDIR\quillet.exe" "" "$INSTDIR\quillet.exe" 0 SW_SHOWNORMAL \
    "" "Converts a sampler's chain files into a table"
  SetOutPath "$INSTDIR"
FunctionEnd

; "Run" on the finish page starts the window through its shortcut, so in the
; same folder as every later start.
Function RunFromShortcut
  ExecShell "" "${SHORTCUT}"
FunctionEnd

Section "Quillet"
  SetOutPath "$INSTDIR"
  !insertmacro QUILLET_FILES QUILLET_INSTALL
  WriteUninstaller "$INSTDIR\uninstall.exe"
  Call CreateShortcut

  ; SHCTX: HKLM for everyone, HKCU for the user alone.
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quillet.exe,0"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr SHCTX "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "NoRepair" 1
  ; In KiB, as Add/Remove Programs shows it.
  SectionGetSize 0 $0
  WriteRegDWORD SHCTX "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; The uninstaller works in the mode of the installation it belongs to: the
; one whose entry names its folder.
Function un.onInit
  !insertmacro MULTIUSER_UNINIT
  ReadRegStr $0 HKCU "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    Call un.MultiUser.InstallMode.CurrentUser
  ${ElseIf} $1 == $INSTDIR
    Call un.MultiUser.InstallMode.AllUsers
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; Only what the installer put there: a settings file or table a user left
  ; in the folder stays, and so does the folder then.
  !insertmacro QUILLET_FILES QUILLET_REMOVE
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"
  DeleteRegKey SHCTX "${UNINSTALL_KEY}"
SectionEnd
