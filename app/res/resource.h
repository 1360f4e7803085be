#pragma once
// Resource ids of the program's images, menus and the progress window that
// only the Win32 view and the resource script use; the window's own ids are
// in app/core/MainIds.h.
#include "app/core/MainIds.h"

#define IDB_BACKGROUND 129
#define IDB_THEME 130
#define IDB_STARTUP 131
#define IDB_SERVICE 132
#define IDI_SERVICES 133
#define IDM_SERVICE 134
#define IDM_STARTUP 135
#define IDB_SHORTCUT 136
#define IDM_THEME 137
#define IDI_STARTUPS 138
#define IDM_SHORTCUT 139
#define IDI_SHORTCUTS 140
#define IDM_TRAY 142
#define IDD_PROGRESS 145
#define IDI_VIEW32 146
// The toolbar's tiles at 36 and 48 pixels, for 144 and 192 dots per inch.
#define IDB_THEME_36 150
#define IDB_STARTUP_36 151
#define IDB_SERVICE_36 152
#define IDB_SHORTCUT_36 153
#define IDB_THEME_48 154
#define IDB_STARTUP_48 155
#define IDB_SERVICE_48 156
#define IDB_SHORTCUT_48 157

#define IDC_PROGRESS_TEXT 1015
