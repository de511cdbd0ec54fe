#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

// Win32 constants, WMI codes and error codes with their symbolic names.
struct ConstName {
    std::uint32_t value;
    const char* name;
};

class EConvertError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The name of the first entry with this value; without one, defaultText, or EConvertError
// "Expression for <value> doesn't exist" when defaultText is empty.
std::string LookupConstName(std::uint32_t value, std::span<const ConstName> table,
                            const std::string& defaultText);

extern const ConstName WindowStyleNames[22];
extern const ConstName ExtWindowStyleNames[21];
extern const ConstName ClassStyleNames[14];
extern const ConstName PriorityClassNames[6];
// Indexed by the WMI code itself.
extern const ConstName ThreadStateNames[8];
extern const ConstName ThreadWaitReasonNames[21];

// Generated from winerror.h (tools/gen_error_codes.py): first name per value.
extern const ConstName SystemErrorCodes[];
extern const std::size_t SystemErrorCodeCount;
inline std::span<const ConstName> SystemErrorCodeTable() {
    return {SystemErrorCodes, SystemErrorCodeCount};
}
