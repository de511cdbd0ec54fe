#include "InfoObjects.h"

#include "Imports.h"
#include "WindowText.h"

#include <psapi.h>

#define OSTREL_PROPERTY(name) OSTREL_PUBLISHED(TWindowInfoObject, name)

std::span<const TPropertyInfo> TWindowInfoObject::Table() {
    static const TPropertyInfo table[] = {
        OSTREL_PROPERTY(Handle),      OSTREL_PROPERTY(WndProc),      OSTREL_PROPERTY(WindowText),
        OSTREL_PROPERTY(ControlID),   OSTREL_PROPERTY(WindowStyle),  OSTREL_PROPERTY(ExtWindowStyle),
        OSTREL_PROPERTY(ClassName),   OSTREL_PROPERTY(ClassAtom),    OSTREL_PROPERTY(ClassBytes),
        OSTREL_PROPERTY(ClassModule), OSTREL_PROPERTY(ClassWndProc), OSTREL_PROPERTY(ClassInstanceHandle),
        OSTREL_PROPERTY(WindowBytes), OSTREL_PROPERTY(ProcessID),    OSTREL_PROPERTY(ThreadID),
        OSTREL_PROPERTY(Unicode),     OSTREL_PROPERTY(ParentWindow), OSTREL_PROPERTY(OwnerWindow),
        OSTREL_PROPERTY(ClassStyle),  OSTREL_PROPERTY(MenuHandle),   OSTREL_PROPERTY(InstanceHandle),
    };
    return table;
}

namespace {

std::uint32_t bits(const void* p) {
    return static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(p));
}

fw::Value noneWhenZero(const void* p) {
    return p ? fw::Value::UInt32(bits(p)) : fw::Value(TextNone);
}

// A zero read is only a failure when the call reported one.
fw::Value checkedLong(DWORD value) {
    return value != 0 || GetLastError() == 0 ? fw::Value::UInt32(value) : TextUnavailable;
}

} // namespace

TWindowInfoObject::TWindowInfoObject(HWND handle)
    : TBasicInfo(ltWindows), Handle(handle), BigIcon(-1), SmallIcon(-1) {}

fw::Value TWindowInfoObject::ClassLong(int index) const {
    SetLastError(0);
    return checkedLong(GetClassLongA(Handle, index));
}

fw::Value TWindowInfoObject::WindowLong(int index) const {
    SetLastError(0);
    return checkedLong(static_cast<DWORD>(GetWindowLongA(Handle, index)));
}

fw::Value TWindowInfoObject::ReadHandle() {
    return fw::Value::UInt32(bits(Handle));
}
fw::Value TWindowInfoObject::ReadWndProc() {
    return WindowLong(GWL_WNDPROC);
}
fw::Value TWindowInfoObject::ReadWindowText() {
    return WindowTextOrPlaceholder(Handle);
}
fw::Value TWindowInfoObject::ReadControlID() {
    return fw::Value::Int32(GetDlgCtrlID(Handle));
}
fw::Value TWindowInfoObject::ReadWindowStyle() {
    return WindowLong(GWL_STYLE);
}
fw::Value TWindowInfoObject::ReadExtWindowStyle() {
    return WindowLong(GWL_EXSTYLE);
}

fw::Value TWindowInfoObject::ReadClassName() {
    char name[256] = {};
    GetClassNameA(Handle, name, sizeof name);
    std::string result = name;
    if (Handle && Handle == GetDesktopWindow()) result += " (Desktop)";
    return result;
}

fw::Value TWindowInfoObject::ReadClassAtom() {
    return ClassLong(GCW_ATOM);
}
fw::Value TWindowInfoObject::ReadClassBytes() {
    return ClassLong(GCL_CBCLSEXTRA);
}

fw::Value TWindowInfoObject::ReadClassModule() {
    DWORD pid = 0;
    GetWindowThreadProcessId(Handle, &pid);
    SetLastError(0);
    DWORD module = GetClassLongA(Handle, GCL_HMODULE);
    if (module == 0 && GetLastError() != 0) return TextUnavailable;
    fw::Handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) return TextUnavailable;
    char path[MAX_PATH] = {};
    if (GetModuleFileNameExA(process.get(), reinterpret_cast<HMODULE>(static_cast<UINT_PTR>(module)), path,
                             MAX_PATH) == 0)
        return TextUnavailable;
    char longPath[MAX_PATH] = {};
    // The long form where there is one; a path that has none stays as it is.
    DWORD n = ImpGetLongPathName(path, longPath, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(longPath) : std::string(path);
}

fw::Value TWindowInfoObject::ReadClassWndProc() {
    return ClassLong(GCL_WNDPROC);
}
fw::Value TWindowInfoObject::ReadClassInstanceHandle() {
    return ClassLong(GCL_HMODULE);
}
fw::Value TWindowInfoObject::ReadWindowBytes() {
    return ClassLong(GCL_CBWNDEXTRA);
}

fw::Value TWindowInfoObject::ReadProcessID() {
    DWORD pid = 0;
    GetWindowThreadProcessId(Handle, &pid);
    return fw::Value::UInt32(pid);
}

fw::Value TWindowInfoObject::ReadThreadID() {
    return fw::Value::UInt32(GetWindowThreadProcessId(Handle, nullptr));
}
fw::Value TWindowInfoObject::ReadUnicode() {
    return fw::Value::Bool(IsWindowUnicode(Handle) != FALSE);
}
fw::Value TWindowInfoObject::ReadParentWindow() {
    return noneWhenZero(GetAncestor(Handle, GA_PARENT));
}
fw::Value TWindowInfoObject::ReadOwnerWindow() {
    return noneWhenZero(GetWindow(Handle, GW_OWNER));
}
fw::Value TWindowInfoObject::ReadClassStyle() {
    return fw::Value::UInt32(GetClassLongA(Handle, GCL_STYLE));
}
fw::Value TWindowInfoObject::ReadMenuHandle() {
    return noneWhenZero(GetMenu(Handle));
}
fw::Value TWindowInfoObject::ReadInstanceHandle() {
    return WindowLong(GWL_HINSTANCE);
}

HICON TWindowInfoObject::Icon(INT_PTR& cache, WPARAM which, int classIndex) {
    if (cache == -1) {
        DWORD_PTR answer = 0;
        cache = SendMessageTimeoutA(Handle, WM_GETICON, which, 0, SMTO_NORMAL, 750, &answer)
                    ? static_cast<INT_PTR>(answer)
                    : 0;
    }
    if (cache == 0) {
        SetLastError(0);
        cache = static_cast<INT_PTR>(GetClassLongA(Handle, classIndex));
        if (GetLastError() != 0) cache = 0;
    }
    return reinterpret_cast<HICON>(cache);
}

HICON TWindowInfoObject::GetBigIcon() {
    return Icon(BigIcon, ICON_BIG, GCL_HICON);
}
HICON TWindowInfoObject::GetSmallIcon() {
    return Icon(SmallIcon, ICON_SMALL, GCL_HICONSM);
}

void TWindowInfoObject::GetClientRect(RECT& r) const {
    r = {};
    ::GetClientRect(Handle, &r);
}

void TWindowInfoObject::GetWindowRect(RECT& r) const {
    r = {};
    ::GetWindowRect(Handle, &r);
}

void TWindowInfoObject::GetNormalRect(RECT& r) const {
    WINDOWPLACEMENT placement = {};
    placement.length = sizeof placement;
    GetWindowPlacement(Handle, &placement);
    r = placement.rcNormalPosition;
}
