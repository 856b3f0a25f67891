#include "archive/archivekind.h"
#include "archive/ops/archiveprogress.h"
#include "launch/editfile.h"
#include "launch/launchentry.h"
#include "launch/pif.h"
#include "launch/shellexecute.h"
#include "launch/viewer.h"
#include "platform/drivemap.h"
#include "platform/process.h"
#include "shell/settingsfile.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace dovex;
using namespace dovex::launch;

namespace {

class ScriptedChooser : public ProgramChooser {
public:
    std::optional<QString> answer;
    int asked = 0;
    std::optional<QString> chooseProgram(const QString& title) override
    {
        ++asked;
        EXPECT_EQ(title, QStringLiteral("Registering Fileextention"));
        return answer;
    }
};

const QString kFirst = QStringLiteral("Viewer not Registered, View with the defaultviewer?");
const QString kSecond = QStringLiteral("Default Viewer not Registered, Register Now?");

struct ViewFixture : ::testing::Test {
    test::DriveFixture drives;
    test::ScriptedPrompter prompter;
    ScriptedChooser chooser;
    RecordingLauncher recorder;
    ScopedLauncher scope{recorder};
    const QString dir = QStringLiteral("C:\\d");
    ViewFixture()
    {
        drives.file(QStringLiteral("C:\\d\\notes.Txt"), 3);
        drives.file(QStringLiteral("C:\\bin\\viewer"), 0, "#!/bin/sh\n");
        QFile::setPermissions(drives.host(QStringLiteral("C:\\bin\\viewer")),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    }
};

} // namespace

TEST_F(ViewFixture, NoViewerAndNoDefaultAsksTwiceAndStoresOnlyNiks)
{
    prompter.script({Answer::Yes, Answer::No});
    EXPECT_FALSE(viewFile(dir, QStringLiteral("notes.Txt"), ViewMode::View, prompter, chooser));
    EXPECT_EQ(prompter.texts(), (QStringList{kFirst, kSecond}));
    EXPECT_EQ(viewtable::read(QStringLiteral("TXT")), QStringLiteral("Niks"));
    EXPECT_EQ(SettingsFile::readString(QStringLiteral("ViewExt"), QStringLiteral("Txt"), "x"),
              QStringLiteral("Niks"));
    EXPECT_EQ(chooser.asked, 0);
    EXPECT_TRUE(recorder.plans.empty());
}

TEST_F(ViewFixture, RegisteringAViewerStartsItWithTheFileAsOneArgument)
{
    drives.file(QStringLiteral("C:\\d\\a;rm -rf ~.Txt"), 1);
    chooser.answer = QStringLiteral("C:\\bin\\viewer");
    prompter.script({Answer::No});
    EXPECT_TRUE(viewFile(dir, QStringLiteral("a;rm -rf ~.Txt"), ViewMode::View, prompter, chooser));
    ASSERT_EQ(recorder.plans.size(), 1u);
    EXPECT_EQ(recorder.plans[0].program, drives.host(QStringLiteral("C:\\bin\\viewer")));
    EXPECT_EQ(recorder.plans[0].arguments,
              QStringList{drives.host(QStringLiteral("C:\\d\\a;rm -rf ~.Txt"))});
    // Now registered: View asks nothing, Viewer Select still asks first.
    prompter.clear();
    EXPECT_TRUE(viewFile(dir, QStringLiteral("notes.Txt"), ViewMode::View, prompter, chooser));
    EXPECT_TRUE(prompter.asked().isEmpty());
    prompter.script({Answer::No});
    chooser.answer.reset();
    EXPECT_FALSE(viewFile(dir, QStringLiteral("notes.Txt"), ViewMode::ViewerSelect, prompter,
                          chooser));
    EXPECT_EQ(prompter.texts(), QStringList{kFirst});
}

TEST_F(ViewFixture, TheDefaultViewerServesUnknownExtensions)
{
    ASSERT_TRUE(viewtable::write(QStringLiteral("*.*"), QStringLiteral("C:\\bin\\viewer")));
    prompter.script({Answer::Yes});
    EXPECT_TRUE(viewFile(dir, QStringLiteral("notes.Txt"), ViewMode::View, prompter, chooser));
    EXPECT_EQ(viewtable::read(QStringLiteral("Txt")), QStringLiteral("C:\\bin\\viewer"));
}

TEST(ViewTable, KeysThatWouldBreakTheFileAreNotStored)
{
    test::DriveFixture drives;
    EXPECT_EQ(viewtable::keyOf(QStringLiteral("a.verylongextension")), QStringLiteral("verylongex"));
    EXPECT_EQ(viewtable::keyOf(QStringLiteral("noext")), QString());
    ASSERT_TRUE(viewtable::write(QStringLiteral("txt"), QStringLiteral("C:\\v")));
    for (const char* key : {"a=b", "[x]", "b;c", "", " sp"})
        EXPECT_FALSE(viewtable::write(QString::fromLatin1(key), QStringLiteral("C:\\w"))) << key;
    EXPECT_FALSE(viewtable::write(QStringLiteral("txt"), QStringLiteral("C:\\v\n[Dovex]")));
    EXPECT_EQ(viewtable::read(QStringLiteral("txt")), QStringLiteral("C:\\v"));
}

TEST(DirectoryInformation, CountsBytesAndFiles)
{
    test::DriveFixture drives;
    drives.file(QStringLiteral("C:\\d\\x\\a"), 1000);
    drives.file(QStringLiteral("C:\\d\\x\\y\\b"), 234);
    EXPECT_EQ(directoryInformation(QStringLiteral("C:\\d"), QStringLiteral("x")),
              QStringLiteral("Directory C:\\d\\x contains 1,234 Bytes in 2 Files"));
}

TEST(LaunchEntry, ProgramsLinksAndDocuments)
{
    test::DriveFixture drives;
    drives.file(QStringLiteral("C:\\p\\run.sh"), 0, "#!/bin/sh\n");
    QFile::setPermissions(drives.host(QStringLiteral("C:\\p\\run.sh")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    drives.directory(QStringLiteral("C:\\target dir"));
    drives.file(QStringLiteral("C:\\p\\dir.lnk"), 0, QByteArray("L\0\0\0C:\\target dir\0", 19));
    drives.file(QStringLiteral("C:\\p\\rel.LNK"), 0, QByteArray("..\\..\\target dir\x01", 16));
    drives.file(QStringLiteral("C:\\p\\junk.lnk"), 0, QByteArray("\xff\xfe.\\\x01\x02zz"));
    drives.file(QStringLiteral("C:\\p\\doc.txt"), 1);
    drives.file(QStringLiteral("C:\\p\\README"), 1);
    RecordingLauncher recorder;
    ScopedLauncher scope(recorder);
    test::ScriptedPrompter prompter;
    const QString p = QStringLiteral("C:\\p");

    EXPECT_TRUE(launchEntry(p, QStringLiteral("run.sh"), &prompter).handled);
    ASSERT_EQ(recorder.plans.size(), 1u);
    EXPECT_EQ(recorder.plans[0].kind, LaunchPlan::Kind::Program);

    // "C:\target dir" has no ".\": the scan finds nothing, nothing opens.
    EntryLaunch link = launchEntry(p, QStringLiteral("dir.lnk"), &prompter);
    EXPECT_TRUE(link.handled);
    EXPECT_TRUE(link.openDirectory.isEmpty());
    link = launchEntry(p, QStringLiteral("rel.LNK"), &prompter);
    EXPECT_EQ(link.openDirectory, QStringLiteral("C:\\target dir"));
    link = launchEntry(p, QStringLiteral("junk.lnk"), &prompter);
    EXPECT_TRUE(link.openDirectory.isEmpty());
    link = launchEntry(p, QStringLiteral("gone.lnk"), &prompter);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Open error File C:\\p\\gone.lnk")});
    EXPECT_EQ(recorder.plans.size(), 1u);
    EXPECT_TRUE(drives.exists(QStringLiteral("C:\\p\\junk.lnk")));

    EXPECT_FALSE(launchEntry(p, QStringLiteral("doc.txt"), &prompter).handled);
    EXPECT_TRUE(openDocumentEntry(p, QStringLiteral("doc.txt")));
    EXPECT_FALSE(openDocumentEntry(p, QStringLiteral("README")));
    ASSERT_EQ(recorder.plans.size(), 2u);
    EXPECT_EQ(recorder.plans[1].kind, LaunchPlan::Kind::Document);
}

TEST(EditEntry, EditorForBatchAndUnregisteredNothingForPrograms)
{
    test::DriveFixture drives;
    drives.file(QStringLiteral("C:\\e\\go.bat"), 1);
    drives.file(QStringLiteral("C:\\e\\a.txt"), 1);
    drives.file(QStringLiteral("C:\\e\\s.sh"), 0, "#!/bin/sh\n");
    QFile::setPermissions(drives.host(QStringLiteral("C:\\e\\s.sh")),
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    drives.file(QStringLiteral("C:\\e\\x.EXE"), 1);
    RecordingLauncher recorder;
    recorder.registeredTypes = {QStringLiteral("application/x-bat"),
                                QStringLiteral("application/x-msdos-program"),
                                QStringLiteral("application/x-shellscript")};
    ScopedLauncher scope(recorder);
    const QString e = QStringLiteral("C:\\e");
    EXPECT_TRUE(editEntry(e, QStringLiteral("go.bat"), false, EditMode::Edit));
    EXPECT_TRUE(editEntry(e, QStringLiteral("a.txt"), false, EditMode::Edit));
    EXPECT_TRUE(editEntry(e, QStringLiteral("s.sh"), false, EditMode::Edit));
    EXPECT_FALSE(editEntry(e, QStringLiteral("x.EXE"), false, EditMode::NotePad));
    ASSERT_EQ(recorder.plans.size(), 3u);
    EXPECT_EQ(recorder.plans[0].kind, LaunchPlan::Kind::TextEditor);
    EXPECT_EQ(recorder.plans[1].kind, LaunchPlan::Kind::TextEditor); // text/plain not registered
    EXPECT_EQ(recorder.plans[2].kind, LaunchPlan::Kind::Document);   // opened, never run
}

TEST(Pif, ImageLayoutAndMissingFilesOnly)
{
    const QByteArray image = pifImage(QStringLiteral("C:\\dovex\\arj.exe"));
    ASSERT_EQ(image.size(), kPifSize);
    EXPECT_EQ(uchar(image[1]), 120);
    EXPECT_EQ(image.mid(2, 30), QByteArray("arj") + QByteArray(27, ' '));
    EXPECT_EQ(image.mid(36, 16), QByteArray("C:\\dovex\\arj.exe"));
    EXPECT_EQ(uchar(image[32]) | (uchar(image[33]) << 8), 640);
    EXPECT_EQ(image.mid(369, 16), QByteArray("MICROSOFT PIFEX\0", 16));
    EXPECT_EQ(uchar(image[533]) | (uchar(image[534]) << 8), 65535);
    EXPECT_EQ(image.mid(805, 14), QByteArray("Lucida Console"));
    EXPECT_EQ(uchar(image[868]), 255);
    EXPECT_EQ(uchar(image[965]), 1);
    EXPECT_EQ(pifImage(QString(70, QChar(0x78))).mid(36, 63), QByteArray(63, 0x78));

    test::DriveFixture drives;
    const QString dir = drives.programDir();
    QFile keep(dir + QStringLiteral("/arj.pif"));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.write("mine");
    keep.close();
    EXPECT_EQ(writeMissingPifs(dir, QStringLiteral("C:\\dovex")), 7);
    EXPECT_EQ(writeMissingPifs(dir, QStringLiteral("C:\\dovex")), 0);
    QFile mine(dir + QStringLiteral("/arj.pif"));
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("mine"));
    EXPECT_EQ(QFileInfo(dir + QStringLiteral("/Zoo.Pif")).size(), kPifSize);
    // An unwritable directory: nothing written, nothing half-written, no throw.
    if (::geteuid() != 0) {
        test::DriveFixture other;
        QFile::setPermissions(other.programDir(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        EXPECT_EQ(writeMissingPifs(other.programDir(), QStringLiteral("C:\\x")), 0);
        EXPECT_TRUE(QDir(other.programDir()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        QFile::setPermissions(other.programDir(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                      QFileDevice::ExeOwner);
    }
}
