# include()d by make_windows_zip.cmake and make_windows_msi.cmake (cmake -P):
# the texts that travel with the Windows programs, the same in the zip and
# the installer.
#
# swr_stage_windows_texts(STAGE VERSION SOURCE_DIR NOTICES) writes into
# STAGE, with Windows line ends: README.txt (UTF-8 with a byte order mark,
# so that Notepad on any Windows shows its Russian half), LICENSE and
# THIRD-PARTY-NOTICES.txt (the copyright files of the Debian packages in the
# list NOTICES: installed ones from /usr/share/doc, source packages' as
# pkg=their debian/copyright); and the Grafana dashboard as it is. Sets
# SWR_WINDOWS_TEXTS in the caller to the names written.

# swr_write_windows_text(STAGE NAME TEXT [PREFIX]): a text file with Windows line ends.
function(swr_write_windows_text stage name text)
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${stage}/${name} "${ARGN}${text}")
endfunction()

function(swr_stage_windows_texts stage version source_dir notices)
  set(PROJECT_VERSION ${version})
  file(READ ${source_dir}/packaging/windows/README.txt readme)
  string(CONFIGURE "${readme}" readme @ONLY)
  string(ASCII 239 187 191 bom)
  swr_write_windows_text(${stage} README.txt "${readme}" "${bom}")
  file(READ ${source_dir}/LICENSE license)
  swr_write_windows_text(${stage} LICENSE "${license}")

  set(text "Libraries linked into these programs, and their licences.\n")
  foreach(package IN LISTS notices)
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
    file(READ ${copyright} notice)
    string(APPEND text "\n==== ${package} (${shown}) ====\n\n${notice}")
  endforeach()
  swr_write_windows_text(${stage} THIRD-PARTY-NOTICES.txt "${text}")
  # The Grafana dashboard over swrctl serve's /metrics, as it is.
  configure_file(${source_dir}/packaging/grafana/swrpanel-dashboard.json
                 ${stage}/grafana-dashboard.json COPYONLY)
  set(SWR_WINDOWS_TEXTS README.txt LICENSE THIRD-PARTY-NOTICES.txt grafana-dashboard.json
      PARENT_SCOPE)
endfunction()
