# SPDX-License-Identifier: Apache-2.0
# Test support of the Windows builds: GoogleTest built from Debian's sources
# (package googletest) with the cross compiler, and one CTest test per test
# executable, run under Wine. Listing the cases of every executable at build
# time would start Wine once per executable and case; one run per executable
# keeps the suite fast and gives the same verdict.
set(NAACCR_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the cross build")
if(NOT EXISTS ${NAACCR_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources at ${NAACCR_GOOGLETEST_SOURCE} (Debian package googletest)")
endif()

if(NOT TARGET GTest::gtest)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
  set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
  add_subdirectory(${NAACCR_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/_deps/googletest EXCLUDE_FROM_ALL SYSTEM)
  foreach(_t gtest gtest_main gmock gmock_main)
    target_compile_options(${_t} PRIVATE -w)
    if(NOT TARGET GTest::${_t})
      add_library(GTest::${_t} ALIAS ${_t})
    endif()
  endforeach()
endif()

include(GoogleTest)

# Test cases (Suite.Case patterns) that no Windows build runs: they need what
# Windows does not give an ordinary user. Creating symbolic links needs a
# privilege there, and Wine does not implement it: the symbolic-link cases of
# the runner's path checks are left out, the rest of them run.
# (A plain variable: it hides what an older cache holds under the same name.)
set(NAACCR_WINDOWS_GTEST_EXCLUDE "PathChecks.*ThroughASymbolicLink")
if(NAACCR_WINE_TESTS)
  message(STATUS "Windows test runs leave out the cases ${NAACCR_WINDOWS_GTEST_EXCLUDE} (symbolic links)")
endif()

# Every Wine run needs the build folder's prefix; the fixture makes it afresh
# once per test run, before the first test that needs it.
if(NAACCR_WINE_TESTS AND NOT TEST naaccr_wine_prefix)
  add_test(NAME naaccr_wine_prefix COMMAND ${NAACCR_WINE_RUN} --fresh-prefix)
  set_tests_properties(naaccr_wine_prefix PROPERTIES FIXTURES_SETUP naaccr_wine TIMEOUT 300 LABELS windows)
endif()

# naaccr_windows_add_test(TARGET [WORKING_DIRECTORY dir] [EXTRA_ARGS args...]
#                         [PROPERTIES prop value...])
# One CTest test named after the executable, run under Wine. Executables named
# in NAACCR_WINDOWS_SKIP_TESTS are still configured, but neither built nor run.
function(naaccr_windows_add_test target)
  cmake_parse_arguments(ARG "NO_PRETTY_TYPES;NO_PRETTY_VALUES"
    "WORKING_DIRECTORY;TEST_PREFIX;TEST_SUFFIX;TEST_LIST;DISCOVERY_TIMEOUT;DISCOVERY_MODE;XML_OUTPUT_DIR;TIMEOUT"
    "EXTRA_ARGS;PROPERTIES;TEST_FILTER" ${ARGN})
  if(target IN_LIST NAACCR_WINDOWS_SKIP_TESTS)
    set_target_properties(${target} PROPERTIES EXCLUDE_FROM_ALL ON)
    message(STATUS "Windows build leaves out the test ${target}")
    return()
  endif()
  if(NOT NAACCR_WINE_TESTS)
    return()
  endif()
  if(NOT ARG_WORKING_DIRECTORY)
    set(ARG_WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  endif()
  set(name ${ARG_TEST_PREFIX}${target}${ARG_TEST_SUFFIX})
  set(filter "")
  if(NAACCR_WINDOWS_GTEST_EXCLUDE)
    list(JOIN NAACCR_WINDOWS_GTEST_EXCLUDE ":" excluded)
    set(filter "--gtest_filter=-${excluded}")
  endif()
  add_test(NAME ${name} COMMAND ${target} ${filter} ${ARG_EXTRA_ARGS} WORKING_DIRECTORY ${ARG_WORKING_DIRECTORY})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED naaccr_wine LABELS windows TIMEOUT 600)
  if(ARG_PROPERTIES)
    set_tests_properties(${name} PROPERTIES ${ARG_PROPERTIES})
  endif()
endfunction()

# Test folders that call gtest_discover_tests themselves get the same.
function(gtest_discover_tests target)
  naaccr_windows_add_test(${target} ${ARGN})
endfunction()
