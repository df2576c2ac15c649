# cmake -DVERSION=.. -DSOURCE_DIR=.. -DEXE64=a.exe;b.exe -DEXE32=c.exe;d.exe
#       -DSTRIP64=.. -DSTRIP32=.. -DOUTPUT=x.zip -P make_windows_zip.cmake
# Packs the stripped programs, README.txt and LICENSE (both with Windows line
# ends; README.txt as UTF-8 with a byte order mark, so that Notepad on any
# Windows shows its Russian half) into OUTPUT.
foreach(var VERSION SOURCE_DIR EXE64 EXE32 STRIP64 STRIP32 OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_windows_zip.cmake: ${var} is not set")
  endif()
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

set(PROJECT_VERSION ${VERSION})
configure_file(${SOURCE_DIR}/packaging/windows/README.txt ${stage}/README.body @ONLY NEWLINE_STYLE CRLF)
file(READ ${stage}/README.body body)
string(ASCII 239 187 191 bom)
file(WRITE ${stage}/README.txt "${bom}${body}")
file(REMOVE ${stage}/README.body)
configure_file(${SOURCE_DIR}/LICENSE ${stage}/LICENSE @ONLY NEWLINE_STYLE CRLF)
list(APPEND names README.txt LICENSE)

file(REMOVE ${OUTPUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUTPUT} --format=zip -- ${names}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot write ${OUTPUT}")
endif()
file(SIZE ${OUTPUT} size)
message(STATUS "${OUTPUT}: ${size} bytes")
