; The peer installer of bench/installer/run.sh: the smallest script that does what
; Tellivox does on its road, so that the two can be timed side by side. It extracts the
; release (zlib, one stream per file) into a folder of the temporary folder and starts
; setup.exe there without waiting for it. The benchmark runs it with /S (no pages); its
; whole-file check at start (CRCCheck, on by default) stays on.
; makensis -DRELEASE=<folder> -DOUTFILE=<installer> [-DTARGET=amd64-unicode] peer.nsi
!ifdef TARGET
Target ${TARGET}
!endif
Unicode true
SetCompressor zlib
CRCCheck on
Name "Quorvane"
OutFile "${OUTFILE}"
InstallDir "$TEMP\nsis-peer"
RequestExecutionLevel user

Section
  SetOutPath "$INSTDIR"
  File /r "${RELEASE}\*"
  Exec '"$INSTDIR\setup.exe"'
SectionEnd
