// The settings document: defaults, values taken as stored, saving of all
// three sources at close, and the mixer selection of the current source.
#include "recorder_fixture.h"

namespace {

TEST_F(RecorderTest, SourcesComeUpWithTheDefaultsOnAnEmptyRegistry)
{
    ASSERT_TRUE(Start());
    for (int kind : {SRC_PCSOUND, SRC_MIC, SRC_USER}) {
        const SourceSettings* s = Doc()->GetSettings(kind);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->BitCount, 16);
        EXPECT_EQ(s->Channel, 2);
        EXPECT_EQ(s->Sample, 44100);
        // The recording form makes the PC-sound record use the default
        // capture device and, without an MP3 library beside the tests, WAV.
        EXPECT_EQ(s->FileType, kind == SRC_PCSOUND ? OFT_WAV : OFT_MP3);
        if (kind != SRC_PCSOUND) {
            EXPECT_EQ(s->VistaDevIndex, 0);
        }
        EXPECT_EQ(s->DevIndex, 0);
        EXPECT_EQ(s->CtrlIndex, 0);
        EXPECT_EQ(s->CtrlValue, 0);
        EXPECT_EQ(s->DevName, "");
    }
    EXPECT_EQ(Doc()->GetSettings(3), nullptr);
    EXPECT_EQ(Doc()->GetSettings(-1), nullptr);
    EXPECT_FALSE(Doc()->LoadSettings(3));
    EXPECT_FALSE(Doc()->SaveSettings(-1));
}

TEST_F(RecorderTest, StoredValuesLoadUnchangedAndAllSectionsAreSavedAtClose)
{
    const std::string root = "Software\\VELMORA\\Ardo サウンドレコーダー\\";
    m_store.SetDword(root + "UserSndSettings", "BitCount", 24);   // not in the list
    m_store.SetDword(root + "UserSndSettings", "Sample", 12345); // neither
    m_store.SetDword(root + "UserSndSettings", "FileType", 7);
    m_store.SetString(root + "UserSndSettings", "DevName", "Test Audio");
    m_store.SetString(root + "UserSndSettings", "LineName", "ライン入力");
    m_store.SetDword(root + "UserSndSettings", "CtrlValue", static_cast<DWORD>(-5));
    ASSERT_TRUE(Start());

    const SourceSettings* user = Doc()->GetSettings(SRC_USER);
    EXPECT_EQ(user->BitCount, 24);
    EXPECT_EQ(user->Sample, 12345);
    EXPECT_EQ(user->FileType, 7);
    EXPECT_EQ(user->LineName, "ライン入力");
    EXPECT_EQ(user->CtrlValue, -5);

    // A device index stored now reaches the registry with the next save.
    Doc()->SetCurrentSource(SRC_MIC);
    Doc()->SetCurrentDeviceIndex(3);
    EXPECT_EQ(Profile("MicSettings", "VistaDevIndex"), "<missing>");
    Doc()->GetCurrentSettings()->Channel = 1;
    EXPECT_TRUE(Doc()->SaveCurrentSettings());
    EXPECT_EQ(Profile("MicSettings", "VistaDevIndex"), "3");
    EXPECT_EQ(Profile("MicSettings", "Channel"), "1");
    EXPECT_EQ(Profile("PCSndSettings", "Sample"), "<missing>");

    Frame()->SendMessage(WM_CLOSE);
    for (const char* section : {"PCSndSettings", "MicSettings", "UserSndSettings"})
        for (const char* entry : {"DevName", "DevIndex", "LineName", "CtrlIndex", "CtrlValue", "BitCount", "Channel",
                 "Sample", "FileType", "VistaDevIndex"})
            EXPECT_NE(Profile(section, entry), "<missing>") << section << "\\" << entry;
    EXPECT_EQ(Profile("UserSndSettings", "BitCount"), "24");
    EXPECT_EQ(Profile("UserSndSettings", "Sample"), "12345");
    EXPECT_EQ(Profile("UserSndSettings", "LineName"), "ライン入力");
    EXPECT_EQ(Profile("UserSndSettings", "CtrlValue"), "-5");
    EXPECT_EQ(Profile("PCSndSettings", "FileType"), "0"); // no MP3 library beside the tests
}

TEST_F(RecorderTest, ChangingTheCurrentSourceAppliesItsMixerSelectionOnce)
{
    const std::string root = "Software\\VELMORA\\Ardo サウンドレコーダー\\";
    m_store.SetDword(root + "PCSndSettings", "CtrlIndex", 2); // Stereo Mix
    m_store.SetDword(root + "MicSettings", "CtrlIndex", 0);   // Microphone
    m_store.SetDword(root + "UserSndSettings", "CtrlIndex", 1); // Line In
    ASSERT_TRUE(Start());
    EXPECT_EQ(MixerProbe::SelectedSource(), 2);

    Doc()->SetCurrentSource(SRC_USER);
    EXPECT_EQ(MixerProbe::SelectedSource(), 1);
    // The current source again applies nothing, even when the mixer moved.
    Doc()->SetCurrentSource(SRC_MIC);
    EXPECT_EQ(MixerProbe::SelectedSource(), 0);
    CMixer other;
    ApplyRecordingSource(other, 0, 2, 0);
    Doc()->SetCurrentSource(SRC_MIC);
    EXPECT_EQ(MixerProbe::SelectedSource(), 2);
}

} // namespace
