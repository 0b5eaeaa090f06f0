// The Japanese string table: the application title, the document string and
// the commands' status-bar prompts and tooltips ("prompt\ntip").
#include "recorder_resources.h"
#include "res/resource.h"
#include "toolkit/frame.h"

std::map<UINT, std::string> RecorderStrings()
{
    return {
        {AFX_IDS_APP_TITLE, "Ardo サウンドレコーダー"},
        {AFX_IDS_IDLEMESSAGE, "レディ"},
        {IDR_MAINFRAME, "QX Record\n\nZDA\n\n\nZDA.Document\nZDA Document"},
        {ID_MODE_PCSOUND, "スピーカー"},
        {ID_MODE_MIC, "マイク"},
        {ID_MODE_USER, "ユーザ定義"},
        {ID_MODE_EXTRACT, "サウンド抽出"},
        {ID_RECORD, "録音作業を開始します。\n録音"},
        {ID_PAUSE, "録音作業を一時停止します。\n一時停止"},
        {ID_STOP, "録音作業を中止します。\n中止"},
        {ID_PLAY, "録音したファイルを再生します。.\n再生"},
        {ID_SETTINGS_PCSOUND, "スピーカーを設定します。\nスピーカー設定"},
        {ID_SETTINGS_MIC, "マイクを設定します。\nマイク設定"},
        {ID_SETTINGS_USER, "ユーザが任意で録音する装置を設定します。\nユーザ定義"},
        {ID_VIDEO_MODE, "録画モード"},
        {ID_ONLINE_MANUAL, "オンラインマニュアルを表示します。\nオンラインマニュアル"},
        {ID_APP_ABOUT, "ﾌﾟﾛｸﾞﾗﾑ情報とﾊﾞｰｼﾞｮﾝ情報、著作権情報を表示します。\n情報"},
        {ID_APP_EXIT, "ｱﾌﾟﾘｹｰｼｮﾝを終了します。\n終了"},
        {ID_VIEW_STATUS_BAR, "ステータス バー\nステータス バー"},
        {ID_TOOLBAR_SHOW, "ツールバー\nツールバー"},
        {ID_TOOLBAR_SHOW2, "ツールバー\nツールバー"},
    };
}
