// Resource ids of pravel.exe's own dialogs: the About box and the port selection dialog. Shared by
// WinApp.rc (windres reads this header) and the code, so that the two cannot drift apart.
#pragma once

#define IDD_WIN_ABOUTBOX 100
#define IDD_WIN_SELECT_PORT 131

#define IDC_WIN_ABOUT_ICON 1100
#define IDC_WIN_ABOUT_VERSION 1101

#define IDC_WIN_PORT_LIST 1071
#define IDC_WIN_MODEM_PROFILE 1072
#define IDC_WIN_TEST_MODEM 1073
#define IDC_WIN_TEST_RESULT 1074
#define IDC_WIN_RINGBACK_GAP 1075
#define IDC_WIN_RINGBACK_WAIT 1076
#define IDC_WIN_MODEM_COUNTRY 1077
#define IDC_WIN_TRACE_FILE 1078
