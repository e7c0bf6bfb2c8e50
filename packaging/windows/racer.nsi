; The game's installer for Windows, made by scripts/windows with NSIS:
;   makensis -DVERSION=1.0.0 -DSTAGE=FOLDER -DOUTFILE=racer-1.0.0-setup.exe racer.nsi
; FOLDER holds what `cmake --install` put there for Windows. The installer puts it under
; Program Files\racer, adds a Start-menu shortcut that starts the game in that folder
; (where it finds Data\Textures\Car.bmp), and registers an uninstaller with Windows' list
; of installed programs. "/S" installs, and uninstalls, without a question. The uninstaller
; removes exactly the files it installed, and each folder once it is empty.

; A 64-bit installer for the 64-bit game: it runs wherever the game does.
Target amd64-unicode
SetCompressor /SOLID lzma
; The installer holds no file times, so that the same files make the same installer (the
; installed files take the time of the installation).
SetDateSave off
!include "MUI2.nsh"

Name "racer ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\racer"
RequestExecutionLevel admin
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\racer"
!define MUI_ICON "${STAGE}\..\racer.ico"
!define MUI_UNICON "${STAGE}\..\racer.ico"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Every file of ours, once: the install copies each, the uninstall deletes each.
!macro EachFile Do
  !insertmacro ${Do} "racer.exe"
  !insertmacro ${Do} "car_trace.exe"
  !insertmacro ${Do} "car_record.exe"
  !insertmacro ${Do} "car_play.exe"
  !insertmacro ${Do} "Data\Textures\Car.bmp"
  !insertmacro ${Do} "README.txt"
  !insertmacro ${Do} "LICENSE.txt"
  !insertmacro ${Do} "ALLEGRO-LICENSE.txt"
!macroend
!macro InstallFile Path
  File "/oname=$INSTDIR\${Path}" "${STAGE}\${Path}"
!macroend
!macro RemoveFile Path
  Delete "$INSTDIR\${Path}"
!macroend

Function .onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Function un.onInit
  SetRegView 64
  SetShellVarContext all
FunctionEnd

Section "racer"
  CreateDirectory "$INSTDIR\Data\Textures"
  !insertmacro EachFile InstallFile
  WriteUninstaller "$INSTDIR\uninstall.exe"
  ; A shortcut's working folder is the output path when it is made.
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMPROGRAMS\racer.lnk" "$INSTDIR\racer.exe" "" "$INSTDIR\racer.exe" 0
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "racer"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "the racer authors"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\racer.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Delete "$SMPROGRAMS\racer.lnk"
  !insertmacro EachFile RemoveFile
  Delete "$INSTDIR\uninstall.exe"
  ; Only folders left empty: a drive the player recorded here stays, with its folder.
  RMDir "$INSTDIR\Data\Textures"
  RMDir "$INSTDIR\Data"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
