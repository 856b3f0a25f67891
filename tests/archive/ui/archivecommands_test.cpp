#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/ui/archivecommands.h"
#include "archive/ui/tform12.h"
#include "fileops/ui/tform3.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

void onDialog(std::function<void(TForm3&)> fn)
{
    QTimer::singleShot(0, [fn] {
        auto* d = qobject_cast<TForm3*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        fn(*d);
    });
}

PanelEntry entry(const QString& name, bool dir = false)
{
    PanelEntry e;
    e.name = name;
    e.directory = dir;
    return e;
}

} // namespace

// F5 from a directory panel while the other panel shows a zip: the entries
// go into the archive, stored relative to the panel's directory; then F8 on
// a member of the archive panel takes it out again.
TEST(ArchiveCommandsWindow, CopyIntoTheZipOfTheOtherPanelAndDeleteFromIt)
{
    DriveFixture drives{QStringLiteral("C")};
    ScriptedPrompter prompter;
    drives.file(QStringLiteral("C:\\src\\a.txt"), 0, "aaa");
    drives.file(QStringLiteral("C:\\src\\sub\\b.txt"), 0, "bbb");
    drives.file(QStringLiteral("C:\\seed\\s.txt"), 0, "s");
    ArchiveCommands commands(nullptr);
    QStringList marked;
    commands.markForDeletion = [&](const QString& p) { marked << p; };
    ASSERT_TRUE(CopyIntoArchive(ArchiveOp::Copy, QStringLiteral("C:\\t.zip"), kKindZip,
                                QStringLiteral("C:\\seed"),
                                {SourceItem{QStringLiteral("C:\\seed\\s.txt"), false}}, true,
                                prompter, commands.progressWindow())
                    .passed);
    InvalidateArchiveCache();

    FilePanel left, right;
    left.path = QStringLiteral("C:\\src");
    left.entries = {entry(".."), entry("a.txt"), entry("sub", true)};
    left.entries[1].selected = left.entries[2].selected = true;
    right.path = QStringLiteral("C:\\t.zip");
    right.inArchive = true;
    right.archiveFile = QStringLiteral("C:\\t.zip");
    right.archiveKind = QChar(kKindZip);
    OperationContext ctx{.source = left,
                         .cursorIndex = 1,
                         .other = right,
                         .parent = nullptr,
                         .showSpeed = false,
                         .prompter = &prompter,
                         .archive = &commands};
    QString question;
    bool extraShown = true;
    onDialog([&](TForm3& d) {
        question = d.Label1->text();
        extraShown = d.BitBtn3->isVisible();
        EXPECT_EQ(d.Edit1->text(), QStringLiteral("C:\\t.zip"));
        d.BitBtn1->click();
    });
    ASSERT_TRUE(Copy1Click(ctx));
    EXPECT_EQ(question, QStringLiteral("Copy 2 files to"));
    EXPECT_FALSE(extraShown); // no Compression Tools behind it here
    EXPECT_TRUE(commands.lastResult().passed) << prompter.texts().join('\n').toStdString();
    EXPECT_FALSE(commands.progressWindow().isVisible());

    PanelEntries level;
    ASSERT_GE(
        ListArchiveDirectory(QStringLiteral("C:\\t.zip"), QString(), QStringLiteral("*.*"), level),
        0);
    QStringList names;
    for (const PanelEntry& e : level)
        names << e.name;
    EXPECT_TRUE(names.contains(QStringLiteral("a.txt")));
    EXPECT_TRUE(names.contains(QStringLiteral("sub")));
    EXPECT_TRUE(names.contains(QStringLiteral("s.txt")));

    // F8 on "s.txt" in the archive panel, with "&Extract" shown when a hook is set.
    right.entries = level;
    int cursor = 0;
    for (int i = 0; i < int(level.size()); ++i)
        if (level[size_t(i)].name == QLatin1String("s.txt"))
            cursor = i;
    QString opened;
    commands.openDecompress = [&](const OperationContext&, const QString& a) { opened = a; };
    OperationContext inArchive{.source = right,
                               .cursorIndex = cursor,
                               .other = left,
                               .parent = nullptr,
                               .showSpeed = false,
                               .prompter = &prompter,
                               .archive = &commands};
    onDialog([&](TForm3& d) {
        question = d.Label1->text();
        EXPECT_TRUE(d.BitBtn3->isVisible());
        EXPECT_EQ(d.BitBtn3->text(), QStringLiteral("&Extract"));
        EXPECT_EQ(d.focusWidget(), d.BitBtn3) << "the extra button takes the focus";
        EXPECT_FALSE(d.Edit1->isVisible());
        d.BitBtn1->click();
    });
    ASSERT_TRUE(Delete1Click(inArchive));
    EXPECT_EQ(question, QStringLiteral("Delete \"s.txt\""));
    EXPECT_TRUE(commands.lastResult().passed) << prompter.texts().join('\n').toStdString();
    level.clear();
    ListArchiveDirectory(QStringLiteral("C:\\t.zip"), QString(), QStringLiteral("*.*"), level);
    names.clear();
    for (const PanelEntry& e : level)
        names << e.name;
    EXPECT_FALSE(names.contains(QStringLiteral("s.txt")));

    // "&Extract" hands the whole archive to the decompress hook.
    onDialog([&](TForm3& d) { d.BitBtn3->click(); });
    right.entries = level;
    ASSERT_TRUE(Copy1Click(inArchive));
    EXPECT_EQ(opened, QStringLiteral("C:\\t.zip"));
}

} // namespace dovex::test
