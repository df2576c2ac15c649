# Draws every icon anew with res/make_icon.py into the build tree and checks
# that each committed file is byte for byte what it draws.
#   cmake -DPYTHON=python3 -DSOURCE=<source tree> -DOUT=<directory> -P icon_test.cmake
# With -DEXE=<panel executable> instead: checks that its icon resource 1 is
# one image, 32 x 32 pixels in 16 colours, read from the executable.
if(DEFINED EXE)
  execute_process(COMMAND ${PYTHON} ${SOURCE}/tests/icon_resource.py ${EXE}
                  RESULT_VARIABLE status OUTPUT_VARIABLE images ERROR_VARIABLE err)
  if(NOT status EQUAL 0 OR NOT images STREQUAL "32x32 4bpp 16 colours\n")
    message(FATAL_ERROR "icon resource 1 of ${EXE} is not one 32x32 image in 16 colours:\n"
                        "${images}${err}")
  endif()
  message("icon resource 1 of ${EXE}: ${images}")
  return()
endif()
file(REMOVE_RECURSE ${OUT})
execute_process(COMMAND ${PYTHON} ${SOURCE}/res/make_icon.py ${OUT}
                RESULT_VARIABLE status OUTPUT_VARIABLE written ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "res/make_icon.py failed (${status}):\n${err}")
endif()
string(REGEX REPLACE "\n$" "" written "${written}")
string(REPLACE "\n" ";" written "${written}")
list(LENGTH written count)
if(count LESS 6)
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
