#include "support/Screenshot.h"
#include "support/ProcessDriver.h"
#include <windows.h>

namespace testing_support {

bool SaveScreenshotPng(const std::string& name) {
    std::string folder = BuildPath("screenshots");
    CreateDirectoryA(folder.c_str(), nullptr);
    return SaveScreenshot(folder + "\\" + name + ".png");
}

} // namespace testing_support
