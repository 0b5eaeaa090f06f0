// The capture-device dialog as the form runs it (Tools > マイク設定, the
// "MIC" launch) on a private sound server whose sources are the devices:
// the check boxes, the level slider, OK, Cancel with its roll-back, and the
// automatic form.
#include "form_fixture.h"

#include "res/resource.h"
#include "toolkit/dialog.h"
#include "toolkit/list_ctrl.h"
#include "toolkit/slider_ctrl.h"

#include <gmock/gmock.h>

#include <QAbstractScrollArea>
#include <QApplication>
#include <QSlider>
#include <QTest>

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

// The dialog's controls while it runs.
struct DeviceDialog {
    explicit DeviceDialog(CDialog& d) : dialog(d)
    {
        d.Widget()->show(); // lays the list out
        QApplication::processEvents();
    }
    CListCtrl& List() { return *static_cast<CListCtrl*>(dialog.GetDlgItem(IDC_DEVICE_LIST)); }
    QSlider& Slider() { return *qobject_cast<QSlider*>(dialog.GetDlgItem(IDC_DEVICE_LEVEL)->Widget()); }
    QWidget* Viewport() { return static_cast<QAbstractScrollArea*>(List().Widget())->viewport(); }
    std::vector<std::string> Names()
    {
        std::vector<std::string> out;
        for (int i = 0; i < List().GetItemCount(); ++i)
            out.push_back(List().GetItemText(i));
        return out;
    }
    // The items whose box is set.
    std::vector<int> Checked()
    {
        std::vector<int> out;
        for (int i = 0; i < List().GetItemCount(); ++i)
            if (List().GetCheck(i))
                out.push_back(i);
        return out;
    }
    void ClickLabel(int item)
    {
        const QRect r = List().GetItemRect(item);
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, QPoint(r.right() - 5, r.center().y()));
    }
    void ClickBox(int item)
    {
        QTest::mouseClick(Viewport(), Qt::LeftButton, {}, List().GetCheckBoxRect(item).center());
    }
    void Press(UINT id) { qobject_cast<QAbstractButton*>(dialog.GetDlgItem(id)->Widget())->click(); }
    int Item(const char* name)
    {
        for (int i = 0; i < List().GetItemCount(); ++i)
            if (List().GetItemText(i) == name)
                return i;
        return -1;
    }

    CDialog& dialog;
};

class DeviceOptionsTest : public RecordFormTest {
protected:
    void SetUp() override
    {
        // The microphone at half level and muted before the recorder starts.
        ASSERT_TRUE(StartSoundServer());
        m_pulse->Pactl(std::string("set-source-volume ") + testkit::PulseServer::kInput + " 50%");
        m_pulse->Pactl(std::string("set-source-mute ") + testkit::PulseServer::kInput + " 1");
        NSndOption devices;
        devices.SetWork();
        for (int i = 0; i < devices.GetInfoCount(); ++i)
            if (std::string(devices.GetInfo(i)->name) == testkit::PulseServer::kInputDescription)
                m_nMic = i;
        ASSERT_GE(m_nMic, 0);
        m_store.SetDword("Software\\VELMORA\\Ardo サウンドレコーダー\\MicSettings", "VistaDevIndex",
            static_cast<DWORD>(m_nMic));
        RecordFormTest::SetUp();
    }
    std::string MicVolume() { return m_pulse->Pactl(std::string("get-source-volume ") + testkit::PulseServer::kInput); }
    std::string MicMute() { return m_pulse->Pactl(std::string("get-source-mute ") + testkit::PulseServer::kInput); }

    int m_nMic = -1;
};

TEST_F(DeviceOptionsTest, ShowsTheStoredDeviceAndCancelRollsItsLevelBack)
{
    m_ui.modalHandlers.push_back([&](CDialog& d) {
        DeviceDialog dlg(d);
        EXPECT_EQ(d.GetWindowText(), "マイク設定");
        EXPECT_THAT(dlg.Names(), ElementsAre(testkit::PulseServer::kMonitorDescription,
                                     testkit::PulseServer::kInputDescription));
        EXPECT_TRUE(d.GetDlgItem(IDOK)->IsWindowVisible());
        EXPECT_FALSE(d.GetDlgItem(IDC_DEVICE_SELECT)->IsWindowVisible());
        // Shown as chosen: its box, its level on the slider, and unmuted.
        EXPECT_THAT(dlg.Checked(), ElementsAre(dlg.Item(testkit::PulseServer::kInputDescription)));
        EXPECT_EQ(dlg.Slider().value(), 50);
        EXPECT_THAT(MicMute(), HasSubstr("no"));
        // The slider at the top: full level.
        dlg.Slider().triggerAction(QAbstractSlider::SliderToMinimum);
        EXPECT_THAT(MicVolume(), HasSubstr("100%"));
        EXPECT_THAT(MicMute(), HasSubstr("no"));
        dlg.Press(IDCANCEL);
    });
    Frame()->ExecuteCommand(ID_SETTINGS_MIC);
    ASSERT_EQ(m_ui.modalTemplates, std::vector<UINT>{IDD_DEVICE_SELECT});
    EXPECT_THAT(MicVolume(), HasSubstr("50%"));
    EXPECT_THAT(MicMute(), HasSubstr("yes"));
    // The microphone became current all the same; the mode bar did not move.
    EXPECT_EQ(Doc()->GetCurrentSource(), SRC_MIC);
    EXPECT_EQ(Frame()->ModeBar().GetSelectedItem()->GetID(), static_cast<UINT>(ID_MODE_PCSOUND));
    EXPECT_EQ(Current()->VistaDevIndex, m_nMic);
}

TEST_F(DeviceOptionsTest, AnyClickLeavesExactlyTheClickedBoxSetAndOkStoresIt)
{
    m_ui.modalHandlers.push_back([&](CDialog& d) {
        DeviceDialog dlg(d);
        const int monitor = dlg.Item(testkit::PulseServer::kMonitorDescription);
        const int mic = dlg.Item(testkit::PulseServer::kInputDescription);
        dlg.ClickLabel(monitor);
        EXPECT_THAT(dlg.Checked(), ElementsAre(monitor));
        dlg.ClickBox(mic);
        EXPECT_THAT(dlg.Checked(), ElementsAre(mic));
        dlg.ClickBox(mic); // its own box again: still set
        EXPECT_THAT(dlg.Checked(), ElementsAre(mic));
        dlg.ClickLabel(monitor);
        dlg.ClickLabel(monitor);
        EXPECT_THAT(dlg.Checked(), ElementsAre(monitor));
        EXPECT_EQ(dlg.List().GetSelectedItem(), monitor);
        // Below the items: nothing changes.
        QTest::mouseClick(dlg.Viewport(), Qt::LeftButton, {}, QPoint(5, dlg.Viewport()->height() - 3));
        EXPECT_THAT(dlg.Checked(), ElementsAre(monitor));
        dlg.Press(IDOK);
    });
    Frame()->ExecuteCommand(ID_SETTINGS_USER);
    EXPECT_EQ(Doc()->GetCurrentSource(), SRC_USER);
    EXPECT_NE(Current()->VistaDevIndex, m_nMic);
    EXPECT_EQ(Text(IDC_DEVICE_INFO), std::string("[") + testkit::PulseServer::kMonitorDescription + "]");
    Frame()->ExecuteCommand(ID_APP_EXIT);
    Pump();
    EXPECT_EQ(Profile("UserSndSettings", "VistaDevIndex"), std::to_string(1 - m_nMic));
}

TEST_F(DeviceOptionsTest, AStoredDeviceNoLongerListedShowsNothingChosen)
{
    Doc()->GetSettings(SRC_MIC)->VistaDevIndex = 7;
    m_ui.modalHandlers.push_back([&](CDialog& d) {
        DeviceDialog dlg(d);
        EXPECT_EQ(dlg.List().GetItemCount(), 2);
        EXPECT_TRUE(dlg.Checked().empty());
        EXPECT_EQ(dlg.Slider().value(), 0); // the top
        EXPECT_THAT(MicMute(), HasSubstr("yes")); // nothing was applied
    });
    Frame()->ExecuteCommand(ID_SETTINGS_MIC);
    EXPECT_EQ(m_ui.modalTemplates.size(), 1u);
}

class MicLaunchTest : public DeviceOptionsTest {
protected:
    void SetUp() override {}
};

TEST_F(MicLaunchTest, RunsTheAutomaticFormAndStoresTheChoiceAtClose)
{
    DeviceOptionsTest::SetUp(); // a normal start first, for the server and the index
    if (HasFatalFailure())
        return;
    Frame()->ExecuteCommand(ID_APP_EXIT);
    Pump();
    m_app->ExitInstance();
    m_app.reset();

    m_ui.modalHandlers.push_back([&](CDialog& d) {
        DeviceDialog dlg(d);
        EXPECT_EQ(d.GetWindowText(), "マイク設定");
        EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowVisible());
        EXPECT_FALSE(d.GetDlgItem(IDCANCEL)->IsWindowVisible());
        EXPECT_TRUE(d.GetDlgItem(IDC_DEVICE_SELECT)->IsWindowVisible());
        dlg.ClickLabel(dlg.Item(testkit::PulseServer::kMonitorDescription));
        // Keys and the close box are swallowed.
        QTest::keyClick(d.Widget(), Qt::Key_Escape);
        QTest::keyClick(d.Widget(), Qt::Key_Return);
        d.Widget()->close();
        EXPECT_FALSE(d.IsEnded());
        dlg.Press(IDC_DEVICE_SELECT);
        EXPECT_EQ(d.GetModalResult(), IDOK);
    });
    ASSERT_TRUE(Start({"MIC"}));
    Pump();
    Pump();
    EXPECT_EQ(m_ui.modalTemplates, std::vector<UINT>{IDD_DEVICE_SELECT});
    EXPECT_EQ(m_app->m_pMainWnd, nullptr);
    EXPECT_EQ(Profile("MicSettings", "VistaDevIndex"), std::to_string(1 - m_nMic));
}

} // namespace
