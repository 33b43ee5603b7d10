; The Tarvonel installer. Built by scripts/package with makensis, which passes
; VERSION, TARGET (x86-unicode or amd64-unicode), EXE (the program to install), README and OUTFILE.
Unicode true
Target ${TARGET}
!include x64.nsh
Name "Tarvonel ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
!if "${TARGET}" == "amd64-unicode"
  InstallDir "$PROGRAMFILES64\Tarvonel"
!else
  InstallDir "$PROGRAMFILES\Tarvonel"
!endif
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvonel"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "Tarvonel"
VIAddVersionKey "FileDescription" "Tarvonel ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
!if "${TARGET}" == "amd64-unicode"
  SetRegView 64
!endif
FunctionEnd

Function un.onInit
!if "${TARGET}" == "amd64-unicode"
  SetRegView 64
!endif
FunctionEnd

Section "Tarvonel"
  SetOutPath "$INSTDIR"
  File "/oname=Tarvonel.exe" "${EXE}"
  File "/oname=README.txt" "${README}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  SetShellVarContext all
  CreateDirectory "$SMPROGRAMS\Tarvonel"
  CreateShortCut "$SMPROGRAMS\Tarvonel\Tarvonel.lnk" "$INSTDIR\Tarvonel.exe"
  CreateShortCut "$SMPROGRAMS\Tarvonel\Uninstall Tarvonel.lnk" "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Tarvonel ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tarvonel"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Tarvonel.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; The verbs would start a program that is gone; a silent uninstall removes them too.
  MessageBox MB_YESNO|MB_ICONQUESTION "Also remove the Tarvonel items from the Explorer context menus of folders and drives?" /SD IDYES IDNO keepVerbs
    ; The program writes its verbs in the registry view 64-bit Explorer reads, which is not the
    ; 32-bit uninstaller's own view on XP x64, Server 2003, Vista and Server 2008.
    ${If} ${RunningX64}
      SetRegView 64
    ${EndIf}
    DeleteRegKey HKCR "Directory\shell\Tarvonel Defrag"
    DeleteRegKey HKCR "Directory\shell\Tarvonel Defrag Background"
    DeleteRegKey HKCR "Drive\shell\Tarvonel Defrag"
    DeleteRegKey HKCR "Drive\shell\Tarvonel Defrag Background"
    DeleteRegKey HKCR "Drive\shell\Tarvonel Optimize"
    DeleteRegKey HKCR "Drive\shell\Tarvonel Optimize Shutdown"
!if "${TARGET}" != "amd64-unicode"
    SetRegView 32  ; the 32-bit program's uninstall entry lies in its own view
!endif
  keepVerbs:
  SetShellVarContext all
  Delete "$SMPROGRAMS\Tarvonel\Tarvonel.lnk"
  Delete "$SMPROGRAMS\Tarvonel\Uninstall Tarvonel.lnk"
  RMDir "$SMPROGRAMS\Tarvonel"
  Delete "$INSTDIR\Tarvonel.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
