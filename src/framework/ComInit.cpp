#include "framework/ComPtr.h"

#include <objbase.h>

namespace fw {

ComInit::ComInit(DWORD model) : hr_(CoInitializeEx(nullptr, model)) {}

ComInit::~ComInit() {
    if (SUCCEEDED(hr_)) CoUninitialize();
}

} // namespace fw
