#pragma once
#include <windows.h>

#include <stdexcept>
#include <string>

namespace fw {

// A failed COM call: what was attempted and its HRESULT.
class EOleException : public std::runtime_error {
public:
    EOleException(HRESULT hr, const std::string& operation);
    HRESULT code() const { return code_; }

private:
    HRESULT code_;
};

// Throws EOleException for a failure code.
inline void checkHr(HRESULT hr, const std::string& operation) {
    if (FAILED(hr)) throw EOleException(hr, operation);
}

// The system's message text for an error code, without the trailing line break.
std::string sysErrorMessage(DWORD code);

} // namespace fw
