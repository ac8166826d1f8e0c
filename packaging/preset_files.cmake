# Writes the setup program's lines for the factory presets: one KelvaneFile
# line for each .plg that make_presets wrote, so that the uninstaller removes
# exactly those and leaves presets a user saved into the same folder alone.
# usage: cmake -DPRESETS=<folder> -DOUT=<file.nsh> -P preset_files.cmake
file(GLOB presets RELATIVE ${PRESETS} ${PRESETS}/*.plg)
list(SORT presets)
set(lines "; Made at build time from the factory presets' folder.\n")
foreach(preset ${presets})
  string(APPEND lines "!insertmacro KelvaneFile \"\${PRESETS_FOLDER}\" \"${preset}\"\n")
endforeach()
file(WRITE ${OUT} "${lines}")
