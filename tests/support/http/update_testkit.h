// Helpers for the update tools' tests: a child program with its standard
// streams on pipes, and a real HTTP server of our own on 127.0.0.1.
#pragma once

#include "core/wintypes.h"
#include "process/process.h"

#include <string>

namespace updatetest {

// A program started from a command line with stdin and stdout on pipes.
class CChild {
public:
    explicit CChild(const std::string& commandLine);
    ~CChild();
    CChild(const CChild&) = delete;
    CChild& operator=(const CChild&) = delete;

    bool Started() const { return m_process != nullptr; }
    void Write(const std::string& text);
    void CloseInput();
    // The next line of output without its line feed; false at the end of
    // the output or after timeoutMs without one.
    bool ReadLine(std::string* line, int timeoutMs);
    // Closes stdin, collects the rest of stdout, waits; the exit code.
    DWORD Finish();
    // Everything read from stdout so far, ReadLine's lines included.
    const std::string& Output() const { return m_output; }

private:
    bool ReadMore(int timeoutMs);

    HPROCESS m_process = nullptr;
    int m_in = -1;
    int m_out = -1;
    std::string m_output;
    std::size_t m_lineStart = 0;
};

// Runs a command line to its end with the given input; exit code and output.
struct RunResult {
    DWORD code;
    std::string output;
};
RunResult Run(const std::string& commandLine, const std::string& input = "");

// http_server.py serving root; stops with the object.
class CHttpServer {
public:
    explicit CHttpServer(const std::string& root, const std::string& tlsCert = "", const std::string& tlsKey = "");
    int Port() const { return m_port; }
    std::string Url(const std::string& pathAndQuery, const char* scheme = "http") const;

private:
    CChild m_child;
    int m_port = 0;
};

// Quotes an argument for a command line.
inline std::string Quote(const std::string& s) { return "\"" + s + "\""; }

} // namespace updatetest
