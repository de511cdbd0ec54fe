# One test executable per file *_test.cpp, in folders that follow src/: the portable libraries' tests
# (tests/framework/core, tests/inspector/core, tests/crashreport/core) run in both trees (natively under the
# sanitizers, and through Wine), tests/framework, tests/inspector and tests/crashreport only in the win32
# tree, tests/tools (the build-machine tools) only in the host tree. The framework's tests link nothing of
# the inspector, the crash reporter's nothing of the inspector or the framework. A file <name>.cmake beside
# the test, if present, is included right after its executable <name> exists (extra sources, helper
# programs, test properties).
function(ostrel_test source)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE ${ostrel_warnings})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set(timeout 300)
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout})
    if(WIN32)
        # Says what hung, and ends what it started, before CTest's time-out would end it silently.
        target_sources(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests/common/TestDeadline.cpp)
        math(EXPR deadline "${timeout} - 20")
        target_compile_definitions(${name} PRIVATE OSTREL_TEST_DEADLINE_S=${deadline})
    endif()
    get_filename_component(dir ${source} DIRECTORY)
    set(test_target ${name})
    if(EXISTS ${dir}/${name}.cmake)
        include(${dir}/${name}.cmake)
    endif()
endfunction()

function(ostrel_tests dir)
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*_test.cpp)
    foreach(source IN LISTS sources)
        ostrel_test(${source} ${ARGN})
    endforeach()
endfunction()

ostrel_tests(tests/framework/core ostrel_framework_core)
ostrel_tests(tests/inspector/core ostrel_inspector_core)
ostrel_tests(tests/crashreport/core ostrel_crashreport_core)

if(NOT WIN32)
    # The release checks' reader; its last test reads the win32 tree's executables when they exist.
    set(OSTREL_WIN32_BUILD ${PROJECT_SOURCE_DIR}/build/win32 CACHE PATH "The win32 tree the host tests check")
    ostrel_tests(tests/tools ostrel_peinfo)
    target_compile_definitions(peinfo_test PRIVATE "OSTREL_WIN32_BUILD=\"${OSTREL_WIN32_BUILD}\"")

    # A benchmark, not a test: prints figures, asserts nothing.
    add_executable(sort_bench ${PROJECT_SOURCE_DIR}/tests/bench/sort_bench.cpp)
    target_compile_options(sort_bench PRIVATE ${ostrel_warnings})
    target_link_libraries(sort_bench PRIVATE ostrel_inspector_core)
endif()

if(WIN32)
    # What the win32 tests share: driving other programs, the build folder as Windows sees it.
    file(GLOB support_sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/support/*.cpp)
    add_library(ostrel_test_support STATIC ${support_sources})
    target_include_directories(ostrel_test_support PUBLIC ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(ostrel_test_support PUBLIC ostrel_inspector ostrel_framework GTest::gtest)
    ostrel_data_path(build_dir ${CMAKE_BINARY_DIR})
    target_compile_definitions(ostrel_test_support PRIVATE "OSTREL_BUILD_DIR=\"${build_dir}\"")
    ostrel_tests(tests/framework ostrel_framework)
    ostrel_tests(tests/inspector ostrel_test_support ostrel_inspector ostrel_framework ostrel_inspector_core)
    ostrel_tests(tests/crashreport ostrel_crashreport ostrel_crashreport_core)
    include(tests/apps/apps.cmake)
endif()
