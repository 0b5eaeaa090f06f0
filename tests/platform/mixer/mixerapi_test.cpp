// The mixer functions as a caller written for the Windows interface uses them.
#include "mixer/mixer_devices.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kCard = R"(device "Model Audio"
destination "Speakers" type=speakers channels=2
control volume "Master" value=100 uniform
destination "Recording Control" type=wavein channels=2
control volume "Recording Volume" value=30000,40000
control mux "Recording Source" value=0,1,0
control boolean "Loudness" value=0 uniform
source "Microphone" type=microphone channels=2
control mute "Mic Mute" value=1 uniform
control volume "Mic Volume" value=10 min=5 max=100 uniform
source "Line In" type=line unreadable
control volume "Line Volume" value=1
source "CD" type=compactdisc controls-unreadable
control mute "CD Mute" value=1 uniform unreadable fails-write
)";

class MixerApi : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        auto devices = ParseMixerModel(kCard, &error);
        ASSERT_TRUE(devices) << error;
        m_card = devices->front();
        InstallMixerDevices(std::move(*devices));
        ASSERT_EQ(mixerOpen(&m_h, 0, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    }
    void TearDown() override
    {
        if (m_h)
            mixerClose(m_h);
        InstallMixerDevices(std::nullopt);
    }

    HMIXEROBJ Obj() const { return reinterpret_cast<HMIXEROBJ>(m_h); }

    MMRESULT Line(DWORD query, MIXERLINE& line)
    {
        line.cbStruct = sizeof line;
        return mixerGetLineInfo(Obj(), &line, query | MIXER_OBJECTF_HMIXER);
    }

    MMRESULT Control(DWORD query, DWORD lineId, DWORD idOrType, MIXERCONTROL& mc)
    {
        MIXERLINECONTROLS lc{};
        lc.cbStruct = sizeof lc;
        lc.dwLineID = lineId;
        lc.dwControlID = idOrType;
        lc.cControls = 1;
        lc.cbmxctrl = sizeof mc;
        lc.pamxctrl = &mc;
        return mixerGetLineControls(Obj(), &lc, query | MIXER_OBJECTF_HMIXER);
    }

    MMRESULT Details(bool set, DWORD controlId, DWORD channels, DWORD items, std::vector<LONG>& values)
    {
        MIXERCONTROLDETAILS d{};
        d.cbStruct = sizeof d;
        d.dwControlID = controlId;
        d.cChannels = channels;
        d.cMultipleItems = items;
        d.cbDetails = sizeof(LONG);
        values.resize(std::size_t{channels} * (items ? items : 1));
        d.paDetails = values.data();
        return set ? mixerSetControlDetails(Obj(), &d, MIXER_SETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER)
                   : mixerGetControlDetails(Obj(), &d, MIXER_GETCONTROLDETAILSF_VALUE | MIXER_OBJECTF_HMIXER);
    }

    std::shared_ptr<MixerDeviceModel> m_card;
    HMIXER m_h = nullptr;
};

TEST_F(MixerApi, DescribesLinesByEveryQuery)
{
    MIXERCAPS caps{};
    ASSERT_EQ(mixerGetDevCaps(reinterpret_cast<UINT_PTR>(m_h), &caps, sizeof caps), MMSYSERR_NOERROR);
    EXPECT_STREQ(caps.szPname, "Model Audio");
    EXPECT_EQ(caps.cDestinations, 2u);

    MIXERLINE dest{};
    dest.dwDestination = 1;
    ASSERT_EQ(Line(MIXER_GETLINEINFOF_DESTINATION, dest), MMSYSERR_NOERROR);
    EXPECT_EQ(dest.dwComponentType, MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    EXPECT_EQ(dest.dwLineID, 0xFFFF0001u);
    EXPECT_EQ(dest.cConnections, 3u);
    EXPECT_EQ(dest.cControls, 3u);
    EXPECT_EQ(dest.cChannels, 2u);
    EXPECT_STREQ(dest.szName, "Recording Control");
    EXPECT_EQ(dest.Target.dwType, MIXERLINE_TARGETTYPE_WAVEIN);

    MIXERLINE src{};
    src.dwDestination = 1;
    src.dwSource = 0;
    ASSERT_EQ(Line(MIXER_GETLINEINFOF_SOURCE, src), MMSYSERR_NOERROR);
    EXPECT_STREQ(src.szName, "Microphone");
    EXPECT_EQ(src.dwComponentType, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE);
    EXPECT_TRUE(src.fdwLine & MIXERLINE_LINEF_SOURCE);

    MIXERLINE byId{};
    byId.dwLineID = src.dwLineID;
    ASSERT_EQ(Line(MIXER_GETLINEINFOF_LINEID, byId), MMSYSERR_NOERROR);
    EXPECT_STREQ(byId.szName, "Microphone");
    MIXERLINE byType{};
    byType.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    ASSERT_EQ(Line(MIXER_GETLINEINFOF_COMPONENTTYPE, byType), MMSYSERR_NOERROR);
    EXPECT_EQ(byType.dwLineID, dest.dwLineID);

    // Out of range, unknown and unreadable lines.
    MIXERLINE bad{};
    bad.dwDestination = 2;
    EXPECT_EQ(Line(MIXER_GETLINEINFOF_DESTINATION, bad), MMSYSERR_INVALPARAM);
    bad.dwLineID = 0x12345678;
    EXPECT_EQ(Line(MIXER_GETLINEINFOF_LINEID, bad), MIXERR_INVALLINE);
    bad.dwDestination = 1;
    bad.dwSource = 1;
    EXPECT_EQ(Line(MIXER_GETLINEINFOF_SOURCE, bad), MMSYSERR_ERROR);
    bad.cbStruct = 8;
    EXPECT_EQ(mixerGetLineInfo(Obj(), &bad, MIXER_GETLINEINFOF_DESTINATION), MMSYSERR_INVALPARAM);

    // A device index serves as well as a handle, unless a handle is announced.
    MIXERLINE viaIndex{};
    viaIndex.cbStruct = sizeof viaIndex;
    EXPECT_EQ(mixerGetLineInfo(reinterpret_cast<HMIXEROBJ>(0), &viaIndex, MIXER_OBJECTF_MIXER), MMSYSERR_NOERROR);
    EXPECT_STREQ(viaIndex.szName, "Speakers");
    EXPECT_EQ(mixerGetLineInfo(reinterpret_cast<HMIXEROBJ>(0), &viaIndex, MIXER_OBJECTF_HMIXER),
              MMSYSERR_INVALHANDLE);
}

TEST_F(MixerApi, FindsControlsAllByIdAndByType)
{
    std::vector<MIXERCONTROL> all(3);
    MIXERLINECONTROLS lc{};
    lc.cbStruct = sizeof lc;
    lc.dwLineID = 0xFFFF0001u;
    lc.cControls = 3;
    lc.cbmxctrl = sizeof(MIXERCONTROL);
    lc.pamxctrl = all.data();
    ASSERT_EQ(mixerGetLineControls(Obj(), &lc, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_NOERROR);
    EXPECT_EQ(all[0].dwControlType, MIXERCONTROL_CONTROLTYPE_VOLUME);
    EXPECT_EQ(all[0].fdwControl, 0u);
    EXPECT_EQ(all[0].Bounds.dwMaximum, 65535u);
    EXPECT_EQ(all[1].dwControlType, MIXERCONTROL_CONTROLTYPE_MUX);
    EXPECT_EQ(all[1].cMultipleItems, 3u);
    EXPECT_STREQ(all[1].szName, "Recording Source");
    lc.cControls = 2; // must be the line's count
    EXPECT_EQ(mixerGetLineControls(Obj(), &lc, MIXER_GETLINECONTROLSF_ALL), MMSYSERR_INVALPARAM);

    MIXERCONTROL mc{};
    ASSERT_EQ(Control(MIXER_GETLINECONTROLSF_ONEBYTYPE, 0xFFFF0001u, MIXERCONTROL_CONTROLTYPE_MUX, mc), MMSYSERR_NOERROR);
    EXPECT_EQ(mc.dwControlID, all[1].dwControlID);
    EXPECT_EQ(Control(MIXER_GETLINECONTROLSF_ONEBYTYPE, 0xFFFF0001u, MIXERCONTROL_CONTROLTYPE_MUTE, mc),
              MIXERR_INVALCONTROL);
    ASSERT_EQ(Control(MIXER_GETLINECONTROLSF_ONEBYID, 0, all[2].dwControlID, mc), MMSYSERR_NOERROR);
    EXPECT_STREQ(mc.szName, "Loudness");
    EXPECT_EQ(Control(MIXER_GETLINECONTROLSF_ONEBYID, 0, 999, mc), MIXERR_INVALCONTROL);

    // A line whose control list cannot be read, under every query.
    const DWORD cdLine = 0x00030001u;
    EXPECT_EQ(Control(MIXER_GETLINECONTROLSF_ONEBYTYPE, cdLine, MIXERCONTROL_CONTROLTYPE_MUTE, mc), MMSYSERR_ERROR);
    const DWORD cdMute = m_card->destinations[1].sources[2].controls[0].id;
    EXPECT_EQ(Control(MIXER_GETLINECONTROLSF_ONEBYID, 0, cdMute, mc), MMSYSERR_ERROR);
}

TEST_F(MixerApi, ExchangesValuesByChannel)
{
    const DWORD volume = m_card->destinations[1].controls[0].id;
    std::vector<LONG> v;
    // Both channels, or the first alone; more channels than the line has is refused.
    ASSERT_EQ(Details(false, volume, 2, 0, v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<LONG>{30000, 40000}));
    ASSERT_EQ(Details(false, volume, 1, 0, v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<LONG>{30000}));
    EXPECT_EQ(Details(false, volume, 3, 0, v), MMSYSERR_INVALPARAM);
    EXPECT_EQ(Details(false, volume, 2, 2, v), MMSYSERR_INVALPARAM);

    // One channel written to a stereo control sets both.
    v = {50000};
    ASSERT_EQ(Details(true, volume, 1, 0, v), MMSYSERR_NOERROR);
    ASSERT_EQ(Details(false, volume, 2, 0, v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<LONG>{50000, 50000}));
    v = {1, 70000};
    ASSERT_EQ(Details(true, volume, 2, 0, v), MMSYSERR_NOERROR);
    EXPECT_EQ(m_card->destinations[1].controls[0].values, (std::vector<LONG>{1, 65535})) << "kept in range";

    // A uniform control takes one channel only; values stay within its bounds.
    const DWORD micVolume = m_card->destinations[1].sources[0].controls[1].id;
    EXPECT_EQ(Details(false, micVolume, 2, 0, v), MMSYSERR_INVALPARAM);
    v = {1};
    ASSERT_EQ(Details(true, micVolume, 1, 0, v), MMSYSERR_NOERROR);
    ASSERT_EQ(Details(false, micVolume, 1, 0, v), MMSYSERR_NOERROR);
    EXPECT_EQ(v[0], 5);

    // Switches hold 0 or 1.
    const DWORD loudness = m_card->destinations[1].controls[2].id;
    v = {7};
    ASSERT_EQ(Details(true, loudness, 1, 0, v), MMSYSERR_NOERROR);
    ASSERT_EQ(Details(false, loudness, 1, 0, v), MMSYSERR_NOERROR);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(m_card->writeCount, 4u);
}

TEST_F(MixerApi, MultiplexerItemsAndTexts)
{
    const auto& muxModel = m_card->destinations[1].controls[1];
    std::vector<LONG> v;
    EXPECT_EQ(Details(false, muxModel.id, 1, 0, v), MMSYSERR_INVALPARAM) << "item count required";
    ASSERT_EQ(Details(false, muxModel.id, 1, 3, v), MMSYSERR_NOERROR);
    EXPECT_EQ(v, (std::vector<LONG>{0, 1, 0}));
    v = {0, 0, 1};
    ASSERT_EQ(Details(true, muxModel.id, 1, 3, v), MMSYSERR_NOERROR);
    EXPECT_EQ(muxModel.values, (std::vector<LONG>{0, 0, 1}));

    std::vector<MIXERCONTROLDETAILS_LISTTEXT> texts(3);
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof d;
    d.dwControlID = muxModel.id;
    d.cChannels = 1;
    d.cMultipleItems = 3;
    d.cbDetails = sizeof(MIXERCONTROLDETAILS_LISTTEXT);
    d.paDetails = texts.data();
    ASSERT_EQ(mixerGetControlDetails(Obj(), &d, MIXER_GETCONTROLDETAILSF_LISTTEXT), MMSYSERR_NOERROR);
    EXPECT_STREQ(texts[0].szName, "Microphone");
    EXPECT_STREQ(texts[2].szName, "CD");
    EXPECT_EQ(texts[1].dwParam1, 0x00020001u);
    EXPECT_EQ(texts[1].dwParam2, MIXERLINE_COMPONENTTYPE_SRC_LINE);
    d.cbDetails = sizeof(LONG);
    EXPECT_EQ(mixerGetControlDetails(Obj(), &d, MIXER_GETCONTROLDETAILSF_LISTTEXT), MMSYSERR_INVALPARAM);
}

TEST_F(MixerApi, UnreadableAndFailingControlsLeaveValuesAlone)
{
    const auto& cdMute = m_card->destinations[1].sources[2].controls[0];
    std::vector<LONG> v;
    EXPECT_EQ(Details(false, cdMute.id, 1, 0, v), MMSYSERR_ERROR);
    v = {0};
    EXPECT_EQ(Details(true, cdMute.id, 1, 0, v), MMSYSERR_ERROR);
    EXPECT_EQ(cdMute.values, (std::vector<LONG>{1}));
    EXPECT_EQ(m_card->writeCount, 0u);
}

TEST_F(MixerApi, HandlesOpenAndClose)
{
    HMIXER second = nullptr;
    const auto window = DWORD_PTR{0x1234};
    ASSERT_EQ(mixerOpen(&second, 0, window, 0, CALLBACK_WINDOW), MMSYSERR_NOERROR);
    EXPECT_NE(second, m_h);
    EXPECT_EQ(mixerClose(second), MMSYSERR_NOERROR);
    HMIXER failed = m_h;
    EXPECT_EQ(mixerOpen(&failed, 1, 0, 0, CALLBACK_NULL), MMSYSERR_BADDEVICEID);
    EXPECT_EQ(failed, nullptr);
    EXPECT_EQ(mixerOpen(&failed, 0, 0, 0, 0x00030000 /* function callback */), MMSYSERR_INVALFLAG);
    EXPECT_EQ(mixerOpen(nullptr, 0, 0, 0, CALLBACK_NULL), MMSYSERR_INVALPARAM);

    // The handle dies with its close; a second close is refused.
    ASSERT_EQ(mixerClose(m_h), MMSYSERR_NOERROR);
    EXPECT_EQ(mixerClose(m_h), MMSYSERR_INVALHANDLE);
    MIXERLINE line{};
    line.cbStruct = sizeof line;
    EXPECT_EQ(mixerGetLineInfo(Obj(), &line, MIXER_OBJECTF_HMIXER), MMSYSERR_INVALHANDLE);
    m_h = nullptr;
}

} // namespace
