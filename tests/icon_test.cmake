# Draws every icon anew with res/make_icon.py into the build tree and checks
# that each committed file is byte for byte what it draws.
#   cmake -DPYTHON=python3 -DSOURCE=<source tree> -DOUT=<directory> -P icon_test.cmake
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${PYTHON} ${SOURCE}/res/make_icon.py ${OUT}
                RESULT_VARIABLE status OUTPUT_VARIABLE written ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "res/make_icon.py failed (${status}):\n${err}")
endif()
string(REGEX REPLACE "\n$" "" written "${written}")
string(REPLACE "\n" ";" written "${written}")
list(LENGTH written count)
if(count LESS 5)
  message(FATAL_ERROR "res/make_icon.py wrote only: ${written}")
endif()
set(differ)
foreach(name IN LISTS written)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUT}/${name} ${SOURCE}/${name}
                  RESULT_VARIABLE same)
  if(NOT same EQUAL 0)
    list(APPEND differ ${name})
  endif()
endforeach()
if(differ)
  message(FATAL_ERROR "not what res/make_icon.py draws: ${differ}\n"
                      "(run python3 res/make_icon.py and commit the files if the drawing changed)")
endif()
message("${count} icon files as drawn: ${written}")
