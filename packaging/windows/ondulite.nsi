; The Windows installer: one program for every Windows the saver runs on.
; tools/make-installer.sh builds it with makensis:
;   VERSION  the project's version (1.0.0)
;   SAVER32  the 32-bit ondulite.scr, SAVER64 the 64-bit one
;   SIZE32, SIZE64  their sizes in KB
;   OUTFILE  the installer to write
;   TARGET   x86-ansi for the release: its stub imports nothing newer than
;            Windows 95 and NT 4 (subsystem 4.0). amd64-unicode only for the
;            test under a Wine without 32-bit support; the choice of saver
;            is the same code.
;
; Command line: /S silent; /CURRENT with /S makes ondulite the current
; screen saver (interactively a check box offers it, ticked).
; Exit status: 0 installed, 1 cancelled, 2 refused (no administrator
; rights, or the saver in use).

Unicode false
!if "${TARGET}" == "amd64-unicode"
  Unicode true
!endif
Target ${TARGET}

!include MUI2.nsh
!include LogicLib.nsh
!include WinVer.nsh
!include x64.nsh
!include FileFunc.nsh

!define PRODUCT "ondulite"
!define PUBLISHER "The ondulite authors"
!define HOMEPAGE "https://github.com/ondulite/ondulite"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ondulite"
!define DESKTOP_KEY "Control Panel\Desktop"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\ondulite"
RequestExecutionLevel admin
ManifestSupportedOS all
ManifestDPIAware true
SetCompressor /SOLID lzma
; Installed files keep the times stored at build time (fixed by the build).
SetDateSave on
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "ondulite screen saver setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (C) 2026 ${PUBLISHER}"

; The saver's folder and path as installed, its short form (what the desktop's own
; Install verb writes) and 32 or 64.
Var saverDir
Var saverPath
Var saverShort
Var saverBits

; The saver's own picture (packaging/windows/make-icon.sh makes it), also
; the icon of its entry in the list of programs.
!define MUI_ICON "${__FILEDIR__}/ondulite.ico"
!define MUI_UNICON "${__FILEDIR__}/ondulite.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_TEXT "Open the screen-saver settings"
!define MUI_FINISHPAGE_RUN_FUNCTION OpenSaverSettings
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Administrator rights: the system folder and the machine's list of
; programs need them on the NT family; on 95, 98 and Me everyone has them.
!macro RequireAdministrator
  ${If} ${IsNT}
    UserInfo::GetAccountType
    Pop $0
    ${If} $0 != "Admin"
      MessageBox MB_OK|MB_ICONSTOP "ondulite is installed into the Windows system folder, which needs administrator rights.$\r$\n$\r$\nRun the setup again as an administrator. Nothing was changed." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${EndIf}
!macroend

; The saver that fits this Windows: the 64-bit one on 64-bit Windows for
; x64 processors, into the real System32 (a 32-bit setup's System32 is
; redirected to SysWOW64, where 64-bit programs do not belong); the 32-bit
; one everywhere else, into the system folder as this process sees it
; (SysWOW64 on other 64-bit Windows). The 95, 98 and Me family is 32-bit
; whatever the processor.
!macro ChooseSaver
  StrCpy $saverBits 32
  StrCpy $saverDir $SYSDIR
  ${If} ${IsNT}
    ${If} ${IsNativeAMD64}
      StrCpy $saverBits 64
    ${ElseIf} ${IsWow64}
      ; Named as the desktop, a 64-bit program, must find it.
      StrCpy $saverDir "$WINDIR\SysWOW64"
    ${EndIf}
  ${EndIf}
  StrCpy $saverPath "$saverDir\ondulite.scr"
!macroend

; FileBytes PATH VAR: the size of the file PATH in bytes.
!macro FileBytes path var
  FileOpen $9 "${path}" r
  FileSeek $9 0 END ${var}
  FileClose $9
!macroend

Section "ondulite screen saver" SectionSaver
  SectionIn RO
  ${If} $saverBits == 64
    ${DisableX64FSRedirection}
  ${EndIf}
  SetOutPath $saverDir
  ; Extracted beside the old one first and then put in its place, so that a
  ; saver in use leaves the old file as it was and nothing else installed.
  Delete "$saverDir\ondulite.scr.new"
  ClearErrors
  ${If} $saverBits == 64
    File "/oname=ondulite.scr.new" "${SAVER64}"
  ${Else}
    File "/oname=ondulite.scr.new" "${SAVER32}"
  ${EndIf}
  ${If} ${Errors}
    Delete "$saverDir\ondulite.scr.new"
    MessageBox MB_OK|MB_ICONSTOP "ondulite cannot be written to $saverDir. Nothing was changed." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  Delete $saverPath
  ${If} ${FileExists} $saverPath
    Delete "$saverDir\ondulite.scr.new"
    MessageBox MB_OK|MB_ICONSTOP "ondulite.scr is in use: the screen saver runs, or its settings show its preview.$\r$\n$\r$\nEnd it and run the setup again. Nothing was changed." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  Rename "$saverDir\ondulite.scr.new" $saverPath
  GetFullPathName /SHORT $saverShort $saverPath
  !insertmacro FileBytes $saverPath $1
  ${EnableX64FSRedirection}
  DetailPrint "Installed the $saverBits-bit saver as $saverPath"

  SetOutPath $INSTDIR
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; The size of what is installed, in KB: the one saver and the uninstaller.
  !insertmacro FileBytes "$INSTDIR\uninstall.exe" $0
  IntOp $0 $0 + $1
  IntOp $0 $0 + 1023
  IntOp $0 $0 / 1024
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "ondulite screen saver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "URLInfoAbout" "${HOMEPAGE}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\uninstall.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; What the uninstaller removes: exactly this file.
  WriteRegStr HKLM "${UNINSTALL_KEY}" "SaverPath" $saverPath
  WriteRegStr HKLM "${UNINSTALL_KEY}" "SaverBits" $saverBits
SectionEnd

Section "Make ondulite the current screen saver" SectionCurrent
  ; As the desktop's Install verb does: the short path, and saving on. The
  ; 95, 98 and Me family reads the path from SYSTEM.INI.
  ${If} ${IsNT}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" $saverShort
  ${Else}
    WriteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE" $saverShort
    FlushINI "$WINDIR\system.ini"
  ${EndIf}
  WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  DetailPrint "ondulite is the current screen saver"
SectionEnd

Function .onInit
  !insertmacro RequireAdministrator
  !insertmacro ChooseSaver
  ; The space needed is the one saver's, not both.
  ${If} $saverBits == 64
    SectionSetSize ${SectionSaver} ${SIZE64}
  ${Else}
    SectionSetSize ${SectionSaver} ${SIZE32}
  ${EndIf}
  ; In silent mode the current screen saver is changed only when asked:
  ; the elevated account's settings need not be the user's.
  ${If} ${Silent}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/CURRENT" $1
    ${If} ${Errors}
      SectionSetFlags ${SectionCurrent} 0
    ${EndIf}
  ${EndIf}
FunctionEnd

Function OpenSaverSettings
  ${If} ${AtLeastWinVista}
    Exec '"$SYSDIR\control.exe" desk.cpl,,@screensaver'
  ${Else}
    ; The Screen Saver tab of the display properties.
    Exec 'rundll32.exe shell32.dll,Control_RunDLL desk.cpl,,1'
  ${EndIf}
FunctionEnd

Function un.onInit
  !insertmacro RequireAdministrator
FunctionEnd

; Whether TEXT (the desktop's SCRNSAVE.EXE) names the installed saver, by
; its long or short path. Pushes 1 or 0.
Function un.NamesOndulite
  Exch $0  ; the text
  Push $1
  StrCpy $1 0
  ${If} $0 != ""
    ${If} $0 == $saverPath  ; StrCmp ignores case, as the file system does
    ${OrIf} $0 == $saverShort
      StrCpy $1 1
    ${EndIf}
  ${EndIf}
  StrCpy $0 $1
  Pop $1
  Exch $0
FunctionEnd

Section "Uninstall"
  ReadRegStr $saverPath HKLM "${UNINSTALL_KEY}" "SaverPath"
  ReadRegStr $saverBits HKLM "${UNINSTALL_KEY}" "SaverBits"
  ${If} $saverPath == ""
    StrCpy $saverPath "$SYSDIR\ondulite.scr"
  ${EndIf}
  ${If} $saverBits == 64
    ${DisableX64FSRedirection}
  ${EndIf}
  GetFullPathName /SHORT $saverShort $saverPath
  Delete $saverPath
  ${If} ${FileExists} $saverPath
    ${EnableX64FSRedirection}
    MessageBox MB_OK|MB_ICONSTOP "$saverPath is in use: the screen saver runs, or its settings show its preview.$\r$\n$\r$\nEnd it and uninstall again. Nothing was removed." /SD IDOK
    SetErrorLevel 2
    Quit
  ${EndIf}
  ${EnableX64FSRedirection}

  ; The current screen saver is reset only while it is still ondulite.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  Push $0
  Call un.NamesOndulite
  Pop $1
  ${If} $1 == 1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  ${EndIf}
  ${IfNot} ${IsNT}
    ReadINIStr $0 "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE"
    Push $0
    Call un.NamesOndulite
    Pop $1
    ${If} $1 == 1
      DeleteINIStr "$WINDIR\system.ini" "boot" "SCRNSAVE.EXE"
      FlushINI "$WINDIR\system.ini"
    ${EndIf}
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  Delete "$INSTDIR\uninstall.exe"
  RMDir $INSTDIR
SectionEnd
