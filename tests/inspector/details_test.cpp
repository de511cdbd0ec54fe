// The detail windows on real windows, filled from our own windows, the running system and fake WMI.
#include "ConstVars.h"
#include "FormatConsts.h"
#include "Info_Form.h"
#include "ModuleInfo.h"
#include "ProcessInfo.h"
#include "ServiceInfo.h"
#include "SplashScreen.h"
#include "ThreadInfo.h"
#include "WindowInfo.h"
#include "fakes/FakeMessageBoxes.h"
#include "helpers/ChildProcess.h"
#include "framework/Application.h"
#include "framework/ComPtr.h"
#include "framework/OleException.h"
#include "support/ListFakes.h"
#include "support/Screenshot.h"
#include <gtest/gtest.h>
#include <wbemcli.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <set>
#include <thread>

namespace {

std::string TextOf(HWND control) {
    char text[1024] = {};
    GetWindowTextA(control, text, sizeof text);
    return text;
}

std::vector<std::string> ListBoxItems(HWND list) {
    std::vector<std::string> items;
    for (int i = 0, n = int(SendMessageA(list, LB_GETCOUNT, 0, 0)); i < n; ++i) {
        char text[256] = {};
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        items.emplace_back(text);
    }
    return items;
}

std::uint8_t intFormat = FormatDollarHex, parseFormat = FormatCurrent;

// Records what links and buttons open instead of opening it.
struct OpenedRecorder {
    TDetailOpeners saved = DetailOpeners();
    std::vector<std::pair<TListTypes, std::string>> opened;
    OpenedRecorder() {
        DetailOpeners() = {
            [this](HWND w) { opened.emplace_back(ltWindows, std::to_string(reinterpret_cast<UINT_PTR>(w))); },
            [this](DWORD id) { opened.emplace_back(ltProcesses, std::to_string(id)); },
            [this](DWORD id) { opened.emplace_back(ltThreads, std::to_string(id)); },
            [this](const std::string& path) { opened.emplace_back(ltModules, path); },
        };
    }
    ~OpenedRecorder() { DetailOpeners() = saved; }
};

// Closes, from a thread of its own, every dialog of this process that appears while it lives: what the
// shell shows runs its own loop, modal on the thread that asked for it (Wine) or on a thread of its own.
class ShellDialogCloser {
public:
    ShellDialogCloser() {
        EnumWindows(&Collect, reinterpret_cast<LPARAM>(&seen_));
        thread_ = std::thread([this] {
            while (!stop_) {
                std::set<HWND> dialogs;
                EnumWindows(&Collect, reinterpret_cast<LPARAM>(&dialogs));
                for (HWND dialog : dialogs)
                    if (seen_.insert(dialog).second) {
                        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                        ++closed_;
                    }
                Sleep(20);
            }
        });
    }
    ~ShellDialogCloser() {
        stop_ = true;
        thread_.join();
    }
    int Closed() const { return closed_; }

private:
    static BOOL CALLBACK Collect(HWND hwnd, LPARAM dialogs) {
        DWORD process = 0;
        GetWindowThreadProcessId(hwnd, &process);
        char className[16] = {};
        GetClassNameA(hwnd, className, sizeof className);
        if (process == GetCurrentProcessId() && IsWindowVisible(hwnd) && std::string(className) == "#32770")
            reinterpret_cast<std::set<HWND>*>(dialogs)->insert(hwnd);
        return TRUE;
    }
    std::set<HWND> seen_;
    std::atomic<bool> stop_{false};
    std::atomic<int> closed_{0};
    std::thread thread_;
};

class Details : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fw::application().initialize(GetModuleHandleA(nullptr));
        OstrelSettings = new TOSTREL_Settings;
        OstrelSettings->SplashForm.reset();
        OstrelSettings->ColumnSettings = DefaultColumnLists();
        BindNumberFormats(&intFormat, &parseFormat);
    }
    static void TearDownTestSuite() {
        delete OstrelSettings;
        OstrelSettings = nullptr;
    }
    void TearDown() override {
        intFormat = FormatDollarHex;
        parseFormat = FormatCurrent;
    }
    // Shows a form on the screen and saves a picture of it.
    static void Picture(TInfoForm& form, const char* name) {
        form.setBounds(40, 40, form.bounds().right - form.bounds().left,
                       form.bounds().bottom - form.bounds().top);
        form.show();
        SetForegroundWindow(form.handle());
        RedrawWindow(form.handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        PumpUntil([&] { return IsWindowVisible(form.handle()) != FALSE; }, 2000);
        EXPECT_TRUE(testing_support::SaveScreenshotPng(name));
    }
    FakeSources sources;
};

// As a click on the page's tab does.
void ClickTab(TInfoForm& form, int page) {
    HWND tabs = FindWindowExA(form.handle(), nullptr, WC_TABCONTROLA, nullptr);
    RECT tab{};
    SendMessageA(tabs, TCM_GETITEMRECT, page, reinterpret_cast<LPARAM>(&tab));
    const LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
    PostMessageA(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(tabs, WM_LBUTTONUP, 0, at);
    PumpUntil([&] { return form.ActivePage() == page; }, 5000);
}

// The texts of the visible controls of a window that lie on the same row as `control`, right of it.
struct RowSearch {
    HWND control;
    RECT at;
    std::vector<std::string> texts;
};

BOOL CALLBACK CollectRightOf(HWND child, LPARAM param) {
    auto& search = *reinterpret_cast<RowSearch*>(param);
    RECT r;
    GetWindowRect(child, &r);
    if (child != search.control && IsWindowVisible(child) && r.left >= search.at.right &&
        r.top < search.at.bottom && r.bottom > search.at.top)
        search.texts.push_back(TextOf(child));
    return TRUE;
}

std::vector<std::string> RightOf(HWND form, HWND control) {
    RowSearch search{control, {}, {}};
    GetWindowRect(control, &search.at);
    EnumChildWindows(form, CollectRightOf, reinterpret_cast<LPARAM>(&search));
    return search.texts;
}

// A top-level window with a child, a grandchild, a string property and one under an integer atom.
struct TestWindows {
    HWND top, child, grandchild;
    TestWindows() {
        top = CreateWindowExA(0, "STATIC", "Detail Caption", WS_OVERLAPPEDWINDOW, 100, 120, 300, 200, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
        child = CreateWindowExA(0, "STATIC", "child", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, top, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
        grandchild = CreateWindowExA(0, "STATIC", "grandchild", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, child,
                                     nullptr, GetModuleHandleA(nullptr), nullptr);
        SetPropA(top, "OstrelProp", reinterpret_cast<HANDLE>(1234));
        SetPropA(top, MAKEINTATOM(0x1234), reinterpret_cast<HANDLE>(7));
    }
    ~TestWindows() {
        RemovePropA(top, "OstrelProp");
        RemovePropA(top, MAKEINTATOM(0x1234));
        DestroyWindow(top);
    }
};

TEST_F(Details, WindowInfoShowsTheWindowItsStylesPropertiesAndChildren) {
    TestWindows windows;
    auto form = std::make_unique<TWindowInfoForm>(windows.top, sources);
    const auto handle = std::uint32_t(reinterpret_cast<UINT_PTR>(windows.top));
    RECT r;
    GetWindowRect(windows.top, &r);
    struct Case {
        HWND field;
        std::string expected;
    } const cases[] = {
        {form->laCaption, "Detail Caption"},
        {form->laHandle, FormatNumber(handle)},
        {form->laRect, FormatRect(r)},
        {form->laClassName, "Static"},
        {form->laClassBytes, std::to_string(GetClassLongA(windows.top, GCL_CBCLSEXTRA))},
        {form->laWindowStyle, FormatNumber(std::uint32_t(GetWindowLongA(windows.top, GWL_STYLE)))},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, TextOf(c.field));

    auto styles = ListBoxItems(form->lbWindowStyles);
    EXPECT_EQ(core::StyleNames(GetWindowLongA(windows.top, GWL_STYLE), WindowStyleNames), styles);
    EXPECT_NE(styles.end(), std::find(styles.begin(), styles.end(), "WS_OVERLAPPED"));
    auto ext = ListBoxItems(form->lbExtStyles);
    EXPECT_NE(ext.end(), std::find(ext.begin(), ext.end(), "WS_EX_LEFT"));

    auto& props = form->WindowProperties;
    EXPECT_NE(props.end(),
              std::find(props.begin(), props.end(), std::make_pair(std::string("OstrelProp"), 1234u)));
    EXPECT_NE(props.end(), std::find(props.begin(), props.end(), std::make_pair(std::string("#4660"), 7u)));

    // An unowned window: a plain "(None)".
    EXPECT_EQ(TextNone, form->laOwnerWindow->text());
    EXPECT_FALSE(form->laOwnerWindow->IsLink());
    EXPECT_TRUE(form->laProcessID->IsLink());

    // The child tree holds the child with the grandchild under it.
    ASSERT_EQ(1u, form->ChildTree.Rows().roots().size());
    EXPECT_EQ(1u, form->ChildTree.Rows().roots().front()->children.size());
    EXPECT_TRUE(IsWindowEnabled(form->btnProperties));

    // "Properties:" is followed by its list alone, also after a visit to another page.
    form->show();
    ClickTab(*form, TWindowInfoForm::pgWindows);
    Picture(*form, "detail_window_info_windows");
    ClickTab(*form, TWindowInfoForm::pgGeneral);
    HWND propertiesCaption = FindWindowExA(form->handle(), nullptr, "STATIC", "Properties:");
    ASSERT_TRUE(propertiesCaption);
    EXPECT_EQ(std::vector<std::string>{}, RightOf(form->handle(), propertiesCaption));
    Picture(*form, "detail_window_info");
}

// As the user does: the page's tab clicked, the control focused, Esc pressed.
TEST_F(Details, EscClosesTheWindowWhicheverOfItsControlsHasTheFocus) {
    TestWindows windows;
    auto window = std::make_unique<TWindowInfoForm>(windows.top, sources);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("kernel32.dll"), path, MAX_PATH);
    auto module = std::make_unique<TModuleInfoForm>(path, sources);
    struct Case {
        const char* name;
        TInfoForm& form;
        int page;
        HWND control;
    } const cases[] = {
        {"refresh button", *window, TWindowInfoForm::pgGeneral,
         GetDlgItem(window->handle(), TInfoForm::cmRefresh)},
        {"caption edit", *window, TWindowInfoForm::pgGeneral, window->laCaption},
        {"properties list", *window, TWindowInfoForm::pgGeneral, window->vtProperties},
        {"style list", *window, TWindowInfoForm::pgStyles, window->lbWindowStyles},
        {"child tree", *window, TWindowInfoForm::pgWindows, window->ChildTree.handle()},
        {"Select Window", *window, TWindowInfoForm::pgWindows, window->btnSelect},
        {"Properties", *window, TWindowInfoForm::pgWindows, window->btnProperties},
        {"FindWindow-Coder", *window, TWindowInfoForm::pgWindows, window->btnFindWndCoder},
        {"module path", *module, 0, module->edPath},
        {"module properties button", *module, 0, module->btnModuleInfo},
    };
    for (const Case& c : cases) {
        c.form.show();
        SetForegroundWindow(c.form.handle());
        ClickTab(c.form, c.page);
        ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(c.control) != FALSE; }, 5000)) << c.name;
        SetFocus(c.control);
        ASSERT_EQ(c.control, GetFocus()) << c.name;
        PostMessageA(c.control, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        PostMessageA(c.control, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        EXPECT_TRUE(PumpUntil([&] { return !IsWindowVisible(c.form.handle()); }, 5000)) << c.name;
    }
}

TEST_F(Details, LinksOpenTheNumberTheyCarryAfterTheFormatChanged) {
    TestWindows windows;
    OpenedRecorder recorder;
    auto form = std::make_unique<TWindowInfoForm>(windows.top, sources);
    const auto handle = std::uint32_t(reinterpret_cast<UINT_PTR>(windows.top));

    parseFormat = FormatDollarHex;
    intFormat = FormatDecimal;
    form->UpdateIntFormat();
    EXPECT_EQ(std::to_string(handle), TextOf(form->laHandle));
    EXPECT_EQ(std::to_string(GetCurrentProcessId()), form->laProcessID->text());
    // Class and window bytes are counts and stay decimal whatever the format.
    EXPECT_EQ(std::to_string(GetClassLongA(windows.top, GCL_CBWNDEXTRA)), TextOf(form->laWindowBytes));

    form->laProcessID->Click();
    form->laThreadID->Click();
    form->btnPropertiesClick();
    ASSERT_EQ(3u, recorder.opened.size());
    EXPECT_EQ(std::make_pair(ltProcesses, std::to_string(GetCurrentProcessId())), recorder.opened[0]);
    EXPECT_EQ(std::make_pair(ltThreads, std::to_string(GetCurrentThreadId())), recorder.opened[1]);
    EXPECT_EQ(std::make_pair(ltWindows, std::to_string(reinterpret_cast<UINT_PTR>(windows.child))),
              recorder.opened[2]);
}

TEST_F(Details, AChildWindowLinksToItsParent) {
    TestWindows windows;
    OpenedRecorder recorder;
    auto form = std::make_unique<TWindowInfoForm>(windows.child, sources);
    ASSERT_TRUE(form->laParentWindow->IsLink());
    form->laParentWindow->Click();
    ASSERT_EQ(1u, recorder.opened.size());
    EXPECT_EQ(std::make_pair(ltWindows, std::to_string(reinterpret_cast<UINT_PTR>(windows.top))),
              recorder.opened[0]);
    // Its own child has no children: Properties has nothing to open.
    auto leaf = std::make_unique<TWindowInfoForm>(windows.grandchild, sources);
    EXPECT_EQ(0, leaf->ChildTree.VisibleRowCount());
    EXPECT_FALSE(IsWindowEnabled(leaf->btnProperties));
}

TEST_F(Details, UpdateEveryIsClampedAndFollowsTheCheckBox) {
    TestWindows windows;
    auto form = std::make_unique<TWindowInfoForm>(windows.top, sources);
    EXPECT_EQ(5, form->UpdateTime());
    EXPECT_FALSE(form->TimerRunning());
    form->SetAutoUpdate(true);
    EXPECT_TRUE(form->TimerRunning());
    for (auto [typed, used] : {std::pair{0, 1}, {61, 60}, {-3, 1}, {30, 30}}) {
        form->SetUpdateTime(typed);
        EXPECT_EQ(used, form->UpdateTime()) << typed;
    }
    form->SetAutoUpdate(false);
    EXPECT_FALSE(form->TimerRunning());
}

TEST_F(Details, RefreshAndEachTimerTickShowWhatChangedInTheWindow) {
    TestWindows windows;
    auto form = std::make_unique<TWindowInfoForm>(windows.top, sources);
    auto change = [&](const char* caption, int x, LONG style) {
        SetWindowTextA(windows.top, caption);
        SetWindowPos(windows.top, nullptr, x, 130, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowLongA(windows.top, GWL_STYLE, style);
    };
    auto shows = [&](const char* caption) {
        RECT r;
        GetWindowRect(windows.top, &r);
        return TextOf(form->laCaption) == caption && TextOf(form->laRect) == FormatRect(r) &&
               TextOf(form->laWindowStyle) ==
                   FormatNumber(std::uint32_t(GetWindowLongA(windows.top, GWL_STYLE)));
    };
    const LONG style = GetWindowLongA(windows.top, GWL_STYLE);
    change("refreshed", 110, style & ~WS_MAXIMIZEBOX);
    EXPECT_FALSE(shows("refreshed"));
    form->RefreshClick();
    EXPECT_TRUE(shows("refreshed"));
    auto styles = ListBoxItems(form->lbWindowStyles);
    EXPECT_EQ(styles.end(), std::find(styles.begin(), styles.end(), "WS_MAXIMIZEBOX"));

    form->SetAutoUpdate(true);
    form->SetUpdateTime(1);
    change("ticked", 120, style);
    EXPECT_TRUE(PumpUntil([&] { return shows("ticked"); }, 3000)) << TextOf(form->laCaption);
}

std::map<std::string, fw::Value> ProcessValues(DWORD id) {
    return {{"Handle", fw::Value(std::to_string(id))},
            {"ProcessId", fw::Value::UInt32(id)},
            {"Name", fw::Value("fake.exe")},
            {"Caption", fw::Value("fake.exe")},
            {"ExecutablePath", fw::Value("C:\\nowhere\\fake.exe")},
            {"CommandLine", fw::Value("fake.exe /x")},
            {"ParentProcessId", fw::Value::UInt32(4)},
            {"ThreadCount", fw::Value::UInt32(3)},
            {"KernelModeTime", fw::Value("10000000")},
            {"UserModeTime", fw::Value("20000000")}};
}

TEST_F(Details, ProcessInfoFromWmiAndAGoneProcessReportedOnce) {
    fake::MessageBoxes boxes;
    OpenedRecorder recorder;
    const DWORD id = 0x7ffe0;
    sources.wmi->Add("Win32_Process", ProcessValues(id));
    auto form = std::make_unique<TProcessInfoForm>(id, sources);
    EXPECT_EQ(FormatNumber(id), TextOf(form->laProcessID));
    EXPECT_EQ("fake.exe /x", TextOf(form->meCommandLine));
    EXPECT_EQ("3", TextOf(form->ChangingFields[0]));
    EXPECT_EQ(FormatDurationTicks(10000000), TextOf(form->ChangingFields[1]));
    EXPECT_EQ(0, form->ServiceTree.VisibleRowCount());
    form->laParentProcess->Click();
    ASSERT_EQ(1u, recorder.opened.size());
    EXPECT_EQ(std::make_pair(ltProcesses, std::string("4")), recorder.opened[0]);
    Picture(*form, "detail_process_info");
    // No such file: the module button stays hidden on the shown page.
    EXPECT_FALSE(IsWindowVisible(form->ModuleButton()));

    // The times the process has run change with each refresh.
    auto later = ProcessValues(id);
    later["KernelModeTime"] = fw::Value("30000000");
    later["UserModeTime"] = fw::Value("650000000");
    sources.wmi->Add("Win32_Process", later);
    form->RefreshClick();
    EXPECT_EQ(FormatDurationTicks(30000000), TextOf(form->ChangingFields[1]));
    EXPECT_EQ(FormatDurationTicks(650000000), TextOf(form->ChangingFields[2]));

    sources.wmi->objects.clear();
    form->SetAutoUpdate(true);
    form->RefreshClick();
    form->RefreshClick();
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ("The process with ID " + FormatNumber(id) + " doesn't exist anymore.", boxes.shown[0].text);
    EXPECT_FALSE(form->TimerRunning());
    EXPECT_FALSE(form->AutoUpdate());
}

TEST_F(Details, BindFailuresTellTheUserAndNoWindowRemains) {
    fake::MessageBoxes boxes;
    EXPECT_THROW(TProcessInfoForm(0x7ffe4, sources), EInfoBindFailed);
    EXPECT_THROW(TServiceInfoForm("Nope", sources), EInfoBindFailed);
    EXPECT_THROW(TThreadInfoForm(0x7ffe8, sources), EInfoBindFailed);
    ASSERT_EQ(3u, boxes.shown.size());
    EXPECT_EQ("The process with ID " + FormatNumber(0x7ffe4) + " doesn't exist anymore.",
              boxes.shown[0].text);
    EXPECT_EQ("No Serivce with Name Nope found.", boxes.shown[1].text);
    EXPECT_EQ("The Thread with ID " + FormatNumber(0x7ffe8) + " doesn't exist anymore.", boxes.shown[2].text);
    for (const auto& box : boxes.shown) EXPECT_EQ("Error", box.caption);

    // WMI that cannot be reached is no object that has gone: its own error goes on to the user.
    sources.onConnect = [] { throw fw::EOleException(WBEM_E_ACCESS_DENIED, "WMI connection"); };
    EXPECT_THROW(TProcessInfoForm(0x7ffe4, sources), fw::EOleException);
    EXPECT_THROW(TServiceInfoForm("Nope", sources), fw::EOleException);
    EXPECT_THROW(TThreadInfoForm(0x7ffe8, sources), fw::EOleException);
    EXPECT_EQ(3u, boxes.shown.size()) << boxes.shown.back().text;
}

TEST_F(Details, AFailingServicesQueryLeavesTheListEmpty) {
    class FailingQueries : public ListWmi {
    public:
        std::shared_ptr<fw::wmi::ObjectSet> execQuery(const std::string& wql) override {
            if (wql.find("Win32_Service") != std::string::npos) throw fw::EOleException(E_FAIL, "query");
            return ListWmi::execQuery(wql);
        }
    };
    auto wmi = std::make_shared<FailingQueries>();
    wmi->Add("Win32_Process", ProcessValues(0x7ffec));
    sources.wmi = wmi;
    auto form = std::make_unique<TProcessInfoForm>(0x7ffec, sources);
    EXPECT_EQ(0, form->ServiceTree.VisibleRowCount());
    EXPECT_EQ(TextUnavailable, TextOf(form->laIsService));
}

TEST_F(Details, ServicesOfAProcessAndTheServiceWindow) {
    const DWORD id = 0x7fff0;
    sources.wmi->Add("Win32_Process", ProcessValues(id));
    auto running = fake::object({{"Name", fw::Value("FakeSvc")},
                                 {"DisplayName", fw::Value("Fake service")},
                                 {"ProcessId", fw::Value::UInt32(id)},
                                 {"State", fw::Value("Running")},
                                 {"Started", fw::Value::Bool(true)}});
    auto stopped = fake::object({{"Name", fw::Value("Stopped")}, {"ProcessId", fw::Value::Null()}});
    sources.wmi->queries["SELECT * FROM Win32_Service WHERE ProcessId = " + std::to_string(id)] = {running};
    sources.wmi->objects[TServiceInfoObject::ObjectPath("FakeSvc")] = running;
    sources.wmi->objects[TServiceInfoObject::ObjectPath("Stopped")] = stopped;

    auto process = std::make_unique<TProcessInfoForm>(id, sources);
    EXPECT_EQ(1, process->ServiceTree.VisibleRowCount());

    auto service = std::make_unique<TServiceInfoForm>("FakeSvc", sources);
    EXPECT_EQ("FakeSvc", TextOf(service->laName));
    EXPECT_EQ("Fake service", TextOf(service->edDisplayName));
    EXPECT_EQ("Running", TextOf(service->laState));
    EXPECT_EQ(FormatNumber(id), service->laProcessID->text());
    EXPECT_TRUE(service->laProcessID->IsLink());
    Picture(*service, "detail_service_info");

    auto none = std::make_unique<TServiceInfoForm>("Stopped", sources);
    EXPECT_FALSE(none->laProcessID->IsLink());
}

TEST_F(Details, ThreadInfoFromWmi) {
    const DWORD id = GetCurrentThreadId();
    sources.wmi->queries["SELECT * FROM Win32_Thread WHERE Handle = " + std::to_string(id)] = {
        fake::object({{"Handle", fw::Value(std::to_string(id))},
                      {"ProcessHandle", fw::Value(std::to_string(GetCurrentProcessId()))},
                      {"ThreadState", fw::Value::UInt32(2)},
                      {"ElapsedTime", fw::Value("1234")}})};
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    auto process = ProcessValues(GetCurrentProcessId());
    process["ExecutablePath"] = fw::Value(exe);
    sources.wmi->Add("Win32_Process", process);
    auto form = std::make_unique<TThreadInfoForm>(id, sources);
    EXPECT_EQ(FormatNumber(id), TextOf(form->laThreadID));
    EXPECT_NE(TextUnavailable, TextOf(form->laThreadState));
    EXPECT_EQ(exe, TextOf(form->edModule));
    Picture(*form, "detail_thread_info");
    EXPECT_TRUE(IsWindowVisible(form->ModuleButton())) << "the module is a file";

    parseFormat = FormatDollarHex;
    intFormat = FormatDecimal;
    form->UpdateIntFormat();
    EXPECT_EQ(std::to_string(id), TextOf(form->laThreadID));
}

// A module with a version resource and one without: the placeholders stand where no version is, and
// the properties button works for both.
TEST_F(Details, ModuleInfoReadsTheVersionAndOpensTheShellsProperties) {
    char kernel32[MAX_PATH] = {};
    GetModuleFileNameA(GetModuleHandleA("kernel32.dll"), kernel32, MAX_PATH);
    const struct {
        std::string path;
        bool versioned;
    } modules[] = {{kernel32, true}, {testing_support::SiblingPath("ostrel_sleeper.exe"), false}};
    for (const auto& m : modules) {
        auto form = std::make_unique<TModuleInfoForm>(m.path, sources);
        EXPECT_EQ(m.path, TextOf(form->edPath));
        EXPECT_EQ(m.versioned, TextOf(form->laFileVersion) != TextUnavailable) << m.path;
        EXPECT_EQ(m.versioned, TextOf(form->laVersion) != TextUnavailable) << m.path;
        if (m.versioned) Picture(*form, "detail_module_info");

        // The shell shows its properties dialog, or its own message where it cannot (as under Wine); the
        // program adds no second message.
        fake::MessageBoxes boxes;
        ShellDialogCloser closer;
        form->ModuleInfoClick();
        EXPECT_TRUE(PumpUntil([&] { return closer.Closed() > 0; }, 10000)) << m.path;
        EXPECT_TRUE(boxes.shown.empty()) << m.path;
    }
}

TEST_F(Details, TheWindowOfAnotherProcess) {
    SleeperProcess sleeper("shown");
    HWND target = sleeper.waitWindow("OstrelFinderTarget", "ostrel finder target", 20000);
    ASSERT_TRUE(target);
    auto form = std::make_unique<TWindowInfoForm>(target, sources);
    RECT r;
    GetWindowRect(target, &r);
    EXPECT_EQ("ostrel finder target", TextOf(form->laCaption));
    EXPECT_EQ("OstrelFinderTarget", TextOf(form->laClassName));
    EXPECT_EQ(FormatRect(r), TextOf(form->laRect));
    EXPECT_EQ(FormatNumber(sleeper.id()), form->laProcessID->text());
    EXPECT_EQ(0, form->ChildTree.VisibleRowCount());
}

TEST_F(Details, AHungWindowDoesNotHangItsDetailWindow) {
    SleeperProcess sleeper("window");
    HWND hung = nullptr;
    PumpUntil([&] { return (hung = sleeper.findWindow("OstrelHungWindow", nullptr, false)) != nullptr; });
    ASSERT_TRUE(hung);
    // Caption and icons are asked with a time-out: the window opens, and a refresh returns.
    auto form = std::make_unique<TWindowInfoForm>(hung, sources);
    EXPECT_EQ("OstrelHungWindow", TextOf(form->laClassName));
    form->RefreshClick();
}

TEST_F(Details, AnEndedHelperProcessIsReportedGoneOnce) {
    fw::ComInit com;
    fake::MessageBoxes boxes;
    SleeperProcess sleeper;
    ASSERT_TRUE(sleeper.started());
    auto form = std::make_unique<TProcessInfoForm>(sleeper.id(), SystemSources());
    EXPECT_EQ(FormatNumber(sleeper.id()), TextOf(form->laProcessID));
    form->SetAutoUpdate(true);
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, sleeper.id());
    ASSERT_TRUE(process);
    TerminateProcess(process, 1);
    CloseHandle(process);
    EXPECT_NE(-1, sleeper.waitExit(10000));
    // WMI may take a moment to forget the process; once it has, the one report comes.
    PumpUntil(
        [&] {
            form->RefreshClick();
            return !boxes.shown.empty();
        },
        20000);
    form->RefreshClick();
    ASSERT_EQ(1u, boxes.shown.size());
    EXPECT_EQ("The process with ID " + FormatNumber(sleeper.id()) + " doesn't exist anymore.",
              boxes.shown[0].text);
    EXPECT_FALSE(form->TimerRunning());
}

} // namespace
