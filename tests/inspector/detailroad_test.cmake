add_dependencies(${test_target} ostrel)
# The program's single instance, its registry key, the mouse, the foreground and the keyboard.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK "desktop;ostrel_instance")
