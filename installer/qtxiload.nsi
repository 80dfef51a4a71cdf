; The QTXILOAD installer: ANSI, so that one setup program runs on Windows 95/98/ME and on the NT
; family alike. Built by installer/CMakeLists.txt, which passes the paths and the version:
;   makensis -DVERSION=3.1.0c4 -DVERSION_NUMBER=3.1.0.2052 -DBIN_DIR=... -DSTUB=... -DICON=...
;            -DHELP_HLP=... -DHELP_CNT=... -DMANUAL_HTML=... -DREADME=... (the manual halibut made)
;            -DUNINSTALLER_FINALIZE=... -DOUT_FILE=... qtxiload.nsi
; Command line beyond NSIS's own /S and /D=: /SIMULATOR and /NOSIMULATOR, /LOGONSTART and
; /NOLOGONSTART override the choices (an upgrade starts from those of the last install); the
; uninstaller's /REMOVEHINTS also removes the application hint records.
; Exit codes: 0 done, 2 refused or incomplete (always with a message, shown unless silent).
Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include Sections.nsh
!include WinVer.nsh

; Plug-ins: nsDialogs (the Modern UI's pages) and the installer's own, qtxsetup
; (installer/stub/qtxsetup.c), neither of which needs a C runtime DLL; makensis is given no other
; (installer/CMakeLists.txt). The pages' bitmaps are freed through qtxsetup and the focus is set
; the dialog's way: the Modern UI's ways need the System plug-in.
!macroundef __NSD_FreeImage
!macro __NSD_FreeImage IMAGE
    ${If} ${IMAGE} P<> 0
        Push ${IMAGE}
        qtxsetup::FreeImage
    ${EndIf}
!macroend
!macroundef __NSD_SetFocus
!macro __NSD_SetFocus HWND
    SendMessage $HWNDPARENT ${WM_NEXTDLGCTL} ${HWND} 1
!macroend

!define PRODUCT "QTXILOAD"
!define PUBLISHER "Quarnell"
!define FOLDER "Halvane D3D"
!define UNINST_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Where Windows Help looks for a help file named without a folder: a value per file, naming the
; folder (written as $INSTDIR, without a trailing backslash).
!define HELP_KEY "SOFTWARE\Microsoft\Windows\Help"
!define PRODUCT_KEY "SOFTWARE\Quarnell\Halvane"
!define LOADER_CLASS "QTXILoadWClass"
!define LOADER_TITLE "Halvane interceptor loader"
!define IDM_CLOSE 40002
!define CLOSE_POLLS 100 ; of 100 ms each
; Windows takes paths of at most 259 characters; the longest name put into the folder is 13.
!define MAX_FOLDER_LENGTH 245

Name "${PRODUCT} ${VERSION}"
OutFile "${OUT_FILE}"
InstallDir "$PROGRAMFILES\${FOLDER}"
InstallDirRegKey HKLM "${UNINST_KEY}" "InstallLocation"
BrandingText "Quarnell Halvane D3D - ${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

; The NSIS uninstaller (uninstall.dat, run by uninstall.exe) is written from this same header;
; UNINSTALLER_FINALIZE rewrites its texts (each no longer than the installer's) so that its version
; resource names it as the uninstaller.
VIProductVersion "${VERSION_NUMBER}"
VIFileVersion "${VERSION_NUMBER}"
VIAddVersionKey "ProductName" "Halvane D3D"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "Setup of ${PRODUCT} ${VERSION}, the Halvane D3D HAL loader"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "InternalName" "${PRODUCT}-${VERSION}-setup"
VIAddVersionKey "OriginalFilename" "${PRODUCT}-${VERSION}-setup.exe"
VIAddVersionKey "LegalCopyright" "Copyright (C) ${PUBLISHER}"
!uninstfinalize '${UNINSTALLER_FINALIZE} "%1" "Setup of ${PRODUCT} ${VERSION}, the Halvane D3D HAL loader" "Uninstaller of ${PRODUCT} ${VERSION}" "${PRODUCT}-${VERSION}-setup" "uninstall" "${PRODUCT}-${VERSION}-setup.exe" "uninstall.exe"'

Var OldDir      ; InstallLocation of the install found at the start, "" when none
Var OldStandIn  ; the stand-in that install put there (full path), "" when none
Var LoaderClosed ; the program file of a loader this run closed, to start again; "" when none
Var CreatedDir  ; 1 when this run created the install folder
Var Problems    ; what failed after the point where nothing could be undone
Var StartNow    ; the finish page's check box

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This installs ${PRODUCT} ${VERSION}, the Halvane D3D HAL loader: a small resident program for the Halvane 3D accelerator that switches the Direct3D HAL on and shows an icon in the notification area.$\r$\n$\r$\nA running loader is closed before anything is changed and started again afterwards.$\r$\n$\r$\n$_CLICK"
; The finish page's "start now" box is made here: the Modern UI's own one needs System.
!define MUI_FINISHPAGE_NOREBOOTSUPPORT ; nothing the installer does waits for a restart
!define MUI_FORCECLASSICCONTROLS ; else the page asks System about high contrast, for boxes it lacks
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_PAGE_CUSTOMFUNCTION_SHOW FinishShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE FinishLeave
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; The files put into the program's folder besides the uninstaller and the stand-in. Moving and
; uninstalling go by this list; a file added here is installed in the section SecLoader.
!macro FOR_EACH_PROGRAM_FILE DO
    !insertmacro ${DO} "QTXILOAD.EXE"
    !insertmacro ${DO} "README.TXT"
    !insertmacro ${DO} "qtxhelp.hlp"
    !insertmacro ${DO} "qtxhelp.cnt"
    !insertmacro ${DO} "qtxhelp.html"
!macroend
; The files Windows Help makes beside the help file (its index, its full-text search): removed
; with the folder's program files, since the folder could not go otherwise.
!macro FOR_EACH_FILE_HELP_MAKES DO
    !insertmacro ${DO} "qtxhelp.gid"
    !insertmacro ${DO} "qtxhelp.fts"
    !insertmacro ${DO} "qtxhelp.ftg"
!macroend

!define LOCKED_REASON "Most likely the Halvane D3D HAL loader (QTXILOAD) is running for another user of this computer (the logon start runs one for each user): that user must close it (hold Ctrl while clicking its icon, then choose Close) or log off. The file may also be read-only, or open in another program (a help file in the Help viewer: close it)."

; $R9 = 1 when the file exists and cannot be opened for writing (in use, or read-only): it could
; be neither replaced nor deleted. Opening it changes nothing.
!macro FILE_LOCKED PATH
    StrCpy $R9 0
    ${If} ${FileExists} "${PATH}"
        ClearErrors
        FileOpen $R8 "${PATH}" a
        ${If} ${Errors}
            StrCpy $R9 1
        ${Else}
            FileClose $R8
        ${EndIf}
    ${EndIf}
!macroend

!macro SHARED_FUNCTIONS UN
; Ends a running loader the way its menu's Close does (command 40002 to its window), so that it
; restores the display and writes "0" to the profile, then waits a bounded time until its window
; is gone and its program file is free (a loader ending after its window still holds the file).
; Sent with a timeout, so that a hung loader cannot hang this program. $0 is "" when none runs
; or it ended, else the text to show. $LoaderClosed names the file to start again.
Function ${UN}CloseLoader
    StrCpy $0 ""
    FindWindow $1 "${LOADER_CLASS}" "${LOADER_TITLE}"
    ${If} $1 == 0
        Return
    ${EndIf}
    DetailPrint "Closing the running Halvane D3D HAL loader..."
    StrCpy $LoaderClosed "$INSTDIR\QTXILOAD.EXE"
    ${If} $OldDir != ""
    ${AndIf} ${FileExists} "$OldDir\QTXILOAD.EXE"
        StrCpy $LoaderClosed "$OldDir\QTXILOAD.EXE"
    ${EndIf}
    SendMessage $1 ${WM_COMMAND} ${IDM_CLOSE} 0 $2 /TIMEOUT=2000
    ${For} $2 1 ${CLOSE_POLLS}
        FindWindow $1 "${LOADER_CLASS}" "${LOADER_TITLE}"
        ${If} $1 == 0
            !insertmacro FILE_LOCKED "$LoaderClosed"
            ${IfThen} $R9 == 0 ${|} Return ${|}
        ${EndIf}
        Sleep 100
    ${Next}
    StrCpy $LoaderClosed ""
    StrCpy $0 "The Halvane D3D HAL loader (QTXILOAD) is still running and did not end when asked to close.$\r$\n$\r$\nIf its icon is still in the notification area, close it from there: hold Ctrl while clicking the icon, then choose Close. If its icon is gone, the loader is ending but waits for an answer to a message of its own (such as $\"Unable to record the HAL state$\"), which may be hidden behind other windows: answer it, and the loader ends. A loader started for another user of this computer must be closed by that user.$\r$\n$\r$\nThen run this program again. Nothing has been changed."
FunctionEnd

; Starts the loader $R1 as the logged-on user's own process. From Windows Vista on this program
; runs elevated and a child would inherit that: the shell's explorer.exe is asked to start it
; instead (the explorer.exe started here hands the path to the running shell, which starts it
; with the user's own rights). Before Vista there is no elevation, and explorer.exe of those
; systems does not start programs given to it, so it is started directly.
Function ${UN}StartLoaderAt
    ClearErrors
    ${If} ${AtLeastWinVista}
        FindWindow $R2 "Shell_TrayWnd"
        ${If} $R2 == 0
            DetailPrint "No desktop shell runs, so the loader was not started; it starts at the next logon, or from the Start Menu."
            Return
        ${EndIf}
        Exec '"$WINDIR\explorer.exe" "$R1"'
    ${Else}
        Exec '"$R1"'
    ${EndIf}
    ${If} ${Errors}
        StrCpy $Problems "$Problems$\r$\nThe loader $R1 could not be started again; start it from the Start Menu."
    ${Else}
        DetailPrint "Started the loader again: $R1"
    ${EndIf}
FunctionEnd

; Shows $R0 (unless silent), starts again a loader this run closed, and ends with exit code 2.
; Called only before anything was changed, or with the words saying what was.
Function ${UN}Refuse
    DetailPrint "$R0"
    MessageBox MB_OK|MB_ICONSTOP "$R0" /SD IDOK
    ${If} $CreatedDir == 1
        RMDir "$INSTDIR"
    ${EndIf}
    ${If} $LoaderClosed != ""
    ${AndIf} ${FileExists} "$LoaderClosed"
        StrCpy $R1 "$LoaderClosed"
        Call ${UN}StartLoaderAt
    ${EndIf}
    SetErrorLevel 2
    Quit
FunctionEnd

; Ends the run: tells what failed after the point of no return, with exit code 2.
Function ${UN}ReportProblems
    ${If} $Problems != ""
        StrCpy $R0 "Not everything could be done:$Problems"
        DetailPrint "$R0"
        MessageBox MB_OK|MB_ICONEXCLAMATION "$R0" /SD IDOK
        SetErrorLevel 2
        Quit
    ${EndIf}
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; ---------------------------------------------------------------------------------------------
; The installer

; The install found: its folder, and the stand-in it put there, by the path it recorded or, for
; releases that recorded only that they installed one, in its folder.
Function ReadEarlierInstall
    ReadRegStr $OldDir HKLM "${UNINST_KEY}" "InstallLocation"
    ReadRegStr $OldStandIn HKLM "${UNINST_KEY}" "SimulatorFile"
    ${If} $OldStandIn == ""
    ${AndIf} $OldDir != ""
        ReadRegDWORD $R1 HKLM "${UNINST_KEY}" "SimulatorInstalled"
        ${IfThen} $R1 == 1 ${|} StrCpy $OldStandIn "$OldDir\QTXWIN32.DLL" ${|}
    ${EndIf}
FunctionEnd

; NSIS cuts " /D=folder" off $CMDLINE and replaces a folder it finds unusable (a missing drive,
; characters it strips such as the ? of a character the code page cannot hold) by the default
; without a word. The folder asked for is read from the command line as Windows passed it and
; refused when it is not the one NSIS took.
Function CheckRequestedFolder
    qtxsetup::CommandLine
    Pop $R0
    StrLen $R2 $R0
    ${For} $R1 0 $R2
        StrCpy $R3 $R0 4 $R1
        ${If} $R3 S== " /D="
            IntOp $R1 $R1 + 4
            StrCpy $R3 $R0 "" $R1
            ${Do}
                StrCpy $R4 $R3 1 -1
                ${IfThen} $R4 != "\" ${|} ${ExitDo} ${|}
                StrCpy $R3 $R3 -1
            ${Loop}
            ${If} $R3 != $INSTDIR
                StrCpy $R0 "The folder given with /D= cannot be used:$\r$\n$R3$\r$\n$\r$\nIts drive or network share may not exist, it may not be a full path (such as C:\Folder), or it may hold characters that this installer cannot use on this system (shown as ?). Nothing has been installed."
                Call Refuse
            ${EndIf}
            Return
        ${EndIf}
    ${Next}
FunctionEnd

Function CheckFolderLength
    StrLen $R1 "$INSTDIR"
    ${If} $R1 > ${MAX_FOLDER_LENGTH}
        StrCpy $R0 "The folder $INSTDIR is too long: Windows cannot use paths of more than 259 characters, and the folder may have at most ${MAX_FOLDER_LENGTH}. Choose a shorter one. Nothing has been installed."
    ${Else}
        StrCpy $R0 ""
    ${EndIf}
FunctionEnd

Function DirectoryLeave
    Call CheckFolderLength
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONSTOP "$R0"
        Abort
    ${EndIf}
FunctionEnd

; The hint store opens this key and never creates it. Created without touching what is already
; there (a value written and removed again): the records of an earlier install stay as they are.
Function CreateProductKey
    ClearErrors
    EnumRegKey $R1 HKLM "${PRODUCT_KEY}" 0
    ${IfNot} ${Errors}
        Return
    ${EndIf}
    ClearErrors
    WriteRegDWORD HKLM "${PRODUCT_KEY}" "${PRODUCT} setup" 1
    ${If} ${Errors}
        StrCpy $R0 "The registry key HKEY_LOCAL_MACHINE\${PRODUCT_KEY} could not be created; without it the loader cannot keep application hint records.$\r$\n$\r$\nRun this program as an administrator, or ask one to allow creating the key. Nothing has been installed."
        Call Refuse
    ${EndIf}
    DeleteRegValue HKLM "${PRODUCT_KEY}" "${PRODUCT} setup"
FunctionEnd

; Installing into another folder moves the installation: the files of the earlier one go first
; (its hint records stay), so that no second copy and no second uninstaller are left behind.
!macro REMOVE_OLD NAME
    ClearErrors
    Delete "$OldDir\${NAME}"
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\n$OldDir\${NAME} could not be removed." ${|}
!macroend
Function RemoveEarlierCopy
    ${If} $OldDir == ""
    ${OrIf} $OldDir == $INSTDIR
        Return
    ${EndIf}
    DetailPrint "Moving the installation from $OldDir"
    !insertmacro FOR_EACH_PROGRAM_FILE REMOVE_OLD
    !insertmacro FOR_EACH_FILE_HELP_MAKES REMOVE_OLD
    !insertmacro REMOVE_OLD "uninstall.exe"
    !insertmacro REMOVE_OLD "uninstall.dat"
    ${If} $OldStandIn == "$OldDir\QTXWIN32.DLL"
        !insertmacro REMOVE_OLD "QTXWIN32.DLL"
        StrCpy $OldStandIn ""
    ${EndIf}
    RMDir "$OldDir"
FunctionEnd

; Checks come first, before anything is written; the product key is the first change.
Section "-Prepare"
    SetShellVarContext all
    Call CheckFolderLength
    ${IfThen} $R0 != "" ${|} Call Refuse ${|}
    Call CloseLoader
    ${If} $0 != ""
        StrCpy $R0 $0
        Call Refuse
    ${EndIf}
    Call CheckFiles
    Call CreateProductKey
    Call RemoveEarlierCopy
SectionEnd

!macro INSTALL_FILE SOURCE NAME
    ClearErrors
    File "/oname=${NAME}" "${SOURCE}"
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\n$INSTDIR\${NAME} could not be written." ${|}
!macroend

Section "Halvane D3D HAL loader (required)" SecLoader
    SectionIn RO
    SetOutPath "$INSTDIR"
    SetOverwrite try ; a failure is told below instead of NSIS's Abort/Retry/Ignore box
    !insertmacro INSTALL_FILE "${BIN_DIR}\QTXILOAD.EXE" "QTXILOAD.EXE"
    !insertmacro INSTALL_FILE "${README}" "README.TXT"
    !insertmacro INSTALL_FILE "${HELP_HLP}" "qtxhelp.hlp"
    !insertmacro INSTALL_FILE "${HELP_CNT}" "qtxhelp.cnt"
    !insertmacro INSTALL_FILE "${MANUAL_HTML}" "qtxhelp.html"
    !insertmacro INSTALL_FILE "${STUB}" "uninstall.exe"
    ClearErrors
    WriteUninstaller "$INSTDIR\uninstall.dat"
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\n$INSTDIR\uninstall.dat could not be written." ${|}

    ; The shortcuts start in $OUTDIR: the loader's Help names its help file without a folder,
    ; which Windows Help looks for in the current folder too.
    ClearErrors
    CreateDirectory "$SMPROGRAMS\${FOLDER}"
    SetOutPath "$INSTDIR"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\QTXILOAD.lnk" "$INSTDIR\QTXILOAD.EXE"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\Read me.lnk" "$INSTDIR\README.TXT"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\Manual.lnk" "$INSTDIR\qtxhelp.html"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\Uninstall QTXILOAD.lnk" "$INSTDIR\uninstall.exe"
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\nThe Start Menu folder $SMPROGRAMS\${FOLDER} could not be made." ${|}

    ; uninstall.exe returns when the uninstaller is done, with its exit code.
    ClearErrors
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT} ${VERSION} (Halvane D3D HAL loader)"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\QTXILOAD.EXE,0"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\nThe Add/Remove Programs entry HKEY_LOCAL_MACHINE\${UNINST_KEY} could not be written." ${|}

    ClearErrors
    WriteRegStr HKLM "${HELP_KEY}" "qtxhelp.hlp" "$INSTDIR"
    WriteRegStr HKLM "${HELP_KEY}" "qtxhelp.cnt" "$INSTDIR"
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\nThe registration of the help files (HKEY_LOCAL_MACHINE\${HELP_KEY}, values qtxhelp.hlp and qtxhelp.cnt) could not be written." ${|}
SectionEnd

Section "Start at logon" SecLogon
    ClearErrors
    WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\QTXILOAD.EXE"'
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\nThe logon start (HKEY_LOCAL_MACHINE\${RUN_KEY}, value ${PRODUCT}) could not be written." ${|}
SectionEnd

; Off by default: the program's folder is searched first, so a stand-in there would shadow the
; vendor's library. Its path is recorded, so that only a copy this installer put there is ever
; removed.
Section /o "Simulator, for machines without the accelerator" SecSimulator
    !insertmacro INSTALL_FILE "${BIN_DIR}\QTXWIN32.DLL" "QTXWIN32.DLL"
    WriteRegStr HKLM "${UNINST_KEY}" "SimulatorFile" "$INSTDIR\QTXWIN32.DLL"
SectionEnd

; Every file about to be replaced or removed must be free, and a QTXWIN32.DLL this installer did
; not put there (the accelerator's own library, most likely) is never replaced.
!macro CHECK_REPLACEABLE NAME
    !insertmacro FILE_LOCKED "$INSTDIR\${NAME}"
    ${If} $R9 == 1
        StrCpy $R0 "$INSTDIR\${NAME} cannot be replaced: it is in use.$\r$\n$\r$\n${LOCKED_REASON}$\r$\n$\r$\nThen run this program again. Nothing has been changed."
        Call Refuse
    ${EndIf}
!macroend
!macro CHECK_REMOVABLE NAME
    !insertmacro FILE_LOCKED "$OldDir\${NAME}"
    ${If} $R9 == 1
        StrCpy $R0 "$OldDir\${NAME}, of the earlier installation that this one replaces, cannot be removed: it is in use.$\r$\n$\r$\n${LOCKED_REASON}$\r$\n$\r$\nThen run this program again. Nothing has been changed."
        Call Refuse
    ${EndIf}
!macroend
Function CheckFiles
    ${If} ${SectionIsSelected} ${SecSimulator}
    ${AndIf} ${FileExists} "$INSTDIR\QTXWIN32.DLL"
    ${AndIf} $OldStandIn != "$INSTDIR\QTXWIN32.DLL"
        StrCpy $R0 "$INSTDIR holds a QTXWIN32.DLL that this installer did not put there, most likely the Halvane accelerator's own support library. The simulator would replace it.$\r$\n$\r$\nLeave the simulator out, or choose another folder. Nothing has been changed."
        Call Refuse
    ${EndIf}
    !insertmacro FOR_EACH_PROGRAM_FILE CHECK_REPLACEABLE
    !insertmacro CHECK_REPLACEABLE "uninstall.exe"
    !insertmacro CHECK_REPLACEABLE "uninstall.dat"
    ${If} $OldStandIn == "$INSTDIR\QTXWIN32.DLL"
        !insertmacro CHECK_REPLACEABLE "QTXWIN32.DLL"
    ${EndIf}
    ${If} $OldDir != ""
    ${AndIf} $OldDir != $INSTDIR
        !insertmacro FOR_EACH_PROGRAM_FILE CHECK_REMOVABLE
        !insertmacro FOR_EACH_FILE_HELP_MAKES CHECK_REMOVABLE
        !insertmacro CHECK_REMOVABLE "uninstall.exe"
        !insertmacro CHECK_REMOVABLE "uninstall.dat"
        ${If} $OldStandIn == "$OldDir\QTXWIN32.DLL"
            !insertmacro CHECK_REMOVABLE "QTXWIN32.DLL"
        ${EndIf}
    ${EndIf}
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
        ClearErrors
        CreateDirectory "$INSTDIR"
        ${If} ${Errors}
            StrCpy $R0 "The folder $INSTDIR could not be created. Choose another folder, or run this program as an administrator. Nothing has been changed."
            Call Refuse
        ${EndIf}
        StrCpy $CreatedDir 1
    ${EndIf}
FunctionEnd

; $R5 += the size of an installed file (FileFunc's GetSize needs System).
!macro ADD_SIZE NAME
    ClearErrors
    FileOpen $R6 "$INSTDIR\${NAME}" r
    ${IfNot} ${Errors}
        FileSeek $R6 0 END $R7
        FileClose $R6
        IntOp $R5 $R5 + $R7
    ${EndIf}
!macroend

Section "-Finish"
    ${If} ${SectionIsSelected} ${SecLogon}
        WriteRegDWORD HKLM "${UNINST_KEY}" "StartAtLogon" 1
    ${Else}
        DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
        WriteRegDWORD HKLM "${UNINST_KEY}" "StartAtLogon" 0
    ${EndIf}
    ${IfNot} ${SectionIsSelected} ${SecSimulator}
        ${If} $OldStandIn == "$INSTDIR\QTXWIN32.DLL"
            ClearErrors
            Delete "$INSTDIR\QTXWIN32.DLL"
            ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\n$INSTDIR\QTXWIN32.DLL (the simulator) could not be removed." ${|}
        ${EndIf}
        DeleteRegValue HKLM "${UNINST_KEY}" "SimulatorFile"
    ${EndIf}
    DeleteRegValue HKLM "${UNINST_KEY}" "SimulatorInstalled" ; the record of earlier releases
    StrCpy $R5 0
    !insertmacro FOR_EACH_PROGRAM_FILE ADD_SIZE
    !insertmacro ADD_SIZE "uninstall.exe"
    !insertmacro ADD_SIZE "uninstall.dat"
    ${If} ${SectionIsSelected} ${SecSimulator}
        !insertmacro ADD_SIZE "QTXWIN32.DLL"
    ${EndIf}
    IntOp $R5 $R5 / 1024
    WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $R5
    ${If} $LoaderClosed != ""
        StrCpy $R1 "$INSTDIR\QTXILOAD.EXE"
        Call StartLoaderAt
    ${EndIf}
    Call ReportProblems
SectionEnd

Function FinishShow
    ${NSD_CreateCheckbox} 120u 90u 195u 10u "Start the Halvane D3D HAL loader now"
    Pop $StartNow
    SetCtlColors $StartNow 000000 FFFFFF
    FindWindow $R1 "${LOADER_CLASS}" "${LOADER_TITLE}"
    ${If} $R1 == 0 ; not already started again
        ${NSD_Check} $StartNow
    ${Else}
        EnableWindow $StartNow 0
    ${EndIf}
FunctionEnd

Function FinishLeave
    ${NSD_GetState} $StartNow $R1
    ${If} $R1 == ${BST_CHECKED}
        StrCpy $R1 "$INSTDIR\QTXILOAD.EXE"
        Call StartLoaderAt
    ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecLoader} "QTXILOAD.EXE, its manual (Windows Help, HTML, README.TXT) registered with Windows Help, a Start Menu folder and an Add/Remove Programs entry."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecLogon} "Starts the loader for everyone who logs on to this computer."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecSimulator} "A stand-in QTXWIN32.DLL beside the program, for trying it without the accelerator. Not on a machine with the accelerator: it would hide the accelerator's own library."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; The choices of the last install are preselected; the command line overrides them.
Function .onInit
    Call CheckRequestedFolder
    Call ReadEarlierInstall
    ClearErrors
    ReadRegDWORD $R1 HKLM "${UNINST_KEY}" "StartAtLogon"
    ${If} ${Errors} ; none recorded: on, unless an earlier install is there without the logon start
        StrCpy $R1 1
        ${If} $OldDir != ""
            ClearErrors
            ReadRegStr $R2 HKLM "${RUN_KEY}" "${PRODUCT}"
            ${IfThen} ${Errors} ${|} StrCpy $R1 0 ${|}
        ${EndIf}
    ${EndIf}
    ${IfThen} $R1 == 0 ${|} !insertmacro UnselectSection ${SecLogon} ${|}
    ${IfThen} $OldStandIn != "" ${|} !insertmacro SelectSection ${SecSimulator} ${|}

    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/SIMULATOR" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecSimulator}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/NOSIMULATOR" $R1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SecSimulator}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/LOGONSTART" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecLogon}
    ${EndIf}
    ClearErrors
    ${GetOptions} $R0 "/NOLOGONSTART" $R1
    ${IfNot} ${Errors}
        !insertmacro UnselectSection ${SecLogon}
    ${EndIf}
FunctionEnd

; ---------------------------------------------------------------------------------------------
; The uninstaller, uninstall.dat. uninstall.exe runs it from a copy in a temporary folder with
; _?=, and waits; run by itself, NSIS runs it from such a copy too, without waiting.

; Without a QTXILOAD.EXE here (an uninstaller left behind by a move) no loader of this folder
; can run, and one running from elsewhere, the installation moved to, is not this one's to stop.
Section "-un.Close the running loader"
    ${If} ${FileExists} "$INSTDIR\QTXILOAD.EXE"
        Call un.CloseLoader
        ${If} $0 != ""
            StrCpy $R0 $0
            Call un.Refuse
        ${EndIf}
    ${EndIf}
SectionEnd

!macro UN_CHECK_REMOVABLE NAME
    !insertmacro FILE_LOCKED "$INSTDIR\${NAME}"
    ${If} $R9 == 1
        StrCpy $R0 "$INSTDIR\${NAME} cannot be removed: it is in use.$\r$\n$\r$\n${LOCKED_REASON}$\r$\n$\r$\nThen run this program again. Nothing has been changed."
        Call un.Refuse
    ${EndIf}
!macroend
!macro UN_REMOVE NAME
    ClearErrors
    Delete "$INSTDIR\${NAME}"
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\n$INSTDIR\${NAME} could not be removed." ${|}
!macroend

; The registrations one installation holds for all: removed only while they point at this
; uninstaller's own folder, so that an uninstaller left behind by an earlier copy never breaks
; the installation that moved elsewhere. A registration added later belongs here.
!macro UN_REMOVE_HELP_REGISTRATION NAME
    ReadRegStr $R1 HKLM "${HELP_KEY}" "${NAME}"
    ${If} $R1 == $INSTDIR
    ${OrIf} $R1 == "$INSTDIR\"
        DeleteRegValue HKLM "${HELP_KEY}" "${NAME}"
    ${EndIf}
!macroend
Function un.RemoveSharedRegistrations
    ReadRegStr $R1 HKLM "${RUN_KEY}" "${PRODUCT}"
    ${If} $R1 == '"$INSTDIR\QTXILOAD.EXE"'
        DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}"
    ${EndIf}
    ; The folder in any case (NSIS compares ignoring it), with or without a trailing backslash, as
    ; one written by hand may be; that is appended, not cut off: in a multi-byte code page a
    ; backslash byte may end a character.
    !insertmacro UN_REMOVE_HELP_REGISTRATION "qtxhelp.hlp"
    !insertmacro UN_REMOVE_HELP_REGISTRATION "qtxhelp.cnt"
    ReadRegStr $R1 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $R1 != $INSTDIR
        DetailPrint "The Start Menu folder and the Add/Remove Programs entry belong to the installation in $R1: kept."
        Return
    ${EndIf}
    Delete "$SMPROGRAMS\${FOLDER}\QTXILOAD.lnk"
    Delete "$SMPROGRAMS\${FOLDER}\Read me.lnk"
    Delete "$SMPROGRAMS\${FOLDER}\Manual.lnk"
    Delete "$SMPROGRAMS\${FOLDER}\Uninstall QTXILOAD.lnk"
    RMDir "$SMPROGRAMS\${FOLDER}"
    DeleteRegKey HKLM "${UNINST_KEY}"
FunctionEnd

; The hint records are the user's data and zhqhw.ini is read by other software: both stay.
Section "-un.Program"
    SetShellVarContext all
    ; the stand-in is removed only where the record of this folder's installation puts it
    StrCpy $OldStandIn ""
    ReadRegStr $R1 HKLM "${UNINST_KEY}" "InstallLocation"
    ${If} $R1 == $INSTDIR
        StrCpy $OldDir $INSTDIR
        Call un.ReadEarlierInstall
    ${EndIf}
    !insertmacro FOR_EACH_PROGRAM_FILE UN_CHECK_REMOVABLE
    !insertmacro FOR_EACH_FILE_HELP_MAKES UN_CHECK_REMOVABLE
    ${If} $OldStandIn == "$INSTDIR\QTXWIN32.DLL"
        !insertmacro UN_CHECK_REMOVABLE "QTXWIN32.DLL"
        !insertmacro UN_REMOVE "QTXWIN32.DLL"
    ${EndIf}
    !insertmacro FOR_EACH_PROGRAM_FILE UN_REMOVE
    !insertmacro FOR_EACH_FILE_HELP_MAKES UN_REMOVE
    Call un.RemoveSharedRegistrations
SectionEnd

Function un.ReadEarlierInstall
    ReadRegStr $OldStandIn HKLM "${UNINST_KEY}" "SimulatorFile"
    ${If} $OldStandIn == ""
        ReadRegDWORD $R1 HKLM "${UNINST_KEY}" "SimulatorInstalled"
        ${IfThen} $R1 == 1 ${|} StrCpy $OldStandIn "$OldDir\QTXWIN32.DLL" ${|}
    ${EndIf}
FunctionEnd

Section /o "un.Also remove the application hint records" SecUnHints
    DeleteRegKey HKLM "${PRODUCT_KEY}\App hints"
    DeleteRegKey /ifempty HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Quarnell"
SectionEnd

; uninstall.exe may be running, waiting for this copy: Windows NT lets it be moved out of the
; folder (it is deleted at the next restart); where that fails (Windows 95/98/ME), it and the
; folder go at the next restart. uninstall.dat, run by itself, is a copy that NSIS started and
; that may take a moment to end.
Section "-un.Finish"
    SetOutPath "$TEMP" ; not the folder about to be removed
    ${For} $R2 1 50
        ClearErrors
        Delete "$INSTDIR\uninstall.dat"
        ${IfNotThen} ${Errors} ${|} ${ExitFor} ${|}
        Sleep 100
    ${Next}
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\n$INSTDIR\uninstall.dat could not be removed." ${|}
    ClearErrors
    Delete "$INSTDIR\uninstall.exe"
    ${If} ${Errors}
        GetTempFileName $R1
        Delete "$R1"
        ClearErrors
        Rename "$INSTDIR\uninstall.exe" "$R1"
        ${If} ${Errors}
            Delete /REBOOTOK "$INSTDIR\uninstall.exe"
            RMDir /REBOOTOK "$INSTDIR"
            DetailPrint "$INSTDIR\uninstall.exe and its folder are removed when Windows restarts."
        ${Else}
            Delete /REBOOTOK "$R1"
        ${EndIf}
    ${EndIf}
    RMDir "$INSTDIR"
    ${If} ${FileExists} "$INSTDIR\*.*"
        DetailPrint "$INSTDIR holds files this installer did not put there: kept."
    ${EndIf}
    Call un.ReportProblems
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecUnHints} "Also removes the application hint records (HKEY_LOCAL_MACHINE\${PRODUCT_KEY}\App hints), and the product key where nothing else is left under it."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/REMOVEHINTS" $R1
    ${IfNot} ${Errors}
        !insertmacro SelectSection ${SecUnHints}
    ${EndIf}
FunctionEnd
