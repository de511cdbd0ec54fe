#pragma once
#include "framework/core/Value.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// Our own narrow view of WMI: what the information objects read, so a fake can stand in for it.
// Failures of the underlying calls throw fw::EOleException.
namespace fw::wmi {

using Params = std::vector<std::pair<std::string, Value>>;

class Object {
public:
    virtual ~Object() = default;
    // False when the object's class has no such property (old systems and Wine lack many); a null
    // value is a Value of kind Null.
    virtual bool get(const std::string& name, Value& out) const = 0;
    // Runs a method of this instance with the given in-parameters; the result holds the out-parameters.
    virtual std::shared_ptr<Object> execMethod(const std::string& method, const Params& in) = 0;
};

class ObjectSet {
public:
    virtual ~ObjectSet() = default;
    // The next object, or none at the end (one object per call).
    virtual std::shared_ptr<Object> next() = 0;
};

class Services {
public:
    virtual ~Services() = default;
    virtual std::shared_ptr<Object> getObject(const std::string& path) = 0;
    virtual std::shared_ptr<ObjectSet> execQuery(const std::string& wql) = 0;
    // Every instance of the class itself (not of its subclasses), fetched in one go: none when that
    // fetch does not fully succeed. Throws when the collection cannot be had at all.
    virtual std::vector<std::shared_ptr<Object>> instancesOf(const std::string& className) = 0;
};

// True for a failure that only says the provider lacks the property or method (old systems and Wine
// lack many): readers show a placeholder for these and raise every other failure.
bool isNotProvided(long hresult);

// Connects to "root\cimv2" on the local machine; COM must be initialised on this thread.
std::shared_ptr<Services> connectLocal();

} // namespace fw::wmi
