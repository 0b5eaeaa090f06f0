// The one place where the toolkit asks the person at the screen something:
// message boxes, file dialogs and modal dialog runs.  The real service shows
// Qt widgets; tests install a scripted one (scripted_ui.h) that answers
// without a person, so every form runs on Qt's offscreen platform.
//
// All calls happen on the user-interface thread.
#pragma once

#include "core/wintypes.h"

#include <string>

class CWnd;
class CDialog;

// Message box types: buttons in the low nibble, the icon in the next one.
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_OKCANCEL = 0x01;
constexpr UINT MB_YESNO = 0x04;
constexpr UINT MB_ICONSTOP = 0x10; // also MB_ICONHAND, MB_ICONERROR
constexpr UINT MB_ICONQUESTION = 0x20;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;
constexpr UINT MB_TYPEMASK = 0x0F;
constexpr UINT MB_ICONMASK = 0xF0;

// Dialog results.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

struct MessageBoxRequest {
    CWnd* owner = nullptr; // null: a box without owner
    std::string text;
    std::string caption;
    UINT type = MB_OK;
};

struct FileDialogRequest {
    CWnd* owner = nullptr;
    bool open = true;        // false: a save dialog
    std::string initialPath; // folder and/or file name proposed
    std::string filter;      // "WAV ファイル (*.wav)|*.wav||" as the platform writes it
    std::string defaultExt;  // without the dot; appended by the dialog when the name has none
    UINT flags = 0;
};

class IUiService {
public:
    virtual ~IUiService() = default;
    // IDOK, IDCANCEL, IDYES or IDNO.
    virtual int MessageBox(const MessageBoxRequest& request) = 0;
    // TRUE with the chosen path, FALSE when cancelled.
    virtual BOOL FileDialog(const FileDialogRequest& request, std::string* path) = 0;
    // Runs a dialog whose window exists and whose OnInitDialog has run, until
    // it ends; returns the code given to EndDialog.
    virtual int RunModal(CDialog& dialog) = 0;
};

// The service in use; the Qt one unless a test installed another.
IUiService& UiService();
// Installs a service (null restores the Qt one); the caller keeps ownership.
void SetUiService(IUiService* service);
