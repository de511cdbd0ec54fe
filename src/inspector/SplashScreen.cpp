#include "SplashScreen.h"
#include "ResourceIds.h"
#include "framework/Application.h"
#include "framework/Resources.h"

TSplashScreenForm::TSplashScreenForm() : picture_(fw::loadJpegResource(IDR_SPLASH)) {
    SIZE size = fw::bitmapSize(picture_.get());
    CreateParams p;
    p.className = "TSplashScreenForm";
    p.style = WS_POPUP;
    p.exStyle = WS_EX_TOOLWINDOW;
    p.width = size.cx;
    p.height = size.cy;
    p.x = (GetSystemMetrics(SM_CXSCREEN) - size.cx) / 2;
    p.y = (GetSystemMetrics(SM_CYSCREEN) - size.cy) / 2;
    p.parent = fw::application().handle();
    create(p);
    show(SW_SHOWNOACTIVATE);
    UpdateWindow(handle());
}

LRESULT TSplashScreenForm::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND && picture_) {
        fw::drawBitmap(reinterpret_cast<HDC>(wParam), picture_.get(), 0, 0);
        return 1;
    }
    return Form::handleMessage(message, wParam, lParam);
}
