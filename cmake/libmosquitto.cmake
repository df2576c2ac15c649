# libmosquitto, the MQTT client library, for the Windows builds: compiled
# from Debian's mosquitto source package into a static library, the client
# library only, without TLS, threads, SOCKS, SRV look-ups or Unix sockets
# (the bridge drives it from one thread of its own and refuses mqtts://).
# Sets SWR_MOSQUITTO_COPYRIGHT to the package's copyright file for the zip.
include(${CMAKE_CURRENT_LIST_DIR}/debian_source.cmake)
swr_debian_source(mosquitto mosquitto_tree)

set(mosquitto_lib ${mosquitto_tree}/lib)
set(mosquitto_sources)
foreach(name actions callbacks connect handle_auth handle_connack handle_disconnect
             handle_ping handle_pubackcomp handle_publish handle_pubrec handle_pubrel
             handle_suback handle_unsuback helpers logging_mosq loop memory_mosq
             messages_mosq misc_mosq mosquitto net_mosq_ocsp net_mosq options
             packet_datatypes packet_mosq property_mosq read_handle send_connect
             send_disconnect send_mosq send_publish send_subscribe send_unsubscribe
             socks_mosq srv_mosq strings_mosq thread_mosq time_mosq tls_mosq utf8_mosq
             util_mosq util_topic will_mosq)
  list(APPEND mosquitto_sources ${mosquitto_lib}/${name}.c)
endforeach()
file(STRINGS ${mosquitto_tree}/CMakeLists.txt mosquitto_version_line
     REGEX "^set \\(VERSION [0-9.]+\\)")
string(REGEX MATCH "[0-9.]+" mosquitto_version "${mosquitto_version_line}")

add_library(swr_mosquitto STATIC ${mosquitto_sources})
target_include_directories(swr_mosquitto PRIVATE ${mosquitto_tree} ${mosquitto_lib}
                           ${mosquitto_tree}/deps)
target_include_directories(swr_mosquitto SYSTEM PUBLIC ${mosquitto_tree}/include)
target_compile_definitions(swr_mosquitto PRIVATE CMAKE VERSION="${mosquitto_version}"
                           PUBLIC LIBMOSQUITTO_STATIC)
# Code from elsewhere: built as its authors build it, its warnings are theirs.
target_compile_options(swr_mosquitto PRIVATE -w)
target_link_libraries(swr_mosquitto PUBLIC ws2_32)

set(SWR_MOSQUITTO_COPYRIGHT ${mosquitto_tree}/debian/copyright CACHE INTERNAL
    "The copyright file of the mosquitto source package")
