ostrel_data_path(picture ${PROJECT_SOURCE_DIR}/res/splash.jpg)
target_compile_definitions(${test_target} PRIVATE "SPLASH_JPG=\"${picture}\"")
