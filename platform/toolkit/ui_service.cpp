#include "ui_service.h"

#include "dialog.h"
#include "wnd.h"

#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {

QWidget* OwnerWidget(CWnd* owner)
{
    return owner ? owner->Widget() : nullptr;
}

// "Name (*.a;*.b)|*.a;*.b|...||" -> Qt's ";;"-separated filter list.
QString QtFilter(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        if (parts[i].isEmpty())
            break;
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        QString name = parts[i];
        // The visible name often carries the patterns already.
        out << (name.contains('(') ? name.section('(', 0, 0).trimmed() : name) + " (" + patterns + ")";
    }
    return out.join(";;");
}

class QtUiService final : public IUiService {
public:
    int MessageBox(const MessageBoxRequest& r) override
    {
        QMessageBox box(OwnerWidget(r.owner));
        box.setWindowTitle(QString::fromStdString(r.caption));
        box.setText(QString::fromStdString(r.text));
        switch (r.type & MB_ICONMASK) {
        case MB_ICONSTOP: box.setIcon(QMessageBox::Critical); break;
        case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
        case MB_ICONEXCLAMATION: box.setIcon(QMessageBox::Warning); break;
        case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
        default: break;
        }
        switch (r.type & MB_TYPEMASK) {
        case MB_YESNO: {
            QPushButton* yes = box.addButton("はい(&Y)", QMessageBox::YesRole);
            box.addButton("いいえ(&N)", QMessageBox::NoRole);
            box.setDefaultButton(yes);
            box.exec();
            return box.clickedButton() == yes ? IDYES : IDNO;
        }
        case MB_OKCANCEL: {
            QPushButton* ok = box.addButton("OK", QMessageBox::AcceptRole);
            box.addButton("キャンセル", QMessageBox::RejectRole);
            box.exec();
            return box.clickedButton() == ok ? IDOK : IDCANCEL;
        }
        default:
            box.addButton("OK", QMessageBox::AcceptRole);
            box.exec();
            return IDOK;
        }
    }

    BOOL FileDialog(const FileDialogRequest& r, std::string* path) override
    {
        QFileDialog dlg(OwnerWidget(r.owner), QString(), QString::fromStdString(r.initialPath), QtFilter(r.filter));
        dlg.setAcceptMode(r.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
        dlg.setFileMode(r.open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        if (!r.defaultExt.empty())
            dlg.setDefaultSuffix(QString::fromStdString(r.defaultExt));
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
            return FALSE;
        *path = dlg.selectedFiles().first().toStdString();
        return TRUE;
    }

    int RunModal(CDialog& dialog) override { return dialog.ExecModalLoop(); }
};

QtUiService g_qtService;
IUiService* g_service = nullptr;

} // namespace

IUiService& UiService()
{
    return g_service ? *g_service : g_qtService;
}

void SetUiService(IUiService* service)
{
    g_service = service;
}
