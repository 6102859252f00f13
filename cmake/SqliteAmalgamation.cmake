# SPDX-License-Identifier: Apache-2.0
# The SQLite amalgamation (sqlite3.c, sqlite3.h) for the Windows builds, taken
# from a pinned release of the npm package better-sqlite3, whose tarball ships
# it under deps/sqlite3/. The tarball is fetched with `npm pack` into the build
# tree and checked against its pinned SHA-256 before anything is extracted.
set(NAACCR_SQLITE_NPM_PACKAGE better-sqlite3)
set(NAACCR_SQLITE_NPM_VERSION 12.4.1)      # ships SQLite 3.50.4
set(NAACCR_SQLITE_NPM_SHA256 14398acbf00d1e8fe0a2753df7d4f15c13138e4b874f4e6e96791f65b4536d0d)

set(NAACCR_SQLITE_TARBALL "" CACHE FILEPATH
    "A tarball of ${NAACCR_SQLITE_NPM_PACKAGE} ${NAACCR_SQLITE_NPM_VERSION} fetched earlier (checked all the same)")

set(_sqlite_dir ${CMAKE_BINARY_DIR}/_deps/sqlite)
set(_sqlite_tarball ${_sqlite_dir}/${NAACCR_SQLITE_NPM_PACKAGE}-${NAACCR_SQLITE_NPM_VERSION}.tgz)
set(_sqlite_src ${_sqlite_dir}/package/deps/sqlite3)
file(MAKE_DIRECTORY ${_sqlite_dir})

if(NAACCR_SQLITE_TARBALL)
  set(_sqlite_tarball ${NAACCR_SQLITE_TARBALL})
elseif(NOT EXISTS ${_sqlite_tarball})
  find_program(NAACCR_NPM npm)
  if(NOT NAACCR_NPM)
    message(FATAL_ERROR "npm is needed to fetch the SQLite amalgamation (or set NAACCR_SQLITE_TARBALL)")
  endif()
  message(STATUS "Fetching ${NAACCR_SQLITE_NPM_PACKAGE}@${NAACCR_SQLITE_NPM_VERSION} for the SQLite amalgamation")
  execute_process(
    COMMAND ${NAACCR_NPM} pack --silent ${NAACCR_SQLITE_NPM_PACKAGE}@${NAACCR_SQLITE_NPM_VERSION}
    WORKING_DIRECTORY ${_sqlite_dir}
    RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _err)
  if(NOT _rc EQUAL 0 OR NOT EXISTS ${_sqlite_tarball})
    message(FATAL_ERROR "npm pack ${NAACCR_SQLITE_NPM_PACKAGE}@${NAACCR_SQLITE_NPM_VERSION} failed (${_rc}): ${_err}")
  endif()
endif()

file(SHA256 ${_sqlite_tarball} _sqlite_sha256)
if(NOT _sqlite_sha256 STREQUAL NAACCR_SQLITE_NPM_SHA256)
  if(NOT NAACCR_SQLITE_TARBALL)
    file(REMOVE ${_sqlite_tarball})
  endif()
  message(FATAL_ERROR "${_sqlite_tarball}: SHA-256 ${_sqlite_sha256}, expected ${NAACCR_SQLITE_NPM_SHA256}; not used")
endif()

# Extract once per verified tarball; the stamp names the hash it came from.
set(_sqlite_stamp ${_sqlite_dir}/extracted.sha256)
set(_stamped "")
if(EXISTS ${_sqlite_stamp})
  file(READ ${_sqlite_stamp} _stamped)
endif()
if(NOT _stamped STREQUAL _sqlite_sha256 OR NOT EXISTS ${_sqlite_src}/sqlite3.c)
  file(REMOVE_RECURSE ${_sqlite_dir}/package)
  file(ARCHIVE_EXTRACT INPUT ${_sqlite_tarball} DESTINATION ${_sqlite_dir} PATTERNS "package/deps/sqlite3/*")
  file(WRITE ${_sqlite_stamp} ${_sqlite_sha256})
endif()
foreach(_f sqlite3.c sqlite3.h)
  if(NOT EXISTS ${_sqlite_src}/${_f})
    message(FATAL_ERROR "${NAACCR_SQLITE_NPM_PACKAGE} ${NAACCR_SQLITE_NPM_VERSION} has no deps/sqlite3/${_f}")
  endif()
endforeach()

add_library(naaccr_sqlite3 STATIC ${_sqlite_src}/sqlite3.c)
target_include_directories(naaccr_sqlite3 SYSTEM PUBLIC ${_sqlite_src})
target_compile_definitions(naaccr_sqlite3 PRIVATE
  SQLITE_OMIT_LOAD_EXTENSION  # the results database never loads extensions
  SQLITE_DEFAULT_MEMSTATUS=0)
# Third-party code: no warnings of ours, no debug information (it would make
# the libraries many times larger).
target_compile_options(naaccr_sqlite3 PRIVATE -w -g0)
add_library(naaccr::sqlite3 ALIAS naaccr_sqlite3)
