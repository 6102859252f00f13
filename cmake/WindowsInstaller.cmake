# SPDX-License-Identifier: Apache-2.0
# Builds a Windows Installer package (.msi) with wixl from the registrars'
# folder that WindowsPackage.cmake made, after the source
# cmake/package/windows/naaccr150.wxs.
#   cmake -DFOLDER=<registrars' folder> -DVERSION=<x.y.z> -DARCH=<x64|x86>
#         -DICON=<quillmar150.ico> -DOUTPUT=<.msi> [-DWIXL=<wixl>]
#         -P WindowsInstaller.cmake
# cstage.exe goes in when the folder holds it. The test of the installers
# builds a newer package of the same folder through this script too.
foreach(v FOLDER VERSION ARCH ICON OUTPUT)
  if(NOT DEFINED ${v})
    message(FATAL_ERROR "WindowsInstaller.cmake needs -D${v}=")
  endif()
endforeach()
if(NOT DEFINED WIXL)
  find_program(WIXL wixl)
  if(NOT WIXL)
    message(FATAL_ERROR "wixl (Debian package wixl) is needed to build the Windows Installer package")
  endif()
endif()
if(NOT VERSION MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+$")
  # The Windows Installer compares the first three numbers only.
  message(FATAL_ERROR "The package version must be three numbers, not ${VERSION}")
endif()

# wixl takes its files by paths relative to where it runs: it runs in a
# folder of its own holding a copy of the registrars' folder and the icon.
get_filename_component(output ${OUTPUT} ABSOLUTE)
get_filename_component(folder ${FOLDER} ABSOLUTE)
set(work ${output}.files)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})
file(COPY ${folder}/ DESTINATION ${work}/files)
file(COPY ${ICON} DESTINATION ${work})
get_filename_component(icon_name ${ICON} NAME)

string(REGEX REPLACE "^([0-9]+\\.[0-9]+)\\.([0-9]+)$" "\\1" major_minor ${VERSION})
string(REGEX REPLACE "^[0-9]+\\.[0-9]+\\.([0-9]+)$" "\\1" patch ${VERSION})
math(EXPR next_patch "${patch} + 1")
set(defines -D Version=${VERSION} -D NextVersion=${major_minor}.${next_patch} -D Arch=${ARCH}
            -D PackageDir=files -D IconFile=${icon_name})
if(EXISTS ${folder}/cstage.exe)
  list(APPEND defines -D WithCstage=1)
endif()
file(REMOVE ${output})
execute_process(
  COMMAND ${WIXL} --arch ${ARCH} ${defines} -o ${output} ${CMAKE_CURRENT_LIST_DIR}/package/windows/naaccr150.wxs
  WORKING_DIRECTORY ${work}
  RESULT_VARIABLE rc
  ERROR_VARIABLE errors)
file(REMOVE_RECURSE ${work})
# wixl can go on after a warning about an element it does not know: any
# warning fails the build, since it means a part of the package left out.
if(NOT rc EQUAL 0 OR errors MATCHES "WARNING|CRITICAL|ERROR" OR NOT EXISTS ${output})
  message(FATAL_ERROR "wixl failed (exit ${rc}):\n${errors}")
endif()
message(STATUS "Windows Installer package: ${output}")
