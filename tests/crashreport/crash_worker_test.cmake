ostrel_use_crash_reporter(${test_target})
# One of its tests takes the mouse capture, which the desktop's other tests would lose their mouse to.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
