include(${PROJECT_SOURCE_DIR}/tests/helpers/helpers.cmake)
add_dependencies(${test_target} fake_desktop)
# The program's registry key comes from its string table.
target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/res/ostrel.rc)
# Creates top-level windows that stand for the shell's, registers a bar at the shell's top edge and uses
# the program's registry key.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK "desktop;ostrel_instance")
