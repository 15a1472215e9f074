# Cross-builds the Windows edition (x86_64) with Debian's MinGW-w64, posix thread model, so
# std::thread and std::mutex work. Configure with:
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64.cmake \
#         -DORVANTA_WITH_QT=OFF -DORVANTA_WITH_FREEIMAGE=OFF -DORVANTA_BUILD_BENCH=OFF \
#         -DORVANTA_GTEST_SOURCE_DIR=/usr/src/googletest
# (packages g++-mingw-w64-x86-64-posix, libz-mingw-w64-dev, googletest; wine64 to run the tests)
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(ORVANTA_MINGW_TRIPLE x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${ORVANTA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ORVANTA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${ORVANTA_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ORVANTA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The compiler's own runtime (libstdc++, libgcc, winpthread) linked in, so the .exe files
# run without DLLs copied beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# zlib linked in as well, for the same reason.
set(ZLIB_USE_STATIC_LIBS ON)

# ctest and gtest_discover_tests run the .exe files under Wine, in a prefix of the build's own
# (never ~/.wine) and without a display.
find_program(ORVANTA_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(ORVANTA_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/env WINEPREFIX=${CMAKE_BINARY_DIR}/wine-prefix
      WINEDEBUG=-all DISPLAY= ${ORVANTA_WINE})
endif()
