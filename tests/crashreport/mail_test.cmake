# The stand-in "mailto" program, beside the test.
if(NOT TARGET ostrel_command_recorder)
    add_executable(ostrel_command_recorder ${PROJECT_SOURCE_DIR}/tests/helpers/command_recorder.c)
    set_target_properties(ostrel_command_recorder PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endif()
add_dependencies(${test_target} ostrel_command_recorder)
# The test replaces the registered "mailto" command for its run.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK mailto_handler)
# The settings record of the crash reporter, dormant here, comes with the reporter's start-up unit.
ostrel_use_crash_reporter(${test_target})
