; The Pellix installer: Pellix.exe (32-bit, as most TWAIN drivers are), the
; user guide, and the "Pellix to here" extension in every bitness the
; system runs. Per machine, into C:\Program Files\Orvane\Pellix on 32-bit
; and 64-bit Windows alike (where the extension looks by default).
;
; makensis -DDIST=<dist folder> -DICON=<icon file> -DOUTFILE=<setup exe> Pellix.nsi
; Silent: PellixSetup.exe /S, uninstall: Uninstall.exe /S.

Unicode true
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include "LogicLib.nsh"
!include "x64.nsh"
!include "MUI2.nsh"
!include "FileFunc.nsh"

!ifndef DIST
  !error "DIST must name the dist folder"
!endif
!ifndef ICON
  !error "ICON must name the program's icon file"
!endif
!ifndef OUTFILE
  !define OUTFILE "${DIST}\PellixSetup.exe"
!endif

!define PRODUCT "Pellix"
!define MAKER "Orvane"
!define VERSION "1.0.0"
!define CLSID "{D380CB24-8FDB-42EA-8853-6BC23D7A011C}"
!define EXT_KEY "Software\${MAKER}\PellixExt"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define MENU_NAME "Pellix"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${MAKER}\${PRODUCT}"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "1.0.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${MAKER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "MIT License"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_LICENSE "${DIST}\x86\LICENSE"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ; The same folder on 64-bit Windows, not Program Files (x86).
  ${If} ${RunningX64}
    StrCpy $INSTDIR "$PROGRAMFILES64\${MAKER}\${PRODUCT}"
  ${EndIf}
FunctionEnd

Function un.onInit
  ${If} ${RunningX64}
    StrCpy $INSTDIR "$PROGRAMFILES64\${MAKER}\${PRODUCT}"
  ${EndIf}
FunctionEnd

; Registers (or with /u unregisters) a build of the extension through its
; own DllRegisterServer, run by the regsvr32 of its own bitness.
!macro RunRegsvr32 REGSVR32 ARGS DLL
  ExecWait '"${REGSVR32}" /s ${ARGS} "${DLL}"' $0
  ${If} $0 != 0
    DetailPrint "regsvr32 ${ARGS} ${DLL} answered $0"
  ${EndIf}
!macroend

; The folder and folder-background menu entries and the program's path, in
; the registry view selected before.
!macro WriteExtensionKeys
  WriteRegStr HKLM "${EXT_KEY}" "AppToStart" "$INSTDIR\Pellix.exe"
  WriteRegStr HKCR "Directory\shellex\ContextMenuHandlers\${MENU_NAME}" "" "${CLSID}"
  WriteRegStr HKCR "Directory\Background\shellex\ContextMenuHandlers\${MENU_NAME}" "" "${CLSID}"
!macroend

!macro DeleteExtensionKeys
  DeleteRegValue HKLM "${EXT_KEY}" "AppToStart"
  DeleteRegKey /ifempty HKLM "${EXT_KEY}"
  DeleteRegKey /ifempty HKLM "Software\${MAKER}"
  DeleteRegKey HKCR "Directory\shellex\ContextMenuHandlers\${MENU_NAME}"
  DeleteRegKey HKCR "Directory\Background\shellex\ContextMenuHandlers\${MENU_NAME}"
  ; Their parents go too when nothing else uses them.
  DeleteRegKey /ifempty HKCR "Directory\Background\shellex\ContextMenuHandlers"
  DeleteRegKey /ifempty HKCR "Directory\Background\shellex"
  DeleteRegKey /ifempty HKCR "Directory\Background"
  DeleteRegKey /ifempty HKCR "Directory\shellex\ContextMenuHandlers"
  DeleteRegKey /ifempty HKCR "Directory\shellex"
  DeleteRegKey /ifempty HKCR "Directory"
!macroend

Section "Pellix" SecProgram
  SectionIn RO
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  File "${DIST}\x86\Pellix.exe"
  File "${DIST}\Pellix.pdf"
  File "${DIST}\x86\LICENSE"
  File "${DIST}\x86\THIRD-PARTY-NOTICES.txt"

  ; The settings file with its defaults, kept when it is there already;
  ; ordinary users may change it, so the Options dialog can save.
  ${IfNot} ${FileExists} "$INSTDIR\Pellix.ini"
    FileOpen $0 "$INSTDIR\Pellix.ini" w
    FileWrite $0 "[Quality]$\r$\nJPGQuality=90$\r$\nAskForFilename=False$\r$\n"
    FileWrite $0 "FilenameUseDate=False$\r$\nFilenameUseFolder=False$\r$\n"
    FileWrite $0 "[Application]$\r$\nExecutable=$INSTDIR\Pellix.exe$\r$\n"
    FileClose $0
  ${EndIf}
  nsExec::Exec '"$SYSDIR\icacls.exe" "$INSTDIR\Pellix.ini" /grant *S-1-5-32-545:(M)'
  Pop $0

  ; The extension: the 64-bit build for Explorer on 64-bit Windows, the
  ; 32-bit build for 32-bit programs' file dialogs (and 32-bit Windows).
  ${If} ${RunningX64}
    SetOutPath "$INSTDIR\x86"
    File "${DIST}\x86\PellixExt.dll"
    SetOutPath "$INSTDIR"
    File "${DIST}\x64\PellixExt.dll"
    ${DisableX64FSRedirection}
    !insertmacro RunRegsvr32 "$WINDIR\System32\regsvr32.exe" "" "$INSTDIR\PellixExt.dll"
    ${EnableX64FSRedirection}
    !insertmacro RunRegsvr32 "$WINDIR\SysWOW64\regsvr32.exe" "" "$INSTDIR\x86\PellixExt.dll"
    SetRegView 64
    !insertmacro WriteExtensionKeys
    SetRegView 32
    !insertmacro WriteExtensionKeys
    SetRegView default
  ${Else}
    File "${DIST}\x86\PellixExt.dll"
    !insertmacro RunRegsvr32 "$SYSDIR\regsvr32.exe" "" "$INSTDIR\PellixExt.dll"
    !insertmacro WriteExtensionKeys
  ${EndIf}

  CreateShortcut "$SMPROGRAMS\Pellix.lnk" "$INSTDIR\Pellix.exe"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${If} ${RunningX64}
    SetRegView 64
  ${EndIf}
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${MAKER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Pellix.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  SetRegView default
SectionEnd

; For trying Pellix without a scanner. TWAIN finds any source below the
; system's twain_32 folder.
Section /o "Pellix Virtual Scanner" SecScanner
  SetOutPath "$WINDIR\twain_32\${MAKER}"
  File "${DIST}\x86\PellixVirtualScanner.ds"
SectionEnd

Section "Uninstall"
  SetShellVarContext all
  ${If} ${RunningX64}
    ${DisableX64FSRedirection}
    !insertmacro RunRegsvr32 "$WINDIR\System32\regsvr32.exe" "/u" "$INSTDIR\PellixExt.dll"
    ${EnableX64FSRedirection}
    !insertmacro RunRegsvr32 "$WINDIR\SysWOW64\regsvr32.exe" "/u" "$INSTDIR\x86\PellixExt.dll"
    SetRegView 64
    !insertmacro DeleteExtensionKeys
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    SetRegView 32
    !insertmacro DeleteExtensionKeys
    SetRegView default
  ${Else}
    !insertmacro RunRegsvr32 "$SYSDIR\regsvr32.exe" "/u" "$INSTDIR\PellixExt.dll"
    !insertmacro DeleteExtensionKeys
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${EndIf}

  Delete "$SMPROGRAMS\Pellix.lnk"
  Delete "$WINDIR\twain_32\${MAKER}\PellixVirtualScanner.ds"
  RMDir "$WINDIR\twain_32\${MAKER}"
  Delete "$INSTDIR\Pellix.exe"
  Delete "$INSTDIR\Pellix.pdf"
  Delete "$INSTDIR\Pellix.ini"
  Delete "$INSTDIR\LICENSE"
  Delete "$INSTDIR\THIRD-PARTY-NOTICES.txt"
  ; Explorer may hold the extension: then it goes at the next start.
  Delete /REBOOTOK "$INSTDIR\PellixExt.dll"
  Delete /REBOOTOK "$INSTDIR\x86\PellixExt.dll"
  RMDir "$INSTDIR\x86"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  ${GetParent} "$INSTDIR" $0
  RMDir "$0"
SectionEnd
