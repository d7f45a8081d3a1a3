; KestrixSetup.exe: installs the launcher, the uninstall feedback prompt, their texts and skin
; and the suite's other programs. Its uninstaller asks Valedict before it removes anything and
; then removes exactly what was installed, so that files the user added stay; its entry and the
; shortcut go last, and only when everything else has gone.
;
; Defines (the build passes them; see installer/CMakeLists.txt):
;   KX_VERSION         the project version, dotted numbers
;   KX_PROGRAMS        folder with Portico.exe and Valedict.exe
;   KX_SUITE_PROGRAMS  folder with the suite's other programs (Snipwell.exe, ...)
;   KX_STAGE           folder with the build-made data: Lang\, Skin\ and Staged.nsh listing them
;   KX_SETUP_ICON, KX_UNINSTALL_ICON, KX_OUTFILE
;   KX_SIGN            when set, the command that signs a program in place (installer/sign.sh)

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

!include LogicLib.nsh
!include "${KX_STAGE}/Staged.nsh"

!define PRODUCT "Kestrix"
!define PUBLISHER "Kestrix"
!define UNINSTALLER "Uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Kestrix"
!define SHORTCUT "$SMPROGRAMS\Kestrix.lnk"
; Exit code of an uninstaller the user stopped (NSIS's own code for a cancelled run).
!define EXIT_CANCELLED 1
; Exit code of an uninstall that left installed files behind (NSIS's code for an aborted run).
!define EXIT_INCOMPLETE 2
; Exit code of a setup that failed: the folder could not be made or secured (nothing installed),
; or a file could not be written (NSIS's code for an aborted run).
!define EXIT_FAILED 2
; What a running program's file answers to being opened for writing.
!define ERROR_SHARING_VIOLATION 32
; The launcher's main window: a top-level, unowned window of the forms' class.
!define FORM_CLASS "KestrixForm"
; How long a launcher told to close is waited for before the user is asked again.
!define LAUNCHER_CLOSE_WAIT_MS 10000
; The rights Program Files gives what is installed in it, protected from the parent's: SYSTEM
; and Administrators full control, Users read and execute, for the folder and all within it.
!define FOLDER_SDDL "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"

; The installed files the uninstaller could not remove, one a line.
Var Unremoved

Name "${PRODUCT}"
OutFile "${KX_OUTFILE}"
!ifdef KX_SIGN
  !uninstfinalize '"${KX_SIGN}" "%1" ${UNINSTALLER}' = 0
  !finalize '"${KX_SIGN}" "%1"' = 0
!endif
InstallDir "$PROGRAMFILES64\${PRODUCT}"
; An upgrade goes where the installation is; /D= still wins.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; A file that cannot be written stops the setup instead of being skipped.
AllowSkipFiles off
Icon "${KX_SETUP_ICON}"
UninstallIcon "${KX_UNINSTALL_ICON}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${KX_VERSION}.0"
VIFileVersion "${KX_VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${KX_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${KX_VERSION}"
VIAddVersionKey /LANG=1033 "OriginalFilename" "KestrixSetup.exe"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) ${PUBLISHER}"

Page directory
Page instfiles
UninstPage instfiles

; The suite's other programs, one list for packing, removing and the running check.
!macro ForEachSuiteProgram Action
  !insertmacro ${Action} "Snipwell.exe"
  !insertmacro ${Action} "Trundle.exe"
  !insertmacro ${Action} "Anvilry.exe"
  !insertmacro ${Action} "Murmur.exe"
  !insertmacro ${Action} "Bargello.exe"
  !insertmacro ${Action} "Freshen.exe"
!macroend
!macro PackSuiteProgram Name
  File "${KX_SUITE_PROGRAMS}/${Name}"
!macroend
!macro CheckProgram Prefix Name
  Push "${Name}"
  Call ${Prefix}CheckNotRunning
!macroend

; The values of the Add/Remove Programs entry, one list for writing and removing them
; ($0 holds the packed size in kilobytes when they are written).
!macro ForEachEntryValue Action
  !insertmacro ${Action} Str "DisplayName" "${PRODUCT}"
  !insertmacro ${Action} Str "DisplayVersion" "${KX_VERSION}"
  !insertmacro ${Action} Str "Publisher" "${PUBLISHER}"
  !insertmacro ${Action} Str "DisplayIcon" "$INSTDIR\Portico.exe"
  !insertmacro ${Action} Str "InstallLocation" "$INSTDIR"
  !insertmacro ${Action} Str "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  !insertmacro ${Action} Str "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  !insertmacro ${Action} DWORD "EstimatedSize" $0
  !insertmacro ${Action} DWORD "NoModify" 1
  !insertmacro ${Action} DWORD "NoRepair" 1
!macroend
!macro WriteEntryValue Type Name Value
  WriteReg${Type} HKLM "${UNINSTALL_KEY}" "${Name}" `${Value}`
!macroend
!macro DeleteEntryValue Type Name Value
  DeleteRegValue HKLM "${UNINSTALL_KEY}" "${Name}"
!macroend

Function .onInit
  SetShellVarContext all
FunctionEnd

; A program that runs cannot be opened for writing, and could be neither replaced nor removed:
; rather than leave half an installation behind, ask the user to close it, by name (a silent
; run gives up). The launcher closes when asked, unless it waits for a tool: then it has hidden
; itself, and the tool, checked first, is named instead. Only the refusal a running program
; gives counts: a read-only file is refused too, runs nothing, and is handled like any other.
; The setup and the uninstaller each need their own copies of these functions.
!macro RunningChecks Prefix Caption
; Takes an installed program's file name.
Function ${Prefix}CheckNotRunning
  Exch $0
  Push $1
  Push $2
check:
  System::Call 'kernel32::CreateFileW(w "$INSTDIR\$0", i 0x40000000, i 7, p 0, i 3, i 0, p 0) p .r1 ?e'
  Pop $2
  ${If} $1 P<> -1
    System::Call 'kernel32::CloseHandle(p r1)'
  ${ElseIf} $2 = ${ERROR_SHARING_VIOLATION}
    ${If} $0 == "Portico.exe"
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "$0 is running, and ${Caption} cannot go on until it is closed.$\r$\n$\r$\nPress Retry to close $0 and go on, or press Cancel to quit." \
        /SD IDCANCEL IDCANCEL cancel
      Call ${Prefix}CloseLauncher
      Goto check
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "$0 is running, and ${Caption} cannot go on until it is closed.$\r$\n$\r$\nClose $0, then press Retry, or press Cancel to quit." \
      /SD IDCANCEL IDRETRY check
cancel:
    SetErrorLevel ${EXIT_CANCELLED}
    Quit
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Asks the installed launcher's main window to close, and waits a while for it to end.
Function ${Prefix}CloseLauncher
  Push $0
  Push $1
  Push $2
  Push $3
  StrCpy $0 0
  ${Do}
    FindWindow $0 "${FORM_CLASS}" "" 0 $0
    ${If} $0 = 0
      ${Break}
    ${EndIf}
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    ; SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION
    System::Call 'kernel32::OpenProcess(i 0x101000, i 0, i r1) p .r1'
    ${If} $1 P<> 0
      System::Call 'kernel32::QueryFullProcessImageNameW(p r1, i 0, w .r2, *i ${NSIS_MAX_STRLEN}) i .r3'
      ${If} $3 <> 0
      ${AndIf} $2 == "$INSTDIR\Portico.exe"
        System::Call 'user32::IsWindowVisible(p r0) i .r2'
        ; GW_OWNER
        System::Call 'user32::GetWindow(p r0, i 4) p .r3'
        ${If} $2 <> 0
        ${AndIf} $3 P= 0
          ; WM_CLOSE
          System::Call 'user32::PostMessageW(p r0, i 0x10, p 0, p 0)'
          System::Call 'kernel32::WaitForSingleObject(p r1, i ${LAUNCHER_CLOSE_WAIT_MS})'
        ${EndIf}
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
  ${Loop}
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; The tools first: a launcher that waits for one cannot close before it.
Function ${Prefix}CheckProgramsNotRunning
  !insertmacro ForEachSuiteProgram 'CheckProgram "${Prefix}"'
  !insertmacro CheckProgram "${Prefix}" "Valedict.exe"
  !insertmacro CheckProgram "${Prefix}" "Portico.exe"
FunctionEnd
!macroend
!insertmacro RunningChecks "" "$(^SetupCaption)"
!insertmacro RunningChecks "un." "$(^UninstallCaption)"

; Outside Program Files a folder inherits its parent's rights, and those of a drive root let
; every user change what is in it: anyone could replace a program that other users start, or
; one the next uninstall runs as administrator. The folder gets the rights Program Files gives
; wherever it is (inside Program Files that changes nothing). A folder that cannot be made or
; secured stops the setup before anything is installed.
Function SecureInstallFolder
  Push $0
  Push $1
  Push $2
  Push $3
  Push $4
  CreateDirectory "$INSTDIR"
  ; Any error code of SetNamedSecurityInfoW, until it has answered.
  StrCpy $3 1
  ; SDDL_REVISION_1
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${FOLDER_SDDL}", i 1, *p .r0, p 0) i .r1'
  ${If} $1 <> 0
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r0, *i .r2, *p .r1, *i .r4) i .r4'
    ${If} $4 <> 0
    ${AndIf} $2 <> 0
      ; SE_FILE_OBJECT; PROTECTED_DACL_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION
      System::Call 'advapi32::SetNamedSecurityInfoW(w "$INSTDIR", i 1, i 0x80000004, p 0, p 0, p r1, p 0) i .r3'
    ${EndIf}
    System::Call 'kernel32::LocalFree(p r0)'
  ${EndIf}
  ${If} $3 <> 0
    MessageBox MB_OK|MB_ICONSTOP \
      "$(^SetupCaption) cannot create the folder $INSTDIR or set who may change it, so nothing was installed.$\r$\n$\r$\nChoose another folder, or check that you may change this one." \
      /SD IDOK
    SetErrorLevel ${EXIT_FAILED}
    Quit
  ${EndIf}
  Pop $4
  Pop $3
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

; Nothing is written before the running check: a program that runs would keep its old file.
Section
  !insertmacro CheckProgram "" "${UNINSTALLER}"
  Call CheckProgramsNotRunning
  Call SecureInstallFolder
  SetOutPath "$INSTDIR"
  File "${KX_PROGRAMS}/Portico.exe"
  File "${KX_PROGRAMS}/Valedict.exe"
  !insertmacro ForEachSuiteProgram PackSuiteProgram
!if /FileExists "${KX_SUITE_PROGRAMS}/Update.log"
  File "${KX_SUITE_PROGRAMS}/Update.log"
!endif
  !insertmacro InstallStaged
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  CreateShortcut "${SHORTCUT}" "$INSTDIR\Portico.exe" "" "$INSTDIR\Portico.exe" 0

  SectionGetSize 0 $0
  !insertmacro ForEachEntryValue WriteEntryValue
SectionEnd

; Removes one installed file, named relative to the installation; one that stays is noted.
!macro RemoveInstalled Name
  Push "${Name}"
  Call un.RemoveInstalled
!macroend
Function un.RemoveInstalled
  Exch $0
  ClearErrors
  Delete "$INSTDIR\$0"
  ; Some systems remove a file only when its last handle closes, and may fail then.
  ${If} ${Errors}
  ${OrIf} ${FileExists} "$INSTDIR\$0"
    StrCpy $Unremoved "$Unremoved$INSTDIR\$0$\r$\n"
  ${EndIf}
  Pop $0
FunctionEnd

; Valedict's exit code decides: 1 keeps everything; 0, a crash or no Valedict at all goes on,
; since feedback must never block removal. Administrators' silent runs do not ask. The prompt
; may stay open for minutes, long enough to start the launcher again: the check follows it too.
Function un.onInit
  SetShellVarContext all
  Call un.CheckProgramsNotRunning
  ${IfNot} ${Silent}
    ClearErrors
    ExecWait '"$INSTDIR\Valedict.exe" 1 "$INSTDIR\Lang\Product.dat"' $0
    ${IfNot} ${Errors}
    ${AndIf} $0 = 1
      SetErrorLevel ${EXIT_CANCELLED}
      Quit
    ${EndIf}
    Call un.CheckProgramsNotRunning
  ${EndIf}
FunctionEnd

; A file that stays (held open by some program) is named, and the uninstaller and its entry
; stay with it, so that the uninstall can be run again once it is free.
Section "Uninstall"
  SetAutoClose true
  StrCpy $Unremoved ""
  !insertmacro RemoveInstalled "Portico.exe"
  !insertmacro RemoveInstalled "Valedict.exe"
  !insertmacro ForEachSuiteProgram RemoveInstalled
!if /FileExists "${KX_SUITE_PROGRAMS}/Update.log"
  !insertmacro RemoveInstalled "Update.log"
!endif
  !insertmacro RemoveStaged
  ${If} $Unremoved == ""
    Delete "$INSTDIR\${UNINSTALLER}"
    RMDir "$INSTDIR"
  ${EndIf}
  ${IfNot} ${FileExists} "$INSTDIR\Portico.exe"
    Delete "${SHORTCUT}"
  ${EndIf}
  ${If} $Unremoved == ""
    !insertmacro ForEachEntryValue DeleteEntryValue
    DeleteRegKey /ifempty HKLM "${UNINSTALL_KEY}"
  ${Else}
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "These files could not be removed:$\r$\n$Unremoved$\r$\nClose the programs that use them, then uninstall ${PRODUCT} again." \
      /SD IDOK
    SetErrorLevel ${EXIT_INCOMPLETE}
  ${EndIf}
SectionEnd
