# The round trip goes through the symbol-data tool's own writer.
target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/symdata/CompactWriter.cpp)
target_include_directories(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/symdata)
target_compile_definitions(${test_target} PRIVATE OSTREL_TEST_DATA="${PROJECT_SOURCE_DIR}/tests/data")
