# The code under test carries coverage instrumentation too, or libFuzzer would search blind.
foreach(library ostrel_core ostrel_crashreport_core ostrel_symdata)
    if(TARGET ${library})
        target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
endforeach()

# libFuzzer targets over one portable library (fuzz/ for the inspector's, fuzz/crashreport/ for the crash
# reporter's); each also runs as a test for a bounded time.
function(ostrel_fuzzers dir library)
    file(GLOB sources CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*_fuzz.cpp)
    foreach(source IN LISTS sources)
        get_filename_component(name ${source} NAME_WE)
        add_executable(${name} ${source})
        target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${ostrel_warnings})
        target_link_options(${name} PRIVATE -fsanitize=fuzzer)
        target_link_libraries(${name} PRIVATE ${library})
        set(corpus ${CMAKE_BINARY_DIR}/corpus/${name})
        file(MAKE_DIRECTORY ${corpus})
        add_test(NAME ${name} COMMAND ${name} -max_total_time=${OSTREL_FUZZ_SECONDS} -print_final_stats=0 ${corpus})
        set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 900)
        # <dir>/<name>.cmake, if present, adds what the target needs beyond its library (sources, includes).
        set(fuzz_target ${name})
        if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/${name}.cmake)
            include(${PROJECT_SOURCE_DIR}/${dir}/${name}.cmake)
        endif()
    endforeach()
endfunction()

ostrel_fuzzers(fuzz ostrel_core)
ostrel_fuzzers(fuzz/crashreport ostrel_crashreport_core)
