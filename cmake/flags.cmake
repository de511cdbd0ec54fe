# The crash reporter walks frames and reads our own debug information: keep both.
set(ostrel_warnings -Wall -Wextra)
add_compile_options(-fno-omit-frame-pointer -g)

if(WIN32)
    add_compile_options(-O2)
    add_compile_definitions(_WIN32_WINNT=0x0600 WINVER=0x0600 NOMINMAX WIN32_LEAN_AND_MEAN STRICT)
    add_link_options(-static -static-libgcc -static-libstdc++)
else()
    set(ostrel_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=all)
    add_compile_options(-O1 ${ostrel_sanitizers})
    add_link_options(${ostrel_sanitizers})
endif()
