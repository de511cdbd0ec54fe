#include "ListingFunctions.h"
#include "support/ListFakes.h"
#include <gtest/gtest.h>

namespace {
using Node = TOstrelTreeview::Node;

// A list window with its worker made by hand, so a listing runs on the test's own thread.
struct Listing {
    explicit Listing(TListTypes mainKind, std::vector<TListTypes> kinds)
        : columns(KeyColumnLists()), window(mainKind, std::move(kinds), columns),
          worker(window, sources, slots.slots()) {
        worker.Services = sources.wmi;
    }
    const std::vector<std::unique_ptr<Node>>& roots() { return window.Tree.Rows().roots(); }

    FakeSources sources;
    TestSlots slots;
    TColumnSettingLists columns;
    TestListWindow window;
    TThreadData worker;
};

uint32_t Key(const Node& node) {
    std::int64_t value = 0;
    node.data.KeyValue().toInt64(value);
    return uint32_t(value);
}

uint32_t Id(HWND window) {
    return uint32_t(reinterpret_cast<UINT_PTR>(window));
}

// "key(child child(grandchild))" for a subtree, with keys relative to `base`.
std::string Shape(const Node& node, uint32_t base) {
    std::string text = std::to_string(Key(node) - base);
    if (node.children.empty()) return text;
    text += "(";
    for (const auto& child : node.children)
        text += (&child == &node.children.front() ? "" : " ") + Shape(*child, base);
    return text + ")";
}

std::string Shape(const std::vector<std::unique_ptr<Node>>& roots, uint32_t base = 0) {
    std::string text;
    for (const auto& root : roots) text += (text.empty() ? "" : " ") + Shape(*root, base);
    return text;
}

void AddProcess(ListWmi& wmi, uint32_t id) {
    wmi.Add("Win32_Process",
            {{"Handle", std::to_string(id)}, {"Caption", "p" + std::to_string(id) + ".exe"}});
}

void AddThread(ListWmi& wmi, uint32_t id, uint32_t process) {
    wmi.Add("Win32_Thread", {{"Handle", std::to_string(id)}, {"ProcessHandle", std::to_string(process)}});
}
} // namespace

TEST(Listing, WindowsNestAsTheirParentsUnderTheDesktopAlone) {
    Listing l(ltWindows, {ltWindows});
    FakeWindows& w = l.sources.windows;
    HWND a = w.Add(nullptr), b = w.Add(nullptr);
    HWND a1 = w.Add(a), a2 = w.Add(a);
    w.Add(a2);
    w.Add(b);
    w.Add(a1);
    ListWindows(l.worker);
    uint32_t base = Id(w.desktop);
    // Keys relative to the desktop: a 16, b 17, a1 18, a2 19, a2's child 20, b's 21, a1's 22.
    EXPECT_EQ("0(16(18(22) 19(20)) 17(21))", Shape(l.roots(), base));
    EXPECT_EQ((TListCounters{8, 0, 0, 0, 0}), l.worker.Counters);
    for (const auto& root : l.roots()) EXPECT_EQ(ltWindows, root->data.Kind);
}

TEST(Listing, EveryWindowIsVisitedOnceHoweverDeepItSits) {
    Listing l(ltWindows, {ltWindows});
    FakeWindows& w = l.sources.windows;
    HWND parent = nullptr;
    for (int depth = 0; depth < 300; ++depth) parent = w.Add(parent);
    HWND sibling = w.Add(nullptr);
    ListWindows(l.worker);
    EXPECT_EQ(302, l.worker.Counters[ltWindows]);
    EXPECT_EQ(301, w.visits) << "an enumeration per window visits each once per ancestor";
    const Node* row = l.roots().front().get();
    ASSERT_EQ(2u, row->children.size());
    EXPECT_EQ(Id(sibling), Key(*row->children.back()));
    for (row = row->children.front().get(); !row->children.empty(); row = row->children.front().get())
        ASSERT_EQ(1u, row->children.size());
    EXPECT_EQ(300, row->depth);
    EXPECT_EQ(Id(parent), Key(*row));
}

TEST(Listing, ProcessesCarryTheirThreadsAndTheThreadsWindows) {
    Listing l(ltProcesses, {ltProcesses, ltThreads, ltWindows});
    ListWmi& wmi = *l.sources.wmi;
    for (uint32_t id : {30, 10, 20}) AddProcess(wmi, id);
    AddThread(wmi, 101, 10);
    AddThread(wmi, 102, 10);
    AddThread(wmi, 201, 20);
    AddThread(wmi, 999, 55); // its process started after the process list was read
    AddThread(wmi, 0, 30);   // the idle thread has no windows
    AddThread(wmi, 103, 10);
    HWND top = l.sources.windows.Add(nullptr, 201);
    l.sources.windows.Add(top);
    l.sources.windows.Add(nullptr, 102);
    ListProcesses(l.worker);
    uint32_t base = Id(l.sources.windows.desktop);
    ASSERT_EQ(3u, l.roots().size());
    EXPECT_EQ(30u, Key(*l.roots()[0]));
    EXPECT_EQ("0", Shape(l.roots()[0]->children));
    EXPECT_EQ(3u, l.roots()[1]->children.size());
    EXPECT_EQ(102u, Key(*l.roots()[1]->children[1]));
    EXPECT_EQ("18", Shape(l.roots()[1]->children[1]->children, base));
    EXPECT_EQ("201", std::to_string(Key(*l.roots()[2]->children[0])));
    EXPECT_EQ("16(17)", Shape(l.roots()[2]->children[0]->children, base));
    EXPECT_EQ((TListCounters{3, 3, 5, 0, 0}), l.worker.Counters);
    EXPECT_EQ(ltThreads, l.roots()[1]->children[0]->data.Kind);
}

TEST(Listing, ThreadsAreRootsAndOnesWithoutAKnownProcessStayListed) {
    for (bool noProcesses : {false, true}) {
        Listing l(ltThreads, {ltThreads, ltWindows});
        ListWmi& wmi = *l.sources.wmi;
        if (!noProcesses) AddProcess(wmi, 10);
        AddThread(wmi, 101, 10);
        AddThread(wmi, 999, 55);
        // Instances without a usable ID name no thread: no row, and none for thread 0.
        wmi.Add("Win32_Thread", {{"ProcessHandle", "10"}});
        wmi.Add("Win32_Thread", {{"Handle", "7x"}, {"ProcessHandle", "55"}});
        l.sources.windows.Add(nullptr, 999);
        ListThreads(l.worker);
        ASSERT_EQ(2u, l.roots().size()) << noProcesses;
        EXPECT_EQ(101u, Key(*l.roots()[0]));
        EXPECT_EQ(999u, Key(*l.roots()[1]));
        EXPECT_EQ(1u, l.roots()[1]->children.size());
        EXPECT_EQ((TListCounters{1, 0, 2, 0, 0}), l.worker.Counters) << noProcesses;
    }
}

TEST(Listing, ModulesMergeIgnoringLetterCaseWithOneChildPerProcess) {
    Listing l(ltModules, {ltModules, ltProcesses});
    AddProcess(*l.sources.wmi, 1);
    AddProcess(*l.sources.wmi, 2); // process 3 has ended before WMI is asked: still a row
    l.sources.modules.processes = {
        {1, {"C:\\A\\x.dll", "C:\\A\\y.dll"}},
        {2, {"c:\\a\\X.DLL", "C:\\B\\z.dll", "C:\\a\\x.dll"}},
        {3, {"C:\\A\\Y.dll"}},
        {4, {}}, // no modules: it still counts
    };
    ListModules(l.worker);
    ASSERT_EQ(3u, l.roots().size());
    std::vector<std::pair<std::string, std::vector<uint32_t>>> seen;
    for (const auto& module : l.roots()) {
        std::vector<uint32_t> processes;
        for (const auto& child : module->children) {
            EXPECT_EQ(ltProcesses, child->data.Kind);
            processes.push_back(Key(*child));
        }
        seen.emplace_back(module->data.KeyValue().toText(), processes);
    }
    EXPECT_EQ("C:\\A\\x.dll", seen[0].first);
    EXPECT_EQ((std::vector<uint32_t>{1, 2}), seen[0].second);
    EXPECT_EQ((std::vector<uint32_t>{1, 3}), seen[1].second);
    EXPECT_EQ((std::vector<uint32_t>{2}), seen[2].second);
    EXPECT_EQ((TListCounters{0, 4, 0, 3, 0}), l.worker.Counters);
    // All processes in one fetch; only those it lacks are asked for one by one.
    EXPECT_EQ(std::vector<std::string>{"Win32_Process"}, l.sources.wmi->instancesAsked);
    EXPECT_TRUE(l.sources.wmi->queriesRun.empty());
    EXPECT_EQ((std::vector<std::string>{"Win32_Process.Handle=\"3\"", "Win32_Process.Handle=\"4\""}),
              l.sources.wmi->gets);

    Listing failing(ltModules, {ltModules, ltProcesses});
    failing.sources.modules.snapshotFails = true;
    ListModules(failing.worker);
    EXPECT_TRUE(failing.roots().empty());
    EXPECT_EQ((TListCounters{}), failing.worker.Counters);
}

TEST(Listing, ServicesAndEmptyCollections) {
    Listing l(ltServices, {ltServices});
    for (const char* name : {"alpha", "beta", "gamma"}) l.sources.wmi->Add("Win32_Service", {{"Name", name}});
    ListServices(l.worker);
    ASSERT_EQ(3u, l.roots().size());
    EXPECT_EQ("beta", l.roots()[1]->data.KeyValue().toText());
    EXPECT_EQ((TListCounters{0, 0, 0, 0, 3}), l.worker.Counters);

    Listing empty(ltProcesses, {ltProcesses, ltThreads, ltWindows});
    ListProcesses(empty.worker);
    ListThreads(empty.worker);
    ListServices(empty.worker);
    EXPECT_TRUE(empty.roots().empty());
    EXPECT_EQ((TListCounters{}), empty.worker.Counters);
}

TEST(Listing, CancelPointsStopAtOnce) {
    struct Case {
        const char* what;
        TListTypes kind;
        std::function<void(Listing&)> arrange; // arranges a cancel after some objects
        void (*list)(TThreadData&);
        size_t rowsExpected; // the object being read when the cancel comes still gets its row
    };
    auto cancelAfter = [](Listing& l, int count) {
        return [&l, count, seen = 0]() mutable {
            if (++seen > count) l.worker.terminate();
        };
    };
    const Case cases[] = {
        {"windows", ltWindows,
         [&](Listing& l) {
             for (int i = 0; i < 10; ++i) l.sources.windows.Add(nullptr);
             l.sources.windows.beforeVisit = [f = cancelAfter(l, 3)](HWND) mutable { f(); };
         },
         ListWindows, 4}, // the desktop and three windows
        {"processes", ltProcesses,
         [&](Listing& l) {
             for (uint32_t i = 1; i <= 10; ++i) AddProcess(*l.sources.wmi, i);
             l.sources.wmi->beforeRead = cancelAfter(l, 4);
         },
         ListProcesses, 5},
        {"threads", ltThreads,
         [&](Listing& l) {
             AddProcess(*l.sources.wmi, 1);
             for (uint32_t i = 1; i <= 10; ++i) AddThread(*l.sources.wmi, 100 + i, 1);
             l.sources.wmi->beforeRead = cancelAfter(l, 2); // each collection counts its own objects
         },
         ListThreads, 3},
        {"modules", ltModules,
         [&](Listing& l) {
             for (DWORD p = 1; p <= 5; ++p)
                 l.sources.modules.processes.push_back({p, {"C:\\m" + std::to_string(p) + ".dll"}});
             l.sources.modules.beforeModules = [&l](DWORD id) {
                 if (id == 2) l.worker.terminate();
             };
         },
         ListModules, 2}, // the first module and its process row
        {"services", ltServices,
         [&](Listing& l) {
             for (int i = 0; i < 10; ++i) l.sources.wmi->Add("Win32_Service", {{"Name", std::to_string(i)}});
             l.sources.wmi->beforeRead = cancelAfter(l, 5);
         },
         ListServices, 6},
    };
    for (const auto& c : cases) {
        Listing l(c.kind, {c.kind, ltProcesses, ltThreads, ltWindows});
        c.arrange(l);
        c.list(l.worker);
        EXPECT_EQ(c.rowsExpected, l.window.Tree.Rows().size()) << c.what;
    }
}

TEST(Listing, ModulePathsTakeTheirLongForm) {
    char temp[MAX_PATH] = {};
    ASSERT_NE(0u, GetTempPathA(MAX_PATH, temp));
    char longTemp[MAX_PATH] = {};
    ASSERT_NE(0u, GetLongPathNameA(temp, longTemp, MAX_PATH));
    const std::string folder = std::string(longTemp) + "Ostrel folder of modules";
    const std::string file = folder + "\\a module of a long name.dll";
    CreateDirectoryA(folder.c_str(), nullptr);
    CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    char shortPath[MAX_PATH] = {};
    GetShortPathNameA(file.c_str(), shortPath, MAX_PATH);
    const std::string shortForm = shortPath;
    const std::string found = LongPath(shortForm);
    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
    ASSERT_NE(std::string::npos, shortForm.find('~')) << "no short form of " << file;
    EXPECT_EQ(file, found);
    // A module whose file has gone keeps the path it was loaded by.
    EXPECT_EQ(shortForm, LongPath(shortForm));
}
