; What the setup program puts into the host's folder, and so exactly what its
; uninstaller takes away again. setup.nsi includes this list twice, once with
; macros that install and once with macros that remove.
;
; KelvaneFolder FOLDER      a folder the setup program creates when it is not
;                           there yet; the uninstaller removes it only if the
;                           setup program created it and it is empty by then.
;                           Deepest folders first: they are removed in this order.
; KelvaneFile FOLDER NAME   a file of the package (the zip's layout, relative to
;                           the host's folder); FOLDER is "" for the host's
;                           folder itself and must be listed as a KelvaneFolder.
!insertmacro KelvaneFolder "${PRESETS_FOLDER}"
!insertmacro KelvaneFolder "quellmarsh\Kelvane"
!insertmacro KelvaneFolder "quellmarsh"

!insertmacro KelvaneFile "" "KelvaneFx.dll"
!insertmacro KelvaneFile "quellmarsh\Kelvane" "Kelvane.chm"
!include "${PRESET_FILES}"
