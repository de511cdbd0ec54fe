# The code under test carries coverage instrumentation too, or libFuzzer would search blind.
foreach(library ostrel_framework_core ostrel_inspector_core ostrel_crashreport_core ostrel_symdata)
    if(TARGET ${library})
        target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link)
    endif()
endforeach()

# libFuzzer targets over one portable library (fuzz/inspector/ for the inspector's, fuzz/crashreport/ for
# the crash reporter's); each also runs as a test for a bounded time.
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
        # <dir>/<name>.cmake, if present, adds what the target needs beyond its library (sources, includes)
        # and may add options to fuzz_options (an input size limit, say).
        set(fuzz_target ${name})
        set(fuzz_options)
        if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/${name}.cmake)
            include(${PROJECT_SOURCE_DIR}/${dir}/${name}.cmake)
        endif()
        # Checked-in seeds (<dir>/seeds/<name>/, read as a second corpus the run does not write to) and a
        # dictionary (<dir>/<name>.dict) lead the search past the inputs' headers.
        set(seeds)
        if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${dir}/seeds/${name})
            set(seeds ${PROJECT_SOURCE_DIR}/${dir}/seeds/${name})
        endif()
        if(EXISTS ${PROJECT_SOURCE_DIR}/${dir}/${name}.dict)
            list(APPEND fuzz_options -dict=${PROJECT_SOURCE_DIR}/${dir}/${name}.dict)
        endif()
        add_test(NAME ${name} COMMAND ${name} -max_total_time=${OSTREL_FUZZ_SECONDS} -print_final_stats=0
                 ${fuzz_options} ${corpus} ${seeds})
        set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT 900)
    endforeach()
endfunction()

ostrel_fuzzers(fuzz/inspector ostrel_inspector_core)
ostrel_fuzzers(fuzz/crashreport ostrel_crashreport_core)
