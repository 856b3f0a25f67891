// The panels follow changes other programs make on the disk, and the drives
// follow the mounts.
#include "shell/ui/windowtest.h"

#include "panels/ui/panellist.h"
#include "platform/dirwatcher.h"
#include "platform/drivemap.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWidget>

#include <memory>

#include <sys/mount.h>
#include <unistd.h>

namespace dovex::test {

namespace {

class WatchTest : public WindowTest {
protected:
    std::unique_ptr<TForm1> startActive()
    {
        auto form = start();
        form->activateWindow();
        QApplication::setActiveWindow(form.get());
        QApplication::processEvents();
        return form;
    }
    static QString cursorName(TForm1& form, int n)
    {
        const int c = form.list(n)->cursor();
        const PanelEntries& e = form.panel(n).entries;
        return c >= 0 && c < int(e.size()) ? e[size_t(c)].name : QString();
    }
    static bool selected(const FilePanel& p, const QString& name)
    {
        const int r = row(p, name);
        return r >= 0 && p.entries[size_t(r)].selected;
    }
    // Generous: the panel follows within a fraction of a second, but a
    // loaded machine must not fail the test.
    static constexpr int kWait = 10000;

    // Every slot bit the window's watcher raised, seen as it raises them,
    // before the window takes them: "nothing happened" is then checked
    // after an event that did happen, never after a fixed wait.
    struct SlotsSeen {
        DirWatcher* watcher = nullptr;
        unsigned bits = 0;
    };
    static std::shared_ptr<SlotsSeen> watchSlots(TForm1& form)
    {
        auto seen = std::make_shared<SlotsSeen>();
        seen->watcher = form.findChild<DirWatcher*>();
        if (seen->watcher)
            QObject::connect(seen->watcher, &DirWatcher::changed, seen->watcher,
                             [seen] { seen->bits |= seen->watcher->pending(); });
        return seen;
    }
};

} // namespace

TEST_F(WatchTest, APanelFollowsFilesMadeRemovedAndRenamedOutsideAndKeepsItsMarks)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\w\nDir2=C:\\\n");
    for (const char* n : {"a", "b", "c"})
        drives.file(QStringLiteral("D:\\w\\") + n, 10);
    auto form = startActive();
    ASSERT_TRUE(form->isActiveWindow());
    FilePanel& p = form->panel(1);
    ASSERT_EQ(p.path, "D:\\w");
    p.entries[size_t(row(p, "b"))].selected = true;
    form->list(1)->setCursor(row(p, "c"));

    drives.file("D:\\w\\new", 5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return row(p, "new") >= 0; }, kWait));
    ASSERT_TRUE(QFile::remove(drives.host("D:\\w\\a")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return row(p, "a") < 0; }, kWait));
    ASSERT_TRUE(QFile::rename(drives.host("D:\\w\\b"), drives.host("D:\\w\\b2")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return row(p, "b2") >= 0 && row(p, "b") < 0; }, kWait));
    EXPECT_TRUE(selected(p, "c") == false);
    EXPECT_EQ(cursorName(*form, 1), "c");

    // A file grown by another program shows its new size; the mark on
    // another entry stays.
    p.entries[size_t(row(p, "new"))].selected = true;
    {
        QFile f(drives.host("D:\\w\\c"));
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(QByteArray(1000, 'x'));
    }
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return p.entries[size_t(row(p, "c"))].size == 1010; }, kWait));
    EXPECT_TRUE(selected(p, "new"));
    EXPECT_EQ(cursorName(*form, 1), "c");
    // The other panel, on another directory, was not touched.
    EXPECT_EQ(form->panel(2).path, "C:\\");
}

TEST_F(WatchTest, ABurstOfFilesGivesFarFewerUpdatesThanFiles)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\\nDir2=C:\\\n");
    drives.directory("D:\\burst");
    auto form = startActive();
    ASSERT_TRUE(form->isActiveWindow());
    FilePanel& p = form->panel(1);
    form->panel(1).path = "D:\\burst";
    form->setactief(1);
    form->RefreshClick();
    const int before = form->diskUpdates();
    const QString dir = drives.host("D:\\burst");
    for (int i = 0; i < 2000; ++i) {
        QFile f(dir + QStringLiteral("/f%1").arg(i));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        if (i % 100 == 0) // the events arrive while the window runs
            QApplication::processEvents();
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.entries.size() == 2001; }, kWait));
    const int updates = form->diskUpdates() - before;
    EXPECT_GE(updates, 1);
    EXPECT_LT(updates, 40);
}

TEST_F(WatchTest, AnInactiveWindowLeavesTheUpdateToItsActivation)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\\nDir2=C:\\\n");
    auto form = start();
    QWidget other; // another window takes the activation
    other.show();
    other.activateWindow();
    QApplication::setActiveWindow(&other);
    QApplication::processEvents();
    if (form->isActiveWindow())
        GTEST_SKIP() << "the platform keeps the window active";
    const int before = form->diskUpdates();
    const auto seen = watchSlots(*form);
    ASSERT_NE(seen->watcher, nullptr);
    drives.file("D:\\later", 1);
    // The change arrives and the window takes it, without an update.
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen->bits & 1u; }, kWait));
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen->watcher->pending() == 0; }, kWait));
    EXPECT_EQ(form->diskUpdates(), before);
    EXPECT_LT(row(form->panel(1), "later"), 0);
    form->activateWindow();
    QApplication::setActiveWindow(form.get());
    EXPECT_TRUE(QTest::qWaitFor([&] { return row(form->panel(1), "later") >= 0; }, kWait));
}

TEST_F(WatchTest, AWatchFollowsThePanelIntoAnotherDirectory)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\one\nDir2=C:\\\n");
    drives.directory("D:\\one");
    drives.directory("D:\\two");
    auto form = startActive();
    FilePanel& p = form->panel(1);
    p.path = "D:\\two";
    form->setactief(1);
    form->RefreshClick();
    const auto seen = watchSlots(*form);
    ASSERT_NE(seen->watcher, nullptr);
    drives.file("D:\\one\\x", 1); // the directory left is no longer watched
    // The other panel's change comes after it in the kernel's queue: once
    // that one is seen, a change in the left directory would have been too.
    drives.file("C:\\onc", 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return seen->bits & 2u; }, kWait));
    EXPECT_EQ(seen->bits & 1u, 0u);
    drives.file("D:\\two\\y", 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return row(p, "y") >= 0; }, kWait));

    // The directory shown removed from outside: the panel falls back.
    ASSERT_TRUE(QDir(drives.host("D:\\two")).removeRecursively());
    EXPECT_TRUE(QTest::qWaitFor([&] { return p.path == "D:\\"; }, kWait));
}

TEST_F(WatchTest, AChangedDriveListReachesTheBoxesTheBarsAndThePanels)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=C:\\\nDir2=D:\\sub\n");
    drives.directory("D:\\sub");
    drives.file("C:\\onc", 1);
    auto form = startActive();
    ASSERT_EQ(form->panel(2).path, "D:\\sub");
    ASSERT_GE(form->driveBox(1)->driveItem('d'), 0);
    const QByteArray old = qgetenv("DOVEX_DRIVES");

    // D goes, a new E comes.
    QTemporaryDir extra;
    qputenv("DOVEX_DRIVES", ("C=" + drives.root('C') + ";E=" + extra.path()).toLocal8Bit());
    form->mountsChanged();
    for (int n = 1; n <= 2; ++n) {
        EXPECT_LT(form->driveBox(n)->driveItem('d'), 0);
        EXPECT_GE(form->driveBox(n)->driveItem('e'), 0);
    }
    EXPECT_EQ(form->driveCount(), 2);
    EXPECT_TRUE(form->driveSlots().at(1).startsWith("e: "));
    EXPECT_EQ(form->panel(2).path, "c:\\");
    EXPECT_GE(row(form->panel(2), "onc"), 0);
    qputenv("DOVEX_DRIVES", old);
    DriveMap::instance().reload();
}

TEST_F(WatchTest, AVolumeMountedForRealAppearsOnTheDriveBar)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting needs root";
    QTemporaryDir point;
    const QByteArray target = point.path().toLocal8Bit();
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=C:\\\nDir2=C:\\\n");
    const QByteArray old = qgetenv("DOVEX_DRIVES");
    qunsetenv("DOVEX_DRIVES"); // the drives come from the mounts
    DriveMap::instance().reload();
    auto form = startActive();
    const auto letterOf = [&]() -> QChar {
        for (const Drive& d : DriveMap::instance().drives())
            if (d.root == point.path())
                return d.letter;
        return {};
    };
    ASSERT_TRUE(letterOf().isNull());
    if (::mount("dovextest", target.constData(), "tmpfs", 0, "size=1m") != 0) {
        qputenv("DOVEX_DRIVES", old);
        DriveMap::instance().reload();
        GTEST_SKIP() << "a tmpfs cannot be mounted here";
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return !letterOf().isNull(); }, kWait));
    const QChar letter = letterOf();
    EXPECT_TRUE(form->driveSlots().filter(QString(letter.toLower()) + ": ").size() == 1);
    EXPECT_EQ(DriveMap::instance().kind(letter), DriveKind::RamDisk);

    // A panel on it falls back when it goes.
    form->panel(2).path = QString(letter) + ":\\";
    form->setactief(2);
    form->RefreshClick();
    ASSERT_EQ(::umount(target.constData()), 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return letterOf().isNull(); }, kWait));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return form->panel(2).path.startsWith("c:\\", Qt::CaseInsensitive); }, kWait));
    EXPECT_TRUE(form->driveSlots().filter(QString(letter.toLower()) + ": ").isEmpty());
    qputenv("DOVEX_DRIVES", old);
    DriveMap::instance().reload();
}

} // namespace dovex::test
