// The time computations of the recording form: the start and end of a
// recording between clock times (local time, daylight saving included), the
// elapsed and remaining texts, the default file name and the output types.
#include "recording/output_naming.h"
#include "recording/schedule_time.h"
#include "testkit.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

// A local time in the zone in force.
std::time_t Local(int year, int month, int day, int hour, int minute, int second = 0)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

class ZoneTest : public ::testing::Test {
protected:
    explicit ZoneTest(const char* zone = "Asia/Tokyo") : m_tz("TZ", zone) { tzset(); }
    ~ZoneTest() override { tzset(); }
    testkit::ScopedEnv m_tz;
};

struct SpanCase {
    const char* name;
    int nowHour, nowMinute, nowSecond;
    UINT sh, sm, eh, em;
    int startDay; // days after 2026-06-10
    long minutes;
};

class StartEndTest : public ZoneTest, public ::testing::WithParamInterface<SpanCase> {};

TEST_P(StartEndTest, StartEndAndLength)
{
    const SpanCase& c = GetParam();
    const std::time_t now = Local(2026, 6, 10, c.nowHour, c.nowMinute, c.nowSecond);
    const ScheduleSpan span = ComputeStartEnd(now, c.sh, c.sm, c.eh, c.em);
    EXPECT_EQ(span.start, Local(2026, 6, 10 + c.startDay, static_cast<int>(c.sh), static_cast<int>(c.sm)));
    EXPECT_EQ(span.minutes, c.minutes);
    EXPECT_EQ(span.end - span.start, c.minutes * 60);
}

INSTANTIATE_TEST_SUITE_P(Cases, StartEndTest,
    ::testing::Values(SpanCase{"OverMidnight", 22, 0, 0, 23, 30, 0, 30, 0, 60},
        SpanCase{"EqualTimes", 9, 0, 0, 10, 0, 10, 0, 0, 0},
        SpanCase{"FiveHoursAndOneMinute", 9, 0, 0, 10, 0, 15, 1, 0, 301},
        SpanCase{"FiveHours", 9, 0, 0, 10, 0, 15, 0, 0, 300},
        // Past the start by half a minute: both move to the next day.
        SpanCase{"StartJustPassed", 10, 0, 30, 10, 0, 10, 30, 1, 30},
        // To the second: at the start itself nothing moves.
        SpanCase{"AtTheStart", 10, 0, 0, 10, 0, 10, 30, 0, 30},
        SpanCase{"EndBeforeStartMovesTheEnd", 8, 0, 0, 9, 0, 8, 59, 0, 1439}),
    [](const auto& info) { return std::string(info.param.name); });

class DaylightSavingTest : public ZoneTest {
protected:
    DaylightSavingTest() : ZoneTest("Europe/Berlin") {}
};

TEST_F(DaylightSavingTest, ClockTimesAcrossTheSpringChangeCountRealMinutes)
{
    // 29 March 2026: 02:00 becomes 03:00.  01:30 to 03:30 is one real hour.
    const std::time_t now = Local(2026, 3, 28, 22, 0);
    const ScheduleSpan span = ComputeStartEnd(now, 1, 30, 3, 30);
    EXPECT_EQ(span.start, Local(2026, 3, 29, 1, 30));
    EXPECT_EQ(span.minutes, 60);
    // A start that has passed moves to the same clock time on the next day,
    // not 24 hours on.
    const ScheduleSpan next = ComputeStartEnd(Local(2026, 3, 28, 12, 0), 11, 0, 12, 0);
    EXPECT_EQ(next.start, Local(2026, 3, 29, 11, 0));
    EXPECT_EQ(next.start - Local(2026, 3, 28, 11, 0), 23 * 3600);
}

TEST(ScheduleTexts, ElapsedAndRemaining)
{
    EXPECT_EQ(FormatElapsed(3723456), "01 : 02 : 03.456");
    EXPECT_EQ(FormatElapsed(0), "00 : 00 : 00.000");
    EXPECT_EQ(FormatElapsed(18000000), "05 : 00 : 00.000");
    EXPECT_EQ(FormatRemaining(1000 + 125, 1000), "2分 5秒");
    EXPECT_EQ(FormatRemaining(1000 + 60, 1000), "1分 0秒");
    EXPECT_EQ(FormatRemaining(1000 + 59, 1000), "0分 59秒");
}

TEST_F(ZoneTest, DefaultNameIsTheLocalTimeWithTheExtension)
{
    EXPECT_EQ(BuildDefaultFileName(Local(2026, 1, 2, 3, 4, 5), "wav"), "20260102-030405.wav");
    EXPECT_EQ(BuildDefaultFileName(Local(2026, 12, 31, 23, 59, 59), "ogg"), "20261231-235959.ogg");
}

TEST(OutputFileInfoTest, FilterAndExtensionPerType)
{
    const std::pair<int, OutputFileInfo> types[] = {{0, {"WAV ファイル(*.wav)|*.wav||", "wav"}},
        {1, {"MP3 ファイル(*.mp3)|*.mp3||", "mp3"}}, {2, {"WMA ファイル(*.wma)|*.wma||", "wma"}},
        {3, {"OGG ファイル(*.ogg)|*.ogg||", "ogg"}}};
    for (const auto& [type, want] : types) {
        OutputFileInfo got{};
        ASSERT_TRUE(GetOutputFileInfo(type, &got)) << type;
        EXPECT_STREQ(got.filter, want.filter);
        EXPECT_STREQ(got.extension, want.extension);
    }
    OutputFileInfo none{};
    EXPECT_FALSE(GetOutputFileInfo(4, &none));
    EXPECT_FALSE(GetOutputFileInfo(-1, &none));
}

} // namespace
