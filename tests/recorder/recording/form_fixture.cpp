#include "form_fixture.h"

#include "recording_check.h"

void RecordFormTest::SetUp()
{
    tzset();
    m_clock.now = At(10, 12, 0);
    ASSERT_TRUE(Start());
    Pump();
    ASSERT_NE(View(), nullptr);
    m_ui.messages.clear(); // the start's MP3 notice
}

void RecordFormTest::Click(UINT id)
{
    auto* b = qobject_cast<QAbstractButton*>(View()->GetDlgItem(id)->Widget());
    ASSERT_NE(b, nullptr) << id;
    ASSERT_TRUE(b->isEnabled()) << id;
    b->click();
}

void RecordFormTest::Choose(UINT comboId, int index)
{
    auto* c = qobject_cast<QComboBox*>(View()->GetDlgItem(comboId)->Widget());
    ASSERT_NE(c, nullptr);
    c->setCurrentIndex(index);
    emit c->activated(index);
}

void RecordFormTest::Record(const std::string& path)
{
    m_ui.fileAnswers.push_back(path);
    Click(IDC_RECORD);
}

long RecordFormTest::ElapsedMs(const std::string& t)
{
    // "HH : MM : SS.mmm"
    if (t.size() != 16)
        return -1;
    return std::stol(t.substr(0, 2)) * 3600000 + std::stol(t.substr(5, 2)) * 60000 + std::stol(t.substr(10, 2)) * 1000 +
        std::stol(t.substr(13, 3));
}

bool RecordFormTest::WaitForElapsed(long ms)
{
    return recordingcheck::WaitUntil([&] {
        Pump();
        return ElapsedMs(Text(IDC_ELAPSED)) >= ms;
    });
}

std::time_t RecordFormTest::At(int day, int hour, int minute, int second)
{
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 5;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}
