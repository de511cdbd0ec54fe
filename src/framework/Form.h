#pragma once
#include "framework/Window.h"

namespace fw {

enum ModalResult : int { mrNone = 0, mrOk = IDOK, mrCancel = IDCANCEL, mrYes = IDYES, mrNo = IDNO };

// What closing a form does: nothing, hide it, or free it (the object deletes itself).
enum class CloseAction { None, Hide, Free, Minimize };

// A top-level window made from a dialog template or in code. Closing the application's main form ends
// the message loop; minimising it minimises the application.
class Form : public Window {
public:
    // Shows the form with every other window of the thread disabled, until a modal result is set.
    int showModal();
    bool modal() const { return modal_; }
    int modalResult() const { return modalResult_; }
    void setModalResult(int result) { modalResult_ = result; }
    // As the user's close button does.
    void close() { SendMessageA(handle(), WM_CLOSE, 0, 0); }
    // Whether the form may close now (asked before every close).
    virtual bool canClose() { return true; }
    // The form's close event: runs once per close that canClose allowed, whoever carries the close out
    // (the form itself or the taskbar that hooks it), and says what closing does to the form.
    virtual CloseAction closeAction() { return CloseAction::Hide; }
    // Hides the form and frees it once the message being handled has unwound.
    void release();

protected:
    bool onClose() override;
    bool onCommand(int id, int code, HWND control) override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool modal_ = false;
    int modalResult_ = mrNone;
};

} // namespace fw
