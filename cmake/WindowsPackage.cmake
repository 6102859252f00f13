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
# The licence of the Collaborative Stage tables that cstage0205.dll carries:
# their copyright notice must travel with the binary. Taken as it is, but for
# its line ends.
file(READ ${TABLES_LICENSE} licence)
string(REPLACE "\r\n" "\n" licence "${licence}")
string(REPLACE "\n" "\r\n" licence "${licence}")
file(WRITE ${FOLDER}/LICENSE-CS-tables.txt "${licence}")

file(GLOB contents RELATIVE ${CMAKE_CURRENT_BINARY_DIR} ${FOLDER}/*)
file(ARCHIVE_CREATE OUTPUT ${FOLDER}.zip PATHS ${contents} FORMAT zip)
message(STATUS "Package: ${CMAKE_CURRENT_BINARY_DIR}/${FOLDER} and ${FOLDER}.zip")
