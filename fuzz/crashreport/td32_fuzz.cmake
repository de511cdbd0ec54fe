# Inputs as large as real files, so that long tables and many records are reached.
list(APPEND fuzz_options -max_len=65536)
