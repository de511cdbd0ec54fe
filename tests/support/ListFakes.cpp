#include "support/ListFakes.h"
#include "framework/Application.h"

#include <commctrl.h>

#include <stdexcept>

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        fw::application().processMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT | QS_SENDMESSAGE);
    }
    return true;
}

std::string ListViewItemText(HWND list, int row, int column) {
    char buffer[512] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = sizeof buffer;
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return buffer;
}

TColumnSettingLists DefaultColumnLists() {
    TColumnSettingLists lists;
    LoadColumnSettings(lists, "Software\\OstrelTests\\Unused", true);
    return lists;
}

void ShowOnly(TColumnSettingLists& lists, TListTypes kind, const std::vector<std::string>& names) {
    for (auto& setting : lists[kind]) {
        setting->visible = false;
        setting->position = core::noColumnPosition;
        for (size_t i = 0; i < names.size(); ++i)
            if (setting->name == names[i]) {
                setting->visible = true;
                setting->position = uint8_t(i);
            }
    }
}

TColumnSettingLists KeyColumnLists() {
    TColumnSettingLists lists = DefaultColumnLists();
    for (int kind = 0; kind < ListTypeCount; ++kind)
        ShowOnly(lists, TListTypes(kind), {ListKindNames(TListTypes(kind)).KeyName});
    return lists;
}

void SetupColumns(TOstrelTreeview& tree, const TColumnSettingLists& lists,
                  const std::vector<TListTypes>& kinds) {
    size_t count = 0;
    for (TListTypes kind : kinds) count = std::max(count, ShownColumns(lists[kind]).size());
    while (size_t(tree.ColumnCount()) < count) tree.AddColumn({});
    for (TListTypes kind : kinds)
        for (TColumnSetting* setting : ShownColumns(lists[kind])) {
            tree.KindSettings(setting->position)[kind] = setting;
            if (kind == kinds.front()) tree.SetColumnCaption(setting->position, setting->name);
        }
}

HWND FakeWindows::Add(HWND parent, DWORD threadId) {
    HWND window = reinterpret_cast<HWND>(next_++);
    if (!parent) parent = desktop;
    parents_[window] = parent;
    children_[parent].push_back(window);
    if (threadId) threads_[threadId].push_back(window);
    return window;
}

bool FakeWindows::VisitAll(const std::vector<HWND>& windows, const TWindowVisit& visit, bool deep) {
    for (HWND window : windows) {
        if (beforeVisit) beforeVisit(window);
        ++visits;
        if (!visit(window)) return false;
        if (deep && !VisitAll(children_[window], visit, true)) return false;
    }
    return true;
}

void FakeWindows::Descendants(HWND parent, const TWindowVisit& visit) {
    VisitAll(children_[parent], visit, true);
}

bool FakeModules::Processes(std::vector<DWORD>& ids) {
    if (snapshotFails) return false;
    for (const auto& process : processes) ids.push_back(process.first);
    return true;
}

bool FakeModules::Modules(DWORD processId, std::vector<std::string>& paths) {
    if (beforeModules) beforeModules(processId);
    for (const auto& process : processes)
        if (process.first == processId) {
            paths = process.second;
            return true;
        }
    return false;
}

void ListWmi::Add(const std::string& className, std::map<std::string, fw::Value> values) {
    auto object = std::make_shared<fake::WmiObject>();
    object->properties = std::move(values);
    instances[className].push_back(object);
    fw::Value handle;
    if (className == "Win32_Process" && object->get("Handle", handle))
        objects["Win32_Process.Handle=\"" + handle.toText() + "\""] = object;
}

namespace {
class HookedObject : public fw::wmi::Object {
public:
    HookedObject(std::shared_ptr<fw::wmi::Object> object, std::shared_ptr<std::function<void()>> beforeRead)
        : object_(std::move(object)), beforeRead_(std::move(beforeRead)) {}
    bool get(const std::string& name, fw::Value& out) const override {
        if (!read_ && *beforeRead_) (*beforeRead_)();
        read_ = true;
        return object_->get(name, out);
    }
    std::shared_ptr<fw::wmi::Object> execMethod(const std::string& method,
                                                const fw::wmi::Params& in) override {
        return object_->execMethod(method, in);
    }

private:
    std::shared_ptr<fw::wmi::Object> object_;
    std::shared_ptr<std::function<void()>> beforeRead_;
    mutable bool read_ = false;
};
} // namespace

std::vector<std::shared_ptr<fw::wmi::Object>> ListWmi::instancesOf(const std::string& className) {
    auto objects = fake::WmiServices::instancesOf(className);
    auto hook = std::make_shared<std::function<void()>>(beforeRead);
    for (auto& object : objects) object = std::make_shared<HookedObject>(std::move(object), hook);
    return objects;
}

std::shared_ptr<fw::wmi::Services> FakeSources::ConnectWmi() {
    ++connects;
    if (onConnect) onConnect();
    return wmi;
}

TestSlots::TestSlots(LONG free) : semaphore(CreateSemaphoreA(nullptr, free, 5, nullptr)) {}

TestSlots::~TestSlots() {
    CloseHandle(semaphore);
}

int TestSlots::FreeSlots() {
    int free = 0;
    while (WaitForSingleObject(semaphore, 0) == WAIT_OBJECT_0) ++free;
    if (free) ReleaseSemaphore(semaphore, free, nullptr);
    return free;
}

TestListWindow::TestListWindow(TListTypes mainKind, std::vector<TListTypes> kinds,
                               const TColumnSettingLists& columns)
    : mainKind_(mainKind), kinds_(std::move(kinds)) {
    fw::application().initialize(GetModuleHandleA(nullptr));
    CreateParams p;
    p.className = "OstrelTestList";
    p.caption = "Test List";
    p.style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    p.width = 640;
    p.height = 480;
    create(p);
    RECT client;
    GetClientRect(handle(), &client);
    Tree.Create(handle(), 100, client);
    Tree.OnFormatText = TreeFormatText;
    SetupColumns(Tree, columns, kinds_);
}

TestListWindow::~TestListWindow() {
    Worker.reset(); // the worker uses this window until its thread has ended
}

LRESULT TestListWindow::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_LISTBEGIN:
        ++Begins;
        Tree.Clear();
        Tree.BeginSearchDisplay();
        return 0;
    case WM_LISTEND:
        Ends.push_back(wParam);
        if (wParam == 0) {
            Tree.SetSort(0, sdAscending);
            Tree.HeaderClick(0);
            Tree.EndSearchDisplay();
        } else {
            Tree.CancelSearchDisplay();
        }
        return 0;
    case WM_CLOSE:
        ++Closes;
        return 0;
    default:
        return fw::Window::handleMessage(message, wParam, lParam);
    }
}

std::span<const TPropertyInfo> TestInfo::Table() {
    static const TPropertyInfo table[] = {
        {"Key", static_cast<fw::Value (TBasicInfo::*)()>(&TestInfo::ReadKey)},
        {"ModuleName", static_cast<fw::Value (TBasicInfo::*)()>(&TestInfo::ReadName)},
    };
    return table;
}

TestColumns::TestColumns() {
    columns.resize(2);
    for (int kind = 0; kind < ListTypeCount; ++kind) {
        key[kind].name = ListKindNames(TListTypes(kind)).KeyName;
        key[kind].Property = &TestInfo::Table()[0];
        name[kind].name = "ModuleName";
        name[kind].Property = &TestInfo::Table()[1];
        columns[0][kind] = &key[kind];
        columns[1][kind] = &name[kind];
    }
}
