# A program that carries the crash reporter: it defines its own jov::ProgramCrashSettings; the linker keeps
# the crash reporter's start-up unit, routes every C++ throw through the throw-site recorder and exports
# jovTraceProcess by its plain name.
function(ostrel_use_crash_reporter target)
    target_link_libraries(${target} PRIVATE ostrel_crashreport ostrel_crashreport_core)
    target_link_options(${target} PRIVATE -Wl,--wrap=__cxa_throw -Wl,--undefined=_jovExceptLinked
        -Wl,--undefined=___wrap___cxa_throw -Wl,--undefined=_jovTraceProcess@4 -Wl,--kill-at)
endfunction()
