# Seals fuzz input with the tool's writer so that the symbol stream reader behind the CRC is reached.
target_link_libraries(${fuzz_target} PRIVATE ostrel_symdata)
