// The recorder's single top-level window: a fixed-size frame whose client is
// a splitter with the mode bar on the left and either the recording form or
// the extraction form on the right.  It switches modes, routes the record,
// pause, stop and settings commands to the recording form, plays the last
// recording, opens the help pages, refuses to close while a recording or an
// extraction runs, and carries out the "INTERNAL" and "MIC" launches.
#pragma once

#include "devices/mixer.h"
#include "toolkit/frame.h"
#include "toolkit/shortcut_bar.h"
#include "toolkit/splitter.h"

class CBrisaRecordView;
class CExtractView;

// Posted to itself at the end of creation; ends the special launches.
constexpr UINT WM_FRAME_STARTUP = WM_USER + 100;

inline constexpr const char* MSG_CLOSE_WHILE_RECORDING = "録音作業中はプログラムを終了できません。";
inline constexpr const char* MSG_FILE_NOT_FOUND = "ファイルが見つかりません。";
inline constexpr const char* MSG_SWITCH_TO_VIDEO = "録画作業を実行するため、プログラムを転換しますか?";

// The client splitter with the recorder's bar and border sizes.
class CRecorderSplitter : public CSplitterWnd {
public:
    BOOL CreateStatic(CWnd* parent, int rows, int cols, DWORD style, UINT id);
};

class CMainFrame : public CFrameWnd {
public:
    // Shows form 101 (recording) or 137 (extraction) in the right pane.
    void SwitchView(UINT formId);
    void EnableModeBar(BOOL enable);
    BOOL IsModeBarEnabled() const { return m_wndModeBar.IsWindowEnabled(); }
    // Through the frame's own mixer, which stays open for the run.
    void ApplyRecordingSource(int devIndex, int ctrlIndex, int ctrlValue);

    // The recording form when it is the active view, else null.
    CBrisaRecordView* ActiveRecordView() const;
    // The extraction form when it is the active view, else null.
    CExtractView* ActiveExtractView() const;
    CShortcutBar& ModeBar() { return m_wndModeBar; }

    std::string m_strLastRecording;
    CWnd* m_pMenuBar = nullptr;
    CBrisaRecordView* m_pRecordView = nullptr;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(UINT id, UINT code) override;
    void OnUpdateCommandUI(CCmdUI* cmdUI) override;

protected:
    BOOL PreCreateWindow(CREATESTRUCT& cs) override;
    int OnCreate(const CREATESTRUCT& cs) override;
    BOOL OnCreateClient(const CREATESTRUCT& cs, CCreateContext* context) override;
    void OnClose() override;

private:
    LRESULT OnModeBarNotify(WPARAM code, LPARAM param);
    LRESULT OnFrameStartup(WPARAM wParam, LPARAM lParam);
    void OnPlay();
    void OnVideoMode();
    void OpenWebPage(UINT id);

    CRecorderSplitter m_wndSplitter;
    CShortcutBar m_wndModeBar;
    CMixer m_mixer;
};
