include(${PROJECT_SOURCE_DIR}/tests/helpers/helpers.cmake)
add_dependencies(${test_target} ostrel_sleeper)
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
