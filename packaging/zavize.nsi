; The 64-bit installer of ZavIze. tools/make-release.sh runs makensis with
;   VERSION   the program's version (1.9), VERSION_QUAD its four-part form (1.9.0.0)
;   STAGE     the folder holding zavize.exe, README.txt and licenses\
;   ICON      the program's icon      OUTFILE   the installer to write
;
; For a silent install on many PCs the command line may carry the plant link's settings, written
; to the data folder's ZAVIze.ini (docs/plant.md):
;   /PLANT_HOST=broker  /PLANT_PORT=8883  /PLANT_MACHINE=mill-1 (default: the computer's name)
;   /PLANT_USER=mill-1  /PLANT_CAFILE=\\server\share\plant-ca.pem (copied; TLS on)  /PLANT_TLS=1
;   /PLANT_PREFIX=kvd
; No password: a command line is visible to every local user; each PC gets it in the program's
; dialog (Communication / Plant link...), which keeps it protected for the Windows user.
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
!include "FileFunc.nsh"

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
LangString NoCaFile ${LANG_ENGLISH} "The CA file $R1 given with /PLANT_CAFILE does not exist; nothing was installed."
LangString NoCaFile ${LANG_GERMAN} "Die mit /PLANT_CAFILE angegebene CA-Datei $R1 gibt es nicht; nichts wurde installiert."
LangString NoCaFile ${LANG_DANISH} "CA-filen $R1 angivet med /PLANT_CAFILE findes ikke; intet blev installeret."
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
  ; A CA file that is not there stops the install before anything is written.
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PLANT_CAFILE=" $R1
  ${IfNot} ${Errors}
  ${AndIfNot} ${FileExists} "$R1"
    MessageBox MB_ICONSTOP "$(NoCaFile)" /SD IDOK
    SetErrorLevel 2
    Abort
  ${EndIf}
FunctionEnd

; The plant link's settings of the command line into the data folder's ZAVIze.ini, key by key: the
; other keys of a file already there (a password set in the program) stay. Without /PLANT_HOST the
; installer leaves the plant link as it is. The values are checked by the program at its start,
; which names a malformed key and leaves the link off.
!macro PlantKey OPTION KEY
  ClearErrors
  ${GetOptions} $R0 "${OPTION}" $R1
  ${IfNot} ${Errors}
    WriteINIStr "${DATA_DIR}\ZAVIze.ini" plant ${KEY} "$R1"
  ${EndIf}
!macroend

Function WritePlantSettings
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/PLANT_HOST=" $R1
  IfErrors done
  WriteINIStr "${DATA_DIR}\ZAVIze.ini" plant enabled 1
  !insertmacro PlantKey "/PLANT_HOST=" host
  !insertmacro PlantKey "/PLANT_PORT=" port
  !insertmacro PlantKey "/PLANT_MACHINE=" machine
  !insertmacro PlantKey "/PLANT_USER=" user
  !insertmacro PlantKey "/PLANT_PREFIX=" prefix
  !insertmacro PlantKey "/PLANT_TLS=" tls
  ; The CA file is copied beside the settings: the monitor does not depend on the share it came from.
  ClearErrors
  ${GetOptions} $R0 "/PLANT_CAFILE=" $R1
  ${IfNot} ${Errors}
    CopyFiles /SILENT "$R1" "${DATA_DIR}\plant-ca.pem"
    WriteINIStr "${DATA_DIR}\ZAVIze.ini" plant tls 1
    WriteINIStr "${DATA_DIR}\ZAVIze.ini" plant cafile "${DATA_DIR}\plant-ca.pem"
  ${EndIf}
  FlushINI "${DATA_DIR}\ZAVIze.ini"
  done:
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
  Call WritePlantSettings
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
