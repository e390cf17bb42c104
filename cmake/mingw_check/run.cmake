# Script mode: configures and builds the MinGW compile check (this folder's project) with the
# MinGW toolchain, and fails when either step does. Used by the CTest case Seam.mingw_compile.
#   cmake -DBINARY_DIR=<build folder> [-DCHECK_ROOT=<tree>] -P cmake/mingw_check/run.cmake
# CHECK_ROOT compiles another tree's neutral code (a fixture) instead of the repository's.
if(NOT BINARY_DIR)
  message(FATAL_ERROR "usage: cmake -DBINARY_DIR=<folder> [-DCHECK_ROOT=<tree>] -P ${CMAKE_SCRIPT_MODE_FILE}")
endif()
get_filename_component(_repository "${CMAKE_CURRENT_LIST_DIR}/../.." ABSOLUTE)
if(NOT CHECK_ROOT)
  set(CHECK_ROOT ${_repository})
endif()

# Said here as well as in the toolchain file, so that the message is the first thing a test
# log shows and not the tail of a failed configure.
find_program(_mingw_cxx x86_64-w64-mingw32-g++-posix)
if(NOT _mingw_cxx)
  message(FATAL_ERROR "The MinGW compiler x86_64-w64-mingw32-g++-posix is not installed: "
                      "run scripts/setup")
endif()

execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR} -B ${BINARY_DIR} -G Ninja
          -DCMAKE_TOOLCHAIN_FILE=${_repository}/cmake/toolchains/mingw-w64-x86_64.cmake
          -DTIDEWELL_CHECK_ROOT=${CHECK_ROOT}
  RESULT_VARIABLE _configured)
if(NOT _configured EQUAL 0)
  message(FATAL_ERROR "The MinGW compile check could not be configured (see above)")
endif()
# -k 0: every translation unit that fails is reported, not only the first.
execute_process(COMMAND ${CMAKE_COMMAND} --build ${BINARY_DIR} -j 2 -- -k 0
                RESULT_VARIABLE _built)
if(NOT _built EQUAL 0)
  message(FATAL_ERROR "OS-neutral code does not compile over <windows.h> (errors above)")
endif()
