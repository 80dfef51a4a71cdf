; The QTXILOAD installer: ANSI, so that one setup program runs on Windows 95/98/ME and on the NT
; family alike. Built by installer/CMakeLists.txt, which passes the paths and the version:
;   makensis -DVERSION=3.1.0c4 -DVERSION_NUMBER=3.1.0.2052 -DBIN_DIR=... -DOUT_FILE=... qtxiload.nsi
; Command line beyond NSIS's own /S and /D=: /SIMULATOR installs the stand-in support library;
; the uninstaller's /REMOVEHINTS also removes the application hint records.
Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh

!define PRODUCT "QTXILOAD"
!define PUBLISHER "Quarnell"
!define FOLDER "Halvane D3D"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define PRODUCT_KEY "SOFTWARE\Quarnell\Halvane"
!define LOADER_CLASS "QTXILoadWClass"
!define LOADER_TITLE "Halvane interceptor loader"
!define IDM_CLOSE 40002
!define CLOSE_WAIT_MS 10000

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\${FOLDER}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_NUMBER}"
VIFileVersion "${VERSION_NUMBER}"
VIAddVersionKey "ProductName" "Halvane D3D"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) ${PUBLISHER}"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\QTXILOAD.EXE"
!define MUI_FINISHPAGE_RUN_TEXT "Start the Halvane D3D HAL loader now"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Ends a running loader the way its menu's Close does (command 40002 to its window), so that it
; restores the display and writes "0" to the profile, then waits a bounded time for the process to
; end. Posted, not sent: a hung loader must not hang the installer. $0 is "" when none runs or it
; ended, else the text to show.
!macro CLOSE_LOADER UN
Function ${UN}CloseLoader
    StrCpy $0 ""
    FindWindow $1 "${LOADER_CLASS}" "${LOADER_TITLE}"
    ${If} $1 == 0
        Return
    ${EndIf}
    DetailPrint "Closing the running Halvane D3D HAL loader..."
    System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2)'
    System::Call 'kernel32::OpenProcess(i 0x100000, i 0, i r2) p .r3' ; SYNCHRONIZE
    System::Call 'user32::PostMessageA(p r1, i ${WM_COMMAND}, i ${IDM_CLOSE}, i 0)'
    ${If} $3 P<> 0
        System::Call 'kernel32::WaitForSingleObject(p r3, i ${CLOSE_WAIT_MS}) i .r4'
        System::Call 'kernel32::CloseHandle(p r3)'
        ${If} $4 == 0
            Return
        ${EndIf}
    ${Else} ; no handle to wait on: watch the window instead
        ${For} $4 1 100
            FindWindow $1 "${LOADER_CLASS}" "${LOADER_TITLE}"
            ${IfThen} $1 == 0 ${|} Return ${|}
            Sleep 100
        ${Next}
    ${EndIf}
    StrCpy $0 "The Halvane D3D HAL loader (QTXILOAD) is still running and did not end when asked to close.$\r$\n$\r$\nClose it from its icon (hold Ctrl while clicking the icon, then choose Close) and run this program again. Nothing has been changed."
FunctionEnd
!macroend
!insertmacro CLOSE_LOADER ""
!insertmacro CLOSE_LOADER "un."

; Closing comes first, before anything is written.
Section "-Close the running loader"
    Call CloseLoader
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
SectionEnd

Section "Halvane D3D HAL loader (required)" SecLoader
    SectionIn RO
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File "${BIN_DIR}\QTXILOAD.EXE"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    ; The hint store opens this key and never creates it. Created without touching what is
    ; already there: the records of an earlier install stay as they are.
    System::Call 'advapi32::RegCreateKeyA(p 0x80000002, t "${PRODUCT_KEY}", *p .r1) i .r0'
    ${If} $0 == 0
        System::Call 'advapi32::RegCloseKey(p r1)'
    ${Else}
        DetailPrint "Could not create HKEY_LOCAL_MACHINE\${PRODUCT_KEY} (error $0)"
    ${EndIf}

    CreateDirectory "$SMPROGRAMS\${FOLDER}"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\QTXILOAD.lnk" "$INSTDIR\QTXILOAD.EXE"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\Uninstall QTXILOAD.lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT} ${VERSION} (Halvane D3D HAL loader)"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\QTXILOAD.EXE,0"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
SectionEnd

Section "Start at logon" SecLogon
    WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\QTXILOAD.EXE"'
SectionEnd

; Off by default: the program's folder is searched first, so a stand-in there would shadow the
; vendor's library. Remembered in the uninstall entry so that only a copy this installer put
; there is ever removed.
Section /o "Simulator, for machines without the accelerator" SecSimulator
    File "${BIN_DIR}\QTXWIN32.DLL"
    WriteRegDWORD HKLM "${UNINST_KEY}" "SimulatorInstalled" 1
SectionEnd

Section "-Finish"
    ${IfNot} ${SectionIsSelected} ${SecLogon}
        DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
    ${EndIf}
    ${IfNot} ${SectionIsSelected} ${SecSimulator}
        ReadRegDWORD $0 HKLM "${UNINST_KEY}" "SimulatorInstalled"
        ${If} $0 == 1
            Delete "$INSTDIR\QTXWIN32.DLL"
        ${EndIf}
        DeleteRegValue HKLM "${UNINST_KEY}" "SimulatorInstalled"
    ${EndIf}
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0
SectionEnd

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/SIMULATOR" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecSimulator}
    ${EndIf}
FunctionEnd

Section "-un.Close the running loader"
    Call un.CloseLoader
    ${If} $0 != ""
        MessageBox MB_OK|MB_ICONSTOP "$0" /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
SectionEnd

; The hint records are the user's data and zhqhw.ini is read by other software: both stay.
Section "-un.Program"
    SetShellVarContext all
    DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
    Delete "$SMPROGRAMS\${FOLDER}\QTXILOAD.lnk"
    Delete "$SMPROGRAMS\${FOLDER}\Uninstall QTXILOAD.lnk"
    RMDir "$SMPROGRAMS\${FOLDER}"
    ReadRegDWORD $0 HKLM "${UNINST_KEY}" "SimulatorInstalled"
    ${If} $0 == 1
        Delete "$INSTDIR\QTXWIN32.DLL"
    ${EndIf}
    Delete "$INSTDIR\QTXILOAD.EXE"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINST_KEY}"
SectionEnd

Section /o "un.Also remove the application hint records" SecUnHints
    DeleteRegKey HKLM "${PRODUCT_KEY}\App hints"
    DeleteRegKey /ifempty HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Quarnell"
SectionEnd

Function un.onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/REMOVEHINTS" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecUnHints}
    ${EndIf}
FunctionEnd
