// Information objects over the real WMI of this machine (under Wine most properties are missing: they
// must read as placeholders, never raise).
#include "InfoObjects.h"
#include "fakes/FakeMessageBoxes.h"
#include "framework/ComPtr.h"
#include "framework/OleException.h"
#include "helpers/ChildProcess.h"

#include "helpers/ValuePrinter.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

using fw::Value;

class RealWmi : public ::testing::Test {
protected:
    fw::ComInit com;
    std::shared_ptr<fw::wmi::Services> services;
    void SetUp() override {
        ASSERT_TRUE(com.ok());
        ASSERT_NO_THROW(services = fw::wmi::connectLocal());
    }
};

// Fails unless the property reads as a value: what Wine's WMI gives must arrive, not a placeholder.
void ExpectGiven(TBasicInfo& info, const char* name) {
    Value v = info.ReadProperty(name);
    EXPECT_FALSE(v.isEmpty() || v.isNull() || v == Value("(Unavailable)") || v == Value("(None)"))
        << name << ": " << v.toText();
}

// Reads every property in declared order and lists those that give "(Unavailable)".
std::string unavailableProperties(TBasicInfo& info) {
    std::string names;
    for (const TPropertyInfo& p : info.Properties()) {
        Value v;
        EXPECT_NO_THROW(v = info.Read(p)) << p.Name;
        if (v == Value("(Unavailable)")) names += std::string(names.empty() ? "" : " ") + p.Name;
    }
    return names;
}

TEST_F(RealWmi, OwnProcess) {
    const DWORD self = GetCurrentProcessId();
    TProcessInfoObject process(self, services);
    EXPECT_EQ(process.ReadProcessID(), Value::UInt32(self));
    EXPECT_EQ(process.ReadModuleName(), Value("wmiinfo_test.exe"));
    EXPECT_EQ(process.ReadPriorityClass(), Value("NORMAL_PRIORITY_CLASS"));
    EXPECT_EQ(process.ReadIsService(), Value::Bool(false));
    process.LoadExePath();
    EXPECT_NE(process.ExePath.find("wmiinfo_test.exe"), std::string::npos) << process.ExePath;
    EXPECT_NO_THROW(process.Refresh());
    for (const char* name : {"ModuleName", "ThreadCount", "ParentProcessId", "CommandLine"})
        ExpectGiven(process, name);
    std::int64_t threads = 0;
    EXPECT_TRUE(process.ReadThreadCount().toInt64(threads));
    EXPECT_GE(threads, 1);
    std::printf("Win32_Process unavailable: %s\n", unavailableProperties(process).c_str());

    // Enumerated instances bind themselves from their "Handle"; a process ID that WMI does not know raises.
    auto all = services->execQuery("SELECT * FROM Win32_Process");
    int count = 0, selves = 0;
    while (auto item = all->next()) {
        TProcessInfoObject listed(item);
        EXPECT_NO_THROW(listed.ReadModuleName());
        if (listed.ReadProcessID() == Value::UInt32(self)) {
            ++selves;
            EXPECT_EQ(listed.ReadModuleName(), Value("wmiinfo_test.exe"));
        }
        ++count;
    }
    EXPECT_GT(count, 1);
    EXPECT_EQ(selves, 1) << "the listing holds this process once, under its own ID";
    EXPECT_THROW(TProcessInfoObject(0xFFFFFFF0u, services), fw::EOleException);
}

TEST_F(RealWmi, Services) {
    // Wine refills a class's table on every query or Get of that class, which invalidates objects of an
    // enumeration still in progress: bind by name only after the enumeration.
    std::string first, unavailable;
    Value firstDisplayName;
    {
        auto all = services->execQuery("SELECT * FROM Win32_Service");
        while (auto item = all->next()) {
            TServiceInfoObject listed(item);
            EXPECT_FALSE(listed.Name.empty());
            std::string names = unavailableProperties(listed);
            for (const char* name : {"Name", "DisplayName", "State", "StartMode", "ServiceType"})
                ExpectGiven(listed, name);
            Value state = listed.ReadState();
            EXPECT_TRUE(state == Value::WmiText("Running") || state == Value::WmiText("Stopped") ||
                        state.text().find("Pending") != std::string::npos)
                << listed.Name << ": " << state.toText();
            if (first.empty()) {
                first = listed.Name;
                firstDisplayName = listed.ReadDisplayName();
                unavailable = names;
            }
        }
    }
    ASSERT_FALSE(first.empty());
    std::printf("Win32_Service unavailable: %s\n", unavailable.c_str());
    TServiceInfoObject byName;
    byName.Services = services;
    ASSERT_NO_THROW(byName.SetID(Value(first)));
    EXPECT_EQ(byName.ReadName(), Value(first));
    EXPECT_EQ(byName.ReadDisplayName(), firstDisplayName);
    EXPECT_NO_THROW(byName.Refresh());
    TServiceInfoObject missing;
    missing.Services = services;
    EXPECT_THROW(missing.SetID(Value("No \"such\\ service")), fw::EOleException);
}

TEST_F(RealWmi, Threads) {
    // Wine lists no Win32_Thread instances: binding says so, as for a thread that has gone.
    auto all = services->execQuery("SELECT * FROM Win32_Thread");
    auto first = all->next();
    TThreadInfoObject thread;
    thread.Services = services;
    if (!first) {
        try {
            thread.SetID(Value::UInt32(GetCurrentThreadId()));
            FAIL() << "no exception";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "No such Thread found");
        }
        std::printf("Win32_Thread: no instances\n");
        return;
    }
    TThreadInfoObject listed(first);
    listed.Services = services;
    std::printf("Win32_Thread unavailable: %s\n", unavailableProperties(listed).c_str());
}

TEST_F(RealWmi, MethodWithInParameters) {
    // The registry provider's methods take their in-parameters as "Terminate" does, so this runs the same
    // signature, spawn and put of the adapter against a real provider, with a value to compare.
    const char* subKey = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    char expected[64] = {};
    DWORD size = sizeof expected;
    ASSERT_EQ(ERROR_SUCCESS, RegGetValueA(HKEY_LOCAL_MACHINE, subKey, "CurrentVersion", RRF_RT_REG_SZ,
                                          nullptr, expected, &size));
    std::shared_ptr<fw::wmi::Object> result;
    // WMI carries a uint32 parameter as a signed 32-bit variant.
    const auto root = static_cast<std::int32_t>(reinterpret_cast<UINT_PTR>(HKEY_LOCAL_MACHINE));
    ASSERT_NO_THROW(result = services->getObject("StdRegProv")
                                 ->execMethod("GetStringValue", {{"hDefKey", Value::Int32(root)},
                                                                 {"sSubKeyName", Value(subKey)},
                                                                 {"sValueName", Value("CurrentVersion")}}));
    Value returnValue, text;
    std::int64_t code = -1;
    ASSERT_TRUE(result->get("ReturnValue", returnValue) && returnValue.toInt64(code));
    EXPECT_EQ(0, code);
    ASSERT_TRUE(result->get("sValue", text));
    EXPECT_EQ(std::string(expected), text.toText());
}

TEST_F(RealWmi, TerminateChild) {
    {
        // WMI's own "Terminate" ends the process where the provider has it; Wine's lacks it, which is
        // what the terminate command's direct way is for.
        SleeperProcess child;
        ASSERT_TRUE(child.started());
        auto instance = services->getObject("Win32_Process.Handle=\"" + std::to_string(child.id()) + "\"");
        try {
            auto result = instance->execMethod("Terminate", {{"Reason", Value::Int32(0)}});
            Value returnValue;
            ASSERT_TRUE(result->get("ReturnValue", returnValue));
            EXPECT_EQ(Value::Int32(0), returnValue);
            EXPECT_NE(-1, child.waitExit(10000));
        } catch (const fw::EOleException& e) {
            EXPECT_TRUE(fw::wmi::isNotProvided(e.code())) << e.what();
            EXPECT_TRUE(child.alive());
        }
    }
    SleeperProcess child;
    ASSERT_TRUE(child.started());
    fake::MessageBoxes boxes(IDYES);
    TProcessInfoObject process(child.id(), services);
    EXPECT_TRUE(process.TerminateProcessInfo());
    EXPECT_FALSE(child.alive());
    EXPECT_EQ(boxes.shown.size(), 1u); // only the confirmation
}

} // namespace
