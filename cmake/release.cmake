# The shipped program: a Windows 2000 loadable image (the runtime's newer imports and comctl32's
# ordinal-only exports replaced, see src/runtime/), its debug information moved beside it into
# ostrel.debug, and a check of what a user downloads. release/ostrel.exe is the stripped executable; the
# full one stays build/ostrel.exe for debugging. The resources (version, symbol data, pictures) are not
# touched by the strip.
target_sources(ostrel PRIVATE ${PROJECT_SOURCE_DIR}/src/runtime/Win2000Imports.cpp
    ${PROJECT_SOURCE_DIR}/src/runtime/SubclassImports.cpp)

# The image reader runs on the build machine, like the symbol-data writer.
set(ostrel_peinfo_dir ${CMAKE_BINARY_DIR}/native-tools/peinfo)
set(ostrel_peinfo_exe ${ostrel_peinfo_dir}/ostrel-peinfo)
ostrel_native_tool(ostrel_peinfo_tool peinfo ${ostrel_peinfo_dir} ${ostrel_peinfo_exe})

set(ostrel_release_dir ${CMAKE_BINARY_DIR}/release)
set(ostrel_release_exe ${ostrel_release_dir}/ostrel.exe)
set(ostrel_release_debug ${ostrel_release_dir}/ostrel.debug)
# The debug link names the file only; a debugger looks for it beside the executable.
add_custom_command(OUTPUT ${ostrel_release_exe} ${ostrel_release_debug}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${ostrel_release_dir}
    COMMAND ${OSTREL_OBJCOPY} --only-keep-debug $<TARGET_FILE:ostrel> ${ostrel_release_debug}
    COMMAND ${OSTREL_OBJCOPY} --strip-all $<TARGET_FILE:ostrel> ${ostrel_release_exe}
    COMMAND ${OSTREL_OBJCOPY} --add-gnu-debuglink=ostrel.debug ostrel.exe
    COMMAND ${ostrel_peinfo_exe} check ${ostrel_release_exe}
    WORKING_DIRECTORY ${ostrel_release_dir}
    DEPENDS ostrel ostrel_peinfo_tool ${ostrel_peinfo_exe}
    COMMENT "Writing the release executable and its debug file"
    VERBATIM)
add_custom_target(ostrel_release ALL DEPENDS ${ostrel_release_exe} ${ostrel_release_debug})

# Runs natively (the reader is a build-machine program), so it needs no Wine.
add_test(NAME release_image COMMAND ${ostrel_peinfo_exe} check ${ostrel_release_exe})
add_test(NAME release_full_image_imports COMMAND ${ostrel_peinfo_exe} check-imports $<TARGET_FILE:ostrel>)
