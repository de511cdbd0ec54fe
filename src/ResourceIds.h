#pragma once
// Resource identifiers shared by res/ostrel.rc and the code.

#define IDS_COMPANYNAME 1
#define IDS_PRODUCTNAME 2
#define IDS_NOWINDOWFOUND 3

#define IDI_PROGRAM 1
#define IDR_SPLASH 101
#define IDC_FINDER 301
#define IDR_FINDER_IDLE 401
#define IDR_FINDER_DRAG 402
// The kinds' icons, 501 + TListTypes.
#define IDI_KIND_FIRST 501
#define IDB_TOOLBAR 601
#define IDB_TOOLBAR_DISABLED 602

#define IDD_PROPERTIES 200
