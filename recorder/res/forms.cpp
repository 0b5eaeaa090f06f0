// The about box and the two forms of the main frame, in dialog units.
#include "recorder_resources.h"
#include "res/extract_form.h"
#include "res/resource.h"
#include "toolkit/slider_ctrl.h"
#include "toolkit/wnd.h"

namespace {
using K = ControlKind;
constexpr UINT S = IDC_STATIC;
constexpr DWORD RO = ES_READONLY;
constexpr DWORD NUM = ES_NUMBER;
} // namespace

DialogTemplate AboutBox()
{
    return {"バージョン情報", 200, 62,
        {
            {K::Icon, S, "", 10, 10, 21, 20, 0, IDR_MAINFRAME},
            {K::Static, IDC_ABOUT_VERSION, "", 40, 12, 150, 10},
            {K::Static, S, "Copyright (C) VELMORA", 40, 26, 150, 10},
            {K::DefButton, 1 /* IDOK */, "OK", 140, 42, 50, 14},
        }};
}

DialogTemplate RecordForm()
{
    return {"", 300, 272,
        {
            {K::GroupBox, S, "オーディオ設定", 7, 4, 286, 88},
            {K::Static, S, "チャンネル :", 15, 20, 90, 10},
            {K::ComboList, 1015, "モノラル\nステレオ", 108, 18, 80, 60},
            {K::Static, S, "ビット :", 15, 36, 90, 10},
            {K::ComboList, 1017, "8 Bit\n16 Bit", 108, 34, 80, 60},
            {K::Static, S, "サンプリングレート :", 15, 52, 90, 10},
            {K::ComboList, 1018, "8 KHz\n11 KHz\n12 KHz\n16 KHz\n22 KHz\n24 KHz\n32 KHz\n44 KHz\n48 KHz", 108, 50, 80, 90},
            {K::Static, S, "情報 :", 15, 70, 90, 10},
            {K::Edit, 1002, "", 108, 68, 178, 12, RO},
            {K::Button, 1001, "オーディオオプション...", 196, 17, 90, 15},
            {K::GroupBox, S, "ファイル形式", 7, 96, 286, 28},
            {K::Radio, 1003, "WAV ファイル", 15, 108, 68, 10, WS_GROUP},
            {K::Radio, 1004, "MP3 ファイル", 84, 108, 68, 10},
            {K::Radio, 1005, "WMA ファイル", 153, 108, 68, 10},
            {K::Radio, 1006, "OGG ファイル", 222, 108, 68, 10},
            {K::GroupBox, S, "", 7, 130, 286, 96},
            {K::CheckBox, 1030, "予約録音設定", 13, 128, 80, 10, WS_GROUP},
            {K::Radio, 1038, "録音開始及び終了時間指定", 15, 142, 150, 10, WS_GROUP},
            {K::Edit, 1037, "", 27, 155, 22, 12, NUM},
            {K::Spin, 1042, "", 49, 155, 9, 12},
            {K::Static, S, "時", 61, 157, 10, 10},
            {K::Edit, 1045, "", 73, 155, 22, 12, NUM},
            {K::Spin, 1048, "", 95, 155, 9, 12},
            {K::Static, S, "分 ～", 107, 157, 22, 10},
            {K::Edit, 1051, "", 131, 155, 22, 12, NUM},
            {K::Spin, 1054, "", 153, 155, 9, 12},
            {K::Static, S, "時", 165, 157, 10, 10},
            {K::Edit, 1057, "", 177, 155, 22, 12, NUM},
            {K::Spin, 1060, "", 199, 155, 9, 12},
            {K::Static, S, "分", 211, 157, 10, 10},
            {K::Radio, 1026, "開始時間のみ指定", 15, 172, 110, 10},
            {K::Edit, 1028, "", 27, 185, 28, 12, NUM},
            {K::Spin, 1029, "", 55, 185, 9, 12},
            {K::Static, S, "分後に開始", 67, 187, 50, 10},
            {K::Radio, 1040, "終了時間のみ指定", 150, 172, 110, 10},
            {K::Edit, 1031, "", 162, 185, 28, 12, NUM},
            {K::Spin, 1032, "", 190, 185, 9, 12},
            {K::Static, S, "分後まで", 202, 187, 50, 10},
            {K::CheckBox, 1034, "録音終了後、パソコンをシャットダウン", 15, 206, 240, 10, WS_GROUP},
            {K::Button, 1027, "録音...", 15, 234, 52, 16},
            {K::Button, 1007, "一時停止", 71, 234, 52, 16},
            {K::Button, 1008, "停止", 127, 234, 52, 16},
            {K::Static, S, "録音時間 :", 15, 254, 60, 10},
            {K::Edit, 1010, "", 78, 252, 110, 12, RO | ES_CENTER},
        }};
}

DialogTemplate ExtractForm()
{
    return {"", 300, 272,
        {
            {K::GroupBox, S, "抽出するファイル", 7, 4, 286, 112},
            {K::Static, S, "ファイル名 :", 15, 20, 60, 10},
            {K::Edit, IDC_EXTRACT_SOURCE, "", 92, 18, 148, 12, RO},
            {K::Button, IDC_EXTRACT_BROWSE_SOURCE, "参照...", 244, 17, 42, 14},
            {K::Static, S, "ビデオ情報 :", 15, 36, 60, 10},
            {K::Edit, IDC_EXTRACT_VIDEO_INFO, "", 92, 34, 194, 12, RO},
            {K::Static, S, "オーディオ情報 :", 15, 52, 76, 10},
            {K::Edit, IDC_EXTRACT_AUDIO_INFO, "", 92, 50, 194, 12, RO},
            {K::Static, S,
                "※ Windows Media Playerで再生可能で、オーディオデータが2チャンネル以下でなければなりません。"
                "ファイルがオブジェクト再生方式の場合、抽出が失敗する場合があります。",
                15, 68, 271, 40},
            {K::GroupBox, S, "出力するファイル", 7, 120, 286, 100},
            {K::Static, S, "ファイル名 :", 15, 136, 60, 10},
            {K::Edit, IDC_EXTRACT_OUTPUT, "", 92, 134, 148, 12},
            {K::Button, IDC_EXTRACT_BROWSE_OUTPUT, "参照...", 244, 133, 42, 14},
            {K::Static, S, "ファイル形式 :", 15, 154, 76, 10},
            {K::Radio, IDC_EXTRACT_WAV, "WAV ファイル", 92, 152, 68, 10, WS_GROUP},
            {K::Radio, IDC_EXTRACT_MP3, "MP3 ファイル", 170, 152, 68, 10},
            {K::Radio, IDC_EXTRACT_WMA, "WMA ファイル", 92, 166, 68, 10},
            {K::Radio, IDC_EXTRACT_OGG, "OGG ファイル", 170, 166, 68, 10},
            {K::Static, S, "チャンネル :", 15, 184, 76, 10, WS_GROUP},
            {K::ComboList, IDC_EXTRACT_CHANNELS, "", 92, 182, 60, 60},
            {K::Static, S, "ビット :", 170, 184, 40, 10},
            {K::ComboList, IDC_EXTRACT_BITS, "", 212, 182, 60, 60},
            {K::Static, S, "サンプリングレート :", 15, 202, 90, 10},
            {K::ComboList, IDC_EXTRACT_RATE, "", 108, 200, 60, 80},
            {K::Progress, IDC_EXTRACT_PROGRESS, "", 7, 226, 286, 10},
            {K::Button, IDC_EXTRACT_START, "抽出開始", 178, 242, 55, 16},
            {K::Button, IDC_EXTRACT_CANCEL, "抽出中止", 238, 242, 55, 16},
        }};
}

DialogTemplate WaitStartDialog()
{
    return {"録音待機中", 220, 92,
        {
            {K::Static, S, "録音開始時間になるまで待機しています。", 10, 8, 200, 10},
            {K::Static, S, "予約録音をキャンセルする場合は、［キャンセル］ボタンをクリックします。", 10, 22, 200, 20},
            {K::Static, S, "録音開始までの残り時間 :", 10, 50, 100, 10},
            {K::Edit, IDC_REMAINING, "", 112, 48, 98, 12, RO},
            {K::Button, 1 /* IDOK, hidden */, "OK", 96, 70, 55, 14},
            {K::DefButton, 2 /* IDCANCEL */, "キャンセル(&C)", 155, 70, 55, 14},
        }};
}

DialogTemplate DeviceSelectDialog()
{
    return {"録音デバイスの選択", 230, 170,
        {
            {K::Icon, S, "", 10, 8, 21, 20, 0, IDI_DEVICE_SELECT},
            {K::Static, S, "録音するコントロールと音量を選択します。", 38, 12, 180, 10},
            {K::GroupBox, S, "音量設定", 7, 30, 216, 112},
            {K::Static, S, "コントロールの選択 :", 15, 42, 120, 10},
            {K::ListView, IDC_DEVICE_LIST, "", 15, 54, 150, 82},
            {K::Static, S, "音量 :", 175, 42, 40, 10},
            {K::TrackBar, IDC_DEVICE_LEVEL, "", 180, 54, 24, 82, TBS_VERT | TBS_BOTH},
            {K::DefButton, 1 /* IDOK */, "&OK", 112, 150, 54, 14},
            {K::Button, 2 /* IDCANCEL */, "キャンセル(&C)", 169, 150, 54, 14},
            {K::Button, IDC_DEVICE_SELECT, "指定(&S)", 169, 150, 54, 14}, // hidden in the resource
        }};
}
