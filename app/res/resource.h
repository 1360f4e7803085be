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

#define IDC_PROGRESS_TEXT 1015
