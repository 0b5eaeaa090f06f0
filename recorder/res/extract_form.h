// Control identifiers of the extraction form (dialog IDD_EXTRACT_FORM).
#pragma once

#define IDC_EXTRACT_SOURCE 1013        // video file path, read-only
#define IDC_EXTRACT_VIDEO_INFO 1014    // video decoder, read-only
#define IDC_EXTRACT_AUDIO_INFO 1015    // sound track, read-only
#define IDC_EXTRACT_BROWSE_SOURCE 1016
#define IDC_EXTRACT_OUTPUT 1017        // output path, editable
#define IDC_EXTRACT_BROWSE_OUTPUT 1018
#define IDC_EXTRACT_WAV 1003           // first of the four file-type radios
#define IDC_EXTRACT_MP3 1004
#define IDC_EXTRACT_WMA 1005
#define IDC_EXTRACT_OGG 1006
#define IDC_EXTRACT_CHANNELS 1019
#define IDC_EXTRACT_BITS 1020
#define IDC_EXTRACT_RATE 1021
#define IDC_EXTRACT_PROGRESS 1022
#define IDC_EXTRACT_START 1023         // start, pause and resume
#define IDC_EXTRACT_CANCEL 1008
