ostrel_use_crash_reporter(${test_target})
target_compile_definitions(${test_target} PRIVATE OSTREL_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots")
# Focus, foreground and the clipboard belong to the desktop.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
# Exception to composed report with 20 waiting threads; prints figures, asserts nothing.
add_executable(report_bench ${PROJECT_SOURCE_DIR}/tests/bench/report_bench.cpp)
target_compile_options(report_bench PRIVATE ${ostrel_warnings})
ostrel_use_crash_reporter(report_bench)
ostrel_link_with_symbols(report_bench)
