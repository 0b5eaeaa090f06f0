// Identifiers of the recorder's resources: the numbers its code, its
// registry data and its forms share.
#pragma once

// The main frame's document string, menu, accelerators, toolbar and icon.
#define IDR_MAINFRAME 128
// The toolbar's picture strip (the toolbar itself is IDR_MAINFRAME).
#define IDB_MAINFRAME_TOOLBAR 129

// Mode-bar icons of the four modes, 16 x 16 and 24 x 24, magenta as mask.
#define IDB_MODES_16 130
#define IDB_MODES_24 132
// Record, pause and stop button images of the recording form.
#define IDB_RECORD 134
#define IDB_PAUSE 135
#define IDB_STOP 136

#define IDD_ABOUTBOX 100
#define IDC_ABOUT_VERSION 1010
#define IDD_RECORD_FORM 101
#define IDD_EXTRACT_FORM 137

// Commands.
#define ID_MODE_PCSOUND 32771
#define ID_MODE_MIC 32772
#define ID_MODE_USER 32773
#define ID_RECORD 32774
#define ID_STOP 32776
#define ID_PAUSE 32777
#define ID_PLAY 32778
#define ID_TOOLBAR_SHOW 32779
#define ID_SETTINGS_PCSOUND 32780
#define ID_SETTINGS_MIC 32781
#define ID_SETTINGS_USER 32782
#define ID_WEB_PRODUCT 32783
#define ID_TIP_OF_DAY 32786
#define ID_WEB_MANUAL 32787
#define ID_WEB_FAQ 32788
#define ID_WEB_FORUM 32789
#define ID_MODE_EXTRACT 32790
#define ID_VIDEO_MODE 32791
#define ID_TOOLBAR_SHOW2 32792
#define ID_ONLINE_MANUAL 57670

// The status bar and the splitter of the main frame.
#define IDW_STATUS_BAR 0xE801
#define IDW_SPLITTER 0xE900
