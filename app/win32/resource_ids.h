// Ids of the program's resources and of the menu commands as chimora.rc uses them. Plain
// #defines, since the resource compiler reads this file too; main_window.cpp checks that the
// command ids equal the CMD_ ids of main_menu.h.
#pragma once

#define IDS_APP_TITLE 103 // string: the window title
#define IDD_ABOUTBOX 103  // dialog: the about box
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDI_CHIMORA 107 // icon: 32x32 and 16x16
#define IDI_SMALL 108   // icon: 16x16
#define IDC_CHIMORA 109 // string: the window class name; the menu; the accelerators

#define IDM_SWITCH_HOUR 32771
#define IDM_SWITCH_HALF 32772
#define IDM_SWITCH_MELODY 32773
#define IDM_VOLUME_PLUS3 32774
#define IDM_VOLUME_0 32775
#define IDM_VOLUME_MINUS3 32776
#define IDM_VOLUME_MINUS6 32777
#define IDM_SWITCH_QUARTER 32779
#define IDM_REACQUIRE 32780
#define IDM_LISTEN 32781

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
