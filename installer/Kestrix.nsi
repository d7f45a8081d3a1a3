; KestrixSetup.exe: installs the launcher, the uninstall feedback prompt, their texts and skin
; and the suite's other programs. Its uninstaller asks Valedict before it removes anything and
; then removes exactly what was installed, so that files the user added stay.
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
!macro RemoveSuiteProgram Name
  Delete "$INSTDIR\${Name}"
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
; than leave half an installation behind, ask the user to close it (a silent run gives up).
Function un.CheckNotRunning
  Exch $0
  Push $1
check:
  ${If} ${FileExists} "$0"
    ClearErrors
    FileOpen $1 "$0" a
    ${If} ${Errors}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
        "${PRODUCT} is still running. Close ${PRODUCT} and its tools, then press Retry." \
        /SD IDCANCEL IDRETRY check
      SetErrorLevel ${EXIT_CANCELLED}
      Quit
    ${EndIf}
    FileClose $1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

; Valedict's exit code decides: 1 keeps everything; 0, a crash or no Valedict at all goes on,
; since feedback must never block removal. Administrators' silent runs do not ask.
Function un.onInit
  SetShellVarContext all
  Push "$INSTDIR\Portico.exe"
  Call un.CheckNotRunning
  !insertmacro ForEachSuiteProgram CheckSuiteProgram
  ${IfNot} ${Silent}
    ClearErrors
    ExecWait '"$INSTDIR\Valedict.exe" 1 "$INSTDIR\Lang\Product.dat"' $0
    ${IfNot} ${Errors}
    ${AndIf} $0 = 1
      SetErrorLevel ${EXIT_CANCELLED}
      Quit
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  SetAutoClose true
  !insertmacro ForEachEntryValue DeleteEntryValue
  DeleteRegKey /ifempty HKLM "${UNINSTALL_KEY}"
  Delete "${SHORTCUT}"

  Delete "$INSTDIR\Portico.exe"
  Delete "$INSTDIR\Valedict.exe"
  !insertmacro ForEachSuiteProgram RemoveSuiteProgram
!if /FileExists "${KX_SUITE_PROGRAMS}/Update.log"
  Delete "$INSTDIR\Update.log"
!endif
  !insertmacro RemoveStaged
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
SectionEnd
