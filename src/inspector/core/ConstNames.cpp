#include "core/ConstNames.h"

std::string LookupConstName(std::uint32_t value, std::span<const ConstName> table,
                            const std::string& defaultText) {
    for (const ConstName& entry : table)
        if (entry.value == value) return entry.name;
    if (!defaultText.empty()) return defaultText;
    throw EConvertError("Expression for " + std::to_string(value) + " doesn't exist");
}

// Values as in winuser.h; names that share a value are all kept, in this order.
const ConstName WindowStyleNames[22] = {
    {0x00000000, "WS_OVERLAPPED"},   {0x80000000, "WS_POPUP"},        {0x40000000, "WS_CHILD"},
    {0x20000000, "WS_MINIMIZE"},     {0x10000000, "WS_VISIBLE"},      {0x08000000, "WS_DISABLED"},
    {0x04000000, "WS_CLIPSIBLINGS"}, {0x02000000, "WS_CLIPCHILDREN"}, {0x01000000, "WS_MAXIMIZE"},
    {0x00C00000, "WS_CAPTION"},      {0x00800000, "WS_BORDER"},       {0x00400000, "WS_DLGFRAME"},
    {0x00200000, "WS_VSCROLL"},      {0x00100000, "WS_HSCROLL"},      {0x00080000, "WS_SYSMENU"},
    {0x00040000, "WS_THICKFRAME"},   {0x00020000, "WS_GROUP"},        {0x00010000, "WS_TABSTOP"},
    {0x00020000, "WS_MINIMIZEBOX"},  {0x00010000, "WS_MAXIMIZEBOX"},  {0x00CF0000, "WS_OVERLAPPEDWINDOW"},
    {0x80880000, "WS_POPUPWINDOW"},
};

const ConstName ExtWindowStyleNames[21] = {
    {0x00000001, "WS_EX_DLGMODALFRAME"}, {0x00000004, "WS_EX_NOPARENTNOTIFY"},
    {0x00000008, "WS_EX_TOPMOST"},       {0x00000010, "WS_EX_ACCEPTFILES"},
    {0x00000020, "WS_EX_TRANSPARENT"},   {0x00000040, "WS_EX_MDICHILD"},
    {0x00000080, "WS_EX_TOOLWINDOW"},    {0x00000100, "WS_EX_WINDOWEDGE"},
    {0x00000200, "WS_EX_CLIENTEDGE"},    {0x00000400, "WS_EX_CONTEXTHELP"},
    {0x00001000, "WS_EX_RIGHT"},         {0x00000000, "WS_EX_LEFT"},
    {0x00002000, "WS_EX_RTLREADING"},    {0x00000000, "WS_EX_LTRREADING"},
    {0x00004000, "WS_EX_LEFTSCROLLBAR"}, {0x00000000, "WS_EX_RIGHTSCROLLBAR"},
    {0x00010000, "WS_EX_CONTROLPARENT"}, {0x00020000, "WS_EX_STATICEDGE"},
    {0x00040000, "WS_EX_APPWINDOW"},     {0x00000300, "WS_EX_OVERLAPPEDWINDOW"},
    {0x00000188, "WS_EX_PALETTEWINDOW"},
};

const ConstName ClassStyleNames[14] = {
    {0x0001, "CS_VREDRAW"},     {0x0002, "CS_HREDRAW"},         {0x0004, "CS_KEYCVTWINDOW"},
    {0x0008, "CS_DBLCLKS"},     {0x0020, "CS_OWNDC"},           {0x0040, "CS_CLASSDC"},
    {0x0080, "CS_PARENTDC"},    {0x0100, "CS_NOKEYCVT"},        {0x0200, "CS_NOCLOSE"},
    {0x0800, "CS_SAVEBITS"},    {0x1000, "CS_BYTEALIGNCLIENT"}, {0x2000, "CS_BYTEALIGNWINDOW"},
    {0x4000, "CS_GLOBALCLASS"}, {0x00010000, "CS_IME"},
};

const ConstName PriorityClassNames[6] = {
    {0x8000, "ABOVE_NORMAL_PRIORITY_CLASS"}, {0x4000, "BELOW_NORMAL_PRIORITY_CLASS"},
    {0x0080, "HIGH_PRIORITY_CLASS"},         {0x0040, "IDLE_PRIORITY_CLASS"},
    {0x0020, "NORMAL_PRIORITY_CLASS"},       {0x0100, "REALTIME_PRIORITY_CLASS"},
};

const ConstName ThreadStateNames[8] = {
    {0, "Initialized"}, {1, "Ready"},   {2, "Running"},    {3, "Standby"},
    {4, "Terminated"},  {5, "Waiting"}, {6, "Transition"}, {7, "Unknown"},
};

const ConstName ThreadWaitReasonNames[21] = {
    {0, "Executive"},      {1, "FreePage"},     {2, "PageIn"},          {3, "PoolAllocation"},
    {4, "ExecutionDelay"}, {5, "Suspended"},    {6, "UserRequest"},     {7, "Executive"},
    {8, "FreePage"},       {9, "PageIn"},       {10, "PoolAllocation"}, {11, "ExecutionDelay"},
    {12, "Suspended"},     {13, "UserRequest"}, {14, "EventPair"},      {15, "Queue"},
    {16, "LPCReceive"},    {17, "LPCReply"},    {18, "VirtualMemory"},  {19, "PageOut"},
    {20, "Unknown"},
};
