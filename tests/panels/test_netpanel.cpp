// A panel on a network drive whose server stops answering: the drive is
// said to be not ready within the network time limit, and a look that
// hangs never holds the caller past it.
#include "panels/panelreader.h"
#include "platform/drivemap.h"
#include "platform/hostfile.h"
#include "platform/netrecords.h"
#include "platform/slowdrive.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace dovex::test {

namespace {

class NetPanelTest : public ::testing::Test {
protected:
    NetPanelTest()
    {
        qputenv("DOVEX_NET_TIMEOUT", "1");
        QDir().mkpath(share.path() + "/docs");
        netrecords::setLiveMountCheck([this](const QString& dir) { return dir == share.path(); });
        netrecords::setAnswerCheck([this](const QString&) { return answering.load(); });
        netrecords::Records records;
        records.drives.append({QChar('E'), "smb://nas/share", share.path(), false});
        hostfile::makeDirectories(drives.programDir());
        netrecords::write(records);
        DriveMap::instance().reload();
    }
    ~NetPanelTest() override
    {
        netrecords::setLiveMountCheck(nullptr);
        netrecords::setAnswerCheck(nullptr);
        qunsetenv("DOVEX_NET_TIMEOUT");
        DriveMap::instance().reload();
    }

    DriveFixture drives{QStringLiteral("C")};
    QTemporaryDir share;
    std::atomic<bool> answering{true};
};

} // namespace

TEST_F(NetPanelTest, AServerThatStopsAnsweringIsNotReadyAndAbortGoesToDriveC)
{
    ASSERT_TRUE(DriveMap::instance().isNetworkDrive('E'));
    FilePanel panel;
    panel.path = QStringLiteral("E:\\");
    ScriptedPrompter prompter;
    ASSERT_EQ(readPanel(panel, prompter), PanelReadOutcome::Read);
    EXPECT_TRUE(prompter.texts().isEmpty());
    ASSERT_FALSE(panel.entries.empty());
    EXPECT_EQ(panel.entries[0].name, "docs");

    answering = false;
    prompter.script({Answer::Retry, Answer::Abort});
    ASSERT_EQ(readPanel(panel, prompter), PanelReadOutcome::Read);
    EXPECT_EQ(prompter.texts(), QStringList({"Drive e not ready", "Drive e not ready"}));
    EXPECT_EQ(panel.path.toLower(), "c:\\");
}

TEST_F(NetPanelTest, ALookThatHangsIsGivenUpAndTheDriveStaysNotReadyUntilItReturns)
{
    auto release = std::make_shared<std::atomic<bool>>(false);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(slowdrive::run('E', [release] {
        while (!release->load())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_TRUE(slowdrive::stuck('E'));
    // While stuck, nothing else waits on the drive: not ready at once.
    clock.restart();
    EXPECT_FALSE(DriveMap::instance().space('E'));
    EXPECT_FALSE(slowdrive::run('E', [] {}));
    EXPECT_LT(clock.elapsed(), 500);
    // A local drive is never held up by it.
    EXPECT_TRUE(slowdrive::run('C', [] {}));

    *release = true;
    clock.restart();
    while (slowdrive::stuck('E') && clock.elapsed() < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_FALSE(slowdrive::stuck('E'));
    EXPECT_TRUE(DriveMap::instance().space('E'));
}

} // namespace dovex::test
