# SPDX-License-Identifier: Apache-2.0
# Builds the registrars' folder and its zip from the cross-built binaries.
#   cmake -DFILES=<;-list> -DFOLDER=<folder name> -DREADME=<template> -DVERSION=<v>
#         -DARCH=<win64|win32> -DSTRIP=<strip program> -DTABLES_LICENSE=<licence>
#         -P WindowsPackage.cmake
# run in the folder that receives FOLDER and FOLDER.zip.
foreach(v FILES FOLDER README VERSION ARCH TABLES_LICENSE)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "WindowsPackage.cmake needs -D${v}=")
  endif()
endforeach()

file(REMOVE_RECURSE ${FOLDER} ${FOLDER}.zip)
file(MAKE_DIRECTORY ${FOLDER})
foreach(f IN LISTS FILES)
  file(COPY ${f} DESTINATION ${FOLDER})
  get_filename_component(name ${f} NAME)
  if(STRIP AND name MATCHES "\\.(dll|exe)$")
    # The copies lose their debug information and local symbols; the build keeps them.
    execute_process(COMMAND ${STRIP} --strip-unneeded ${FOLDER}/${name} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "${STRIP} ${name} failed")
    endif()
  endif()
endforeach()
# A text file for Windows: CR LF line ends.
configure_file(${README} ${FOLDER}/README.txt @ONLY NEWLINE_STYLE CRLF)
# A text file for Windows, taken as it is but for its line ends.
function(copy_with_crlf from to)
  file(READ ${from} text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${to} "${text}")
endfunction()
# The licence of the Collaborative Stage tables that cstage0205.dll carries:
# their copyright notice must travel with the binary.
copy_with_crlf(${TABLES_LICENSE} ${FOLDER}/LICENSE-CS-tables.txt)
# The project's own licence, and its NOTICE, which names the third-party parts
# the binaries carry (SQLite, zlib, the tables).
copy_with_crlf(${CMAKE_CURRENT_LIST_DIR}/../LICENSE ${FOLDER}/LICENSE.txt)
copy_with_crlf(${CMAKE_CURRENT_LIST_DIR}/../NOTICE ${FOLDER}/NOTICE.txt)

file(GLOB contents RELATIVE ${CMAKE_CURRENT_BINARY_DIR} ${FOLDER}/*)
file(ARCHIVE_CREATE OUTPUT ${FOLDER}.zip PATHS ${contents} FORMAT zip)
message(STATUS "Package: ${CMAKE_CURRENT_BINARY_DIR}/${FOLDER} and ${FOLDER}.zip")
