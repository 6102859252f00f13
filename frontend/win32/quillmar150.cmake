# SPDX-License-Identifier: Apache-2.0
# quillmar150.exe and its help file (Windows builds only). The program links
# the file-information library at build time; the conversion library's
# information block is bound by ordinal when the program starts.
if(NOT TARGET morvelio)
  message(STATUS "quillmar150 needs the morvelio library target; the dialog program is not built")
  return()
endif()

add_executable(quillmar150 WIN32
  win32/main.cpp
  win32/win32_checks.cpp
  win32/win32_files.cpp
  win32/win32_help.cpp
  win32/win32_view.cpp
  quillmar150.rc)
target_include_directories(quillmar150 PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/win32)
target_compile_definitions(quillmar150 PRIVATE WIN32_LEAN_AND_MEAN NOMINMAX)
target_link_libraries(quillmar150 PRIVATE quillmar_controller morvelio naaccr_system comctl32 comdlg32 advapi32)
naaccr_windows_manifest(quillmar150)
set_source_files_properties(quillmar150.rc PROPERTIES OBJECT_DEPENDS
  "${CMAKE_CURRENT_SOURCE_DIR}/resource.h;${CMAKE_CURRENT_SOURCE_DIR}/quillmar150.bmp;${CMAKE_CURRENT_SOURCE_DIR}/quillmar150.ico")
# The dialog reads the conversion library's block at start; build it along.
if(TARGET vexlin150)
  add_dependencies(quillmar150 vexlin150)
endif()

# The help file, compiled from the pages in help/ and placed beside the program.
find_program(QUILLMAR_CHMCMD chmcmd)
if(QUILLMAR_CHMCMD)
  set(help_pages index.html files.html stages.html stage_problems.html reports.html review.html help.css toc.hhc quillmar150.hhp)
  set(help_sources "")
  set(help_copies "")
  foreach(page ${help_pages})
    list(APPEND help_sources ${CMAKE_CURRENT_SOURCE_DIR}/help/${page})
    list(APPEND help_copies ${CMAKE_CURRENT_BINARY_DIR}/help/${page})
  endforeach()
  set(help_file ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/quillmar150.chm)
  add_custom_command(OUTPUT ${help_file}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${help_sources} ${CMAKE_CURRENT_BINARY_DIR}/help
    COMMAND ${QUILLMAR_CHMCMD} quillmar150.hhp
    COMMAND ${CMAKE_COMMAND} -E copy quillmar150.chm ${help_file}
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/help
    DEPENDS ${help_sources}
    COMMENT "Compiling the help file quillmar150.chm"
    VERBATIM)
  file(MAKE_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/help)
  add_custom_target(quillmar150_help ALL DEPENDS ${help_file})
  add_dependencies(quillmar150 quillmar150_help)
  install(FILES ${help_file} DESTINATION bin)
else()
  message(WARNING "chmcmd (Debian package fp-utils) not found: quillmar150.chm is not built")
endif()
install(TARGETS quillmar150 RUNTIME DESTINATION bin)
