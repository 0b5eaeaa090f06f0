#include "main_frame.h"

#include "core/text.h"
#include "files/tempfile.h"
#include "message_file.h"
#include "msgloop/msgloop.h"
#include "net/connectivity.h"
#include "orv_log.h"
#include "paramkit.h"
#include "process/process.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>

const char* const kFrameClassName = "Main.ORV.Velmora";
const char* const kCheckMessageName = "checkMessage.MainFrm.orv.velmora";
const char16_t* const kTempDataFileName = u"orvTempDataOrv";

namespace {

constexpr int kPathCapacity = 260;

std::filesystem::path FsPath(const std::u16string& path)
{
    return std::filesystem::path(Utf16ToUtf8(path));
}

void DeleteFileQuietly(const std::u16string& path)
{
    std::error_code ec;
    std::filesystem::remove(FsPath(path), ec);
}

} // namespace

double DecimalValue(const std::u16string& text)
{
    // Only what the conversion of the original platform accepts: blanks,
    // sign, digits, one dot, an exponent (no "inf", "nan" or hexadecimal).
    std::string s = Utf16ToUtf8(text);
    std::size_t i = s.find_first_not_of(" \t\r\n");
    if (i == std::string::npos)
        return 0.0;
    std::size_t j = i;
    if (s[j] == '+' || s[j] == '-')
        ++j;
    const std::size_t digitsFrom = j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
        ++j;
    if (j < s.size() && s[j] == '.')
        ++j;
    while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j])))
        ++j;
    if (j == digitsFrom || (j == digitsFrom + 1 && s[digitsFrom] == '.'))
        return 0.0;
    if (j < s.size() && (s[j] == 'e' || s[j] == 'E')) {
        std::size_t k = j + 1;
        if (k < s.size() && (s[k] == '+' || s[k] == '-'))
            ++k;
        if (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]))) {
            while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])))
                ++k;
            j = k;
        }
    }
    return std::strtod(s.substr(i, j - i).c_str(), nullptr);
}

CMainFrame::CMainFrame(const AgentServices& services, IFrameHost& host)
    : m_services(services),
      m_host(host),
      m_launcher(services.starter, services.programFolder),
      m_nCheckMessage(RegisterWindowMessage(kCheckMessageName))
{
}

CMainFrame::~CMainFrame()
{
    if (m_hViewerProcess)
        m_services.starter.Close(m_hViewerProcess);
}

bool CMainFrame::Dispatch(UINT message, WPARAM wParam)
{
    if (message == WM_TIMER)
        OnTimer(static_cast<UINT>(wParam));
    else if (message == m_nCheckMessage)
        OnCheckMessage();
    else
        return false;
    return true;
}

int CMainFrame::OnCreate()
{
    ReadConstants();
    m_host.SetTimer(kViewerTimer, kViewerPeriodMs);
    RemoveTempDataFile();
    CheckCycle();
    m_host.SetTimer(kCheckTimer, kCheckPeriodMs);
    return 0;
}

void CMainFrame::OnTimer(UINT id)
{
    if (id == kCheckTimer)
        CheckCycle();
    else if (id == kViewerTimer)
        WatchViewer();
}

void CMainFrame::OnCheckMessage()
{
    CheckPopup();
}

void CMainFrame::OnClose()
{
    RemoveTempDataFile();
}

void CMainFrame::ReadConstants()
{
    char16_t url[1000] = {};
    char16_t check[10] = {};
    char16_t update[10] = {};
    ConstDataRecord records[] = {
        {u"/data/messageFileUrl", url, 1000, 0},
        {u"/data/checkInterval", check, 10, 0},
        {u"/data/updateInterval", update, 10, 0},
    };
    if (!m_services.constLookup || m_services.constLookup(records, 3) != 1)
        return;
    m_strMessageFileUrl = url;
    if (records[1].found)
        m_dCheckInterval = DecimalValue(check);
    if (records[2].found)
        m_dUpdateInterval = DecimalValue(update);
}

std::u16string CMainFrame::DataFolder()
{
    char16_t folder[kPathCapacity] = {};
    m_services.support.GetDataFolder(folder, kPathCapacity);
    folder[kPathCapacity - 1] = 0;
    return folder;
}

void CMainFrame::RemoveTempDataFile()
{
    const std::filesystem::path path = FsPath(PathAppend(DataFolder(), kTempDataFileName));
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return;
    // The read-only attribute: a file without write permission.
    std::filesystem::permissions(path, std::filesystem::perms::owner_write, std::filesystem::perm_options::add, ec);
    std::filesystem::remove(path, ec);
}

void CMainFrame::CheckCycle()
{
    DWORD flags = 0;
    if (!m_services.connectivity.GetConnectedState(&flags)) {
        WriteLog(u"InternetGetConnectedState ERR : 0x%08X", GetLastError());
        return;
    }
    WriteLog(u"InternetGetConnectedState: 0x%08X", flags);
    if (flags & INTERNET_CONNECTION_OFFLINE)
        return;
    CheckDownload();
    if (m_bMessagesReady) {
        CheckUpdate();
        CheckPopup();
    }
}

bool CMainFrame::IsDue(double intervalHours, std::int64_t last, const char16_t* invalidLine, const char16_t* endLine,
    std::int64_t* now)
{
    *now = m_services.clock.Now();
    const double span = static_cast<double>(*now - last) / 3600.0;
    WriteLog(u"span: %f", span);
    if (span >= intervalHours)
        return true;
    if (last > *now + 3600) {
        // The clock went back: a time in the future says nothing.
        WriteLog(u"%s", invalidLine);
        return true;
    }
    WriteLog(u"%s", endLine);
    return false;
}

void CMainFrame::CheckDownload()
{
    WriteLog(u"START CheckDownload");
    std::int64_t now;
    if (!IsDue(m_dCheckInterval, m_tLastDownloadTime, u"Invalid lastDownloadTime", u"END CheckDownload", &now))
        return;
    m_host.KillTimer(kCheckTimer); // no check queues up behind a long download
    m_bMessagesReady = UpdateMessage();
    m_host.SetTimer(kCheckTimer, kCheckPeriodMs);
    m_tLastDownloadTime = m_services.clock.Now();
    WriteLog(u"END CheckDownload");
}

BOOL CMainFrame::UpdateMessage()
{
    WriteLog(u"START UpdateMessage");
    DWORD code;
    const std::string placeholder = GetTempFileName("", "orv");
    if (placeholder.empty()) {
        code = GetLastError();
    } else {
        const std::u16string extension = MessageFileExtension(m_strMessageFileUrl);
        const std::u16string tempFile = extension.empty()
            ? Utf8ToUtf16(placeholder)
            : ReplaceTempExtension(Utf8ToUtf16(placeholder), extension);
        code = m_launcher.RunDownload(tempFile, m_strMessageFileUrl);
        if (code == ERROR_SUCCESS)
            code = m_launcher.RunExtract(DataFolder(), tempFile);
        DeleteFileQuietly(tempFile);
        // The empty file that reserved the name goes too, or one would be
        // left in the temporary folder for every download.
        DeleteFileQuietly(Utf8ToUtf16(placeholder));
    }
    WriteLog(u"END UpdateMessage: 0x%08X", code);
    return code == ERROR_SUCCESS;
}

void CMainFrame::CheckUpdate()
{
    WriteLog(u"START CheckUpdate");
    std::int64_t now;
    if (!IsDue(m_dUpdateInterval, m_tLastUpdateCheckTime, u"Invalid lastUpdateCheckTime", u"END CheckUpdate", &now))
        return;
    m_tLastUpdateCheckTime = now;
    WriteLog(u"Exec Patchrun.exe");
    m_launcher.StartUpdateProgram();
    WriteLog(u"END CheckUpdate");
}

void CMainFrame::CheckPopup()
{
    WriteLog(u"START CheckPopup");
    if (m_hViewerProcess) {
        WriteLog(u"END CheckPopup: orvview is active");
        return;
    }
    alignas(8) unsigned char record[kOrvMessageRecordSize] = {};
    int waiting = 0;
    const int r = m_services.support.GetWaitingMessage(record, &waiting);
    if (r != 0) {
        WriteLog(u"CheckPopup Err: 0x%08X", static_cast<unsigned>(r));
        return;
    }
    if (!waiting) {
        WriteLog(u"CheckPopup No Message");
        return;
    }
    // The identifier ends within the record, whatever the library left there.
    const char16_t* id = reinterpret_cast<const char16_t*>(record + kOrvMessageIdOffset);
    const std::size_t maxChars = (kOrvMessageRecordSize - kOrvMessageIdOffset) / sizeof(char16_t);
    const std::u16string_view idView(id, maxChars);
    const std::u16string messageId(idView.substr(0, idView.find(u'\0')));
    WriteLog(u"CheckPopup MessageID:%s", messageId.c_str());
    m_hViewerProcess = m_launcher.StartViewer(messageId);
    WriteLog(u"END CheckPopup");
}

void CMainFrame::WatchViewer()
{
    if (!m_hViewerProcess || m_services.starter.Wait(m_hViewerProcess, 0) == WAIT_TIMEOUT)
        return;
    m_services.starter.Close(m_hViewerProcess);
    m_hViewerProcess = 0;
    m_host.PostToSelf(m_nCheckMessage);
}
