// Resource ids of the dialog library. The dialog and control ids are the
// ones the program and its help file know; the icons are the library's own.
#pragma once

#define IDD_ABOUT 1000
#define IDD_SERVICE 1002
#define IDD_CONTEXT_HELP 1006
#define IDD_STARTUP 22008
#define IDD_SHORTCUT 22009

#define IDC_NAME 22009
#define IDC_PATH 1008
#define IDC_ARGUMENT 1009
#define IDC_BROWSE 1010
#define IDC_OK 1011
#define IDC_CANCEL 1012
#define IDC_TYPE 1013
#define IDC_HELP_BUTTON 1014
#define IDC_DELAY 1023

#define IDC_HELP_PRIVATE_LABEL 1015
#define IDC_HELP_PUBLIC_LABEL 1016
#define IDC_HELP_PRIVATE_TEXT 1018
#define IDC_HELP_PUBLIC_TEXT 1019

#define IDC_ABOUT_VERSION 1020
#define IDC_ABOUT_NOTICE1 1021
#define IDC_ABOUT_NOTICE2 1022
#define IDC_ABOUT_WEB_LABEL 1003
#define IDC_ABOUT_WEB_LINK 1000
#define IDC_ABOUT_SUPPORT_LABEL 1004
#define IDC_ABOUT_SUPPORT_LINK 1001
#define IDC_ABOUT_COMMENT_LABEL 1005
#define IDC_ABOUT_COMMENT_LINK 1002

#define IDI_SERVICE 200
#define IDI_STARTUP 201
#define IDI_SHORTCUT 202
#define IDI_PROGRAM 203
