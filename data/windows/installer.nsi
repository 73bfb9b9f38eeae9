; The Fernhollow installer: puts Fernhollow.scr where Windows looks for screen savers (the system
; folder), so the Screen Saver settings list it, and registers an uninstaller.
; makensis -DSAVER=<path of Fernhollow.scr> -DOUTFILE=<installer> -DVERSION=<x.y.z.w> installer.nsi
Unicode true
Target amd64-unicode
!include "x64.nsh"
!include "FileFunc.nsh"

Name "Fernhollow Screensaver"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Fernhollow"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
ShowInstDetails show

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Fernhollow"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "Fernhollow"
  SetRegView 64
  ; Installed before somewhere else: that uninstaller and its folder, and the folder above it, go when
  ; they are left empty (the uninstall key below is rewritten for this folder).
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "UninstallString"
  StrCmp $0 "" earlier_done
  StrCpy $1 $0 1
  StrCmp $1 '"' 0 +3
    StrCpy $0 $0 "" 1
    StrCpy $0 $0 -1
  StrCmp $0 "$INSTDIR\Uninstall.exe" earlier_done
  IfFileExists "$0" 0 earlier_done
  ${GetFileName} "$0" $1
  StrCmp $1 "Uninstall.exe" 0 earlier_done
  Delete "$0"
  ${GetParent} "$0" $1
  RMDir "$1"
  ${GetParent} "$1" $1
  RMDir "$1"
earlier_done:
  SetOutPath "$SYSDIR"
  File "/oname=Fernhollow.scr" "${SAVER}"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Fernhollow Screensaver"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tallowmere Studios"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetRegView 64
  ; A saver that is no longer there must not stay chosen.
  ReadRegStr $0 HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  StrCmp $0 "$SYSDIR\Fernhollow.scr" 0 +2
    DeleteRegValue HKCU "Control Panel\Desktop" "SCRNSAVE.EXE"
  Delete "$SYSDIR\Fernhollow.scr"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
