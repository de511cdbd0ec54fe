# The settings object loads the splash picture; the dialog-template form needs its template.
target_sources(${test_target} PRIVATE ${PROJECT_SOURCE_DIR}/res/ostrel.rc)
# Moves the mouse, takes the foreground and saves pictures of the screen.
set_tests_properties(${test_target} PROPERTIES RESOURCE_LOCK desktop)
