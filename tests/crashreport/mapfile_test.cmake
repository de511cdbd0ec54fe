# The test executable carries its own symbol resource, like ostrel.exe.
ostrel_link_with_symbols(${test_target})
# A helper module in a folder of its own, beside which the tests write symbol files.
add_library(mapfile_helper SHARED ${PROJECT_SOURCE_DIR}/tests/helpers/mapfile_helper.cpp)
set_target_properties(mapfile_helper PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/mapfile_helper)
add_dependencies(${test_target} mapfile_helper)
target_sources(${test_target}_objects PRIVATE ${PROJECT_SOURCE_DIR}/tools/symdata/CompactWriter.cpp)
target_include_directories(${test_target}_objects PRIVATE ${PROJECT_SOURCE_DIR}/tools/symdata)
