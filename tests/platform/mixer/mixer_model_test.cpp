// The text form of device models and its selection by QX_MIXER_MODEL.
#include "mixer/mixer_devices.h"

#include "testkit.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr const char* kCard = R"(# a card with a capture multiplexer
device "Model Audio"
destination "Speakers" type=speakers channels=2
destination "Recording Control" type=wavein channels=2 short="Rec"
control volume "Recording Volume" value=30000,40000
control mux "Recording Source" value=0,1
source "Microphone" type=microphone channels=1
control mute "Mic Mute" value=1 uniform unreadable
source "Line In" type=0x1002 unreadable controls-unreadable
control volume "Line Volume" value=7 uniform fails-write min=5 max=100
device "Second"
)";

MixerDevices Parse(const std::string& text)
{
    std::string error;
    auto devices = ParseMixerModel(text, &error);
    EXPECT_TRUE(devices) << error;
    return devices ? *devices : MixerDevices{};
}

TEST(MixerModelText, DescribesDevicesLinesAndControls)
{
    const MixerDevices devices = Parse(kCard);
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[1]->name, "Second");
    EXPECT_TRUE(devices[1]->destinations.empty());

    const auto& card = *devices[0];
    EXPECT_EQ(card.name, "Model Audio");
    ASSERT_EQ(card.destinations.size(), 2u);
    const auto& rec = card.destinations[1];
    EXPECT_EQ(rec.componentType, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_EQ(rec.lineId, 0xFFFF0001u);
    EXPECT_EQ(rec.shortName, "Rec");
    ASSERT_EQ(rec.sources.size(), 2u);
    EXPECT_EQ(rec.sources[1].lineId, 0x00020001u);
    EXPECT_EQ(rec.sources[1].componentType, MIXERLINE_COMPONENTTYPE_SRC_LINE);
    EXPECT_TRUE(rec.sources[1].unreadable);
    EXPECT_TRUE(rec.sources[1].controlsUnreadable);

    // Stereo volume keeps both channels; the mux lists the sources that
    // follow it and is uniform and multiple.
    ASSERT_EQ(rec.controls.size(), 2u);
    EXPECT_EQ(rec.controls[0].type, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(rec.controls[0].values, (std::vector<LONG>{30000, 40000}));
    EXPECT_EQ(rec.controls[0].maximum, 65535);
    const auto& mux = rec.controls[1];
    EXPECT_EQ(mux.type, MIXERCONTROL_CONTROLTYPE_MUX);
    EXPECT_EQ(mux.flags, MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE);
    EXPECT_EQ(mux.items, (std::vector<std::string>{"Microphone", "Line In"}));
    EXPECT_EQ(mux.itemLineIds, (std::vector<DWORD>{0x00010001u, 0x00020001u}));
    EXPECT_EQ(mux.values, (std::vector<LONG>{0, 1}));

    // Control identifiers count through the device in order.
    EXPECT_EQ(rec.controls[0].id, 1u);
    EXPECT_EQ(rec.controls[1].id, 2u);
    const auto& micMute = rec.sources[0].controls.at(0);
    EXPECT_EQ(micMute.id, 3u);
    EXPECT_TRUE(micMute.unreadable);
    const auto& lineVolume = rec.sources[1].controls.at(0);
    EXPECT_TRUE(lineVolume.failsWrite);
    EXPECT_EQ(lineVolume.minimum, 5);
    EXPECT_EQ(lineVolume.maximum, 100);
}

TEST(MixerModelText, ItemTextsMayDifferFromTheSources)
{
    const MixerDevices devices = Parse(R"(device "D"
destination "Rec" type=wavein
control mux "Source" items="MICROPHONE","Mix, Stereo","Phone" value=1,0,0
source "Microphone"
)");
    ASSERT_EQ(devices.size(), 1u);
    const auto& mux = devices[0]->destinations[0].controls[0];
    EXPECT_EQ(mux.items, (std::vector<std::string>{"MICROPHONE", "Mix, Stereo", "Phone"}));
    // Items beyond the sources stand for no line.
    EXPECT_EQ(mux.itemLineIds, (std::vector<DWORD>{0x00010000u, 0, 0}));
    EXPECT_EQ(mux.values, (std::vector<LONG>{1, 0, 0}));
}

TEST(MixerModelText, RejectsMistakesWithTheirLine)
{
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"destination \"X\"", "line 1: destination outside its device"},
        {"device \"D\"\nsource \"S\"", "line 2: source outside its destination"},
        {"device \"D\"\ncontrol volume \"V\"", "line 2: control outside a line"},
        {"device \"D\nx", "line 1: unterminated quote"},
        {"device \"D\"\ndestination \"R\" channels=2\ncontrol volume \"V\" value=1,2,3", "line 3: control \"V\": 3 values given, 2 expected"},
        {"device \"D\"\ndestination \"R\" type=nowhere", "line 2: bad line attribute 'type=nowhere'"},
        {"device \"D\"\ndestination \"R\"\ncontrol knob \"K\"", "line 3: unknown control kind 'knob'"},
        {"device \"D\"\ndestination \"R\"\ncontrol mute \"M\" value=x", "line 3: bad value 'x'"},
        {"speaker \"S\"", "line 1: unknown item 'speaker'"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseMixerModel(c.text, &error)) << c.text;
        EXPECT_EQ(error, c.error) << c.text;
    }
}

TEST(MixerModelText, EnvironmentSelectsTheModelFile)
{
    testkit::TempDir dir;
    testkit::WriteFile(dir / "card.mixer", kCard);
    {
        testkit::ScopedEnv env("QX_MIXER_MODEL", dir / "card.mixer");
        ASSERT_EQ(mixerGetNumDevs(), 2u);
        MIXERCAPS caps{};
        ASSERT_EQ(mixerGetDevCaps(0, &caps, sizeof caps), MMSYSERR_NOERROR);
        EXPECT_STREQ(caps.szPname, "Model Audio");
        EXPECT_EQ(caps.cDestinations, 2u);
    }
    // A file that cannot be used gives no devices rather than a failure.
    testkit::WriteFile(dir / "bad.mixer", "device \"D\"\nknob");
    for (const std::string& path : {dir / "bad.mixer", dir / "missing.mixer"}) {
        testkit::ScopedEnv env("QX_MIXER_MODEL", path);
        EXPECT_EQ(mixerGetNumDevs(), 0u) << path;
        HMIXER h = nullptr;
        EXPECT_EQ(mixerOpen(&h, 0, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    }
}

TEST(MixerModelText, MachineWithoutSoundCardsHasNoDevices)
{
    if (std::filesystem::exists("/dev/snd/controlC0"))
        GTEST_SKIP() << "this machine has a sound card";
    testkit::ScopedEnv env("QX_MIXER_MODEL", "");
    EXPECT_EQ(mixerGetNumDevs(), 0u);
    HMIXER h = nullptr;
    EXPECT_EQ(mixerOpen(&h, 0, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(h, nullptr);
}

} // namespace
