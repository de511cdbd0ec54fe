# The crash programs: each carries its own crash-reporter settings, runs in the console and declares in its
# source what must happen (exit code, lines of its output); CrashAppRunner checks every declaration.
add_executable(CrashAppRunner ${CMAKE_CURRENT_LIST_DIR}/CrashAppRunner.cpp)
target_compile_options(CrashAppRunner PRIVATE ${ostrel_warnings})
target_include_directories(CrashAppRunner PRIVATE ${PROJECT_SOURCE_DIR}/tests)
# The runner ends a program that hangs well before CTest would, so that it can say what hung.
set(crash_app_timeout 120)

# A module without symbols that recursion programs call into.
add_library(crashapp_recursion SHARED ${CMAKE_CURRENT_LIST_DIR}/recursion_dll/Recursion.cpp)
set_target_properties(crashapp_recursion PROPERTIES PREFIX "")
target_link_options(crashapp_recursion PRIVATE -s)

include(${PROJECT_SOURCE_DIR}/tests/helpers/helpers.cmake)
ostrel_data_path(mapi_standin_dll ${CMAKE_BINARY_DIR}/mapi_standin/mapi32.dll)

file(GLOB crash_apps CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/*.cpp)
list(FILTER crash_apps EXCLUDE REGEX "/CrashAppRunner\\.cpp$")
foreach(source IN LISTS crash_apps)
    get_filename_component(name ${source} NAME_WE)
    set(app crashapp_${name})
    add_executable(${app} ${source})
    target_compile_options(${app} PRIVATE ${ostrel_warnings})
    # The framework only for the catch point of window procedures; the crash reporter never includes it.
    target_link_libraries(${app} PRIVATE ostrel_framework)
    ostrel_use_crash_reporter(${app})
    if(name MATCHES "^dialog_paused_")
        # The simple-mail library the dialog's mail button calls is a stand-in the program loads first.
        add_dependencies(${app} mapi_standin)
        target_compile_definitions(${app} PRIVATE "MAPI_STANDIN=\"${mapi_standin_dll}\"")
    endif()
    if(name STREQUAL "stack_overflow_tight")
        target_link_libraries(${app} PRIVATE crashapp_recursion)
    endif()
    if(name STREQUAL "start_beside_thread_attach")
        target_link_libraries(${app} PRIVATE crashapp_slow_attach_module)
    endif()
    if(name MATCHES "^(report_contents|stale_register_jump|stack_overflow_tight|fault_in_tracing|call_bad_pointer|caught_exception_throwers|stop_undoes_everything|fault_in_static_destructor)$")
        ostrel_link_with_symbols(${app}) # the report names the faulting function and lists it
    endif()
    ostrel_data_path(program ${CMAKE_CURRENT_BINARY_DIR}/${app}.exe)
    ostrel_data_path(declaration ${source})
    set(timeout ${crash_app_timeout})
    if(name STREQUAL "dialog_paused_gui")
        set(timeout 240) # 150 clicks, most of them opening a box that is then cancelled
    endif()
    math(EXPR deadline "${timeout} - 20")
    add_test(NAME ${app} COMMAND CrashAppRunner ${program} ${declaration} ${deadline})
    # A report that takes a while shows its progress bar on the shared screen (where other tests take
    # their pictures); the clipboard and a dialog's foreground are the desktop's too.
    set_tests_properties(${app} PROPERTIES TIMEOUT ${timeout} RESOURCE_LOCK desktop)

    if(name STREQUAL "paused_busy_threads" OR name STREQUAL "thread_class_registry")
        # A report holds threads created by code with symbol data; creators are named from it.
        ostrel_link_with_symbols(${app})
    endif()
endforeach()

# A second module carrying the crash reporter and a module without it, for the program that loads them.
add_library(crashapp_module SHARED ${CMAKE_CURRENT_LIST_DIR}/modules/crash_module.cpp)
add_library(crashapp_plain_module SHARED ${CMAKE_CURRENT_LIST_DIR}/modules/plain_module.cpp)
# A module whose thread attach lingers under the loader lock and then takes the process heap.
add_library(crashapp_slow_attach_module SHARED ${CMAKE_CURRENT_LIST_DIR}/modules/slow_attach_module.cpp)
foreach(module crashapp_module crashapp_plain_module crashapp_slow_attach_module)
    target_compile_options(${module} PRIVATE ${ostrel_warnings})
    set_target_properties(${module} PROPERTIES PREFIX "")
endforeach()
ostrel_use_crash_reporter(crashapp_module)
add_dependencies(crashapp_second_module crashapp_module crashapp_plain_module)
