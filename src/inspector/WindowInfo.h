#pragma once
// The detail window of one window: general data and its properties, styles by name, class, the
// related windows with the child tree, and the owning process and thread.
#include "Info_Form.h"

#include <string>
#include <utility>
#include <vector>

class TWindowInfoForm : public TInfoForm {
public:
    enum Page { pgGeneral, pgStyles, pgClass, pgWindows, pgProcess };
    enum Command : int { cmSelect = 150, cmProperties, cmFindWndCoder };

    explicit TWindowInfoForm(HWND window, TListingSources& sources = SystemSources());

    TWindowInfoObject& WindowInfo() { return static_cast<TWindowInfoObject&>(*Info); }
    HWND Window() const { return static_cast<const TWindowInfoObject&>(*Info).Handle; }

    void UpdateInfo() override;
    void UpdateIntFormat() override;

    // The window's properties: name and data.
    std::vector<std::pair<std::string, std::uint32_t>> WindowProperties;

    HWND laCaption, laHandle, laWndProc, laRect, laRestoredRect, laClientRect, laUnicode, laControlID;
    HWND pbBigIcon, pbSmallIcon, laMenuHandle, laInstanceHandle, vtProperties;
    HWND laWindowStyle, lbWindowStyles, laExtStyle, lbExtStyles;
    HWND laClassName, laClassModule, laClassAtom, laClassBytes, laClassInstance, laClassWndProc;
    HWND laWindowBytes, laClassStyle, lbClassStyles;
    TNumberLink *laParentWindow, *laOwnerWindow, *laProcessID, *laThreadID;
    TOstrelTreeview ChildTree;
    HWND btnSelect, btnProperties, btnFindWndCoder;

    // "Select Window" and "Properties" need a focused row; "FindWindow-Coder" opens without one too.
    void ChildTreeFocusChanged();
    void btnPropertiesClick();

protected:
    bool onCommand(int id, int code, HWND control) override;
    bool onNotify(NMHDR& header, LRESULT& result) override;

private:
    void InitInfo(HWND window);
    void FillChildTree();
    void FillProperties();
    void ShowProperties();
    HWND FocusedChild() const;
};
