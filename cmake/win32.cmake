# The Windows program: crash reporter, framework, the inspector's units and controls, and the executable.
set(ostrel_system_libs comctl32 comdlg32 ole32 oleaut32 uuid wbemuuid advapi32 shell32 user32 gdi32
    version psapi ws2_32 winspool shlwapi)

include(cmake/symbols.cmake)
include(cmake/crashreport.cmake)

ostrel_library(ostrel_crashreport src/crashreport)
ostrel_link(ostrel_crashreport ostrel_crashreport_core ${ostrel_system_libs})

ostrel_library(ostrel_framework src/framework)
ostrel_link(ostrel_framework ostrel_framework_core ${ostrel_system_libs})

ostrel_library(ostrel_inspector src/inspector src/inspector/controls)
ostrel_link(ostrel_inspector ostrel_framework ostrel_inspector_core)

add_executable(ostrel WIN32 src/inspector/Ostrel.cpp res/ostrel.rc)
# The resource compiler reports no dependencies: a changed picture must rebuild the resources too.
file(GLOB ostrel_pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/*.bmp ${PROJECT_SOURCE_DIR}/res/*.jpg
     ${PROJECT_SOURCE_DIR}/res/*.ico ${PROJECT_SOURCE_DIR}/res/*.cur)
set_source_files_properties(res/ostrel.rc DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTIES OBJECT_DEPENDS
                            "${ostrel_pictures}")
target_compile_options(ostrel PRIVATE ${ostrel_warnings})
target_link_libraries(ostrel PRIVATE ostrel_inspector ostrel_framework ostrel_inspector_core)
ostrel_use_crash_reporter(ostrel)
set_target_properties(ostrel PROPERTIES OUTPUT_NAME ostrel RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
include(cmake/release.cmake)
ostrel_link_with_symbols(ostrel)
