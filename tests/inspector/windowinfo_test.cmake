include(${PROJECT_SOURCE_DIR}/tests/helpers/helpers.cmake)
add_dependencies(${test_target} ostrel_sleeper)
# Creates windows in the shared test desktop.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
