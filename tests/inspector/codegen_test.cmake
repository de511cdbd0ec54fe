include(${PROJECT_SOURCE_DIR}/tests/helpers/helpers.cmake)
add_dependencies(${test_target} ostrel_codetarget ostrel_sleeper)
# The generator and the window search are made from the program's dialog templates.
target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/res/ostrel.rc)
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
