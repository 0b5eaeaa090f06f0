#include "scripted_ui.h"

#include "dialog.h"

ScriptedUi::ScriptedUi() : m_previous(&UiService())
{
    SetUiService(this);
}

ScriptedUi::~ScriptedUi()
{
    SetUiService(m_previous == this ? nullptr : m_previous);
}

std::vector<std::string> ScriptedUi::Texts() const
{
    std::vector<std::string> out;
    for (const Shown& s : messages)
        out.push_back(s.text);
    return out;
}

int ScriptedUi::MessageBox(const MessageBoxRequest& r)
{
    messages.push_back({r.text, r.caption, r.type, r.owner != nullptr});
    if (!messageAnswers.empty()) {
        const int a = messageAnswers.front();
        messageAnswers.pop_front();
        return a;
    }
    return (r.type & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
}

BOOL ScriptedUi::FileDialog(const FileDialogRequest& r, std::string* path)
{
    fileRequests.push_back(r);
    if (fileAnswers.empty())
        return FALSE;
    const std::optional<std::string> a = fileAnswers.front();
    fileAnswers.pop_front();
    if (!a)
        return FALSE;
    *path = *a;
    return TRUE;
}

int ScriptedUi::RunModal(CDialog& dialog)
{
    modalTemplates.push_back(dialog.GetTemplateId());
    if (!modalHandlers.empty()) {
        const auto handler = std::move(modalHandlers.front());
        modalHandlers.pop_front();
        handler(dialog);
    }
    if (!dialog.IsEnded())
        dialog.EndDialog(IDCANCEL);
    return dialog.GetModalResult();
}
