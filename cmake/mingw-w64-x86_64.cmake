# Cross build for 64-bit Windows with Debian's MinGW-w64 (g++-mingw-w64-x86-64):
#   cmake -S . -B build-windows -G Ninja \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TAPWRIGHT_MINGW_PREFIX x86_64-w64-mingw32)
# The win32 thread model needs no winpthread DLL beside the program.
find_program(CMAKE_C_COMPILER NAMES ${TAPWRIGHT_MINGW_PREFIX}-gcc-win32 ${TAPWRIGHT_MINGW_PREFIX}-gcc
             REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${TAPWRIGHT_MINGW_PREFIX}-g++-win32 ${TAPWRIGHT_MINGW_PREFIX}-g++
             REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${TAPWRIGHT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TAPWRIGHT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must not offer the build machine's own libraries (libftdi1).
set(ENV{PKG_CONFIG_LIBDIR} /usr/${TAPWRIGHT_MINGW_PREFIX}/lib/pkgconfig)

# The C and C++ run-times linked in, so that tapwright.exe runs on a bare
# Windows (or Wine) without MinGW's DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
