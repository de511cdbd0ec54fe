# libFuzzer targets over the portable core; each also runs as a test for a bounded time.
file(GLOB ostrel_fuzzers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/fuzz/*_fuzz.cpp)
foreach(source IN LISTS ostrel_fuzzers)
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${ostrel_warnings})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ostrel_core)
    set(corpus ${CMAKE_BINARY_DIR}/corpus/${name})
    file(MAKE_DIRECTORY ${corpus})
    add_test(NAME ${name} COMMAND ${name} -max_total_time=${OSTREL_FUZZ_SECONDS} -print_final_stats=0 ${corpus})
    set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 900)
endforeach()

# The fuzzers only see what is instrumented: give the core coverage feedback too.
target_compile_options(ostrel_core PRIVATE -fsanitize=fuzzer-no-link)
