; Kelvane's setup program: puts the plug-in into a SAW host's folder, adds it to
; the host's plug-in list with Tamrin, and registers an uninstaller that undoes
; exactly that. A 32-bit program for Windows XP SP3 and later.
;
; Nothing half-done: each program first checks that every file it will write
; or delete can be written or deleted, and changes nothing when one cannot.
; Every file installed is recorded under the uninstall entry, so that an
; uninstaller of any later version removes what any version installed.
;
; Built by packaging/CMakeLists.txt:
;   makensis -DVERSION=1.2.3.4 -DSTAGE=<the zip's staged files> -DOUTFILE=<setup.exe> setup.nsi
; The files it installs are listed once, in installed_files.nsh.
;
; Silent use: Setup.exe /S /D=<host folder>   (/D last, without quotes)
;             Setup.exe /S /DOWNGRADE /D=<host folder>   (replaces a newer version)
;             <copy of Kelvane-uninstall.exe> /S _?=<host folder>
; Exit codes: see the EXIT_ defines below; INSTALL.txt lists them for users.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include StrFunc.nsh
!include FileFunc.nsh
!include WordFunc.nsh

!ifndef VERSION | STAGE | OUTFILE
  !error "define VERSION, STAGE and OUTFILE on makensis's command line"
!endif

!define PRODUCT "Kelvane"
!define PUBLISHER "QuellMarsh Audio"
!define LIST_FILE "SAWStudioFX_Native.ini"
!define UNINSTALLER "Kelvane-uninstall.exe"
!define PRESETS_FOLDER "quellmarsh\Kelvane\Presets"   ; the factory presets, beside the help
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvane"
; One value a file installed, named by its path relative to the host's folder.
!define FILES_KEY "${UNINSTALL_KEY}\Files"
!define DOWNGRADE_SWITCH "/DOWNGRADE"
!define LIST_FAILURE "The plug-in list could not be changed: is the host running, or is the folder read-only?"

; Exit codes of both programs, besides NSIS's own 0 (done), 1 (cancelled by
; the user) and 2 (stopped for any other reason).
!define EXIT_NOT_HOST_FOLDER 3
!define EXIT_INSTALLED_ELSEWHERE 4
!define EXIT_FILE_IN_THE_WAY 5      ; setup: cannot be written; uninstaller: cannot be deleted
!define EXIT_LIST_NOT_CHANGED 6
!define EXIT_NO_SSE2 7
!define EXIT_NEWER_INSTALLED 8
!define EXIT_PARTLY_DONE 9          ; a file failed after the checks passed: run again

; The processor feature that IsProcessorFeaturePresent calls SSE2.
!define PF_XMMI64_INSTRUCTIONS_AVAILABLE 10
; CreateFile's access, sharing and opening, as Tamrin opens the list.
!define LIST_ACCESS 0xC0000000   ; GENERIC_READ | GENERIC_WRITE
!define LIST_SHARING 3           ; FILE_SHARE_READ | FILE_SHARE_WRITE
!define OPEN_EXISTING 3
!define CREATE_NEW 1
; What the checks ask of a file: File writes it unshared but for readers;
; Delete opens it to delete, sharing everything.
!define GENERIC_WRITE 0x40000000
!define DELETE_ACCESS 0x10000
!define SHARE_READ 1
!define SHARE_ALL 7
!define FILE_ATTRIBUTE_READONLY 1
!define FILE_ATTRIBUTE_DIRECTORY 0x10
!define FileDispositionInformation 13
!define ERROR_SHARING_VIOLATION 32
!define ERROR_LOCK_VIOLATION 33

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) ${PUBLISHER}"

Var Placed    ; where each file went, for the last page
Var Created   ; the folders this installation created, each between bars

${StrStr}

!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TITLE "${PRODUCT} ${VERSION}"
!define MUI_WELCOMEPAGE_TEXT "This installs ${PRODUCT} ${VERSION}, the test signal generator plug-in, into the SAW host.$\r$\n$\r$\nIt needs the 32-bit SAW host on Windows XP SP3 or later, and a processor with SSE2.$\r$\n$\r$\nClose the host before you continue."
!insertmacro MUI_PAGE_WELCOME
!define MUI_DIRECTORYPAGE_TEXT_TOP "Choose the SAW host's folder: the folder that holds ${LIST_FILE}, the host's plug-in list. ${PRODUCT} is installed there and added to that list."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "The SAW host's folder"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE HostFolderPageLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TITLE "${PRODUCT} ${VERSION} is installed"
; One line a file, relative to the host's folder, so that no path wraps.
!define MUI_FINISHPAGE_TEXT_LARGE
!define MUI_FINISHPAGE_TEXT "The files went to $INSTDIR:$\r$\n$Placed$\r$\n$\r$\n${PRODUCT} is in the host's plug-in list: start the host and it is among the effect plug-ins. To remove it, use Add or Remove Programs."
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; Tells the user (unless silent), sets the exit code and stops. The status
; line gets STATUS, short enough for it; the details and the box the whole TEXT.
!macro Fail CODE STATUS TEXT
  SetDetailsPrint listonly
  DetailPrint "${TEXT}"
  SetDetailsPrint textonly
  DetailPrint "${STATUS}"
  SetDetailsPrint both
  MessageBox MB_OK|MB_ICONSTOP "${TEXT}" /SD IDOK
  SetErrorLevel ${CODE}
  Abort
!macroend

; A relative path from a folder ("" for the host's folder) and a name.
!macro KelvanePath FOLDER NAME
  !if "${FOLDER}" == ""
    !define /redef KELVANE_PATH "${NAME}"
  !else
    !define /redef KELVANE_PATH "${FOLDER}\${NAME}"
  !endif
!macroend

; Leaves $0 "1" when the list opens as Tamrin opens it (shared, for reading and
; writing), so that Tamrin's own bare failure box is not what the user meets.
!macro ListOpensFunction PREFIX
  Function ${PREFIX}ListOpens
    System::Call 'kernel32::CreateFile(t "$INSTDIR\${LIST_FILE}", i ${LIST_ACCESS}, i ${LIST_SHARING}, p 0, i ${OPEN_EXISTING}, i 0, p 0) p .r1'
    ${If} $1 = -1
      StrCpy $0 "0"
    ${Else}
      System::Call 'kernel32::CloseHandle(p r1)'
      StrCpy $0 "1"
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro ListOpensFunction ""
!insertmacro ListOpensFunction "un."

; The words for a file that another program or a missing right keeps from
; being changed, from CreateFile's error $4, into $R1; $R0 is the file's path
; relative to the host's folder, VERB what the program meant to do with it.
!macro InTheWayFunction PREFIX VERB
  Function ${PREFIX}InTheWay
    ${If} $4 = ${ERROR_SHARING_VIOLATION}
    ${OrIf} $4 = ${ERROR_LOCK_VIOLATION}
      StrCpy $R1 "$INSTDIR\$R0 cannot be ${VERB}: another program has it open. Close the host first, and any window showing Kelvane's help."
    ${Else}
      StrCpy $R1 "$INSTDIR\$R0 cannot be ${VERB} (error $4): is the file or its folder read-only, or may this account not change the host's folder?"
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro InTheWayFunction "" "written"
!insertmacro InTheWayFunction "un." "deleted"

; Leaves $R1 empty when $INSTDIR\$R0, whose attributes are $2, opens with
; access $5 and sharing $6 and may be deleted; otherwise the reason. The file
; is marked for deletion and unmarked again: only that is refused while a
; program has the file loaded as its code or mapped into memory, which no
; open shows. File and Delete clear a read-only attribute first, which the
; open and the mark would trip over, so it is cleared for the test and set
; again after it.
!macro TryFileFunction PREFIX VERB
  Function ${PREFIX}TryFile
    IntOp $9 $2 & ${FILE_ATTRIBUTE_READONLY}
    ${If} $9 <> 0
      IntOp $7 $2 ^ ${FILE_ATTRIBUTE_READONLY}
      System::Call 'kernel32::SetFileAttributes(t "$INSTDIR\$R0", i r7) i .r8 ?e'
      Pop $4
      ${If} $8 = 0
        Call ${PREFIX}InTheWay
        Return
      ${EndIf}
    ${EndIf}
    System::Call 'kernel32::CreateFile(t "$INSTDIR\$R0", i r5, i r6, p 0, i ${OPEN_EXISTING}, i 0, p 0) p .r3 ?e'
    Pop $4
    ${If} $3 = -1
      Call ${PREFIX}InTheWay
    ${Else}
      System::Call 'ntdll::NtSetInformationFile(p r3, *l .r8, *i 1, i 1, i ${FileDispositionInformation}) i .r7'
      ${If} $7 = 0
        System::Call 'ntdll::NtSetInformationFile(p r3, *l .r8, *i 0, i 1, i ${FileDispositionInformation}) i .r7'
      ${Else}
        StrCpy $R1 "$INSTDIR\$R0 cannot be ${VERB}: a running program has it loaded or mapped into memory. Close the host first, and any window showing Kelvane's help."
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r3)'
    ${EndIf}
    ${If} $9 <> 0
      System::Call 'kernel32::SetFileAttributes(t "$INSTDIR\$R0", i r2)'
    ${EndIf}
  FunctionEnd
!macroend
!insertmacro TryFileFunction "" "written"
!insertmacro TryFileFunction "un." "deleted"

; Leaves $R1 empty when a new file can be made in the folder $3 and deleted
; again; otherwise the reason. A probe file is made and deleted, and each is
; checked by looking for the file: a folder that refuses them can still have
; the calls report success.
!macro FolderTakesFilesFunction PREFIX VERB
  Function ${PREFIX}FolderTakesFiles
    System::Call 'kernel32::GetCurrentProcessId() i .r7'
    StrCpy $8 "$3\~Kelvane$7.tmp"
    System::Call 'kernel32::CreateFile(t r8, i ${GENERIC_WRITE}, i 0, p 0, i ${CREATE_NEW}, i 0, p 0) p .r9'
    ${If} $9 <> -1
      System::Call 'kernel32::CloseHandle(p r9)'
    ${EndIf}
    ${If} ${FileExists} $8
      System::Call 'kernel32::DeleteFile(t r8)'
      ${IfNot} ${FileExists} $8
        Return
      ${EndIf}
    ${EndIf}
    StrCpy $R1 "No file can be ${VERB} in $3: is the folder read-only, or may this account not change it?"
  FunctionEnd
!macroend
!insertmacro FolderTakesFilesFunction "" "written"
!insertmacro FolderTakesFilesFunction "un." "deleted"

; Runs Tamrin from the program's own temporary folder with the host's folder as
; its current folder; $0 is its exit code. Always with /S: a failure is told
; by the program's own message, never by Tamrin's bare box.
!macro RunTamrin ARGUMENTS
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "${STAGE}/Tamrin.exe"
  SetOutPath "$INSTDIR"
  ClearErrors
  ExecWait '"$PLUGINSDIR\Tamrin.exe"${ARGUMENTS} /S' $0
  ${If} ${Errors}
    StrCpy $0 "-1"
  ${EndIf}
  SetOutPath "$TEMP"
!macroend

; ---------------------------------------------------------------- setup

; Leaves $R9 empty when $INSTDIR may take the installation; otherwise the
; reason in $R9 and the exit code in $R8.
Function CheckHostFolder
  StrCpy $R9 ""
  ${IfNot} ${FileExists} "$INSTDIR\${LIST_FILE}"
    StrCpy $R9 "This folder holds no ${LIST_FILE}, so it is not the SAW host's folder:$\r$\n$INSTDIR$\r$\n$\r$\nChoose the folder the host is installed in, the one that holds ${LIST_FILE}."
    StrCpy $R8 ${EXIT_NOT_HOST_FOLDER}
    Return
  ${EndIf}
  ReadRegStr $R7 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R7 != ""
  ${AndIf} $R7 != $INSTDIR
  ${AndIf} ${FileExists} "$R7\${UNINSTALLER}"
    StrCpy $R9 "${PRODUCT} is already installed in another folder:$\r$\n$R7$\r$\n$\r$\nRemove it there first (Add or Remove Programs), or choose that folder to upgrade it."
    StrCpy $R8 ${EXIT_INSTALLED_ELSEWHERE}
  ${EndIf}
FunctionEnd

Function HostFolderPageLeave
  Call CheckHostFolder
  ${If} $R9 != ""
    MessageBox MB_OK|MB_ICONEXCLAMATION "$R9"
    Abort
  ${EndIf}
  Call CheckInstalledVersion
FunctionEnd

; An installation of this folder by an equal or newer version: the user is
; asked before anything is installed, and a No keeps the folder page open;
; silently, the same version is installed again and a newer one is kept
; unless the command line holds DOWNGRADE_SWITCH.
Function CheckInstalledVersion
  ReadRegStr $R7 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ReadRegStr $R6 HKLM "${UNINSTALL_KEY}" "DisplayVersion"
  ${If} $R7 != $INSTDIR
  ${OrIf} $R6 == ""
  ${OrIfNot} ${FileExists} "$INSTDIR\${UNINSTALLER}"
    Return
  ${EndIf}
  ${VersionCompare} $R6 "${VERSION}" $R5
  ${If} $R5 == 0
    MessageBox MB_YESNO|MB_ICONQUESTION "${PRODUCT} ${VERSION} is already installed in this folder. Install it again?" /SD IDYES IDYES same
      Abort
    same:
  ${ElseIf} $R5 == 1
    ${GetParameters} $R4
    ClearErrors
    ${GetOptions} $R4 "${DOWNGRADE_SWITCH}" $R3
    ${If} ${Errors}
      MessageBox MB_YESNO|MB_ICONEXCLAMATION "${PRODUCT} $R6 is installed in this folder, newer than this setup program's ${VERSION}.$\r$\n$\r$\nReplace it with the older ${VERSION}?" /SD IDNO IDYES older
        ${If} ${Silent}
          !insertmacro Fail ${EXIT_NEWER_INSTALLED} "A newer ${PRODUCT} is installed" "${PRODUCT} $R6, newer than ${VERSION}, is installed in $INSTDIR and stays. Nothing was changed."
        ${EndIf}
        Abort
      older:
    ${EndIf}
  ${EndIf}
FunctionEnd

; Leaves $R1 empty when $INSTDIR\$R0, relative to the host's folder, can be
; written as File writes it; otherwise the reason.
Function CanWrite
  StrCpy $R1 ""
  System::Call 'kernel32::GetFileAttributes(t "$INSTDIR\$R0") i .r2'
  ${If} $2 = -1
    ${GetParent} "$INSTDIR\$R0" $3
    Goto FolderTakesFiles
  ${EndIf}
  IntOp $3 $2 & ${FILE_ATTRIBUTE_DIRECTORY}
  ${If} $3 <> 0
    StrCpy $R1 "$INSTDIR\$R0 is a folder, where the setup program must write a file."
    Return
  ${EndIf}
  ; File writes unshared but for readers.
  IntOp $5 ${GENERIC_WRITE} | ${DELETE_ACCESS}
  StrCpy $6 ${SHARE_READ}
  Call TryFile
  Return

  ; A new file: its nearest folder that exists must take a new file, and
  ; nothing but folders may stand where the file's folders go.
  FolderTakesFiles:
  ${Do}
    System::Call 'kernel32::GetFileAttributes(t "$3") i .r2'
    ${If} $2 <> -1
      ${ExitDo}
    ${EndIf}
    ${GetParent} "$3" $3
  ${Loop}
  IntOp $2 $2 & ${FILE_ATTRIBUTE_DIRECTORY}
  ${If} $2 = 0
    StrCpy $R1 "$3 is a file, where the setup program must make a folder."
    Return
  ${EndIf}
  Call FolderTakesFiles
FunctionEnd

; Install passes over installed_files.nsh: first each file is checked, then
; each folder not there yet is noted as created, then each file is written.
!macro KelvaneFolder FOLDER
  !if "${KELVANE_PASS}" == "folders"
  ${IfNot} ${FileExists} "$INSTDIR\${FOLDER}\*.*"
    ${StrStr} $0 $Created "|${FOLDER}|"
    ${If} $0 == ""
      StrCpy $Created "$Created${FOLDER}|"
    ${EndIf}
  ${EndIf}
  !endif
!macroend
!macro KelvaneFile FOLDER NAME
  !insertmacro KelvanePath "${FOLDER}" "${NAME}"
  !if "${KELVANE_PASS}" == "check"
  StrCpy $R0 "${KELVANE_PATH}"
  Call CanWrite
  ${If} $R1 != ""
    !insertmacro Fail ${EXIT_FILE_IN_THE_WAY} "Not installed: a file cannot be written" "$R1$\r$\n$\r$\nNothing was changed."
  ${EndIf}
  !endif
  !if "${KELVANE_PASS}" == "files"
  SetOutPath "$INSTDIR\${FOLDER}"
  ClearErrors
  SetDetailsPrint textonly
  File /nonfatal "${STAGE}/${KELVANE_PATH}"
  SetDetailsPrint both
  ${If} ${Errors}
    !insertmacro Fail ${EXIT_PARTLY_DONE} "Installed in part: a file could not be written" "$INSTDIR\${KELVANE_PATH} could not be written, though it could a moment ago: ${PRODUCT} is installed only in part. Close the host and any program that may have the file open, then run the setup program again."
  ${EndIf}
  WriteRegStr HKLM "${FILES_KEY}" "${KELVANE_PATH}" ""
  DetailPrint "Installed $INSTDIR\${KELVANE_PATH}"
  !if "${FOLDER}" != "${PRESETS_FOLDER}"   ; the last page names their folder once
  StrCpy $Placed "$Placed$\r$\n    ${KELVANE_PATH}"
  !endif
  !endif
!macroend

Section "${PRODUCT}" SectionKelvane
  SectionIn RO
  Call CheckHostFolder
  ${If} $R9 != ""
    !insertmacro Fail $R8 "Not installed: not the host's folder" "$R9"
  ${EndIf}
  System::Call 'kernel32::IsProcessorFeaturePresent(i ${PF_XMMI64_INSTRUCTIONS_AVAILABLE}) i .r0'
  ${If} $0 == 0
    !insertmacro Fail ${EXIT_NO_SSE2} "Not installed: the processor has no SSE2" "This computer's processor has no SSE2, which ${PRODUCT} needs. Nothing was installed."
  ${EndIf}
  ; Interactively the folder page has asked already.
  ${If} ${Silent}
    Call CheckInstalledVersion
  ${EndIf}
  Call ListOpens
  ${If} $0 != "1"
    !insertmacro Fail ${EXIT_LIST_NOT_CHANGED} "Not installed: the plug-in list is in the way" "${LIST_FAILURE}$\r$\n$\r$\nNothing was changed."
  ${EndIf}
  !define /redef KELVANE_PASS "check"
  !include installed_files.nsh
  StrCpy $R0 "${UNINSTALLER}"
  Call CanWrite
  ${If} $R1 != ""
    !insertmacro Fail ${EXIT_FILE_IN_THE_WAY} "Not installed: a file cannot be written" "$R1$\r$\n$\r$\nNothing was changed."
  ${EndIf}

  ; An upgrade keeps what the first installation created and the record of
  ; every file installed; a registration whose folder lost its uninstaller
  ; is forgotten.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 == $INSTDIR
    ReadRegStr $Created HKLM "${UNINSTALL_KEY}" "CreatedFolders"
  ${Else}
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
  ${If} $Created == ""
    StrCpy $Created "|"
  ${EndIf}

  SetOverwrite on
  !define /redef KELVANE_PASS "folders"
  !include installed_files.nsh
  WriteRegStr HKLM "${UNINSTALL_KEY}" "CreatedFolders" "$Created"
  !define /redef KELVANE_PASS "files"
  !include installed_files.nsh
  StrCpy $Placed "$Placed$\r$\n    ${PRESETS_FOLDER}\ (the factory presets)"

  ClearErrors
  SetDetailsPrint textonly
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  SetDetailsPrint both
  ${If} ${Errors}
    !insertmacro Fail ${EXIT_PARTLY_DONE} "Installed in part: a file could not be written" "$INSTDIR\${UNINSTALLER} could not be written, though it could a moment ago: ${PRODUCT} is installed only in part. Run the setup program again."
  ${EndIf}
  DetailPrint "Installed $INSTDIR\${UNINSTALLER}"
  StrCpy $Placed "$Placed$\r$\n    ${UNINSTALLER}"
  SectionGetSize ${SectionKelvane} $1
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} test signal generator (SAW plug-in)"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${UNINSTALLER},0"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ; Last, so that a failure here still leaves a registered uninstaller.
  !insertmacro RunTamrin ""
  ${If} $0 != 0
    !insertmacro Fail ${EXIT_LIST_NOT_CHANGED} "The plug-in list could not be changed" "${LIST_FAILURE}$\r$\n$\r$\nThe files are installed: remove them with Add or Remove Programs, or close the host and run the setup again."
  ${EndIf}
  DetailPrint "Added KelvaneFx.dll to $INSTDIR\${LIST_FILE}"
SectionEnd

; ---------------------------------------------------------------- uninstaller

; Leaves $R1 empty when $INSTDIR\$R0 is gone or can be deleted, as Delete
; deletes it (sharing everything), from a folder that lets files go;
; otherwise the reason.
Function un.CanDelete
  StrCpy $R1 ""
  System::Call 'kernel32::GetFileAttributes(t "$INSTDIR\$R0") i .r2'
  ${If} $2 = -1
    Return
  ${EndIf}
  StrCpy $5 ${DELETE_ACCESS}
  StrCpy $6 ${SHARE_ALL}
  Call un.TryFile
  ${If} $R1 == ""
    ${GetParent} "$INSTDIR\$R0" $3
    Call un.FolderTakesFiles
  ${EndIf}
FunctionEnd

; Deletes $INSTDIR\$R0 if it is there; $R1 says so when that fails. The file
; is looked for afterwards: a refused deletion can still be reported as done.
Function un.DeleteOne
  ${IfNot} ${FileExists} "$INSTDIR\$R0"
    Return
  ${EndIf}
  ClearErrors
  SetDetailsPrint textonly
  Delete "$INSTDIR\$R0"
  SetDetailsPrint both
  ${If} ${Errors}
  ${OrIf} ${FileExists} "$INSTDIR\$R0"
    StrCpy $R1 "$INSTDIR\$R0 could not be deleted, though it could a moment ago: ${PRODUCT} is removed only in part, and its entry in Add or Remove Programs stays. Close the host and any program that may have the file open, then remove ${PRODUCT} again."
  ${Else}
    DetailPrint "Removed $INSTDIR\$R0"
  ${EndIf}
FunctionEnd

; Remove passes over installed_files.nsh: each file is checked, deleted, or
; compared with $R0 (leaving $R4 "1" when it is one of this version's).
!macroundef KelvaneFolder
!macroundef KelvaneFile
!macro KelvaneFolder FOLDER
!macroend
!macro KelvaneFile FOLDER NAME
  !insertmacro KelvanePath "${FOLDER}" "${NAME}"
  !if "${KELVANE_PASS}" == "known"
  ${If} $R0 == "${KELVANE_PATH}"
    StrCpy $R4 "1"
  ${EndIf}
  !else
  ${If} $R1 == ""
    StrCpy $R0 "${KELVANE_PATH}"
    Call $R3
  ${EndIf}
  !endif
!macroend

; Calls the function at $R3 for every file of this version and then for every
; file recorded at installation that this version lacks (one that a former
; version installed), each path in $R0, until one leaves a reason in $R1.
Function un.ForEachInstalledFile
  StrCpy $R1 ""
  !define /redef KELVANE_PASS "each"
  !include installed_files.nsh
  ReadRegStr $R2 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R2 != $INSTDIR
    Return
  ${EndIf}
  StrCpy $R2 0
  ${DoWhile} $R1 == ""
    ClearErrors
    EnumRegValue $R0 HKLM "${FILES_KEY}" $R2
    ${If} ${Errors}
    ${OrIf} $R0 == ""
      ${ExitDo}
    ${EndIf}
    IntOp $R2 $R2 + 1
    StrCpy $R4 ""
    !define /redef KELVANE_PASS "known"
    !include installed_files.nsh
    ${If} $R4 == ""
      Call $R3
    ${EndIf}
  ${Loop}
FunctionEnd

; Removes each folder named in $Created that is empty, over and over until a
; pass removes none, so that the order of the names does not matter.
Function un.RemoveCreatedFolders
  ${Do}
    StrCpy $R5 0
    StrCpy $R6 $Created "" 1
    ${Do}
      ${If} $R6 == ""
        ${ExitDo}
      ${EndIf}
      StrCpy $R7 0
      ${Do}
        StrCpy $R8 $R6 1 $R7
        ${If} $R8 == "|"
        ${OrIf} $R8 == ""
          ${ExitDo}
        ${EndIf}
        IntOp $R7 $R7 + 1
      ${Loop}
      StrCpy $R0 $R6 $R7
      IntOp $R7 $R7 + 1
      StrCpy $R6 $R6 "" $R7
      ${If} $R0 != ""
      ${AndIf} ${FileExists} "$INSTDIR\$R0\*.*"
        SetDetailsPrint none
        RMDir "$INSTDIR\$R0"
        SetDetailsPrint both
        ${IfNot} ${FileExists} "$INSTDIR\$R0\*.*"
          DetailPrint "Removed $INSTDIR\$R0\"
          IntOp $R5 $R5 + 1
        ${EndIf}
      ${EndIf}
    ${Loop}
  ${LoopUntil} $R5 = 0
FunctionEnd

Section "Uninstall"
  ; Nothing changes unless every file can go.
  GetFunctionAddress $R3 un.CanDelete
  Call un.ForEachInstalledFile
  ; Started from the host's folder, the uninstaller runs as a copy of itself
  ; while the original may still be ending: it is given some seconds.
  ${If} $R1 == ""
    StrCpy $R0 "${UNINSTALLER}"
    ${For} $R2 1 10
      Call un.CanDelete
      ${IfThen} $R1 == "" ${|} ${Break} ${|}
      Sleep 300
    ${Next}
  ${EndIf}
  ${If} $R1 != ""
    !insertmacro Fail ${EXIT_FILE_IN_THE_WAY} "Not removed: close the host first" "$R1$\r$\n$\r$\nNothing was removed."
  ${EndIf}

  ; The list next: while it still names the plug-in, the files stay.
  ${If} ${FileExists} "$INSTDIR\${LIST_FILE}"
    Call un.ListOpens
    ${If} $0 != "1"
      !insertmacro Fail ${EXIT_LIST_NOT_CHANGED} "Not removed: the plug-in list is in the way" "${LIST_FAILURE}$\r$\n$\r$\nNothing was removed."
    ${EndIf}
    !insertmacro RunTamrin " -U"
    ${If} $0 != 0
      !insertmacro Fail ${EXIT_LIST_NOT_CHANGED} "Not removed: the plug-in list is in the way" "${LIST_FAILURE}$\r$\n$\r$\nNothing was removed."
    ${EndIf}
    DetailPrint "Removed KelvaneFx.dll from $INSTDIR\${LIST_FILE}"
  ${EndIf}

  GetFunctionAddress $R3 un.DeleteOne
  Call un.ForEachInstalledFile
  ${If} $R1 != ""
    !insertmacro Fail ${EXIT_PARTLY_DONE} "Removed in part: a file could not be deleted" "$R1"
  ${EndIf}
  StrCpy $R0 "${UNINSTALLER}"
  Call un.DeleteOne
  ${If} $R1 != ""
    !insertmacro Fail ${EXIT_PARTLY_DONE} "Removed in part: a file could not be deleted" "$R1"
  ${EndIf}

  StrCpy $Created ""
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $1 == $INSTDIR
    ReadRegStr $Created HKLM "${UNINSTALL_KEY}" "CreatedFolders"
    Call un.RemoveCreatedFolders
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
