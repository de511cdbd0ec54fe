# The program's own symbol resource. An executable is linked twice from the same objects: pass one with a
# GNU ld map, which the native tool ostrel-symdata reads together with nm, objdump and addr2line to write
# compact symbol data; pass two adds that data as the resource "EXCEPT" of type JOV. The resource lands in
# .rsrc, after the code, so .text must come out byte for byte the same; the build checks that it does.
#
# The tool runs on the build machine, so this tree (cross-compiled) builds it as a separate native
# project: ExternalProject with the host compiler, no toolchain file.
include(ExternalProject)
# A build-machine program from tools/<source>, built into `binary_dir` with the host compiler.
function(ostrel_native_tool target source binary_dir executable)
    ExternalProject_Add(${target}
        SOURCE_DIR ${PROJECT_SOURCE_DIR}/tools/${source}
        BINARY_DIR ${binary_dir}
        CMAKE_ARGS -DCMAKE_CXX_COMPILER=c++ -DCMAKE_BUILD_TYPE=Release
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${executable})
endfunction()

set(ostrel_symdata_dir ${CMAKE_BINARY_DIR}/native-tools)
set(ostrel_symdata_exe ${ostrel_symdata_dir}/ostrel-symdata)
ostrel_native_tool(ostrel_symdata_tool symdata ${ostrel_symdata_dir} ${ostrel_symdata_exe})

find_program(OSTREL_OBJCOPY ${triple}-objcopy REQUIRED)

# Gives `target` (an executable already declared with its sources and libraries) its symbol resource.
function(ostrel_link_with_symbols target)
    set(dir ${CMAKE_BINARY_DIR}/symbols)
    set(pass1 ${target}_pass1)
    set(ld_map ${dir}/${target}.ld-map)
    set(jov ${dir}/${target}.jov)
    set(rc ${dir}/${target}-symbols.rc)

    # Compile once; both passes link these objects.
    get_target_property(sources ${target} SOURCES)
    get_target_property(libraries ${target} LINK_LIBRARIES)
    add_library(${target}_objects OBJECT ${sources})
    foreach(property COMPILE_OPTIONS COMPILE_DEFINITIONS INCLUDE_DIRECTORIES)
        get_target_property(value ${target} ${property})
        if(value)
            set_property(TARGET ${target}_objects PROPERTY ${property} ${value})
        endif()
    endforeach()
    target_link_libraries(${target}_objects PRIVATE ${libraries})

    add_executable(${pass1} $<TARGET_OBJECTS:${target}_objects>)
    get_target_property(gui ${target} WIN32_EXECUTABLE)
    set_target_properties(${pass1} PROPERTIES WIN32_EXECUTABLE "${gui}" RUNTIME_OUTPUT_DIRECTORY ${dir})
    target_link_libraries(${pass1} PRIVATE ${libraries})
    get_target_property(link_options ${target} LINK_OPTIONS)
    if(link_options)
        target_link_options(${pass1} PRIVATE ${link_options})
    endif()
    # Named .ld-map so that it is never taken for a ".map" beside the module, which the reader would parse.
    target_link_options(${pass1} PRIVATE -Wl,-Map=${ld_map})

    add_custom_command(OUTPUT ${jov}
        COMMAND ${ostrel_symdata_exe} --image $<TARGET_FILE:${pass1}> --ld-map ${ld_map} --out ${jov}
                --tool-prefix ${triple}-
        DEPENDS ${pass1} ostrel_symdata_tool ${ostrel_symdata_exe}
        COMMENT "Writing the symbol data of ${target}"
        VERBATIM)
    file(WRITE ${rc} "EXCEPT JOV \"${jov}\"\n")
    set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${jov})

    set_property(TARGET ${target} PROPERTY SOURCES $<TARGET_OBJECTS:${target}_objects> ${rc})
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DOBJCOPY=${OSTREL_OBJCOPY} -DFIRST=$<TARGET_FILE:${pass1}>
                -DSECOND=$<TARGET_FILE:${target}> -P ${PROJECT_SOURCE_DIR}/cmake/CompareCode.cmake
        VERBATIM)
endfunction()
