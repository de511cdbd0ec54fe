# The settings dialog and the code generator are made from the program's dialog templates.
target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/res/ostrel.rc)
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
