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
; What a running program's file answers to being opened for writing.
!define ERROR_SHARING_VIOLATION 32

; The installed files the uninstaller could not remove, one a line.
Var Unremoved

Name "${PRODUCT}"
OutFile "${KX_OUTFILE}"
!ifdef KX_SIGN
  !uninstfinalize '"${KX_SIGN}" "%1" ${UNINSTALLER}' = 0
  !finalize '"${KX_SIGN}" "%1"' = 0
!endif
InstallDir "$PROGRAMFILES64\${PRODUCT}"
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
!macro CheckSuiteProgram Name
  Push "$INSTDIR\${Name}"
  Call un.CheckNotRunning
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

Section
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

; A program that runs cannot be opened for writing, and could not be removed either: rather
; than leave half an installation behind, ask the user to close it (a silent run gives up). Only
; the refusal a running program gives counts: a read-only file is refused too, runs nothing, and
; is removed like any other.
Function un.CheckNotRunning
  Exch $0
  Push $1
  Push $2
check:
  System::Call 'kernel32::CreateFileW(w r0, i 0x40000000, i 7, p 0, i 3, i 0, p 0) p .r1 ?e'
  Pop $2
  ${If} $1 P<> -1
    System::Call 'kernel32::CloseHandle(p r1)'
  ${ElseIf} $2 = ${ERROR_SHARING_VIOLATION}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "${PRODUCT} is still running. Close ${PRODUCT} and its tools, then press Retry." \
      /SD IDCANCEL IDRETRY check
    SetErrorLevel ${EXIT_CANCELLED}
    Quit
  ${EndIf}
  Pop $2
  Pop $1
  Pop $0
FunctionEnd

Function un.CheckProgramsNotRunning
  Push "$INSTDIR\Portico.exe"
  Call un.CheckNotRunning
  !insertmacro ForEachSuiteProgram CheckSuiteProgram
FunctionEnd

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
