; The 64-bit installer of ZavIze. tools/make-release.sh runs makensis with
;   VERSION   the program's version (1.9), VERSION_QUAD its four-part form (1.9.0.0)
;   STAGE     the folder holding zavize.exe, README.txt and licenses\
;   ICON      the program's icon      OUTFILE   the installer to write
;
; The program keeps its settings and statistics in its working directory, and Program Files is not
; writable for a user: the shortcuts start it in a per-user data folder, which the uninstaller
; leaves in place with the user's statistics and parameter sets.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true
!pragma warning disable 9100 ; no LegalCopyright in the version information

!include "MUI2.nsh"
!include "x64.nsh"

!define APP "ZavIze"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${APP}"
!define DATA_DIR "$LOCALAPPDATA\${APP}"

Name "${APP} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${APP} ${VERSION}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "$(DataKept)"
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; The installer speaks the user's language when it is one of the program's three.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "German"
!insertmacro MUI_LANGUAGE "Danish"

LangString ProgramSection ${LANG_ENGLISH} "${APP} (program and Start-menu shortcut)"
LangString ProgramSection ${LANG_GERMAN} "${APP} (Programm und Verknüpfung im Startmenü)"
LangString ProgramSection ${LANG_DANISH} "${APP} (program og genvej i menuen Start)"
LangString DesktopSection ${LANG_ENGLISH} "Desktop shortcut"
LangString DesktopSection ${LANG_GERMAN} "Verknüpfung auf dem Desktop"
LangString DesktopSection ${LANG_DANISH} "Genvej på skrivebordet"
LangString DataKept ${LANG_ENGLISH} "Your statistics, parameter sets and settings in ${DATA_DIR} are kept. Delete that folder yourself when you no longer need them."
LangString DataKept ${LANG_GERMAN} "Ihre Statistiken, Parametersätze und Einstellungen in ${DATA_DIR} bleiben erhalten. Löschen Sie diesen Ordner selbst, wenn Sie sie nicht mehr brauchen."
LangString DataKept ${LANG_DANISH} "Dine statistikker, parametersæt og indstillinger i ${DATA_DIR} bevares. Slet selv mappen, når du ikke længere har brug for dem."
LangString Needs64Bit ${LANG_ENGLISH} "This installer is for 64-bit Windows. On 32-bit Windows use ZavIze-${VERSION}-win32.zip."
LangString Needs64Bit ${LANG_GERMAN} "Dieses Installationsprogramm ist für 64-Bit-Windows. Unter 32-Bit-Windows nehmen Sie ZavIze-${VERSION}-win32.zip."
LangString Needs64Bit ${LANG_DANISH} "Dette installationsprogram er til 64-bit Windows. På 32-bit Windows bruges ZavIze-${VERSION}-win32.zip."

VIProductVersion "${VERSION_QUAD}"
VIFileVersion "${VERSION_QUAD}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductName" "${APP}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=${LANG_ENGLISH} "FileDescription" "${APP} ${VERSION} Setup"

; Shortcuts and the data folder belong to the user who installs: the shortcut's working directory
; is that user's own folder.
Function .onInit
  SetShellVarContext current
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "$(Needs64Bit)" /SD IDOK
    Abort
  ${EndIf}
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

; CreateShortcut and Exec take the current output folder as the working directory.
!macro ProgramShortcut LINK
  SetOutPath "${DATA_DIR}"
  CreateShortcut "${LINK}" "$INSTDIR\zavize.exe" "" "$INSTDIR\zavize.exe" 0 SW_SHOWNORMAL "" "${APP} ${VERSION}"
!macroend

Function StartProgram
  SetOutPath "${DATA_DIR}"
  Exec '"$INSTDIR\zavize.exe"'
FunctionEnd

Section "$(ProgramSection)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\zavize.exe"
  File "${STAGE}\kvdstat.exe"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\licenses"
  File "${STAGE}\licenses\*.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; The data folder is never overwritten: a reinstall keeps the files already in it.
  CreateDirectory "${DATA_DIR}"
  !insertmacro ProgramShortcut "$SMPROGRAMS\${APP}.lnk"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\zavize.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize ${SecProgram} $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "$(DesktopSection)" SecDesktop
  !insertmacro ProgramShortcut "$DESKTOP\${APP}.lnk"
SectionEnd

; Only what the installer put there is removed, file by file: never the data folder, and never a
; folder the user may have chosen that holds other files.
Section "Uninstall"
  Delete "$SMPROGRAMS\${APP}.lnk"
  Delete "$DESKTOP\${APP}.lnk"
  Delete "$INSTDIR\zavize.exe"
  Delete "$INSTDIR\kvdstat.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\licenses\*.txt"
  RMDir "$INSTDIR\licenses"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DetailPrint "$(DataKept)"
SectionEnd
