# Script mode: runs a check on a fixture and succeeds only when the check fails because of the
# fixture's faults: exit code 1, and
#   -DEXPECTED=<file>: the `path:line: ...` lines of its standard output are, in order, the
#                      file's lines (each line of the file a prefix of the output line), or
#   -DEXPECT_REGEX=<regex>: its output (standard output and error) matches the expression.
# A check that passes, cannot run (exit code 2, a missing compiler) or reports something else
# makes the test fail. Usage:
#   cmake -DEXPECTED=<file> -P expect_findings.cmake -- <command> [<argument>...]
# (after `--` cmake leaves the arguments alone, even -D and -P of a command that is cmake.)
set(_command)
set(_in_command FALSE)
math(EXPR _last "${CMAKE_ARGC} - 1")
foreach(_i RANGE 1 ${_last})
  if(_in_command)
    list(APPEND _command "${CMAKE_ARGV${_i}}")
  elseif(CMAKE_ARGV${_i} STREQUAL "--")
    set(_in_command TRUE)
  endif()
endforeach()
if(NOT _command OR (NOT EXPECTED AND NOT EXPECT_REGEX))
  message(FATAL_ERROR "usage: cmake -DEXPECTED=<file>|-DEXPECT_REGEX=<regex> -P "
                      "${CMAKE_SCRIPT_MODE_FILE} -- <command> [<argument>...]")
endif()

execute_process(COMMAND ${_command} RESULT_VARIABLE _code OUTPUT_VARIABLE _out
                ERROR_VARIABLE _err)
message("${_out}${_err}")
if(NOT _code STREQUAL "1")
  message(FATAL_ERROR "The check ended with '${_code}', not 1 (findings)")
endif()

if(EXPECTED)
  file(STRINGS ${EXPECTED} _wanted)
  string(REGEX MATCHALL "[^\n]+" _lines "${_out}")
  set(_found)
  foreach(_line IN LISTS _lines)
    if(_line MATCHES "^[^ \t:]+:[0-9]+: ")
      list(APPEND _found "${_line}")
    endif()
  endforeach()
  list(LENGTH _wanted _wanted_count)
  list(LENGTH _found _found_count)
  if(NOT _wanted_count EQUAL _found_count)
    message(FATAL_ERROR "The check reported ${_found_count} finding(s), ${EXPECTED} lists "
                        "${_wanted_count}")
  endif()
  foreach(_wanted_line _found_line IN ZIP_LISTS _wanted _found)
    string(FIND "${_found_line}" "${_wanted_line}" _at)
    if(NOT _at EQUAL 0)
      message(FATAL_ERROR "Expected a finding starting with\n  ${_wanted_line}\ngot\n  ${_found_line}")
    endif()
  endforeach()
endif()
if(EXPECT_REGEX AND NOT "${_out}${_err}" MATCHES "${EXPECT_REGEX}")
  message(FATAL_ERROR "The check's output does not match: ${EXPECT_REGEX}")
endif()
