# Readers of the symbol-data tool, which runs on the build machine but parses portably.
target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/symdata/ToolOutputs.cpp
    ${PROJECT_SOURCE_DIR}/tools/symdata/Assemble.cpp)
target_include_directories(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/tools/symdata)
