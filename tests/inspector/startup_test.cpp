// Starts the real program under test conditions and checks what a user and the registry see.
#include "support/ProcessDriver.h"
#include "support/Screenshot.h"
#include <gtest/gtest.h>
#include <cstdint>
#include <functional>
#include <vector>

using testing_support::BuildPath;
using testing_support::ChildProcess;

namespace {
const char* const key = "Software\\Lintra\\Ostrel";
const DWORD timeout = 15000;

std::string Program(const std::string& args = {}, const std::string& exe = "ostrel.exe") {
    return "\"" + BuildPath(exe) + "\"" + (args.empty() ? "" : " " + args);
}

void DeleteKey() {
    RegDeleteTreeA(HKEY_CURRENT_USER, key);
}

struct Value {
    DWORD type = 0;
    std::vector<uint8_t> data;
    bool present = false;
};

Value Read(const char* name) {
    Value v;
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return v;
    DWORD size = 0;
    if (RegQueryValueExA(k, name, nullptr, &v.type, nullptr, &size) == ERROR_SUCCESS) {
        v.data.resize(size);
        v.present = RegQueryValueExA(k, name, nullptr, &v.type, v.data.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(k);
    return v;
}

void Write(const char* name, DWORD type, std::vector<uint8_t> data) {
    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    RegSetValueExA(k, name, 0, type, data.data(), DWORD(data.size()));
    RegCloseKey(k);
}

void Remove(const char* name) {
    HKEY k;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS) return;
    RegDeleteValueA(k, name);
    RegCloseKey(k);
}

std::vector<uint8_t> Dword(uint32_t v) {
    return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
}
std::vector<uint8_t> VersionBytes(uint16_t a, uint16_t b, uint16_t c, uint16_t d) {
    return {uint8_t(a), uint8_t(a >> 8), uint8_t(b), uint8_t(b >> 8),
            uint8_t(c), uint8_t(c >> 8), uint8_t(d), uint8_t(d >> 8)};
}

// A complete, valid set as the running version (1.0.0.0) writes it, with IntFormat 2 (not the default)
// so that a reset shows.
void WriteValidSettings() {
    DeleteKey();
    Write("IntFormat", REG_BINARY, {2});
    Write("Style", REG_BINARY, {0});
    Write("Minimization", REG_BINARY, {0});
    Write("Version", REG_BINARY, VersionBytes(1, 0, 0, 0));
    Write("HotKey", REG_BINARY, {0x79, 0x40});
    Write("CodeLanguage", REG_BINARY, {1});
    for (const char* b : {"AppBarDocking", "StayOnTop", "MainFinder", "UseHotKey", "SaveDesktopIcons"})
        Write(b, REG_DWORD, Dword(0));
}

HWND WaitDialog(const ChildProcess& p) {
    return p.waitWindow("#32770", "Properties", timeout);
}
HWND WaitMain(const ChildProcess& p) {
    return p.waitWindow("TOstrelMainForm", "Ostrel", timeout);
}

// Runs the program to its main window (answering the settings dialog with OK when it comes) and closes
// it; tells whether the dialog came.
bool RunAndClose(const std::string& args = {}, const std::string& exe = "ostrel.exe") {
    ChildProcess p(Program(args, exe));
    EXPECT_TRUE(p.started());
    bool dialog = false;
    for (DWORD start = GetTickCount(); GetTickCount() - start < timeout; Sleep(50)) {
        if (HWND d = p.findWindow("#32770", "Properties")) {
            dialog = true;
            PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            break;
        }
        if (p.findWindow("TOstrelMainForm", "Ostrel")) break;
    }
    HWND main = WaitMain(p);
    EXPECT_NE(nullptr, main);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, p.waitExit(timeout));
    return dialog;
}
} // namespace

TEST(Startup, FirstStartCancelledLeavesOnlyTheKeyWithAppPath) {
    DeleteKey();
    ChildProcess p(Program());
    HWND dialog = WaitDialog(p);
    ASSERT_NE(nullptr, dialog);
    // The splash, sized by its picture, is hidden while the dialog is open.
    HWND splash = p.findWindow("TSplashScreenForm", nullptr, false);
    ASSERT_NE(nullptr, splash);
    EXPECT_FALSE(IsWindowVisible(splash));
    RECT r{};
    GetWindowRect(splash, &r);
    EXPECT_EQ(420, r.right - r.left);
    EXPECT_EQ(260, r.bottom - r.top);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_EQ(1, p.waitExit(timeout));

    HKEY k;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &k));
    DWORD values = 0, subkeys = 0;
    RegQueryInfoKeyA(k, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(k);
    EXPECT_EQ(1u, values);
    EXPECT_EQ(0u, subkeys);
    Value path = Read("AppPath");
    ASSERT_TRUE(path.present);
    EXPECT_EQ(REG_SZ, path.type);
    std::string text(path.data.begin(), path.data.end());
    EXPECT_EQ("\\", text.substr(text.find('\0') - 1, 1));
}

TEST(Startup, FirstStartWritesEveryValueWithItsTypeAndSizeOnce) {
    DeleteKey();
    ChildProcess p(Program());
    HWND dialog = WaitDialog(p);
    ASSERT_NE(nullptr, dialog);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    HWND main = WaitMain(p);
    ASSERT_NE(nullptr, main);
    testing_support::SaveSettledScreenshotPng("first_start");
    // Nothing but AppPath is written before the exit.
    EXPECT_FALSE(Read("IntFormat").present);
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(0, p.waitExit(timeout));

    struct Expected {
        const char* name;
        DWORD type;
        std::vector<uint8_t> data;
    };
    const Expected table[] = {
        {"IntFormat", REG_BINARY, {1}},
        {"Style", REG_BINARY, {0}},
        {"Minimization", REG_BINARY, {0}},
        {"Version", REG_BINARY, VersionBytes(1, 0, 0, 0)},
        {"HotKey", REG_BINARY, {0x79, 0x40}},
        {"CodeLanguage", REG_BINARY, {0}},
        {"AppBarDocking", REG_DWORD, Dword(1)},
        {"StayOnTop", REG_DWORD, Dword(0)},
        {"MainFinder", REG_DWORD, Dword(1)},
        {"UseHotKey", REG_DWORD, Dword(0)},
        {"SaveDesktopIcons", REG_DWORD, Dword(1)},
    };
    for (const auto& e : table) {
        Value v = Read(e.name);
        EXPECT_TRUE(v.present) << e.name;
        EXPECT_EQ(e.type, v.type) << e.name;
        EXPECT_EQ(e.data, v.data) << e.name;
    }
}

TEST(Startup, DamagedOrOlderSettingsGiveDefaultsAndTheDialog) {
    struct Case {
        const char* what;
        std::function<void()> damage;
    };
    const Case cases[] = {
        {"older version", [] { Write("Version", REG_BINARY, VersionBytes(0, 9, 0, 0)); }},
        // Compared as one number with the build word weighing most, 0.9.0.5 would pass for newer.
        {"older version with a higher build", [] { Write("Version", REG_BINARY, VersionBytes(0, 9, 0, 5)); }},
        {"no version", [] { Remove("Version"); }},
        {"short version",
         [] {
             Write("Version", REG_BINARY, {0, 0});
         }},
        {"missing Boolean", [] { Remove("StayOnTop"); }},
        {"string where binary belongs",
         [] {
             Write("IntFormat", REG_SZ, {'2', 0});
         }},
        {"integer where binary belongs", [] { Write("Style", REG_DWORD, Dword(0)); }},
        {"binary where a Boolean belongs",
         [] {
             Write("MainFinder", REG_BINARY, {1, 0, 0, 0});
         }},
        {"over-long binary",
         [] {
             Write("HotKey", REG_BINARY, {0x79, 0x40, 0});
         }},
        {"byte out of range", [] { Write("CodeLanguage", REG_BINARY, {2}); }},
    };
    for (const auto& c : cases) {
        WriteValidSettings();
        c.damage();
        EXPECT_TRUE(RunAndClose()) << c.what;
        EXPECT_EQ(std::vector<uint8_t>{1}, Read("IntFormat").data) << c.what;
        EXPECT_EQ(VersionBytes(1, 0, 0, 0), Read("Version").data) << c.what;
    }
}

TEST(Startup, NewerStoredVersionIsReadNormally) {
    WriteValidSettings();
    Write("Version", REG_BINARY, VersionBytes(1, 0, 0, 9));
    EXPECT_FALSE(RunAndClose());
    EXPECT_EQ(std::vector<uint8_t>{2}, Read("IntFormat").data);
    EXPECT_EQ(std::vector<uint8_t>{1}, Read("CodeLanguage").data);
    EXPECT_EQ(VersionBytes(1, 0, 0, 0), Read("Version").data);
}

TEST(Startup, CommandLineResetsAndShowsTheDialogInAnyLetterCase) {
    WriteValidSettings();
    EXPECT_FALSE(RunAndClose("-RESET"));
    EXPECT_EQ(std::vector<uint8_t>{1}, Read("IntFormat").data);

    WriteValidSettings();
    EXPECT_TRUE(RunAndClose("-Config unknown"));
    EXPECT_EQ(std::vector<uint8_t>{2}, Read("IntFormat").data);

    WriteValidSettings();
    EXPECT_TRUE(RunAndClose("-reset -CONFIG"));
    EXPECT_EQ(std::vector<uint8_t>{1}, Read("IntFormat").data);
}

TEST(Startup, ReleaseExecutableStartsAndClosesLikeTheFullOne) {
    WriteValidSettings();
    EXPECT_FALSE(RunAndClose("-reset", "release\\ostrel.exe"));
    EXPECT_EQ(std::vector<uint8_t>{1}, Read("IntFormat").data);
    EXPECT_EQ(VersionBytes(1, 0, 0, 0), Read("Version").data);
}

TEST(Startup, SecondInstanceBringsTheFirstForwardAndWritesNothing) {
    WriteValidSettings();
    ChildProcess first(Program());
    HWND main = WaitMain(first);
    ASSERT_NE(nullptr, main);
    // Another window in front, so that bringing the first forward shows.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                 nullptr, nullptr);
    SetForegroundWindow(other);
    Remove("AppPath");

    ChildProcess second(Program());
    EXPECT_EQ(0, second.waitExit(timeout));
    EXPECT_FALSE(Read("AppPath").present);
    EXPECT_EQ(main, GetForegroundWindow());
    DestroyWindow(other);

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, first.waitExit(timeout));
}

// A user without administrative rights: the program's token has no right to debug other programs.
void TakeTheDebugPrivilege(HANDLE process) {
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(process, TOKEN_ADJUST_PRIVILEGES, &token));
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_REMOVED;
    EXPECT_TRUE(LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid));
    EXPECT_TRUE(AdjustTokenPrivileges(token, FALSE, &privileges, sizeof privileges, nullptr, nullptr));
    CloseHandle(token);
}

TEST(Startup, WithoutTheDebugPrivilegeItWarnsOnceAndGoesOn) {
    WriteValidSettings();
    ChildProcess p(Program(), TakeTheDebugPrivilege);
    HWND box = p.waitWindow("#32770", "No Debug-Privilege", timeout);
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(FindWindowExA(box, nullptr, "Static",
                              "Couldn't enable Debug-Privilege!  Some informations won't be available!"));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    HWND main = WaitMain(p);
    ASSERT_NE(nullptr, main);
    EXPECT_FALSE(p.findWindow("#32770", "No Debug-Privilege")) << "once";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, p.waitExit(timeout));
}

// Wine reports the version set for a program under its AppDefaults key: here a system before Windows 2000.
class OlderSystem {
public:
    OlderSystem() {
        RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
        RegSetValueExA(key_, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("nt40"), 5);
    }
    ~OlderSystem() {
        RegCloseKey(key_);
        RegDeleteTreeA(HKEY_CURRENT_USER, path);
    }
    OlderSystem(const OlderSystem&) = delete;
    OlderSystem& operator=(const OlderSystem&) = delete;

private:
    static constexpr const char* path = "Software\\Wine\\AppDefaults\\ostrel.exe";
    HKEY key_ = nullptr;
};

TEST(Startup, UnsupportedSystemSaysSoAndEndsWithoutWriting) {
    WriteValidSettings();
    Remove("AppPath");
    OlderSystem older;
    ChildProcess p(Program());
    HWND box = p.waitWindow("#32770", "Unsupported OS", timeout);
    ASSERT_NE(nullptr, box);
    EXPECT_TRUE(FindWindowExA(box, nullptr, "Static", "This Program needs Win2000 or higher"));
    EXPECT_FALSE(p.findWindow("TOstrelMainForm", nullptr, false));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(0, p.waitExit(timeout));
    EXPECT_FALSE(Read("AppPath").present);
}
