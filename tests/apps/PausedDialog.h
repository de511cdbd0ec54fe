#pragma once
// The exception dialog while the report holds the program's GUI thread. The main thread owns a window (the
// foreground one, the clipboard's owner) when another thread fails; a second process of the same program
// clicks the dialog's buttons from outside, each click sent and waited for, and cancels every box a click
// opens. The dialog must answer each click: nothing it does may wait on the held thread. The simple-mail
// library is a stand-in that fails, after it made sure the GUI thread runs while the "mail program" is up.
#include "../common/ClipboardText.h"
#include "../crashreport/MapiStandIn.h"
#include "CrashApp.h"

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace pauseddialog {

constexpr jov::CrashSettings Settings() {
    jov::CrashSettings settings = crashapp::ConsoleSettings();
    settings.ConsoleNoBox = false;
    settings.AutoClickSeconds = 0;
    settings.FlashButtons = false; // 150 clicks without 400 ms of blinking each
    settings.SaveCaption = "save bug report";
    settings.PrintCaption = "print bug report";
    settings.MailDirect = false;
    settings.MailViaMailto = false;
    return settings;
}

enum Button { Mail, Save, Print, Show, Continue, Restart, Close };
constexpr const char* Names[] = {"mail", "save", "print", "show", "continue", "restart", "close"};
constexpr int Clicks = 50;
constexpr DWORD AnswerMs = 20000;
constexpr char MainClass[] = "PausedDialogMain";
constexpr char RunningVariable[] = "PAUSED_DIALOG_RUNNING";

inline HWND mainWindow = nullptr;
inline volatile LONG mailCalls = 0, mailCallsAnswered = 0;

inline ULONG WINAPI MailProgram(LHANDLE, ULONG_PTR, lpMapiMessage, FLAGS, ULONG) {
    InterlockedIncrement(&mailCalls);
    DWORD_PTR result;
    if (SendMessageTimeoutA(mainWindow, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &result))
        InterlockedIncrement(&mailCallsAnswered);
    return MAPI_E_FAILURE;
}

inline DWORD WINAPI ReadNil(void*) {
    static volatile int* volatile nil = nullptr;
    return static_cast<DWORD>(*nil);
}

inline bool Pump(HANDLE until, DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return false;
        const DWORD got = MsgWaitForMultipleObjects(1, &until, FALSE, ms - spent, QS_ALLINPUT);
        if (got == WAIT_OBJECT_0) return true;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
}

inline void OwnTheClipboard(HWND window) {
    if (!OpenClipboard(window)) return;
    EmptyClipboard();
    if (HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 32)) {
        if (char* data = static_cast<char*>(GlobalLock(text))) {
            std::strcpy(data, "the program's own text");
            GlobalUnlock(text);
        }
        if (!SetClipboardData(CF_TEXT, text)) GlobalFree(text);
    }
    CloseClipboard();
}

// The failing program: its main thread owns the window and keeps dispatching, except while it is held.
inline int RunProgram(Button last) {
    // A restarted program has nothing more to show.
    if (GetEnvironmentVariableA(RunningVariable, nullptr, 0)) return 0;
    SetEnvironmentVariableA(RunningVariable, "1");
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = MainClass;
    RegisterClassA(&windowClass);
    mainWindow = CreateWindowA(MainClass, "the program's window", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                               300, 200, nullptr, nullptr, nullptr, nullptr);
    if (!mainWindow) return 3;
    SetForegroundWindow(mainWindow);
    OwnTheClipboard(mainWindow);
    static const jov::test::MapiStandIn mailProgram(&MailProgram);
    if (!mailProgram.loaded()) return 4;

    char program[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    std::string commandLine = "\"" + std::string(program) + "\" drive " +
                              std::to_string(GetCurrentProcessId()) + " " + std::to_string(last);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = GetStdHandle(STD_OUTPUT_HANDLE);
    PROCESS_INFORMATION driver{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &driver))
        return 5;
    CloseHandle(driver.hThread);
    HANDLE failing = CreateThread(nullptr, 0, ReadNil, nullptr, 0, nullptr);
    if (!failing || !Pump(failing, 90000)) return 6;
    CloseHandle(failing);
    if (!Pump(driver.hProcess, 30000)) return 7;
    CloseHandle(driver.hProcess);
    crashapp::Say("mail program calls: " + std::to_string(mailCalls) +
                  ", with the GUI thread running: " + (mailCalls == mailCallsAnswered ? "yes" : "no"));
    crashapp::Say("the program goes on");
    return 0;
}

// The driver's helper: cancels each box that opens over the dialog (its thread's dialog-class windows).
class BoxCanceller {
public:
    explicit BoxCanceller(DWORD dialogThread) : dialogThread_(dialogThread) {
        thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
    }
    ~BoxCanceller() {
        InterlockedExchange(&stop_, 1);
        if (thread_) {
            WaitForSingleObject(thread_, 5000);
            CloseHandle(thread_);
        }
    }
    BoxCanceller(const BoxCanceller&) = delete;
    BoxCanceller& operator=(const BoxCanceller&) = delete;
    LONG cancelled() const { return cancelled_; }

private:
    static DWORD WINAPI Run(void* self) {
        auto& canceller = *static_cast<BoxCanceller*>(self);
        while (!InterlockedCompareExchange(&canceller.stop_, 0, 0)) {
            EnumThreadWindows(canceller.dialogThread_, Cancel, reinterpret_cast<LPARAM>(self));
            Sleep(10);
        }
        return 0;
    }
    static BOOL CALLBACK Cancel(HWND window, LPARAM self) {
        auto& canceller = *reinterpret_cast<BoxCanceller*>(self);
        char name[16] = {};
        GetClassNameA(window, name, sizeof name);
        if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        if (canceller.seen_.insert(window).second) InterlockedIncrement(&canceller.cancelled_);
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }

    DWORD dialogThread_;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0, cancelled_ = 0;
    std::set<HWND> seen_;
};

struct WindowSearch {
    DWORD process;
    const char* className;
    HWND found;
};

inline BOOL CALLBACK FindWindowOf(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<WindowSearch*>(parameter);
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search.process || std::strcmp(name, search.className) != 0 || !IsWindowVisible(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

inline HWND WaitForWindow(DWORD process, const char* className) {
    for (DWORD start = GetTickCount(); GetTickCount() - start < 60000; Sleep(10)) {
        WindowSearch search{process, className, nullptr};
        EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
    }
    return nullptr;
}

// Sent, so that it comes back only once the dialog has done all the click does.
inline bool Click(HWND box, int button) {
    HWND control = GetDlgItem(box, 100 + button);
    DWORD_PTR result;
    return control && SendMessageTimeoutA(box, WM_COMMAND, MAKEWPARAM(100 + button, BN_CLICKED),
                                          reinterpret_cast<LPARAM>(control), SMTO_NORMAL, AnswerMs, &result);
}

inline bool Answers(HWND window, DWORD ms) {
    DWORD_PTR result;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, ms, &result) != 0;
}

inline std::string YesNo(bool yes) {
    return yes ? "yes" : "no";
}

// The driver: clicks mail, save and print 50 times each and show once, then the button that ends the
// dialog; every click must come back within 20 s.
inline int Drive(DWORD programId, Button last) {
    HANDLE program = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, programId);
    HWND box = WaitForWindow(programId, "jovExceptWndClass");
    HWND main = WaitForWindow(programId, MainClass);
    if (!program || !box || !main) {
        crashapp::Say(std::string("driver: found ") + (program ? "the program" : "no program") + ", " +
                      (box ? "the dialog" : "no dialog") + ", " + (main ? "its window" : "no window of it"));
        return 1;
    }
    crashapp::Say("the GUI thread is held: " + YesNo(!Answers(main, 1000)));
    BoxCanceller canceller(GetWindowThreadProcessId(box, nullptr));
    if (last == Continue) {
        for (Button button : {Mail, Save, Print}) {
            const LONG before = canceller.cancelled();
            int answered = 0;
            while (answered < Clicks && Click(box, button)) ++answered;
            crashapp::Say(std::string(Names[button]) + ": " + std::to_string(answered) + " of " +
                          std::to_string(Clicks) + " clicks answered, boxes cancelled: " +
                          std::to_string(canceller.cancelled() - before));
            if (answered < Clicks) return 1;
        }
        RECT before, after;
        GetWindowRect(box, &before);
        const bool shown = Click(box, Show);
        GetWindowRect(box, &after);
        crashapp::Say(
            "show answered: " + YesNo(shown) + ", the report shown: " +
            YesNo(!GetDlgItem(box, 100 + Show) && after.bottom - after.top > before.bottom - before.top));
        crashapp::Say("the report on the clipboard: " +
                      YesNo(testing_common::ClipboardText().find("exception message : Access violation") !=
                            std::string::npos));
        crashapp::Say("the GUI thread is still held: " + YesNo(!Answers(main, 1000)));
        const bool continued = Click(box, Continue);
        crashapp::Say("continue answered: " + YesNo(continued) +
                      ", the dialog gone: " + YesNo(!IsWindow(box)));
        crashapp::Say("the GUI thread answers again: " + YesNo(Answers(main, AnswerMs)));
        return 0;
    }
    Click(box, last); // the program ends while the click is handled
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(program, AnswerMs) == WAIT_OBJECT_0) GetExitCodeProcess(program, &code);
    crashapp::Say(std::string(Names[last]) + " ended the program with exit code " + std::to_string(code));
    return 0;
}

inline int Main(int argc, char** argv, Button last) {
    if (argc == 4 && std::strcmp(argv[1], "drive") == 0)
        return Drive(std::strtoul(argv[2], nullptr, 10), static_cast<Button>(std::atoi(argv[3])));
    return RunProgram(last);
}

} // namespace pauseddialog
