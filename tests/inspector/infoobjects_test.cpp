// Information objects against a fake WMI; processes and threads of this machine where a handle is needed.
#include "InfoObjects.h"
#include "fakes/FakeMessageBoxes.h"
#include "fakes/FakeWmi.h"
#include "framework/Exceptions.h"
#include "helpers/ChildProcess.h"

#include "helpers/ValuePrinter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <type_traits>

namespace {

using fw::Value;

std::string processPath(DWORD id) {
    return "Win32_Process.Handle=\"" + std::to_string(id) + "\"";
}

TEST(PropertyTables, DeclaredOrderAndLookup) {
    // The declared order is the column catalogue: a swap anywhere would move every user's columns.
    struct Case {
        TListTypes kind;
        const char* names;
    } cases[] = {
        {ltWindows, "Handle WndProc WindowText ControlID WindowStyle ExtWindowStyle ClassName ClassAtom "
                    "ClassBytes ClassModule ClassWndProc ClassInstanceHandle WindowBytes ProcessID ThreadID "
                    "Unicode ParentWindow OwnerWindow ClassStyle MenuHandle InstanceHandle"},
        {ltProcesses,
         "ProcessID ModuleName ModulePath ThreadCount KernelModeTime UserModeTime CreationTime "
         "Priority PriorityBoost ParentProcessId CommandLine PriorityClass GDIObjects UserObjects "
         "SystemAffinity ProcessAffinity PageFaults PrivatePageCount PageFileUsage "
         "PeakPageFileUsage WorkingSetSize PeakWorkingSetSize QuotaPagedPoolUsage "
         "QuotaNonPagedPoolUsage QuotaPeakPagedPoolUsage QuotaPeakNonPagedPoolUsage VirtualSize "
         "PeakVirtualSize MaximumWorkingSetSize MinimumWorkingSetSize WriteOperationCount "
         "WriteTransferCount ReadOperationCount ReadTransferCount OtherOperationCount "
         "OtherTransferCount Owner Domain OwnerSID IsService"},
        {ltThreads,
         "ThreadID ModuleName ModulePath ParentProcessID ElapsedTime KernelModeTime UserModeTime "
         "CreationTime Priority PriorityBase PriorityBoost StartAddress ThreadState ThreadWaitReason"},
        {ltModules,
         "ModuleName ModulePath Version Comments InternalName ProductName CompanyName LegalCopyright "
         "ProductVersion FileDescription LegalTrademarks PrivateBuild FileVersion OriginalFilename "
         "SpecialBuild"},
        {ltServices, "AcceptPause AcceptStop CheckPoint Description DesktopInteract DisplayName ErrorControl "
                     "ExitCode Name PathName ProcessID ServiceType Started StartMode StartName State Status"},
    };
    for (const Case& c : cases) {
        auto table = PropertyTable(c.kind);
        std::string names;
        for (const TPropertyInfo& p : table) names += (names.empty() ? "" : " ") + std::string(p.Name);
        EXPECT_EQ(names, c.names) << int(c.kind);
        EXPECT_EQ(FindProperty(table, table.back().Name), &table.back());
        EXPECT_EQ(FindProperty(table, "handle"), nullptr); // names are exact
    }
    TServiceInfoObject service;
    service.Name = "Spooler";
    EXPECT_EQ(service.ReadProperty("Name"), Value("Spooler"));
    EXPECT_THROW(service.ReadProperty("NoSuchThing"), std::out_of_range);
}

TEST(ReadWMIProperty, NullMissingAndConversions) {
    TServiceInfoObject info;
    EXPECT_EQ(info.ReadWMIProperty("State"), Value("(Unavailable)")); // no object yet
    info.WbemObject = fake::object({
        {"Null", Value::Null()},
        {"Big", Value("5000000000")},
        {"Neg", Value("-7")},
        {"Bad", Value("12abc")},
        {"Path", Value("C:\\Windows\\notepad.exe")},
        {"Date", Value("20260108093015.000000+060")},
        {"Short", Value("2026")},
        {"Number", Value::Int32(42)},
    });
    struct Case {
        const char* name;
        const char* nullText;
        WmiConversion conversion;
        Value expected;
    } cases[] = {
        {"Null", "(Unavailable)", WmiConversion::AsIs, Value("(Unavailable)")},
        {"Null", "(None)", WmiConversion::Text, Value("(None)")},
        {"Missing", "(None)", WmiConversion::AsIs, Value("(Unavailable)")},
        {"Big", "", WmiConversion::Int64, Value::Int64(5000000000ll)},
        {"Big", "", WmiConversion::Signed, Value("(Unavailable)")},
        {"Neg", "", WmiConversion::Signed, Value::Int32(-7)},
        {"Bad", "", WmiConversion::Int64, Value("(Unavailable)")},
        {"Path", "", WmiConversion::Directory, Value("C:\\Windows\\")},
        {"Date", "", WmiConversion::Date, Value("08.01.2026 09:30:15")},
        {"Short", "", WmiConversion::Date, Value("2026")},
        {"Number", "", WmiConversion::AsIs, Value::Int32(42)},
        {"Number", "", WmiConversion::Text, Value("42")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(info.ReadWMIProperty(c.name, c.nullText, c.conversion), c.expected) << c.name;
}

TEST(ProcessInfo, BindRefreshAndWmiValues) {
    auto services = std::make_shared<fake::WmiServices>();
    const DWORD self = GetCurrentProcessId();
    auto instance = fake::object({
        {"Handle", Value(std::to_string(self))},
        {"Caption", Value("tests.exe")},
        {"ExecutablePath", Value("C:\\bin\\tests.exe")},
        {"WorkingSetSize", Value("6000000000")},
        {"PrivatePageCount", Value::Null()},
        {"ThreadCount", Value::Int32(3)},
        {"CreationDate", Value("20260108093015.000000+060")},
    });
    services->objects[processPath(self)] = instance;

    TProcessInfoObject process(self, services);
    EXPECT_EQ(services->gets, std::vector<std::string>{processPath(self)});
    EXPECT_EQ(process.ReadProcessID(), Value::UInt32(self));
    EXPECT_EQ(process.ReadModuleName(), Value("tests.exe"));
    EXPECT_EQ(process.ReadModulePath(), Value("C:\\bin\\"));
    EXPECT_EQ(process.ReadWorkingSetSize(), Value::Int64(6000000000ll));
    EXPECT_EQ(process.ReadPrivatePageCount(), Value("(Unavailable)"));
    EXPECT_EQ(process.ReadPeakVirtualSize(), Value("(Unavailable)")); // the class lacks it
    EXPECT_EQ(process.ReadThreadCount(), Value::Int32(3));
    EXPECT_EQ(process.ReadCreationTime(), Value("08.01.2026 09:30:15"));
    // Our own process opens, so the Win32 values are real.
    EXPECT_EQ(process.ReadPriorityClass(), Value("NORMAL_PRIORITY_CLASS"));
    EXPECT_EQ(process.ReadPriorityBoost().kind(), Value::Kind::Bool);
    EXPECT_EQ(process.ReadProcessAffinity().kind(), Value::Kind::UInt32);

    // The enumerated form binds to the instance's own "Handle" and asks WMI for nothing.
    TProcessInfoObject listed(instance);
    EXPECT_EQ(listed.ReadProcessID(), Value::UInt32(self));
    EXPECT_EQ(listed.WbemObject, instance);

    // Refresh without a connection keeps the instance; with one it fetches anew and raises when gone.
    listed.Refresh();
    EXPECT_EQ(listed.WbemObject, instance);
    services->objects.clear();
    EXPECT_THROW(process.Refresh(), fw::EOleException);
}

TEST(ProcessInfo, ExePathOwnersAndServiceQuery) {
    auto services = std::make_shared<fake::WmiServices>();
    TProcessInfoObject process;
    process.LoadExePath();
    EXPECT_EQ(process.ExePath, "(Unavailable)");
    EXPECT_EQ(process.ReadIsService(), Value("(Unavailable)"));
    EXPECT_EQ(process.ReadOwner(), Value("(Unavailable)"));

    auto instance = fake::object({{"ExecutablePath", Value::Null()}, {"Caption", Value("System")}});
    instance->methods["GetOwner"] = fake::answers(
        {{"ReturnValue", Value::Int32(0)}, {"User", Value("alice")}, {"Domain", Value("HOME")}});
    instance->methods["GetOwnerSid"] =
        fake::answers({{"ReturnValue", Value::Int32(2)}, {"Sid", Value("S-1")}});
    process.WbemObject = instance;
    process.LoadExePath();
    EXPECT_EQ(process.ExePath, "System");
    EXPECT_EQ(process.ReadOwner(), Value("alice"));
    EXPECT_EQ(process.ReadDomain(), Value("HOME"));
    EXPECT_EQ(process.ReadOwnerSID(), Value("(Unavailable)"));
    EXPECT_EQ(instance->calls.size(), 3u); // each read runs the method again
    // A provider without the method gives the placeholder; any other failure raises.
    instance->methods.erase("GetOwner");
    EXPECT_EQ(process.ReadOwner(), Value("(Unavailable)"));
    instance->methods["GetOwner"] = [](const fw::wmi::Params&) -> std::shared_ptr<fw::wmi::Object> {
        throw fw::EOleException(WBEM_E_ACCESS_DENIED, "WMI method GetOwner");
    };
    EXPECT_THROW(process.ReadOwner(), fw::EOleException);

    process.Services = services;
    EXPECT_EQ(process.ReadIsService(), Value::Bool(false)); // ID 0: no query
    EXPECT_TRUE(services->queriesRun.empty());
    process.ProcessID = Value::UInt32(612);
    services->queries["SELECT * FROM Win32_Service WHERE ProcessId = 612"] = {fake::object({})};
    EXPECT_EQ(process.ReadIsService(), Value::Bool(true));
    process.ProcessID = Value::UInt32(613);
    EXPECT_EQ(process.ReadIsService(), Value::Bool(false));
}

TEST(ProcessInfo, InstanceWithoutAUsableIdIsNotFound) {
    const std::shared_ptr<fake::WmiObject> instances[] = {
        fake::object({{"Caption", Value("x.exe")}}), fake::object({{"Handle", Value::Null()}}),
        fake::object({{"Handle", Value("")}}),       fake::object({{"Handle", Value("12a")}}),
        fake::object({{"Handle", Value("-4")}}),     fake::object({{"Handle", Value("4294967296")}}),
    };
    for (const auto& instance : instances) {
        try {
            TProcessInfoObject process(instance);
            ADD_FAILURE() << "bound to process " << process.ReadProcessID().toText();
        } catch (const fw::EOleException& e) {
            EXPECT_EQ(HRESULT(WBEM_E_NOT_FOUND), e.code());
        }
    }
    TProcessInfoObject idle(fake::object({{"Handle", Value("0")}}));
    EXPECT_EQ(idle.ReadProcessID(), Value::UInt32(0));
}

TEST(ProcessInfo, UnopenableProcessGivesPlaceholders) {
    TProcessInfoObject process;
    process.SetID(Value::UInt32(0xFFFFFFF0u)); // no such process
    EXPECT_FALSE(process.ProcessHandle);
    for (const char* name :
         {"PriorityBoost", "PriorityClass", "GDIObjects", "UserObjects", "SystemAffinity", "ProcessAffinity"})
        EXPECT_EQ(process.ReadProperty(name), Value("(Unavailable)")) << name;
}

TEST(ThreadInfo, StatesWaitReasonsAndAddresses) {
    struct Case {
        Value state, reason;
        const char* stateName;
        const char* reasonName;
    } cases[] = {
        {Value::Int32(5), Value::Int32(6), "Waiting", "UserRequest"},
        {Value::Int32(5), Value::Int32(20), "Waiting", "Unknown"},
        {Value::Int32(5), Value::Int32(21), "Waiting", "(Unavailable)"},
        {Value::Int32(5), Value::Null(), "Waiting", "(Unavailable)"},
        {Value::Int32(2), Value::Int32(6), "Running", "(None)"},
        {Value::Int32(8), Value::Int32(0), "(Unavailable)", "(None)"},
        {Value::Int32(-1), Value::Int32(0), "(Unavailable)", "(None)"},
        {Value::Null(), Value::Int32(0), "(Unavailable)", "(Unavailable)"},
    };
    for (const Case& c : cases) {
        TThreadInfoObject thread;
        thread.WbemObject = fake::object({{"ThreadState", c.state}, {"ThreadWaitReason", c.reason}});
        EXPECT_EQ(thread.ReadThreadState(), Value(c.stateName)) << c.state.toText();
        EXPECT_EQ(thread.ReadThreadWaitReason(), Value(c.reasonName))
            << c.state.toText() << "/" << c.reason.toText();
    }
    TThreadInfoObject thread;
    thread.WbemObject = fake::object({{"StartAddress", Value::Int32(0)}, {"ProcessHandle", Value("1234")}});
    EXPECT_EQ(thread.ReadStartAddress(), Value("(Unavailable)"));
    EXPECT_EQ(thread.ReadParentProcessID(), Value::Int32(1234));
    thread.WbemObject = fake::object({{"StartAddress", Value::Int32(0x401000)}});
    EXPECT_EQ(thread.ReadStartAddress(), Value::Int32(0x401000));
    EXPECT_EQ(thread.ReadParentProcessID(), Value("(Unavailable)"));
}

TEST(ThreadInfo, RefreshAndExePath) {
    auto services = std::make_shared<fake::WmiServices>();
    const std::string query = "SELECT * FROM Win32_Thread WHERE Handle = 77";
    TThreadInfoObject thread;
    thread.Services = services;
    try {
        thread.SetID(Value::UInt32(77));
        FAIL() << "no exception";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "No such Thread found");
    }
    services->queries[query] = {fake::object({{"ProcessHandle", Value("4242")}})};
    thread.SetID(Value::UInt32(77));
    ASSERT_TRUE(thread.WbemObject);

    // The thread's process has exited: the path is unavailable, nothing escapes.
    EXPECT_EQ(thread.ReadModuleName(), Value("(Unavailable)"));
    EXPECT_EQ(thread.ReadModulePath(), Value("(Unavailable)"));

    // Through a live process known to WMI; a failure that is not its end is tried again.
    services->objects[processPath(4242)] = fake::object({{"ExecutablePath", Value("C:\\apps\\tool.exe")}});
    services->failingGets[processPath(4242)] = RPC_E_CALL_REJECTED;
    TThreadInfoObject second;
    second.Services = services;
    second.SetID(Value::UInt32(77));
    EXPECT_EQ(second.ReadModuleName(), Value("(Unavailable)"));
    services->failingGets.clear();
    EXPECT_EQ(second.ReadModuleName(), Value("tool.exe"));
    EXPECT_EQ(second.ReadModulePath(), Value("C:\\apps\\"));

    // Without a connection, Refresh keeps the instance.
    TThreadInfoObject unconnected;
    unconnected.WbemObject = second.WbemObject;
    unconnected.Refresh();
    EXPECT_EQ(unconnected.WbemObject, second.WbemObject);

    // Linked to its process object: no query of its own.
    TProcessInfoObject owner;
    owner.WbemObject = fake::object({{"ExecutablePath", Value("D:\\x\\y.exe")}});
    TThreadInfoObject linked;
    linked.OwnerProcess = &owner;
    const size_t before = services->gets.size() + services->queriesRun.size();
    EXPECT_EQ(linked.ReadModuleName(), Value("y.exe"));
    EXPECT_EQ(owner.ExePath, "D:\\x\\y.exe");
    EXPECT_EQ(services->gets.size() + services->queriesRun.size(), before);

    TThreadInfoObject lonely;
    EXPECT_EQ(lonely.ReadModulePath(), Value("(Unavailable)"));
}

TEST(ThreadInfo, TimesOfAThreadOfOurs) {
    TThreadInfoObject thread;
    thread.SetID(Value::UInt32(GetCurrentThreadId()));
    ASSERT_TRUE(thread.ThreadHandle);
    EXPECT_EQ(thread.ReadKernelModeTime().kind(), Value::Kind::Int64);
    EXPECT_EQ(thread.ReadUserModeTime().kind(), Value::Kind::Int64);
    FILETIME creation, exit, kernel, user, now;
    ASSERT_TRUE(GetThreadTimes(GetCurrentThread(), &creation, &exit, &kernel, &user));
    SYSTEMTIME utc, local;
    ASSERT_TRUE(FileTimeToSystemTime(&creation, &utc));
    ASSERT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
    char expected[32];
    std::snprintf(expected, sizeof expected, "%02d.%02d.%04d %02d:%02d:%02d", local.wDay, local.wMonth,
                  local.wYear, local.wHour, local.wMinute, local.wSecond);
    EXPECT_EQ(thread.ReadCreationTime(), Value(expected)); // day first, local time

    const std::string elapsed = thread.ReadElapsedTime().toText();
    GetSystemTimeAsFileTime(&now);
    int h = 0, m = 0, s = 0, ms = 0;
    ASSERT_EQ(std::sscanf(elapsed.c_str(), "%2d:%2d:%2d:%4d", &h, &m, &s, &ms), 4) << elapsed;
    EXPECT_EQ(elapsed.size(), 13u);
    const auto ticksOf = [](const FILETIME& t) {
        return (std::int64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime;
    };
    const std::int64_t sinceMs = (ticksOf(now) - ticksOf(creation)) / 10000 % (24 * 3600000ll);
    EXPECT_NEAR(double(((h * 60 + m) * 60 + s) * 1000 + ms), double(sinceMs), 2000.0) << elapsed;
    TThreadInfoObject gone;
    gone.SetID(Value::UInt32(0xFFFFFFF0u));
    for (const char* name :
         {"ElapsedTime", "KernelModeTime", "UserModeTime", "CreationTime", "PriorityBoost"})
        EXPECT_EQ(gone.ReadProperty(name), Value("(Unavailable)")) << name;
}

TEST(ServiceInfo, PathsAndValues) {
    EXPECT_EQ(TServiceInfoObject::ObjectPath("Spooler"), "Win32_Service.Name=\"Spooler\"");
    EXPECT_EQ(TServiceInfoObject::ObjectPath("a\\b\"c"), "Win32_Service.Name=\"a\\\\b\\\"c\"");

    auto services = std::make_shared<fake::WmiServices>();
    services->objects["Win32_Service.Name=\"Spooler\""] = fake::object({
        {"Name", Value("Spooler")},
        {"Description", Value::Null()},
        {"ExitCode", Value::Int32(1077)},
        {"ProcessId", Value::Int32(0)},
        {"Started", Value::Bool(false)},
    });
    TServiceInfoObject service;
    service.Services = services;
    service.SetID(Value("Spooler"));
    EXPECT_EQ(service.ReadName(), Value("Spooler"));
    EXPECT_EQ(service.ReadDescription(), Value("(None)"));
    EXPECT_EQ(service.ReadExitCode(), Value("ERROR_SERVICE_NEVER_STARTED"));
    EXPECT_EQ(service.ReadProcessID(), Value("(None)"));
    EXPECT_EQ(service.ReadStarted(), Value::Bool(false));
    EXPECT_EQ(service.ReadStatus(), Value("(Unavailable)"));

    TServiceInfoObject listed(fake::object({{"Name", Value("Odd")},
                                            {"ExitCode", Value::Int32(99999)},
                                            {"ProcessId", Value::Int32(880)},
                                            {"Description", Value("")}}));
    EXPECT_EQ(listed.Name, "Odd");
    EXPECT_EQ(listed.ReadExitCode(), Value("(Unavailable)"));
    EXPECT_EQ(listed.ReadProcessID(), Value::Int32(880));
    EXPECT_EQ(listed.ReadDescription(), Value(""));
    const auto instance = listed.WbemObject;
    listed.Refresh(); // no connection: the instance stays
    EXPECT_EQ(listed.WbemObject, instance);

    TServiceInfoObject missing;
    missing.Services = services;
    EXPECT_THROW(missing.SetID(Value("NoSuchService")), fw::EOleException);
}

TEST(InfoObjects, EveryPropertyOfAnEmptyInstanceReads) {
    // A WMI class without any of the properties read (what Wine gives for many): placeholders only. A
    // process or thread instance keeps its key, without which it names nothing at all.
    auto empty = fake::object({});
    TProcessInfoObject process(fake::object({{"Handle", Value("0")}}));
    TThreadInfoObject thread(fake::object({{"Handle", Value("0")}}));
    TServiceInfoObject service(empty);
    for (TBasicInfo* info : std::initializer_list<TBasicInfo*>{&process, &thread, &service})
        for (const TPropertyInfo& p : info->Properties()) EXPECT_NO_THROW(info->Read(p)) << p.Name;
}

// The terminate flow: confirmation, WMI first, Win32 as the fallback, and the exit check.
struct TerminateCase {
    const char* name;
    int answer;
    bool wmiMethod; // the instance has a "Terminate" method
    int wmiReturn;  // its "ReturnValue"
    bool wmiEnds;   // the method ends the process
    bool liveChild; // the object names a running child, else a process that cannot be opened
    bool expected;
    bool childSurvives;
    std::vector<std::string> messages;
};

// Answers as the fake does, noting whether a window of ours could be used while each box was up. A box
// disables its owner itself: the watched window may own one when the desktop made it the active window.
class WatchingBoxes : public fake::MessageBoxes {
public:
    WatchingBoxes(int answer, HWND watched) : fake::MessageBoxes(answer), watched_(watched) {}
    int show(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
        if (owner != watched_ && IsWindowEnabled(watched_)) usableBehind.push_back(text);
        return fake::MessageBoxes::show(owner, text, caption, type);
    }
    std::vector<std::string> usableBehind;

private:
    HWND watched_;
};

TEST(ProcessInfo, TerminateFlow) {
    const TerminateCase cases[] = {
        {"answer no", IDNO, true, 0, false, true, false, true, {}},
        {"wmi ends it", IDYES, true, 0, true, true, true, false, {}},
        {"wmi denied, cannot open", IDYES, true, 2, false, false, false, true, {"Access denied"}},
        {"wmi says done, process survives",
         IDYES,
         true,
         0,
         false,
         true,
         false,
         true,
         {"Unable to terminate process"}},
        {"wmi fails, win32 succeeds", IDYES, true, 8, false, true, true, false, {}},
        {"wmi call itself fails", IDYES, false, 0, false, true, true, false, {}},
    };
    // A window of ours, shown off the screen without taking the activation: no box may leave it usable.
    std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)> window(
        CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "ours", WS_POPUP, -2000, -2000, 40, 20, nullptr, nullptr,
                        nullptr, nullptr),
        DestroyWindow);
    HWND ours = window.get();
    ASSERT_TRUE(ours);
    ShowWindow(ours, SW_SHOWNOACTIVATE);
    for (const TerminateCase& c : cases) {
        SCOPED_TRACE(c.name);
        SleeperProcess child;
        ASSERT_TRUE(child.started());
        WatchingBoxes boxes(c.answer, ours);
        auto instance = fake::object({});
        if (c.wmiMethod)
            instance->methods["Terminate"] = [&](const fw::wmi::Params&) {
                if (c.wmiEnds)
                    TerminateProcess(fw::Handle(OpenProcess(PROCESS_TERMINATE, FALSE, child.id())).get(), 0);
                return fake::object({{"ReturnValue", Value::Int32(c.wmiReturn)}});
            };
        TProcessInfoObject process;
        process.SetID(Value::UInt32(c.liveChild ? child.id() : 0xFFFFFFF0u));
        process.WbemObject = instance;

        EXPECT_EQ(process.TerminateProcessInfo(), c.expected);
        EXPECT_EQ(child.alive(), c.childSurvives);
        ASSERT_GE(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].text, "Are you sure you want to terminate this process?");
        EXPECT_EQ(boxes.shown[0].caption, "Terminate process");
        EXPECT_EQ(boxes.shown[0].type, UINT(MB_YESNO | MB_ICONQUESTION));
        ASSERT_EQ(boxes.shown.size(), c.messages.size() + 1);
        for (size_t i = 0; i < c.messages.size(); ++i) {
            if (c.messages[i] != std::string("*")) {
                EXPECT_EQ(boxes.shown[i + 1].text, c.messages[i]);
            }
            EXPECT_FALSE(boxes.shown[i + 1].text.empty());
            EXPECT_EQ(boxes.shown[i + 1].caption, "Error");
            EXPECT_EQ(boxes.shown[i + 1].type, UINT(MB_ICONERROR));
        }
        if (c.answer == IDNO) {
            EXPECT_TRUE(instance->calls.empty());
        }
        if (c.wmiMethod && c.answer == IDYES) {
            ASSERT_EQ(instance->calls.size(), 1u);
            EXPECT_EQ(instance->calls[0].second, (fw::wmi::Params{{"Reason", Value::Int32(0)}}));
        }
        EXPECT_EQ(boxes.usableBehind, std::vector<std::string>{});
        EXPECT_TRUE(IsWindowEnabled(ours));
    }
}

// The question answered Yes after the process has gone: nothing to report as a failure of ours.
class EndingBoxes : public fake::MessageBoxes {
public:
    explicit EndingBoxes(SleeperProcess& child) : fake::MessageBoxes(IDYES), child_(child) {}
    int show(HWND owner, const std::string& text, const std::string& caption, UINT type) override {
        if (shown.empty()) {
            TerminateProcess(fw::Handle(OpenProcess(PROCESS_TERMINATE, FALSE, child_.id())).get(), 0);
            child_.waitExit(5000);
        }
        return fake::MessageBoxes::show(owner, text, caption, type);
    }

private:
    SleeperProcess& child_;
};

TEST(ProcessInfo, TerminatingAProcessThatHasEnded) {
    for (bool wmiAnswers : {false, true}) {
        SCOPED_TRACE(wmiAnswers ? "wmi answers without a text" : "wmi call fails");
        auto instance = fake::object({});
        if (wmiAnswers) instance->methods["Terminate"] = fake::answers({{"ReturnValue", Value::Int32(77)}});

        // Gone before it was bound: the caller's "doesn't exist anymore", not a system text.
        fake::MessageBoxes boxes(IDYES);
        TProcessInfoObject gone;
        gone.SetID(Value::UInt32(0xFFFFFFF0u));
        gone.WbemObject = instance;
        EXPECT_THROW(gone.TerminateProcessInfo(), fw::Exception);
        EXPECT_EQ(boxes.shown.size(), 1u);

        // Gone while the question was up, our handle still open: done, without an error box.
        SleeperProcess child;
        ASSERT_TRUE(child.started());
        EndingBoxes ending(child);
        TProcessInfoObject process;
        process.SetID(Value::UInt32(child.id()));
        process.WbemObject = instance;
        EXPECT_TRUE(process.TerminateProcessInfo());
        ASSERT_GE(ending.shown.size(), 1u);
        for (size_t i = 1; i < ending.shown.size(); ++i) ADD_FAILURE() << ending.shown[i].text;
    }
}

// A process that outlives its terminate keeps our thread in the exit check for the whole wait: its
// windows must still answer other programs and repaint, while input waits for the command to end.
TEST(ProcessInfo, OurWindowsAnswerWhileTheExitCheckWaits) {
    std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)> window(
        CreateWindowExA(WS_EX_TOOLWINDOW, "STATIC", "ours", WS_POPUP, 0, 0, 40, 20, nullptr, nullptr, nullptr,
                        nullptr),
        DestroyWindow);
    HWND ours = window.get();
    ASSERT_TRUE(ours);
    ShowWindow(ours, SW_SHOWNOACTIVATE); // on the screen: a window off it has nothing to repaint
    UpdateWindow(ours);
    SleeperProcess child;
    ASSERT_TRUE(child.started());
    fake::MessageBoxes boxes(IDYES);
    std::atomic<bool> answered{false}, repainted{false};
    std::thread other;
    auto instance = fake::object({});
    instance->methods["Terminate"] = [&](const fw::wmi::Params&) {
        // Runs just before the wait starts.
        other = std::thread([&] {
            char text[16] = {};
            DWORD_PTR length = 0;
            answered = SendMessageTimeoutA(ours, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                           SMTO_NORMAL, 1500, &length) &&
                       std::string(text) == "ours";
            PostMessageA(ours, WM_APP, 0, 0);
            InvalidateRect(ours, nullptr, TRUE);
            for (DWORD start = GetTickCount(); GetTickCount() - start < 1500 && !repainted; Sleep(10))
                repainted = !GetUpdateRect(ours, nullptr, FALSE);
        });
        return fake::object({{"ReturnValue", Value::Int32(0)}});
    };
    TProcessInfoObject process;
    process.SetID(Value::UInt32(child.id()));
    process.WbemObject = instance;
    EXPECT_FALSE(process.TerminateProcessInfo());
    ASSERT_TRUE(other.joinable());
    other.join();
    EXPECT_TRUE(answered);
    EXPECT_TRUE(repainted);
    MSG posted;
    EXPECT_TRUE(PeekMessageA(&posted, ours, WM_APP, WM_APP, PM_REMOVE)) << "dispatched inside the wait";
    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[1].text, "Unable to terminate process");
}

} // namespace
