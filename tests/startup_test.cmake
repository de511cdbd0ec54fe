target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/ProcessDriver.cpp)
ostrel_data_path(build_dir ${CMAKE_BINARY_DIR})
target_compile_definitions(${test_target} PRIVATE "OSTREL_BUILD_DIR=\"${build_dir}\"")
add_dependencies(${test_target} ostrel)
# Every start of the program shares its single-instance marker, registry key and desktop.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK ostrel_instance)
