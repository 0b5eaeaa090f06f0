// The viewer's window on Qt's offscreen platform, and where it finds messages.
#include "message_store.h"
#include "testkit.h"
#include "viewer_window.h"

#include <QApplication>
#include <QPushButton>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

TEST(OrvViewWindowTest, ShowsTheMessageUntilClosed)
{
    int argc = 1;
    char name[] = "orvview_tests";
    char* argv[] = {name, nullptr};
    QApplication app(argc, argv);
    COrvViewWindow window(QStringLiteral("新しいお知らせ\n二行目"));
    window.show();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), QStringLiteral("ヴェルモラ アップデート"));
    EXPECT_EQ(window.MessageText(), QStringLiteral("新しいお知らせ\n二行目"));
    auto* close = window.findChild<QPushButton*>(QStringLiteral("CloseButton"));
    ASSERT_NE(close, nullptr);
    close->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.result(), QDialog::Accepted);
}

TEST(MessageStoreTest, IdentifiersNameOneFileOfTheMessagesFolder)
{
    testkit::TempDir data;
    std::filesystem::create_directories(data / "messages");
    testkit::WriteFile(data / "messages/m 1.txt", "本文");
    std::filesystem::create_directories(data / "messages/m 2");
    testkit::WriteFile(data / "messages/m 2/message.txt", "フォルダー");
    testkit::WriteFile(data / "secret.txt", "no");
    EXPECT_EQ(LoadMessageText(data.Path(), "m 1.txt").value_or("?"), "本文");
    EXPECT_EQ(LoadMessageText(data.Path(), "m 2").value_or("?"), "フォルダー");
    for (const char* id : {"", ".", "..", "../secret", "m/../../secret", "missing"})
        EXPECT_FALSE(LoadMessageText(data.Path(), id).has_value()) << id;
}

} // namespace
