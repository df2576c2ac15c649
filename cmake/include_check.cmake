# cmake -DSOURCE=<tree> [-DSTAMP=<file>] -P include_check.cmake
# Reads every header and source of the folders in include_layers.cmake and
# fails, naming file and include, when one includes a header of a folder
# its row does not let it use. Only includes of the project's own folders
# are looked at ("station/log/...", "device/..."); system and library
# headers, and a folder's own, always pass.
cmake_minimum_required(VERSION 3.21)
include(${CMAKE_CURRENT_LIST_DIR}/include_layers.cmake)
swr_layer_folders(folders)
# Longest first, so that "station/log/x.h" is station/log's, not station's.
list(SORT folders ORDER DESCENDING)

# The table's folder that `path` lies in, or its first component.
function(owner path out)
  foreach(folder IN LISTS folders)
    string(LENGTH "${folder}/" length)
    string(SUBSTRING "${path}" 0 ${length} head)
    if(head STREQUAL "${folder}/")
      set(${out} ${folder} PARENT_SCOPE)
      return()
    endif()
  endforeach()
  string(REGEX REPLACE "/.*" "" first "${path}")
  set(${out} ${first} PARENT_SCOPE)
endfunction()

set(ours app device measure station tools ui)
set(faults)
foreach(folder IN LISTS folders)
  swr_layer_uses(${folder} uses)
  file(GLOB_RECURSE files RELATIVE ${SOURCE} ${SOURCE}/${folder}/*.h ${SOURCE}/${folder}/*.cpp)
  foreach(file IN LISTS files)
    owner(${file} home)
    if(NOT home STREQUAL folder)
      continue()  # a deeper folder's, checked by its own row
    endif()
    file(STRINGS ${SOURCE}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*" "\\1" included "${line}")
      string(REGEX REPLACE "/.*" "" first "${included}")
      if(NOT first IN_LIST ours OR NOT included MATCHES "/")
        continue()
      endif()
      owner(${included} target)
      if(NOT target STREQUAL folder AND NOT target IN_LIST uses)
        string(REPLACE ";" " " allowed "${uses}")
        list(APPEND faults "${file} includes ${included}, but ${folder} may use only: ${allowed}")
      endif()
    endforeach()
  endforeach()
endforeach()

if(faults)
  list(JOIN faults "\n  " text)
  message(FATAL_ERROR "Includes against cmake/include_layers.cmake:\n  ${text}")
endif()
if(STAMP)
  file(TOUCH ${STAMP})
endif()
