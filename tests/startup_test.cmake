add_dependencies(${test_target} ostrel ostrel_release)
# Every start of the program shares its single-instance marker, registry key and desktop.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK ostrel_instance)
