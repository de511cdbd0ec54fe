#pragma once
// The pictures of the tool bars (42 x 42, one list for enabled and one for disabled buttons) and the
// kinds' 16-pixel icons, made once and shared by every window.
#include <windows.h>

#include <commctrl.h>

enum TToolbarImage : int {
    tiRefresh = 0,
    tiHighlight = 1,
    tiWindow = 2,
    tiProcess = 3,
    tiThread = 4,
    tiModule = 5,
    tiCode = 6,
    tiSearch = 7,
    tiFilter = 8,
    tiService = 9,
    tiFinder = 10,
    tiProperties = 11
};

HIMAGELIST ToolbarImages();
HIMAGELIST DisabledToolbarImages();
// Indexed by TListTypes.
HIMAGELIST KindIcons();
