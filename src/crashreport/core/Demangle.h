#pragma once
// The unit-qualified reading of the compiler's mangled names ("@Unit@Class@Method$qqrv").
#include <string>

namespace jov {

// "::" becomes "." in any case; true, with `name` as class "." method and `unit` set, when the name had
// the mangled form.
bool DemangleSymbol(std::string& name, std::string& unit);

} // namespace jov
