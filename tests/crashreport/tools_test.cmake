# The module with a known export table: named, unnamed and forwarded exports.
add_library(exporttest SHARED ${PROJECT_SOURCE_DIR}/tests/fixtures/exporttest.c
            ${PROJECT_SOURCE_DIR}/tests/fixtures/exporttest.def)
set_target_properties(exporttest PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
add_dependencies(${test_target} exporttest)
