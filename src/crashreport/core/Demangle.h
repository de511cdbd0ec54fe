#pragma once
// The unit-qualified reading of the compiler's mangled names ("@Unit@Class@Method$qqrv"), and the
// readable C++ names cut to what a trace shows.
#include <string>

namespace jov {

// A C++ function name as the compiler's demangler writes it, cut to what a reader looks for: no parameter
// lists, qualifiers, return type, unnamed namespaces, ABI tags, clone or stdcall ("@12") suffixes.
std::string ReadableFunctionName(std::string name);

// "::" becomes "." in any case; true, with `name` as class "." method and `unit` set, when the name had
// the mangled form. Other names are read by ReadableFunctionName first.
bool DemangleSymbol(std::string& name, std::string& unit);

} // namespace jov
