; The Tarvix setup program, built by scripts/windows.sh:
;   makensis -DVERSION=v -DSOURCE=dist/windows/Tarvix -DOUTFILE=dist/Tarvix-v-setup.exe tarvix.nsi
; Installs the folder under Program Files with a Start-menu entry whose working directory is
; Documents\Tarvix, where the program keeps mem.ini, tp.ini, prof.ini, parameter files and
; reports. The uninstaller removes what was installed, by name, and never that folder.
; A 64-bit setup program for a 64-bit program: it runs where Tarvix runs, and it sees the
; 64-bit Program Files and registry without redirection.
Target amd64-unicode
!include "MUI2.nsh"

Name "Tarvix ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tarvix"
InstallDirRegKey HKLM "Software\Tarvix" "InstallDir"
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvix"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Russian"

Section "Tarvix"
  SetOutPath "$INSTDIR"
  File "${SOURCE}\*.exe"
  File "${SOURCE}\*.dll"
  File "${SOURCE}\qt.conf"
  SetOutPath "$INSTDIR\plugins\platforms"
  File "${SOURCE}\plugins\platforms\*.dll"
  SetOutPath "$INSTDIR\plugins\styles"
  File "${SOURCE}\plugins\styles\*.dll"
  SetOutPath "$INSTDIR\translations"
  File "${SOURCE}\translations\*.qm"

  ; The shortcut starts the program in the user's folder: its settings and files live there.
  CreateDirectory "$DOCUMENTS\Tarvix"
  SetOutPath "$DOCUMENTS\Tarvix"
  CreateShortCut "$SMPROGRAMS\Tarvix.lnk" "$INSTDIR\tarvix.exe"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "Software\Tarvix" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tarvix"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tarvix"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only the installed files, by name: a settings or parameter file someone saved into the
; program's folder stays, and so does the folder then.
Section "Uninstall"
  Delete "$SMPROGRAMS\Tarvix.lnk"
  Delete "$INSTDIR\tarvix.exe"
  Delete "$INSTDIR\tarvix-cli.exe"
  Delete "$INSTDIR\*.dll"
  Delete "$INSTDIR\qt.conf"
  Delete "$INSTDIR\plugins\platforms\*.dll"
  Delete "$INSTDIR\plugins\styles\*.dll"
  Delete "$INSTDIR\translations\*.qm"
  RMDir "$INSTDIR\plugins\platforms"
  RMDir "$INSTDIR\plugins\styles"
  RMDir "$INSTDIR\plugins"
  RMDir "$INSTDIR\translations"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "Software\Tarvix"
SectionEnd
