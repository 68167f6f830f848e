// resource.h - resource ids of zelvix.exe, shared by the C++ sources and res/zelvix.rc.
//
// Holds:
//   IDD_*  dialog templates (About box, host dialog)
//   IDR_*  application icon
//   IDB_*  caption-strip bitmaps of the capture frame
//   IDS_*  string table entries
//   IDM_*  system-menu command of the host dialog
//   IDC_STATIC
//
// Plain #defines only: the resource compiler reads this file too.

#ifndef ZELVIX_RES_RESOURCE_H
#define ZELVIX_RES_RESOURCE_H

// Dialog templates
#define IDD_ABOUTBOX            100
#define IDD_CONSOLE_DIALOG      102

// Icon
#define IDR_MAINFRAME           128

// Bitmaps (20 x 20 logo; 18 x 18 button faces)
#define IDB_LOGO                129
#define IDB_SWITCH_OFF          131
#define IDB_ENLARGE             134
#define IDB_CLOSE               136
#define IDB_SHRINK              138
#define IDB_SWITCH_ON           139

// String table
#define IDS_APP_TITLE           102
#define IDS_SHOW_FRAME          104
#define IDS_CLOSE               105
#define IDS_SHRINK              106
#define IDS_ENLARGE             107
#define IDS_SCREEN_CAPTURE      108

// System command that opens the About box; the low four bits are the
// system's own and are masked off before comparing.
#define IDM_ABOUTBOX            0x0010

// Controls without an id of their own.
#ifndef IDC_STATIC
#define IDC_STATIC              (-1)
#endif

#endif // ZELVIX_RES_RESOURCE_H
