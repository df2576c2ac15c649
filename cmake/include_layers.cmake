# Which folder may use which: the one table behind both the station's
# libraries (each links the folders its row names) and the include check
# (cmake/include_check.cmake, run by every build), which fails the build
# when a file includes a header of a folder its row does not name. A
# folder may always include its own headers. Rows are "folder: uses...".
set(SWR_INCLUDE_LAYERS
    "device:"
    "measure: device"
    "app: measure device ui"
    "station/core: measure device"
    "station/web:"
    "station/rig: station/core device"
    "station/health: station/rig station/core"
    "station/log: station/health station/rig station/core"
    "station/metrics: station/log station/core device"
    "station/udp: station/core"
    "station/wsjtx: station/udp station/log station/rig station/core"
    "station/n1mm: station/wsjtx station/udp station/log station/rig station/core"
    "station/mqtt: station/log station/health station/core device"
    "station/http: station/metrics station/log station/health station/web station/core"
    "tools/swrctl: station/http station/mqtt station/n1mm station/wsjtx station/udp station/log station/health station/rig
                   station/core measure device")

# swr_layer_uses(folder out): the folders `folder` may use, as a list.
function(swr_layer_uses folder out)
  foreach(row IN LISTS SWR_INCLUDE_LAYERS)
    string(FIND "${row}" ":" colon)
    string(SUBSTRING "${row}" 0 ${colon} name)
    if(name STREQUAL folder)
      math(EXPR start "${colon} + 1")
      string(SUBSTRING "${row}" ${start} -1 uses)
      string(STRIP "${uses}" uses)
      string(REGEX REPLACE "[ \t\n]+" ";" uses "${uses}")
      set(${out} ${uses} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  message(FATAL_ERROR "${folder} has no row in cmake/include_layers.cmake")
endfunction()

# swr_layer_folders(out): every folder of the table.
function(swr_layer_folders out)
  set(folders)
  foreach(row IN LISTS SWR_INCLUDE_LAYERS)
    string(REGEX REPLACE ":.*" "" name "${row}")
    list(APPEND folders ${name})
  endforeach()
  set(${out} ${folders} PARENT_SCOPE)
endfunction()
