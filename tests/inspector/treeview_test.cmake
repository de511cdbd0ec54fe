set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)

# The lists benchmark (run by hand, not a test) and the helper that makes its windows.
add_executable(window_maker ${PROJECT_SOURCE_DIR}/tests/bench/window_maker.cpp)
target_compile_options(window_maker PRIVATE ${ostrel_warnings})
add_executable(lists_bench ${PROJECT_SOURCE_DIR}/tests/bench/lists_bench.cpp)
target_compile_options(lists_bench PRIVATE ${ostrel_warnings})
target_link_libraries(lists_bench PRIVATE ostrel_test_support ostrel_inspector ostrel_framework
                      ostrel_inspector_core)
add_dependencies(lists_bench window_maker ostrel)
