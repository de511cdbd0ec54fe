#pragma once
#include "framework/Form.h"
#include "framework/Handles.h"

// The borderless start-up picture, centred on the screen and visible from its creation.
class TSplashScreenForm : public fw::Form {
public:
    TSplashScreenForm();

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    fw::Bitmap picture_;
};
