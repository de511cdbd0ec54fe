#include "ModuleInfo.h"

#include "FormatConsts.h"

#include <shellapi.h>

TModuleInfoForm::TModuleInfoForm(const std::string& path, TListingSources& sources)
    : TInfoForm(std::make_unique<TModuleInfoObject>(), "Module Info", sources) {
    AddPage("General");
    constexpr int buttonWidth = 70;
    edPath = AddEdit(0, 0, "Path:", 1, buttonWidth + 4);
    RECT r;
    GetWindowRect(edPath, &r);
    MapWindowPoints(nullptr, handle(), reinterpret_cast<POINT*>(&r), 2);
    btnModuleInfo = CreateWindowExA(
        0, "BUTTON", "Properties", WS_CHILD | WS_TABSTOP, r.right + 4, r.top, buttonWidth, r.bottom - r.top,
        handle(), reinterpret_cast<HMENU>(cmModuleInfo), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(btnModuleInfo, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    Place(0, btnModuleInfo);
    laCompany = AddField(0, 2, "Company:");
    laProductVersion = AddField(0, 3, "Product Version:");
    laProductName = AddField(0, 4, "Product Name:");
    laFileDescription = AddField(0, 5, "File Description:");
    laOriginalFilename = AddField(0, 6, "Original Filename:");
    laFileVersion = AddField(0, 7, "File Version:");
    laVersion = AddField(0, 8, "Version:");
    laInternalName = AddField(0, 9, "Internal Name:");
    laLegalCopyright = AddField(0, 10, "Legal Copyright:");
    laComments = AddField(0, 11, "Comments:");
    laLegalTrademarks = AddField(0, 12, "Legal Trademarks:");
    InitInfo(path);
}

void TModuleInfoForm::InitInfo(const std::string& path) {
    TModuleInfoObject& info = ModuleInfo();
    info = TModuleInfoObject(path);
    SetText(edPath, info.Path);
    SetText(laCompany, info.ReadCompanyName().toText());
    SetText(laProductVersion, info.ReadProductVersion().toText());
    SetText(laProductName, info.ReadProductName().toText());
    SetText(laFileDescription, info.ReadFileDescription().toText());
    SetText(laOriginalFilename, info.ReadOriginalFilename().toText());
    SetText(laFileVersion, info.ReadFileVersion().toText());
    SetText(laVersion, FormatVersion(info.ReadVersion()));
    SetText(laInternalName, info.ReadInternalName().toText());
    SetText(laLegalCopyright, info.ReadLegalCopyright().toText());
    SetText(laComments, info.ReadComments().toText());
    SetText(laLegalTrademarks, info.ReadLegalTrademarks().toText());
    UpdateInfo();
}

void TModuleInfoForm::ModuleInfoClick() {
    const std::string path = fw::windowText(edPath);
    SHELLEXECUTEINFOA execute{};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_INVOKEIDLIST;
    execute.hwnd = handle();
    execute.lpVerb = "properties";
    execute.lpFile = path.c_str();
    execute.nShow = SW_SHOW;
    // Without SEE_MASK_FLAG_NO_UI the shell tells the user itself why it cannot show the dialog.
    ShellExecuteExA(&execute);
}

bool TModuleInfoForm::onCommand(int id, int code, HWND control) {
    if (id == cmModuleInfo && code == BN_CLICKED) {
        ModuleInfoClick();
        return true;
    }
    return TInfoForm::onCommand(id, code, control);
}
