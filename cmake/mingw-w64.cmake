# Cross-compiles zspack for 64-bit Windows with MinGW-w64 (Debian: g++-mingw-w64-x86-64).
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DZSPACK_TESTS=OFF -DZSPACK_STATIC=ON
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZSPACK_MINGW_PREFIX x86_64-w64-mingw32 CACHE STRING "Target triplet of the MinGW-w64 tools")
find_program(CMAKE_C_COMPILER NAMES ${ZSPACK_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${ZSPACK_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${ZSPACK_MINGW_PREFIX}-windres)

# Libraries and headers come from the MinGW sysroot only; programs from the build host.
set(CMAKE_FIND_ROOT_PATH /usr/${ZSPACK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
