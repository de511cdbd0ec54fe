# A program that carries the crash reporter: it defines its own jov::ProgramCrashSettings; the linker keeps
# the crash reporter's start-up unit, routes every C++ throw through the throw-site recorder and exports
# jovTraceProcess by its plain name.
# It carries the exception dialog's pictures too, res/crashreport.rc: added here to a program without
# resources, included by the resource file of one that has its own (each resource file numbers its icons
# from 1, and the linker cannot merge two icons of one number).
set(ostrel_dialog_pictures_rc ${PROJECT_SOURCE_DIR}/res/crashreport.rc)
file(GLOB ostrel_dialog_pictures CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/res/jei-*)
# The resource compiler reports no dependencies: a changed picture must rebuild the resources too.
set_source_files_properties(${ostrel_dialog_pictures_rc} DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTIES
                            OBJECT_DEPENDS "${ostrel_dialog_pictures}")
function(ostrel_use_crash_reporter target)
    target_link_libraries(${target} PRIVATE ostrel_crashreport ostrel_crashreport_core)
    target_link_options(${target} PRIVATE -Wl,--wrap=__cxa_throw -Wl,--undefined=_jovExceptLinked
        -Wl,--undefined=___wrap___cxa_throw -Wl,--undefined=_jovTraceProcess@4 -Wl,--kill-at)
    get_target_property(resources ${target} SOURCES)
    list(FILTER resources INCLUDE REGEX "\\.rc$")
    if(NOT resources)
        target_sources(${target} PRIVATE ${ostrel_dialog_pictures_rc})
        return()
    endif()
    set_property(SOURCE ${resources} DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY INCLUDE_DIRECTORIES
                 ${PROJECT_SOURCE_DIR}/res)
    set_property(SOURCE ${resources} DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY OBJECT_DEPENDS
                 ${ostrel_dialog_pictures_rc} ${ostrel_dialog_pictures})
endfunction()
