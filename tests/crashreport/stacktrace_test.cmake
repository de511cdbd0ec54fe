# The traces name this program's own functions from its symbol resource; the bar needs the desktop.
ostrel_link_with_symbols(${test_target})
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
# Tracing many threads against walking their frame pointers; prints figures, asserts nothing.
add_executable(stacktrace_bench ${PROJECT_SOURCE_DIR}/tests/bench/stacktrace_bench.cpp)
target_compile_options(stacktrace_bench PRIVATE ${ostrel_warnings})
target_link_libraries(stacktrace_bench PRIVATE ostrel_crashreport ostrel_crashreport_core)
ostrel_link_with_symbols(stacktrace_bench)
