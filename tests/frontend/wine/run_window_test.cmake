# SPDX-License-Identifier: Apache-2.0
# The runner as the dialog starts it, under Wine with a virtual X display:
# its progress window, Cancel, a second run on the same input, and the
# closing message box.
if(NOT TARGET tarvos)
  return()
endif()

add_executable(tarvos_run_window_driver wine/run_window_driver.cpp wine/window_automation.cpp)
target_link_libraries(tarvos_run_window_driver PRIVATE naaccr_system gdi32 advapi32 comctl32)

find_program(QUILLMAR_XVFB_RUN xvfb-run)
if(NAACCR_WINE_TESTS AND QUILLMAR_XVFB_RUN)
  add_test(NAME quillmar150_runner_window
    COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/wine/run_window_test.sh ${NAACCR_WINE_RUN}
            $<TARGET_FILE:tarvos_run_window_driver> $<TARGET_FILE:tarvos> ${CMAKE_CURRENT_BINARY_DIR}/runner-window-work)
  set_tests_properties(quillmar150_runner_window PROPERTIES FIXTURES_REQUIRED naaccr_wine LABELS windows TIMEOUT 300
    # Alone: a first window under a busy Wine server can miss its deadline.
    RUN_SERIAL TRUE)
elseif(NAACCR_WINE_TESTS)
  message(WARNING "xvfb-run (Debian package xvfb) not found: the runner's window test is left out")
endif()
