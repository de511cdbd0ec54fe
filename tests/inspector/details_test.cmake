include(${PROJECT_SOURCE_DIR}/tests/helpers/helpers.cmake)
add_dependencies(${test_target} ostrel_sleeper)
# The settings object loads the splash picture; the detail windows load their kind icons.
target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/res/ostrel.rc)
# Creates windows in the shared test desktop and saves pictures of the screen.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
