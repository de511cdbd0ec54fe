add_dependencies(${test_target} ostrel)
# The program's single instance, its registry key, the shell's top edge and notification area, the cursor
# and the foreground.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK "desktop;ostrel_instance" TIMEOUT 600)
