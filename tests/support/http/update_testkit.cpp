#include "update_testkit.h"

#include <chrono>
#include <poll.h>
#include <unistd.h>

namespace updatetest {

CChild::CChild(const std::string& commandLine)
{
    int inRead = -1, outWrite = -1;
    if (!CreatePipe(&inRead, &m_in) || !CreatePipe(&m_out, &outWrite))
        return;
    StdHandles std;
    std.in = inRead;
    std.out = outWrite;
    CreateProcess(commandLine, "", SW_SHOWDEFAULT, &m_process, &std);
    ::close(inRead);
    ::close(outWrite);
}

CChild::~CChild()
{
    if (m_process)
        Finish();
    if (m_out >= 0)
        ::close(m_out);
}

void CChild::Write(const std::string& text)
{
    if (m_in >= 0)
        [[maybe_unused]] ssize_t n = ::write(m_in, text.data(), text.size());
}

void CChild::CloseInput()
{
    if (m_in >= 0)
        ::close(m_in);
    m_in = -1;
}

bool CChild::ReadMore(int timeoutMs)
{
    pollfd p{m_out, POLLIN, 0};
    if (m_out < 0 || ::poll(&p, 1, timeoutMs) <= 0)
        return false;
    char buf[65536];
    ssize_t n = ::read(m_out, buf, sizeof buf);
    if (n <= 0)
        return false;
    m_output.append(buf, static_cast<std::size_t>(n));
    return true;
}

bool CChild::ReadLine(std::string* line, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::size_t lf = m_output.find('\n', m_lineStart);
        if (lf != std::string::npos) {
            *line = m_output.substr(m_lineStart, lf - m_lineStart);
            m_lineStart = lf + 1;
            return true;
        }
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !ReadMore(static_cast<int>(left.count())))
            return false;
    }
}

DWORD CChild::Finish()
{
    CloseInput();
    if (!m_process)
        return 0xDEAD;
    while (ReadMore(-1)) {}
    DWORD code = 0xDEAD;
    WaitForSingleObject(m_process, INFINITE);
    GetExitCodeProcess(m_process, &code);
    CloseHandle(m_process);
    m_process = nullptr;
    return code;
}

RunResult Run(const std::string& commandLine, const std::string& input)
{
    CChild child(commandLine);
    child.Write(input);
    DWORD code = child.Finish();
    return {code, child.Output()};
}

CHttpServer::CHttpServer(const std::string& root, const std::string& tlsCert, const std::string& tlsKey)
    : m_child("python3 " + Quote(std::string(QX_SOURCE_DIR) + "/tests/support/http/http_server.py") + " " + Quote(root)
          + (tlsCert.empty() ? "" : " --tls " + Quote(tlsCert) + " " + Quote(tlsKey)))
{
    std::string line;
    if (m_child.ReadLine(&line, 20000) && line.rfind("PORT ", 0) == 0)
        m_port = std::stoi(line.substr(5));
}

std::string CHttpServer::Url(const std::string& pathAndQuery, const char* scheme) const
{
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(m_port) + "/" + pathAndQuery;
}

} // namespace updatetest
