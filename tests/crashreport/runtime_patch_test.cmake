ostrel_use_crash_reporter(${test_target})
