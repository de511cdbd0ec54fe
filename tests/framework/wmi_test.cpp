// The one fetch of a whole WMI collection, against the system's own WMI.
#include "framework/ComPtr.h"
#include "framework/Wmi.h"
#include "framework/WmiFetch.h"
#include "helpers/WmiConnection.h"
#include <gtest/gtest.h>

#include <algorithm>

namespace {

using fw::ComPtr;

class Collections : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(com.ok());
        ASSERT_HRESULT_SUCCEEDED(ConnectRootCimv2(services));
    }
    ComPtr<IEnumWbemClassObject> Enumerate(const wchar_t* className) {
        ComPtr<IEnumWbemClassObject> items;
        BSTR name = SysAllocString(className);
        services->CreateInstanceEnum(name, fw::wmi::instancesFlags, nullptr, items.put());
        SysFreeString(name);
        return items;
    }
    // The objects counted one call each, the plainest way.
    int CountOneByOne(const wchar_t* className) {
        ComPtr<IEnumWbemClassObject> items = Enumerate(className);
        int count = 0;
        for (;;) {
            ComPtr<IWbemClassObject> object;
            ULONG returned = 0;
            if (items->Next(WBEM_INFINITE, 1, object.put(), &returned) != WBEM_S_NO_ERROR || !returned) break;
            ++count;
        }
        return count;
    }

    fw::ComInit com{COINIT_APARTMENTTHREADED};
    ComPtr<IWbemServices> services;
};

// Hands on what a real enumerator gives, and fails one of its calls on request.
class Enumerator : public IEnumWbemClassObject {
public:
    Enumerator(ComPtr<IEnumWbemClassObject> real, int failingCall)
        : real_(std::move(real)), fail_(failingCall) {}
    int calls = 0;
    ULONG largestRequest = 0;

    HRESULT STDMETHODCALLTYPE Next(long timeout, ULONG count, IWbemClassObject** objects,
                                   ULONG* returned) override {
        largestRequest = std::max(largestRequest, count);
        const HRESULT hr = real_->Next(timeout, count, objects, returned);
        // A failing call may still have handed out objects: they are the caller's to release.
        return ++calls == fail_ ? HRESULT(WBEM_E_FAILED) : hr;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IEnumWbemClassObject) return *out = nullptr, E_NOINTERFACE;
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE Reset() override { return real_->Reset(); }
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
    HRESULT STDMETHODCALLTYPE Skip(long timeout, ULONG count) override { return real_->Skip(timeout, count); }

private:
    ComPtr<IEnumWbemClassObject> real_;
    int fail_;
};

} // namespace

TEST_F(Collections, FetchedWholeInOneCallOrNotAtAll) {
    const int services = CountOneByOne(L"Win32_Service");
    ASSERT_GT(services, 2);
    struct Case {
        ULONG room;
        int failingCall; // 0: none
        int objects;     // -1: all of them
        int calls;       // 0: more than one
    } cases[] = {
        {1 << 14, 0, -1, 1}, // all at once
        {2, 0, -1, 0},       // room for two: asked again while they fill it
        {2, 2, 0, 2},        // a call that fails half-way gives nothing
        {1 << 14, 1, 0, 1},
    };
    for (const Case& c : cases) {
        Enumerator items(Enumerate(L"Win32_Service"), c.failingCall);
        auto objects = fw::wmi::fetchAll(items, c.room);
        EXPECT_EQ(int(objects.size()), c.objects < 0 ? services : c.objects)
            << c.room << " " << c.failingCall;
        if (c.calls)
            EXPECT_EQ(items.calls, c.calls) << c.room << " " << c.failingCall;
        else
            EXPECT_GT(items.calls, 1);
        EXPECT_GE(items.largestRequest, c.room);
    }

    // Through the WMI access the inspector uses: every object readable, of the class itself.
    auto all = fw::wmi::connectLocal()->instancesOf("Win32_Service");
    ASSERT_EQ(int(all.size()), services);
    for (const auto& object : all) {
        fw::Value name, className;
        EXPECT_TRUE(object->get("Name", name));
        ASSERT_TRUE(object->get("__CLASS", className));
        EXPECT_EQ(className.toText(), "Win32_Service");
    }
}
