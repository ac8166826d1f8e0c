# Compiles Kelvane.chm and checks it. Run with cmake -P and
#   CHMCMD, CHMLS (may be empty), SOURCE_DIR, STAGE_DIR, TABLES_DIR, OUTPUT.
# chmcmd writes its output next to the project, so the project is copied into
# STAGE_DIR first and compiled there; the source folder stays clean.
#
# The build fails when chmcmd fails or reports any error or warning (a broken
# link or anchor, a missing page), when the result is not a compiled HTML help
# file (ITSF signature), or when chmls lists a page of the project as missing.

cmake_minimum_required(VERSION 3.20)
include("${CMAKE_CURRENT_LIST_DIR}/help_project.cmake")

set(hhp "${SOURCE_DIR}/Kelvane.hhp")
kelvane_help_read_project("${hhp}" compiled files)

file(REMOVE_RECURSE "${STAGE_DIR}")
file(MAKE_DIRECTORY "${STAGE_DIR}")
set(staged Kelvane.hhp Kelvane.hhc Kelvane.hhk ${files})
foreach(f IN LISTS staged)
  if(NOT EXISTS "${SOURCE_DIR}/${f}")
    message(FATAL_ERROR "help: ${f} is listed in Kelvane.hhp but missing from ${SOURCE_DIR}")
  endif()
  get_filename_component(sub "${f}" DIRECTORY)
  file(COPY "${SOURCE_DIR}/${f}" DESTINATION "${STAGE_DIR}/${sub}")
endforeach()

# Each <!--#insert name--> marker in a staged page becomes the fragment
# TABLES_DIR/name.htm that help_tables computed from the engine.
foreach(f IN LISTS files)
  if(NOT f MATCHES "\\.htm$")
    continue()
  endif()
  file(READ "${STAGE_DIR}/${f}" page)
  string(REGEX MATCHALL "<!--#insert [a-z0-9-]+-->" markers "${page}")
  list(REMOVE_DUPLICATES markers)
  foreach(marker IN LISTS markers)
    string(REGEX REPLACE "<!--#insert ([a-z0-9-]+)-->" "\\1" name "${marker}")
    if(NOT EXISTS "${TABLES_DIR}/${name}.htm")
      message(FATAL_ERROR "help: ${f} asks for ${name}, which help_tables did not write")
    endif()
    file(READ "${TABLES_DIR}/${name}.htm" fragment)
    string(REPLACE "${marker}" "${fragment}" page "${page}")
  endforeach()
  file(WRITE "${STAGE_DIR}/${f}" "${page}")
endforeach()

execute_process(
  COMMAND "${CHMCMD}" Kelvane.hhp
  WORKING_DIRECTORY "${STAGE_DIR}"
  RESULT_VARIABLE rc
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
set(log "${out}${err}")
string(REPLACE ";" "," log "${log}")
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "help: chmcmd failed (exit ${rc}):\n${log}")
endif()
# chmcmd exits with 0 even when links or anchors are broken; its report says so.
string(REGEX MATCHALL "(Error|Warning)[^\n]*" problems "${log}")
if(problems)
  list(JOIN problems "\n  " problems)
  message(FATAL_ERROR "help: chmcmd reported problems in the pages:\n  ${problems}")
endif()

set(chm "${STAGE_DIR}/${compiled}")
if(NOT EXISTS "${chm}")
  message(FATAL_ERROR "help: chmcmd did not write ${compiled}:\n${log}")
endif()
file(READ "${chm}" magic LIMIT 4 HEX)
if(NOT magic STREQUAL "49545346")
  message(FATAL_ERROR "help: ${compiled} does not start with the ITSF signature (found ${magic})")
endif()

if(CHMLS)
  execute_process(
    COMMAND "${CHMLS}" -p -n list "${chm}"
    RESULT_VARIABLE rc
    OUTPUT_VARIABLE listing
    ERROR_VARIABLE lserr)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "help: chmls cannot read ${compiled}:\n${listing}${lserr}")
  endif()
  string(REGEX MATCHALL "[^\n]+" names "${listing}")
  foreach(f IN ITEMS Kelvane.hhc Kelvane.hhk ${files})
    if(NOT "/${f}" IN_LIST names)
      message(FATAL_ERROR "help: ${compiled} lacks /${f}; its directory holds:\n${listing}")
    endif()
  endforeach()
endif()

get_filename_component(out_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${out_dir}")
configure_file("${chm}" "${OUTPUT}" COPYONLY)
