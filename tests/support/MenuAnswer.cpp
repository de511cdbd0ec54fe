#include "support/MenuAnswer.h"
#include "support/ProgramDriver.h"

namespace testing_support {

namespace {
struct MenuSearch {
    HWND found = nullptr;
};

BOOL CALLBACK FindOwnMenu(HWND window, LPARAM param) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (lstrcmpA(name, "#32768") != 0 || process != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    reinterpret_cast<MenuSearch*>(param)->found = window;
    return FALSE;
}

std::vector<MenuEntry> Entries(HMENU menu) {
    std::vector<MenuEntry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[256] = {};
        MENUITEMINFOA item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        item.dwTypeData = text;
        item.cch = sizeof text;
        GetMenuItemInfoA(menu, UINT(i), TRUE, &item);
        entries.push_back(
            {text, item.wID, (item.fType & MFT_SEPARATOR) != 0, (item.fState & MFS_DEFAULT) != 0});
    }
    return entries;
}
} // namespace

std::thread AnswerMenu(std::function<int(const std::vector<MenuEntry>&)> choose, std::atomic<bool>& seen) {
    return std::thread([choose = std::move(choose), &seen] {
        MenuSearch search;
        WaitFor(
            [&] {
                EnumWindows(FindOwnMenu, reinterpret_cast<LPARAM>(&search));
                return search.found != nullptr;
            },
            60000);
        if (!search.found) return;
        HWND menu = search.found;
        HMENU items = reinterpret_cast<HMENU>(SendMessageA(menu, MN_GETHMENU, 0, 0));
        const int target = choose(Entries(items));
        seen = true;
        auto selected = [&] {
            for (int i = 0; i < GetMenuItemCount(items); ++i)
                if (GetMenuState(items, UINT(i), MF_BYPOSITION) & MF_HILITE) return i;
            return -1;
        };
        // One step at a time, as a second key sent before the first was answered would move past the entry.
        // A key the menu never answered is sent again; should both arrive, the selection wraps round to it.
        for (int step = 0; target >= 0 && step < 3 * GetMenuItemCount(items) && selected() != target;
             ++step) {
            const int before = selected();
            PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
            WaitFor([&] { return selected() != before; }, 3000);
        }
        PostMessageA(menu, WM_KEYDOWN, target >= 0 && selected() == target ? VK_RETURN : VK_ESCAPE, 0);
    });
}

std::thread AnswerMenu(UINT command, std::atomic<bool>& seen) {
    return AnswerMenu(
        [command](const std::vector<MenuEntry>& entries) {
            for (std::size_t i = 0; command && i < entries.size(); ++i)
                if (entries[i].command == command) return int(i);
            return -1;
        },
        seen);
}

} // namespace testing_support
