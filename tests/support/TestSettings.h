#pragma once
// The one settings object, made for a test and freed after it: defaults without the splash, the default
// columns, a slot semaphore of its own for the list workers.
struct TestSettings {
    TestSettings();
    ~TestSettings();
    TestSettings(const TestSettings&) = delete;
    TestSettings& operator=(const TestSettings&) = delete;
};
