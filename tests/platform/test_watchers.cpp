#include "platform/dirwatcher.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "platform/mountwatcher.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

using namespace dovex;

namespace {

// Runs the event loop until the watcher reports a change or the time is up.
unsigned waitForChange(DirWatcher& w, int ms = 5000)
{
    QDeadlineTimer deadline(ms);
    unsigned bits = 0;
    while (!deadline.hasExpired() && !(bits |= w.takeChanged()))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return bits;
}

// Lets events that are on their way arrive, and returns what they changed.
unsigned settle(DirWatcher& w)
{
    QDeadlineTimer deadline(300);
    while (!deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    return w.takeChanged();
}

void touch(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, "x", 1), 1);
    ::close(fd);
}

} // namespace

TEST(DirWatcher, SeesEntriesComeAndGoInADirectoryWithAnUndecodableName)
{
    QTemporaryDir tmp;
    const QByteArray dir = tmp.path().toUtf8() + "/odd\xff\xfe";
    ASSERT_EQ(::mkdir(dir.constData(), 0755), 0);
    DirWatcher w;
    ASSERT_TRUE(w.valid());
    w.watchDirectory(1, hostname::decode(dir));
    touch(dir + "/new");
    EXPECT_EQ(waitForChange(w), 2u);
    ASSERT_EQ(::rename((dir + "/new").constData(), (dir + "/renamed").constData()), 0);
    EXPECT_EQ(waitForChange(w), 2u);
    ASSERT_EQ(::unlink((dir + "/renamed").constData()), 0);
    EXPECT_EQ(waitForChange(w), 2u);

    // The directory removed: reported, and watched afresh once it is back.
    ASSERT_EQ(::rmdir(dir.constData()), 0);
    EXPECT_EQ(waitForChange(w), 2u);
    settle(w);
    ASSERT_EQ(::mkdir(dir.constData(), 0755), 0);
    w.watchDirectory(1, hostname::decode(dir));
    touch(dir + "/again");
    EXPECT_EQ(waitForChange(w), 2u);
}

TEST(DirWatcher, AWatchedFileCountsAloneAndIsSeenWhenReplaced)
{
    QTemporaryDir tmp;
    const QByteArray dir = tmp.path().toUtf8();
    touch(dir + "/pack.zip");
    DirWatcher w;
    w.watchFile(0, hostname::decode(dir + "/pack.zip"));
    w.watchDirectory(1, hostname::decode(dir)); // the other slot on the same directory
    touch(dir + "/neighbour");
    EXPECT_EQ(waitForChange(w) | settle(w), 2u); // only the directory's slot

    // Replaced by a rename, as an archiver writes a new archive.
    touch(dir + "/pack.tmp");
    settle(w);
    ASSERT_EQ(::rename((dir + "/pack.tmp").constData(), (dir + "/pack.zip").constData()), 0);
    EXPECT_EQ(waitForChange(w) | settle(w), 3u);

    // The directory's slot pointed elsewhere: the file's slot keeps watching.
    w.clear(1);
    touch(dir + "/pack.zip");
    EXPECT_EQ(waitForChange(w) | settle(w), 1u);
}

TEST(DirWatcher, ABurstOfEventsSetsFlagsAndSignalsFewTimes)
{
    QTemporaryDir tmp;
    const QByteArray dir = tmp.path().toUtf8();
    DirWatcher w;
    int signals_ = 0;
    QObject::connect(&w, &DirWatcher::changed, [&] { ++signals_; });
    w.watchDirectory(0, hostname::decode(dir));
    for (int i = 0; i < 2000; ++i)
        touch(dir + "/f" + QByteArray::number(i));
    EXPECT_EQ(waitForChange(w) | settle(w), 1u);
    // Events are read in large blocks, so a burst is a few signals.
    EXPECT_LT(signals_, 200);
}

TEST(DirWatcher, AMissingDirectoryOrAnEmptyTargetWatchesNothing)
{
    DirWatcher w;
    w.watchDirectory(0, "/definitely/not/here");
    w.watchDirectory(1, QString());
    w.watchFile(1, "nofile");
    EXPECT_EQ(settle(w), 0u);
}

TEST(MountWatcher, OpensTheMountTable)
{
    MountWatcher w;
    EXPECT_TRUE(w.valid());
}

TEST(DriveMap, VolumesKeepTheirLettersWhenOthersComeAndGo)
{
    QString retired;
    QList<Drive> first = assignVolumeLetters({}, {"/media/a", "/media/b", "/media/c"}, retired);
    ASSERT_EQ(first.size(), 3);
    EXPECT_EQ(first[0].letter, 'D');
    EXPECT_EQ(first[1].letter, 'E');
    EXPECT_EQ(first[2].letter, 'F');

    // b unmounted: a and c keep D and F.
    QList<Drive> second = assignVolumeLetters(first, {"/media/a", "/media/c"}, retired);
    ASSERT_EQ(second.size(), 2);
    EXPECT_EQ(second[0].letter, 'D');
    EXPECT_EQ(second[1].letter, 'F');

    // A new volume does not take E, which a panel may still name.
    QList<Drive> third =
        assignVolumeLetters(second, {"/media/a", "/media/c", "/media/new"}, retired);
    ASSERT_EQ(third.size(), 3);
    EXPECT_EQ(third[2].root, "/media/new");
    EXPECT_EQ(third[2].letter, 'G');

    // Only when every fresh letter is gone does a retired one come back.
    QStringList many;
    for (int i = 0; i < 30; ++i)
        many << QStringLiteral("/m/%1").arg(i);
    QList<Drive> full = assignVolumeLetters(third, many, retired);
    EXPECT_EQ(full.size(), 22); // D to Y
    QString letters;
    for (const Drive& d : full)
        letters += d.letter;
    EXPECT_TRUE(letters.contains('E'));
}
