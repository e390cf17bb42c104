# The part of the MinGW-w64 toolchain files that both targets share; the including file sets
# CMAKE_SYSTEM_PROCESSOR and _mingw_target (the compilers' prefix, e.g. x86_64-w64-mingw32).
set(CMAKE_SYSTEM_NAME Windows)

# The -posix compilers: their C++ library has std::thread and std::mutex, the -win32 ones not.
find_program(TIDEWELL_MINGW_CXX ${_mingw_target}-g++-posix)
find_program(TIDEWELL_MINGW_CC ${_mingw_target}-gcc-posix)
find_program(TIDEWELL_MINGW_WINDRES ${_mingw_target}-windres)
if(NOT TIDEWELL_MINGW_CXX OR NOT TIDEWELL_MINGW_CC)
  message(FATAL_ERROR "The MinGW compilers ${_mingw_target}-g++-posix and "
                      "${_mingw_target}-gcc-posix are not installed: run scripts/setup")
endif()
set(CMAKE_CXX_COMPILER ${TIDEWELL_MINGW_CXX})
set(CMAKE_C_COMPILER ${TIDEWELL_MINGW_CC})
if(TIDEWELL_MINGW_WINDRES)
  set(CMAKE_RC_COMPILER ${TIDEWELL_MINGW_WINDRES})
endif()

# Headers and libraries come from the target's tree only (zlib.h of libz-mingw-w64-dev, not the
# build machine's); programs run during the build are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw_target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
