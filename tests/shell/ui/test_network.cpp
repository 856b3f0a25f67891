// The main window's network commands, on a scripted network.
#include "shell/ui/windowtest.h"

#include "controls/twin97button.h"
#include "network/ui/tconnect.h"
#include "network/ui/tconnectdialog.h"
#include "panels/ui/panellist.h"
#include "shell/ui/commandline.h"
#include "support/fakenetprovider.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QTest>

namespace dovex::test {

namespace {

class NetworkTest : public WindowTest {
protected:
    NetworkTest()
    {
        net.levels[QString()] = QList<NetResource>{
            FakeNetProvider::container(NetResource::Display::Server, "\\\\nas", "smb://nas/")};
        net.levels["smb://nas/"] = QList<NetResource>{FakeNetProvider::share("\\\\nas\\Music")};
    }
    // Runs Connect with the dialog choosing the share and OK.
    void connectShare(TForm1& form)
    {
        form.networkConnect().run = [](TConnectDialog& d) {
            d.show();
            const auto found =
                d.NetBrowse1()->findItems("music", Qt::MatchExactly | Qt::MatchRecursive);
            if (!found.isEmpty())
                d.NetBrowse1()->setCurrentItem(found.first());
            d.hide();
            return int(QDialog::Accepted);
        };
        form.ConnectNetworkdrive();
    }
    bool listed(TForm1& form, int n, QChar letter)
    {
        return form.driveBox(n)->driveItem(letter) >= 0;
    }

    FakeNetProvider net;
    FakeNetConnector connector;
};

TEST_F(NetworkTest, CommandsNeedANetworkButRereadingDoesNot)
{
    ini("[Settings]\nShowIntro=0\n[Panels]\nDir1=C:\\\nDir2=D:\\\n");
    auto form = start();
    EXPECT_FALSE(form->command(Cmd::ConnectNetworkdrive)->isEnabled());
    EXPECT_FALSE(form->command(Cmd::DisconnectNetworkdrive)->isEnabled());
    QAction* reread = form->command(Cmd::ReallocateNetworkDrives);
    ASSERT_TRUE(reread->isEnabled());
    EXPECT_EQ(reread->shortcut(), QKeySequence("Ctrl+D"));
    EXPECT_TRUE(form->toolButton("Reread Networkdrives")->isEnabled());
    EXPECT_FALSE(form->toolButton("Connect Networkdrive")->isEnabled());

    // A drive that appeared meanwhile shows on the boxes and bars after a reread.
    QTemporaryDir extra;
    qputenv("DOVEX_DRIVES", qgetenv("DOVEX_DRIVES") + ";H=" + extra.path().toUtf8());
    EXPECT_FALSE(listed(*form, 1, 'H'));
    reread->trigger();
    EXPECT_TRUE(listed(*form, 1, 'H'));
    EXPECT_TRUE(listed(*form, 2, 'H'));
    EXPECT_EQ(form->driveCount(), 3);

    form->setNetwork(&net, &connector);
    EXPECT_TRUE(form->command(Cmd::ConnectNetworkdrive)->isEnabled());
    EXPECT_TRUE(form->toolButton("Disconnect Networkdrive")->isEnabled());
    QMenu* barMenu = form->findChild<QMenu*>("DriveBarMenu");
    ASSERT_NE(barMenu, nullptr);
    for (QAction* item : barMenu->actions()) {
        if (item->text() == "&Add Network Connection" ||
            item->text() == "&Reallocate Networkdrives") {
            EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();
        }
    }
}

TEST_F(NetworkTest, ConnectMovesTheActivePanelToTheNewDriveAndDisconnectBackToC)
{
    ini("[Settings]\nShowIntro=0\n[Panels]\nDir1=C:\\\nDir2=D:\\\n");
    auto form = start();
    form->setNetwork(&net, &connector);
    prompter.clear(); // the start-up questions
    form->setactief(2);
    form->list(2)->setFocus();
    ASSERT_EQ(form->activePanel(), 2);

    connectShare(*form);
    ASSERT_EQ(connector.calls.size(), 1);
    EXPECT_EQ(connector.calls[0].location, "\\\\nas\\Music");
    EXPECT_EQ(connector.calls[0].letter, QChar('E'));
    EXPECT_TRUE(prompter.texts().isEmpty()) << prompter.texts().join('|').toStdString();
    EXPECT_TRUE(listed(*form, 1, 'E'));
    EXPECT_EQ(form->panel(2).path, "E:\\");
    EXPECT_EQ(form->panel(1).path, "C:\\");
    EXPECT_TRUE(form->driveBox(2)->currentText().startsWith("e:"));

    // A failed connection leaves the panels alone.
    connector.answer = NetStatus::BadPassword;
    connectShare(*form);
    EXPECT_EQ(prompter.texts(), QStringList{"Password incorrect"});
    EXPECT_EQ(form->panel(2).path, "E:\\");

    // Disconnecting the drive a panel shows takes that panel to drive C.
    int offered = 0;
    form->runDisconnectDialog = [&](TDisconnectDialog& d) {
        offered = d.list()->count();
        EXPECT_TRUE(d.list()->item(0)->text().startsWith("e:"));
        return int(QDialog::Accepted);
    };
    form->DisconnectNetworkdrive();
    EXPECT_EQ(offered, 1);
    EXPECT_EQ(connector.disconnected, QList<QChar>{QChar('E')});
    EXPECT_FALSE(listed(*form, 1, 'E'));
    EXPECT_FALSE(listed(*form, 2, 'E'));
    EXPECT_EQ(form->panel(2).path, "C:\\");
    EXPECT_EQ(form->panel(1).path, "C:\\");
    // The moved panels are read afresh: their captions and the prompt follow.
    EXPECT_TRUE(form->pathCaption(1)->text().startsWith("C:\\"));
    EXPECT_TRUE(form->pathCaption(2)->text().startsWith("C:\\"));
    EXPECT_TRUE(form->commandLine()->prompt().startsWith("C:\\"));

    // Nothing left to disconnect: a message, no dialog.
    prompter.clear();
    offered = -1;
    form->DisconnectNetworkdrive();
    EXPECT_EQ(offered, -1);
    EXPECT_EQ(prompter.count("No network drives are connected."), 1);
}

TEST_F(NetworkTest, CancelledDisconnectKeepsTheDrive)
{
    ini("[Settings]\nShowIntro=0\n[Panels]\nDir1=C:\\\nDir2=D:\\\n");
    auto form = start();
    form->setNetwork(&net, &connector);
    connectShare(*form);
    ASSERT_EQ(form->panel(1).path, "E:\\");
    form->runDisconnectDialog = [](TDisconnectDialog&) { return int(QDialog::Rejected); };
    form->DisconnectNetworkdrive();
    EXPECT_TRUE(connector.disconnected.isEmpty());
    EXPECT_EQ(form->panel(1).path, "E:\\");
    EXPECT_TRUE(listed(*form, 1, 'E'));

    // A drive that cannot go says so and stays where it is.
    prompter.clear();
    connector.refuseDisconnect = true;
    form->runDisconnectDialog = [](TDisconnectDialog&) { return int(QDialog::Accepted); };
    form->DisconnectNetworkdrive();
    EXPECT_EQ(prompter.texts(), QStringList{"Could Not disconnect e: the volume is busy"});
    EXPECT_EQ(form->panel(1).path, "E:\\");
    EXPECT_TRUE(listed(*form, 1, 'E'));
}

} // namespace

} // namespace dovex::test
