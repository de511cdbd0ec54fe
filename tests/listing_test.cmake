target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/tests/support/ListFakes.cpp)
