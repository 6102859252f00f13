# SPDX-License-Identifier: Apache-2.0
# The dialog under Wine with a virtual X display: a driver program works
# quillmar150.exe as a user would, with a stand-in runner that records its
# command line.
if(NOT TARGET quillmar150)
  return()
endif()

add_executable(quillmar_gui_driver wine/gui_driver.cpp wine/window_automation.cpp)
target_include_directories(quillmar_gui_driver PRIVATE ${PROJECT_SOURCE_DIR}/frontend)
target_link_libraries(quillmar_gui_driver PRIVATE naaccr_system gdi32 advapi32)

add_executable(quillmar_tarvos_recorder wine/tarvos_recorder.cpp)
target_link_libraries(quillmar_tarvos_recorder PRIVATE naaccr_system)
set_target_properties(quillmar_tarvos_recorder PROPERTIES
  OUTPUT_NAME tarvos RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/recorder)

find_program(QUILLMAR_XVFB_RUN xvfb-run)
if(NAACCR_WINE_TESTS AND QUILLMAR_XVFB_RUN)
  add_test(NAME quillmar150_dialog
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/wine/run_gui_test.sh ${NAACCR_WINE_RUN}
            $<TARGET_FILE:quillmar_gui_driver> $<TARGET_FILE:quillmar150> $<TARGET_FILE:quillmar_tarvos_recorder>
            ${CMAKE_CURRENT_BINARY_DIR}/gui-work)
  set_tests_properties(quillmar150_dialog PROPERTIES FIXTURES_REQUIRED naaccr_wine LABELS windows TIMEOUT 300
    # Alone: a first window under a busy Wine server can miss its deadline.
    RUN_SERIAL TRUE)
elseif(NAACCR_WINE_TESTS)
  message(WARNING "xvfb-run (Debian package xvfb) not found: the dialog test is left out")
endif()
