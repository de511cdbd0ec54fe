#include "framework/Wmi.h"

#include "framework/ComPtr.h"
#include "framework/OleException.h"
#include "framework/Variant.h"
#include "framework/WideString.h"
#include "framework/WmiFetch.h"

#include <wbemcli.h>

#include <algorithm>

namespace fw::wmi {

namespace {

// Owns a BSTR made from an ANSI text.
class Bstr {
public:
    explicit Bstr(const std::string& text) {
        std::wstring wide = toWide(text);
        b_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    }
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR get() const { return b_; }

private:
    BSTR b_;
};

class ComServices;

class ComObject : public Object {
public:
    ComObject(ComPtr<IWbemClassObject> object, std::shared_ptr<ComServices> services)
        : object_(std::move(object)), services_(std::move(services)) {}
    bool get(const std::string& name, Value& out) const override;
    std::shared_ptr<Object> execMethod(const std::string& method, const Params& in) override;

private:
    std::string textProperty(const wchar_t* name) const;
    ComPtr<IWbemClassObject> object_;
    std::shared_ptr<ComServices> services_;
};

class ComObjectSet : public ObjectSet {
public:
    ComObjectSet(ComPtr<IEnumWbemClassObject> items, std::shared_ptr<ComServices> services)
        : items_(std::move(items)), services_(std::move(services)) {}
    std::shared_ptr<Object> next() override {
        ComPtr<IWbemClassObject> item;
        ULONG returned = 0;
        HRESULT hr = items_->Next(WBEM_INFINITE, 1, item.put(), &returned);
        checkHr(hr, "WMI enumeration");
        if (hr != WBEM_S_NO_ERROR || returned == 0 || !item) return nullptr;
        return std::make_shared<ComObject>(std::move(item), services_);
    }

private:
    ComPtr<IEnumWbemClassObject> items_;
    std::shared_ptr<ComServices> services_;
};

class ComServices : public Services, public std::enable_shared_from_this<ComServices> {
public:
    explicit ComServices(ComPtr<IWbemServices> services) : services_(std::move(services)) {}

    std::shared_ptr<Object> getObject(const std::string& path) override {
        return std::make_shared<ComObject>(getClassObject(path), shared_from_this());
    }

    std::shared_ptr<ObjectSet> execQuery(const std::string& wql) override {
        ComPtr<IEnumWbemClassObject> items;
        Bstr language("WQL"), query(wql);
        checkHr(services_->ExecQuery(language.get(), query.get(), WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                     items.put()),
                "WMI query " + wql);
        return std::make_shared<ComObjectSet>(std::move(items), shared_from_this());
    }

    std::vector<std::shared_ptr<Object>> instancesOf(const std::string& className) override {
        ComPtr<IEnumWbemClassObject> items;
        Bstr name(className);
        checkHr(services_->CreateInstanceEnum(name.get(), instancesFlags, nullptr, items.put()),
                "WMI instances of " + className);
        std::vector<std::shared_ptr<Object>> objects;
        for (ComPtr<IWbemClassObject>& object : fetchAll(*items.get()))
            objects.push_back(std::make_shared<ComObject>(std::move(object), shared_from_this()));
        return objects;
    }

    ComPtr<IWbemClassObject> getClassObject(const std::string& path) {
        ComPtr<IWbemClassObject> object;
        Bstr bpath(path);
        checkHr(services_->GetObject(bpath.get(), 0, nullptr, object.put(), nullptr), "WMI Get " + path);
        return object;
    }

    ComPtr<IWbemClassObject> execMethod(const std::string& path, const std::string& method,
                                        IWbemClassObject* in) {
        ComPtr<IWbemClassObject> out;
        Bstr bpath(path), bmethod(method);
        checkHr(services_->ExecMethod(bpath.get(), bmethod.get(), 0, nullptr, in, out.put(), nullptr),
                "WMI method " + method);
        return out;
    }

private:
    ComPtr<IWbemServices> services_;
};

bool ComObject::get(const std::string& name, Value& out) const {
    Variant value;
    std::wstring wide = toWide(name);
    HRESULT hr = object_->Get(wide.c_str(), 0, value.get(), nullptr, nullptr);
    if (hr == static_cast<HRESULT>(WBEM_E_NOT_FOUND)) return false;
    checkHr(hr, "WMI property " + name);
    out = value.toValue();
    return true;
}

std::string ComObject::textProperty(const wchar_t* name) const {
    Variant value;
    checkHr(object_->Get(name, 0, value.get(), nullptr, nullptr), "WMI property " + fromWide(name));
    return value.toValue().toText();
}

std::shared_ptr<Object> ComObject::execMethod(const std::string& method, const Params& in) {
    ComPtr<IWbemClassObject> inInstance;
    if (!in.empty()) {
        // In-parameters are described by the class, not the instance.
        ComPtr<IWbemClassObject> cls = services_->getClassObject(textProperty(L"__CLASS"));
        ComPtr<IWbemClassObject> signature;
        std::wstring wmethod = toWide(method);
        checkHr(cls->GetMethod(wmethod.c_str(), 0, signature.put(), nullptr), "WMI method " + method);
        if (!signature) throw EOleException(WBEM_E_NOT_FOUND, "WMI method " + method);
        checkHr(signature->SpawnInstance(0, inInstance.put()), "WMI method " + method);
        for (const auto& [name, value] : in) {
            Variant v(value);
            std::wstring wname = toWide(name);
            checkHr(inInstance->Put(wname.c_str(), 0, v.get(), 0), "WMI parameter " + name);
        }
    }
    ComPtr<IWbemClassObject> out = services_->execMethod(textProperty(L"__PATH"), method, inInstance.get());
    if (!out) throw EOleException(WBEM_E_NOT_FOUND, "WMI method " + method);
    return std::make_shared<ComObject>(std::move(out), services_);
}

} // namespace

std::vector<ComPtr<IWbemClassObject>> fetchAll(IEnumWbemClassObject& items, ULONG room) {
    std::vector<ComPtr<IWbemClassObject>> objects;
    std::vector<IWbemClassObject*> buffer;
    for (;;) {
        buffer.assign(room, nullptr);
        ULONG returned = 0;
        const HRESULT hr = items.Next(WBEM_INFINITE, room, buffer.data(), &returned);
        // Owned from here, whatever the call says about itself.
        for (ULONG i = 0; i < std::min(returned, room); ++i)
            if (buffer[i]) objects.push_back(ComPtr<IWbemClassObject>::attach(buffer[i]));
        if (hr == WBEM_S_FALSE) return objects; // the end came before the room was full
        if (hr != WBEM_S_NO_ERROR) return {};
        if (returned == 0) return objects;
        room *= 4;
    }
}

bool isNotProvided(long hresult) {
    switch (static_cast<unsigned long>(hresult)) {
    case WBEM_E_NOT_FOUND:
    case WBEM_E_INVALID_METHOD:
    case WBEM_E_NOT_SUPPORTED:
    case WBEM_E_METHOD_NOT_IMPLEMENTED:
    case WBEM_E_PROVIDER_NOT_CAPABLE:
    case WBEM_E_METHOD_DISABLED:
        return true;
    default:
        return false;
    }
}

std::shared_ptr<Services> connectLocal() {
    ComPtr<IWbemLocator> locator;
    checkHr(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                             locator.putVoid()),
            "WMI locator");
    ComPtr<IWbemServices> services;
    Bstr nameSpace("root\\cimv2");
    checkHr(locator->ConnectServer(nameSpace.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr,
                                   services.put()),
            "WMI connection");
    // Impersonation, as the scripting objects use by default; a failure leaves the process default.
    CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                      RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    return std::make_shared<ComServices>(std::move(services));
}

} // namespace fw::wmi
