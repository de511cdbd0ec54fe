# One test executable per file: tests/core/*_test.cpp run in both trees (natively under the sanitizers,
# and through Wine), tests/*_test.cpp only in the win32 tree. A file tests/<name>.cmake, if present, is
# included right after its executable <name> exists (extra sources, helper programs, test properties).
function(ostrel_test source)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE ${ostrel_warnings})
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest_main)
    add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
    set_tests_properties(${name} PROPERTIES TIMEOUT 300)
    get_filename_component(dir ${source} DIRECTORY)
    set(test_target ${name})
    if(EXISTS ${dir}/${name}.cmake)
        include(${dir}/${name}.cmake)
    endif()
endfunction()

file(GLOB ostrel_core_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/core/*_test.cpp)
foreach(source IN LISTS ostrel_core_tests)
    ostrel_test(${source} ostrel_core)
endforeach()

if(WIN32)
    file(GLOB ostrel_win32_tests CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/*_test.cpp)
    foreach(source IN LISTS ostrel_win32_tests)
        ostrel_test(${source} ostrel_inspector ostrel_framework ostrel_crashreport ostrel_core)
    endforeach()
endif()
