// The COM value boundary, the run-time imports and the name tables against the platform's own constants.
#include "FormatConsts.h"
#include "Imports.h"
#include "framework/OleException.h"
#include "framework/Variant.h"
#include "helpers/ValuePrinter.h"

#include <gtest/gtest.h>

namespace {

using fw::Value;

TEST(Variant, RoundTripsEveryKind) {
    const Value values[] = {
        Value(),
        Value::Null(),
        Value::Int32(-5),
        Value::UInt32(4294967295u),
        Value::Int64(-5000000000ll),
        Value::Double(2.5),
        Value::Bool(true),
        Value::DateTime(46030.5),
        Value::WmiText("text \xE4"),
        Value::WmiText(""),
    };
    for (const Value& v : values) {
        fw::Variant variant(v);
        EXPECT_EQ(variant.toValue(), v);
    }
    // An OLE string is WMI's text, whichever kind of text went in.
    EXPECT_EQ(fw::Variant(Value("abc")).toValue(), Value::WmiText("abc"));
}

TEST(Variant, WidensWhatWmiGives) {
    struct Case {
        VARTYPE type;
        void (*set)(VARIANT&);
        Value expected;
    } cases[] = {
        {VT_UI1, [](VARIANT& v) { V_UI1(&v) = 200; }, Value::UInt32(200)},
        {VT_I2, [](VARIANT& v) { V_I2(&v) = -2; }, Value::Int32(-2)},
        {VT_UI2, [](VARIANT& v) { V_UI2(&v) = 65535; }, Value::UInt32(65535)},
        {VT_R4, [](VARIANT& v) { V_R4(&v) = 0.5f; }, Value::Double(0.5)},
        {VT_CY, [](VARIANT& v) { V_CY(&v).int64 = 12345; }, Value("1.2345")},
    };
    for (const Case& c : cases) {
        VARIANT v;
        VariantInit(&v);
        v.vt = c.type;
        c.set(v);
        EXPECT_EQ(fw::fromVariant(v), c.expected) << c.type;
    }
}

TEST(Imports, FoundByName) {
    char longPath[MAX_PATH] = {};
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_GT(ImpGetLongPathName(windows, longPath, MAX_PATH), 0u);
    HANDLE thread = ImpOpenThread(THREAD_QUERY_INFORMATION, FALSE, GetCurrentThreadId());
    EXPECT_NE(thread, nullptr);
    if (thread) CloseHandle(thread);
}

TEST(NameTables, MatchThePlatformConstants) {
    struct Check {
        std::span<const ConstName> table;
        std::vector<DWORD> values;
    } checks[] = {
        {WindowStyleNames,
         {WS_OVERLAPPED,       WS_POPUP,        WS_CHILD,        WS_MINIMIZE,    WS_VISIBLE,
          WS_DISABLED,         WS_CLIPSIBLINGS, WS_CLIPCHILDREN, WS_MAXIMIZE,    WS_CAPTION,
          WS_BORDER,           WS_DLGFRAME,     WS_VSCROLL,      WS_HSCROLL,     WS_SYSMENU,
          WS_THICKFRAME,       WS_GROUP,        WS_TABSTOP,      WS_MINIMIZEBOX, WS_MAXIMIZEBOX,
          WS_OVERLAPPEDWINDOW, WS_POPUPWINDOW}},
        {ExtWindowStyleNames,
         {WS_EX_DLGMODALFRAME, WS_EX_NOPARENTNOTIFY, WS_EX_TOPMOST,       WS_EX_ACCEPTFILES,
          WS_EX_TRANSPARENT,   WS_EX_MDICHILD,       WS_EX_TOOLWINDOW,    WS_EX_WINDOWEDGE,
          WS_EX_CLIENTEDGE,    WS_EX_CONTEXTHELP,    WS_EX_RIGHT,         WS_EX_LEFT,
          WS_EX_RTLREADING,    WS_EX_LTRREADING,     WS_EX_LEFTSCROLLBAR, WS_EX_RIGHTSCROLLBAR,
          WS_EX_CONTROLPARENT, WS_EX_STATICEDGE,     WS_EX_APPWINDOW,     WS_EX_OVERLAPPEDWINDOW,
          WS_EX_PALETTEWINDOW}},
        {ClassStyleNames,
         {CS_VREDRAW, CS_HREDRAW, 0x4, CS_DBLCLKS, CS_OWNDC, CS_CLASSDC, CS_PARENTDC, 0x100, CS_NOCLOSE,
          CS_SAVEBITS, CS_BYTEALIGNCLIENT, CS_BYTEALIGNWINDOW, CS_GLOBALCLASS, CS_IME}},
        {PriorityClassNames,
         {ABOVE_NORMAL_PRIORITY_CLASS, BELOW_NORMAL_PRIORITY_CLASS, HIGH_PRIORITY_CLASS, IDLE_PRIORITY_CLASS,
          NORMAL_PRIORITY_CLASS, REALTIME_PRIORITY_CLASS}},
    };
    for (const Check& check : checks) {
        ASSERT_EQ(check.table.size(), check.values.size());
        for (size_t i = 0; i < check.values.size(); ++i)
            EXPECT_EQ(check.table[i].value, check.values[i]) << check.table[i].name;
    }
    EXPECT_EQ(LookupConstName(ERROR_SERVICE_NEVER_STARTED, SystemErrorCodeTable(), ""),
              "ERROR_SERVICE_NEVER_STARTED");
    EXPECT_EQ(LookupConstName(RPC_S_SERVER_UNAVAILABLE, SystemErrorCodeTable(), ""),
              "RPC_S_SERVER_UNAVAILABLE");
}

TEST(OleException, CarriesCodeAndText) {
    fw::EOleException e(E_ACCESSDENIED, "WMI Get x");
    EXPECT_EQ(e.code(), E_ACCESSDENIED);
    EXPECT_EQ(std::string(e.what()).rfind("WMI Get x failed (OLE error 80070005)", 0), 0u) << e.what();
    EXPECT_FALSE(fw::sysErrorMessage(ERROR_ACCESS_DENIED).empty());
    EXPECT_NE(fw::sysErrorMessage(ERROR_ACCESS_DENIED).back(), '\n');
}

} // namespace
