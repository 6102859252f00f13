# Cross build of the 32-bit Windows binaries with mingw-w64: a registry whose
# Collaborative Stage library is 32-bit needs a 32-bit conversion library.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(NAACCR_MINGW_TRIPLET i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
