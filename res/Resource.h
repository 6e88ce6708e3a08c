// Resource ids, shared by the program's code and both window ports.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_ZANDREL2_DIALOG 102
#define IDD_PROGRESS 103
#define IDR_MAINFRAME 128
#define IDC_CD_DRIVE 1000
#define IDC_BROWSE_CD 1001
#define IDC_INSTALL_DIR 1002
#define IDC_BROWSE_INSTALL 1003
#define IDC_PROGRESS_FILE 1010
#define IDC_PROGRESS_BAR 1011
#define IDC_PROGRESS_FILES 1012
#define IDC_PROGRESS_TIMES 1013
#define IDM_ABOUTBOX 0x0010
