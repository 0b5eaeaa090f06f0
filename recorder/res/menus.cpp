// Menu, accelerators and toolbar of the main frame.
#include "recorder_resources.h"
#include "res/resource.h"
#include "toolkit/frame.h"

MenuTemplateItem RecorderMenu()
{
    const MenuTemplateItem separator;
    return {0, "",
        {
            {0, "ファイル(&F)",
                {{ID_MODE_PCSOUND, "スピーカー(&C)", {}}, {ID_MODE_MIC, "マイク(&M)", {}},
                    {ID_MODE_USER, "ユーザ定義(&U)", {}}, {ID_MODE_EXTRACT, "サウンド抽出(&E)", {}}, separator,
                    {ID_APP_EXIT, "終了(&X)", {}}}},
            {0, "表示(&V)", {{ID_VIEW_STATUS_BAR, "ステータス バー(&S)", {}}}},
            {0, "ツール(&T)",
                {{ID_SETTINGS_PCSOUND, "スピーカー設定(&S)...", {}}, {ID_SETTINGS_MIC, "マイク設定(&M)...", {}},
                    {ID_SETTINGS_USER, "ユーザ定義設定(&U)...", {}}}},
            {0, "ヘルプ(&H)",
                {{ID_ONLINE_MANUAL, "Ardo サウンドレコーダー(&H)...", {}}, separator,
                    {ID_APP_ABOUT, "バージョン情報(&A)...", {}}}},
        }};
}

std::vector<AcceleratorEntry> RecorderAccelerators()
{
    return {
        {ID_RECORD, "Ctrl+F5"},
        {ID_PAUSE, "Ctrl+F9"},
        {ID_STOP, "Ctrl+F10"},
        {ID_PLAY, "F5"},
        {ID_SETTINGS_PCSOUND, "Ctrl+S"},
        {ID_SETTINGS_MIC, "Ctrl+M"},
        {ID_SETTINGS_USER, "Ctrl+U"},
        {ID_APP_EXIT, "Alt+X"},
    };
}

ToolBarTemplate RecorderToolBar()
{
    return {IDB_MAINFRAME_TOOLBAR, 16, 16,
        {ID_RECORD, ID_PAUSE, ID_STOP, 0, ID_PLAY, 0, ID_VIDEO_MODE, 0, ID_ONLINE_MANUAL, ID_APP_EXIT}};
}
