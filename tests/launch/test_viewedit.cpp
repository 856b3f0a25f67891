#include "archive/archivekind.h"
#include "archive/ops/archiveprogress.h"
#include "launch/editfile.h"
#include "launch/launchentry.h"
#include "launch/pif.h"
#include "launch/shellexecute.h"
#include "launch/viewer.h"
#include "platform/drivemap.h"
#include "platform/process.h"
#include "platform/settingsfile.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <vector>

using namespace dovex;
using namespace dovex::launch;

namespace {

class ScriptedChooser : public ProgramChooser {
public:
    std::optional<QString> answer; // a host path
    int asked = 0;
    QString startedIn;
    std::optional<QString> chooseProgram(const QString& title,
                                         const QString& startDirectory) override
    {
        ++asked;
        startedIn = startDirectory;
        EXPECT_EQ(title, QStringLiteral("Registering Fileextention"));
        return answer;
    }
};

void makeExecutable(const QString& hostPath, const QByteArray& content = "#!/bin/sh\n")
{
    QFile f(hostPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    QFile::setPermissions(hostPath,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

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
    chooser.answer = drives.host(QStringLiteral("C:\\bin\\viewer"));
    prompter.script({Answer::No});
    EXPECT_TRUE(viewFile(dir, QStringLiteral("a;rm -rf ~.Txt"), ViewMode::View, prompter, chooser));
    EXPECT_EQ(chooser.startedIn, drives.windowsDir());
    EXPECT_EQ(viewtable::read(QStringLiteral("Txt")), QStringLiteral("C:\\bin\\viewer"));
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
    EXPECT_FALSE(
        viewFile(dir, QStringLiteral("notes.Txt"), ViewMode::ViewerSelect, prompter, chooser));
    EXPECT_EQ(prompter.texts(), QStringList{kFirst});
}

TEST_F(ViewFixture, ClosingTheFirstQuestionEndsTheCommand)
{
    prompter.script({Answer::Cancel});
    EXPECT_FALSE(viewFile(dir, QStringLiteral("notes.Txt"), ViewMode::View, prompter, chooser));
    EXPECT_EQ(prompter.texts(), QStringList{kFirst});
    EXPECT_EQ(chooser.asked, 0);
    EXPECT_EQ(SettingsFile::readString(QStringLiteral("ViewExt"), QStringLiteral("Txt"), "unset"),
              QStringLiteral("unset"));
    EXPECT_TRUE(recorder.plans.empty());
}

TEST_F(ViewFixture, AProgramOutsideTheDrivesViewsOnceAndAFileThatIsNoProgramIsRefused)
{
    const QString outside = drives.programDir() + QStringLiteral("/outside viewer");
    makeExecutable(outside);
    chooser.answer = outside;
    prompter.script({Answer::No});
    EXPECT_TRUE(viewFile(dir, QStringLiteral("notes.Txt"), ViewMode::View, prompter, chooser));
    ASSERT_EQ(recorder.plans.size(), 1u);
    EXPECT_EQ(recorder.plans[0].program, outside);
    EXPECT_EQ(recorder.plans[0].arguments,
              QStringList{drives.host(QStringLiteral("C:\\d\\notes.Txt"))});
    ASSERT_EQ(prompter.texts().size(), 2);
    EXPECT_TRUE(prompter.texts()[1].contains(QStringLiteral("cannot be registered")));
    EXPECT_EQ(viewtable::read(QStringLiteral("Txt")), QStringLiteral("Niks"));

    // A document picked as the viewer: said, nothing started or stored.
    prompter.clear();
    chooser.answer = drives.host(QStringLiteral("C:\\d\\notes.Txt"));
    prompter.script({Answer::No});
    EXPECT_FALSE(viewFile(dir, QStringLiteral("notes.Txt"), ViewMode::View, prompter, chooser));
    EXPECT_EQ(prompter.texts().last(),
              QStringLiteral("C:\\d\\notes.Txt is not a program, so it cannot view notes.Txt"));
    EXPECT_EQ(recorder.plans.size(), 1u);
    EXPECT_EQ(viewtable::read(QStringLiteral("Txt")), QStringLiteral("Niks"));
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
    EXPECT_EQ(viewtable::keyOf(QStringLiteral("a.verylongextension")),
              QStringLiteral("verylongex"));
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
    // The ".." entry of C:\d\x\y stands for C:\d\x.
    EXPECT_EQ(directoryInformation(QStringLiteral("C:\\d\\x\\y"), QStringLiteral("..")),
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
    drives.file(QStringLiteral("C:\\e\\b.unknownext"), 1);
    RecordingLauncher recorder;
    recorder.registeredTypes = {
        QStringLiteral("application/x-bat"), QStringLiteral("application/x-msdos-program"),
        QStringLiteral("application/x-shellscript"), QStringLiteral("text/plain")};
    ScopedLauncher scope(recorder);
    test::ScriptedPrompter prompter;
    const QString e = QStringLiteral("C:\\e");
    EXPECT_TRUE(editEntry(e, QStringLiteral("go.bat"), false, EditMode::Edit, prompter));
    EXPECT_TRUE(editEntry(e, QStringLiteral("b.unknownext"), false, EditMode::Edit, prompter));
    EXPECT_TRUE(editEntry(e, QStringLiteral("s.sh"), false, EditMode::Edit, prompter));
    EXPECT_FALSE(editEntry(e, QStringLiteral("x.EXE"), false, EditMode::NotePad, prompter));
    ASSERT_EQ(recorder.plans.size(), 3u);
    EXPECT_EQ(recorder.plans[0].kind, LaunchPlan::Kind::TextEditor);
    EXPECT_EQ(recorder.plans[1].kind, LaunchPlan::Kind::TextEditor); // type not registered
    EXPECT_EQ(recorder.plans[2].kind, LaunchPlan::Kind::Document);   // opened, never run
    EXPECT_TRUE(prompter.asked().isEmpty());
}

namespace {

// PATH, VISUAL, EDITOR and TERMINAL as a test sets them, restored after it.
class EditorEnvironment {
public:
    EditorEnvironment()
    {
        for (const char* name : kNames)
            m_saved.push_back(qgetenv(name));
        qputenv("PATH", m_bin.path().toUtf8());
        for (const char* name : {"VISUAL", "EDITOR", "TERMINAL"})
            qunsetenv(name);
    }
    ~EditorEnvironment()
    {
        for (size_t i = 0; i < std::size(kNames); ++i)
            m_saved[i].isNull() ? qunsetenv(kNames[i]) : qputenv(kNames[i], m_saved[i]);
    }
    // An executable of that name on PATH; its host path.
    QString install(const QString& name)
    {
        const QString path = m_bin.path() + '/' + name;
        makeExecutable(path);
        return path;
    }

private:
    static constexpr const char* kNames[] = {"PATH", "VISUAL", "EDITOR", "TERMINAL"};
    QTemporaryDir m_bin;
    std::vector<QByteArray> m_saved;
};

} // namespace

TEST(EditEntry, WithoutATextApplicationATerminalEditorOrAMessageThatSaysWhatToSet)
{
    test::DriveFixture drives;
    drives.file(QStringLiteral("C:\\e\\my notes.txt"), 1);
    const QString file = drives.host(QStringLiteral("C:\\e\\my notes.txt"));
    RecordingLauncher recorder; // no application for text/plain
    ScopedLauncher scope(recorder);
    test::ScriptedPrompter prompter;
    EditorEnvironment env;
    auto edit = [&](EditMode mode) {
        return editEntry(QStringLiteral("C:\\e"), QStringLiteral("my notes.txt"), false, mode,
                         prompter);
    };

    // Nothing at all: one message naming what was looked for and how to set it.
    EXPECT_FALSE(edit(EditMode::Edit));
    ASSERT_EQ(prompter.texts().size(), 1);
    for (const char* part : {"text/plain", "$VISUAL", "$EDITOR", "nano", "xdg-mime default"})
        EXPECT_TRUE(prompter.texts()[0].contains(QString::fromLatin1(part))) << part;

    // An editor without a terminal, after the desktop's application failed:
    // both are said, with the terminals looked for.
    const QString nano = env.install(QStringLiteral("nano"));
    recorder.registeredTypes = {QStringLiteral("text/plain")};
    recorder.succeed = false;
    prompter.clear();
    EXPECT_FALSE(edit(EditMode::NotePad));
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts()[0].startsWith(QStringLiteral("The application for text files "
                                                              "did not start")));
    EXPECT_TRUE(prompter.texts()[0].contains(QStringLiteral("x-terminal-emulator")));
    ASSERT_EQ(recorder.plans.size(), 1u);
    EXPECT_EQ(recorder.plans[0].kind, LaunchPlan::Kind::TextEditor);
    recorder.plans.clear();
    recorder.registeredTypes.clear();
    recorder.succeed = true;

    // Both: the editor runs in the desktop's terminal, the file one argument.
    const QString terminal = env.install(QStringLiteral("x-terminal-emulator"));
    prompter.clear();
    EXPECT_TRUE(edit(EditMode::Edit));
    ASSERT_EQ(recorder.plans.size(), 1u);
    EXPECT_EQ(recorder.plans[0].kind, LaunchPlan::Kind::Program);
    EXPECT_EQ(recorder.plans[0].program, terminal);
    EXPECT_EQ(recorder.plans[0].arguments, (QStringList{"-e", nano, file}));

    // $EDITOR (its words, each one argument) comes before an installed editor.
    env.install(QStringLiteral("myedit"));
    qputenv("EDITOR", "myedit --wait");
    EXPECT_TRUE(edit(EditMode::Edit));
    EXPECT_EQ(recorder.plans.back().arguments, (QStringList{"-e", "myedit", "--wait", file}));
    EXPECT_TRUE(prompter.asked().isEmpty());
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
