// The small window that shows one message until the user closes it.
#pragma once

#include <QDialog>

class QPlainTextEdit;

class COrvViewWindow : public QDialog {
    Q_OBJECT
public:
    explicit COrvViewWindow(const QString& message, QWidget* parent = nullptr);
    QString MessageText() const;

private:
    QPlainTextEdit* m_text;
};
