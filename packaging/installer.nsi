; The Windows installer of Mulan Player: a per-user install that needs no administrator rights.
; scripts/package builds it with makensis and these defines:
;   VERSION    x.y.z            PRODUCT     the player's name
;   PUBLISHER  the publisher's name      COPYRIGHT   the copyright line
;   STAGE      folder holding mulan.exe, mulan-cli.exe, mulan-site.exe, README.txt and LICENSE.txt
;   ICON       the program's icon        OUTFILE   the installer to write

Unicode true
; The 64-bit stub: the 32-bit one needs a 32-bit subsystem that not every system (or Wine) has.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\MulanPlayer"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define MAIN_WINDOW_CLASS "MulanForm1"

Name "$(ProductName)"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Mulan Player"
; An install over an earlier one goes where that one is.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "$(ProductName) ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} ${VERSION} 安装程序"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\mulan.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; English first: a system in neither language gets the English pages (see .onInit for Chinese).
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

; English pages name the player in English, which also reads on a system without Chinese fonts.
LangString ProductName ${LANG_ENGLISH} "Mulan Player"
LangString ProductName ${LANG_SIMPCHINESE} "${PRODUCT}"
LangString PlayerRunning ${LANG_ENGLISH} "Mulan Player is running. Exit it (tray icon menu, $\"退出$\") and try again."
LangString PlayerRunning ${LANG_SIMPCHINESE} "沐岚音乐播放器正在运行。请先退出它（通知区域图标的菜单中选“退出”），再重试。"
LangString ServerRunning ${LANG_ENGLISH} "The music server mulan-site.exe is running. Stop it (close its window, or press Ctrl+C in it) and try again."
LangString ServerRunning ${LANG_SIMPCHINESE} "音乐服务器 mulan-site.exe 正在运行。请先停止它（关闭它的窗口，或在窗口中按 Ctrl+C），再重试。"

; Every Chinese system language (Taiwan and Hong Kong too) gets the Chinese pages.
!macro ChooseLanguage
  System::Call 'kernel32::GetUserDefaultUILanguage() i .r0'
  IntOp $0 $0 & 0x3FF
  ${If} $0 = 0x04
    StrCpy $LANGUAGE ${LANG_SIMPCHINESE}
  ${EndIf}
!macroend

; Files in use cannot be replaced or removed: the running player is asked to be closed first.
!macro WaitForPlayerToExit
  player_check:
    FindWindow $0 "${MAIN_WINDOW_CLASS}"
    StrCmp $0 0 player_gone
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(PlayerRunning)" /SD IDCANCEL IDRETRY player_check
    Abort
  player_gone:
!macroend

; The music server has no window to find, and runs for hours: a running program's file cannot be
; opened for writing, which tells it apart (and is just what would make the copy or removal fail,
; silently, leaving an old or orphaned mulan-site.exe beside the new player).
!macro WaitForServerToExit
  server_check:
    IfFileExists "$INSTDIR\mulan-site.exe" 0 server_gone
    ClearErrors
    FileOpen $0 "$INSTDIR\mulan-site.exe" a
    IfErrors 0 server_stopped
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ServerRunning)" /SD IDCANCEL IDRETRY server_check
    Abort
  server_stopped:
    FileClose $0
  server_gone:
!macroend

Function .onInit
  !insertmacro ChooseLanguage
  !insertmacro WaitForPlayerToExit
FunctionEnd

Function un.onInit
  !insertmacro ChooseLanguage
  !insertmacro WaitForPlayerToExit
  !insertmacro WaitForServerToExit
FunctionEnd

Section "Install"
  SetShellVarContext current
  ; Here, not in .onInit: the folder is the one chosen on the directory page.
  !insertmacro WaitForServerToExit
  SetOutPath "$INSTDIR"
  File "${STAGE}\mulan.exe"
  File "${STAGE}\mulan-cli.exe"
  File "${STAGE}\mulan-site.exe"
  File "${STAGE}\README.txt"
  File "${STAGE}\LICENSE.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\mulan.exe" "" "$INSTDIR\mulan.exe" 0

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\mulan.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes exactly what the installer put there: anything else in the folder keeps it.
Section "Uninstall"
  SetShellVarContext current
  Delete "${SHORTCUT}"
  Delete "$INSTDIR\mulan.exe"
  Delete "$INSTDIR\mulan-cli.exe"
  Delete "$INSTDIR\mulan-site.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The index of the user's music is the player's own cache and goes with it: its files by name, and
  ; the folder only when that leaves it empty. No music file is ever touched.
  Delete "$LOCALAPPDATA\Mulan Player\library.db"
  Delete "$LOCALAPPDATA\Mulan Player\library.db-wal"
  Delete "$LOCALAPPDATA\Mulan Player\library.db-shm"
  Delete "$LOCALAPPDATA\Mulan Player\library.db-journal"
  RMDir "$LOCALAPPDATA\Mulan Player"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
