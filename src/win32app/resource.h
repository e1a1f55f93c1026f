#pragma once
// Resource and control ids of zelt-utility.exe: the numbers the Qt window uses as object
// names, so both windows' tests and traces read the same ids. Shared by the .rc and the code.

// Icons, bitmaps, cursor (drawn by tools/win32-res from the Qt window's pictures).
#define IDR_MAINFRAME 181
#define IDI_BATTERY_FAIL 182
#define IDI_SEEK_DIM 183
#define IDI_SEEK_BRIGHT 184
#define IDB_DELETE_SCHEDULE_EN 115
#define IDB_DELETE_SCHEDULE_CH 119
#define IDB_RESET_EN 122
#define IDB_RESET_CH 123
#define IDC_RESIZE_CURSOR 109
#define IDB_TOOLBAR_EN 130
#define IDB_TOOLBAR_ZH 131

// Dialog templates.
#define IDD_ABOUT 100
#define IDD_BATTERY_FAIL 101
#define IDD_EXIT_CONFIRM 102
#define IDD_LINK 103
#define IDD_SEEK 104
#define IDD_BUS_SCAN 105
#define IDD_RECORD_CHECK 106

// Controls.
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
#define IDC_PORT_LIST 1000
#define IDC_AUTO_DETECT 1001
#define IDC_SAVE_TO_CONTROLLER 1003
#define IDC_SAVE_TO_FILE 1004
#define IDC_SAVE_BOTH 1005
#define IDC_EXIT_NOW 1006
#define IDC_ABOUT_TEXT 1010
#define IDC_MESSAGE_TEXT 1011
#define IDC_PORT_LABEL 1012
#define IDC_HINT 1013
#define IDC_RS232 1014
#define IDC_RS485 1015
#define IDC_MODE_GROUP 1016
#define IDC_RS485_ID 1017
#define IDC_SEEK_TEXT 1018
#define IDC_SEEK_ICON 1019
#define IDC_RS485_ID_LABEL 1020
#define IDC_PROBE_LINE 1021
#define IDC_SCAN_BUS 1022
#define IDC_BUS_LIST 1023
#define IDC_BUS_PROGRESS 1024
#define IDC_RETRY 1025
#define IDC_CLOSE_UTILITY 1026
#define IDC_ICON_BRIGHT 4004
#define IDC_ICON_DIM 4005

// Main window children.
#define IDC_TOOLBAR 59392
#define IDC_STATUS_BAR 59393
#define IDC_CANCEL_EXCHANGE 4010
#define IDC_PROGRESS 4011
