# A static library made of every .cpp in the given folders (an interface library while a folder is empty),
# compiled with the project's warnings.
function(ostrel_library name)
    set(sources "")
    foreach(dir IN LISTS ARGN)
        file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.c)
        list(APPEND sources ${found})
    endforeach()
    list(FILTER sources EXCLUDE REGEX "/src/inspector/Ostrel\\.cpp$")
    if(sources)
        add_library(${name} STATIC ${sources})
        target_compile_options(${name} PRIVATE ${ostrel_warnings})
        target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    endif()
endfunction()

# Links a library's dependencies whether it ended up static or interface.
function(ostrel_link name)
    get_target_property(type ${name} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_link_libraries(${name} INTERFACE ${ARGN})
    else()
        target_link_libraries(${name} PUBLIC ${ARGN})
    endif()
endfunction()

# Fails the configuration when a source under `dir` includes a project header outside the given prefixes
# (a regular expression of alternatives): a part may include only its own headers, those of the parts it
# builds on, and the system's.
function(ostrel_check_includes dir allowed)
    file(GLOB_RECURSE files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.cpp ${PROJECT_SOURCE_DIR}/${dir}/*.h
         ${PROJECT_SOURCE_DIR}/${dir}/*.inc)
    foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]+\"")
        foreach(line IN LISTS includes)
            string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
            if(NOT header MATCHES "^(${allowed})")
                message(FATAL_ERROR "${file} includes \"${header}\": ${dir} may include only ${allowed}")
            endif()
        endforeach()
    endforeach()
endfunction()
