# Runs qx_add_resources on bad argument lists and checks that each one stops the
# configuration with its reason, before any target is made. Run with cmake -P.
set(cases
  "TARGET t ENTRY TYPE BIN NAME 70000 FILE a.bin|does not fit in 16 bits"
  "TARGET t ENTRY TYPE BIN NAME 1 FILE a.bin ENTRY TYPE bin NAME 1 FILE b.bin|given twice"
  "TARGET t ENTRY TYPE BIN NAME 1|needs TYPE, NAME and FILE"
  "TARGET t ENTRY TYPE BIN FILE a.bin ENTRY TYPE BIN NAME 2 FILE b.bin|needs TYPE, NAME and FILE"
  "TARGET t TYPE BIN NAME 1 FILE a.bin|outside an ENTRY"
  "TARGET t|no ENTRY given"
  "ENTRY TYPE BIN NAME 1 FILE a.bin|TARGET is required"
  "TARGET t ENTRY TYPE BIN NAME 1 FILE a.bin SIZE 3|unexpected argument")
set(work "${CMAKE_CURRENT_BINARY_DIR}/embed_resources_errors")
file(MAKE_DIRECTORY "${work}")
set(failures 0)
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 call)
  list(GET parts 1 expected)
  file(WRITE "${work}/case.cmake"
    "cmake_minimum_required(VERSION 3.25)\n"
    "set(CMAKE_CURRENT_SOURCE_DIR \"${work}\")\n"
    "set(CMAKE_CURRENT_BINARY_DIR \"${work}\")\n"
    "include(\"${EMBED_SCRIPT}\")\n"
    "qx_add_resources(${call})\n")
  execute_process(COMMAND "${CMAKE_COMMAND}" -P "${work}/case.cmake"
    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  if(rc EQUAL 0 OR NOT err MATCHES "${expected}")
    message(SEND_ERROR "qx_add_resources(${call}): expected an error with '${expected}', got rc ${rc}:\n${err}")
  endif()
endforeach()
