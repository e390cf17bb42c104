# libqx's export checks (check_exports.sh), for every build: included by tests/CMakeLists.txt
# before it leaves out the POSIX-only suites.
#   qx_exports           libqx.so's dynamic symbols are qx_exports.txt (ELF builds)
#   qx_exports.pe        qx.dll's export table is qx_exports_pe.txt (Windows builds; read with
#                        the target's objdump, so it runs without wine)
#   qx_exports.same_api  the two lists name the same API (the POSIX build; reads the lists only)
set(_exports_dir ${CMAKE_CURRENT_LIST_DIR})
set(_exports_check ${_exports_dir}/check_exports.sh)
if(CMAKE_EXECUTABLE_FORMAT STREQUAL "ELF")
  add_test(NAME qx_exports
    COMMAND ${_exports_check} elf $<TARGET_FILE:qx> ${_exports_dir}/qx_exports.txt)
endif()
if(WIN32)
  # The target's c++filt sits beside its objdump (x86_64-w64-mingw32-objdump, ...-c++filt).
  get_filename_component(_objdump_dir ${CMAKE_OBJDUMP} DIRECTORY)
  get_filename_component(_objdump_name ${CMAKE_OBJDUMP} NAME)
  string(REGEX REPLACE "objdump$" "c++filt" _cxxfilt_name "${_objdump_name}")
  find_program(TIDEWELL_TARGET_CXXFILT ${_cxxfilt_name} HINTS ${_objdump_dir} NO_CACHE)
  if(NOT CMAKE_OBJDUMP OR NOT TIDEWELL_TARGET_CXXFILT)
    message(FATAL_ERROR "The export check needs the target's objdump and ${_cxxfilt_name} "
                        "(binutils-mingw-w64): run scripts/setup")
  endif()
  add_test(NAME qx_exports.pe
    COMMAND ${_exports_check} pe $<TARGET_FILE:qx> ${_exports_dir}/qx_exports_pe.txt
            ${CMAKE_OBJDUMP} ${TIDEWELL_TARGET_CXXFILT})
endif()
if(TIDEWELL_PLATFORM_BACKEND STREQUAL "posix")
  add_test(NAME qx_exports.same_api
    COMMAND ${_exports_check} same-api ${_exports_dir}/qx_exports.txt
            ${_exports_dir}/qx_exports_pe.txt)
endif()
