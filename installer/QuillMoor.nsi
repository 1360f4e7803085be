; Quill Moor setup: one file that carries the 32-bit and the 64-bit build and
; installs the one that matches the Windows it runs on.
;
; Built by the installer target (installer/CMakeLists.txt) with
;   makensis -DDIST32=<dist/win32> -DDIST64=<dist/win64> -DOUTFILE=<setup.exe>
;            -DVERSION=<x.y> -DICON=<program.ico> -DTHEMES=<themes.nsh> QuillMoor.nsi
;
; The uninstaller gives every entry back before it removes anything: the
; entries a user has in our keeping belong to Windows, and a key of ours that
; still holds one is never deleted.
;   -DAMD64 makes the same setup as a 64-bit program (for the tests of machines
;   that run no 32-bit program); the setup we ship is the 32-bit one.
;
; Switches: /S silent (install and uninstall); /LOGON=0 installs without taking
; part in the next log-on (the page the user can decline, for silent installs).

!ifdef AMD64
  Target amd64-unicode
!else
  Unicode true
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include x64.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include MUI2.nsh
!include nsDialogs.nsh

!define PRODUCT "Quill Moor"
!define PUBLISHER "Tarnwick Software"
!define PRODUCT_KEY "Software\Tarnwick\Quill Moor"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quill Moor"
!define RUNONCE_KEY "Software\Microsoft\Windows\CurrentVersion\RunOnce"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define RUNSERVICES_KEY "Software\Microsoft\Windows\CurrentVersion\RunServices"
!define STARTUP_RUNONCE "QM Init Startups"
!define CLEANUP_RUNONCE "QM Init Cleanups"
!define PROGRAM "Quillmoor.exe"
!define LOG "Quillmoor.log"
!define SHORTCUT "$SMPROGRAMS\Quill Moor.lnk"

; Exit codes, beside NSIS's own 1 (cancelled) and 2 (aborted by script).
!define EXIT_ENTRIES_KEPT 3
!define EXIT_PROGRAM_RUNNING 4

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Quill Moor"
BrandingText "${PUBLISHER}"
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_NOAUTOCLOSE
!define MUI_UNFINISHPAGE_NOAUTOCLOSE

Var ArmLogon        ; 1: take part in the next log-on
Var LogonCheckbox

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
Page custom LogonPage LogonPageLeave
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\Quillmoor.chm"
!define MUI_FINISHPAGE_SHOWREADME_TEXT "Read the help"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_UNPAGE_FINISH

!insertmacro MUI_LANGUAGE "English"

; Both halves work in the registry view of the build they install: the
; 64-bit program reads and writes the 64-bit view.
!macro UseProgramView
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
!macroend

; The single-instance mutex of the program: while a copy runs, its files are in
; use, and a restore started beside it would end at once without returning
; anything.
!macro RefuseWhileRunning un
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "Quill Moor") p .r0'
  ${If} $0 != 0
    System::Call 'kernel32::CloseHandle(p r0)'
    MessageBox MB_OK|MB_ICONEXCLAMATION "Quill Moor is running. Close it (Exit Quillmoor in the notification area) and start the ${un}installer again." /SD IDOK
    SetErrorLevel ${EXIT_PROGRAM_RUNNING}
    Quit
  ${EndIf}
!macroend

Function .onInit
  ${If} ${RunningX64}
    StrCpy $INSTDIR "$PROGRAMFILES64\Quill Moor"
  ${EndIf}
  StrCpy $ArmLogon 1
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/LOGON=" $1
  ${IfNot} ${Errors}
  ${AndIf} $1 == "0"
    StrCpy $ArmLogon 0
  ${EndIf}
  !insertmacro RefuseWhileRunning ""
FunctionEnd

Function LogonPage
  !insertmacro MUI_HEADER_TEXT "Your next log-on" "Choose whether Quill Moor takes part when you next log on."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 60u "When you log on, Quill Moor can take the programs that Windows would start by itself (the Run and RunServices entries and the shortcuts of the Startup folders) into its keeping, let you tick the ones to start, start them, and give every entry back to Windows afterwards.$\r$\n$\r$\nNothing is taken until you log on again; you need not restart now."
  Pop $0
  ${NSD_CreateCheckbox} 0 70u 100% 12u "&Start Quill Moor at my next log-on"
  Pop $LogonCheckbox
  ${If} $ArmLogon = 1
    ${NSD_Check} $LogonCheckbox
  ${EndIf}
  ${NSD_CreateLabel} 0 90u 100% 30u "You can arm it later with Quillmoor.exe /repair, and give every entry back at any time with Quillmoor.exe /restore ex (see the help)."
  Pop $0
  nsDialogs::Show
FunctionEnd

Function LogonPageLeave
  ${NSD_GetState} $LogonCheckbox $0
  ${If} $0 == ${BST_CHECKED}
    StrCpy $ArmLogon 1
  ${Else}
    StrCpy $ArmLogon 0
  ${EndIf}
FunctionEnd

; Creates a key without leaving a value in it: a default value would be listed
; as an entry with an empty name.
!macro CreateKey root key
  WriteRegDWORD ${root} "${key}" "Quill Moor Setup" 0
  DeleteRegValue ${root} "${key}" "Quill Moor Setup"
!macroend

; Writes an Init flag at 0 only where it is missing: over an older copy the
; flags say what is taken in the current cycle, and resetting one would let a
; take run twice.
!macro InitFlag name
  ClearErrors
  ReadRegDWORD $0 HKLM "${PRODUCT_KEY}" "${name}"
  ${If} ${Errors}
    WriteRegDWORD HKLM "${PRODUCT_KEY}" "${name}" 0
  ${EndIf}
!macroend

Section "Quill Moor" SecMain
  SectionIn RO
  SetShellVarContext all
  !insertmacro UseProgramView
  SetOutPath "$INSTDIR"
  ${If} ${RunningX64}
    File "${DIST64}/Quillmoor.exe"
    File "${DIST64}/kelvrin.dll"
    File "${DIST64}/ostrum.dll"
    !if /FileExists "${DIST64}/qmctl.exe"
      File "${DIST64}/qmctl.exe"
    !endif
  ${Else}
    File "${DIST32}/Quillmoor.exe"
    File "${DIST32}/kelvrin.dll"
    File "${DIST32}/ostrum.dll"
    !if /FileExists "${DIST32}/qmctl.exe"
      File "${DIST32}/qmctl.exe"
    !endif
  ${EndIf}
  File "${DIST32}/Quillmoor.chm"
  ; The administrative template, for administrators to copy into their policy store.
  File "${DIST32}/Quillmoor.admx"
  SetOutPath "$INSTDIR\en-US"
  File "${DIST32}/en-US/Quillmoor.adml"
  SetOutPath "$INSTDIR"
  ; The theme folders, one File line per shipped theme (generated).
  !define THEME_SOURCE "${DIST32}"
  !include "${THEMES}"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "${SHORTCUT}" "$INSTDIR\${PROGRAM}" "" "$INSTDIR\${PROGRAM}" 0

  ; The stored location the engines expect before the first log-on.
  !insertmacro CreateKey HKLM "${PRODUCT_KEY}"
  !insertmacro InitFlag "Init Service"
  !insertmacro InitFlag "Init Startup"
  !insertmacro InitFlag "Init Shortcut"
  !insertmacro CreateKey HKLM "${PRODUCT_KEY}\Run\Selections"
  !insertmacro CreateKey HKLM "${PRODUCT_KEY}\RunServices\Selections"
  !insertmacro CreateKey HKLM "${PRODUCT_KEY}\Shc\Selections"

  ; Programs and Features.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${PROGRAM},0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"

  ; The next log-on starts the program once; the path is quoted because
  ; Program Files has a blank in it.
  ${If} $ArmLogon = 1
    WriteRegStr HKLM "${RUNONCE_KEY}" "${STARTUP_RUNONCE}" '"$INSTDIR\${PROGRAM}" /startup'
    DetailPrint "Quill Moor takes part in your next log-on."
  ${EndIf}
SectionEnd

; ---------------------------------------------------------------- uninstall

Function un.onInit
  !insertmacro RefuseWhileRunning "un"
FunctionEnd

; The registry view the uninstaller's checks read: the program's own (0x0100,
; KEY_WOW64_64KEY, on 64-bit Windows), or the other one (0x0200,
; KEY_WOW64_32KEY), whose entries a 64-bit program keeps under that view's own
; product key.
Var CheckView

; The registry access mask for the view being checked.
!macro ReadMask var
  StrCpy ${var} 0x20019       ; KEY_READ
  ${If} ${RunningX64}
    IntOp ${var} ${var} | $CheckView
  ${EndIf}
!macroend

; Number of values in root\key: 0 for a key that does not exist, -1 for one
; that cannot be read (which counts as holding something: what we cannot see
; we must not delete). In: $R0 root handle, $R1 key. Out: $R2.
Function un.CountValues
  !insertmacro ReadMask $R3
  System::Call 'advapi32::RegOpenKeyExW(p R0, w R1, i 0, i R3, *p .r8) i .r9'
  ${If} $9 = 2                ; ERROR_FILE_NOT_FOUND
    StrCpy $R2 0
  ${ElseIf} $9 <> 0
    StrCpy $R2 -1
  ${Else}
    System::Call 'advapi32::RegQueryInfoKeyW(p r8, p 0, p 0, p 0, p 0, p 0, p 0, *i .r7, p 0, p 0, p 0, p 0) i .r9'
    ${If} $9 = 0
      StrCpy $R2 $7
    ${Else}
      StrCpy $R2 -1
    ${EndIf}
    System::Call 'advapi32::RegCloseKey(p r8)'
  ${EndIf}
FunctionEnd

; Whether a value named $R6 stands in root\key. In: $R0 root handle, $R1 key.
; Out: $R2 1 or 0.
Function un.ValueStands
  StrCpy $R2 0
  !insertmacro ReadMask $R3
  System::Call 'advapi32::RegOpenKeyExW(p R0, w R1, i 0, i R3, *p .r8) i .r9'
  ${If} $9 = 0
    System::Call 'advapi32::RegQueryValueExW(p r8, w R6, p 0, p 0, p 0, p 0) i .r9'
    ${If} $9 = 0
      StrCpy $R2 1
    ${EndIf}
    System::Call 'advapi32::RegCloseKey(p r8)'
  ${EndIf}
FunctionEnd

; Whether the shortcut $R6 stands whole in folder $R1: a file, not a folder of
; that name, and not empty, unless what was stored is empty too (a user's empty
; file goes back as it was). In: $R0 root handle, the stored key in $R3.
; Out: $R2 1 or 0.
Function un.ShortcutStands
  StrCpy $R2 0
  ${If} $R1 != ""
  ${AndIf} ${FileExists} "$R1\$R6.lnk"
  ${AndIfNot} ${FileExists} "$R1\$R6.lnk\*.*"
    ClearErrors
    FileOpen $9 "$R1\$R6.lnk" r
    ${IfNot} ${Errors}
      FileSeek $9 0 END $8
      FileClose $9
      ${If} $8 > 0
        StrCpy $R2 1
      ${Else}
        ; The size of the stored value: 0 bytes were due back as 0 bytes.
        !insertmacro ReadMask $7
        System::Call 'advapi32::RegOpenKeyExW(p R0, w R3, i 0, i r7, *p .r8) i .r9'
        ${If} $9 = 0
          System::Call 'advapi32::RegQueryValueExW(p r8, w R6, p 0, p 0, p 0, *i 0 r7) i .r9'
          ${If} $9 = 0
          ${AndIf} $7 = 0
            StrCpy $R2 1
          ${EndIf}
          System::Call 'advapi32::RegCloseKey(p r8)'
        ${EndIf}
      ${EndIf}
    ${EndIf}
  ${EndIf}
FunctionEnd

; After the restore the stored location may keep its copies of the entries,
; but every one of them must stand again where Windows reads it. Counts into
; $R4 the stored entries of root\PRODUCT_KEY\kind that do not, and names them
; in $R5. kind Shc is checked against the startup folder named by folderValue
; in the root's Shell Folders; the others against root\windowsKey.
!macro CountNotBack root rootHandle kind windowsKey folderValue
  StrCpy $R0 ${rootHandle}
  StrCpy $R1 "${PRODUCT_KEY}\${kind}"
  Call un.CountValues
  ${If} $R2 < 0
    StrCpy $R5 "$R5$\r$\n  ${root}\${PRODUCT_KEY}\${kind} (cannot be read)"
    IntOp $R4 $R4 + 1
  ${ElseIf} $R2 > 0
    ReadRegStr $R9 ${root} "Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders" "${folderValue}"
    StrCpy $R7 0
    ${Do}
      ClearErrors
      EnumRegValue $R6 ${root} "${PRODUCT_KEY}\${kind}" $R7
      ${If} ${Errors}
      ${OrIf} $R6 == ""
        ${Break}
      ${EndIf}
      IntOp $R7 $R7 + 1
      ${If} "${kind}" == "Shc"
        StrCpy $R0 ${rootHandle}
        StrCpy $R1 $R9
        StrCpy $R3 "${PRODUCT_KEY}\${kind}"
        Call un.ShortcutStands
      ${Else}
        StrCpy $R0 ${rootHandle}
        StrCpy $R1 "${windowsKey}"
        Call un.ValueStands
      ${EndIf}
      ${If} $R2 = 0
        StrCpy $R5 "$R5$\r$\n  ${root}\${PRODUCT_KEY}\${kind}: $R6"
        IntOp $R4 $R4 + 1
      ${EndIf}
    ${Loop}
  ${EndIf}
!macroend

; Appends one line to the program's log, in its own error format.
Function un.LogError
  Exch $0
  Push $1
  ClearErrors
  FileOpen $1 "$INSTDIR\${LOG}" a
  ${IfNot} ${Errors}
    FileSeek $1 0 END
    FileWrite $1 "--- Error : $0$\r$\n"
    FileClose $1
  ${EndIf}
  Pop $1
  Pop $0
FunctionEnd

Section "Uninstall"
  SetShellVarContext all
  !insertmacro UseProgramView

  ; Give every entry back first, and wait for it.
  DetailPrint "Giving every entry back to Windows..."
  ClearErrors
  ExecWait '"$INSTDIR\${PROGRAM}" /restore' $0
  ${If} ${Errors}
    DetailPrint "Quill Moor could not be started to give the entries back."
  ${EndIf}

  ; Then look: the stored location may go only when every entry in it stands
  ; again where Windows reads it.
  StrCpy $R4 0
  StrCpy $R5 ""
  StrCpy $CheckView 0x0100
  !insertmacro CountNotBack HKLM 0x80000002 Run "${RUN_KEY}" ""
  !insertmacro CountNotBack HKLM 0x80000002 RunServices "${RUNSERVICES_KEY}" ""
  !insertmacro CountNotBack HKLM 0x80000002 Shc "" "Common Startup"
  !insertmacro CountNotBack HKCU 0x80000001 Run "${RUN_KEY}" ""
  !insertmacro CountNotBack HKCU 0x80000001 RunServices "${RUNSERVICES_KEY}" ""
  !insertmacro CountNotBack HKCU 0x80000001 Shc "" "Startup"
  ; On 64-bit Windows the entries of 32-bit programs' keys are kept under the
  ; product key of their own view: looked at, and kept, the same way.
  ${If} ${RunningX64}
    StrCpy $CheckView 0x0200
    SetRegView 32
    !insertmacro CountNotBack HKLM 0x80000002 Run "${RUN_KEY}" ""
    !insertmacro CountNotBack HKLM 0x80000002 RunServices "${RUNSERVICES_KEY}" ""
    SetRegView 64
    StrCpy $CheckView 0x0100
  ${EndIf}

  ${If} $R4 <> 0
    ; Something could not be returned. Keep every key that holds an entry and
    ; the program that can return it, and the uninstaller to come back to.
    ; Only the armed next log-on goes, so that nothing more is taken; a return
    ; already armed stays.
    DeleteRegValue HKLM "${RUNONCE_KEY}" "${STARTUP_RUNONCE}"
    Push "Uninstall stopped: entries could not be given back and are kept:$R5"
    Call un.LogError
    DetailPrint "Entries could not be given back; they are kept:$R5"
    MessageBox MB_OK|MB_ICONEXCLAMATION "Quill Moor could not give every entry back to Windows. They are kept, with Quill Moor itself:$R5$\r$\n$\r$\nSee $INSTDIR\${LOG} for what stood in the way. When it is put right, give them back with$\r$\n$\r$\n  $\"$INSTDIR\${PROGRAM}$\" /restore ex$\r$\n$\r$\nand uninstall Quill Moor again." /SD IDOK
    SetErrorLevel ${EXIT_ENTRIES_KEPT}
    Return
  ${EndIf}

  DetailPrint "Every entry is back. Removing Quill Moor."
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Tarnwick"
  ${If} ${RunningX64}
    SetRegView 32
    DeleteRegKey HKLM "${PRODUCT_KEY}"
    DeleteRegKey /ifempty HKLM "Software\Tarnwick"
    SetRegView 64
  ${EndIf}
  DeleteRegKey HKCU "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKCU "Software\Tarnwick"
  DeleteRegValue HKLM "${RUNONCE_KEY}" "${STARTUP_RUNONCE}"
  DeleteRegValue HKCU "${RUNONCE_KEY}" "${CLEANUP_RUNONCE}"

  Delete "${SHORTCUT}"
  Delete "$INSTDIR\${PROGRAM}"
  Delete "$INSTDIR\kelvrin.dll"
  Delete "$INSTDIR\ostrum.dll"
  Delete "$INSTDIR\qmctl.exe"
  Delete "$INSTDIR\Quillmoor.chm"
  Delete "$INSTDIR\Quillmoor.admx"
  Delete "$INSTDIR\en-US\Quillmoor.adml"
  RMDir "$INSTDIR\en-US"
  Delete "$INSTDIR\${LOG}"
  !define UNINSTALL_THEMES
  !include "${THEMES}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
