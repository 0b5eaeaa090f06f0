// Scripted stand-ins for what the agent's cycle reaches: a clock the test
// sets, a connectivity state, a program starter whose programs end with the
// codes the test gives, a support library with a queue of messages, and the
// frame's window.  The log is captured line by line.
#pragma once

#include "agent_services.h"
#include "paramkit.h"
#include "core/text.h"
#include "process/process.h"

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace agenttest {

// The captured log, in UTF-8 for readable failures.
std::vector<std::string>& Log();
int CaptureLogLine(const char16_t* line);

struct ScriptedClock : IClock {
    std::int64_t now = 1'700'000'000;
    std::int64_t Now() override { return now; }
};

struct ScriptedConnectivity : IConnectivity {
    BOOL result = TRUE;
    DWORD flags = 0x02;
    DWORD error = 0;
    BOOL GetConnectedState(DWORD* f) override
    {
        *f = flags;
        SetLastError(error);
        return result;
    }
};

struct StartedProgram {
    std::string program; // file name of the first argument
    std::vector<std::string> args;
    std::string folder;
    int show;
};

struct ScriptedStarter : IProgramStarter {
    DWORD downloadCode = 0;
    DWORD extractCode = 0;
    std::map<std::string, DWORD> startError; // program file name -> error
    bool viewerEnded = false;
    std::vector<StartedProgram> started;
    std::vector<std::string> opened;
    int open = 0; // handles not yet closed

    DWORD CreateProcess(const std::u16string& commandLine, const std::u16string& folder, int show,
        ProgramHandle* process) override
    {
        std::vector<std::string> argv = CommandLineToArgv(Utf16ToUtf8(commandLine));
        std::string name = argv[0].substr(argv[0].rfind('/') + 1);
        argv.erase(argv.begin());
        if (auto e = startError.find(name); e != startError.end())
            return e->second;
        started.push_back({name, argv, Utf16ToUtf8(folder), show});
        ++open;
        *process = started.size(); // never 0
        return 0;
    }
    DWORD Wait(ProgramHandle process, DWORD) override
    {
        return started.at(process - 1).program == "OrvView.exe" && !viewerEnded ? WAIT_TIMEOUT : WAIT_OBJECT_0;
    }
    BOOL GetExitCode(ProgramHandle process, DWORD* code) override
    {
        const std::string& p = started.at(process - 1).program;
        *code = p == "OrvDownload.exe" ? downloadCode : p == "Expandor.exe" ? extractCode : 0;
        return TRUE;
    }
    void Close(ProgramHandle) override { --open; }
    std::intptr_t ShellOpen(const std::u16string& file, int) override
    {
        opened.push_back(Utf16ToUtf8(file));
        return 42;
    }
    int Count(const std::string& program) const
    {
        int n = 0;
        for (const auto& s : started)
            n += s.program == program;
        return n;
    }
};

struct ScriptedSupport : ISupportLibrary {
    std::u16string folder;
    std::deque<std::u16string> messages;
    int error = 0;
    int asked = 0;
    int GetDataFolder(char16_t* buffer, int capacity) override
    {
        std::u16string f = folder.substr(0, capacity - 1);
        std::copy(f.begin(), f.end(), buffer);
        buffer[f.size()] = 0;
        return 1;
    }
    int GetWaitingMessage(void* record, int* waiting) override
    {
        ++asked;
        if (error)
            return error;
        *waiting = !messages.empty();
        if (*waiting) {
            auto* id = reinterpret_cast<char16_t*>(static_cast<unsigned char*>(record) + kOrvMessageIdOffset);
            std::copy(messages.front().begin(), messages.front().end(), id);
            id[messages.front().size()] = 0;
            messages.pop_front();
        }
        return 0;
    }
};

struct ScriptedHost : IFrameHost {
    std::map<UINT, UINT> timers;
    std::vector<std::string> calls;
    std::vector<UINT> posted;
    void SetTimer(UINT id, UINT ms) override
    {
        timers[id] = ms;
        calls.push_back("set " + std::to_string(id) + " " + std::to_string(ms));
    }
    void KillTimer(UINT id) override
    {
        timers.erase(id);
        calls.push_back("kill " + std::to_string(id));
    }
    void PostToSelf(UINT message) override { posted.push_back(message); }
};

// The constants the next CMainFrame reads: key -> text, and the call's result.
struct ScriptedConstants {
    static inline std::map<std::u16string, std::u16string> values;
    static inline int result = 1;
    static std::int32_t Lookup(ConstDataRecord* records, std::int32_t count)
    {
        for (int i = 0; i < count; ++i) {
            records[i].found = 0;
            auto v = values.find(records[i].key);
            if (v != values.end() && static_cast<int>(v->second.size()) < records[i].capacity) {
                std::copy(v->second.begin(), v->second.end(), records[i].value);
                records[i].value[v->second.size()] = 0;
                records[i].found = 1;
            }
        }
        return result;
    }
};

} // namespace agenttest
