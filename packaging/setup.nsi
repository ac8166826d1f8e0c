; Kelvane's setup program: puts the plug-in into a SAW host's folder, adds it to
; the host's plug-in list with Tamrin, and registers an uninstaller that undoes
; exactly that. A 32-bit program for Windows XP SP3 and later.
;
; Built by packaging/CMakeLists.txt:
;   makensis -DVERSION=1.2.3.4 -DSTAGE=<the zip's staged files> -DOUTFILE=<setup.exe> setup.nsi
; The files it installs are listed once, in installed_files.nsh.
;
; Silent use: Setup.exe /S /D=<host folder>   (/D last, without quotes)
;             <copy of Kelvane-uninstall.exe> /S _?=<host folder>
; Exit codes: see the EXIT_ defines below; INSTALL.txt lists them for users.

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include StrFunc.nsh

!ifndef VERSION | STAGE | OUTFILE
  !error "define VERSION, STAGE and OUTFILE on makensis's command line"
!endif

!define PRODUCT "Kelvane"
!define PUBLISHER "QuellMarsh Audio"
!define LIST_FILE "SAWStudioFX_Native.ini"
!define UNINSTALLER "Kelvane-uninstall.exe"
!define PRESETS_FOLDER "quellmarsh\Kelvane\Presets"   ; the factory presets, beside the help
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvane"
!define LIST_FAILURE "The plug-in list could not be changed: is the host running, or is the folder read-only?"

; Exit codes of both programs, besides NSIS's own 0 (done), 1 (cancelled by
; the user) and 2 (stopped for any other reason).
!define EXIT_NOT_HOST_FOLDER 3
!define EXIT_INSTALLED_ELSEWHERE 4
!define EXIT_FILE_NOT_WRITTEN 5
!define EXIT_LIST_NOT_CHANGED 6
!define EXIT_NO_SSE2 7

; The processor feature that IsProcessorFeaturePresent calls SSE2.
!define PF_XMMI64_INSTRUCTIONS_AVAILABLE 10
; CreateFile's access, sharing and opening, as Tamrin opens the list.
!define LIST_ACCESS 0xC0000000   ; GENERIC_READ | GENERIC_WRITE
!define LIST_SHARING 3           ; FILE_SHARE_READ | FILE_SHARE_WRITE
!define OPEN_EXISTING 3

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
${UnStrStr}

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

; Tells the user (unless silent), sets the exit code and stops.
!macro Fail CODE TEXT
  DetailPrint "${TEXT}"
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

; Runs Tamrin from the program's own temporary folder with the host's folder as
; its current folder; $0 is its exit code.
!macro RunTamrin ARGUMENTS
  InitPluginsDir
  SetOutPath "$PLUGINSDIR"
  File "${STAGE}/Tamrin.exe"
  SetOutPath "$INSTDIR"
  ClearErrors
  ExecWait '"$PLUGINSDIR\Tamrin.exe"${ARGUMENTS}' $0
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
FunctionEnd

; Install passes over installed_files.nsh: first each folder not there yet is
; noted as created, then each file is written, or the installation stops.
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
  !if "${KELVANE_PASS}" == "files"
  !insertmacro KelvanePath "${FOLDER}" "${NAME}"
  SetOutPath "$INSTDIR\${FOLDER}"
  ClearErrors
  File "${STAGE}/${KELVANE_PATH}"
  ${If} ${Errors}
    !insertmacro Fail ${EXIT_FILE_NOT_WRITTEN} "$INSTDIR\${KELVANE_PATH} could not be written: is the host running, or is the folder read-only?"
  ${EndIf}
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
    !insertmacro Fail $R8 "$R9"
  ${EndIf}
  System::Call 'kernel32::IsProcessorFeaturePresent(i ${PF_XMMI64_INSTRUCTIONS_AVAILABLE}) i .r0'
  ${If} $0 == 0
    !insertmacro Fail ${EXIT_NO_SSE2} "This computer's processor has no SSE2, which ${PRODUCT} needs. Nothing was installed."
  ${EndIf}
  Call ListOpens
  ${If} $0 != "1"
    !insertmacro Fail ${EXIT_LIST_NOT_CHANGED} "${LIST_FAILURE}"
  ${EndIf}

  ; An upgrade keeps what the first installation created; a registration
  ; whose folder lost its uninstaller is forgotten.
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
  !define /redef KELVANE_PASS "files"
  !include installed_files.nsh
  StrCpy $Placed "$Placed$\r$\n    ${PRESETS_FOLDER}\ (the factory presets)"

  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
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
  WriteRegStr HKLM "${UNINSTALL_KEY}" "CreatedFolders" "$Created"

  ; Last, so that a failure here still leaves a registered uninstaller.
  !insertmacro RunTamrin ""
  ${If} $0 != 0
    !insertmacro Fail ${EXIT_LIST_NOT_CHANGED} "${LIST_FAILURE}"
  ${EndIf}
  DetailPrint "Added KelvaneFx.dll to $INSTDIR\${LIST_FILE}"
SectionEnd

; ---------------------------------------------------------------- uninstaller

; Remove passes over installed_files.nsh: every file goes, then each folder
; that this installation created, if nothing else is left in it.
!macroundef KelvaneFolder
!macroundef KelvaneFile
!macro KelvaneFolder FOLDER
  !if "${KELVANE_PASS}" == "folders"
  ${UnStrStr} $0 $Created "|${FOLDER}|"
  ${If} $0 != ""
    RMDir "$INSTDIR\${FOLDER}"
  ${EndIf}
  !endif
!macroend
!macro KelvaneFile FOLDER NAME
  !if "${KELVANE_PASS}" == "files"
  !insertmacro KelvanePath "${FOLDER}" "${NAME}"
  Delete "$INSTDIR\${KELVANE_PATH}"
  DetailPrint "Removed $INSTDIR\${KELVANE_PATH}"
  !endif
!macroend

Section "Uninstall"
  ; The list first: while it still names the plug-in, the files stay.
  ${If} ${FileExists} "$INSTDIR\${LIST_FILE}"
    Call un.ListOpens
    ${If} $0 != "1"
      !insertmacro Fail ${EXIT_LIST_NOT_CHANGED} "${LIST_FAILURE}"
    ${EndIf}
    !insertmacro RunTamrin " -U"
    ${If} $0 != 0
      !insertmacro Fail ${EXIT_LIST_NOT_CHANGED} "${LIST_FAILURE}"
    ${EndIf}
    DetailPrint "Removed KelvaneFx.dll from $INSTDIR\${LIST_FILE}"
  ${EndIf}

  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  StrCpy $Created ""
  ${If} $1 == $INSTDIR
    ReadRegStr $Created HKLM "${UNINSTALL_KEY}" "CreatedFolders"
  ${EndIf}

  !define /redef KELVANE_PASS "files"
  !include installed_files.nsh
  StrCpy $Placed "$Placed$\r$\n    ${PRESETS_FOLDER}\ (the factory presets)"
  Delete "$INSTDIR\${UNINSTALLER}"
  !define /redef KELVANE_PASS "folders"
  !include installed_files.nsh
  ${If} $1 == $INSTDIR
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}
SectionEnd
