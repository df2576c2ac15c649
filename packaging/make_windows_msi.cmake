# cmake -DSETTINGS=msi-settings.cmake -DVERSION=1.2.3 -DOUTPUT=x.msi -P make_windows_msi.cmake
# Makes the installer of one architecture with wixl from
# packaging/windows/swrpanel.wxs: the stripped programs, the texts of the zip
# (windows_texts.cmake), the station page's Internet shortcut and the icon.
# SETTINGS (written by windows_msi.cmake) sets SOURCE_DIR, ARCH (x64, x86),
# SUFFIX ("" or 32), EXES, STRIP, NOTICES, PORT, WIXL and MSIBUILD. VERSION is
# a parameter of its own so that the tests can make an older installer too;
# the product code follows from it and the architecture.
foreach(var SETTINGS VERSION OUTPUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "make_windows_msi.cmake: ${var} is not set")
  endif()
endforeach()
include(${SETTINGS})
include(${CMAKE_CURRENT_LIST_DIR}/windows_texts.cmake)

set(stage ${OUTPUT}.stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
foreach(exe IN LISTS EXES)
  if(NOT EXISTS ${exe})
    message(FATAL_ERROR "missing ${exe}: build this tree first")
  endif()
  get_filename_component(name ${exe} NAME)
  execute_process(COMMAND ${STRIP} -o ${stage}/${name} ${exe} RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "cannot strip ${exe}")
  endif()
endforeach()
swr_stage_windows_texts(${stage} ${VERSION} ${SOURCE_DIR} "${NOTICES}")
# What the Start menu's "SWR meter in the browser" opens: serve's default address.
swr_write_windows_text(${stage} station-page.url
                       "[InternetShortcut]\nURL=http://127.0.0.1:${PORT}/\n")
configure_file(${SOURCE_DIR}/res/swrpanel.ico ${stage}/swrpanel.ico COPYONLY)

# One product code per version and architecture, the same on every build.
string(UUID product_code NAMESPACE 4C6279DD-619F-4E8D-ACEE-2DAA0F321A10
       NAME "swrpanel ${ARCH} ${VERSION}" TYPE SHA1 UPPER)
file(REMOVE ${OUTPUT})
# wixl 0.101 finds sources relative to its working directory only.
execute_process(
    COMMAND ${WIXL} -a ${ARCH} -D Version=${VERSION} -D Arch=${ARCH} -D ProductCode=${product_code}
            -D Suffix=${SUFFIX} -D Port=${PORT} -o ${OUTPUT} ${SOURCE_DIR}/packaging/windows/swrpanel.wxs
    WORKING_DIRECTORY ${stage} RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT EXISTS ${OUTPUT})
  message(FATAL_ERROR "wixl could not make ${OUTPUT}")
endif()
# wixl writes SecureCustomProperties itself, with its upgrade properties
# alone: SERVE_OPTIONS joins them, so that it reaches the elevated part of an
# installation started without administrator rights.
execute_process(
    COMMAND ${MSIBUILD} ${OUTPUT} -q "UPDATE `Property` SET `Value` = 'SERVE_OPTIONS;WIX_DOWNGRADE_DETECTED;WIX_UPGRADE_DETECTED' WHERE `Property` = 'SecureCustomProperties'"
    RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "msibuild could not mark SERVE_OPTIONS secure in ${OUTPUT}")
endif()
file(SIZE ${OUTPUT} size)
message(STATUS "${OUTPUT}: ${size} bytes")
