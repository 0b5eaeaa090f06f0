// CBrisaRecordView: the recording form (form 101) and the owner of a
// recording from its start to its end.  It shows the current source's
// output format, checks the settings, asks for the file name, starts,
// pauses, resumes and stops the engine, shows the elapsed time, runs the
// device options of the current source, and runs scheduled recordings: the
// wait for the start, the stop timer and the power-off afterwards.  The main
// frame forwards its record, pause, stop and settings commands here and asks
// whether a recording runs.
//
// Everything runs on the user-interface thread; the engine's capture thread
// reaches the form only through the posted WM_REC_PROGRESS.
//
// recording_view.cpp holds the form, the format controls and the recording
// itself; recording_schedule.cpp the schedule controls, their checks, the
// stop timer and the shutdown.
#pragma once

#include "app/source_settings.h"
#include "capture/sound_recorder.h"
#include "sndgrab.h"
#include "toolkit/doc_view.h"

#include <ctime>
#include <string>

class CBrisaRecordDoc;
class CMainFrame;

inline constexpr const char* MSG_PC_SOUND_NOTICE = "Windows Vista / 7 環境では自動で設定されているコントロールが選択されます。\n";
inline constexpr const char* MSG_NO_RECORD = "録音オプションでエラーが発生しました。";
inline constexpr const char* MSG_NO_CAPTURE_DEVICE =
    "録音のための設定がされていません。 ［オーディオオプション］ボタンをクリックし、録音装置を指定すると録音が可能になります。";
inline constexpr const char* MSG_PATH_TOO_LONG = "保存先はファイル名を含め250文字以上を指定することができません。";
inline constexpr const char* MSG_CLICK_OK_TO_START = "［OK］ボタンをクリックすると、録音が始まります。";
inline constexpr const char* MSG_CANNOT_RECORD = "録音作業を実行できません。";
inline constexpr const char* MSG_RECORDING_DONE = "録音が完了しました。";
inline constexpr const char* MSG_SCHEDULE_NOTICE = "予約録音は実際の録音時間から若干の誤差が発生する場合があります。";
inline constexpr const char* MSG_SHUTDOWN_NOTICE =
    "この機能はOSのバージョン、他のアプリケーションの終了確認などによって正しく動作しない場合があります。\n\n"
    "また、手動で停止した場合もシャットダウンを行ないます。";
inline constexpr const char* MSG_ENTER_START_TIME = "録音開始時間を入力して下さい";
inline constexpr const char* MSG_ENTER_END_TIME = "録音終了時間を入力して下さい";
inline constexpr const char* MSG_ENTER_START_AFTER = "開始時間を入力して下さい";
inline constexpr const char* MSG_ENTER_UNTIL = "終了時間を入力して下さい";
inline constexpr const char* MSG_LENGTH_RANGE = "予約録音可能な時間は最小1分から、最大300分までです。";
inline constexpr const char* MSG_HOUR_RANGE = "時間値は0から23までが使用できます。";
inline constexpr const char* MSG_MINUTE_RANGE = "分値は0から59までが使用できます。";
inline constexpr const char* MSG_SCHEDULE_CANCELLED = "予約録音がキャンセルされました。";
inline constexpr const char* MSG_AUTO_STOPPED =
    "録音終了時間になったので、自動で録音を停止しました。\r\n"
    "録音したサウンドファイルを再生するためには、ツールバーで ［再生］ ボタンをクリックします。";

// The schedule's timers and constants.
constexpr UINT_PTR STOP_TIMER_ID = 1;
constexpr UINT STOP_TIMER_MS = 10000;
constexpr UINT MAX_SCHEDULE_MINUTES = 300;
constexpr DWORD START_ONLY_MAX_MS = 18000000;
// Longest output path, in bytes of the Japanese code page.
constexpr std::size_t MAX_OUTPUT_PATH_BYTES = 250;

class CBrisaRecordView : public CFormView {
public:
    CBrisaRecordView();

    void OnInitialUpdate() override;

    BOOL IsRecording() const { return m_recorder.IsRecording(); }
    BOOL IsPaused() const { return m_recorder.IsPaused(); }
    void OnRecord();
    void OnPause();
    void OnStop();

    // The device options of the PC-sound source: a notice only.
    void ShowPcSoundNotice();
    // Makes kind the document's current source (also when the user cancels)
    // and runs the capture-device dialog for it; automatic: the dialog can
    // only be left by confirming (the "MIC" launch).
    void RunDeviceOptions(int kind, BOOL automatic);
    // Show the current record's channels, bits, rate and capture device, and
    // its file type with the MP3 library rule; the caller writes the members
    // to the controls.
    void RefreshFormatControls();
    void RefreshFileType();
    // The combination rules; shows the refusal itself.
    BOOL CheckFormatRules(const SourceSettings& record);
    // TRUE when the record's capture device has a name.
    BOOL HasCaptureDevice(const SourceSettings& record);

    // Scheduling.
    void OnScheduleCheck();
    void OnScheduleMode();
    void OnShutdownCheck();
    void EnableScheduleControls(BOOL enable);
    BOOL CheckScheduleInputs();
    BOOL ComputeRecordingLength();
    BOOL ComputeStartAfter();
    BOOL WaitForStart();
    void StartStopTimer();
    void KillStopTimer();
    void OnAutoStop();
    BOOL ShutdownPC();

    CBrisaRecordDoc* GetDocument() const;
    CMainFrame* GetMainFrame() const;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(UINT id, UINT code) override;

    // Bound to the form's controls (see DoDataExchange).
    int m_nBitsIndex = -1;
    int m_nChannelIndex = -1;
    int m_nRateIndex = -1;
    int m_nFileType = -1;
    BOOL m_bSchedule = FALSE;
    BOOL m_bShutdown = FALSE;
    int m_nScheduleMode = 0;
    UINT m_nEndHour = 0;
    UINT m_nEndMinute = 0;
    UINT m_nStartHour = 0;
    UINT m_nStartMinute = 0;
    UINT m_nUntilMinutes = 0;
    UINT m_nStartAfterMinutes = 0;
    std::string m_strElapsed;
    std::string m_strDeviceInfo;
    // The schedule of the recording being prepared or run.
    std::time_t m_timeStart = 0;
    std::time_t m_timeEnd = 0;
    DWORD m_nDurationMs = 0;
    DWORD m_nTickMs = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    void OnTimer(UINT_PTR id) override;

private:
    void OnAudioOptions();
    void OnChannelChange();
    void OnBitsChange();
    void OnRateChange();
    void OnFileType(int type);
    void OnRecProgress();
    // The end of a recording, by hand or by the stop timer.
    void FinishRecording(BOOL automatic);
    void SetRecordingUiState(BOOL recording);
    // The current record when the form has a document with one.
    SourceSettings* CurrentRecord() const;
    std::string DeviceName(int index);

    CSoundRecorder m_recorder;
    NSndOption m_sndOption;
};
