# SPDX-License-Identifier: Apache-2.0
# Shared part of the mingw-w64 cross toolchains. The including file sets
# NAACCR_MINGW_TRIPLET and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model gives the full C++ thread library; its runtime
# (winpthread) is linked statically below, like libgcc and libstdc++.
set(CMAKE_C_COMPILER ${NAACCR_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${NAACCR_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${NAACCR_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${NAACCR_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# A registrar unpacks the folder on a clean Windows: no mingw runtime DLL may
# be needed beside our own, so every runtime library is linked in.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
