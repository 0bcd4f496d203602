; Setup program of Tollvane 2.00 (NSIS). scripts/package builds it with
;   makensis -DSTAGE=<folder with the program's files> -DOUTFILE=<setup.exe> tollvane.nsi
; The staged folder holds Tollvane.exe, help\Tollvane ver_2_00.pdf, README.txt
; and the empty crkeys.data and usersData.data.
;
; The operator's data in the install folder (the key list, its backup, the
; record of user numbers, the language setting and the register of issued
; cards) are never written over and never removed: an upgrade adds only a
; missing empty key list or usersData.data, and the uninstaller removes only
; the files it installed.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestDPIAware true

!ifndef STAGE
  !error "STAGE must name the staged program folder"
!endif
!ifndef OUTFILE
  !define OUTFILE "Tollvane-2.00-setup.exe"
!endif

!define PRODUCT "Tollvane"
!define VERSION "2.00"
!define PUBLISHER "Tollvane"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tollvane"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
; The folder that the program's own messages name as the default.
InstallDir "C:\Tollvane ver_2_00"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "2.0.0.0"
VIFileVersion "2.0.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\Tollvane.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Russian"

LangString SecProgram ${LANG_ENGLISH} "Tollvane and its manual"
LangString SecProgram ${LANG_RUSSIAN} "Tollvane и руководство"
LangString SecDesktopName ${LANG_ENGLISH} "Desktop shortcut"
LangString SecDesktopName ${LANG_RUSSIAN} "Ярлык на рабочем столе"
LangString DataKept ${LANG_ENGLISH} "Your data files were kept in $INSTDIR:$\r$\n$0$\r$\nDelete them by hand only if you no longer need the keys and the user numbers."
LangString DataKept ${LANG_RUSSIAN} "Файлы данных оставлены в папке $INSTDIR:$\r$\n$0$\r$\nУдаляйте их вручную, только если ключи и номера пользователей больше не нужны."

Section "!$(SecProgram)" SecMain
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\Tollvane.exe"
  File "${STAGE}\README.txt"
  ; An upgrade or repair must not touch the operator's key list and user
  ; numbers: the empty ones are only for a folder that has none.
  ${IfNot} ${FileExists} "$INSTDIR\crkeys.data"
    File "${STAGE}\crkeys.data"
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\usersData.data"
    File "${STAGE}\usersData.data"
  ${EndIf}
  SetOutPath "$INSTDIR\help"
  File "${STAGE}\help\Tollvane ver_2_00.pdf"

  ; The program opens its files relative to its working folder, so the
  ; shortcut's working folder (the current output path) is the install folder.
  SetOutPath "$INSTDIR"
  SetShellVarContext all
  CreateShortCut "$SMPROGRAMS\Tollvane.lnk" "$INSTDIR\Tollvane.exe"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tollvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Off by default, and so never made by a silent install.
Section /o "$(SecDesktopName)" SecDesktop
  SetOutPath "$INSTDIR"
  SetShellVarContext all
  CreateShortCut "$DESKTOP\Tollvane.lnk" "$INSTDIR\Tollvane.exe"
SectionEnd

Function .onInit
  !insertmacro MUI_LANGDLL_DISPLAY
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  ; Only what the setup program installed. The data files are left alone,
  ; and so is the folder while they are in it.
  Delete "$INSTDIR\Tollvane.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\help\Tollvane ver_2_00.pdf"
  RMDir "$INSTDIR\help"
  ; The key list's lock is empty and made again when needed; a station
  ; that still holds it keeps it.
  Delete "$INSTDIR\keys.lock"
  Delete "$SMPROGRAMS\Tollvane.lnk"
  Delete "$DESKTOP\Tollvane.lnk"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"

  StrCpy $0 ""
  !macro KeptFile name
    ${If} ${FileExists} "$INSTDIR\${name}"
      StrCpy $0 "$0    ${name}$\r$\n"
    ${EndIf}
  !macroend
  !insertmacro KeptFile "crkeys.data"
  !insertmacro KeptFile "zipkeys.data"
  !insertmacro KeptFile "usersData.data"
  !insertmacro KeptFile "appconfig.ini"
  !insertmacro KeptFile "IssuedCards.csv"
  ${If} $0 != ""
    DetailPrint "$(DataKept)"
    MessageBox MB_OK|MB_ICONINFORMATION "$(DataKept)" /SD IDOK
  ${EndIf}
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  !insertmacro MUI_UNGETLANGUAGE
FunctionEnd
