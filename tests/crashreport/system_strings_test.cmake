# A stand-in network message module beside the test, found before the system's (which Wine lacks).
string(REGEX REPLACE "windres$" "windmc" ostrel_windmc "${CMAKE_RC_COMPILER}")
set(netmsg_dir ${CMAKE_CURRENT_BINARY_DIR}/netmsg_standin)
add_custom_command(OUTPUT ${netmsg_dir}/netmsg.rc ${netmsg_dir}/MSG00001.bin
                   COMMAND ${CMAKE_COMMAND} -E make_directory ${netmsg_dir}
                   COMMAND ${ostrel_windmc} -h ${netmsg_dir} -r ${netmsg_dir}
                           ${PROJECT_SOURCE_DIR}/tests/fixtures/netmsg.mc
                   DEPENDS ${PROJECT_SOURCE_DIR}/tests/fixtures/netmsg.mc)
add_library(netmsg SHARED ${PROJECT_SOURCE_DIR}/tests/fixtures/netmsg.c ${netmsg_dir}/netmsg.rc)
target_include_directories(netmsg PRIVATE ${netmsg_dir})
set_target_properties(netmsg PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(${test_target} netmsg)
