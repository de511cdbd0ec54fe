#pragma once
// The one fetch of a whole WMI collection, apart from the rest of the WMI access so that a test can hand
// it an enumerator that fails.
#include "framework/ComPtr.h"

#include <wbemcli.h>

#include <vector>

namespace fw::wmi {

// How a collection is asked for: the call returns at once, and with the class's own instances only.
constexpr long instancesFlags = long(WBEM_FLAG_RETURN_IMMEDIATELY) | long(WBEM_FLAG_SHALLOW);

// Every object the enumerator has left, asked for in a single call with room for `room` of them (another
// call follows only when they fill it); none at all when a call fails, so that a collection is used
// whole or not at all.
std::vector<ComPtr<IWbemClassObject>> fetchAll(IEnumWbemClassObject& items, ULONG room = 1 << 14);

} // namespace fw::wmi
