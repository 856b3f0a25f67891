// The archiver slots in Dovex.Ini and the commands the Compression Tools
// dialog composes from them.
#include "archive/archivertools.h"
#include "archive/toolprofiles.h"
#include "archive/toolrunner.h"
#include "archivetestsupport.h"
#include "platform/profile.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QDirIterator>
#include <QFile>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

PanelEntry entry(const QString& name, bool selected = false, bool directory = false)
{
    PanelEntry e;
    e.name = name;
    e.selected = selected;
    e.directory = directory;
    return e;
}

class ArchiverToolsTest : public ::testing::Test {
protected:
    DriveFixture drives{QStringLiteral("CD")};
    QString ini() const
    {
        QFile f(drives.windowsDir() + "/Dovex.Ini");
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }
};

TEST_F(ArchiverToolsTest, DefaultRowsAreWrittenOnceAndValuesAreCut)
{
    writeProfileString("Packer3", "Naam", "My Lha", "Dovex.Ini");
    writeProfileString("Packer6", "Naam", QString(40, 'n'), "Dovex.Ini");
    writeProfileString("Packer6", "Ext", "TGZX", "Dovex.Ini");
    writeProfileString("Packer6", "Add", "tar.exe -c", "Dovex.Ini");
    const ArchiverToolTable t = LoadArchiverTools();
    EXPECT_EQ(t[0].naam, "Arj");
    EXPECT_EQ(t[0].addS, "ARJ.exe A -r -y");
    EXPECT_EQ(t[0].addL, "!");
    EXPECT_EQ(t[3].addS, "PAK.exe A -WA -I");
    EXPECT_EQ(t[4].addS, "ZOO.exe aP");
    EXPECT_EQ(t[4].addL, "[none]");
    // A slot with its own Naam keeps its row; the defaults do not touch it.
    EXPECT_EQ(t[2].naam, "My Lha");
    EXPECT_EQ(t[2].add, "[none]");
    EXPECT_EQ(t[5].naam, QString(25, 'n'));
    EXPECT_EQ(t[5].ext, "TGZ");
    EXPECT_FALSE(t[6].present());
    EXPECT_TRUE(ini().contains("[Packer5]"));
    EXPECT_TRUE(ini().contains("Exp_S=ZOO.exe xO"));
    const QString once = ini();
    LoadArchiverTools();
    EXPECT_EQ(ini(), once);

    EXPECT_EQ(SlotForArchive("C:\\a\\x.lzh", t), 0); // slot 3 was renamed without Ext
    EXPECT_EQ(SlotForArchive("C:\\a\\x.Arj", t), 1);
    EXPECT_EQ(SlotForArchive("C:\\a\\x.tgz", t), 6);
}

TEST_F(ArchiverToolsTest, MethodOptionsFollowTheSlot)
{
    const ArchiverToolTable t = LoadArchiverTools();
    MethodOptions o = MethodClick(CompressMethod::Pkzip);
    EXPECT_TRUE(o.password && o.subdirectories && !o.volumes);
    o = MethodClick(CompressMethod::MsCompress);
    EXPECT_TRUE(!o.password && !o.subdirectories && o.targetDirectoryOnly);
    o = MethodClick(CompressMethod::Custom, &t[0]);
    EXPECT_TRUE(o.password && o.subdirectories && o.volumes);
    EXPECT_EQ(o.compressAll, true);
    ArchiverTool bare;
    bare.naam = "Bare";
    bare.add = "bare.exe a";
    bare.addS = bare.addL = bare.addP = bare.addV = ArchiverTool::kNone;
    o = MethodClick(CompressMethod::Custom, &bare);
    EXPECT_TRUE(!o.password && !o.subdirectories && !o.volumes);
    EXPECT_FALSE(o.compressAll.has_value());
}

TEST(CompressionSelection, ScoreAndCleaning)
{
    PanelEntries e = {entry(".."),
                      entry("sub", true, true),
                      entry("setup.exe", true),
                      entry("read me.txt", true),
                      entry("Read Me.doc", true),
                      entry("read me.bak", true),
                      entry("other.txt")};
    CompressSelection s = CompressionSelection(e, 6, "C:\\p");
    // "read me" scores 3 at its first entry, setup.exe 1 + 2: the earlier wins ties.
    EXPECT_EQ(s.baseName, "setup");
    ASSERT_EQ(s.items.size(), 5);
    EXPECT_EQ(s.items[0].fullPath, "C:\\p\\sub\\*.*");
    EXPECT_EQ(s.items[0].relativeName, "sub\\*.*");
    e[2].selected = false;
    EXPECT_EQ(CompressionSelection(e, 6, "C:\\p").baseName, "readme");

    for (PanelEntry& x : e)
        x.selected = false;
    s = CompressionSelection(e, 0, "C:\\");
    EXPECT_TRUE(s.items.isEmpty());
    EXPECT_EQ(s.baseName, "");
    s = CompressionSelection(e, 6, "C:\\");
    EXPECT_EQ(s.items[0].fullPath, "C:\\other.txt");
    EXPECT_EQ(s.baseName, "other");

    EXPECT_EQ(CleanBaseName("my file!:x"), "myfilex");
    EXPECT_EQ(CleanBaseName("!:@[]^` "), "Packed");
    EXPECT_EQ(CleanBaseName("abcdefghij"), "abcdefgh");
}

TEST_F(ArchiverToolsTest, CompressCommands)
{
    const ArchiverToolTable t = LoadArchiverTools();
    CompressRequest r;
    r.sourceDirectory = "C:\\p\\";
    r.target = "D:\\out\\my arc!";
    r.listFile = "C:\\list.lst";
    r.method = CompressMethod::Pkzip;
    r.subdirectories = true;
    ToolCommand c = ComposeCompress(r, t);
    EXPECT_EQ(c.tool, "PKZIP.EXE");
    EXPECT_EQ(c.parameters, " -P -r D:\\out\\myarc C:\\p\\*.*");
    EXPECT_EQ(c.workingDirectory, "C:\\p\\");
    EXPECT_FALSE(c.listFile);

    r.items = {{"C:\\p\\a.txt", "a.txt"}, {"C:\\p\\sub\\*.*", "sub\\*.*"}};
    r.password = true;
    r.passwordText = "pw";
    c = ComposeCompress(r, t);
    EXPECT_EQ(c.parameters, " -P -r -spw D:\\out\\myarc @C:\\list.lst");
    EXPECT_EQ(c.listFile, (QStringList{"C:\\p\\a.txt", "C:\\p\\sub\\*.*"}));

    r.method = CompressMethod::MsCompress;
    c = ComposeCompress(r, t);
    EXPECT_EQ(c.tool, "Compress.exe");
    EXPECT_EQ(c.parameters, "/r C:\\p\\a.txt C:\\p\\sub\\*.* D:\\out\\my arc!");

    r.method = CompressMethod::Custom;
    r.slot = 1; // Arj: a list file with "!"
    r.volumes = true;
    c = ComposeCompress(r, t);
    EXPECT_EQ(c.tool, "ARJ.exe");
    EXPECT_EQ(c.parameters, "A -r -y -v1440 -gpw D:\\out\\myarc !C:\\list.lst");
    r.slot = 5; // Zoo: no list switch, names on the line, no password switch
    c = ComposeCompress(r, t);
    EXPECT_EQ(c.tool, "ZOO.exe");
    EXPECT_EQ(c.parameters, "aP D:\\out\\myarc  C:\\p\\a.txt C:\\p\\sub\\*.*");
    r.compressAll = true;
    r.target = "D:\\x";
    c = ComposeCompress(r, t);
    EXPECT_EQ(c.parameters, "aP D:\\x  *.*");
}

TEST_F(ArchiverToolsTest, ExtractCommands)
{
    const ArchiverToolTable t = LoadArchiverTools();
    ExtractRequest r;
    r.archive = "C:\\in\\a.lzh";
    r.target = "D:\\out";
    r.programDirectory = "C:\\prog";
    r.method = CompressMethod::Custom;
    r.slot = 3;
    r.password = true; // Lha has no password switch: ignored
    ToolCommand c = ComposeExtract(r, t);
    EXPECT_EQ(c.tool, "LHA.exe");
    EXPECT_EQ(c.parameters, "X  C:\\in\\a.lzh D:\\out\\");
    EXPECT_EQ(c.workingDirectory, "C:\\prog");
    r.method = CompressMethod::Pkzip;
    r.archive = "C:\\a.zip";
    r.target = "D:\\";
    r.passwordText = "s";
    c = ComposeExtract(r, t);
    EXPECT_EQ(c.tool, "Pkunzip.exe");
    EXPECT_EQ(c.parameters, " -d -s:s C:\\a.zip D:\\");
}

// Every file below root with its bytes.
std::map<QString, QByteArray> contents(const QString& root)
{
    std::map<QString, QByteArray> out;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        out[path.mid(root.size())] = f.readAll();
    }
    return out;
}

// A password is never a word of a command line, which every user of the
// machine can read: a tool that asks on its terminal is given one of its
// own and answered there (any other question it leaves waiting ends with
// end-of-input, as without a terminal); a tool that cannot ask, or a
// program of the classic name, is not run with one.
TEST_F(ArchiverToolsTest, APasswordReachesTheToolOnItsTerminalOrNotAtAll)
{
    const ArchiverToolTable t = LoadArchiverTools();
    const QString dir = drives.programDir();
    auto fake = [&](const QString& name, const QByteArray& body) {
        QFile f(dir + '/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > '" + dir.toUtf8() + "/" + name.toUtf8() +
                ".argv'\n" + body + "\n");
        f.close();
        QFile::setPermissions(f.fileName(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    };
    auto text = [&](const QString& file) {
        QFile f(dir + '/' + file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    const QByteArray keep = "> '" + dir.toUtf8() + "/";
    // arj asks on its standard output and reads its standard input; unzip
    // uses the terminal itself.
    fake("arj", "printf 'Enter garble password: '; read pw; printf '%s' \"$pw\" " + keep +
                    "arj.typed'\nprintf 'Overwrite x (y/n)? '\nif read a; then echo \"$a\"; "
                    "else echo EOF; fi " +
                    keep + "arj.answer'");
    fake("unzip", "printf 'x.zip password: ' > /dev/tty; read pw < /dev/tty; printf '%s' \"$pw\" " +
                      keep + "unzip.typed'");
    drives.file("C:\\p\\a.txt", 10);
    drives.file("C:\\p\\x.zip", 0, buildZip({{"a.txt", 0, 0, false}}));
    drives.directory("D:\\out");
    const QString secret = "Pw s3cret $x";

    CompressRequest r;
    r.method = CompressMethod::Custom;
    r.slot = 1; // Arj
    r.sourceDirectory = "C:\\p\\";
    r.target = "D:\\out\\sealed";
    r.items = {{"C:\\p\\a.txt", "a.txt"}};
    r.password = true;
    r.passwordText = secret;
    ScriptedPrompter prompter;
    EXPECT_TRUE(archive::RunArchiverTool(CompressCommand(r, t), prompter).passed)
        << prompter.texts().join('\n').toStdString();
    EXPECT_TRUE(text("arj.argv").contains("-g?"));
    EXPECT_FALSE(text("arj.argv").contains("s3cret"));
    EXPECT_EQ(text("arj.typed"), secret);
    EXPECT_EQ(text("arj.answer").trimmed(), "EOF");

    ExtractRequest x;
    x.method = CompressMethod::Pkzip;
    x.archive = "C:\\p\\x.zip";
    x.target = "D:\\out";
    x.password = true;
    x.passwordText = secret;
    archive::RunArchiverTool(ExtractCommand(x, t), prompter);
    EXPECT_FALSE(text("unzip.argv").isEmpty());
    EXPECT_FALSE(text("unzip.argv").contains("s3cret"));
    EXPECT_EQ(text("unzip.typed"), secret);

    // lha takes a password only on its command line; a program of the
    // classic name might do anything with one: neither runs.
    fake("lha", "");
    archive::ArchiverCommand lha = archive::ArchiverCommand::fromTemplate("LHA.exe A");
    lha.archive = "D:\\out\\l.lzh";
    lha.items = {"C:\\p\\a.txt"};
    lha.workingDirectory = "C:\\p";
    lha.password = secret;
    prompter.clear();
    EXPECT_FALSE(archive::RunArchiverTool(lha, prompter).passed);
    EXPECT_EQ(prompter.texts(), QStringList{archive::kPasswordRefused.arg("lha")});
    fake("ARJ.exe", "");
    prompter.clear();
    EXPECT_FALSE(archive::RunArchiverTool(CompressCommand(r, t), prompter).passed);
    EXPECT_EQ(prompter.texts(), QStringList{archive::kPasswordRefused.arg("ARJ.exe")});
    EXPECT_TRUE(text("lha.argv").isEmpty() && text("ARJ.exe.argv").isEmpty());
}

// The dialog's commands through the real archivers: what the Compression
// Tools dialog composes for a selection comes back whole.
TEST_F(ArchiverToolsTest, ComposedCommandsRoundTripThroughTheArchivers)
{
    const ArchiverToolTable t = LoadArchiverTools();
    drives.file("C:\\p\\one file.txt", 3000);
    drives.file("C:\\p\\q'$;x.dat", 10);
    drives.file("C:\\p\\sub\\deep.bin", 70000);
    drives.file("C:\\p\\skip.me", 5);
    PanelEntries e = {entry(".."), entry("sub", true, true), entry("one file.txt", true),
                      entry("q'$;x.dat", true), entry("skip.me")};
    const CompressSelection selection = CompressionSelection(e, 0, "C:\\p");
    for (const auto& [slot, program] : {std::pair{1, "arj"}, std::pair{3, "lha"}}) {
        if (QStandardPaths::findExecutable(program).isEmpty())
            continue;
        drives.directory("D:\\out");
        drives.directory("D:\\back");
        CompressRequest r;
        r.method = CompressMethod::Custom;
        r.slot = slot;
        r.sourceDirectory = "C:\\p\\";
        r.target = "D:\\out\\" + selection.baseName;
        r.items = selection.items;
        ScriptedPrompter prompter;
        const archive::ToolRunResult made =
            archive::RunArchiverTool(CompressCommand(r, t), prompter);
        ASSERT_TRUE(made.passed) << program << prompter.texts().join('\n').toStdString();

        ExtractRequest x;
        x.method = CompressMethod::Custom;
        x.slot = slot;
        // The archivers name their archives in lower case here.
        x.archive = "D:\\out\\" + selection.baseName + '.' + t[size_t(slot - 1)].ext.toLower();
        x.target = "D:\\back";
        const archive::ToolRunResult back =
            archive::RunArchiverTool(ExtractCommand(x, t), prompter);
        ASSERT_TRUE(back.passed) << program << prompter.texts().join('\n').toStdString();
        std::map<QString, QByteArray> wanted = contents(drives.host("C:\\p"));
        wanted.erase("/skip.me");
        EXPECT_EQ(contents(drives.host("D:\\back")), wanted) << program;
        QDir(drives.host("D:\\out")).removeRecursively();
        QDir(drives.host("D:\\back")).removeRecursively();
    }
}

} // namespace

} // namespace dovex::test
