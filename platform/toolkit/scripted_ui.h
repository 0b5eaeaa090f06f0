// A UI service that answers without a person, for tests and unattended runs:
// it records every message box and file dialog, answers them from queues,
// and lets a handler act on each modal dialog while it runs.  Installed for
// its lifetime.
#pragma once

#include "ui_service.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ScriptedUi final : public IUiService {
public:
    ScriptedUi();
    ~ScriptedUi() override;
    ScriptedUi(const ScriptedUi&) = delete;
    ScriptedUi& operator=(const ScriptedUi&) = delete;

    struct Shown {
        std::string text;
        std::string caption;
        UINT type;
        bool owned; // had an owner window
    };

    // Every message box, in order.  Answers come from messageAnswers; when
    // that is empty, the box's first button (IDOK or IDYES).
    std::vector<Shown> messages;
    std::deque<int> messageAnswers;

    // File dialogs: the path to choose, or nullopt to cancel; cancelled when
    // the queue is empty.
    std::vector<FileDialogRequest> fileRequests;
    std::deque<std::optional<std::string>> fileAnswers;

    // Modal dialogs: each run takes the next handler, which acts on the live
    // dialog (clicks its controls, calls EndDialog); a dialog still running
    // afterwards, or one without handler, ends with IDCANCEL.
    std::vector<UINT> modalTemplates;
    std::deque<std::function<void(CDialog&)>> modalHandlers;

    // Texts of the message boxes shown, for compact checks.
    std::vector<std::string> Texts() const;

    int MessageBox(const MessageBoxRequest& request) override;
    BOOL FileDialog(const FileDialogRequest& request, std::string* path) override;
    int RunModal(CDialog& dialog) override;

private:
    IUiService* m_previous;
};
