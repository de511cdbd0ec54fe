#pragma once
// WMI that answers from tables: objects by path, query results by query text, collections by class name,
// method results by a callback. Records what was asked.
#include "framework/OleException.h"
#include "framework/Wmi.h"

#include <wbemcli.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace fake {

class WmiObject : public fw::wmi::Object {
public:
    using Method = std::function<std::shared_ptr<fw::wmi::Object>(const fw::wmi::Params&)>;

    std::map<std::string, fw::Value> properties; // a name not in here is a property the class lacks
    std::map<std::string, Method> methods;       // a method not in here fails as a WMI call
    std::vector<std::pair<std::string, fw::wmi::Params>> calls;

    WmiObject() = default;
    WmiObject(std::initializer_list<std::pair<const std::string, fw::Value>> props) : properties(props) {}

    bool get(const std::string& name, fw::Value& out) const override {
        auto it = properties.find(name);
        if (it == properties.end()) return false;
        out = it->second;
        return true;
    }

    std::shared_ptr<fw::wmi::Object> execMethod(const std::string& method,
                                                const fw::wmi::Params& in) override {
        calls.emplace_back(method, in);
        auto it = methods.find(method);
        if (it == methods.end()) throw fw::EOleException(WBEM_E_INVALID_METHOD, "WMI method " + method);
        return it->second(in);
    }
};

inline std::shared_ptr<WmiObject>
object(std::initializer_list<std::pair<const std::string, fw::Value>> props) {
    return std::make_shared<WmiObject>(props);
}

// A method that always answers with these out-parameters.
inline WmiObject::Method answers(std::initializer_list<std::pair<const std::string, fw::Value>> out) {
    auto result = object(out);
    return [result](const fw::wmi::Params&) { return result; };
}

class WmiObjectSet : public fw::wmi::ObjectSet {
public:
    explicit WmiObjectSet(std::vector<std::shared_ptr<WmiObject>> items) : items_(std::move(items)) {}
    std::shared_ptr<fw::wmi::Object> next() override {
        return pos_ < items_.size() ? items_[pos_++] : nullptr;
    }

private:
    std::vector<std::shared_ptr<WmiObject>> items_;
    size_t pos_ = 0;
};

class WmiServices : public fw::wmi::Services {
public:
    std::map<std::string, std::shared_ptr<WmiObject>> objects;
    std::map<std::string, std::vector<std::shared_ptr<WmiObject>>> queries;
    std::map<std::string, std::vector<std::shared_ptr<WmiObject>>> instances; // by class name
    std::map<std::string, HRESULT> failingGets; // paths whose Get fails with this code
    std::vector<std::string> gets, queriesRun, instancesAsked;

    std::shared_ptr<fw::wmi::Object> getObject(const std::string& path) override {
        gets.push_back(path);
        if (auto failure = failingGets.find(path); failure != failingGets.end())
            throw fw::EOleException(failure->second, "WMI Get " + path);
        auto it = objects.find(path);
        if (it == objects.end()) throw fw::EOleException(WBEM_E_NOT_FOUND, "WMI Get " + path);
        return it->second;
    }

    std::shared_ptr<fw::wmi::ObjectSet> execQuery(const std::string& wql) override {
        queriesRun.push_back(wql);
        auto it = queries.find(wql);
        return std::make_shared<WmiObjectSet>(it == queries.end() ? std::vector<std::shared_ptr<WmiObject>>{}
                                                                  : it->second);
    }

    std::vector<std::shared_ptr<fw::wmi::Object>> instancesOf(const std::string& className) override {
        instancesAsked.push_back(className);
        auto it = instances.find(className);
        if (it == instances.end()) return {};
        return {it->second.begin(), it->second.end()};
    }
};

} // namespace fake
