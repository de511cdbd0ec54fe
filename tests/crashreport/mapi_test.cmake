include(${PROJECT_SOURCE_DIR}/tests/helpers/helpers.cmake)
add_dependencies(${test_target} mapi_standin)
ostrel_data_path(mapi_standin_dll ${CMAKE_BINARY_DIR}/mapi_standin/mapi32.dll)
target_compile_definitions(${test_target} PRIVATE "MAPI_STANDIN=\"${mapi_standin_dll}\"")
# The settings record of the crash reporter, dormant here, comes with the reporter's start-up unit.
ostrel_use_crash_reporter(${test_target})
