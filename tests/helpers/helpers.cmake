# Programs and libraries the win32 tests inspect, built beside the test executables (once per tree).
include_guard(GLOBAL)

add_executable(ostrel_sleeper ${PROJECT_SOURCE_DIR}/tests/helpers/sleeper.c)
add_executable(ostrel_codetarget ${PROJECT_SOURCE_DIR}/tests/helpers/codetarget.c)

foreach(sample version_sample version_notranslation)
    add_library(${sample} SHARED ${PROJECT_SOURCE_DIR}/tests/helpers/version_sample.c
                                 ${PROJECT_SOURCE_DIR}/tests/helpers/${sample}.rc)
    set_target_properties(${sample} PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
endforeach()

# A stand-in for the shell's desktop list view, for the desktop-icon tests.
add_executable(fake_desktop ${PROJECT_SOURCE_DIR}/tests/helpers/fake_desktop.c)
target_link_libraries(fake_desktop PRIVATE comctl32)
set_target_properties(fake_desktop PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})

# A stand-in for the simple-mail library, in a folder of its own so that no other program finds it.
add_library(mapi_standin SHARED ${PROJECT_SOURCE_DIR}/tests/helpers/mapi_standin.c)
set_target_properties(mapi_standin PROPERTIES PREFIX "" OUTPUT_NAME mapi32
                                              RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/mapi_standin)
target_link_options(mapi_standin PRIVATE -Wl,--kill-at)
