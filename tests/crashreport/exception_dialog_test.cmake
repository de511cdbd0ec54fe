# Glyph resources of the test's own beside the program's.
target_sources(${test_target} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/glyphs/glyphs.rc)
file(GLOB test_glyphs CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/glyphs/*.bmp ${CMAKE_CURRENT_LIST_DIR}/glyphs/*.ico)
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/glyphs/glyphs.rc DIRECTORY ${PROJECT_SOURCE_DIR}
                            PROPERTIES OBJECT_DEPENDS "${test_glyphs}")
ostrel_use_crash_reporter(${test_target})
target_compile_definitions(${test_target} PRIVATE OSTREL_SCREENSHOTS="${CMAKE_BINARY_DIR}/screenshots")
# Focus, foreground and the clipboard belong to the desktop.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
# Exception to composed report with 20 waiting threads; prints figures, asserts nothing.
add_executable(report_bench ${PROJECT_SOURCE_DIR}/tests/bench/report_bench.cpp)
target_compile_options(report_bench PRIVATE ${ostrel_warnings})
ostrel_use_crash_reporter(report_bench)
ostrel_link_with_symbols(report_bench)
