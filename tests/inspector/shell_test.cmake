include(${PROJECT_SOURCE_DIR}/tests/helpers/helpers.cmake)
add_dependencies(${test_target} fake_desktop)
# Creates top-level windows that stand for the shell's.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
