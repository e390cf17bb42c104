# The Windows builds' read-back check, included by tests/CMakeLists.txt for every build:
#   windows_program.readback   the POSIX build's windows_program_tests reads this build's
#                              TidewellPlugin: dialog 102, icon 128, the translation table,
#                              the manifest and the version resource (no Windows code runs,
#                              so it is registered even with TIDEWELL_RUN_TESTS=OFF)
if(NOT WIN32)
  return()
endif()
set(TIDEWELL_HOST_BUILD_DIR "${PROJECT_SOURCE_DIR}/build/default" CACHE PATH
    "The POSIX build whose windows_program_tests reads this build's program back")
set(_readback ${TIDEWELL_HOST_BUILD_DIR}/tests/windows_program/windows_program_tests)
if(NOT EXISTS ${_readback})
  message(STATUS "windows_program.readback runs ${_readback}, which is not built yet: "
                 "cmake --preset default && cmake --build --preset default -j2 --target windows_program_tests "
                 "(scripts/test builds it first)")
endif()
if(TARGET TidewellPlugin)
  add_test(NAME windows_program.readback COMMAND ${_readback} --gtest_filter=WindowsProgram.*)
  set_tests_properties(windows_program.readback PROPERTIES
                       ENVIRONMENT "TIDEWELL_WINDOWS_PROGRAM=$<TARGET_FILE:TidewellPlugin>")
endif()
