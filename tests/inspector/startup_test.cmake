add_dependencies(${test_target} ostrel ostrel_release)
# Every start of the program shares its single-instance marker, registry key and desktop; its windows
# take the foreground and stand on the shared screen.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK "desktop;ostrel_instance")
