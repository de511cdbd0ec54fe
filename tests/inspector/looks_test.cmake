add_dependencies(${test_target} ostrel)
# The program's single instance, its registry key and the screen it pictures.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK "desktop;ostrel_instance")
