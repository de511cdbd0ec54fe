target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/ListFakes.cpp)
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
