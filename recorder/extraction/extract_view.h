// The extraction form (form 137), shown in the main frame's right pane in the
// extraction mode.  The user picks an AVI or WMV video, sees its decoders and
// sound track, picks the output name, type and format, and runs the
// extraction engine, which the form owns.
//
// An extraction runs inside StartExtraction on the user-interface thread:
// the engine's progress callback moves the two-stage bar (0-100 capture,
// 100-200 conversion) and dispatches what waits in the event queue, which is
// how the pause and cancel buttons, repaints and the frame are served
// meanwhile.  Handlers reached that way only flip flags, change button
// texts and, for cancel, tell the user and delete the output.  While the
// engine is inside Extract no second extraction can start, also after a
// cancel while the engine still converts what it captured.
#pragma once

#include "extraction/sound_extractor.h"
#include "toolkit/doc_view.h"

#include <string>

class CMainFrame;

inline constexpr const char* MSG_DUMP_FILTER_MISSING = "フィルタの読み込みに失敗しました。\n再インストールを行ってください。";
inline constexpr const char* MSG_SOURCE_NOT_READABLE =
    "指定されたファイルの読み込みに失敗しました。\n動画ファイルではないか、対応していない形式です。";
inline constexpr const char* MSG_NO_VIDEO_FILTER = "- 動画を再生するビデオフィルタが見つかりません。\n";
inline constexpr const char* MSG_NO_AUDIO_FILTER = "- 動画を再生するオーディオフィルタが見つかりません。\n";
inline constexpr const char* MSG_AUDIO_NOT_USABLE = "オーディオデータがないか、2チャンネルより多いため、抽出できません。";
inline constexpr const char* MSG_SOURCE_MISSING = "サウンドを抽出するファイルが存在しません。";
inline constexpr const char* MSG_NO_OUTPUT_NAME = "出力するファイル名をを入力して下さい。";
inline constexpr const char* MSG_OUTPUT_IS_SOURCE =
    "サウンドを抽出するファイルと出力するファイル名が同じです。\n別の名前を指定してください。";
inline constexpr const char* MSG_OVERWRITE_FORMAT = "%s ファイルが既に存在します。\nファイルを上書きしてもよろしいですか？";
inline constexpr const char* MSG_EXTRACTION_DONE = "サウンドの抽出が完了しました。";
inline constexpr const char* MSG_EXTRACTION_CANCELLED = "サウンドの抽出を中止しました。";

class CExtractView : public CFormView {
public:
    CExtractView();

    void OnInitialUpdate() override;
    BOOL OnCommand(UINT id, UINT code) override;

    BOOL IsExtracting() const { return m_bExtracting; }
    // TRUE when the dump filter can be made; the frame calls it on every
    // switch here.  A failure disables the whole form and says so.
    BOOL CheckDumpFilter();

    // The output path for a video or an output and a type: the file name's
    // extension replaced by the type's; empty when the file name has none.
    static std::string ChangeExtension(const std::string& path, const std::string& extension);
    // "wav", "mp3", "wma", "ogg" by OutputFileType; empty for another value.
    static const char* ExtensionForType(int type);

    CSoundExtractor m_Extractor;
    std::string m_strSourcePath;
    std::string m_strAudioInfo = "なし";
    std::string m_strVideoInfo = "なし";
    std::string m_strOutputPath;
    int m_nOutputType = OFT_MP3;
    BOOL m_bSecondStage = FALSE;
    BOOL m_bExtracting = FALSE;
    BOOL m_bPaused = FALSE;

protected:
    void DoDataExchange(CDataExchange* dx) override;

private:
    void OnBrowseSource();
    void OnBrowseOutput();
    void OnStartPause();
    void OnCancelExtraction();
    void OnFileTypeClicked();

    BOOL OpenSourceFile(const std::string& path);
    BOOL InspectSource();
    void SetOutputForType(const std::string& path, int type);
    void SetOutputPath(const std::string& path);
    void StartExtraction();
    BOOL CheckOutputFormat(const WAVEFORMATEX& format, int type);
    // The format the three lists describe.
    WAVEFORMATEX ReadOutputFormat() const;
    void TogglePauseExtraction();
    void ResetExtractionState();
    void SetDefaultFormat();
    void EnableAllControls(BOOL enable);
    void EnableForExtraction(BOOL extracting);
    // The MP3 radio is usable only with the encoder library.
    void DisableMp3WithoutEncoder();

    static void ExtractProgress(DWORD done, DWORD total, void* user);
    void OnExtractProgress(DWORD done, DWORD total);

    CMainFrame* GetMainFrame() const;
    CComboBox* Combo(UINT id) const;

    // TRUE while the engine is inside Extract: a cancel ends m_bExtracting
    // at once, but the engine may still be converting.
    BOOL m_bInEngine = FALSE;
};
