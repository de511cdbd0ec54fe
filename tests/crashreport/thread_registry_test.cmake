# Threads of code with symbol data are the ones a report holds: the test carries its symbol resource.
ostrel_use_crash_reporter(${test_target})
ostrel_link_with_symbols(${test_target})
