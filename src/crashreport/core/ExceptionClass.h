#pragma once
// Exception classes by name, over the C++ runtime's type descriptions: the crash reporter asks whether a
// thrown object "is an EAbort" or "is an exception with a message" without knowing those types.
#include <string>
#include <string_view>
#include <typeinfo>

namespace jov {

// The readable class name ("fw::EAbort"); "Unknown" without a type.
std::string TypeClassName(const std::type_info* type);

// The name without its namespaces and enclosing classes: "fw::EAbort" gives "EAbort".
std::string UnqualifiedClassName(const std::string& name);

// The class's own name, as reports show it: TypeClassName without namespaces and enclosing classes.
std::string PlainClassName(const std::type_info* type);

// True when the type or one of its base classes has the name, compared case-sensitively either with
// the whole qualified name or with the name without its namespaces. False without a type.
bool InheritsFromName(const std::type_info* type, std::string_view className);

// The object seen as its base class `base` (the pointer a catch clause of that class would receive),
// nil when the type does not derive from it.
const void* UpcastObject(const std::type_info& base, const std::type_info* type, const void* object);

} // namespace jov
