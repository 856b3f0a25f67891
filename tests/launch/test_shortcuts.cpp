// Shortcut files written and read back, hand-made and hostile ones, the
// special folders and the link menu's items.
#include "launch/linktarget.h"
#include "launch/shelllink.h"
#include "launch/shortcuts.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

using namespace dovex;

namespace {

quint32 le32(const QByteArray& b, int at)
{
    return quint8(b[at]) | quint8(b[at + 1]) << 8 | quint8(b[at + 2]) << 16 |
           quint32(quint8(b[at + 3])) << 24;
}

class ShortcutTest : public ::testing::Test {
protected:
    test::DriveFixture drives{QStringLiteral("CD")};
    test::ScriptedPrompter prompter;
};

} // namespace

TEST_F(ShortcutTest, SavedLinkLoadsBackAndTheByteScanFindsItsTarget)
{
    drives.file(QStringLiteral("C:\\work\\deep\\NOTES.TXT"), 10);
    drives.directory(QStringLiteral("C:\\links\\a\\b"));
    for (const QString& dest : {QStringLiteral("C:\\"), QStringLiteral("C:\\links\\a\\b")}) {
        TShellLink link;
        const CreatedLink made = createLinkShortcut(link, QStringLiteral("C:\\work\\deep"),
                                                    QStringLiteral("NOTES.TXT"), dest, prompter);
        ASSERT_TRUE(made.result.ok());
        EXPECT_EQ(made.linkPath, dospath::join(dest, QStringLiteral("Notes.lnk")));
        const QByteArray bytes = drives.read(made.linkPath);
        EXPECT_EQ(le32(bytes, 0), 0x4Cu);
        EXPECT_EQ(le32(bytes, 20) & 0xFF, 0x5Eu); // location, name, relative path, dir, icon
        EXPECT_EQ(le32(bytes, 60), 1u);           // show normal
        EXPECT_EQ(launch::ReadLinkTarget(made.linkPath, &prompter),
                  QStringLiteral("C:\\work\\deep\\NOTES.TXT"));

        TShellLink back;
        back.Arguments = QStringLiteral("stale");
        ASSERT_TRUE(back.Load(made.linkPath));
        EXPECT_EQ(back.Target, QStringLiteral("C:\\work\\deep\\NOTES.TXT"));
        EXPECT_EQ(back.IconLocation, back.Target);
        EXPECT_EQ(back.Description, QStringLiteral("Link to NOTES.TXT"));
        EXPECT_EQ(back.WorkingDir, QStringLiteral("C:\\work\\deep"));
        EXPECT_TRUE(back.Arguments.isEmpty());
        EXPECT_EQ(back.Path, made.linkPath);
    }
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(ShortcutTest, PropertiesAndOddNamesRoundTrip)
{
    // A name with bytes that are not UTF-8 and one holding a backslash.
    const QString odd = QStringLiteral("caf") + QChar(0xDCE9) + QChar(hostname::kBackslashStandIn) +
                        QStringLiteral("x");
    drives.directory(QStringLiteral("C:\\") + odd);
    TShellLink link;
    link.Target = QStringLiteral("C:\\") + odd;
    link.Arguments = QStringLiteral("-v \"two words\"");
    link.IconNumber = 7;
    link.HotKey = 0x0241;
    link.ShowCmd = 3;
    ASSERT_TRUE(link.Save(QStringLiteral("C:\\o.lnk")).written);
    TShellLink back;
    ASSERT_TRUE(back.Load(QStringLiteral("C:\\o.lnk")));
    EXPECT_EQ(back.Target, link.Target);
    EXPECT_EQ(back.Arguments, link.Arguments);
    EXPECT_EQ(back.IconNumber, 7);
    EXPECT_EQ(back.HotKey, 0x0241);
    EXPECT_EQ(back.ShowCmd, 3);
}

TEST_F(ShortcutTest, NamesFollowTheCapitalsRule)
{
    EXPECT_EQ(shortcutFileName(QStringLiteral("NOTEPAD.EXE")), QStringLiteral("Notepad.lnk"));
    EXPECT_EQ(shortcutFileName(QStringLiteral("ReadMe.TXT")), QStringLiteral("ReadMe.lnk"));
    EXPECT_EQ(shortcutFileName(QStringLiteral("Projects")), QStringLiteral("Projects.lnk"));
    // Only the letters a to z change case.
    EXPECT_EQ(capitalisedName(QStringLiteral("ÉTÉ")), QStringLiteral("ÉtÉ"));
}

TEST_F(ShortcutTest, ADirectoryEntryGivesALinkNamedAfterIt)
{
    drives.directory(QStringLiteral("C:\\src\\Photos"));
    TShellLink link;
    const CreatedLink made =
        createLinkShortcut(link, QStringLiteral("C:\\src"), QStringLiteral("Photos"),
                           QStringLiteral("D:\\"), prompter);
    ASSERT_EQ(made.linkPath, QStringLiteral("D:\\Photos.lnk"));
    EXPECT_EQ(le32(drives.read(made.linkPath), 24), 0x10u); // a directory's attribute
    TShellLink back;
    ASSERT_TRUE(back.Load(made.linkPath));
    EXPECT_EQ(back.Target, QStringLiteral("C:\\src\\Photos"));
    // Another drive: no relative path is written; the target is read from
    // the link-target location instead.
    EXPECT_EQ(le32(drives.read(made.linkPath), 20) & 0x08, 0u);
    EXPECT_EQ(launch::ReadLinkTarget(made.linkPath, nullptr), QStringLiteral("C:\\src\\Photos"));
}

TEST_F(ShortcutTest, AMissingSourceWritesNothing)
{
    TShellLink link;
    const CreatedLink made = createLinkShortcut(
        link, QStringLiteral("C:\\"), QStringLiteral("gone.txt"), QStringLiteral("C:\\"), prompter);
    EXPECT_TRUE(made.result.ok());
    EXPECT_TRUE(made.linkPath.isEmpty());
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\gone.lnk")));
    EXPECT_EQ(link.Target, QStringLiteral("C:\\COMMAND.COM")); // untouched
}

TEST_F(ShortcutTest, AFailedSaveReportsAndLeavesWhatWasThere)
{
    drives.file(QStringLiteral("C:\\a.txt"), 3);
    // The shortcut's name is taken by a directory with a file in it.
    drives.file(QStringLiteral("C:\\out\\A.lnk\\keep"), 4);
    TShellLink link;
    CreatedLink made = createLinkShortcut(link, QStringLiteral("C:\\"), QStringLiteral("A.TXT"),
                                          QStringLiteral("C:\\out"), prompter);
    // "A.TXT" does not exist (names are exact): nothing at all.
    EXPECT_TRUE(made.result.ok() && made.linkPath.isEmpty());
    drives.file(QStringLiteral("C:\\A.TXT"), 3);
    made = createLinkShortcut(link, QStringLiteral("C:\\"), QStringLiteral("A.TXT"),
                              QStringLiteral("C:\\out"), prompter);
    EXPECT_EQ(made.result.error(), QStringLiteral("Error in creating shortcut, please try again"));
    EXPECT_TRUE(drives.exists(QStringLiteral("C:\\out\\A.lnk\\keep")));
    // A destination that does not exist leaves no partial file anywhere.
    made = createLinkShortcut(link, QStringLiteral("C:\\"), QStringLiteral("a.txt"),
                              QStringLiteral("C:\\nowhere"), prompter);
    EXPECT_FALSE(made.result.ok());
    EXPECT_EQ(QDir(drives.root('C')).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
}

TEST_F(ShortcutTest, ReplacingAShortcutIsAllOrNothing)
{
    drives.file(QStringLiteral("C:\\x.txt"), 1);
    TShellLink link;
    link.Target = QStringLiteral("C:\\x.txt");
    ASSERT_TRUE(link.Save(QStringLiteral("C:\\x.lnk")).written);
    const QByteArray before = drives.read(QStringLiteral("C:\\x.lnk"));
    link.Description = QStringLiteral("changed");
    ASSERT_TRUE(link.Save(QStringLiteral("C:\\x.lnk")).written);
    EXPECT_NE(drives.read(QStringLiteral("C:\\x.lnk")), before);
    EXPECT_EQ(QDir(drives.root('C')).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(ShortcutTest, HostileBytesNeverLoadOrReadOutOfBounds)
{
    drives.file(QStringLiteral("C:\\t.txt"), 1);
    TShellLink link;
    link.Target = QStringLiteral("C:\\t.txt");
    const QByteArray good = link.encode(QStringLiteral("C:\\t.lnk"));
    ASSERT_FALSE(good.isEmpty());
    // Every truncation: either a whole shortcut or none, never a crash.
    for (int n = 0; n < good.size() - 4; ++n) {
        TShellLink t;
        const bool ok = t.decode(good.left(n));
        EXPECT_TRUE(!ok || t.Target == link.Target) << n;
    }
    // Counts and offsets that point past the end or wrap around.
    std::mt19937 random(7);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bad = good;
        for (int k = 0; k < 4; ++k)
            bad[int(random() % quint32(bad.size()))] = char(random() & 0xFF);
        TShellLink t;
        t.decode(bad);
    }
    QByteArray wrap = good;
    wrap[0x4C] = char(0xFF); // link-info size far past the end
    wrap[0x4F] = char(0x7F);
    EXPECT_FALSE(TShellLink().decode(wrap));
    QByteArray unicode = good;
    unicode[20] = char(quint8(unicode[20]) | 0x80);
    EXPECT_FALSE(TShellLink().decode(unicode));
    EXPECT_FALSE(TShellLink().decode(QByteArray(2000, '\xFF')));

    // A file too large to be a shortcut, and a pipe, load nothing.
    drives.file(QStringLiteral("C:\\big.lnk"), 2 << 20);
    TShellLink big;
    EXPECT_FALSE(big.Load(QStringLiteral("C:\\big.lnk")));
    EXPECT_EQ(big.Target, QStringLiteral("C:\\COMMAND.COM"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(drives.host(QStringLiteral("C:\\p.lnk"))), 0600), 0);
    EXPECT_FALSE(big.Load(QStringLiteral("C:\\p.lnk")));
}

TEST_F(ShortcutTest, DefaultFolderLinksAreRecognised)
{
    QByteArray folder(100, '\0');
    const QByteArray header = TShellLink().encode(QStringLiteral("C:\\x.lnk")).left(20);
    folder.replace(0, 20, header);
    folder[20] = 1;
    folder[0x4C] = 0x16;
    folder[0x4E] = 0x14;
    folder[0x50] = char(0x1F);
    const QByteArray recycle = QByteArray::fromHex("40F05F6481501B109F0800AA002F954E");
    folder.replace(0x52, 16, recycle);
    EXPECT_EQ(shellFolderOfLink(folder), QStringLiteral("{645FF040-5081-101B-9F08-00AA002F954E}"));
    EXPECT_EQ(shellFolderOfLink(folder.left(99)), std::nullopt);
    EXPECT_EQ(shellFolderOfLink(TShellLink().encode(QStringLiteral("C:\\x.lnk"))), std::nullopt);
}

TEST_F(ShortcutTest, UserDirectoriesFileIsReadAsXdgSays)
{
    const QByteArray text = "# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                            "XDG_DOCUMENTS_DIR=\"/srv/docs \\\"x\\\"\"\n"
                            "XDG_MUSIC_DIR=\"relative/is/ignored\"\n";
    const QString home = QStringLiteral("/home/u");
    EXPECT_EQ(userDirFromText(text, "XDG_DESKTOP_DIR", home),
              QStringLiteral("/home/u/Schreibtisch"));
    EXPECT_EQ(userDirFromText(text, "XDG_DOCUMENTS_DIR", home), QStringLiteral("/srv/docs \"x\""));
    EXPECT_EQ(userDirFromText(text, "XDG_MUSIC_DIR", home), std::nullopt);
    EXPECT_EQ(userDirFromText(text, "XDG_VIDEOS_DIR", home), std::nullopt);
}

TEST_F(ShortcutTest, SpecialFoldersComeFromTheXdgDirectoriesOnADrive)
{
    const QString home = drives.root('C');
    const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME"),
                     oldData = qgetenv("XDG_DATA_HOME");
    qputenv("HOME", QFile::encodeName(home));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_DATA_HOME");
    drives.directory(QStringLiteral("C:\\Desktop"));
    drives.directory(QStringLiteral("C:\\Docs"));
    drives.directory(QStringLiteral("C:\\.local\\share\\applications"));
    drives.file(QStringLiteral("C:\\.config\\user-dirs.dirs"), 0,
                "XDG_DOCUMENTS_DIR=\"$HOME/Docs\"\n");
    EXPECT_EQ(specialFolderPath(SpecialFolder::Desktop), QStringLiteral("C:\\Desktop"));
    EXPECT_EQ(specialFolderPath(SpecialFolder::Personal), QStringLiteral("C:\\Docs"));
    EXPECT_EQ(specialFolderPath(SpecialFolder::StartMenu),
              QStringLiteral("C:\\.local\\share\\applications"));
    EXPECT_EQ(specialFolderPath(SpecialFolder::Recent), std::nullopt);
    // /usr/share/applications lies on no drive of this map.
    EXPECT_EQ(specialFolderPath(SpecialFolder::Programs), std::nullopt);
    qputenv("HOME", oldHome);
    if (!oldConfig.isEmpty())
        qputenv("XDG_CONFIG_HOME", oldConfig);
    if (!oldData.isEmpty())
        qputenv("XDG_DATA_HOME", oldData);
}

TEST_F(ShortcutTest, LinkMenuListsShortcutsWithTheirOwnNames)
{
    drives.file(QStringLiteral("C:\\menu\\Editor.lnk"), 1);
    drives.file(QStringLiteral("C:\\menu\\SHOUT.LNK"), 1);
    drives.file(QStringLiteral("C:\\menu\\.hidden.lnk"), 1);
    drives.file(QStringLiteral("C:\\menu\\notes.txt"), 1);
    drives.directory(QStringLiteral("C:\\menu\\dir.lnk"));
    QStringList captions, paths;
    for (const LinkMenuItem& i : linkMenuItems(QStringLiteral("C:\\menu"))) {
        captions << i.caption;
        paths << i.linkPath;
    }
    captions.sort();
    paths.sort();
    EXPECT_EQ(captions, (QStringList{".hidden", "Editor", "SHOUT"}));
    EXPECT_TRUE(paths.contains(QStringLiteral("C:\\menu\\SHOUT.LNK")));
}

TEST_F(ShortcutTest, AnExistingShortcutIsReplacedOnlyAfterTheCopyQuestions)
{
    drives.file(QStringLiteral("C:\\work\\NOTES.TXT"), 10);
    drives.file(QStringLiteral("C:\\out\\Notes.lnk"), 0, "someone's shortcut");
    const QString lnk = QStringLiteral("C:\\out\\Notes.lnk");
    const auto make = [&] {
        TShellLink link;
        return createLinkShortcut(link, QStringLiteral("C:\\work"), QStringLiteral("NOTES.TXT"),
                                  QStringLiteral("C:\\out"), prompter);
    };
    prompter.script({Answer::No});
    CreatedLink made = make();
    EXPECT_TRUE(made.result.ok() && made.kept && made.linkPath.isEmpty());
    EXPECT_EQ(prompter.texts(), QStringList{"File C:\\out\\Notes.lnk Exists,Overwrite?"});
    EXPECT_EQ(drives.read(lnk), QByteArray("someone's shortcut"));

    // A read-only one is protected: kept unless that question is answered too.
    QFile::setPermissions(drives.host(lnk), QFileDevice::ReadOwner);
    prompter.clear();
    prompter.script({Answer::Yes, Answer::No});
    EXPECT_TRUE(make().kept);
    EXPECT_EQ(
        prompter.texts().last(),
        QStringLiteral("C:\\out\\Notes.lnk is a read-only file, do you wish to Delete this file?"));
    EXPECT_EQ(drives.read(lnk), QByteArray("someone's shortcut"));
    prompter.script({Answer::Yes, Answer::Yes});
    made = make();
    EXPECT_EQ(made.linkPath, lnk);
    EXPECT_EQ(launch::ReadLinkTarget(lnk, nullptr), QStringLiteral("C:\\work\\NOTES.TXT"));
}

TEST_F(ShortcutTest, AShortcutNeverTakesItsOwnSourcesPlace)
{
    drives.file(QStringLiteral("C:\\notes.lnk"), 0, "the source shortcut");
    drives.file(QStringLiteral("C:\\doc.txt"), 0, "text");
    drives.directory(QStringLiteral("C:\\out"));
    ::link(QFile::encodeName(drives.host(QStringLiteral("C:\\doc.txt"))).constData(),
           QFile::encodeName(drives.host(QStringLiteral("C:\\out\\doc.lnk"))).constData());
    for (const auto& [dir, name, dest] :
         {std::tuple{"C:\\", "notes.lnk", "C:\\"}, std::tuple{"C:\\", "doc.txt", "C:\\out"}}) {
        TShellLink link;
        const CreatedLink made =
            createLinkShortcut(link, QString::fromLatin1(dir), QString::fromLatin1(name),
                               QString::fromLatin1(dest), prompter);
        EXPECT_FALSE(made.result.ok()) << name;
        EXPECT_TRUE(made.result.error().startsWith("Cannot create a shortcut over its own source"))
            << made.result.error().toStdString();
    }
    EXPECT_TRUE(prompter.asked().isEmpty());
    EXPECT_EQ(drives.read(QStringLiteral("C:\\notes.lnk")), QByteArray("the source shortcut"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\doc.txt")), QByteArray("text"));
}
