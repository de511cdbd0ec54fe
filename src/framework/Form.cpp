#include "framework/Form.h"
#include "framework/Application.h"
#include "framework/TaskWindows.h"
#include <optional>

namespace fw {

namespace {
const UINT releaseMessage = WM_APP + 0x3FF0;
} // namespace

int Form::showModal() {
    std::optional<DisabledTaskWindows> disabled(std::in_place, handle());

    modal_ = true;
    modalResult_ = mrNone;
    show();
    SetForegroundWindow(handle());
    while (modalResult_ == mrNone && IsWindow(handle())) {
        MSG msg;
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) {
            // Leave the quit for the outer loop.
            PostQuitMessage(int(msg.wParam));
            modalResult_ = mrCancel;
        } else if (got > 0) {
            application().dispatch(msg);
        } else {
            modalResult_ = mrCancel;
        }
    }
    modal_ = false;
    // The others come back before this one hides, so the activation returns to them.
    disabled.reset();
    if (IsWindow(handle())) hide();
    return modalResult_;
}

bool Form::onClose() {
    if (modal_) {
        modalResult_ = mrCancel;
        return true;
    }
    if (application().mainForm() == this) {
        application().terminate();
        return true;
    }
    if (!canClose()) return true;
    switch (closeAction()) {
    case CloseAction::None:
        break;
    case CloseAction::Hide:
        hide();
        break;
    case CloseAction::Minimize:
        show(SW_MINIMIZE);
        break;
    case CloseAction::Free:
        release();
        break;
    }
    return true;
}

void Form::release() {
    // Deleting from inside our own window procedure would pull the object away under it.
    hide();
    PostMessageA(handle(), releaseMessage, 0, 0);
}

bool Form::onCommand(int id, int code, HWND control) {
    if (modal_ && (id == IDOK || id == IDCANCEL) && code == BN_CLICKED) {
        modalResult_ = id;
        return true;
    }
    return Window::onCommand(id, code, control);
}

LRESULT Form::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == releaseMessage) {
        delete this;
        return 0;
    }
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_MINIMIZE && application().mainForm() == this) {
        application().minimize();
        return 0;
    }
    return Window::handleMessage(message, wParam, lParam);
}

} // namespace fw
