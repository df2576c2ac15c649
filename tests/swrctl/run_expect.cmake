# Runs one command and checks its exit status and output.
#   cmake -DSTATUS=<regex> [-DOUT=<regex>] [-DERR=<regex>] -P run_expect.cmake -- command args...
# Exit status 77 (the Windows loader cannot start here) prints the line the
# test's SKIP_REGULAR_EXPRESSION looks for.
set(command)
set(take FALSE)
math(EXPR last "${CMAKE_ARGC} - 1")
foreach(i RANGE ${last})
  if(take)
    list(APPEND command "${CMAKE_ARGV${i}}")
  elseif("${CMAKE_ARGV${i}}" STREQUAL "--")
    set(take TRUE)
  endif()
endforeach()

execute_process(COMMAND ${command}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                TIMEOUT 60)
# Now and then Wine ends a program as it starts, before any of its code has
# run: status 1 and not a byte on either output (swrctl itself always says
# why it fails). That run is repeated once, and the repeat is said.
list(GET command 0 launcher)
if(launcher MATCHES "wine-exec[.]sh$" AND status EQUAL 1 AND out STREQUAL "" AND err STREQUAL "")
  message("Wine ended the program before it wrote anything; running it once more")
  execute_process(COMMAND ${command}
                  RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err
                  TIMEOUT 60)
endif()
if(status EQUAL 77)
  message("${err}")
  message(FATAL_ERROR "SKIPPED")
endif()
set(failed FALSE)
if(NOT status MATCHES "^(${STATUS})$")
  message("exit status ${status}, expected ${STATUS}")
  set(failed TRUE)
endif()
if(DEFINED OUT AND NOT out MATCHES "${OUT}")
  message("stdout does not match ${OUT}")
  set(failed TRUE)
endif()
if(DEFINED ERR AND NOT err MATCHES "${ERR}")
  message("stderr does not match ${ERR}")
  set(failed TRUE)
endif()
if(failed)
  message(FATAL_ERROR "command: ${command}\nstdout:\n${out}\nstderr:\n${err}")
endif()
