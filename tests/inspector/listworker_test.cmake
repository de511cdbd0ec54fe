set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
