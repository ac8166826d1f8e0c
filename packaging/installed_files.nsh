; What the setup program puts into the host's folder. setup.nsi includes this
; list several times, with macros that check, install, record, or remove. The
; installation records each file and each folder it created under its
; uninstall entry, so that the uninstaller also removes what an earlier
; version installed and this list no longer holds.
;
; KelvaneFolder FOLDER      a folder the setup program creates when it is not
;                           there yet; the uninstaller removes it only if the
;                           setup program created it and it is empty by then.
; KelvaneFile FOLDER NAME   a file of the package (the zip's layout, relative to
;                           the host's folder); FOLDER is "" for the host's
;                           folder itself and must be listed as a KelvaneFolder.
!insertmacro KelvaneFolder "${PRESETS_FOLDER}"
!insertmacro KelvaneFolder "quellmarsh\Kelvane"
!insertmacro KelvaneFolder "quellmarsh"

!insertmacro KelvaneFile "" "KelvaneFx.dll"
!insertmacro KelvaneFile "quellmarsh\Kelvane" "Kelvane.chm"
!include "${PRESET_FILES}"
