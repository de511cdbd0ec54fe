#include "DesktopIcons.h"
#include <windows.h>
#include <commctrl.h>
#include <cstring>
#include <optional>
#include "ConstVars.h"
#include "core/IconPositions.h"
#include "framework/Handles.h"
#include "framework/Registry.h"

namespace {

constexpr UINT shellTimeoutMs = 2000;

std::string iconKey() {
    return TOSTREL_Settings::RegistryKey() + "\\IconPositions";
}

HWND desktopListView() {
    HWND progman = FindWindowA("Progman", "Program Manager");
    HWND view = progman ? FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr) : nullptr;
    return view ? FindWindowExA(view, nullptr, "SysListView32", "FolderView") : nullptr;
}

// Our item records are the 32-bit layout; a 64-bit shell would read them wrongly and we would write
// into its memory at the wrong places. Under WOW64 only a shell that runs under WOW64 as well is ours.
bool shellHasOurBitness(DWORD shellProcessId) {
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process")));
    BOOL selfWow64 = FALSE;
    if (!isWow64 || (isWow64(GetCurrentProcess(), &selfWow64) && !selfWow64)) return true;
    fw::Handle shell(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, shellProcessId));
    BOOL shellWow64 = FALSE;
    return shell && isWow64(shell.get(), &shellWow64) && shellWow64;
}

// A buffer in the shell's process: the item record, then the label text after it.
class RemoteBuffer {
public:
    static constexpr size_t textOffset = sizeof(LVITEMA);
    static constexpr size_t textChars = 260;
    static constexpr size_t size = textOffset + textChars + 1;

    RemoteBuffer(HANDLE process)
        : process_(process),
          remote_(static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE))) {}
    ~RemoteBuffer() {
        if (remote_) VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;

    explicit operator bool() const { return remote_ != nullptr; }
    char* remote() const { return remote_; }
    char* local() { return local_; }
    bool write() { return WriteProcessMemory(process_, remote_, local_, size, nullptr); }
    bool read() { return ReadProcessMemory(process_, remote_, local_, size, nullptr); }

private:
    HANDLE process_;
    char* remote_;
    char local_[size] = {};
};

class ShellIconView : public core::IconView {
public:
    ShellIconView(HWND listView, RemoteBuffer& buffer) : listView_(listView), buffer_(buffer) {}

    int count() override {
        DWORD_PTR n = 0;
        return send(LVM_GETITEMCOUNT, 0, 0, n) ? static_cast<int>(n) : 0;
    }

    std::optional<std::string> label(int index) override {
        std::memset(buffer_.local(), 0, RemoteBuffer::size);
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = index;
        item.pszText = buffer_.remote() + RemoteBuffer::textOffset;
        item.cchTextMax = RemoteBuffer::textChars;
        std::memcpy(buffer_.local(), &item, sizeof item);
        DWORD_PTR ignored;
        if (!buffer_.write() || !send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(buffer_.remote()), ignored) ||
            !buffer_.read())
            return std::nullopt;
        const char* text = buffer_.local() + RemoteBuffer::textOffset;
        return std::string(text, strnlen(text, RemoteBuffer::textChars));
    }

    std::optional<core::IconPoint> position(int index) override {
        DWORD_PTR ok = 0;
        if (!send(LVM_GETITEMPOSITION, index, reinterpret_cast<LPARAM>(buffer_.remote()), ok) || !ok ||
            !buffer_.read())
            return std::nullopt;
        POINT point;
        std::memcpy(&point, buffer_.local(), sizeof point);
        return core::IconPoint{point.x, point.y};
    }

    void move(int index, core::IconPoint point) override {
        DWORD_PTR ignored;
        send(LVM_SETITEMPOSITION, index, MAKELPARAM(point.x, point.y), ignored);
    }

private:
    // The shell may hang; we don't hang with it.
    bool send(UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result) {
        return SendMessageTimeoutA(listView_, message, wParam, lParam, SMTO_ABORTIFHUNG, shellTimeoutMs,
                                   &result);
    }

    HWND listView_;
    RemoteBuffer& buffer_;
};

// Runs `work` over the desktop's icons when the list view and its process can be had.
template <typename Work> void withDesktopIcons(Work work) {
    HWND listView = desktopListView();
    if (!listView) return;
    DWORD processId = 0;
    GetWindowThreadProcessId(listView, &processId);
    if (!shellHasOurBitness(processId)) return;
    fw::Handle process(
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
    if (!process) return;
    RemoteBuffer buffer(process.get());
    if (!buffer) return;
    ShellIconView view(listView, buffer);
    work(listView, view);
}

void clearValues(fw::Registry& registry) {
    for (const auto& name : registry.valueNames()) registry.deleteValue(name);
}

} // namespace

void SaveIconPositions() {
    if (OstrelSettings && OstrelSettings->SaveDesktopIcons) SaveIconPositionsUnder(iconKey());
}

void RestoreIconPositions() {
    RestoreIconPositionsUnder(iconKey());
}

void SaveIconPositionsUnder(const std::string& key) {
    try {
        fw::Registry registry;
        if (!registry.openKey(key, true)) return;
        clearValues(registry);
        withDesktopIcons([&](HWND, core::IconView& view) {
            for (const auto& [label, point] : core::CollectIconPositions(view)) {
                auto bytes = core::EncodeIconPoint(point);
                registry.writeBinaryData(label, bytes.data(), bytes.size());
            }
        });
    } catch (const std::exception&) {
        // best-effort: a failed write ends the walk
    }
}

void RestoreIconPositionsUnder(const std::string& key) {
    try {
        fw::Registry registry;
        if (!registry.openKey(key, true)) return;
        core::StoredIconPositions stored;
        for (const auto& name : registry.valueNames()) {
            std::vector<uint8_t> value(16);
            try {
                value.resize(registry.readBinaryData(name, value.data(), value.size()));
            } catch (const std::exception&) {
                continue; // not binary, or too long to be a position
            }
            stored.emplace_back(name, std::move(value));
        }
        withDesktopIcons([&](HWND listView, core::IconView& view) {
            LONG style = GetWindowLongA(listView, GWL_STYLE);
            bool autoArrange = style & LVS_AUTOARRANGE;
            if (autoArrange) SetWindowLongA(listView, GWL_STYLE, style & ~LVS_AUTOARRANGE);
            core::RestoreIconPositions(view, stored);
            if (autoArrange)
                SetWindowLongA(listView, GWL_STYLE, GetWindowLongA(listView, GWL_STYLE) | LVS_AUTOARRANGE);
        });
        clearValues(registry);
    } catch (const std::exception&) {
        // best-effort
    }
}
