# The generated C/C++ code is compiled and run with the host's compiler where there is one.
if(NOT WIN32)
    target_compile_definitions(${test_target} PRIVATE "HOST_C_COMPILER=\"${CMAKE_C_COMPILER}\"")
endif()
