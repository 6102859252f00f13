# SPDX-License-Identifier: Apache-2.0
# SQLite: the system's library on a native build; on Windows the amalgamation,
# compiled into the conversion library (nothing to ship beside it).
if(NOT TARGET naaccr::sqlite3)
  if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/SqliteAmalgamation.cmake)
  else()
    find_package(SQLite3 REQUIRED)
    add_library(naaccr::sqlite3 ALIAS SQLite::SQLite3)
  endif()
endif()
