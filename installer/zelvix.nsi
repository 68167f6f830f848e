; zelvix.nsi - the Windows installer of ZELVIX直播伴侣 (NSIS 3, Unicode, Chinese interface).
; Built by scripts/make-dist, which passes:
;   VERSION   the four-part version from res/version.h, e.g. 1.0.0.0
;   STAGE     the folder holding the files to install (and app.ico)
;   OUTFILE   the installer to write
; The shipped installer is a 32-bit one around the 32-bit program. With "-XTarget amd64-unicode"
; before the script, makensis builds the same installer as a 64-bit one around the 64-bit build
; (for dist.install where 32-bit code cannot run): it installs into the 64-bit Program Files and
; keeps its uninstall entry in the 64-bit registry view. The 32-bit one uses the 32-bit folder and
; view, as it always did.
; Per machine, into %ProgramFiles%\ZELVIX直播伴侣; Start-menu shortcuts to the program and to the
; doctor's window ("检查直播画面") and, when chosen, one to the program on the desktop; an uninstall
; entry. The uninstaller removes exactly what was installed and leaves
; HKCU\SOFTWARE\screen-capture-recorder alone: the capture filter and other programs read it.
; Neither runs while the program does (its single-instance event tells).
Unicode true
ManifestDPIAware true
SetCompressor /SOLID lzma

!define PRODUCT "ZELVIX直播伴侣"
!define PUBLISHER "ZELVIX"
!define EXE "zelvix.exe"
!define UNINSTALLER "uninstall.exe"
!define DOCTOR_LINK "检查直播画面"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZELVIX Live Companion"
!define RUNNING_EVENT "zelvix_Pivlen Event"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
!ifdef NSIS_AMD64
InstallDir "$PROGRAMFILES64\${PRODUCT}"
!else
InstallDir "$PROGRAMFILES\${PRODUCT}"
!endif
; Installing again goes where the last installation went, replacing it in place. Read before
; .onInit, in the installer's own view: the one its uninstall entry is written to.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
RequestExecutionLevel admin
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "LegalCopyright" "版权所有 (C) 2017 ZELVIX"

!define MUI_ICON "${STAGE}\app.ico"
!define MUI_UNICON "${STAGE}\app.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; While the program runs its files are in use: say so, and let the user close it and retry.
!macro REFUSE_WHILE_RUNNING un
Function ${un}RefuseWhileRunning
    retry:
    System::Call 'kernel32::OpenEventW(i 0x00100000, i 0, w "${RUNNING_EVENT}") p .r0'
    ${If} $0 P<> 0
        System::Call 'kernel32::CloseHandle(p r0)'
        MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${PRODUCT} 正在运行。$\r$\n请先关闭它，然后点击“重试”。" /SD IDCANCEL IDRETRY retry
        Abort
    ${EndIf}
FunctionEnd
!macroend
!insertmacro REFUSE_WHILE_RUNNING ""
!insertmacro REFUSE_WHILE_RUNNING "un."

; The registry view of the installer's own bitness, which a 64-bit process has anyway: said here so
; that the uninstall entry's place does not rest on a default.
!macro OWN_REG_VIEW
!ifdef NSIS_AMD64
    SetRegView 64
!endif
!macroend

Function .onInit
    SetShellVarContext all
    !insertmacro OWN_REG_VIEW
    Call RefuseWhileRunning
FunctionEnd

Function un.onInit
    SetShellVarContext all
    !insertmacro OWN_REG_VIEW
    Call un.RefuseWhileRunning
FunctionEnd

Section "${PRODUCT}" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File "${STAGE}\${EXE}"
    File "${STAGE}\zelvix-doctor.exe"
    File "${STAGE}\zelvix-doctor.com"
    File "${STAGE}\1.bmp"
    File "${STAGE}\说明.txt"
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\${EXE}"
    CreateShortcut "$SMPROGRAMS\${DOCTOR_LINK}.lnk" "$INSTDIR\zelvix-doctor.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE},0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    IntFmt $0 "0x%08X" $0
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section /o "桌面快捷方式" SecDesktop
    CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\${EXE}"
SectionEnd

Section "Uninstall"
    Delete "$INSTDIR\${EXE}"
    Delete "$INSTDIR\zelvix-doctor.exe"
    Delete "$INSTDIR\zelvix-doctor.com"
    Delete "$INSTDIR\1.bmp"
    Delete "$INSTDIR\说明.txt"
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${DOCTOR_LINK}.lnk"
    Delete "$DESKTOP\${PRODUCT}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
