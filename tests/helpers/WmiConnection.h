#pragma once
// A plain connection to "root\cimv2" on this machine, for tests and benchmarks that use WMI's own
// interfaces rather than the program's access to it. COM must be initialised on the calling thread.
#include "framework/ComPtr.h"

#include <wbemcli.h>

inline HRESULT ConnectRootCimv2(fw::ComPtr<IWbemServices>& services) {
    fw::ComPtr<IWbemLocator> locator;
    HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                  locator.putVoid());
    if (FAILED(hr)) return hr;
    BSTR nameSpace = SysAllocString(L"root\\cimv2");
    hr = locator->ConnectServer(nameSpace, nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.put());
    SysFreeString(nameSpace);
    return hr;
}
