#pragma once
#include <string>
#include "controls/Banner.h"
#include "framework/Form.h"
#include "framework/Handles.h"

// "About Ostrel": the program's pictures, version and build, and the scrolling credits.
class TAboutForm : public fw::Form {
public:
    TAboutForm();

    bool HiddenPicture() const { return hiddenPicture_; }
    TBanner& Thanks() { return thanks_; }
    const std::string& VersionText() const { return version_; }
    const std::string& BuildText() const { return build_; }

    // Where the labels that react to the mouse lie, in client coordinates.
    RECT HomepageRect() const;
    RECT Label4Rect() const;

protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void paint(HDC dc);
    void onBannerMouse(UINT message, POINT at);
    void mouseDown(POINT at, WPARAM keys);
    void mouseUp(POINT at, WPARAM keys);

    fw::Bitmap main_, small_, hidden_, tile_, left_, right_;
    fw::Font labelFont_, creditFont_;
    TBanner thanks_;
    std::string version_, build_;
    bool hiddenPicture_ = false;
};

// Creates the about box, shows it modally and frees it.
void ShowAboutBox();
