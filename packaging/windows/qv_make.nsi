; The Windows installer: qv_make, qv_tools and qv_paper with what they load,
; a Start-menu shortcut for each window, and an uninstaller that removes
; exactly what was put there. makensis gets VERSION, ICON, FILES and UNFILES
; (the lists of the installed folder, made by scripts/windows.sh) and OUTFILE.
; A 64-bit installer for 64-bit programs: it needs no 32-bit Windows layer.
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define APP_NAME "qv_make"
!define APP_TITLE "Kestrova2.0 出题端 qv_make"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\qv_make"
!define SHORTCUT "$SMPROGRAMS\${APP_TITLE}.lnk"
!define TOOLS_SHORTCUT "$SMPROGRAMS\试卷工具.lnk"

Name "${APP_TITLE} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${APP_NAME}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=2052 "ProductName" "${APP_TITLE}"
VIAddVersionKey /LANG=2052 "FileDescription" "${APP_TITLE} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "qv_make developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\qv_make.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Install"
    !include "${FILES}"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    ; A shortcut starts in the output folder, last a plugin folder of the file
    ; list; the programs' folder is where a double-click on them starts them,
    ; and where qv_make's folder dialog opens.
    SetOutPath "$INSTDIR"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\qv_make.exe" "" "$INSTDIR\qv_make.exe" 0
    CreateShortcut "${TOOLS_SHORTCUT}" "$INSTDIR\qv_tools.exe" "" "$INSTDIR\qv_tools.exe" 0
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${APP_TITLE}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qv_make.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what the installer put there: papers a teacher saved into the program's
; folder stay, and so does the folder then.
Section "Uninstall"
    Delete "${SHORTCUT}"
    Delete "${TOOLS_SHORTCUT}"
    !include "${UNFILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
