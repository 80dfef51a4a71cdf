; The QTXILOAD installer: ANSI, so that one setup program runs on Windows 95/98/ME and on the NT
; family alike. Built by installer/CMakeLists.txt, which passes the paths and the version:
;   makensis -DVERSION=3.1.0c4 -DVERSION_NUMBER=3.1.0.2052 -DBIN_DIR=... -DSTUB=... -DICON=...
;            -DHELP_HLP=... -DHELP_CNT=... -DMANUAL_HTML=... -DREADME=... (the manual halibut made)
;            -DUNINSTALLER_FINALIZE=... -DOUT_FILE=... qtxiload.nsi
; Options, read exactly (anything else is refused before anything changes):
;   setup:     [/S] [/SIMULATOR | /NOSIMULATOR] [/LOGONSTART | /NOLOGONSTART] [/D=folder]
;   uninstall: [/S] [/REMOVEHINTS]
; /D= comes last, without quotes. Exit codes: 0 done, 1 cancelled before anything was changed,
; 2 refused or not everything done (always told, in a message box unless /S, and in the log
; $TEMP\QTXILOAD-setup.log or $TEMP\QTXILOAD-uninstall.log).
; Everything is read and written in the view a 32-bit loader has: this is a 32-bit program, so on
; 64-bit Windows $PROGRAMFILES is "Program Files (x86)" and HKLM\SOFTWARE is its WOW6432Node.
Unicode false
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include WinVer.nsh

; Plug-ins: nsDialogs (the Modern UI's pages) and the installer's own, qtxsetup
; (installer/stub/qtxsetup.c), neither of which needs a C runtime DLL; makensis is given no other
; (installer/CMakeLists.txt). The pages' bitmaps are freed through qtxsetup and the focus is set
; the dialog's way: the Modern UI's ways need the System plug-in.
!macroundef __NSD_FreeImage
!macro __NSD_FreeImage IMAGE
    ${If} ${IMAGE} P<> 0
        qtxsetup::FreeImage ${IMAGE}
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
!define LOADER "Halvane D3D HAL loader (QTXILOAD)"
!define CLOSE_WAIT 10000 ; ms for a loader to restore the display and end
; Windows takes paths of at most 259 characters; the longest name put into the folder is 20.
!define MAX_FOLDER_LENGTH 238
; A file is written under this suffix first, and takes its name only once every file is written.
!define STAGED ".qtxnew"
!define TOO_LONG "is too long: Windows cannot use paths of more than 259 characters, and the folder may have at most ${MAX_FOLDER_LENGTH}. Choose a shorter one."
!define IN_USE "Most likely the ${LOADER} runs for another user of this computer (the logon start runs one for each user): that user must close it (hold Ctrl while clicking its icon, then choose Close) or log off. A file may also be open in another program (a help file in the Help viewer: close it)."

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

Var Log        ; the log file
Var OldDir     ; the folder of the install found, full and long; "" when none
Var OldFiles   ; the files that install recorded as written there ("|name|...|")
Var OldGrants  ; the rights it recorded as given ("|key|ini|")
Var Owned      ; the files in $INSTDIR this run may replace or remove: $OldFiles when it is $OldDir
Var Written    ; the files this run wrote, the record the uninstaller reads
Var Grants     ; the rights this installation gave
Var Closed     ; the program file of the loader this run closed, to start again; "" when none
Var CreatedDir ; 1 when this run created $INSTDIR
Var Refusals   ; why nothing may be changed, collected by the checks
Var InUse      ; 1 when a refusal is a file in use
Var Problems   ; what failed once changes had begun
Var StartNow   ; the finish page's check box
Var KeepSelf   ; 1 when the uninstaller stays, to finish what it could not remove

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "This installs ${PRODUCT} ${VERSION}, the Halvane D3D HAL loader: a small resident program for the Halvane 3D accelerator that switches the Direct3D HAL on and shows an icon in the notification area.$\r$\n$\r$\nA running loader is closed before anything is changed and started again afterwards.$\r$\n$\r$\n$_CLICK"
; The finish page's "start now" box is made here: the Modern UI's own one needs System.
!define MUI_FINISHPAGE_NOREBOOTSUPPORT ; what waits for a restart is told in words
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

; The files of the program's folder: source, name, role. Install, check, move and uninstall all
; go by this table and by the record of what was written (the entry's value Files). Roles:
; program, manual and uninstaller are always written; the simulator when chosen; "made" files are
; made by Windows Help beside the help file, never written but recorded, so that they go with it.
; No source: written otherwise (WriteUninstaller) or never.
!macro FOR_EACH_FILE DO
    !insertmacro ${DO} "${BIN_DIR}\QTXILOAD.EXE" "QTXILOAD.EXE" program
    !insertmacro ${DO} "${README}" "README.TXT" manual
    !insertmacro ${DO} "${HELP_HLP}" "qtxhelp.hlp" manual
    !insertmacro ${DO} "${HELP_CNT}" "qtxhelp.cnt" manual
    !insertmacro ${DO} "${MANUAL_HTML}" "qtxhelp.html" manual
    !insertmacro ${DO} "${STUB}" "uninstall.exe" uninstaller
    !insertmacro ${DO} "" "uninstall.dat" uninstaller
    !insertmacro ${DO} "${BIN_DIR}\QTXWIN32.DLL" "QTXWIN32.DLL" simulator
    !insertmacro ${DO} "" "qtxhelp.gid" made
    !insertmacro ${DO} "" "qtxhelp.fts" made
    !insertmacro ${DO} "" "qtxhelp.ftg" made
!macroend

; Writes the text to the details and to the log.
!macro NOTE TEXT
    DetailPrint "${TEXT}"
    qtxsetup::Log $Log "${TEXT}"
!macroend
!define Note "!insertmacro NOTE"

; The helpers take their arguments from the stack (the last pushed first) and push their results;
; they use the registers freely, so callers keep nothing in them across a call.
!macro SHARED_FUNCTIONS UN
; Starts again the loader this run closed, program file on the stack; a failure is a problem.
Function ${UN}Restart
    Pop $0
    ${IfThen} $0 == "" ${|} Return ${|}
    qtxsetup::StartLoader $0
    Pop $1
    ${IfThen} $1 == "" ${|} ${Note} "Started the loader again: $0" ${|}
    ${IfThen} $1 != "" ${|} StrCpy $Problems "$Problems$\r$\nThe ${LOADER}, closed for this, was not started again: $1. It starts at the next logon, or from the Start Menu." ${|}
FunctionEnd

; Closes the loader (only the one running the program file on the stack, unless that is ""),
; setting $Closed; refuses when it does not end.
Function ${UN}CloseLoader
    Pop $0
    qtxsetup::CloseLoader ${CLOSE_WAIT} $0
    Pop $1
    Pop $2
    ${If} $1 == closed
        qtxsetup::FullPath $2
        Pop $Closed
        ${IfThen} $Closed == "" ${|} StrCpy $Closed "$INSTDIR\QTXILOAD.EXE" ${|}
        ${Note} "Closed the running loader: $2"
    ${ElseIf} $1 == hung
    ${OrIf} $1 == ending
        Push "The ${LOADER} is still running and did not end when asked to close.$\r$\n$\r$\nIf its icon is still in the notification area, close it from there: hold Ctrl while clicking the icon, then choose Close. If its icon is gone, the loader is ending but waits for an answer to a message of its own (such as $\"Unable to record the HAL state$\"), which may be hidden behind other windows: answer it, and the loader ends.$\r$\n$\r$\nThen run this program again."
        Call ${UN}Refuse
    ${EndIf}
FunctionEnd

; Tells the text on the stack (unless silent) and in the log, undoes what this run began, starts
; again the loader it closed, and ends with exit code 2.
Function ${UN}Refuse
    Pop $9
    ${IfThen} $InUse == 1 ${|} StrCpy $9 "$9$\r$\n$\r$\n${IN_USE}" ${|}
    SetOutPath $TEMP ; not holding the folder
    ${IfThen} $CreatedDir == 1 ${|} RMDir "$INSTDIR" ${|}
    StrCpy $Problems ""
    Push $Closed
    Call ${UN}Restart
    ${If} $Closed == ""
    ${ElseIf} $Problems == ""
        StrCpy $9 "$9$\r$\n$\r$\nThe ${LOADER}, closed for this, has been started again."
    ${Else}
        StrCpy $9 "$9$Problems"
    ${EndIf}
    ${Note} "$9$\r$\n$\r$\nNothing has been changed. (exit code 2)"
    MessageBox MB_OK|MB_ICONSTOP "$9$\r$\n$\r$\nNothing has been changed." /SD IDOK
    SetErrorLevel 2
    Quit
FunctionEnd

; Ends the run: tells what failed once changes had begun, with exit code 2; else notes success.
Function ${UN}Report
    ${IfThen} $Problems == "" ${|} ${Note} "Done. (exit code 0)" ${|}
    ${IfThen} $Problems == "" ${|} Return ${|}
    ${Note} "Not everything could be done:$Problems$\r$\n(exit code 2)"
    MessageBox MB_OK|MB_ICONEXCLAMATION "Not everything could be done:$Problems" /SD IDOK
    SetErrorLevel 2
    Quit
FunctionEnd

; One setup or uninstall at a time; then the options, read exactly. Leaves the named options'
; values on the stack, first option on top.
Function ${UN}Begin
    Pop $0
    ${Note} "${PRODUCT} ${VERSION}: $CMDLINE"
    qtxsetup::OneInstance
    Pop $1
    ${If} $1 != 1
        Push "Another setup or uninstall of ${PRODUCT} is running on this computer. Let it finish, then run this program again."
        Call ${UN}Refuse
    ${EndIf}
    qtxsetup::Options $0
    Pop $1
    ${If} $1 != ""
        Push $1
        Call ${UN}Refuse
    ${EndIf}
FunctionEnd
!macroend
!insertmacro SHARED_FUNCTIONS ""
!insertmacro SHARED_FUNCTIONS "un."

; ---------------------------------------------------------------------------------------------
; The installer. The choices are sections without code (the work follows them, in "-Prepare"
; and "-Install"), so that everything can ask which were chosen.
Section "Halvane D3D HAL loader (required)" SecLoader
    SectionIn RO
SectionEnd
Section "Start at logon" SecLogon
SectionEnd
; Off by default: the program's folder is searched first, so a stand-in there would shadow the
; vendor's library.
Section /o "Simulator, for machines without the accelerator" SecSimulator
SectionEnd

; The choices of the last install as the machine shows them (a logon start removed by hand, or
; moved out of Run by msconfig, stays off); the command line overrides them.
Function .onInit
    StrCpy $Log "$TEMP\${PRODUCT}-setup.log"
    Push "/D= SIMULATOR|NOSIMULATOR LOGONSTART|NOLOGONSTART"
    Call Begin
    Pop $R1 ; simulator
    Pop $R2 ; logon start
    Pop $R3 ; folder
    ${IfThen} $R3 == "" ${|} StrCpy $R3 $INSTDIR ${|}
    qtxsetup::FullPath $R3
    Pop $INSTDIR
    ${If} $INSTDIR == ""
        Push "The folder $R3 cannot be used: it is not a full path (such as C:\Folder), or its name has a character Windows does not allow."
        Call Refuse
    ${EndIf}
    qtxsetup::Record
    Pop $OldDir
    Pop $OldFiles
    ReadRegStr $OldGrants HKLM "${UNINST_KEY}" "Grants"
    ${If} $OldDir != ""
        ClearErrors
        ReadRegStr $0 HKLM "${RUN_KEY}" "${PRODUCT}"
        ${IfThen} ${Errors} ${|} !insertmacro UnselectSection ${SecLogon} ${|}
        qtxsetup::Has $OldFiles QTXWIN32.DLL
        Pop $0
        ${IfThen} $0 == 1 ${|} !insertmacro SelectSection ${SecSimulator} ${|}
    ${EndIf}
    ${IfThen} $R1 == 1 ${|} !insertmacro SelectSection ${SecSimulator} ${|}
    ${IfThen} $R1 == 0 ${|} !insertmacro UnselectSection ${SecSimulator} ${|}
    ${IfThen} $R2 == 1 ${|} !insertmacro SelectSection ${SecLogon} ${|}
    ${IfThen} $R2 == 0 ${|} !insertmacro UnselectSection ${SecLogon} ${|}
FunctionEnd

; The folder as typed or chosen with Browse: NSIS would drop characters it cannot use (a "?" for
; a character the code page cannot spell) and install elsewhere without a word.
Function DirectoryLeave
    FindWindow $0 "#32770" "" $HWNDPARENT
    GetDlgItem $0 $0 1019
    qtxsetup::FolderText $0
    Pop $1
    Pop $2
    ${If} $1 == ""
        qtxsetup::FullPath $2
        Pop $INSTDIR
        StrLen $3 $INSTDIR
        ${If} $INSTDIR == ""
            StrCpy $1 "The folder $2 cannot be used: it is not a full path, such as C:\Folder."
        ${ElseIf} $3 > ${MAX_FOLDER_LENGTH}
            StrCpy $1 "The folder $INSTDIR ${TOO_LONG}"
        ${EndIf}
    ${EndIf}
    ${IfThen} $1 != "" ${|} MessageBox MB_OK|MB_ICONSTOP "$1" ${|}
    ${IfThen} $1 != "" ${|} Abort ${|}
FunctionEnd

; A file written must be ours or absent, as must one named like those Windows Help makes; one of
; ours not written again (the simulator left out) must be free to be removed.
!macro CHECK_TARGET SOURCE NAME ROLE
    qtxsetup::Has $Owned "${NAME}"
    Pop $0
    StrCpy $1 write
    ${IfThen} $0 == 1 ${|} StrCpy $1 replace ${|}
    !if ${ROLE} == made
        ${IfThen} $0 == 1 ${|} StrCpy $1 "" ${|}
    !else if ${ROLE} == simulator
        ${IfNot} ${SectionIsSelected} ${SecSimulator}
            StrCpy $1 ""
            ${IfThen} $0 == 1 ${|} StrCpy $1 remove ${|}
        ${EndIf}
    !endif
    ${If} $1 != ""
        qtxsetup::Check "$INSTDIR\${NAME}" $1
        Pop $1
        Pop $0
        ${IfThen} $0 == "in use" ${|} StrCpy $InUse 1 ${|}
        StrCpy $Refusals "$Refusals$1"
    ${EndIf}
!macroend

; Nothing is changed before every check passed; the product key is the first change, and also
; shows that this program may write where it must.
Section "-Prepare"
    SetShellVarContext all
    StrLen $0 $INSTDIR
    ${If} $0 > ${MAX_FOLDER_LENGTH}
        Push "The folder $INSTDIR ${TOO_LONG}"
        Call Refuse
    ${EndIf}
    ${IfThen} $OldDir == $INSTDIR ${|} StrCpy $Owned $OldFiles ${|}
    ${Note} "Installing into $INSTDIR"
    Push ""
    Call CloseLoader
    !insertmacro FOR_EACH_FILE CHECK_TARGET
    ${If} $OldDir != ""
    ${AndIf} $OldDir != $INSTDIR
        qtxsetup::CheckAll $OldDir $OldFiles ""
        Pop $0
        Pop $1
        StrCpy $Refusals "$Refusals$0"
        ${IfThen} $1 == 1 ${|} StrCpy $InUse 1 ${|}
    ${EndIf}
    ${If} $Refusals == ""
    ${AndIfNot} ${FileExists} "$INSTDIR\*.*"
        ClearErrors
        CreateDirectory "$INSTDIR"
        ${IfThen} ${Errors} ${|} StrCpy $Refusals "$\r$\nThe folder $INSTDIR could not be created: its drive may not exist, or administrator rights are needed." ${|}
        ${IfNotThen} ${Errors} ${|} StrCpy $CreatedDir 1 ${|}
    ${EndIf}
    ${If} $Refusals == ""
        ClearErrors
        FileOpen $0 "$INSTDIR\QTXILOAD.EXE${STAGED}" w
        ${IfThen} ${Errors} ${|} StrCpy $Refusals "$\r$\nThe folder $INSTDIR cannot be written to: administrator rights are needed." ${|}
        ${IfNotThen} ${Errors} ${|} FileClose $0 ${|}
        Delete "$INSTDIR\QTXILOAD.EXE${STAGED}"
    ${EndIf}
    ${If} $Refusals == ""
        ClearErrors
        WriteRegStr HKLM "${PRODUCT_KEY}" "${PRODUCT} setup" ""
        DeleteRegValue HKLM "${PRODUCT_KEY}" "${PRODUCT} setup"
        ${IfThen} ${Errors} ${|} StrCpy $Refusals "$\r$\nThe registry key HKEY_LOCAL_MACHINE\${PRODUCT_KEY}, where the loader keeps its application hint records, cannot be written: administrator rights are needed." ${|}
    ${EndIf}
    ${If} $Refusals != ""
        Push "This cannot be installed:$Refusals"
        Call Refuse
    ${EndIf}
SectionEnd

!macro WRITE_STAGED SOURCE NAME ROLE
    !if ${ROLE} == simulator
        ${If} ${SectionIsSelected} ${SecSimulator}
    !endif
    StrCpy $Written "$Written|${NAME}"
    !if "${SOURCE}" != ""
        ClearErrors
        File "/oname=${NAME}${STAGED}" "${SOURCE}"
        ${IfThen} ${Errors} ${|} Call WriteFailed ${|}
    !endif
    !if ${ROLE} == simulator
        ${EndIf}
    !endif
!macroend

; Every file is written under a name of its own first: a write that fails (a full disk, a network
; gone) leaves the installation that was there as it was. NSIS calls .onInstFailed for a failure
; that aborts it.
Function WriteFailed
    Push "$INSTDIR could not be written completely (the disk may be full, or the network gone)."
    Call Recover
FunctionEnd
Function .onInstFailed
    Push "The installation stopped before it was complete."
    Call Recover
FunctionEnd
Function Recover
    qtxsetup::DiscardAll $INSTDIR $Written ${STAGED}
    Pop $0
    Pop $1
    Push "$1$0"
    Call Refuse
FunctionEnd

Section "-Install"
    SetOutPath "$INSTDIR"
    SetOverwrite try ; a failure is handled here, not by NSIS's Abort/Retry/Ignore box
    StrCpy $Written ""
    !insertmacro FOR_EACH_FILE WRITE_STAGED
    ClearErrors
    WriteUninstaller "$INSTDIR\uninstall.dat${STAGED}"
    ${IfThen} ${Errors} ${|} Call WriteFailed ${|}
    StrCpy $Written "$Written|"
    qtxsetup::CommitAll $INSTDIR $Written ${STAGED}
    Pop $0
    StrCpy $Problems "$Problems$0"

    ; What the uninstaller removes, and where the loader's records and Windows find it.
    ClearErrors
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayName" "${PRODUCT} ${VERSION} (Halvane D3D HAL loader)"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINST_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINST_KEY}" "DisplayIcon" "$INSTDIR\QTXILOAD.EXE,0"
    WriteRegStr HKLM "${UNINST_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINST_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegStr HKLM "${UNINST_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINST_KEY}" "Files" "$Written"
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINST_KEY}" "NoRepair" 1
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\nThe Add/Remove Programs entry HKEY_LOCAL_MACHINE\${UNINST_KEY} could not be written." ${|}
    DeleteRegValue HKLM "${UNINST_KEY}" "SimulatorInstalled" ; the record of earlier releases
    ${If} ${SectionIsSelected} ${SecSimulator}
        WriteRegStr HKLM "${UNINST_KEY}" "SimulatorFile" "$INSTDIR\QTXWIN32.DLL"
    ${Else}
        DeleteRegValue HKLM "${UNINST_KEY}" "SimulatorFile"
    ${EndIf}

    ; The shortcuts start in $OUTDIR: the loader's Help names its help file without a folder,
    ; which Windows Help looks for in the current folder too.
    ClearErrors
    CreateDirectory "$SMPROGRAMS\${FOLDER}"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\QTXILOAD.lnk" "$INSTDIR\QTXILOAD.EXE"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\Read me.lnk" "$INSTDIR\README.TXT"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\Manual.lnk" "$INSTDIR\qtxhelp.html"
    CreateShortCut "$SMPROGRAMS\${FOLDER}\Uninstall QTXILOAD.lnk" "$INSTDIR\uninstall.exe"
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\nThe Start Menu folder $SMPROGRAMS\${FOLDER} could not be made." ${|}
    ClearErrors
    WriteRegStr HKLM "${HELP_KEY}" "qtxhelp.hlp" "$INSTDIR"
    WriteRegStr HKLM "${HELP_KEY}" "qtxhelp.cnt" "$INSTDIR"
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\nThe registration of the help files (HKEY_LOCAL_MACHINE\${HELP_KEY}, values qtxhelp.hlp and qtxhelp.cnt) could not be written." ${|}
    SectionGetFlags ${SecLogon} $0
    IntOp $0 $0 & ${SF_SELECTED}
    WriteRegDWORD HKLM "${UNINST_KEY}" "StartAtLogon" $0
    ${IfThen} $0 == 0 ${|} DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}" ${|}
    ClearErrors
    ${If} $0 != 0
        WriteRegStr HKLM "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\QTXILOAD.EXE"'
    ${EndIf}
    ${IfThen} ${Errors} ${|} StrCpy $Problems "$Problems$\r$\nThe logon start (HKEY_LOCAL_MACHINE\${RUN_KEY}, value ${PRODUCT}) could not be written." ${|}
    Call GrantUsers

    ; A move: the earlier folder's files go only now that the new copy is complete.
    ${If} $OldDir != ""
    ${AndIf} $OldDir != $INSTDIR
        ${Note} "Moving the installation from $OldDir"
        qtxsetup::RemoveAll $OldDir $OldFiles ""
        Pop $0
        ${IfThen} $0 != "" ${|} StrCpy $Problems "$Problems$0$\r$\n(These are of the installation moved from $OldDir: remove them once they are free.)" ${|}
        RMDir "$OldDir"
    ${EndIf}
    qtxsetup::Has $Owned QTXWIN32.DLL ; the simulator this installation put here, now left out
    Pop $0
    ${If} $0 == 1
    ${AndIfNot} ${SectionIsSelected} ${SecSimulator}
        qtxsetup::RemoveAll $INSTDIR "|QTXWIN32.DLL|" ""
        Pop $0
        StrCpy $Problems "$Problems$0"
    ${EndIf}
    qtxsetup::SizeAll $INSTDIR $Written ""
    Pop $0
    WriteRegDWORD HKLM "${UNINST_KEY}" "EstimatedSize" $0

    ; the loader closed starts again: the installed one when it ran from the installation
    StrCpy $0 $Closed
    ${If} $Closed == "$OldDir\QTXILOAD.EXE"
    ${OrIf} $Closed == "$INSTDIR\QTXILOAD.EXE"
        StrCpy $0 "$INSTDIR\QTXILOAD.EXE"
    ${EndIf}
    Push $0
    Call Restart
    Call Report
SectionEnd

; The machine's users may change the hint records and the HAL state (Windows NT family; on
; Windows 95/98/ME anyone may). What this installation added is recorded, and only that is taken
; back: a right already there, and not recorded by an earlier install, is someone else's.
!macro GRANT WHAT TEXT
    qtxsetup::Grant ${WHAT} $OldGrants
    Pop $0
    ${IfThen} $0 == mine ${|} StrCpy $Grants "$Grants|${WHAT}" ${|}
    ${If} $0 != mine
    ${AndIf} $0 != ""
        StrCpy $Problems "$Problems$\r$\nThe Users group could not be given the right to change ${TEXT}: it $0."
    ${EndIf}
!macroend
Function GrantUsers
    StrCpy $Grants ""
    !insertmacro GRANT key "the application hint records (HKEY_LOCAL_MACHINE\${PRODUCT_KEY})"
    !insertmacro GRANT ini "the HAL state ($WINDIR\zhqhw.ini)"
    WriteRegStr HKLM "${UNINST_KEY}" "Grants" "$Grants|"
FunctionEnd

Function FinishShow
    ${NSD_CreateCheckbox} 120u 90u 195u 10u "Start the Halvane D3D HAL loader now"
    Pop $StartNow
    SetCtlColors $StartNow 000000 FFFFFF
    FindWindow $0 "QTXILoadWClass" "Halvane interceptor loader"
    ${If} $0 == 0 ; not already started again
        ${NSD_Check} $StartNow
    ${Else}
        EnableWindow $StartNow 0
    ${EndIf}
FunctionEnd

Function FinishLeave
    ${NSD_GetState} $StartNow $0
    ${If} $0 == ${BST_CHECKED}
        Push "$INSTDIR\QTXILOAD.EXE"
        Call Restart
        ${If} $Problems != ""
            ${Note} "$Problems (exit code 2)"
            MessageBox MB_OK|MB_ICONEXCLAMATION "$Problems"
            SetErrorLevel 2
        ${EndIf}
    ${EndIf}
FunctionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecLoader} "QTXILOAD.EXE, its manual (Windows Help, HTML, README.TXT) registered with Windows Help, a Start Menu folder and an Add/Remove Programs entry."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecLogon} "Starts the loader for everyone who logs on to this computer."
    !insertmacro MUI_DESCRIPTION_TEXT ${SecSimulator} "A stand-in QTXWIN32.DLL beside the program, for trying it without the accelerator. Not on a machine with the accelerator: it would hide the accelerator's own library."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; ---------------------------------------------------------------------------------------------
; The uninstaller, uninstall.dat. uninstall.exe runs it from a copy in a temporary folder with
; _?=, and waits; run by itself, NSIS runs it from such a copy too, without waiting. It removes
; the files the record of this folder's installation lists; an uninstaller whose folder the
; record does not name (one left behind by a move) removes only itself.

Section "-un.Remove"
    SetShellVarContext all
    ${Note} "Uninstalling from $INSTDIR"
    ${If} $Owned != ""
        Push "$INSTDIR\QTXILOAD.EXE"
        Call un.CloseLoader
    ${EndIf}
    qtxsetup::CheckAll $INSTDIR $Owned "|uninstall.exe|" ; uninstall.exe runs: it goes last
    Pop $Refusals
    Pop $InUse
    ${If} $Refusals != ""
        Push "This cannot be uninstalled:$Refusals"
        Call un.Refuse
    ${EndIf}
    ; The uninstaller, its data and its entry stay until everything else has gone, so that a file
    ; that could not be removed (taken since the check) can be removed by running it again.
    qtxsetup::RemoveAll $INSTDIR $Owned "|uninstall.exe|uninstall.dat|"
    Pop $Problems
    ${If} $Problems == ""
    ${AndIf} $Owned != ""
        qtxsetup::RemoveData $INSTDIR
        Pop $Problems
    ${EndIf}
    ${If} $Problems != ""
        StrCpy $KeepSelf 1
        qtxsetup::Remaining $INSTDIR $Owned "|qtxhelp.gid|qtxhelp.fts|qtxhelp.ftg|"
        Pop $0
        WriteRegStr HKLM "${UNINST_KEY}" "Files" $0
        StrCpy $Problems "$Problems$\r$\nThe uninstaller and its Add/Remove Programs entry are kept: run it again once these files can be removed."
    ${ElseIf} $Owned != ""
        Call un.RemoveRegistrations
    ${EndIf}
SectionEnd

; The registrations one installation holds for all are removed only while they point at this
; folder, so that an uninstaller left behind never breaks the installation that moved elsewhere.
!macro UN_REMOVE_HELP_REGISTRATION NAME
    ReadRegStr $0 HKLM "${HELP_KEY}" "${NAME}"
    qtxsetup::FullPath $0 ; "" for none
    Pop $0
    ${IfThen} $0 == $INSTDIR ${|} DeleteRegValue HKLM "${HELP_KEY}" "${NAME}" ${|}
!macroend
!macro UN_REVOKE WHAT
    qtxsetup::Has $OldGrants ${WHAT}
    Pop $0
    ${If} $0 == 1
        qtxsetup::Revoke ${WHAT}
        Pop $0
        ${If} $0 != removed
        ${AndIf} $0 != absent
        ${AndIf} $0 != none
            StrCpy $Problems "$Problems$\r$\nThe right this installation gave the Users group (${WHAT}) could not be taken back: it $0."
        ${EndIf}
    ${EndIf}
!macroend
Function un.RemoveRegistrations
    ReadRegStr $0 HKLM "${RUN_KEY}" "${PRODUCT}"
    StrCpy $1 '"$INSTDIR\QTXILOAD.EXE"'
    ${IfThen} $0 == $1 ${|} DeleteRegValue HKLM "${RUN_KEY}" "${PRODUCT}" ${|}
    !insertmacro UN_REMOVE_HELP_REGISTRATION "qtxhelp.hlp"
    !insertmacro UN_REMOVE_HELP_REGISTRATION "qtxhelp.cnt"
    ReadRegStr $OldGrants HKLM "${UNINST_KEY}" "Grants"
    !insertmacro UN_REVOKE key
    !insertmacro UN_REVOKE ini
    Delete "$SMPROGRAMS\${FOLDER}\QTXILOAD.lnk"
    Delete "$SMPROGRAMS\${FOLDER}\Read me.lnk"
    Delete "$SMPROGRAMS\${FOLDER}\Manual.lnk"
    Delete "$SMPROGRAMS\${FOLDER}\Uninstall QTXILOAD.lnk"
    RMDir "$SMPROGRAMS\${FOLDER}"
    DeleteRegKey HKLM "${UNINST_KEY}"
FunctionEnd

; The hint records are the user's data and zhqhw.ini is read by other software: both stay unless
; asked.
Section /o "un.Also remove the application hint records" SecUnHints
    DeleteRegKey HKLM "${PRODUCT_KEY}\App hints"
    DeleteRegKey /ifempty HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "SOFTWARE\Quarnell"
SectionEnd

; The uninstaller's own files go last, and only when everything else could go (a right that could
; not be taken back is told, but there is nothing left for the uninstaller to do about it).
Section "-un.Finish"
    SetOutPath "$TEMP" ; not the folder about to be removed
    ${If} $Owned == "" ; left behind by a move: its own files are all it has
        qtxsetup::RemoveData $INSTDIR
        Pop $0
        StrCpy $Problems "$Problems$0"
        ${IfThen} $0 != "" ${|} StrCpy $KeepSelf 1 ${|}
    ${EndIf}
    ${If} $KeepSelf != 1
        qtxsetup::RemoveSelf $INSTDIR
        Pop $0
        ${IfThen} $0 != "" ${|} ${Note} "$0" ${|}
        ${IfThen} ${FileExists} "$INSTDIR\*.*" ${|} ${Note} "$INSTDIR holds files this installer did not put there: kept." ${|}
    ${EndIf}
    Call un.Report
SectionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
    !insertmacro MUI_DESCRIPTION_TEXT ${SecUnHints} "Also removes the application hint records (HKEY_LOCAL_MACHINE\${PRODUCT_KEY}\App hints), and the product key where nothing else is left under it."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END

Function un.onInit
    StrCpy $Log "$TEMP\${PRODUCT}-uninstall.log"
    Push "_?= REMOVEHINTS"
    Call un.Begin
    Pop $0
    Pop $1
    ${IfThen} $0 == 1 ${|} !insertmacro SelectSection ${SecUnHints} ${|}
    qtxsetup::FullPath $INSTDIR
    Pop $0
    ${IfThen} $0 != "" ${|} StrCpy $INSTDIR $0 ${|}
    qtxsetup::Record
    Pop $OldDir
    Pop $Owned
    ${IfThen} $OldDir != $INSTDIR ${|} StrCpy $Owned "" ${|} ; left behind by a move
FunctionEnd
