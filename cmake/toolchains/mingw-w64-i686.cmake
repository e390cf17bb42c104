# Cross-compiling for 32-bit Windows with MinGW-w64 (scripts/setup installs the compilers and
# zlib for them). Use: cmake -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-i686.cmake ...
set(CMAKE_SYSTEM_PROCESSOR x86)
set(_mingw_target i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
