# The traces name this program's own functions from its symbol resource; the bar needs the desktop, and
# its picture is saved with the others.
# The throw-site recorder wraps the runtime's throw in every program that links the crash reporter.
target_link_options(${test_target} PRIVATE -Wl,--wrap=__cxa_throw -Wl,--undefined=___wrap___cxa_throw)
target_compile_definitions(${test_target} PRIVATE OSTREL_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots")
ostrel_link_with_symbols(${test_target})
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
# Tracing many threads against walking their frame pointers, and a copy of itself that overflows its stack
# and shows the crash dialog; prints figures, asserts nothing.
add_executable(stacktrace_bench ${PROJECT_SOURCE_DIR}/tests/bench/stacktrace_bench.cpp)
target_compile_options(stacktrace_bench PRIVATE ${ostrel_warnings})
ostrel_use_crash_reporter(stacktrace_bench)
ostrel_link_with_symbols(stacktrace_bench)
