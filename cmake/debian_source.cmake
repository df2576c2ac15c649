# Debian's source packages for the Windows builds, which need libraries that
# Debian ships for Linux only. swr_debian_source(PACKAGE VAR) fetches the
# package through scripts/fetch-debian-source.sh at configure time (once;
# later runs only read the path) and sets VAR to the unpacked tree. When the
# fetch fails, configuring stops with the script's one line naming the
# package. The trees live under build/debian-source/ and are never committed.
function(swr_debian_source package var)
  execute_process(
      COMMAND bash ${PROJECT_SOURCE_DIR}/scripts/fetch-debian-source.sh ${package}
      OUTPUT_VARIABLE tree ERROR_VARIABLE why RESULT_VARIABLE status
      OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
  if(NOT status EQUAL 0 OR NOT IS_DIRECTORY "${tree}")
    if(why STREQUAL "")
      set(why "swrpanel: cannot fetch Debian's source package ${package}")
    endif()
    message(FATAL_ERROR "${why}")
  endif()
  set(${var} ${tree} PARENT_SCOPE)
endfunction()
