# SPDX-License-Identifier: Apache-2.0
# Settings of the Windows (mingw-w64) builds, included before any target is
# made. Programs cross-built here run under Wine, through a wrapper that gives
# every run the same headless prefix in the build folder.
option(NAACCR_WINE_TESTS "Run the cross-built tests under Wine" ON)
set(NAACCR_WINDOWS_SKIP_TESTS "" CACHE STRING
    "Test executables (;-list) left out of a Windows build, e.g. ones that need POSIX-only calls")

# zlib (Debian's libz-mingw-w64-dev) is linked in, as every runtime library
# is: the programs need no zlib DLL beside them.
set(ZLIB_USE_STATIC_LIBS ON)

set(NAACCR_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(NAACCR_WINE_RUN ${CMAKE_BINARY_DIR}/wine-run.sh)
if(NAACCR_WINE_TESTS AND CMAKE_CROSSCOMPILING)
  # The loader of the build's own architecture, called directly: Debian's
  # "wine" script prefers the 32-bit loader whenever wine32 is installed, and
  # a host that runs 64-bit programs only refuses that loader even for 64-bit
  # Windows programs.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(_naaccr_loader wine64)
  else()
    set(_naaccr_loader wine)
  endif()
  find_program(NAACCR_WINE_LOADER NAMES ${_naaccr_loader} PATHS /usr/lib/wine NO_DEFAULT_PATH)
  find_program(NAACCR_WINE_LOADER NAMES ${_naaccr_loader} wine)
  find_program(NAACCR_WINESERVER wineserver)
  if(NOT NAACCR_WINE_LOADER OR NOT NAACCR_WINESERVER)
    message(FATAL_ERROR "Wine (${_naaccr_loader} and wineserver) is needed for NAACCR_WINE_TESTS")
  endif()
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${NAACCR_WINE_RUN}
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE
                 @ONLY)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${NAACCR_WINE_RUN})
endif()

# naaccr_windows_manifest(TARGET): the program's manifest, which lets it
# take paths past 260 characters where Windows allows them.
function(naaccr_windows_manifest target)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/windows/long-paths.rc)
  set_source_files_properties(${PROJECT_SOURCE_DIR}/cmake/windows/long-paths.rc PROPERTIES
    OBJECT_DEPENDS ${PROJECT_SOURCE_DIR}/cmake/windows/long-paths.manifest)
endfunction()

# The registrars' folder and zip (target windows_package) and the Windows
# Installer package of it (target windows_installer): made once every
# target is known, since the programs are defined after this file is read.
function(naaccr_windows_package_target)
  set(targets vexlin150 cstage0205)
  foreach(t morvelio tarvos cstage quillmar150)
    if(TARGET ${t})
      list(APPEND targets ${t})
    endif()
  endforeach()
  set(files "")
  foreach(t IN LISTS targets)
    list(APPEND files $<TARGET_FILE:${t}>)
  endforeach()
  if(TARGET quillmar150_help)
    # The dialog's help file goes beside the program.
    list(APPEND files ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/quillmar150.chm)
    list(APPEND targets quillmar150_help)
  endif()
  list(JOIN files "$<SEMICOLON>" files)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(arch win64)
  else()
    set(arch win32)
  endif()
  set(package_dir ${CMAKE_BINARY_DIR}/package)
  file(MAKE_DIRECTORY ${package_dir})
  add_custom_target(windows_package
    COMMAND ${CMAKE_COMMAND} -DFILES=${files} -DFOLDER=naaccr150-${PROJECT_VERSION}-${arch}
            -DREADME=${PROJECT_SOURCE_DIR}/cmake/package/README-registrars.txt -DVERSION=${PROJECT_VERSION}
            -DARCH=${arch} -DSTRIP=${CMAKE_STRIP}
            -DTABLES_LICENSE=${PROJECT_SOURCE_DIR}/staging/tables/LICENSE
            -P ${PROJECT_SOURCE_DIR}/cmake/WindowsPackage.cmake
    WORKING_DIRECTORY ${package_dir}
    DEPENDS ${targets} ${PROJECT_SOURCE_DIR}/staging/tables/LICENSE
    COMMENT "Packaging the Windows folder (${arch})"
    VERBATIM)

  # The Windows Installer package (target windows_installer) of that folder.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(msi_arch x64)
  else()
    set(msi_arch x86)
  endif()
  set(icon ${PROJECT_SOURCE_DIR}/frontend/quillmar150.ico)
  set(wxs ${PROJECT_SOURCE_DIR}/cmake/package/windows/naaccr150.wxs)
  add_custom_target(windows_installer
    COMMAND ${CMAKE_COMMAND} -DFOLDER=naaccr150-${PROJECT_VERSION}-${arch} -DVERSION=${PROJECT_VERSION}
            -DARCH=${msi_arch} -DICON=${icon} -DOUTPUT=naaccr150-${PROJECT_VERSION}-${msi_arch}.msi
            -P ${PROJECT_SOURCE_DIR}/cmake/WindowsInstaller.cmake
    WORKING_DIRECTORY ${package_dir}
    DEPENDS ${icon} ${wxs} ${PROJECT_SOURCE_DIR}/cmake/WindowsInstaller.cmake
    COMMENT "Building the Windows Installer package (${msi_arch})"
    VERBATIM)
  add_dependencies(windows_installer windows_package)
endfunction()
cmake_language(DEFER DIRECTORY ${CMAKE_SOURCE_DIR} CALL naaccr_windows_package_target)
