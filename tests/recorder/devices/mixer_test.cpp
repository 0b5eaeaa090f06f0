// CMixer and ApplyRecordingSource on data-described mixer devices.
#include "devices/mixer.h"

#include "mixer/mixer_devices.h"

#include "testkit.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// Recording destination with a multiplexer.  Item texts differ in case from
// the source names and are not in source order; "CD" cannot be described and
// "Stereo Mix" has controls that cannot be listed.
constexpr const char* kMuxCard = R"(device "Mux Card"
destination "Speakers" type=speakers
destination "Recording Control" type=wavein channels=2
control mux "Recording Source" items="LINE IN","microphone","Stereo Mix","Phone" value=1,0,0,0
source "Microphone" type=microphone channels=2
control volume "Mic Volume" value=20000,40000
control mute "Mic Mute" value=1 uniform
source "Line In" type=line channels=2
control volume "Line Volume" value=1000 uniform
control volume "Line Boost" value=3000 uniform
source "CD" type=compactdisc unreadable
control volume "CD Volume" value=5
source "Stereo Mix" type=analog controls-unreadable
control volume "Mix Volume" value=5
)";

// No multiplexer, several connections: selection by muting.
constexpr const char* kMuteCard = R"(device "Mute Card"
destination "Recording Control" type=wavein channels=2
control volume "Recording Volume" value=40000 uniform
control mute "Recording Mute" value=1 uniform
source "Mic" type=microphone
control mute "Mic Mute" value=1 uniform
source "Line" type=line
control mute "Line Mute" value=1 uniform
source "Aux" type=auxiliary
control mute "Aux Mute" value=1 uniform
control volume "Aux Volume" value=9 uniform
)";

// No multiplexer, one connection.
constexpr const char* kSingleCard = R"(device "Single Card"
destination "Recording Control" type=wavein channels=2
control volume "Recording Volume" value=1000,3000
control mute "Recording Mute" value=0 uniform
source "Microphone" type=microphone
control mute "Mic Mute" value=1 uniform
)";

// No recording destination at all, then one without connections.
constexpr const char* kOtherCards = R"(device "Playback Only"
destination "Speakers" type=speakers
device "Empty Recorder"
destination "Recording Control" type=wavein
)";

class MixerModel : public ::testing::Test {
protected:
    void TearDown() override { InstallMixerDevices(std::nullopt); }

    void Use(const std::string& text)
    {
        std::string error;
        auto devices = ParseMixerModel(text, &error);
        ASSERT_TRUE(devices) << error;
        m_devices = *devices;
        InstallMixerDevices(std::move(*devices));
    }

    MixerDeviceModel& Card(std::size_t i = 0) { return *m_devices.at(i); }

    // The model's control of that name, wherever it sits.
    MixerControlModel& Ctl(const std::string& name, std::size_t device = 0)
    {
        for (auto& dest : Card(device).destinations) {
            for (auto& c : dest.controls)
                if (c.name == name)
                    return c;
            for (auto& src : dest.sources)
                for (auto& c : src.controls)
                    if (c.name == name)
                        return c;
        }
        throw std::runtime_error("no control " + name);
    }

    LONG Value(const std::string& name) { return Ctl(name).values.at(0); }

    MixerDevices m_devices;
};

TEST_F(MixerModel, MultiplexerDeviceListsReadableSources)
{
    Use(kMuxCard);
    CMixer mixer;
    ASSERT_TRUE(mixer.Open(0, nullptr));

    const auto& dest = mixer.GetDestination();
    EXPECT_EQ(dest.deviceName, "Mux Card");
    EXPECT_EQ(dest.destinationCount, 2u);
    EXPECT_EQ(dest.selectMode, SEL_MUX);
    EXPECT_EQ(dest.destLineId, 0xFFFF0001u);
    EXPECT_EQ(dest.muxControlId, Ctl("Recording Source").id);
    EXPECT_EQ(dest.connectionCount, 4u);

    // The undescribable "CD" gets no record; identifiers stay dense.
    ASSERT_EQ(mixer.GetSourceCount(), 3u);
    EXPECT_EQ(mixer.GetSource(3), nullptr);
    const MixerSource* mic = mixer.GetSource(0);
    const MixerSource* line = mixer.GetSource(1);
    const MixerSource* mix = mixer.GetSource(2);
    ASSERT_TRUE(mic && line && mix);
    EXPECT_EQ(mic->name, "Microphone");
    EXPECT_EQ(line->name, "Line In");
    EXPECT_EQ(mix->name, "Stereo Mix");

    // Non-uniform stereo volume reads as the mean of its channels.
    EXPECT_TRUE(mic->hasVolume);
    EXPECT_EQ(mic->volumeLineId, 0x00010001u);
    EXPECT_EQ(mic->volumeControlId, Ctl("Mic Volume").id);
    EXPECT_EQ(mic->volume, 30000u);
    EXPECT_TRUE(mic->hasMute);
    EXPECT_EQ(mic->muteControlId, Ctl("Mic Mute").id);
    EXPECT_EQ(mic->mute, 1u);
    EXPECT_TRUE(mic->isMicrophone);
    // Of two volume controls the last one wins.
    EXPECT_EQ(line->volumeControlId, Ctl("Line Boost").id);
    EXPECT_EQ(line->volume, 3000u);
    EXPECT_FALSE(line->hasMute);
    EXPECT_FALSE(line->isMicrophone);
    // Controls that cannot be listed leave a record without controls, and
    // setting them touches no other line.
    EXPECT_FALSE(mix->hasVolume);
    EXPECT_FALSE(mix->hasMute);
    EXPECT_FALSE(mixer.SetSourceVolume(2, 5));
    EXPECT_FALSE(mixer.SetSourceMute(2, 0));
    EXPECT_EQ(Card().writeCount, 0u);

    // Items are matched by name without regard to case.
    EXPECT_EQ(mic->muxIndex, 1u);
    EXPECT_EQ(line->muxIndex, 0u);
    EXPECT_EQ(mix->muxIndex, 2u);
    EXPECT_TRUE(line->selected);
    EXPECT_FALSE(mic->selected);
    EXPECT_EQ(mixer.GetSelectedId(), 1);
    for (int id = 0; id < 3; ++id)
        EXPECT_EQ(mixer.GetSource(id)->deviceIndex, 0u);
}

TEST_F(MixerModel, MultiplexerSelectionSetsExactlyTheMatchingItem)
{
    Use(kMuxCard);
    CMixer mixer;
    ASSERT_TRUE(mixer.Open(0, nullptr));
    const struct {
        int id;
        std::vector<LONG> items;
    } cases[] = {
        {0, {0, 1, 0, 0}},
        {2, {0, 0, 1, 0}},
        {1, {1, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(mixer.SelectSource(c.id));
        EXPECT_EQ(Ctl("Recording Source").values, c.items) << "source " << c.id;
    }
    EXPECT_FALSE(mixer.SelectSource(3));
    EXPECT_EQ(Ctl("Recording Source").values, cases[2].items);

    Ctl("Recording Source").failsWrite = true;
    EXPECT_FALSE(mixer.SelectSource(0));
}

TEST_F(MixerModel, UnmatchedSourceKeepsItemZeroAndNoSelection)
{
    Use(R"(device "D"
destination "Rec" type=wavein
control mux "Src" items="Phone","Video" value=0,1
source "Mic" type=microphone
source "Line"
)");
    CMixer mixer;
    ASSERT_TRUE(mixer.Open(0, nullptr));
    ASSERT_EQ(mixer.GetSourceCount(), 2u);
    for (int id = 0; id < 2; ++id) {
        EXPECT_EQ(mixer.GetSource(id)->muxIndex, 0u);
        EXPECT_FALSE(mixer.GetSource(id)->selected);
    }
    EXPECT_EQ(mixer.GetSelectedId(), -1);
}

TEST_F(MixerModel, ApplyOnMultiplexerDevice)
{
    Use(kMuxCard);
    CMixer mixer;
    ApplyRecordingSource(mixer, 0, 0, 50000, reinterpret_cast<HWND>(0x4242));
    EXPECT_EQ(Ctl("Recording Source").values, (std::vector<LONG>{0, 1, 0, 0}));
    EXPECT_EQ(Value("Mic Mute"), 0);
    // The stereo volume gets the value on both channels and reads back as it.
    EXPECT_EQ(Ctl("Mic Volume").values, (std::vector<LONG>{50000, 50000}));
    CMixer again;
    ASSERT_TRUE(again.Open(0, nullptr));
    EXPECT_EQ(again.GetSource(0)->volume, 50000u);
    EXPECT_EQ(again.GetSelectedId(), 0);

    // Source without a mute control: volume only, written to the line's
    // volume control found by type (the first), not the one it read.
    ApplyRecordingSource(again, 0, 1, 2000);
    EXPECT_EQ(Ctl("Recording Source").values, (std::vector<LONG>{1, 0, 0, 0}));
    EXPECT_EQ(Value("Line Volume"), 2000);
    EXPECT_EQ(Value("Line Boost"), 3000);
}

TEST_F(MixerModel, MuteDeviceUnmutesDestinationAndFirstSourceOnOpen)
{
    Use(kMuteCard);
    CMixer mixer;
    ASSERT_TRUE(mixer.Open(0, nullptr));
    const auto& dest = mixer.GetDestination();
    EXPECT_EQ(dest.selectMode, SEL_MUTE);
    EXPECT_EQ(dest.muxControlId, 0u);
    EXPECT_TRUE(dest.destHasMute);
    EXPECT_EQ(dest.destMuteValue, 1u) << "as found";
    EXPECT_EQ(dest.destMuteControlId, Ctl("Recording Mute").id);
    EXPECT_EQ(Value("Recording Mute"), 0);
    EXPECT_EQ(mixer.GetSelectedId(), 0);

    // Every source was muted: the first one is opened.
    EXPECT_EQ(Value("Mic Mute"), 0);
    EXPECT_EQ(Value("Line Mute"), 1);
    EXPECT_EQ(Value("Aux Mute"), 1);

    ASSERT_EQ(mixer.GetSourceCount(), 3u);
    for (int id = 0; id < 3; ++id) {
        const MixerSource* s = mixer.GetSource(id);
        // The recording volume is the destination's.
        EXPECT_FALSE(s->hasVolume);
        EXPECT_EQ(s->volumeLineId, dest.destLineId);
        EXPECT_EQ(s->volumeControlId, Ctl("Recording Volume").id);
        EXPECT_EQ(s->volume, 40000u);
        EXPECT_TRUE(s->hasMute);
        EXPECT_EQ(s->mute, 1u);
    }
    EXPECT_TRUE(mixer.GetSource(0)->isMicrophone);
}

TEST_F(MixerModel, MuteDeviceLeavesAnOpenSourceAlone)
{
    Use(kMuteCard);
    Ctl("Line Mute").values = {0};
    Ctl("Recording Mute").values = {0};
    CMixer mixer;
    ASSERT_TRUE(mixer.Open(0, nullptr));
    EXPECT_EQ(mixer.GetDestination().destMuteValue, 0u);
    EXPECT_EQ(Value("Mic Mute"), 1);
    EXPECT_EQ(Value("Line Mute"), 0);
    EXPECT_EQ(Card().writeCount, 0u);
}

TEST_F(MixerModel, MuteSelectionLeavesOnlyTheChosenSourceOpen)
{
    Use(kMuteCard);
    CMixer mixer;
    ASSERT_TRUE(mixer.Open(0, nullptr));
    const char* mutes[] = {"Mic Mute", "Line Mute", "Aux Mute"};
    for (int chosen : {2, 1, 0}) {
        EXPECT_TRUE(mixer.SelectSource(chosen));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Value(mutes[i]), i == chosen ? 0 : 1) << "chosen " << chosen << ", " << mutes[i];
    }
    // A failing write is not reported; the other sources are still set.
    Ctl("Mic Mute").failsWrite = true;
    EXPECT_TRUE(mixer.SelectSource(1));
    EXPECT_EQ(Value("Line Mute"), 0);
    EXPECT_EQ(Value("Aux Mute"), 1);
    EXPECT_FALSE(mixer.SelectSource(7));
}

TEST_F(MixerModel, ApplyOnMuteDeviceSetsTheRecordingVolume)
{
    Use(kMuteCard);
    CMixer mixer;
    ApplyRecordingSource(mixer, 0, 2, 12345);
    EXPECT_EQ(Value("Mic Mute"), 1);
    EXPECT_EQ(Value("Line Mute"), 1);
    EXPECT_EQ(Value("Aux Mute"), 0);
    EXPECT_EQ(Value("Recording Volume"), 12345);
    // The source's own volume control is not its recording volume here.
    EXPECT_EQ(Value("Aux Volume"), 9);
}

TEST_F(MixerModel, UnreadableValuesTakeTheirDefaults)
{
    Use(kMuteCard);
    Ctl("Recording Volume").unreadable = true;
    Ctl("Recording Mute").unreadable = true;
    Ctl("Line Mute").unreadable = true;
    Ctl("Mic Mute").values = {0};
    CMixer mixer;
    ASSERT_TRUE(mixer.Open(0, nullptr));
    EXPECT_EQ(mixer.GetSource(0)->volume, 0u);
    EXPECT_EQ(mixer.GetDestination().destMuteValue, 0u);
    EXPECT_EQ(mixer.GetSource(0)->mute, 0u);
    EXPECT_EQ(mixer.GetSource(1)->mute, 1u) << "a source's unknown mute counts as muted";

    Use(kMuxCard);
    Ctl("Mic Volume").unreadable = true;
    Ctl("Mic Mute").unreadable = true;
    CMixer mux;
    ASSERT_TRUE(mux.Open(0, nullptr));
    EXPECT_TRUE(mux.GetSource(0)->hasVolume);
    EXPECT_EQ(mux.GetSource(0)->volume, 0u);
    EXPECT_TRUE(mux.GetSource(0)->hasMute);
    EXPECT_EQ(mux.GetSource(0)->mute, 0u);
}

TEST_F(MixerModel, SingleConnectionIsTheDestinationItself)
{
    Use(kSingleCard);
    CMixer mixer;
    ASSERT_TRUE(mixer.Open(0, nullptr));
    EXPECT_EQ(mixer.GetDestination().selectMode, SEL_SINGLE);
    EXPECT_EQ(mixer.GetDestination().connectionCount, 1u);
    EXPECT_EQ(mixer.GetSelectedId(), 0);
    ASSERT_EQ(mixer.GetSourceCount(), 1u);
    const MixerSource* only = mixer.GetSource(0);
    EXPECT_EQ(only->name, "Recording Control");
    EXPECT_TRUE(only->selected);
    EXPECT_FALSE(only->isMicrophone);
    EXPECT_EQ(only->volumeLineId, mixer.GetDestination().destLineId);
    EXPECT_EQ(only->volumeControlId, Ctl("Recording Volume").id);
    EXPECT_EQ(only->volume, 2000u);
    EXPECT_EQ(only->muteControlId, Ctl("Recording Mute").id);

    EXPECT_TRUE(mixer.SelectSource(0));
    EXPECT_TRUE(mixer.SelectSource(5)) << "nothing to select by";
    EXPECT_EQ(mixer.GetSelectedId(), 5);
    EXPECT_EQ(Card().writeCount, 0u);

    ApplyRecordingSource(mixer, 0, 0, 7000);
    EXPECT_EQ(Ctl("Recording Volume").values, (std::vector<LONG>{7000, 7000}));
    EXPECT_EQ(Value("Mic Mute"), 1);
}

TEST_F(MixerModel, DeviceWithoutRecordingDestination)
{
    Use(kOtherCards);
    CMixer mixer;
    EXPECT_FALSE(mixer.Open(0, nullptr));
    // The failed device stays the open one: the next Open reports success
    // with nothing to select, so applying a source changes nothing.
    EXPECT_TRUE(mixer.Open(0, nullptr));
    EXPECT_EQ(mixer.GetSourceCount(), 0u);
    EXPECT_EQ(mixer.GetDestination().selectMode, SEL_NONE);
    ApplyRecordingSource(mixer, 0, 0, 100);
    EXPECT_EQ(Card().writeCount, 0u);

    // A recording destination without connections opens with no records.
    ASSERT_TRUE(mixer.Open(1, nullptr));
    EXPECT_EQ(mixer.GetDestination().selectMode, SEL_NONE);
    EXPECT_EQ(mixer.GetSourceCount(), 0u);
    EXPECT_EQ(mixer.GetSelectedId(), 0);
    EXPECT_FALSE(mixer.SetSourceVolume(0, 1));
    EXPECT_FALSE(mixer.Open(2, nullptr));
    EXPECT_EQ(mixer.GetSourceCount(), 0u);
}

TEST_F(MixerModel, SecondOpenOfTheSameDeviceReadsNothing)
{
    Use(std::string(kMuxCard) + kSingleCard);
    CMixer mixer;
    ASSERT_TRUE(mixer.Open(0, nullptr));
    Ctl("Recording Source").values = {0, 0, 1, 0};
    Ctl("Mic Volume").unreadable = true;
    EXPECT_TRUE(mixer.Open(0, nullptr));
    EXPECT_EQ(mixer.GetSelectedId(), 1);
    EXPECT_EQ(mixer.GetSource(0)->volume, 30000u);

    // Another device, then back: read afresh.
    ASSERT_TRUE(mixer.Open(1, nullptr));
    EXPECT_EQ(mixer.GetDestination().deviceName, "Single Card");
    EXPECT_EQ(mixer.GetDestination().deviceIndex, 1u);
    ASSERT_TRUE(mixer.Open(0, nullptr));
    EXPECT_EQ(mixer.GetSelectedId(), 2);
    EXPECT_EQ(mixer.GetSource(0)->volume, 0u);

    // Close forgets the device.
    EXPECT_TRUE(mixer.Close());
    EXPECT_EQ(mixer.GetSourceCount(), 0u);
    EXPECT_EQ(mixer.GetSelectedId(), -1);
    EXPECT_EQ(mixer.GetDestination().destMuteValue, 1u);
}

TEST_F(MixerModel, NoDevices)
{
    Use("");
    CMixer mixer;
    EXPECT_EQ(mixer.GetNumDevs(), 0u);
    EXPECT_FALSE(mixer.Open(0, nullptr));
    ApplyRecordingSource(mixer, 0, 0, 100);
    EXPECT_EQ(mixer.GetSourceCount(), 0u);
}

TEST(MixerOnThisMachine, WithoutSoundCardsNothingHappens)
{
    if (std::filesystem::exists("/dev/snd/controlC0"))
        GTEST_SKIP() << "this machine has a sound card";
    testkit::ScopedEnv env("QX_MIXER_MODEL", "");
    CMixer mixer;
    EXPECT_FALSE(mixer.Open(0, nullptr));
    ApplyRecordingSource(mixer, 0, 0, 30000, reinterpret_cast<HWND>(0x10));
    EXPECT_EQ(mixer.GetSourceCount(), 0u);
    EXPECT_EQ(mixer.GetSelectedId(), -1);
}

} // namespace
