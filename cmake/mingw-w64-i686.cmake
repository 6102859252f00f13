# SPDX-License-Identifier: Apache-2.0
# Cross build of the 32-bit Windows binaries with mingw-w64: a registry whose
# Collaborative Stage library is 32-bit needs a 32-bit conversion library.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(NAACCR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
# The programs run on any x86 processor, SSE or not. GCC notes that a function
# returning a sixteen-byte vector is called differently without SSE; the
# byte-vector helpers are inline and every file is built with the same flags,
# so no call crosses that difference, and the note is turned off.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")
