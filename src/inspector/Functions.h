#pragma once
#include <windows.h>

#include "controls/Ostrel_Form.h"
#include <cstdint>
#include <functional>
#include <string>
#include <type_traits>
#include <vector>

class TTaskbar;

// The first window after startAfter (all of them when 0) that is a top-level window, or a direct child
// of parent when one is given, with exactly this class name and text (either may be null for "any").
// A window that does not answer within the message time-out never matches a text.
HWND EmulateFindWindowEx(HWND parent, HWND startAfter, const char* className, const char* windowText);

// A typed window handle in the parse format. With a message asked for, the no-window text and values
// that are no window are errors too; message then holds what to show the user.
std::uint32_t ParseWindowHandle(const std::string& text, bool& error, std::string* message = nullptr);

// The string-table text shown where no window was found.
std::string NoWindowFoundText();

// Inverts the window's area for 350 ms, then redraws it.
void BlinkWindow(HWND wnd);
// Erases and repaints the window, its frame and all its children at once.
void RedrawWindowFull(HWND wnd);
// Waits this long while the calling thread's messages keep being processed.
void DelayWithMessages(DWORD ms);
// Puts a top-level window into the topmost band, or out of it, without moving, sizing or activating it;
// the windows it owns go with it.
void SetWindowTopmost(HWND wnd, bool topmost);

// Child forms: every list, detail, search and code window is created here, numbered per class, put on
// the main form's taskbar (which owns it from then on) and shown.

// The main form's taskbar: the registry of open child forms.
TTaskbar& ChildFormTaskbar();
// The number of open child forms and the form of taskbar entry i.
int ChildFormCount();
fw::Form* ChildForm(int index);

// How to make one form of a class, and how to tell forms of that class (or of classes derived from it).
struct TChildFormClass {
    std::function<TOstrelForm*()> Create;
    std::function<bool(const fw::Form&)> IsInstance;
    std::function<void(TOstrelForm&)> BeforeShow; // optional: a list window's first filling
};
// Creates, numbers, registers and shows one form; null when creating or setting it up failed (the form
// is gone then). A constructor's failure is shown to the user, unless it is an EAbort: the form has told
// the user itself.
TOstrelForm* CreateChildForm(const TChildFormClass& formClass);

// The same for the class T, constructed with `args`. A class with StartRefresh (the list windows) starts
// its first filling before it is shown.
template <class T, class... Args> T* CreateChildForm(const Args&... args) {
    static_assert(std::is_base_of_v<TOstrelForm, T>);
    TChildFormClass formClass;
    formClass.Create = [&args...]() -> TOstrelForm* { return new T(args...); };
    formClass.IsInstance = [](const fw::Form& form) { return dynamic_cast<const T*>(&form) != nullptr; };
    if constexpr (requires(T & form) { form.StartRefresh(); })
        formClass.BeforeShow = [](TOstrelForm& form) { static_cast<T&>(form).StartRefresh(); };
    return static_cast<T*>(CreateChildForm(formClass));
}

// The open child forms of class T (or derived from it), in taskbar order.
template <class T> std::vector<T*> OpenForms() {
    std::vector<T*> forms;
    for (int i = 0, n = ChildFormCount(); i < n; ++i)
        if (auto* form = dynamic_cast<T*>(ChildForm(i))) forms.push_back(form);
    return forms;
}

// The first open child form of class T (or derived) that matches, in taskbar order; null when none does.
template <class T, class Match> T* FindChildForm(Match match) {
    for (T* form : OpenForms<T>())
        if (match(*form)) return form;
    return nullptr;
}
// Restores the form when minimised, shows it and brings it to the front.
void BringChildFormToFront(fw::Form& form);

// Brings the first open form of class T for which sameKey(form, key) holds to the front; when there is
// none, creates one with the key. The Show...Info functions of the detail windows are this with their
// class and key.
template <class T, class Key, class SameKey> T* ShowChildForm(const Key& key, SameKey sameKey) {
    if (T* open = FindChildForm<T>([&](const T& form) { return sameKey(form, key); })) {
        BringChildFormToFront(*open);
        return open;
    }
    return CreateChildForm<T>(key);
}

// The detail windows, opened for their object or an open one of the same object brought to the front.
class TWindowInfoForm;
class TProcessInfoForm;
class TThreadInfoForm;
class TModuleInfoForm;
class TServiceInfoForm;
TWindowInfoForm* ShowWindowInfo(HWND window);
TProcessInfoForm* ShowProcessInfo(DWORD processId);
TThreadInfoForm* ShowThreadInfo(DWORD threadId);
TModuleInfoForm* ShowModuleInfo(const std::string& path);
TServiceInfoForm* ShowServiceInfo(const std::string& name);

// The number of the next form of a class: the smallest positive one no open form of it carries.
int NextChildFormNumber(const std::function<bool(const fw::Form&)>& isInstance);

// The main form, then every open child form in taskbar order, re-display their numbers in the current
// IntFormat.
void ApplyIntFormatToForms();

// With StayOnTop on and docking off, a form whose top edge lies above the main form's bottom edge moves
// down by the main form's height, so that it does not open under it.
void PlaceBelowMainForm(fw::Form& form);

// Cascading and tiling the open child forms over the work area, in taskbar order. The system's own
// arrangement is asked first; where it moves nothing (it is a stub under some systems) the program
// arranges them itself.
enum class TArrangeMode { Cascade, TileHorizontally, TileVertically };
void ArrangeChildForms(TArrangeMode mode);
