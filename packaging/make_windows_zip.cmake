# cmake -DVERSION=.. -DSOURCE_DIR=.. -DEXE64="a.exe|b.exe" -DEXE32="c.exe|d.exe"
#       -DSTRIP64=.. -DSTRIP32=.. -DNOTICES="pkg|pkg=file" -DOUTPUT=x.zip
#       -P make_windows_zip.cmake
# (lists separated by | , since a ; would split the command line)
# Packs the stripped programs, README.txt, LICENSE and THIRD-PARTY-NOTICES.txt
# (the copyright files of the Debian packages NOTICES: installed ones from
# /usr/share/doc, source packages' as pkg=their debian/copyright) with Windows line
# ends (README.txt as UTF-8 with a byte order mark, so that Notepad on any
# Windows shows its Russian half), and the Grafana dashboard, into OUTPUT.
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

# write_text(name text [prefix]): a text file with Windows line ends.
function(write_text name text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${stage}/${name} "${ARGN}${text}")
endfunction()

set(PROJECT_VERSION ${VERSION})
file(READ ${SOURCE_DIR}/packaging/windows/README.txt readme)
string(CONFIGURE "${readme}" readme @ONLY)
string(ASCII 239 187 191 bom)
write_text(README.txt "${readme}" "${bom}")
file(READ ${SOURCE_DIR}/LICENSE license)
write_text(LICENSE "${license}")

set(notices "Libraries linked into these programs, and their licences.\n")
foreach(package IN LISTS NOTICES)
  set(copyright /usr/share/doc/${package}/copyright)
  set(shown ${copyright})
  if(package MATCHES "^([^=]+)=(.+)$")
    set(package ${CMAKE_MATCH_1})
    set(copyright ${CMAKE_MATCH_2})
    set(shown "debian/copyright of Debian's source package ${package}")
  endif()
  if(NOT EXISTS ${copyright})
    message(FATAL_ERROR "missing ${copyright}: install ${package} (scripts/install-deps.sh)")
  endif()
  file(READ ${copyright} text)
  string(APPEND notices "\n==== ${package} (${shown}) ====\n\n${text}")
endforeach()
write_text(THIRD-PARTY-NOTICES.txt "${notices}")
# The Grafana dashboard over swrctl serve's /metrics, as it is.
configure_file(${SOURCE_DIR}/packaging/grafana/swrpanel-dashboard.json
               ${stage}/grafana-dashboard.json COPYONLY)
list(APPEND names README.txt LICENSE THIRD-PARTY-NOTICES.txt grafana-dashboard.json)

file(REMOVE ${OUTPUT})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf ${OUTPUT} --format=zip -- ${names}
                WORKING_DIRECTORY ${stage} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot write ${OUTPUT}")
endif()
file(SIZE ${OUTPUT} size)
message(STATUS "${OUTPUT}: ${size} bytes")
