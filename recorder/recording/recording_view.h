// The recording form (form 101): shows the current source's format, runs
// recordings and the device options of the current source.  The main frame
// forwards its record, pause, stop and settings commands here and asks
// whether a recording runs.
//
// This is the form's frame-facing part; the recording itself, the format
// controls and the schedule come with the recording form's own work.  Until
// then record, pause and stop only keep the form's recording state.
#pragma once

#include "toolkit/doc_view.h"

class CBrisaRecordDoc;
class CMainFrame;

inline constexpr const char* MSG_PC_SOUND_NOTICE = "Windows Vista / 7 環境では自動で設定されているコントロールが選択されます。\n";

class CBrisaRecordView : public CFormView {
public:
    CBrisaRecordView();

    void OnInitialUpdate() override;

    BOOL IsRecording() const { return m_bRecording; }
    BOOL IsPaused() const { return m_bPaused; }
    void OnRecord();
    void OnPause();
    void OnStop();

    // The device options of the PC-sound source: a notice only.
    void ShowPcSoundNotice();
    // Makes kind the document's current source and runs its device options.
    void RunDeviceOptions(int kind, BOOL automatic);
    void RefreshFormatControls();
    void RefreshFileType();

    CBrisaRecordDoc* GetDocument() const;
    CMainFrame* GetMainFrame() const;

private:
    BOOL m_bRecording = FALSE;
    BOOL m_bPaused = FALSE;
};
