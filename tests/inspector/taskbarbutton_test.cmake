add_dependencies(${test_target} ostrel)
# The program's single instance, its registry key, the foreground and the screen.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK "desktop;ostrel_instance")
