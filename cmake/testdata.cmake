# ostrel_data_path(<var> <path>): a path of the source tree as the test program sees it (through Wine's
# Z: drive in the win32 tree).
function(ostrel_data_path var path)
    if(WIN32)
        string(REPLACE "/" "\\\\" path "Z:${path}")
    endif()
    set(${var} "${path}" PARENT_SCOPE)
endfunction()
