#include "archive/toolrunner.h"

#include "archivetestsupport.h"

#include "platform/progresssink.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <chrono>
#include <csignal>
#include <functional>
#include <map>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace dovex;
using namespace dovex::archive;
using namespace std::chrono_literals;

namespace {

class CountingSink : public ProgressSink {
public:
    std::function<bool(int)> abortAt = [](int) { return false; };
    int checks = 0;
    int dropped = 0;
    void setLabels(const QString&, const QString&) override {}
    void setPercent(int) override {}
    bool abortRequested() override { return abortAt(++checks); }
    void dropPendingEscape() override { ++dropped; }
};

// Every file under a host directory, by relative path, with its size and
// a digest of its bytes (readable when a comparison fails).
std::map<QString, std::string> tree(const QString& root)
{
    std::map<QString, std::string> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QByteArray bytes = test::fileBytes(path);
        files[QDir(root).relativeFilePath(path)] =
            std::to_string(bytes.size()) + ' ' +
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().toStdString();
    }
    return files;
}

class ToolRunner : public ::testing::Test {
protected:
    test::DriveFixture drives{QStringLiteral("C")};
    test::ScriptedPrompter prompter;

    // A program of a classic name in the program directory.
    void fakeTool(const QString& name, const QByteArray& body)
    {
        const QString path = drives.programDir() + '/' + name;
        test::writeBytes(path, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    ArchiverCommand cmd(const QString& tool, const QString& switches, const QString& archive,
                        const QStringList& items, const QString& work,
                        ToolItems kind = ToolItems::Files, const QString& listPrefix = {})
    {
        ArchiverCommand c = ArchiverCommand::fromTemplate(tool + ' ' + switches);
        c.archive = archive;
        c.items = items;
        c.itemKind = kind;
        c.listPrefix = listPrefix;
        c.workingDirectory = work;
        return c;
    }

    // An archiver that waits for an answer nobody gives fails the test
    // instead of holding it.
    ToolRunResult run(const ArchiverCommand& c, ProgressSink* sink = nullptr)
    {
        CountingSink deadline;
        const auto until = std::chrono::steady_clock::now() + 60s;
        deadline.abortAt = [until](int) { return std::chrono::steady_clock::now() > until; };
        const ToolRunResult r = RunArchiverTool(c, prompter, sink ? sink : &deadline);
        EXPECT_TRUE(sink || !r.aborted) << "the archiver hung";
        return r;
    }
};

// Short enough for every archiver (arc keeps 12 bytes of a name).
const QString kHostile[] = {
    QStringLiteral("a b.txt"), QStringLiteral("q'\"$;x.dat"), QStringLiteral("été ün.t"),
    QStringLiteral("-dash"),   QStringLiteral("empty"),
};

void sampleTree(test::DriveFixture& d, const QString& dir, bool withSub = true)
{
    int n = 0;
    for (const QString& name : kHostile)
        d.file(dir + '\\' + name, name == QLatin1String("empty") ? 0 : 100 + 997 * n++);
    if (withSub) {
        d.file(dir + QStringLiteral("\\sub dir\\in;ner.txt"), 5000);
        d.file(dir + QStringLiteral("\\sub dir\\deep\\z$.bin"), 70000);
    }
}

} // namespace

// The classic command forms for one kind: copy into the archive with subdirectories,
// copy the members back out, delete some, and look at what is left.
struct KindForms {
    const char* program;
    const char* tool;
    const char* ext;
    const char* addSwitches;
    const char* copyOutSwitches;
    const char* deleteSwitches;
    const char* listPrefix;
    bool keepsDirectories;
};

class ToolRoundTrip : public ToolRunner, public ::testing::WithParamInterface<KindForms> {};

TEST_P(ToolRoundTrip, AddExtractAndDeleteKeepEveryByte)
{
    const KindForms k = GetParam();
    REQUIRE_TOOL(k.program);
    sampleTree(drives, QStringLiteral("C:\\src"), k.keepsDirectories);
    drives.directory(QStringLiteral("C:\\dst"));
    const QString archive = QStringLiteral("C:\\arc\\t.") + QLatin1String(k.ext);
    drives.directory(QStringLiteral("C:\\arc"));

    QStringList items;
    for (const QString& name : kHostile)
        items << QStringLiteral("C:\\src\\") + name;
    if (k.keepsDirectories)
        items << QStringLiteral("C:\\src\\sub dir\\*.*");
    ToolRunResult r =
        run(cmd(QLatin1String(k.tool), QLatin1String(k.addSwitches), archive, items,
                QStringLiteral("C:\\src"), ToolItems::Files, QLatin1String(k.listPrefix)));
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_TRUE(prompter.asked().isEmpty());
    if (!r.listFile.isEmpty()) {
        EXPECT_TRUE(r.listFile.startsWith(drives.programDir() + '/'));
        EXPECT_TRUE(QFile::exists(r.listFile));
    }

    // Members are stored relative to the source directory.
    QStringList members;
    for (const QString& name : kHostile)
        members << name;
    if (k.keepsDirectories)
        members << QStringLiteral("sub dir\\in;ner.txt") << QStringLiteral("sub dir\\deep\\z$.bin");
    r = run(cmd(QLatin1String(k.tool), QLatin1String(k.copyOutSwitches), archive, members,
                QStringLiteral("C:\\dst"), ToolItems::Members, QLatin1String(k.listPrefix)));
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(tree(drives.host(QStringLiteral("C:\\dst"))),
              tree(drives.host(QStringLiteral("C:\\src"))));

    r = run(cmd(QLatin1String(k.tool), QLatin1String(k.deleteSwitches), archive,
                {kHostile[0], kHostile[1], kHostile[2]}, QStringLiteral("C:\\arc"),
                ToolItems::Members, QLatin1String(k.listPrefix)));
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    const ArchiveContents left = test::readHostFile(drives.host(archive));
    QStringList names;
    for (const ArchiveRecord& rec : left.records)
        names << rec.path.section(QLatin1Char('\\'), -1).section(QLatin1Char('/'), -1);
    EXPECT_FALSE(names.contains(kHostile[0]));
    EXPECT_FALSE(names.contains(kHostile[1]));
    EXPECT_FALSE(names.contains(kHostile[2]));
    EXPECT_TRUE(names.contains(QStringLiteral("-dash")));
    EXPECT_TRUE(names.contains(QStringLiteral("empty")));
}

INSTANTIATE_TEST_SUITE_P(Kinds, ToolRoundTrip,
                         ::testing::Values(KindForms{"arj", "ARJ.exe", "arj", "A -p1 -r -y",
                                                     "X -y -v", "D -y -v", "!", true},
                                           KindForms{"lha", "LHA.exe", "lzh", "A -r", "X", "D", "@",
                                                     true},
                                           KindForms{"arc", "PAK.exe", "pak", "A -I -WA",
                                                     "E -I -WA", "D -I -WA", "@", false}),
                         [](const auto& info) { return std::string(info.param.program); });

TEST_F(ToolRunner, PkzipAndPkunzipFormsRoundTripThroughZipAndUnzip)
{
    REQUIRE_TOOL("zip");
    REQUIRE_TOOL("unzip");
    sampleTree(drives, QStringLiteral("C:\\src"));
    drives.directory(QStringLiteral("C:\\out"));
    drives.directory(QStringLiteral("C:\\dst"));

    // " -P -r T+N *.*": everything in the source directory, paths kept.
    ToolRunResult r = run(cmd(QStringLiteral("PKZIP.EXE"), QStringLiteral("-P -r"),
                              QStringLiteral("C:\\out\\Packed"), {QStringLiteral("*.*")},
                              QStringLiteral("C:\\src")));
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    ASSERT_TRUE(drives.exists(QStringLiteral("C:\\out\\Packed.zip")));

    ArchiverCommand out = cmd(QStringLiteral("PKUNZIP.EXE"), QStringLiteral("-d"),
                              QStringLiteral("C:\\out\\Packed.zip"), {}, QStringLiteral("C:\\"));
    out.target = QStringLiteral("C:\\dst");
    r = run(out);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(tree(drives.host(QStringLiteral("C:\\dst"))),
              tree(drives.host(QStringLiteral("C:\\src"))));

    // Through the list file, without -P: names only, the chosen ones only.
    ArchiverCommand some =
        cmd(QStringLiteral("PKZIP.EXE"), QString(), QStringLiteral("C:\\out\\two"),
            {QStringLiteral("C:\\src\\-dash"), QStringLiteral("C:\\src\\sub dir\\in;ner.txt")},
            QStringLiteral("C:\\src"), ToolItems::Files, QStringLiteral("@"));
    some.password = QStringLiteral("Secret");
    r = run(some);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    drives.directory(QStringLiteral("C:\\two"));
    out = cmd(QStringLiteral("PKUNZIP.EXE"), QString(), QStringLiteral("C:\\out\\two.zip"), {},
              QStringLiteral("C:\\"));
    out.password = QStringLiteral("Secret");
    out.target = QStringLiteral("C:\\two");
    r = run(out);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    const auto two = tree(drives.host(QStringLiteral("C:\\two")));
    ASSERT_EQ(two.size(), 2u);
    const auto src = tree(drives.host(QStringLiteral("C:\\src")));
    EXPECT_EQ(two.at(QStringLiteral("-dash")), src.at(QStringLiteral("-dash")));
    EXPECT_EQ(two.at(QStringLiteral("in;ner.txt")), src.at(QStringLiteral("sub dir/in;ner.txt")));

    // A wrong password is the archiver's failure, told with its status.
    drives.directory(QStringLiteral("C:\\bad"));
    out.password = QStringLiteral("wrong");
    out.target = QStringLiteral("C:\\bad");
    r = run(out);
    EXPECT_FALSE(r.passed);
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().first().startsWith(
        QStringLiteral("An error has occured,PKUNZIP.EXE exits with:")));
}

// arj takes every name for a pattern: "star*.txt" would add "starX.txt" as
// well, and deleting the member "star*.txt" would delete that one too. Its
// pattern "[*]" stands for "*" alone, so each names only itself.
TEST_F(ToolRunner, ANameThatIsAPatternForTheArchiverNamesOnlyItself)
{
    REQUIRE_TOOL("arj");
    drives.file(QStringLiteral("C:\\src\\star*.txt"), 10);
    drives.file(QStringLiteral("C:\\src\\starX.txt"), 30);
    const QString archive = QStringLiteral("C:\\t.arj");
    auto add = [&](const QString& item) {
        return run(cmd(QStringLiteral("ARJ.exe"), QStringLiteral("A -p1 -y"), archive, {item},
                       QStringLiteral("C:\\src"), ToolItems::Files, QStringLiteral("!")));
    };
    ASSERT_TRUE(add(QStringLiteral("C:\\src\\star*.txt")).passed)
        << prompter.texts().join('\n').toStdString();
    ArchiveContents held = test::readHostFile(drives.host(archive));
    ASSERT_EQ(held.records.size(), 1u);
    EXPECT_EQ(held.records.front().size, 10);

    ASSERT_TRUE(add(QStringLiteral("C:\\src\\starX.txt")).passed);
    ASSERT_TRUE(run(cmd(QStringLiteral("ARJ.exe"), QStringLiteral("D -y -v"), archive,
                        {QStringLiteral("star*.txt")}, QStringLiteral("C:\\"), ToolItems::Members,
                        QStringLiteral("!")))
                    .passed);
    held = test::readHostFile(drives.host(archive));
    ASSERT_EQ(held.records.size(), 1u);
    EXPECT_EQ(held.records.front().path, QStringLiteral("starX.txt"));
}

// The classic "X" of Pak moves members out: extract, then delete. A member
// kept out by the answer to the replace question stays in the archive, and
// the file it would have replaced stays as it was.
TEST_F(ToolRunner, PakMoveOutAsksBeforeReplacingAndDeletesOnlyWhatArrived)
{
    REQUIRE_TOOL("arc");
    drives.file(QStringLiteral("C:\\src\\one.txt"), 300);
    drives.file(QStringLiteral("C:\\src\\two.txt"), 400);
    drives.directory(QStringLiteral("C:\\dst"));
    const QString archive = QStringLiteral("C:\\t.pak");
    ASSERT_TRUE(run(cmd(QStringLiteral("PAK.exe"), QStringLiteral("A -I -WA"), archive,
                        {QStringLiteral("*.*")}, QStringLiteral("C:\\src"), ToolItems::Files,
                        QStringLiteral("@")))
                    .passed);
    drives.file(QStringLiteral("C:\\dst\\one.txt"), 0, "old");
    QStringList asked;
    bool agree = false;
    const AgreeToPlace answer = [&](const QString& destination, bool heldTwice) {
        asked << destination + (heldTwice ? QStringLiteral(" twice") : QString());
        return agree;
    };
    const ArchiverCommand move = cmd(QStringLiteral("PAK.exe"), QStringLiteral("X -I -WA"), archive,
                                     {QStringLiteral("one.txt")}, QStringLiteral("C:\\dst"),
                                     ToolItems::Members, QStringLiteral("@"));
    const auto memberNames = [&] {
        QStringList names;
        for (const ArchiveRecord& r : test::readHostFile(drives.host(archive)).records)
            names << r.path.toLower();
        return names;
    };
    ToolRunResult r = RunArchiverTool(move, prompter, nullptr, answer);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(asked, QStringList{QStringLiteral("C:\\dst\\one.txt")});
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\one.txt")), QByteArray("old"));
    EXPECT_EQ(memberNames(), (QStringList{"one.txt", "two.txt"}));

    agree = true;
    r = RunArchiverTool(move, prompter, nullptr, answer);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\one.txt")),
              drives.read(QStringLiteral("C:\\src\\one.txt")));
    EXPECT_EQ(memberNames(), QStringList{QStringLiteral("two.txt")});
}

TEST_F(ToolRunner, ANameArcWouldCutIsRefusedBeforeItRuns)
{
    REQUIRE_TOOL("arc");
    drives.file(QStringLiteral("C:\\src\\a rather long name.txt"), 10);
    const ToolRunResult r =
        run(cmd(QStringLiteral("PAK.exe"), QStringLiteral("A -I -WA"), QStringLiteral("C:\\t.pak"),
                {QStringLiteral("C:\\src\\a rather long name.txt")}, QStringLiteral("C:\\src"),
                ToolItems::Files, QStringLiteral("@")));
    EXPECT_FALSE(r.passed);
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().first().contains(QStringLiteral("a rather long name.txt")));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\t.pak")));
}

TEST_F(ToolRunner, CompressWritesClassicNamesIntoTheTargetOnly)
{
    REQUIRE_TOOL("mscompress");
    REQUIRE_TOOL("msexpand");
    drives.file(QStringLiteral("C:\\src\\a b.txt"), 5000);
    drives.file(QStringLiteral("C:\\src\\q'\"$;x.dat"), 300);
    drives.file(QStringLiteral("C:\\src\\-dash"), 70);
    drives.file(QStringLiteral("C:\\src\\é.c"), 0);
    drives.directory(QStringLiteral("C:\\src\\sub"));
    drives.directory(QStringLiteral("C:\\out"));
    const auto source = tree(drives.host(QStringLiteral("C:\\src")));
    ArchiverCommand c = cmd(QStringLiteral("Compress.exe"), QStringLiteral("/r"), {},
                            {QStringLiteral("*.*")}, QStringLiteral("C:\\src"));
    c.target = QStringLiteral("C:\\out");
    const ToolRunResult r = run(c);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(tree(drives.host(QStringLiteral("C:\\src"))), source);
    const auto out = tree(drives.host(QStringLiteral("C:\\out")));
    QStringList names;
    for (const auto& [name, digest] : out)
        names << name;
    EXPECT_EQ(names, (QStringList{"-dash._", "a b.tx_", "q'\"$;x.da_", "é.c_"}));
    EXPECT_EQ(QDir(drives.host(QStringLiteral("C:\\out")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              4);
    QByteArray expanded;
    ASSERT_TRUE(test::runTool(drives.host(QStringLiteral("C:\\out")), QStringLiteral("msexpand"),
                              {}, drives.read(QStringLiteral("C:\\out\\a b.tx_")), &expanded));
    EXPECT_EQ(expanded, drives.read(QStringLiteral("C:\\src\\a b.txt")));
}

TEST_F(ToolRunner, AMissingToolIsNamedAndNothingRuns)
{
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", drives.root('C').toLocal8Bit());
    for (const QString& tool : {QStringLiteral("ZOO.exe"), QStringLiteral("ARJ.exe"),
                                QStringLiteral("Custom.exe"), QStringLiteral("../../bin/true")}) {
        prompter.clear();
        const ToolRunResult r = run(cmd(tool, QStringLiteral("a"), QStringLiteral("C:\\x.zoo"),
                                        {QStringLiteral("C:\\a")}, QStringLiteral("C:\\")));
        EXPECT_FALSE(r.passed);
        EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Cannot find ") + tool +
                                                QStringLiteral(" in the Dovex directory.")});
    }
    qputenv("PATH", oldPath);
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\x.zoo")));
}

TEST_F(ToolRunner, ExitCodesZeroAndTwentyFivePassOthersAreTold)
{
    fakeTool(QStringLiteral("ARJ.exe"), "exit $(cat \"$(dirname \"$0\")/code\")");
    const auto runWith = [&](const char* code) {
        test::writeBytes(drives.programDir() + QStringLiteral("/code"), code);
        prompter.clear();
        return run(cmd(QStringLiteral("ARJ.exe"), QStringLiteral("A -y"),
                       QStringLiteral("C:\\t.arj"), {}, QStringLiteral("C:\\")));
    };
    EXPECT_TRUE(runWith("0").passed);
    EXPECT_TRUE(runWith("25").passed);
    EXPECT_TRUE(prompter.asked().isEmpty());
    const ToolRunResult r = runWith("1");
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked().first().text,
              QStringLiteral("An error has occured,ARJ.exe exits with:1"));
    EXPECT_EQ(prompter.asked().first().severity, Severity::Information);

    // A file of the name that cannot be started at all.
    fakeTool(QStringLiteral("LHA.exe"), "");
    test::writeBytes(drives.programDir() + QStringLiteral("/LHA.exe"), "#!/no/such/interpreter\n");
    prompter.clear();
    EXPECT_FALSE(run(cmd(QStringLiteral("LHA.exe"), QStringLiteral("A"),
                         QStringLiteral("C:\\t.lzh"), {}, QStringLiteral("C:\\")))
                     .passed);
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("An error has occured,LHA.exe didn't Start")});
}

TEST_F(ToolRunner, AClassicProgramGetsTheCommandWordForWordAndAListFile)
{
    const QString log = drives.programDir() + QStringLiteral("/log");
    fakeTool(QStringLiteral("RAR.exe"),
             "log=\"$(dirname \"$0\")/log\"; pwd >\"$log\"; for a in \"$@\"; do printf '[%s]\\n' "
             "\"$a\" >>\"$log\"; done; for a in \"$@\"; do case \"$a\" in @*) cat \"${a#@}\" "
             ">>\"$log\";; esac; done");
    sampleTree(drives, QStringLiteral("C:\\my src"), false);
    ArchiverCommand c =
        cmd(QStringLiteral("RAR.exe"), QStringLiteral("A -y -ep1 -p\"pass word\""),
            QStringLiteral("C:\\out dir\\x.rar"),
            {QStringLiteral("C:\\my src\\q'\"$;x.dat"), QStringLiteral("C:\\my src\\star*.txt"),
             QStringLiteral("C:\\my src\\sub\\*.*")},
            QStringLiteral("C:\\my src"), ToolItems::Files, QStringLiteral("@"));
    const ToolRunResult r = run(c);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    const QString root = drives.root('C');
    const QByteArray expected =
        (root + "/my src\n[A]\n[-y]\n[-ep1]\n[-ppass word]\n[" + root + "/out dir/x.rar]\n[@" +
         r.listFile + "]\n" + root + "/my src/q'\"$;x.dat\n" + root + "/my src/star*.txt\n" + root +
         "/my src/sub/*.*\n")
            .toUtf8();
    EXPECT_EQ(test::fileBytes(log), expected);
    EXPECT_TRUE(QFileInfo(r.listFile).fileName().startsWith(QStringLiteral("Arc-")));

    // Each run has a list file of its own.
    const ToolRunResult again = run(c);
    EXPECT_NE(again.listFile, r.listFile);
    EXPECT_TRUE(QFile::exists(r.listFile));
}

TEST_F(ToolRunner, ANameWithALineBreakNeverReachesAListFile)
{
    fakeTool(QStringLiteral("ARJ.exe"), "touch \"$(dirname \"$0\")/ran\"");
    const ToolRunResult r = run(cmd(QStringLiteral("ARJ.exe"), QStringLiteral("A -y"),
                                    QStringLiteral("C:\\t.arj"), {QStringLiteral("C:\\a\nb")},
                                    QStringLiteral("C:\\"), ToolItems::Files, QStringLiteral("!")));
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(prompter.asked().size(), 1);
    EXPECT_FALSE(QFile::exists(drives.programDir() + QStringLiteral("/ran")));
}

TEST_F(ToolRunner, AbortEndsAHangingToolAndWhatItStarted)
{
    fakeTool(QStringLiteral("ZOO.exe"),
             "(trap '' TERM; sleep 300) & echo $! >\"$(dirname \"$0\")/pids\"; sleep 300 & echo $! "
             ">>\"$(dirname \"$0\")/pids\"; wait");
    const QString pids = drives.programDir() + QStringLiteral("/pids");
    CountingSink sink;
    sink.abortAt = [&](int) { return test::fileBytes(pids).count('\n') >= 2; };
    const auto started = std::chrono::steady_clock::now();
    const ToolRunResult r =
        run(cmd(QStringLiteral("ZOO.exe"), QStringLiteral("a:"), QStringLiteral("C:\\t.zoo"),
                {QStringLiteral("C:\\x")}, QStringLiteral("C:\\")),
            &sink);
    EXPECT_TRUE(r.aborted);
    EXPECT_FALSE(r.passed);
    EXPECT_TRUE(prompter.asked().isEmpty());
    EXPECT_EQ(sink.dropped, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 20s);
    for (const QByteArray& line : test::fileBytes(pids).trimmed().split('\n')) {
        const pid_t pid = line.toInt();
        ASSERT_GT(pid, 0);
        bool gone = false;
        for (int i = 0; i < 100 && !gone; ++i) {
            QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
            gone = !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
            if (!gone)
                std::this_thread::sleep_for(20ms);
        }
        EXPECT_TRUE(gone) << "process " << pid << " outlived the abort";
    }
}

TEST(ToolTemplates, SplitAtTheFirstBlankIntoWordsWithoutAShell)
{
    ArchiverCommand c = ArchiverCommand::fromTemplate(QStringLiteral("ARJ.exe A -r -y"));
    EXPECT_EQ(c.tool, QStringLiteral("ARJ.exe"));
    EXPECT_EQ(c.switches, (QStringList{"A", "-r", "-y"}));
    c = ArchiverCommand::fromTemplate(QStringLiteral("my.exe  a 'b c' \"d\\\"e\" f\\ g $(x);*"));
    EXPECT_EQ(c.switches, (QStringList{"a", "b c", "d\"e", "f g", "$(x);*"}));
    EXPECT_EQ(ArchiverCommand::fromTemplate(QStringLiteral("ZOO.exe")).switches, QStringList());
}

namespace {

// An lzh archive made by the real lha from files of a drive directory.
void makeLzh(test::DriveFixture& d, const QString& dir, const QString& archive,
             const QStringList& names)
{
    ASSERT_TRUE(test::runTool(d.host(dir), QStringLiteral("lha"),
                              QStringList{QStringLiteral("a"), d.host(archive)} + names));
}

// Every link below root that leads anywhere leads to a place inside root.
QStringList linksLeadingOut(const QString& root)
{
    QStringList out;
    const QString canonicalRoot = QFileInfo(root).canonicalFilePath();
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QFileInfo fi(it.next());
        const QString to = fi.canonicalFilePath();
        if (fi.isSymLink() && !to.isEmpty() && to != canonicalRoot &&
            !to.startsWith(canonicalRoot + '/'))
            out << fi.filePath();
    }
    return out;
}

} // namespace

// What an archiver wrote is placed by the kernel's word, not by the text of
// its links: a chain of links, each harmless by its own text ("a" -> ".",
// then "b" -> "a/.."), extracted into the root of the drive, never gives a
// way out of it.
TEST_F(ToolRunner, AChainOfLinksAnArchiverWroteNeverLeadsOutOfTheDrive)
{
    REQUIRE_TOOL("lha");
    drives.file(QStringLiteral(R"(C:\make\ok.txt)"), 0, "fine");
    makeLzh(drives, QStringLiteral(R"(C:\make)"), QStringLiteral(R"(C:\make\t.lzh)"),
            {QStringLiteral("ok.txt")});
    fakeTool(QStringLiteral("LHA.exe"), "ln -s . a; ln -s a/.. b; mkdir d; ln -s ../.. d/up; "
                                        "ln -s a/a/d/.. c; printf fine > ok.txt");
    const ToolRunResult r =
        run(cmd(QStringLiteral("LHA.exe"), QStringLiteral("E"), QStringLiteral(R"(C:\make\t.lzh)"),
                {QStringLiteral("ok.txt")}, QStringLiteral(R"(C:\)"), ToolItems::Members,
                QStringLiteral("@")));
    EXPECT_FALSE(r.passed);
    const QString out = QStringLiteral(": it is a link that points outside the target directory");
    EXPECT_EQ(prompter.count(QStringLiteral("Refused b") + out), 1);
    EXPECT_EQ(prompter.count(QStringLiteral(R"(Refused d\up)") + out), 1);
    EXPECT_EQ(prompter.texts().size(), 2) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(linksLeadingOut(drives.root('C')), QStringList());
    // The links that stay inside arrive, and so does the member.
    EXPECT_TRUE(QFileInfo(drives.host(QStringLiteral(R"(C:\a)"))).isSymLink());
    EXPECT_TRUE(QFileInfo(drives.host(QStringLiteral(R"(C:\c)"))).isSymLink());
    EXPECT_EQ(drives.read(QStringLiteral(R"(C:\ok.txt)")), QByteArray("fine"));
}

// A link agreed to replace a file trades places with it: when the kernel
// finds that the link leads out, the file comes back as it was.
TEST_F(ToolRunner, ALinkThatMayNotStayGivesBackTheFileItReplaced)
{
    REQUIRE_TOOL("lha");
    drives.file(QStringLiteral(R"(C:\make\ok.txt)"), 0, "fine");
    makeLzh(drives, QStringLiteral(R"(C:\make)"), QStringLiteral(R"(C:\make\t.lzh)"),
            {QStringLiteral("ok.txt")});
    drives.file(QStringLiteral(R"(C:\dst\good)"), 0, "g");
    drives.file(QStringLiteral(R"(C:\dst\bad)"), 0, "b");
    fakeTool(QStringLiteral("LHA.exe"),
             "ln -s ok.txt good; ln -s ../../x bad; printf fine > ok.txt");
    QStringList asked;
    const ToolRunResult r =
        RunArchiverTool(cmd(QStringLiteral("LHA.exe"), QStringLiteral("E"),
                            QStringLiteral(R"(C:\make\t.lzh)"), {QStringLiteral("ok.txt")},
                            QStringLiteral(R"(C:\dst)"), ToolItems::Members, QStringLiteral("@")),
                        prompter, nullptr, [&](const QString& destination, bool) {
                            asked << destination;
                            return true;
                        });
    EXPECT_FALSE(r.passed);
    asked.sort();
    EXPECT_EQ(asked, (QStringList{R"(C:\dst\bad)", R"(C:\dst\good)"}));
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Refused bad: it is a link that points outside the target "
                                         "directory")});
    EXPECT_EQ(drives.read(QStringLiteral(R"(C:\dst\bad)")), QByteArray("b"));
    EXPECT_FALSE(QFileInfo(drives.host(QStringLiteral(R"(C:\dst\bad)"))).isSymLink());
    EXPECT_EQ(QFileInfo(drives.host(QStringLiteral(R"(C:\dst\good)"))).symLinkTarget(),
              drives.host(QStringLiteral(R"(C:\dst\ok.txt)")));
    EXPECT_EQ(QDir(drives.host(QStringLiteral(R"(C:\dst)")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot),
              (QStringList{"bad", "good", "ok.txt"}));
}

// By default the program's and the settings' directories lie on drive C:
// a member that would land in either (a program of a classic archiver's
// name, a settings file) is refused by name, whatever the target.
TEST_F(ToolRunner, NoMemberLandsInTheProgramOrTheSettingsDirectory)
{
    REQUIRE_TOOL("lha");
    drives.file(QStringLiteral(R"(C:\make\prog\ARJ.exe)"), 0, "#!/bin/sh\ntouch pwned\n");
    drives.file(QStringLiteral(R"(C:\make\set\Dovex.Ini)"), 0, "[Packer1]\n");
    drives.file(QStringLiteral(R"(C:\make\ok.txt)"), 0, "fine");
    makeLzh(drives, QStringLiteral(R"(C:\make)"), QStringLiteral(R"(C:\t.lzh)"),
            {QStringLiteral("prog/ARJ.exe"), QStringLiteral("set/Dovex.Ini"),
             QStringLiteral("ok.txt")});
    drives.directory(QStringLiteral(R"(C:\prog)"));
    drives.file(QStringLiteral(R"(C:\set\Dovex.Ini)"), 0, "[Mine]\n");
    qputenv("DOVEX_HOME", drives.host(QStringLiteral(R"(C:\prog)")).toUtf8());
    qputenv("DOVEX_WINDIR", drives.host(QStringLiteral(R"(C:\set)")).toUtf8());

    const ToolRunResult r =
        run(cmd(QStringLiteral("LHA.exe"), QStringLiteral("X"), QStringLiteral(R"(C:\t.lzh)"),
                {QStringLiteral("*.*")}, QStringLiteral(R"(C:\)"), ToolItems::Members,
                QStringLiteral("@")));
    EXPECT_FALSE(r.passed);
    const QString why = QStringLiteral(": it would be written into the program's or the "
                                       "settings' directory");
    EXPECT_EQ(prompter.texts(), (QStringList{QStringLiteral("Refused prog") + why,
                                             QStringLiteral("Refused set") + why}));
    EXPECT_FALSE(drives.exists(QStringLiteral(R"(C:\prog\ARJ.exe)")));
    EXPECT_EQ(drives.read(QStringLiteral(R"(C:\set\Dovex.Ini)")), QByteArray("[Mine]\n"));
    EXPECT_EQ(drives.read(QStringLiteral(R"(C:\ok.txt)")), QByteArray("fine"));
}

// A program of a classic name in the program directory runs only when it
// is the user's own plain file that nobody else may change; otherwise the
// person is told why and nothing runs in its place either.
TEST_F(ToolRunner, AProgramOthersCouldHavePutThereIsNotRun)
{
    const QString ran = drives.programDir() + QStringLiteral("/ran");
    const auto attempt = [&](const QString& tool) {
        prompter.clear();
        return run(cmd(tool, QStringLiteral("A -y"), QStringLiteral(R"(C:\t.arj)"),
                       {QStringLiteral(R"(C:\a.txt)")}, QStringLiteral(R"(C:\)"), ToolItems::Files,
                       QStringLiteral("!")));
    };
    drives.file(QStringLiteral(R"(C:\a.txt)"), 10);
    fakeTool(QStringLiteral("ARJ.exe"), "touch '" + ran.toUtf8() + "'");
    const QString arj = drives.programDir() + QStringLiteral("/ARJ.exe");
    QFile::setPermissions(arj, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                   QFile::WriteGroup | QFile::ExeGroup);
    EXPECT_FALSE(attempt(QStringLiteral("ARJ.exe")).passed);
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Cannot run ARJ.exe from the Dovex directory: other users "
                                         "may change it.")});

    // A link there is not followed to a program.
    const QString elsewhere = drives.root('C') + QStringLiteral("/tool");
    ASSERT_TRUE(QFile::rename(arj, elsewhere));
    QFile::setPermissions(elsewhere, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QFile::link(elsewhere, arj));
    EXPECT_FALSE(attempt(QStringLiteral("ARJ.exe")).passed);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral(
                                    "Cannot run ARJ.exe from the Dovex directory: it is a link.")});
    ASSERT_TRUE(QFile::remove(arj));

    // The Linux archiver looked for there under its own name likewise.
    fakeTool(QStringLiteral("lha"), "touch '" + ran.toUtf8() + "'");
    const QString lha = drives.programDir() + QStringLiteral("/lha");
    QFile::setPermissions(lha, QFile::permissions(lha) | QFile::WriteOther | QFile::ExeOther);
    EXPECT_FALSE(attempt(QStringLiteral("LHA.exe")).passed);
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Cannot run lha from the Dovex directory: other users may "
                                         "change it.")});

    // One that belongs to another user (only root can give it away).
    if (::geteuid() == 0) {
        QFile::setPermissions(lha, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        ASSERT_EQ(::chown(QFile::encodeName(lha).constData(), 1, 1), 0);
        EXPECT_FALSE(attempt(QStringLiteral("LHA.exe")).passed);
        EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral(
                                        "Cannot run lha from the Dovex directory: it belongs to "
                                        "another user.")});
    }
    EXPECT_FALSE(QFile::exists(ran));
    EXPECT_FALSE(drives.exists(QStringLiteral(R"(C:\t.arj)")));
}

// An archiver handed a pipe waits on it for ever, and one that follows a
// link back up its own tree never ends: such a source, named directly or
// lying below a directory the archiver goes through, is refused by name.
TEST_F(ToolRunner, APipeADeviceOrALoopAmongTheSourcesIsRefusedBeforeAnythingRuns)
{
    const QString ran = drives.programDir() + QStringLiteral("/ran");
    fakeTool(QStringLiteral("ARJ.exe"), "touch '" + ran.toUtf8() + "'");
    fakeTool(QStringLiteral("LHA.exe"), "touch '" + ran.toUtf8() + "'");
    drives.file(QStringLiteral(R"(C:\src\a.txt)"), 10);
    drives.directory(QStringLiteral(R"(C:\src\sub\deep)"));
    ASSERT_EQ(
        ::mkfifo(QFile::encodeName(drives.host(QStringLiteral(R"(C:\src\sub\deep\p)"))).constData(),
                 0600),
        0);
    drives.directory(QStringLiteral(R"(C:\one)"));
    ASSERT_TRUE(
        QFile::link(QStringLiteral("/dev/zero"), drives.host(QStringLiteral(R"(C:\one\zero)"))));
    drives.directory(QStringLiteral(R"(C:\two\in)"));
    ASSERT_TRUE(QFile::link(QStringLiteral(".."), drives.host(QStringLiteral(R"(C:\two\in\up)"))));

    struct Case {
        const char* tool;
        const char* switches;
        const char* item;
        const char* work;
        const char* said;
    };
    const Case cases[] = {
        {"ARJ.exe", "A -r -y", R"(C:\src\*.*)", R"(C:\src)",
         R"(Cannot hand C:\src\sub\deep\p to the archiver: it is a pipe.)"},
        {"ARJ.exe", "A -y", R"(C:\one\zero)", R"(C:\one)",
         R"(Cannot hand C:\one\zero to the archiver: it is a device.)"},
        {"LHA.exe", "A", R"(C:\two\in)", R"(C:\two)",
         R"(Cannot hand C:\two\in\up\in to the archiver: it leads back into a directory above it.)"},
    };
    for (const Case& c : cases) {
        prompter.clear();
        EXPECT_FALSE(run(cmd(QLatin1String(c.tool), QLatin1String(c.switches),
                             QStringLiteral(R"(C:\t.arj)"), {QLatin1String(c.item)},
                             QLatin1String(c.work), ToolItems::Files, QStringLiteral("!")))
                         .passed);
        EXPECT_EQ(prompter.texts(), QStringList{QString::fromUtf8(c.said)});
    }
    EXPECT_FALSE(QFile::exists(ran));
    // Without "-r" the archiver stays in the directory named: the pipe
    // further down is none of its business.
    prompter.clear();
    EXPECT_TRUE(run(cmd(QStringLiteral("ARJ.exe"), QStringLiteral("A -y"),
                        QStringLiteral(R"(C:\t.arj)"), {QStringLiteral(R"(C:\src\*.*)")},
                        QStringLiteral(R"(C:\src)"), ToolItems::Files, QStringLiteral("!")))
                    .passed)
        << prompter.texts().join('\n').toStdString();
}

// An archiver that reports success after writing a member short (a full
// disk) never gets it under its real name: the import stops there.
TEST_F(ToolRunner, AMemberTheArchiverWroteShortNeverTakesItsName)
{
    REQUIRE_TOOL("lha");
    drives.file(QStringLiteral(R"(C:\make\one.txt)"), 0, "0123456789");
    makeLzh(drives, QStringLiteral(R"(C:\make)"), QStringLiteral(R"(C:\t.lzh)"),
            {QStringLiteral("one.txt")});
    drives.directory(QStringLiteral(R"(C:\dst)"));
    fakeTool(QStringLiteral("LHA.exe"), "printf 01234 > one.txt");
    const ToolRunResult r =
        run(cmd(QStringLiteral("LHA.exe"), QStringLiteral("E"), QStringLiteral(R"(C:\t.lzh)"),
                {QStringLiteral("one.txt")}, QStringLiteral(R"(C:\dst)"), ToolItems::Members,
                QStringLiteral("@")));
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral(
                                    "Refused one.txt: the archiver did not extract it whole")});
    EXPECT_EQ(QDir(drives.host(QStringLiteral(R"(C:\dst)")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList());
}
