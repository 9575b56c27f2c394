# SPDX-License-Identifier: GPL-3.0-or-later
# Cross build for 64-bit Windows with Debian's mingw-w64 (g++-mingw-w64-x86-64-posix:
# the posix thread model, which std::thread and friends need). Programs are linked
# statically, so they run without the compiler's DLLs; with wine64 present, tests
# run through it (CMAKE_CROSSCOMPILING_EMULATOR).
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
#     -DMSK_CORE_ONLY=ON -DMSK_GTEST_SOURCE_DIR=/usr/src/googletest
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(MSK_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${MSK_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MSK_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MSK_MINGW_TRIPLE}-windres)

# Libraries and headers come from the Windows sysroot only, never from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${MSK_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

find_program(MSK_WINE64 wine64 PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(MSK_WINE64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${MSK_WINE64})
endif()
