# SQLite: the system's library on a native build. A cross build for Windows
# provides its own target (see the Windows toolchain notes) before this runs.
if(NOT TARGET naaccr::sqlite3)
  find_package(SQLite3 REQUIRED)
  add_library(naaccr::sqlite3 ALIAS SQLite::SQLite3)
endif()
