target_compile_definitions(${test_target} PRIVATE OSTREL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
