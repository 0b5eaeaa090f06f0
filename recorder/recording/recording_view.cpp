#include "recording/recording_view.h"

#include "app/brisa_record_app.h"
#include "app/brisa_record_doc.h"
#include "app/main_frame.h"
#include "app/path_utils.h"
#include "core/text.h"
#include "devices/device_select_dialog.h"
#include "recording/clock.h"
#include "recording/format_rules.h"
#include "recording/output_naming.h"
#include "recording/schedule_time.h"
#include "res/resource.h"
#include "toolkit/dialog.h"

namespace {

// Sample rates of combo 1018, in list order.
constexpr int kRates[] = {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000};
constexpr int kDefaultRateIndex = 4; // 22 KHz

// Controls that only an idle form offers.
constexpr UINT kIdleOnly[] = {IDC_CHANNELS, IDC_BITS, IDC_RATE, IDC_AUDIO_OPTIONS, IDC_TYPE_WAV, IDC_TYPE_MP3,
    IDC_TYPE_WMA, IDC_TYPE_OGG, IDC_SCHEDULE, IDC_RECORD};

} // namespace

CBrisaRecordView::CBrisaRecordView() : CFormView(IDD_RECORD_FORM) {}

CBrisaRecordDoc* CBrisaRecordView::GetDocument() const
{
    return static_cast<CBrisaRecordDoc*>(CFormView::GetDocument());
}

CMainFrame* CBrisaRecordView::GetMainFrame() const
{
    return dynamic_cast<CMainFrame*>(GetParentFrame());
}

SourceSettings* CBrisaRecordView::CurrentRecord() const
{
    CBrisaRecordDoc* doc = GetDocument();
    return doc ? doc->GetCurrentSettings() : nullptr;
}

std::string CBrisaRecordView::DeviceName(int index)
{
    const stNSndDevInfo* info = m_sndOption.GetInfo(index);
    return info && info->name ? info->name : "";
}

void CBrisaRecordView::DoDataExchange(CDataExchange* dx)
{
    DDX_CBIndex(dx, IDC_BITS, m_nBitsIndex);
    DDX_CBIndex(dx, IDC_CHANNELS, m_nChannelIndex);
    DDX_CBIndex(dx, IDC_RATE, m_nRateIndex);
    DDX_Radio(dx, IDC_TYPE_WAV, m_nFileType);
    DDX_Check(dx, IDC_SCHEDULE, m_bSchedule);
    DDX_Check(dx, IDC_SHUTDOWN, m_bShutdown);
    DDX_Radio(dx, IDC_MODE_START_END, m_nScheduleMode);
    DDX_Text(dx, IDC_END_HOUR, m_nEndHour);
    DDX_Text(dx, IDC_END_MINUTE, m_nEndMinute);
    DDX_Text(dx, IDC_START_HOUR, m_nStartHour);
    DDX_Text(dx, IDC_START_MINUTE, m_nStartMinute);
    DDX_Text(dx, IDC_UNTIL, m_nUntilMinutes);
    DDX_Text(dx, IDC_START_AFTER, m_nStartAfterMinutes);
    DDX_Text(dx, IDC_ELAPSED, m_strElapsed);
    DDX_Text(dx, IDC_DEVICE_INFO, m_strDeviceInfo);
}

void CBrisaRecordView::OnInitialUpdate()
{
    CFormView::OnInitialUpdate();
    ResizeParentToFit();

    const std::pair<UINT, UINT> images[] = {{IDC_RECORD, IDB_RECORD}, {IDC_PAUSE, IDB_PAUSE}, {IDC_STOP, IDB_STOP}};
    for (const auto& [button, bitmap] : images)
        if (auto* b = static_cast<CButton*>(GetDlgItem(button)))
            b->SetImage(StripImage(LoadPicture(bitmap), 0, QSize(16, 16), QColor(255, 0, 255))); // magenta is see-through

    m_sndOption.SetWork();
    CBrisaRecordDoc* doc = GetDocument();
    if (SourceSettings* pc = doc ? doc->GetSettings(SRC_PCSOUND) : nullptr) {
        // What the PC plays is always the capture library's default device.
        pc->VistaDevIndex = m_sndOption.GetDefaultIndex();
        m_strDeviceInfo = DeviceName(pc->VistaDevIndex);
    }

    RefreshFormatControls();
    RefreshFileType();
    const std::pair<UINT, int> spins[] = {{IDC_START_HOUR_SPIN, 23}, {IDC_END_HOUR_SPIN, 23},
        {IDC_START_MINUTE_SPIN, 59}, {IDC_END_MINUTE_SPIN, 59}, {IDC_START_AFTER_SPIN, MAX_SCHEDULE_MINUTES},
        {IDC_UNTIL_SPIN, MAX_SCHEDULE_MINUTES}};
    for (const auto& [spin, upper] : spins)
        if (auto* s = static_cast<CSpinButtonCtrl*>(GetDlgItem(spin)))
            s->SetRange(0, upper);
    EnableScheduleControls(m_bSchedule);
    m_strElapsed = FormatElapsed(0);
    UpdateData(FALSE);
    SetRecordingUiState(FALSE);

    if (CMainFrame* frame = GetMainFrame()) {
        if (const SourceSettings* record = CurrentRecord()) {
            frame->ApplyRecordingSource(record->DevIndex, record->CtrlIndex, record->CtrlValue);
        } else {
            m_strDeviceInfo = "[なし]";
            UpdateData(FALSE);
        }
    }
    RedrawWindow();
}

LRESULT CBrisaRecordView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_REC_PROGRESS) {
        OnRecProgress();
        return 0;
    }
    return CFormView::WindowProc(message, wParam, lParam);
}

BOOL CBrisaRecordView::OnCommand(UINT id, UINT code)
{
    if (code == CBN_SELCHANGE) {
        switch (id) {
        case IDC_CHANNELS: OnChannelChange(); return TRUE;
        case IDC_BITS: OnBitsChange(); return TRUE;
        case IDC_RATE: OnRateChange(); return TRUE;
        default: return FALSE;
        }
    }
    if (code != BN_CLICKED)
        return FALSE;
    switch (id) {
    case IDC_AUDIO_OPTIONS: OnAudioOptions(); return TRUE;
    case IDC_RECORD: OnRecord(); return TRUE;
    case IDC_PAUSE: OnPause(); return TRUE;
    case IDC_STOP: OnStop(); return TRUE;
    case IDC_TYPE_WAV:
    case IDC_TYPE_MP3:
    case IDC_TYPE_WMA:
    case IDC_TYPE_OGG: OnFileType(static_cast<int>(id - IDC_TYPE_WAV)); return TRUE;
    case IDC_SCHEDULE: OnScheduleCheck(); return TRUE;
    case IDC_MODE_START_END:
    case IDC_MODE_START_ONLY:
    case IDC_MODE_END_ONLY: OnScheduleMode(); return TRUE;
    case IDC_SHUTDOWN: OnShutdownCheck(); return TRUE;
    default: return FALSE;
    }
}

// --- format controls ---------------------------------------------------

void CBrisaRecordView::RefreshFormatControls()
{
    m_nChannelIndex = 0;
    m_nBitsIndex = 1;
    m_nRateIndex = kDefaultRateIndex;
    const SourceSettings* record = CurrentRecord();
    if (!record)
        return;
    m_nChannelIndex = record->Channel == 2 ? 1 : 0;
    m_nBitsIndex = record->BitCount == 8 ? 0 : 1;
    for (int i = 0; i < static_cast<int>(std::size(kRates)); ++i)
        if (kRates[i] == record->Sample)
            m_nRateIndex = i;
    const std::string name = DeviceName(record->VistaDevIndex);
    m_strDeviceInfo = "[" + (name.empty() ? std::string("なし") : name) + "]";
}

void CBrisaRecordView::RefreshFileType()
{
    SourceSettings* record = CurrentRecord();
    const int type = record ? record->FileType : OFT_WAV;
    m_nFileType = type == OFT_MP3 || type == OFT_WMA || type == OFT_OGG ? type : OFT_WAV;
    if (!CBrisaRecordApp::IsMp3CodecInstalled()) {
        // In memory only; the registry gets it with the next save.
        if (record)
            record->FileType = OFT_WAV;
        m_nFileType = OFT_WAV;
        if (CWnd* mp3 = GetDlgItem(IDC_TYPE_MP3))
            mp3->EnableWindow(FALSE);
    }
}

void CBrisaRecordView::OnChannelChange()
{
    SourceSettings* record = CurrentRecord();
    if (!record)
        return;
    UpdateData(TRUE);
    if (m_nChannelIndex < 0) {
        m_nChannelIndex = 0;
        UpdateData(FALSE);
    }
    record->Channel = m_nChannelIndex == 1 ? 2 : 1;
    GetDocument()->SaveCurrentSettings();
}

void CBrisaRecordView::OnBitsChange()
{
    SourceSettings* record = CurrentRecord();
    if (!record)
        return;
    UpdateData(TRUE);
    if (m_nBitsIndex < 0) {
        m_nBitsIndex = 1;
        UpdateData(FALSE);
    }
    record->BitCount = m_nBitsIndex == 0 ? 8 : 16;
    GetDocument()->SaveCurrentSettings();
}

void CBrisaRecordView::OnRateChange()
{
    SourceSettings* record = CurrentRecord();
    if (!record)
        return;
    UpdateData(TRUE);
    if (m_nRateIndex < 0 || m_nRateIndex >= static_cast<int>(std::size(kRates))) {
        m_nRateIndex = kDefaultRateIndex;
        UpdateData(FALSE);
    }
    record->Sample = kRates[m_nRateIndex];
    GetDocument()->SaveCurrentSettings();
}

void CBrisaRecordView::OnFileType(int type)
{
    SourceSettings* record = CurrentRecord();
    if (!record)
        return;
    UpdateData(TRUE);
    record->FileType = type;
    GetDocument()->SaveCurrentSettings();
}

BOOL CBrisaRecordView::CheckFormatRules(const SourceSettings& record)
{
    std::string message;
    if (::CheckFormatRules(record, &message))
        return TRUE;
    MessageBox(message, {}, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
}

BOOL CBrisaRecordView::HasCaptureDevice(const SourceSettings& record)
{
    return !DeviceName(record.VistaDevIndex).empty();
}

// --- recording ---------------------------------------------------------

void CBrisaRecordView::OnRecord()
{
    if (!CheckScheduleInputs())
        return;
    CBrisaRecordDoc* doc = GetDocument();
    if (!doc)
        return;
    SourceSettings* record = doc->GetCurrentSettings();
    if (!record) {
        MessageBox(MSG_NO_RECORD);
        return;
    }
    if (!HasCaptureDevice(*record)) {
        MessageBox(MSG_NO_CAPTURE_DEVICE);
        return;
    }
    if (!CheckFormatRules(*record))
        return;
    m_recorder.SetOutputType(static_cast<OutputFileType>(record->FileType));
    m_recorder.SetFormat(static_cast<WORD>(record->BitCount), static_cast<WORD>(record->Channel),
        static_cast<DWORD>(record->Sample));
    if (!ComputeRecordingLength())
        return;

    OutputFileInfo type;
    if (!GetOutputFileInfo(m_recorder.GetOutputType(), &type))
        return;
    const std::string defaultName = BuildDefaultFileName(RecorderClock().Now(), type.extension);
    CFileDialog dialog(FALSE, type.extension, defaultName, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, type.filter, this);
    if (dialog.DoModal() != IDOK)
        return;
    if (CMainFrame* frame = GetMainFrame())
        frame->m_strLastRecording.clear();
    if (!ComputeStartAfter())
        return;
    if (!WaitForStart())
        return;

    std::string path = dialog.GetPathName();
    if (Cp932ByteLength(path) > MAX_OUTPUT_PATH_BYTES) {
        MessageBox(MSG_PATH_TOO_LONG);
        return;
    }
    EnsureExtension(path, type.extension);
    if (!m_bSchedule)
        MessageBox(MSG_CLICK_OK_TO_START, {}, MB_OK | MB_ICONINFORMATION);

    m_recorder.SetPath(path);
    if (!m_recorder.Start(this, record->VistaDevIndex)) {
        MessageBox(MSG_CANNOT_RECORD);
        return;
    }
    if (m_bSchedule)
        StartStopTimer();
    SetRecordingUiState(TRUE);
}

void CBrisaRecordView::OnPause()
{
    if (!m_recorder.IsPaused()) {
        SetDlgItemText(IDC_PAUSE, "再録音");
        m_recorder.Pause(true);
    } else {
        SetDlgItemText(IDC_PAUSE, "一時停止");
        m_recorder.Pause(false);
    }
}

void CBrisaRecordView::OnStop()
{
    FinishRecording(FALSE);
}

void CBrisaRecordView::OnAutoStop()
{
    FinishRecording(TRUE);
}

void CBrisaRecordView::FinishRecording(BOOL automatic)
{
    m_recorder.Stop();
    if (m_bSchedule)
        KillStopTimer();
    SetRecordingUiState(FALSE);
    if (CMainFrame* frame = GetMainFrame())
        frame->m_strLastRecording = m_recorder.GetPath();
    // The box is enabled only while scheduled recording is ticked.
    const CWnd* shutdown = GetDlgItem(IDC_SHUTDOWN);
    if (m_bShutdown && shutdown && shutdown->IsWindowEnabled()) {
        ShutdownPC(); // a refused power-off leaves the program idle, silently
        return;
    }
    if (automatic)
        MessageBox(MSG_AUTO_STOPPED);
    else
        MessageBox(MSG_RECORDING_DONE, {}, MB_OK | MB_ICONINFORMATION);
}

void CBrisaRecordView::OnRecProgress()
{
    SetDlgItemText(IDC_ELAPSED, FormatElapsed(m_recorder.GetElapsedMs()));
}

void CBrisaRecordView::SetRecordingUiState(BOOL recording)
{
    UpdateData(TRUE);
    for (UINT id : kIdleOnly)
        if (CWnd* c = GetDlgItem(id))
            c->EnableWindow(!recording);
    EnableScheduleControls(recording ? FALSE : m_bSchedule);
    if (CWnd* pause = GetDlgItem(IDC_PAUSE)) {
        if (!recording)
            pause->SetWindowText("一時停止");
        pause->EnableWindow(recording);
    }
    if (CWnd* stop = GetDlgItem(IDC_STOP))
        stop->EnableWindow(recording);
    if (CMainFrame* frame = GetMainFrame())
        frame->EnableModeBar(!recording);
    if (!CBrisaRecordApp::IsMp3CodecInstalled())
        if (CWnd* mp3 = GetDlgItem(IDC_TYPE_MP3))
            mp3->EnableWindow(FALSE);
}

// --- device options ----------------------------------------------------

void CBrisaRecordView::OnAudioOptions()
{
    CBrisaRecordDoc* doc = GetDocument();
    if (!doc)
        return;
    switch (doc->GetCurrentSource()) {
    case SRC_PCSOUND: ShowPcSoundNotice(); break;
    case SRC_MIC: RunDeviceOptions(SRC_MIC, FALSE); break;
    case SRC_USER: RunDeviceOptions(SRC_USER, FALSE); break;
    default: break;
    }
}

void CBrisaRecordView::ShowPcSoundNotice()
{
    MessageBox(MSG_PC_SOUND_NOTICE);
}

void CBrisaRecordView::RunDeviceOptions(int kind, BOOL automatic)
{
    CDeviceSelectDialog dialog(this);
    dialog.SetOption(&m_sndOption);
    dialog.SetCaption(kind == SRC_MIC ? "マイク設定" : "ユーザ定義設定");
    if (automatic)
        dialog.SetAutomatic();
    CBrisaRecordDoc* doc = GetDocument();
    if (!doc)
        return;
    doc->SetCurrentSource(kind);
    if (const SourceSettings* record = doc->GetCurrentSettings())
        dialog.m_nDeviceIndex = record->VistaDevIndex;
    if (dialog.DoModal() != IDOK)
        return;
    doc->SetCurrentDeviceIndex(dialog.m_nDeviceIndex);
    RefreshFormatControls();
    UpdateData(FALSE);
}
