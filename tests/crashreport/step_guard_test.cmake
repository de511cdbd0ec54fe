# The composer's failure line needs the whole crash reporter, started as in a program.
ostrel_use_crash_reporter(${test_target})
