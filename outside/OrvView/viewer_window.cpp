#include "viewer_window.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

COrvViewWindow::COrvViewWindow(const QString& message, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("ヴェルモラ アップデート"));
    setObjectName(QStringLiteral("OrvView"));
    m_text = new QPlainTextEdit(message, this);
    m_text->setObjectName(QStringLiteral("MessageText"));
    m_text->setReadOnly(true);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* close = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::AcceptRole);
    close->setObjectName(QStringLiteral("CloseButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(buttons);
    resize(420, 280);
}

QString COrvViewWindow::MessageText() const
{
    return m_text->toPlainText();
}
