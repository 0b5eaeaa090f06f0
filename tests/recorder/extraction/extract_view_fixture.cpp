#include "extract_view_fixture.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QToolButton>
#include <QTimer>

namespace extractview {

void Later(std::function<void()> fn, int delayMs)
{
    QTimer::singleShot(delayMs, QCoreApplication::instance(), std::move(fn));
}

} // namespace extractview

void ExtractViewTest::SetUp()
{
    extractkit::RegisterDumpFilter();
    ASSERT_TRUE(Start());
    Pump();
    ShowForm();
    ASSERT_NE(View(), nullptr);
    m_ui.messages.clear();
}

void ExtractViewTest::ShowForm()
{
    Frame()->ModeBar().FindItem(ID_MODE_EXTRACT)->Button()->click();
}

void ExtractViewTest::Click(UINT id)
{
    qobject_cast<QAbstractButton*>(View()->GetDlgItem(id)->Widget())->click();
}

std::string ExtractViewTest::Selected(UINT id) const
{
    const auto* list = static_cast<CComboBox*>(View()->GetDlgItem(id));
    return list->GetLBText(list->GetCurSel());
}

QProgressBar* ExtractViewTest::Bar() const
{
    return qobject_cast<QProgressBar*>(View()->GetDlgItem(IDC_EXTRACT_PROGRESS)->Widget());
}

std::string ExtractViewTest::Video(const extractkit::VideoSpec& spec, const std::string& name)
{
    const std::string path = m_dir / name;
    return extractkit::MakeVideo(spec, path) ? path : std::string();
}

void ExtractViewTest::ChooseVideo(const std::string& path)
{
    m_ui.fileAnswers.push_back(path);
    Click(IDC_EXTRACT_BROWSE_SOURCE);
}

void ExtractViewTest::RunExtraction(const std::function<void(int)>& onValue)
{
    QMetaObject::Connection c;
    if (onValue)
        c = QObject::connect(Bar(), &QProgressBar::valueChanged, onValue);
    Click(IDC_EXTRACT_START); // returns when the extraction has ended
    QObject::disconnect(c);
}
