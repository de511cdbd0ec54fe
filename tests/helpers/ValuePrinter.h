#pragma once
// Lets GoogleTest show values as their kind and text.
#include "framework/core/Value.h"

#include <ostream>

namespace fw {
inline void PrintTo(const Value& value, std::ostream* os) {
    *os << "Value(kind " << static_cast<int>(value.kind()) << ", \"" << value.toText() << "\")";
}
} // namespace fw
