#include "framework/Application.h"
#include "framework/Exceptions.h"
#include "framework/Form.h"
#include "framework/Registry.h"
#include "framework/Thread.h"
#include <gtest/gtest.h>

#include <atomic>
#include <functional>

namespace {
void EnsureApplication() {
    fw::application().initialize(GetModuleHandleA(nullptr));
}

const char* const scratchKey = "Software\\OstrelTests\\Registry";

struct ScratchKey {
    ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, scratchKey); }
    ~ScratchKey() { RegDeleteTreeA(HKEY_CURRENT_USER, scratchKey); }
};

void RawWrite(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY k;
    RegCreateKeyExA(HKEY_CURRENT_USER, scratchKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
    RegSetValueExA(k, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(k);
}
} // namespace

TEST(Registry, ReadsOfTheWrongTypeOrSizeAreErrors) {
    ScratchKey scratch;
    const DWORD number = 7;
    const uint8_t three[] = {1, 2, 3};
    RawWrite("dword", REG_DWORD, &number, sizeof number);
    RawWrite("text", REG_SZ, "abc", 4);
    RawWrite("three", REG_BINARY, three, sizeof three);
    RawWrite("fourBytes", REG_BINARY, &number, sizeof number);

    fw::Registry reg;
    ASSERT_TRUE(reg.keyExists(scratchKey));
    ASSERT_TRUE(reg.openKey(scratchKey, false));
    uint8_t two[2] = {9, 9};
    EXPECT_EQ(0u, reg.readBinaryData("absent", two, sizeof two));
    EXPECT_EQ(9, two[0]);
    EXPECT_THROW(reg.readBinaryData("three", two, sizeof two), fw::ERegistryException);
    EXPECT_THROW(reg.readBinaryData("text", two, sizeof two), fw::ERegistryException);
    EXPECT_THROW(reg.readBinaryData("dword", two, sizeof two), fw::ERegistryException);
    uint8_t four[4] = {};
    EXPECT_EQ(3u, reg.readBinaryData("three", four, sizeof four));
    EXPECT_EQ(3, four[2]);

    EXPECT_EQ(7, reg.readInteger("dword"));
    EXPECT_TRUE(reg.readBool("dword"));
    EXPECT_THROW(reg.readInteger("absent"), fw::ERegistryException);
    EXPECT_THROW(reg.readInteger("fourBytes"), fw::ERegistryException);
    EXPECT_THROW(reg.readBool("text"), fw::ERegistryException);

    EXPECT_EQ("abc", reg.readString("text"));
    EXPECT_EQ("", reg.readString("absent"));
    EXPECT_THROW(reg.readString("dword"), fw::ERegistryException);
}

TEST(Registry, DeletesAWholeTree) {
    const std::string root = "Software\\OstrelTests\\Tree";
    for (const char* path : {"\\a\\b\\c", "\\a\\d", "\\e"}) {
        fw::Registry reg;
        ASSERT_TRUE(reg.openKey(root + path, true));
        reg.writeBool("Flag", true);
    }
    fw::Registry reg;
    EXPECT_TRUE(reg.deleteKey(root));
    EXPECT_FALSE(reg.keyExists(root));
    EXPECT_FALSE(reg.deleteKey(root)) << "nothing left to delete";
}

TEST(Registry, WritesRoundTripWithTheirTypes) {
    ScratchKey scratch;
    fw::Registry reg;
    ASSERT_FALSE(reg.openKey(scratchKey, false));
    ASSERT_TRUE(reg.openKey(scratchKey, true));
    const uint8_t bytes[] = {0, 255, 0};
    reg.writeBinaryData("b", bytes, sizeof bytes);
    reg.writeBool("flag", true);
    reg.writeInteger("n", -5);
    reg.writeString("s", "C:\\dir\\");
    auto names = reg.valueNames();
    EXPECT_EQ(4u, names.size());
    uint8_t back[3] = {};
    EXPECT_EQ(3u, reg.readBinaryData("b", back, sizeof back));
    EXPECT_EQ(255, back[1]);
    EXPECT_EQ(-5, reg.readInteger("n"));
    EXPECT_EQ(1, reg.readInteger("flag"));
    EXPECT_EQ("C:\\dir\\", reg.readString("s"));
    EXPECT_TRUE(reg.deleteValue("s"));
    EXPECT_FALSE(reg.valueExists("s"));
    reg.closeKey();
    EXPECT_THROW(reg.readInteger("n"), fw::ERegistryException);
}

namespace {
// A child control whose notifications reach its own object first.
class Button : public fw::Window {
public:
    Button(HWND parent, int id) {
        attach(CreateWindowExA(0, "BUTTON", "b", WS_CHILD | BS_PUSHBUTTON, 0, 0, 10, 10, parent,
                               HMENU(INT_PTR(id)), nullptr, nullptr));
    }
    ~Button() override { DestroyWindow(handle()); }
    std::function<bool(int)> clicked;

protected:
    bool onReflectedCommand(int code) override { return clicked && clicked(code); }
};

class TestForm : public fw::Form {
public:
    TestForm() {
        CreateParams p;
        p.className = "OstrelTestForm";
        p.caption = "test";
        p.style = WS_OVERLAPPEDWINDOW;
        p.width = 200;
        p.height = 100;
        p.parent = fw::application().handle();
        create(p);
    }
    ~TestForm() override {
        if (destroyed) *destroyed = true;
    }
    std::function<bool(int, int)> command;
    fw::CloseAction action = fw::CloseAction::Hide;
    bool* destroyed = nullptr;

protected:
    bool onCommand(int id, int code, HWND control) override {
        if (command && command(id, code)) return true;
        return Form::onCommand(id, code, control);
    }
    fw::CloseAction closeAction() override { return action; }
};

struct CaughtExceptions {
    std::vector<std::string> texts;
    fw::Application::ExceptionHandler previous;
    CaughtExceptions() {
        previous = fw::application().setExceptionHandler(
            [this](std::exception_ptr e) { texts.push_back(fw::Application::exceptionText(e)); });
    }
    ~CaughtExceptions() { fw::application().setExceptionHandler(previous); }
};
} // namespace

TEST(Window, NotificationsReachTheSendingControlFirstThenItsParent) {
    EnsureApplication();
    TestForm form;
    Button button(form.handle(), 42);
    std::vector<std::string> seen;
    bool childTakes = true;
    button.clicked = [&](int) {
        seen.push_back("child");
        return childTakes;
    };
    form.command = [&](int id, int) {
        seen.push_back("parent " + std::to_string(id));
        return true;
    };
    SendMessageA(form.handle(), WM_COMMAND, MAKEWPARAM(42, BN_CLICKED), LPARAM(button.handle()));
    childTakes = false;
    SendMessageA(form.handle(), WM_COMMAND, MAKEWPARAM(42, BN_CLICKED), LPARAM(button.handle()));
    EXPECT_EQ((std::vector<std::string>{"child", "child", "parent 42"}), seen);
}

TEST(Window, ExceptionsStopAtTheCatchPointAndAbortIsSilent) {
    EnsureApplication();
    CaughtExceptions caught;
    TestForm form;
    form.command = [](int id, int) -> bool {
        if (id == 1) throw fw::Exception("broken handler");
        if (id == 2) fw::abort();
        throw std::runtime_error("plain C++ failure");
    };
    for (int id : {1, 2, 3}) SendMessageA(form.handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0);
    EXPECT_EQ((std::vector<std::string>{"broken handler", "plain C++ failure"}), caught.texts);
}

TEST(Form, ModalResultsAndDisabledOwners) {
    EnsureApplication();
    TestForm owner;
    owner.show();
    TestForm dialog;
    bool ownerDisabledDuringModal = false;
    dialog.command = [&](int id, int) {
        if (id == 100) ownerDisabledDuringModal = !IsWindowEnabled(owner.handle());
        return false;
    };
    PostMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(100, 0), 0);
    PostMessageA(dialog.handle(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(fw::mrOk, dialog.showModal());
    EXPECT_TRUE(ownerDisabledDuringModal);
    EXPECT_TRUE(IsWindowEnabled(owner.handle()));
    EXPECT_FALSE(dialog.visible());

    PostMessageA(dialog.handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(fw::mrCancel, dialog.showModal());
    EXPECT_TRUE(IsWindow(dialog.handle()));
}

TEST(Form, CloseActionFreeDeletesTheFormAfterItsMessage) {
    EnsureApplication();
    bool destroyed = false;
    auto* form = new TestForm;
    form->destroyed = &destroyed;
    form->action = fw::CloseAction::Free;
    HWND hwnd = form->handle();
    form->show();
    form->close();
    EXPECT_FALSE(destroyed);
    fw::application().processMessages();
    EXPECT_TRUE(destroyed);
    EXPECT_FALSE(IsWindow(hwnd));
}

namespace {
class Worker : public fw::Thread {
public:
    std::function<void(Worker&)> body;
    ~Worker() override {
        terminate();
        waitFor();
    }

protected:
    void execute() override { body(*this); }
};
} // namespace

TEST(Thread, KeepsTheFailureOfItsBodyAndStopsWhenAsked) {
    Worker failing;
    failing.body = [](Worker&) { throw fw::Exception("worker failed"); };
    failing.start();
    failing.waitFor();
    EXPECT_TRUE(failing.finished());
    ASSERT_TRUE(failing.fatalException());
    EXPECT_EQ("worker failed", fw::Application::exceptionText(failing.fatalException()));

    Worker polling;
    std::atomic<int> rounds = 0;
    polling.body = [&](Worker& self) {
        while (!self.terminated()) {
            ++rounds;
            Sleep(1);
        }
    };
    polling.start();
    // A loaded machine may not run the body for a while: the stop is asked once it polls.
    for (DWORD waited = 0; rounds == 0 && waited < 10000; waited += 5) Sleep(5);
    polling.terminate();
    polling.waitFor();
    EXPECT_TRUE(polling.finished());
    EXPECT_FALSE(polling.fatalException());
    EXPECT_GT(rounds, 0);
}
