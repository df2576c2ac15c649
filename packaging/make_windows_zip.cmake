# cmake -DVERSION=.. -DSOURCE_DIR=.. -DEXE64="a.exe|b.exe" -DEXE32="c.exe|d.exe"
#       -DSTRIP64=.. -DSTRIP32=.. -DNOTICES="pkg|pkg=file" -DOUTPUT=x.zip
#       -P make_windows_zip.cmake
# (lists separated by | , since a ; would split the command line)
# Packs the stripped programs and the texts of windows_texts.cmake (README.txt,
# LICENSE, THIRD-PARTY-NOTICES.txt from the copyright files of the Debian
# packages NOTICES, the Grafana dashboard) into OUTPUT.
foreach(var VERSION SOURCE_DIR EXE64 EXE32 STRIP64 STRIP32 NOTICES OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_windows_zip.cmake: ${var} is not set")
  endif()
endforeach()
foreach(list EXE64 EXE32 NOTICES)
  string(REPLACE "|" ";" ${list} "${${list}}")
endforeach()
get_filename_component(out_dir ${OUTPUT} DIRECTORY)
set(stage ${out_dir}/windows-zip)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})

set(names)
foreach(arch 64 32)
  foreach(exe IN LISTS EXE${arch})
    if(NOT EXISTS ${exe})
      message(FATAL_ERROR "missing ${exe}: build the win64 and win32 presets first")
    endif()
    get_filename_component(name ${exe} NAME)
    execute_process(COMMAND ${STRIP${arch}} -o ${stage}/${name} ${exe} RESULT_VARIABLE rc)
    if(NOT rc EQUAL 0)
      message(FATAL_ERROR "cannot strip ${exe}")
    endif()
    list(APPEND names ${name})
  endforeach()
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/windows_texts.cmake)
swr_stage_windows_texts(${stage} ${VERSION} ${SOURCE_DIR} "${NOTICES}")
list(APPEND names ${SWR_WINDOWS_TEXTS})

file(REMOVE ${OUTPUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUTPUT} --format=zip -- ${names}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot write ${OUTPUT}")
endif()
file(SIZE ${OUTPUT} size)
message(STATUS "${OUTPUT}: ${size} bytes")
