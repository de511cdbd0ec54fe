# The form's toolbar and finder pictures are the program's resources.
target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/res/ostrel.rc)
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
