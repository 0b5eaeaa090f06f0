// The device list, formats, volume and mute on a private sound server, and
// the library's behaviour when there is no server at all.
#include "pulse_server.h"
#include "sndgrab.h"

#include <gtest/gtest.h>

#include <string>

using testkit::PulseServer;

namespace {

int FindByName(NSndOption& option, const std::string& name)
{
    for (int i = 0; i < option.GetInfoCount(); ++i)
        if (stNSndDevInfo* info = option.GetInfo(i); info && name == info->name)
            return i;
    return -1;
}

class SndgrabDevices : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_server.Start()) << m_server.Log(); }

    PulseServer m_server;
};

TEST_F(SndgrabDevices, ListsTheMonitorOfTheOutputAndTheInput)
{
    NSndOption option;
    ASSERT_EQ(option.SetWork(), 1);
    ASSERT_EQ(option.GetInfoCount(), 2);
    const int monitor = FindByName(option, PulseServer::kMonitorDescription);
    const int input = FindByName(option, PulseServer::kInputDescription);
    ASSERT_GE(monitor, 0);
    ASSERT_GE(input, 0);

    for (int i : {monitor, input}) {
        const stNSndDevInfo* info = option.GetInfo(i);
        EXPECT_EQ(info->index, i);
        EXPECT_NE(info->hasVolume, 0);
        EXPECT_LT(info->state, 3);
        EXPECT_TRUE(info->flagA == 0 || info->flagB != 0) << "the device page would hide it";
    }
    EXPECT_NE(option.GetInfo(monitor)->flagA, 0);
    EXPECT_EQ(option.GetInfo(input)->flagA, 0);
    EXPECT_EQ(option.GetDefaultIndex(), monitor);
    EXPECT_EQ(option.GetInfo(-1), option.GetInfo(monitor));
    EXPECT_EQ(option.GetInfo(2), nullptr);
    EXPECT_EQ(option.GetInfo(-2), nullptr);

    EXPECT_NE(NWaveRec::IsLoopback(-1), 0);
    EXPECT_NE(NWaveRec::IsLoopback(monitor), 0);
    EXPECT_EQ(NWaveRec::IsLoopback(input), 0);

    // Each device reports its own format.
    struct Case {
        int device;
        DWORD rate;
        WORD channels;
    };
    for (Case c : {Case{-1, 48000, 2}, Case{monitor, 48000, 2}, Case{input, 16000, 1}}) {
        SCOPED_TRACE(c.device);
        WAVEFORMATEX fmt = NWaveRec::GetDefaultFormat(c.device);
        EXPECT_EQ(fmt.nSamplesPerSec, c.rate);
        EXPECT_EQ(fmt.nChannels, c.channels);
        EXPECT_GT(fmt.wBitsPerSample, 0);
    }
    EXPECT_EQ(NWaveRec::GetDefaultFormat(2).nChannels, 0);
}

TEST_F(SndgrabDevices, TheDefaultIsWhatThePcPlaysEvenWhenAnInputIsTheServersDefault)
{
    m_server.Pactl(std::string("set-default-source ") + PulseServer::kInput);
    ASSERT_NE(m_server.Pactl("info").find(std::string("Default Source: ") + PulseServer::kInput), std::string::npos);

    NSndOption option;
    ASSERT_EQ(option.SetWork(), 1);
    EXPECT_EQ(option.GetDefaultIndex(), FindByName(option, PulseServer::kMonitorDescription));
    EXPECT_EQ(NWaveRec::GetDefaultFormat(-1).nSamplesPerSec, 48000u);
}

TEST_F(SndgrabDevices, VolumeAndMuteActOnTheServerAndRollBack)
{
    NSndOption option;
    ASSERT_EQ(option.SetWork(), 1);
    const int input = FindByName(option, PulseServer::kInputDescription);
    const int monitor = option.GetDefaultIndex();
    const std::string inputName = PulseServer::kInput;

    // As the device page applies a level: unmute, then set.
    ASSERT_EQ(option.SelectDevInfo(input), 1);
    EXPECT_EQ(option.GetDevInfoIndex(), input);
    ASSERT_EQ(option.SetDevMute(input, 0), 1);
    ASSERT_EQ(option.SetDevValue(input, 0.5f), 1);
    float level = 0;
    ASSERT_EQ(option.GetDevValue(input, level), 1);
    EXPECT_NEAR(level, 0.5f, 0.01f);
    EXPECT_NE(m_server.Pactl("get-source-volume " + inputName).find("50%"), std::string::npos);

    ASSERT_EQ(option.SetDevMute(input, 1), 1);
    EXPECT_NE(m_server.Pactl("get-source-mute " + inputName).find("yes"), std::string::npos);
    ASSERT_EQ(option.SetDevValue(monitor, 0.25f), 1);
    ASSERT_EQ(option.SetDevValue(input, 0.75f), 1);
    EXPECT_EQ(option.SetDevValue(5, 0.5f), 0);

    option.RollbackDevInfos();
    EXPECT_EQ(option.GetDevInfoIndex(), monitor);
    for (int i : {input, monitor}) {
        ASSERT_EQ(option.GetDevValue(i, level), 1);
        EXPECT_NEAR(level, 1.0f, 0.01f) << i;
        EXPECT_NEAR(option.GetInfo(i)->volume, 1.0f, 0.01f) << i;
    }
    EXPECT_NE(m_server.Pactl("get-source-mute " + inputName).find("no"), std::string::npos);
    EXPECT_EQ(option.GetInfo(input)->mute, 0);
}

TEST(SndgrabWithoutServer, HasNoDevicesAndFailsCleanly)
{
    testkit::TempDir dir;
    testkit::ScopedEnv env("PULSE_SERVER", "unix:" + dir.Path() + "/nothing-here");

    EXPECT_EQ(NWaveRec::IsLoopback(-1), 0);
    EXPECT_EQ(NWaveRec::GetDefaultFormat(-1).nChannels, 0);

    NSndOption option;
    EXPECT_EQ(option.SetWork(), 0);
    EXPECT_EQ(option.GetInfoCount(), 0);
    EXPECT_EQ(option.GetDefaultIndex(), -1);
    EXPECT_EQ(option.GetInfo(-1), nullptr);
    EXPECT_EQ(option.GetInfo(0), nullptr);
    EXPECT_EQ(option.SelectDevInfo(0), 0);
    float level = 0.3f;
    EXPECT_EQ(option.GetDevValue(-1, level), 0);
    EXPECT_EQ(option.SetDevValue(-1, 0.5f), 0);
    EXPECT_EQ(option.SetDevMute(-1, 0), 0);
    option.RollbackDevInfos();

    NWaveRec rec;
    EXPECT_EQ(rec.Open(44100, 16, 2, [](const BYTE*, DWORD, DWORD, DWORD_PTR) {}, 0, -1), 0);
    EXPECT_EQ(rec.Close(), 1);
}

} // namespace
