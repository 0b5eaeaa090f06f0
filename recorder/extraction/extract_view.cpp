#include "extraction/extract_view.h"

#include "app/brisa_record_app.h"
#include "app/main_frame.h"
#include "app/path_utils.h"
#include "core/text.h"
#include "core/waveformat.h"
#include "recording/format_rules.h"
#include "res/extract_form.h"
#include "res/resource.h"
#include "toolkit/dialog.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

namespace {

// The lists' entries and the values they stand for.
const char* const kChannelItems[] = {"モノラル", "ステレオ"};
const WORD kChannels[] = {1, 2};
const char* const kBitItems[] = {"8 Bit", "16 Bit"};
const WORD kBits[] = {8, 16};
const char* const kRateItems[] = {"8 KHz", "11 KHz", "22 KHz", "44 KHz", "48 KHz"};
const DWORD kRates[] = {8000, 11025, 22050, 44100, 48000};

constexpr const char* kVideoFilter =
    "動画ファイル(*.avi, *.wmv)|*.avi;*.wmv|AVI 動画ファイル(*.avi)|*.avi|WMV 動画ファイル(*.wmv)|*.wmv|全ファイル(*.*)|*.*||";
// By OutputFileType.
const char* const kOutputFilters[] = {"WAV ファイル(*.wav)|*.wav||", "MP3 ファイル(*.mp3)|*.mp3||",
    "WMA ファイル(*.wma)|*.wma||", "OGG ファイル(*.ogg)|*.ogg||"};

// Every control of the form, and those an extraction disables.
const UINT kAllControls[] = {IDC_EXTRACT_SOURCE, IDC_EXTRACT_VIDEO_INFO, IDC_EXTRACT_AUDIO_INFO, IDC_EXTRACT_OUTPUT,
    IDC_EXTRACT_BROWSE_SOURCE, IDC_EXTRACT_BROWSE_OUTPUT, IDC_EXTRACT_WAV, IDC_EXTRACT_MP3, IDC_EXTRACT_WMA,
    IDC_EXTRACT_OGG, IDC_EXTRACT_CHANNELS, IDC_EXTRACT_BITS, IDC_EXTRACT_RATE, IDC_EXTRACT_PROGRESS,
    IDC_EXTRACT_START, IDC_EXTRACT_CANCEL};
const UINT kSettingControls[] = {IDC_EXTRACT_SOURCE, IDC_EXTRACT_VIDEO_INFO, IDC_EXTRACT_AUDIO_INFO,
    IDC_EXTRACT_OUTPUT, IDC_EXTRACT_BROWSE_SOURCE, IDC_EXTRACT_BROWSE_OUTPUT, IDC_EXTRACT_WAV, IDC_EXTRACT_MP3,
    IDC_EXTRACT_WMA, IDC_EXTRACT_OGG, IDC_EXTRACT_CHANNELS, IDC_EXTRACT_BITS, IDC_EXTRACT_RATE};

// Index of value in a table, or -1.
template <class T, std::size_t N> int IndexOf(const T (&table)[N], long value)
{
    const auto it = std::find(std::begin(table), std::end(table), static_cast<T>(value));
    return it == std::end(table) || static_cast<long>(*it) != value ? -1 : static_cast<int>(it - std::begin(table));
}

void RemoveFile(const std::string& path)
{
    std::error_code ec;
    std::filesystem::remove(path, ec);
}

} // namespace

CExtractView::CExtractView() : CFormView(IDD_EXTRACT_FORM) {}

CMainFrame* CExtractView::GetMainFrame() const
{
    return dynamic_cast<CMainFrame*>(GetParentFrame());
}

CComboBox* CExtractView::Combo(UINT id) const
{
    return static_cast<CComboBox*>(GetDlgItem(id));
}

void CExtractView::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_EXTRACT_SOURCE, m_strSourcePath);
    DDX_Text(dx, IDC_EXTRACT_AUDIO_INFO, m_strAudioInfo);
    DDX_Text(dx, IDC_EXTRACT_VIDEO_INFO, m_strVideoInfo);
    DDX_Text(dx, IDC_EXTRACT_OUTPUT, m_strOutputPath);
    DDX_Radio(dx, IDC_EXTRACT_WAV, m_nOutputType);
}

void CExtractView::OnInitialUpdate()
{
    // The lists' entries belong to the form as drawn.
    for (const char* item : kChannelItems)
        Combo(IDC_EXTRACT_CHANNELS)->AddString(item);
    for (const char* item : kBitItems)
        Combo(IDC_EXTRACT_BITS)->AddString(item);
    for (const char* item : kRateItems)
        Combo(IDC_EXTRACT_RATE)->AddString(item);
    CFormView::OnInitialUpdate();

    EnableForExtraction(FALSE);
    if (!CBrisaRecordApp::IsMp3CodecInstalled())
        m_nOutputType = OFT_WAV; // EnableForExtraction has disabled its radio
    SetDefaultFormat();
    UpdateData(FALSE);
}

BOOL CExtractView::OnCommand(UINT id, UINT code)
{
    if (code != BN_CLICKED)
        return FALSE;
    switch (id) {
    case IDC_EXTRACT_BROWSE_SOURCE: OnBrowseSource(); return TRUE;
    case IDC_EXTRACT_BROWSE_OUTPUT: OnBrowseOutput(); return TRUE;
    case IDC_EXTRACT_START: OnStartPause(); return TRUE;
    case IDC_EXTRACT_CANCEL: OnCancelExtraction(); return TRUE;
    case IDC_EXTRACT_WAV:
    case IDC_EXTRACT_MP3:
    case IDC_EXTRACT_WMA:
    case IDC_EXTRACT_OGG: OnFileTypeClicked(); return TRUE;
    default: return FALSE;
    }
}

BOOL CExtractView::CheckDumpFilter()
{
    if (m_Extractor.IsDumpFilterAvailable())
        return TRUE;
    EnableAllControls(FALSE);
    AfxMessageBox(MSG_DUMP_FILTER_MISSING, MB_OK);
    return FALSE;
}

void CExtractView::SetDefaultFormat()
{
    Combo(IDC_EXTRACT_BITS)->SetCurSel(IndexOf(kBits, 16));
    Combo(IDC_EXTRACT_CHANNELS)->SetCurSel(IndexOf(kChannels, 2));
    Combo(IDC_EXTRACT_RATE)->SetCurSel(IndexOf(kRates, 44100));
    static_cast<CProgressCtrl*>(GetDlgItem(IDC_EXTRACT_PROGRESS))->SetRange(0, 200);
}

void CExtractView::DisableMp3WithoutEncoder()
{
    if (!CBrisaRecordApp::IsMp3CodecInstalled())
        GetDlgItem(IDC_EXTRACT_MP3)->EnableWindow(FALSE);
}

void CExtractView::EnableAllControls(BOOL enable)
{
    for (UINT id : kAllControls)
        GetDlgItem(id)->EnableWindow(enable);
    DisableMp3WithoutEncoder();
}

void CExtractView::EnableForExtraction(BOOL extracting)
{
    if (CMainFrame* frame = GetMainFrame()) {
        frame->EnableModeBar(!extracting);
        if (frame->m_pMenuBar)
            frame->m_pMenuBar->EnableWindow(!extracting);
    }
    for (UINT id : kSettingControls)
        GetDlgItem(id)->EnableWindow(!extracting);
    GetDlgItem(IDC_EXTRACT_PROGRESS)->EnableWindow(TRUE);
    GetDlgItem(IDC_EXTRACT_START)->EnableWindow(TRUE);
    GetDlgItem(IDC_EXTRACT_CANCEL)->EnableWindow(extracting);
    DisableMp3WithoutEncoder();
}

const char* CExtractView::ExtensionForType(int type)
{
    static const char* const kExtensions[] = {"wav", "mp3", "wma", "ogg"};
    return type >= OFT_WAV && type <= OFT_OGG ? kExtensions[type] : "";
}

std::string CExtractView::ChangeExtension(const std::string& path, const std::string& extension)
{
    // Only the file name's dot counts: folders here often carry dots
    // (".videos", "my.films"), and one of theirs would cut the path short.
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return path.substr(0, dot + 1) + extension;
}

void CExtractView::OnBrowseSource()
{
    CWaitCursor wait;
    CFileDialog dlg(TRUE, "avi", {}, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kVideoFilter, nullptr);
    if (dlg.DoModal() != IDOK)
        return;
    const std::string path = dlg.GetPathName();
    if (!OpenSourceFile(path)) {
        MessageBox(MSG_SOURCE_NOT_READABLE, {}, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (InspectSource()) {
        UpdateData(TRUE);
        SetOutputForType(path, m_nOutputType);
    }
}

BOOL CExtractView::OpenSourceFile(const std::string& path)
{
    const BOOL opened = m_Extractor.OpenSource(path);
    if (opened) {
        m_strSourcePath = path;
    } else {
        m_strSourcePath.clear();
        m_strAudioInfo = "なし";
        m_strVideoInfo = "なし";
    }
    UpdateData(FALSE);
    return opened;
}

BOOL CExtractView::InspectSource()
{
    m_strAudioInfo.clear();
    m_strVideoInfo.clear();
    std::string name;
    const BOOL hasVideo = m_Extractor.GetVideoInfo(&name);
    if (hasVideo)
        m_strVideoInfo = name;
    std::string codec;
    int channels = 0, rate = 0, bits = 0;
    const BOOL hasAudio = m_Extractor.GetAudioInfo(&codec, &channels, &rate, &bits);
    const BOOL usable = hasAudio && channels < 3;
    if (usable) {
        char info[512];
        std::snprintf(info, sizeof info, "%s, %d チャンネル, %d ビット, %d KHz", codec.c_str(), channels, bits, rate / 1000);
        m_strAudioInfo = info;
        // Entries the source does not match keep their selection.
        if (const int i = IndexOf(kChannels, channels); i >= 0)
            Combo(IDC_EXTRACT_CHANNELS)->SetCurSel(i);
        if (const int i = IndexOf(kBits, bits); i >= 0)
            Combo(IDC_EXTRACT_BITS)->SetCurSel(i);
        if (const int i = IndexOf(kRates, rate); i >= 0)
            Combo(IDC_EXTRACT_RATE)->SetCurSel(i);
    }
    if (hasVideo && usable) {
        UpdateData(FALSE);
        return TRUE;
    }
    std::string message;
    if (!hasVideo)
        message += MSG_NO_VIDEO_FILTER;
    if (!hasAudio)
        message += MSG_NO_AUDIO_FILTER;
    if (!usable)
        message += MSG_AUDIO_NOT_USABLE;
    m_strSourcePath.clear();
    m_strOutputPath.clear();
    m_strAudioInfo = "なし";
    m_strVideoInfo = "なし";
    UpdateData(FALSE);
    AfxMessageBox(message, MB_OK);
    return FALSE;
}

void CExtractView::SetOutputForType(const std::string& path, int type)
{
    const char* extension = ExtensionForType(type);
    if (!*extension)
        return;
    m_strOutputPath = ChangeExtension(path, extension);
    UpdateData(FALSE);
}

void CExtractView::SetOutputPath(const std::string& path)
{
    m_strOutputPath = path;
    UpdateData(FALSE);
}

void CExtractView::OnFileTypeClicked()
{
    UpdateData(TRUE);
    SetOutputForType(m_strOutputPath, m_nOutputType);
}

void CExtractView::OnBrowseOutput()
{
    UpdateData(TRUE);
    const char* extension = ExtensionForType(m_nOutputType);
    if (!*extension)
        return;
    CFileDialog dlg(FALSE, extension, {}, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kOutputFilters[m_nOutputType], nullptr);
    if (dlg.DoModal() == IDOK)
        SetOutputPath(dlg.GetPathName());
}

void CExtractView::OnStartPause()
{
    if (m_bExtracting)
        TogglePauseExtraction();
    else if (!m_bInEngine) // after a cancel the engine may still be converting
        StartExtraction();
}

WAVEFORMATEX CExtractView::ReadOutputFormat() const
{
    const int c = Combo(IDC_EXTRACT_CHANNELS)->GetCurSel();
    const int b = Combo(IDC_EXTRACT_BITS)->GetCurSel();
    const int r = Combo(IDC_EXTRACT_RATE)->GetCurSel();
    const WORD channels = c >= 0 ? kChannels[c] : 0;
    const WORD bits = b >= 0 ? kBits[b] : 0;
    const DWORD rate = r >= 0 ? kRates[r] : 0;
    return MakePcmFormat(rate, channels, bits);
}

void CExtractView::StartExtraction()
{
    UpdateData(TRUE);
    const char* extension = ExtensionForType(m_nOutputType);
    if (!m_strOutputPath.empty() && *extension)
        EnsureExtension(m_strOutputPath, extension);
    UpdateData(FALSE);
    const std::string source = m_strSourcePath;
    const std::string output = m_strOutputPath;

    const auto refuse = [this](const std::string& text) { MessageBox(text, {}, MB_OK | MB_ICONEXCLAMATION); };
    if (!FileExists(source))
        return refuse(MSG_SOURCE_MISSING);
    if (output.empty())
        return refuse(MSG_NO_OUTPUT_NAME);
    if (EqualsNoCase(source, output))
        return refuse(MSG_OUTPUT_IS_SOURCE);
    if (FileExists(output)) {
        char question[1024];
        std::snprintf(question, sizeof question, MSG_OVERWRITE_FORMAT, output.c_str());
        if (MessageBox(question, {}, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    }
    if (!m_Extractor.OpenSource(source) || !m_Extractor.PrepareExtraction(output, m_nOutputType))
        return;
    const WAVEFORMATEX format = ReadOutputFormat();
    if (!CheckOutputFormat(format, m_nOutputType))
        return;

    m_bSecondStage = FALSE;
    m_bExtracting = TRUE;
    m_bPaused = FALSE;
    SetDlgItemText(IDC_EXTRACT_START, "一時停止");
    EnableForExtraction(TRUE);

    // Pause and cancel arrive through the progress callback's dispatching.
    m_bInEngine = TRUE;
    m_Extractor.Extract(GetSafeHwnd(), ExtractProgress, this, &format);
    m_bInEngine = FALSE;

    if (m_bExtracting) {
        ResetExtractionState();
        if (CMainFrame* frame = GetMainFrame())
            frame->m_strLastRecording = output;
        MessageBox(MSG_EXTRACTION_DONE, {}, MB_OK | MB_ICONINFORMATION);
    } else {
        RemoveFile(output); // cancelled: what was captured before the cancel is not wanted
    }
    EnableForExtraction(FALSE);
}

BOOL CExtractView::CheckOutputFormat(const WAVEFORMATEX& format, int type)
{
    const char* reason = FormatRefusalReason(type, format.wBitsPerSample, format.nChannels,
        static_cast<int>(format.nSamplesPerSec));
    if (!reason)
        return TRUE;
    MessageBox(FileTypeRuleName(type) + " : " + reason, {}, MB_OK | MB_ICONEXCLAMATION);
    return FALSE;
}

void CExtractView::TogglePauseExtraction()
{
    if (!m_bExtracting)
        return;
    m_Extractor.TogglePause(m_bPaused);
    m_bPaused = !m_bPaused;
    SetDlgItemText(IDC_EXTRACT_START, m_bPaused ? "抽出再開" : "一時停止");
}

void CExtractView::ResetExtractionState()
{
    m_bSecondStage = FALSE;
    m_bExtracting = FALSE;
    m_Extractor.Cancel();
    SetDlgItemText(IDC_EXTRACT_START, "抽出開始");
}

void CExtractView::OnCancelExtraction()
{
    ResetExtractionState();
    static_cast<CProgressCtrl*>(GetDlgItem(IDC_EXTRACT_PROGRESS))->SetPos(0);
    // Until Extract returns the start button cannot start anything.
    if (m_bInEngine)
        GetDlgItem(IDC_EXTRACT_START)->EnableWindow(FALSE);
    MessageBox(MSG_EXTRACTION_CANCELLED, {}, MB_OK);
    RemoveFile(m_strOutputPath);
}

void CExtractView::ExtractProgress(DWORD done, DWORD total, void* user)
{
    if (user)
        static_cast<CExtractView*>(user)->OnExtractProgress(done, total);
}

void CExtractView::OnExtractProgress(DWORD done, DWORD total)
{
    // A stage without length is complete; lengths beyond 2 GB stay positive.
    int percent = 100;
    if (total != 0)
        percent = static_cast<int>(std::min(100.0, static_cast<double>(done) / static_cast<double>(total) * 100));
    // After a cancel the bar stays at 0, also while the engine converts
    // what it captured.
    const int position = !m_bExtracting ? 0 : percent + (m_bSecondStage ? 100 : 0);
    if (auto* bar = static_cast<CProgressCtrl*>(GetDlgItem(IDC_EXTRACT_PROGRESS)))
        bar->SetPos(position);
    if (!m_bSecondStage && done == total)
        m_bSecondStage = TRUE;
    AfxPumpWaitingMessages();
}
