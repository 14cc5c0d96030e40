// Resource ids of the program's resource script (Marlo.rc), shared with the code that
// loads them. Plain defines: the resource compiler reads this file too.
#pragma once

#define IDD_SETUP 101
#define IDI_MARLO 104

#define IDC_SETUP_MODE 1001
#define IDC_SETUP_DEVICE 1002
#define IDC_SETUP_FULLSCREEN 1003
#define IDC_SETUP_RATE 1004
