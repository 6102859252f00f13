# SPDX-License-Identifier: Apache-2.0
# Checks that the shared library exports exactly the functions of the
# module-definition file: no more (a symbol from a library header, say), no
# fewer. Run with -DNM=<nm> -DLIBRARY=<shared library> -DDEF=<.def file>.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE nm_output RESULT_VARIABLE nm_result)
if(NOT nm_result EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()

string(REPLACE "\n" ";" nm_lines "${nm_output}")
set(exported "")
foreach(line IN LISTS nm_lines)
  # "<address> <type> <name>"; absolute symbols (type A) are version nodes.
  if(line MATCHES "^[0-9a-fA-F]+ ([^ ]) ([^ ]+)$" AND NOT CMAKE_MATCH_1 STREQUAL "A")
    list(APPEND exported "${CMAKE_MATCH_2}")
  endif()
endforeach()

file(STRINGS ${DEF} def_lines REGEX "^[ \t]+vexlin150_")
set(expected "")
foreach(line IN LISTS def_lines)
  string(REGEX MATCH "vexlin150_[A-Za-z0-9_]+" name "${line}")
  list(APPEND expected "${name}")
endforeach()

list(SORT exported)
list(SORT expected)
if(NOT exported STREQUAL expected)
  set(extra ${exported})
  list(REMOVE_ITEM extra ${expected})
  set(missing ${expected})
  list(REMOVE_ITEM missing ${exported})
  message(FATAL_ERROR "exports differ from ${DEF}\n  not listed: ${extra}\n  missing: ${missing}")
endif()
list(LENGTH exported count)
message(STATUS "${count} exports, as listed")
