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
#define IDD_WAIT_START 156
#define IDD_DEVICE_SELECT 273
// The picture at the top of the device dialog.
#define IDI_DEVICE_SELECT 133

// Controls of the recording form (101).
#define IDC_AUDIO_OPTIONS 1001
#define IDC_DEVICE_INFO 1002
#define IDC_TYPE_WAV 1003
#define IDC_TYPE_MP3 1004
#define IDC_TYPE_WMA 1005
#define IDC_TYPE_OGG 1006
#define IDC_PAUSE 1007
#define IDC_STOP 1008
#define IDC_ELAPSED 1010
#define IDC_CHANNELS 1015
#define IDC_BITS 1017
#define IDC_RATE 1018
#define IDC_MODE_START_ONLY 1026
#define IDC_RECORD 1027
#define IDC_START_AFTER 1028
#define IDC_START_AFTER_SPIN 1029
#define IDC_SCHEDULE 1030
#define IDC_UNTIL 1031
#define IDC_UNTIL_SPIN 1032
#define IDC_SHUTDOWN 1034
#define IDC_START_HOUR 1037
#define IDC_MODE_START_END 1038
#define IDC_MODE_END_ONLY 1040
#define IDC_START_HOUR_SPIN 1042
#define IDC_START_MINUTE 1045
#define IDC_START_MINUTE_SPIN 1048
#define IDC_END_HOUR 1051
#define IDC_END_HOUR_SPIN 1054
#define IDC_END_MINUTE 1057
#define IDC_END_MINUTE_SPIN 1060

// Controls of the waiting dialog (156).
#define IDC_REMAINING 1009

// Controls of the device dialog (273).
#define IDC_DEVICE_LIST 1003
#define IDC_DEVICE_SELECT 1004
#define IDC_DEVICE_LEVEL 1008

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
