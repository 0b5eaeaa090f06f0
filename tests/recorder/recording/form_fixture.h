// The recorder started on the offscreen platform with its recording form in
// front, a clock the test sets, and helpers that act on the form's controls
// as a user does.
#pragma once

#include "../app/recorder_fixture.h"
#include "recording/clock.h"
#include "recording/recording_view.h"
#include "res/resource.h"

#include <QAbstractButton>
#include <QComboBox>

#include <ctime>

class ScriptedClock final : public IClock {
public:
    ScriptedClock() { SetRecorderClock(this); }
    ~ScriptedClock() override { SetRecorderClock(nullptr); }
    std::time_t Now() override { return now; }
    std::time_t now = 0;
};

class RecordFormTest : public RecorderTest {
protected:
    void SetUp() override;

    CBrisaRecordView* View() { return Frame()->m_pRecordView; }
    SourceSettings* Current() { return Doc()->GetCurrentSettings(); }
    void Click(UINT id);
    void SetText(UINT id, const std::string& text) { View()->SetDlgItemText(id, text); }
    std::string Text(UINT id) { return View()->GetDlgItemText(id); }
    bool Enabled(UINT id) { return View()->GetDlgItem(id)->IsWindowEnabled(); }
    // Picks a list item as the user does (the selection-change notification).
    void Choose(UINT comboId, int index);
    // Presses record with the save dialog answering path.
    void Record(const std::string& path);
    // Pumps until the elapsed edit shows at least ms.
    bool WaitForElapsed(long ms);
    // The milliseconds an elapsed text shows; -1 when it is no such text.
    static long ElapsedMs(const std::string& text);
    // The local time of a day in June 2026 (the zone is Asia/Tokyo).
    static std::time_t At(int day, int hour, int minute, int second = 0);

    ScriptedClock m_clock;
    testkit::ScopedEnv m_tz{"TZ", "Asia/Tokyo"};
};
