# Cross-compiling for 32-bit Windows with Debian's MinGW-w64 GCC, posix
# threading variant. The arithmetic runs in SSE2 registers, not on the x87
# stack, so that doubles round as they do in the 64-bit builds.
#   cmake -S . -B build-win32 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake
set(QOR_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
include(${CMAKE_CURRENT_LIST_DIR}/MinGW.cmake)
