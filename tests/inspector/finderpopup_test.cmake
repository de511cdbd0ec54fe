include(${PROJECT_SOURCE_DIR}/tests/helpers/helpers.cmake)
add_dependencies(${test_target} ostrel ostrel_sleeper)
# The program's single instance, its registry key, the mouse and the screen.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK "desktop;ostrel_instance")
