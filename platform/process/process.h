// Processes: creation from a Windows-style command line, waiting, exit codes,
// and the shell's "open" of a program, a document or an address.
//
// Program names follow the module-name rule ("X.exe" -> "X"); a program
// given without a folder is looked for in PATH.  Processes are started with
// posix_spawn, never through a shell.
//
// Exit codes: Linux keeps only 8 bits of an exit status, while the system's
// programs end with Win32 codes such as 1223.  A program started here gets a
// private pipe (named by the QX_EXIT_FD environment variable) through which
// ExitCodeForMain passes the full 32-bit code; the parent prefers it to the
// 8-bit status.  A child killed by signal N ends with code 128 + N.
#pragma once

#include "core/wintypes.h"

#include <string>
#include <vector>

struct ProcessObject;
using HPROCESS = ProcessObject*;

// Show values (the window state a program is asked to start in).
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOW = 5;
constexpr int SW_SHOWDEFAULT = 10;

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_TIMEOUT = 258;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD INFINITE = 0xFFFFFFFF;
constexpr DWORD STILL_ACTIVE = 259;

// Splits a command line by the Windows rules: white space separates
// arguments, double quotes group, 2n backslashes before a quote give n
// backslashes and a quote that toggles grouping, 2n+1 give n and a literal
// quote; "" inside a group is a literal quote.  The program name (first
// argument) ends at the first space outside quotes and takes no escapes.
std::vector<std::string> CommandLineToArgv(const std::string& commandLine);

// Standard handles for a child: file descriptors to become its 0, 1 and 2
// (-1 leaves the parent's).
struct StdHandles {
    int in = -1;
    int out = -1;
    int err = -1;
};

// Starts the program named by the first argument of commandLine, with the
// rest as its arguments, in workingFolder (empty: the current one).  The show
// value is passed to the child as QX_SHOW for programs that have a window.
// Returns ERROR_SUCCESS and the process, or the error (ERROR_FILE_NOT_FOUND
// when the program does not exist).
DWORD CreateProcess(const std::string& commandLine, const std::string& workingFolder, int show, HPROCESS* process,
    const StdHandles* std = nullptr);

// WAIT_OBJECT_0 once the process has ended, WAIT_TIMEOUT, or WAIT_FAILED.
DWORD WaitForSingleObject(HPROCESS process, DWORD milliseconds);
// STILL_ACTIVE while the process runs, else its exit code.
BOOL GetExitCodeProcess(HPROCESS process, DWORD* code);
// Gives up the handle; a process still running goes on and is reaped later.
BOOL CloseHandle(HPROCESS process);
// The process identifier, for tests and diagnostics.
int GetProcessId(HPROCESS process);

// The shell's "open" (verb empty or "open"):
// - an address ("scheme:" with two or more letters, such as https: or
//   mailto:) or a document (an existing file that is not executable) is
//   handed to the desktop's opener (xdg-open, or $QX_SHELL_OPEN when set)
//   with the file as its only argument; parameters are not passed;
// - an executable program is started with the parameters split by the
//   command-line rules.
// Returns a value above 32 on success, else an error (2 file not found,
// 31 no association, ...).
std::intptr_t ShellExecute(const std::string& verb, const std::string& file, const std::string& parameters,
    const std::string& folder, int show);

// As ShellExecute, also giving the started process when asked (the opener's
// process for documents and addresses).  FALSE on failure with the last error.
BOOL ShellExecuteEx(const std::string& verb, const std::string& file, const std::string& parameters,
    const std::string& folder, int show, HPROCESS* process);

// What a program's main returns to end with a full 32-bit code: hands the
// code to the parent (see above) and returns its low 8 bits.
int ExitCodeForMain(DWORD code);

// Anonymous pipe; both ends close on exec unless given as StdHandles.
BOOL CreatePipe(int* readEnd, int* writeEnd);
