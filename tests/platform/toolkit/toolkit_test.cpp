// The toolkit on Qt's offscreen platform: controls by identifier and the
// data exchange, modal dialogs answered through the UI service, posted
// messages and timers.
#include "toolkit/app.h"
#include "toolkit/dialog.h"
#include "toolkit/scripted_ui.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <thread>

namespace {

using ::testing::ElementsAre;

void EnsureQt()
{
    static int argc = 1;
    static char name[] = "toolkit_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    (void)app;
}

DialogTemplate Form()
{
    using K = ControlKind;
    return {"テスト", 200, 120,
        {
            {K::ComboList, 10, "", 5, 5, 60, 60},
            {K::Radio, 20, "A", 5, 25, 30, 10, WS_GROUP},
            {K::Radio, 21, "B", 40, 25, 30, 10},
            {K::Radio, 22, "C", 75, 25, 30, 10},
            {K::CheckBox, 30, "Check", 5, 40, 60, 10, WS_GROUP},
            {K::Edit, 40, "", 5, 55, 40, 12, ES_NUMBER},
            {K::Spin, 41, "", 45, 55, 9, 12},
            {K::Edit, 50, "", 5, 70, 80, 12},
            {K::DefButton, static_cast<UINT>(IDOK), "OK", 100, 100, 40, 14},
            {K::Button, static_cast<UINT>(IDCANCEL), "Cancel", 150, 100, 40, 14},
        }};
}

// A dialog whose members are bound to the form's controls.
class TestDialog : public CDialog {
public:
    TestDialog() : CDialog(Form(), nullptr) {}

    int m_nChoice = 1;
    int m_nRadio = 2;
    BOOL m_bCheck = TRUE;
    UINT m_nNumber = 7;
    std::string m_strText = "今日";
    std::vector<UINT> clicks;

    BOOL OnCommand(UINT id, UINT code) override
    {
        if (code == BN_CLICKED || code == CBN_SELCHANGE)
            clicks.push_back(id);
        return CDialog::OnCommand(id, code);
    }

protected:
    BOOL OnInitDialog() override
    {
        auto* combo = static_cast<CComboBox*>(GetDlgItem(10));
        for (const char* s : {"8 Bit", "16 Bit"})
            combo->AddString(s);
        static_cast<CSpinButtonCtrl*>(GetDlgItem(41))->SetRange(0, 8);
        return CDialog::OnInitDialog();
    }

    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_CBIndex(dx, 10, m_nChoice);
        DDX_Radio(dx, 20, m_nRadio);
        DDX_Check(dx, 30, m_bCheck);
        DDX_Text(dx, 40, m_nNumber);
        DDX_Text(dx, 50, m_strText);
    }
};

class ToolkitTest : public ::testing::Test {
protected:
    ToolkitTest() { EnsureQt(); }
    ScriptedUi m_ui;
};

TEST_F(ToolkitTest, ControlsLoadTheMembersAndOkSavesTheUsersChanges)
{
    TestDialog dlg;
    m_ui.modalHandlers.push_back([](CDialog& d) {
        EXPECT_EQ(static_cast<CComboBox*>(d.GetDlgItem(10))->GetCurSel(), 1);
        EXPECT_EQ(d.IsDlgButtonChecked(22), BST_CHECKED);
        EXPECT_EQ(d.GetDlgItemText(40), "7");
        EXPECT_EQ(d.GetDlgItemText(50), "今日");
        // The user's changes, through the widgets.
        auto* combo = qobject_cast<QComboBox*>(d.GetDlgItem(10)->Widget());
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        qobject_cast<QRadioButton*>(d.GetDlgItem(20)->Widget())->click();
        qobject_cast<QAbstractButton*>(d.GetDlgItem(30)->Widget())->click();
        // The spin steps its buddy and stops at the top of its range.
        auto* up = d.GetDlgItem(41)->Widget()->findChildren<QToolButton*>().at(0);
        up->click();
        up->click();
        EXPECT_EQ(d.GetDlgItemText(40), "8");
        d.SetDlgItemText(50, "明日");
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(d.Widget(), &enter);
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(dlg.m_nChoice, 0);
    EXPECT_EQ(dlg.m_nRadio, 0);
    EXPECT_FALSE(dlg.m_bCheck);
    EXPECT_EQ(dlg.m_nNumber, 8u);
    EXPECT_EQ(dlg.m_strText, "明日");
    EXPECT_THAT(dlg.clicks, ElementsAre(10, 20, 30, static_cast<UINT>(IDOK))); // Enter is the OK button
    EXPECT_FALSE(dlg.IsWindow()); // the window goes with the modal run
}

TEST_F(ToolkitTest, EscapeCancelsAndAnUnreadableNumberKeepsTheDialogOpen)
{
    TestDialog dlg;
    dlg.m_nRadio = -1; // no radio of the group checked
    m_ui.modalHandlers.push_back([](CDialog& d) {
        EXPECT_EQ(d.IsDlgButtonChecked(20) + d.IsDlgButtonChecked(21) + d.IsDlgButtonChecked(22), 0u);
        d.SetDlgItemText(40, "");
        d.OnCommand(IDOK, BN_CLICKED);
        EXPECT_FALSE(d.IsEnded());
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(d.Widget(), &escape);
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_THAT(m_ui.Texts(), ElementsAre("整数を入力してください。"));
    EXPECT_EQ(dlg.m_nNumber, 7u);
}

TEST_F(ToolkitTest, MessageBoxesCarryTheirOwnerCaptionAndAnswers)
{
    CWnd wnd;
    wnd.Attach(new QWidget);
    m_ui.messageAnswers = {IDNO};
    EXPECT_EQ(wnd.MessageBox("続けますか?", "題", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(AfxMessageBox("注意"), IDOK);
    ASSERT_EQ(m_ui.messages.size(), 2u);
    EXPECT_EQ(m_ui.messages[0].caption, "題");
    EXPECT_TRUE(m_ui.messages[0].owned);
    // The application box adds the exclamation icon when none is asked for.
    EXPECT_EQ(m_ui.messages[1].type, MB_OK | MB_ICONEXCLAMATION);

    m_ui.fileAnswers = {std::string("/tmp/x.wav"), std::nullopt};
    CFileDialog save(FALSE, "wav", "20260101-000000.wav", OFN_OVERWRITEPROMPT, "WAV ファイル (*.wav)|*.wav||");
    save.m_strInitialDir = "/music";
    EXPECT_EQ(save.DoModal(), IDOK);
    EXPECT_EQ(save.GetPathName(), "/tmp/x.wav");
    EXPECT_EQ(m_ui.fileRequests[0].initialPath, "/music/20260101-000000.wav");
    EXPECT_FALSE(m_ui.fileRequests[0].open);
    EXPECT_EQ(save.DoModal(), IDCANCEL);
}

// Records what reaches its window procedure.
class Recorder : public CWnd {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_USER + 1)
            posted.push_back(wParam);
        return CWnd::WindowProc(message, wParam, lParam);
    }
    std::vector<WPARAM> posted;
    std::vector<UINT_PTR> ticks;

protected:
    void OnTimer(UINT_PTR id) override
    {
        ticks.push_back(id);
        if (ticks.size() == 3)
            KillTimer(id);
    }
};

TEST_F(ToolkitTest, PostedMessagesFromAnyThreadAndTimersReachTheWindow)
{
    Recorder wnd;
    wnd.Attach(new QWidget);
    std::thread poster([&] {
        for (WPARAM i = 0; i < 100; ++i)
            wnd.PostMessage(WM_USER + 1, i, 0);
    });
    poster.join();
    EXPECT_TRUE(wnd.posted.empty()); // queued, not called on the posting thread
    QCoreApplication::processEvents();
    ASSERT_EQ(wnd.posted.size(), 100u);
    EXPECT_EQ(wnd.posted.back(), 99u);

    EXPECT_EQ(wnd.SetTimer(7, 10), 7u);
    QElapsedTimer clock;
    clock.start();
    while (wnd.ticks.size() < 3 && clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    EXPECT_THAT(wnd.ticks, ElementsAre(7, 7, 7));
    EXPECT_FALSE(wnd.KillTimer(7)); // already gone
}

} // namespace
