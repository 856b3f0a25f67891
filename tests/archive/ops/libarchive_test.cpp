// Tar, compressed tar, 7z, ISO and cpio archives: made at test time by the
// real tools (or by hand for the hostile ones), listed, copied out and
// unpacked through libarchive.
#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/libarchivereader.h"
#include "archive/memorysource.h"
#include "archive/ops/archiveoperations.h"
#include "archive/ops/archiveprogress.h"
#include "archive/ops/libarchiveextract.h"
#include "platform/beneath.h"
#include "platform/hostname.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"
#include "tarwriter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <map>
#include <ostream>

#include <unistd.h>

#include <gtest/gtest.h>

using namespace dovex;
using dovex::test::TarWriter;

namespace {

#define REQUIRE_PROGRAM(name)                                                                      \
    do {                                                                                           \
        if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())                   \
            GTEST_SKIP() << name << " is not installed";                                           \
    } while (0)

class StopAt : public SilentArchiveProgress {
public:
    int stopAt = 0; // the check that answers "stop", 0 for none
    int checks = 0;
    bool abortRequested() override { return stopAt != 0 && ++checks >= stopAt; }
};

bool run(const QString& dir, const QString& program, const QStringList& args,
         const QString& outputFile = {})
{
    QProcess p;
    p.setWorkingDirectory(dir);
    if (!outputFile.isEmpty())
        p.setStandardOutputFile(outputFile);
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

int cli(const QStringList& args, QByteArray* err = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), args);
    p.waitForFinished(60000);
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// Every entry under a host directory: files by size and hash, links by
// target, directories by name.
std::map<QString, std::string> tree(const QString& root)
{
    std::map<QString, std::string> out;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo fi(path);
        std::string what;
        if (fi.isSymLink()) {
            what = "link " + fi.symLinkTarget().toStdString();
        } else if (fi.isDir()) {
            what = "dir";
        } else {
            QFile f(path);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly));
            what = QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1)
                       .toHex()
                       .toStdString();
        }
        out[QDir(root).relativeFilePath(path)] = what;
    }
    return out;
}

class Libarchive : public ::testing::Test {
protected:
    test::DriveFixture drives{QStringLiteral("C")};
    test::ScriptedPrompter prompter;
    StopAt progress;

    void SetUp() override { InvalidateArchiveCache(); }

    QString host(const QString& dos) const { return drives.host(dos); }

    void sourceTree()
    {
        drives.file(QStringLiteral("C:\\src\\a.txt"), 0, "hello\n");
        drives.file(QStringLiteral("C:\\src\\sub\\b.bin"), 300000);
        drives.file(QStringLiteral("C:\\src\\sub\\deep\\c.dat"), 70);
        drives.file(QStringLiteral("C:\\src\\été ün.t"), 0, "accents");
        drives.file(QStringLiteral("C:\\src\\empty"), 0);
    }

    void write(const QString& dos, const QByteArray& bytes)
    {
        QFile f(host(dos));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    QStringList names(const QString& archive, const QString& inner = {})
    {
        PanelEntries entries;
        archiveReaders().list(archive, inner, QStringLiteral("*.*"), entries);
        QStringList out;
        for (const PanelEntry& e : entries)
            if (e.name != QLatin1String(".."))
                out << (e.directory ? e.name + '/' : e.name);
        out.sort();
        return out;
    }

    QStringList entriesOf(const QString& dos)
    {
        QStringList list = QDir(host(dos)).entryList(QDir::AllEntries | QDir::Hidden |
                                                     QDir::System | QDir::NoDotAndDotDot);
        list.sort();
        return list;
    }
};

struct Maker {
    const char* label;
    const char* program;
    QStringList args; // %A for the archive's host path; run inside src
    char16_t kind;
    const char* tag;
    bool viaStdout = false;
};

void PrintTo(const Maker& m, std::ostream* os)
{
    *os << m.label;
}

class MadeByTools : public Libarchive, public ::testing::WithParamInterface<Maker> {};

} // namespace

// Each tool's archive is found by its content (the name says nothing),
// listed level by level with its tag, unpacked whole into an identical
// tree, and a member of an inner level copies out by its name alone.
TEST_P(MadeByTools, ListsUnpacksAndCopiesOutByteForByte)
{
    const Maker& m = GetParam();
    REQUIRE_PROGRAM(m.program);
    sourceTree();
    const QString archiveHost = host(QStringLiteral("C:\\made.bin"));
    QStringList args;
    for (const QString& a : m.args)
        args << (a == QLatin1String("%A") ? archiveHost : a);
    if (m.viaStdout) {
        // cpio reads the names from a list file.
        const QString list = host(QStringLiteral("C:\\names"));
        ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QStringLiteral("find"), {"."}, list));
        QProcess p;
        p.setWorkingDirectory(host(QStringLiteral("C:\\src")));
        p.setStandardInputFile(list);
        p.setStandardOutputFile(archiveHost);
        p.start(QString::fromLatin1(m.program), args);
        ASSERT_TRUE(p.waitForFinished(60000) && p.exitCode() == 0);
    } else {
        ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QString::fromLatin1(m.program), args));
    }
    const QString archive = QStringLiteral("C:\\made.bin");
    EXPECT_EQ(DetectArchiveKind(archive), QChar(m.kind));
    EXPECT_EQ(ArchiveKindTag(QChar(m.kind)), QString::fromLatin1(m.tag));

    EXPECT_EQ(names(archive), (QStringList{"a.txt", "empty", "sub/", "été ün.t"}));
    EXPECT_EQ(names(archive, QStringLiteral("sub")), (QStringList{"b.bin", "deep/"}));
    EXPECT_FALSE(archiveReaders().lastReadDamaged());

    drives.directory(QStringLiteral("C:\\all"));
    const ArchiveOpResult whole =
        ExtractWholeLibarchive(archive, QStringLiteral("C:\\all"), true, prompter, progress);
    EXPECT_TRUE(whole.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(tree(host(QStringLiteral("C:\\all"))), tree(host(QStringLiteral("C:\\src"))));

    drives.directory(QStringLiteral("C:\\one"));
    const ArchiveOpResult one =
        OperateFromArchive(ArchiveOp::Copy, archive, QChar(m.kind), QStringLiteral("sub\\deep"),
                           {MemberItem{QStringLiteral("c.dat"), false}}, QStringLiteral("C:\\one"),
                           false, prompter, progress);
    EXPECT_TRUE(one.passed);
    EXPECT_EQ(entriesOf(QStringLiteral("C:\\one")), QStringList{"c.dat"});
    EXPECT_EQ(drives.read(QStringLiteral("C:\\one\\c.dat")),
              drives.read(QStringLiteral("C:\\src\\sub\\deep\\c.dat")));
    EXPECT_TRUE(prompter.asked().isEmpty()) << prompter.texts().join('\n').toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Tools, MadeByTools,
    ::testing::Values(
        Maker{"tar", "tar", {"-cf", "%A", "."}, kKindTar, "  [Tar]"},
        Maker{"targz", "tar", {"-czf", "%A", "."}, kKindTar, "  [Tar]"},
        Maker{"tarbz2", "tar", {"-cjf", "%A", "."}, kKindTar, "  [Tar]"},
        Maker{"tarxz", "tar", {"-cJf", "%A", "."}, kKindTar, "  [Tar]"},
        Maker{"tarzst", "tar", {"--zstd", "-cf", "%A", "."}, kKindTar, "  [Tar]"},
        Maker{"tarlz", "tar", {"--lzip", "-cf", "%A", "."}, kKindTar, "  [Tar]"},
        Maker{"sevenzip", "7zz", {"a", "-bso0", "-t7z", "%A", "."}, kKind7z, "  [7-Zip]"},
        Maker{"iso",
              "xorriso",
              {"-as", "mkisofs", "-quiet", "-R", "-J", "-o", "%A", "."},
              kKindIso,
              "  [ISO]"},
        Maker{"cpio", "cpio", {"-o", "-H", "newc", "--quiet"}, kKindCpio, "  [Cpio]", true}),
    [](const ::testing::TestParamInfo<Maker>& info) { return std::string(info.param.label); });

// Content decides: a zip named .tar stays a zip, a tar named .zip is a tar,
// text named .tar.gz is no archive, and gzip of text is none either.
TEST_F(Libarchive, DetectionIsByContentAndNeverTakesAClassicKind)
{
    REQUIRE_PROGRAM("zip");
    sourceTree();
    ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QStringLiteral("zip"),
                    {"-q", host(QStringLiteral("C:\\z.tar")), "a.txt"}));
    EXPECT_EQ(DetectArchiveKind(QStringLiteral("C:\\z.tar")), QChar(kKindZip));
    TarWriter t;
    t.add("x.txt", '0', "x");
    write(QStringLiteral("C:\\t.zip"), t.finish());
    EXPECT_EQ(DetectArchiveKind(QStringLiteral("C:\\t.zip")), QChar(kKindTar));
    write(QStringLiteral("C:\\text.tar.gz"), QByteArray(4000, 'q'));
    EXPECT_EQ(DetectArchiveKind(QStringLiteral("C:\\text.tar.gz")), QChar(kKindNone));
    ASSERT_TRUE(run(host(QStringLiteral("C:\\")), QStringLiteral("gzip"),
                    {"-k", host(QStringLiteral("C:\\text.tar.gz"))}));
    EXPECT_EQ(DetectArchiveKind(QStringLiteral("C:\\text.tar.gz.gz")), QChar(kKindNone));
}

// A compressed tar is read once for the first listing; climbing and
// entering levels is served from the records.
TEST_F(Libarchive, ACompressedTarIsReadOncePerListing)
{
    sourceTree();
    ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QStringLiteral("tar"),
                    {"-czf", host(QStringLiteral("C:\\t.tgz")), "."}));
    const int before = archiveReaders().fileReads();
    names(QStringLiteral("C:\\t.tgz"));
    names(QStringLiteral("C:\\t.tgz"), QStringLiteral("sub"));
    names(QStringLiteral("C:\\t.tgz"), QStringLiteral("sub\\deep"));
    names(QStringLiteral("C:\\t.tgz"));
    EXPECT_EQ(archiveReaders().fileReads(), before + 1);
}

// Cut short or damaged: the members before the damage are listed, the
// listing says so, and an extraction tells it, does not pass and leaves
// no temporary file behind.
TEST_F(Libarchive, TruncatedAndCorruptArchivesAreToldAndLeaveNothingHalfWritten)
{
    drives.file(QStringLiteral("C:\\src\\first.txt"), 0, "first");
    drives.file(QStringLiteral("C:\\src\\second.bin"), 2000000);
    ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QStringLiteral("tar"),
                    {"-czf", host(QStringLiteral("C:\\t.tgz")), "first.txt", "second.bin"}));
    QByteArray whole = drives.read(QStringLiteral("C:\\t.tgz"));
    write(QStringLiteral("C:\\cut.tgz"), whole.left(whole.size() / 2));
    EXPECT_EQ(DetectArchiveKind(QStringLiteral("C:\\cut.tgz")), QChar(kKindTar));
    EXPECT_EQ(names(QStringLiteral("C:\\cut.tgz")), (QStringList{"first.txt", "second.bin"}));
    EXPECT_TRUE(archiveReaders().lastReadDamaged());

    drives.directory(QStringLiteral("C:\\dst"));
    const ArchiveOpResult r = ExtractWholeLibarchive(
        QStringLiteral("C:\\cut.tgz"), QStringLiteral("C:\\dst"), true, prompter, progress);
    EXPECT_FALSE(r.passed);
    EXPECT_FALSE(prompter.asked().isEmpty());
    EXPECT_EQ(entriesOf(QStringLiteral("C:\\dst")), QStringList{"first.txt"});

    // Bytes flipped in the middle of the compressed stream.
    for (qsizetype i = whole.size() / 3; i < whole.size() / 3 + 64; ++i)
        whole[i] = char(~whole[i]);
    write(QStringLiteral("C:\\bad.tgz"), whole);
    InvalidateArchiveCache();
    names(QStringLiteral("C:\\bad.tgz"));
    EXPECT_TRUE(archiveReaders().lastReadDamaged());

    // Every prefix of a small 7z and ISO lists without a crash.
    REQUIRE_PROGRAM("7zz");
    ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QStringLiteral("7zz"),
                    {"a", "-bso0", host(QStringLiteral("C:\\s.7z")), "first.txt"}));
    const QByteArray seven = drives.read(QStringLiteral("C:\\s.7z"));
    for (qsizetype n = 0; n < seven.size(); n += 7) {
        MemorySource source({reinterpret_cast<const std::uint8_t*>(seven.constData()), size_t(n)});
        const ArchiveContents c = readLibarchiveArchive(source);
        EXPECT_LE(c.records.size(), 1u);
    }
}

// A compressed tar is inflated on a thread beside the writing of its
// members; of one cut short, every member that lies whole before the cut
// still arrives whole, and the one the cut goes through leaves nothing.
TEST_F(Libarchive, ACutCompressedTarGivesEveryMemberBeforeTheCut)
{
    QRandomGenerator random(7);
    QStringList members;
    for (int i = 0; i < 60; ++i) {
        QByteArray data(20000, '\0');
        random.fillRange(reinterpret_cast<quint32*>(data.data()), data.size() / 4);
        members << QStringLiteral("m%1.bin").arg(i, 2, 10, QChar('0'));
        drives.file(QStringLiteral("C:\\src\\") + members.last(), 0, data);
    }
    ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QStringLiteral("tar"),
                    QStringList{"-czf", host(QStringLiteral("C:\\r.tgz"))} + members));
    // Random bytes do not shrink: the first 700,000 bytes hold the first 33
    // members (20,992 bytes each in the tar) but for the stream's framing.
    write(QStringLiteral("C:\\cut.tgz"), drives.read(QStringLiteral("C:\\r.tgz")).left(700000));
    drives.directory(QStringLiteral("C:\\dst"));
    const ArchiveOpResult r = ExtractWholeLibarchive(
        QStringLiteral("C:\\cut.tgz"), QStringLiteral("C:\\dst"), true, prompter, progress);
    EXPECT_FALSE(r.passed);
    EXPECT_FALSE(prompter.asked().isEmpty());
    const QStringList got = entriesOf(QStringLiteral("C:\\dst"));
    EXPECT_GE(got.size(), 31);
    EXPECT_EQ(got, members.mid(0, got.size()));
    for (const QString& name : got)
        EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\") + name),
                  drives.read(QStringLiteral("C:\\src\\") + name))
            << name.toStdString();
}

// Hostile members made by hand: "..", absolute names, a link out and a
// file written through it, a link climbing out, a hard link to a file
// outside, a device. Nothing lands outside the target; what is harmless
// arrives; each refusal is told.
TEST_F(Libarchive, HostileMembersNeverLeaveTheTarget)
{
    drives.directory(QStringLiteral("C:\\outside"));
    drives.file(QStringLiteral("C:\\outside\\secret"), 0, "secret");
    const QByteArray outside = host(QStringLiteral("C:\\outside")).toUtf8();
    TarWriter t;
    t.add("../evil", '0', "dotdot");
    t.add(outside + "/abs", '0', "absolute");
    t.add("lnk", '2', {}, outside);
    t.add("lnk/through", '0', "through");
    t.add("up", '2', {}, "../../outside/secret");
    t.add("fine", '2', {}, "sub/x");
    t.add("hard", '1', {}, outside + "/secret");
    t.add("dev", '3');
    t.add("ok.txt", '0', "fine");
    write(QStringLiteral("C:\\h.tar"), t.finish());

    const QStringList listed = names(QStringLiteral("C:\\h.tar"));
    EXPECT_TRUE(listed.contains(QStringLiteral("evil")));
    for (const ArchiveRecord& r : archiveReaders().records())
        EXPECT_FALSE(r.path.contains(QStringLiteral(".."))) << r.path.toStdString();

    drives.directory(QStringLiteral("C:\\dst\\in"));
    const auto before = tree(host(QStringLiteral("C:\\outside")));
    const ArchiveOpResult r = ExtractWholeLibarchive(
        QStringLiteral("C:\\h.tar"), QStringLiteral("C:\\dst\\in"), true, prompter, progress);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(tree(host(QStringLiteral("C:\\outside"))), before);
    EXPECT_EQ(entriesOf(QStringLiteral("C:\\dst")), QStringList{"in"});
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\in\\evil")), QByteArray("dotdot"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\in\\ok.txt")), QByteArray("fine"));
    EXPECT_EQ(QFileInfo(host(QStringLiteral("C:\\dst\\in\\fine"))).symLinkTarget(),
              host(QStringLiteral("C:\\dst\\in\\sub\\x")));
    // The link out is refused; the file below it lands in a directory of
    // that name inside the target.
    EXPECT_FALSE(QFileInfo(host(QStringLiteral("C:\\dst\\in\\lnk"))).isSymLink());
    EXPECT_FALSE(QFileInfo(host(QStringLiteral("C:\\dst\\in\\up"))).isSymLink());
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\dst\\in\\hard")));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\dst\\in\\dev")));
    const QString told = prompter.texts().join('\n');
    EXPECT_TRUE(told.contains(QStringLiteral("its link leads out of the target directory")));
    EXPECT_TRUE(told.contains(QStringLiteral("hard link to a member not extracted here")));
    EXPECT_TRUE(told.contains(QStringLiteral("device, pipe or socket")));

    // A member through a link the archive made lands where the link leads
    // inside the target (the kernel resolves it beneath); the walk used
    // without openat2 follows no link and refuses it.
    TarWriter t2;
    t2.add("dir", '2', {}, ".");
    t2.add("dir/x", '0', "x");
    write(QStringLiteral("C:\\h2.tar"), t2.finish());
    drives.directory(QStringLiteral("C:\\d2"));
    prompter.clear();
    ExtractWholeLibarchive(QStringLiteral("C:\\h2.tar"), QStringLiteral("C:\\d2"), true, prompter,
                           progress);
    EXPECT_EQ(drives.exists(QStringLiteral("C:\\d2\\x")), BeneathRoot::kernelGuards());
    EXPECT_EQ(entriesOf(QStringLiteral("C:\\")),
              (QStringList{"d2", "dst", "h.tar", "h2.tar", "outside"}));
}

// Hard links to a member of the same archive are kept as hard links;
// names that are not UTF-8 arrive with their exact bytes.
TEST_F(Libarchive, HardLinksInsideAndRawNamesRoundTrip)
{
    TarWriter t;
    t.add("orig", '0', "data");
    t.add("same", '1', {}, "orig");
    t.add(QByteArray("raw\xff\xfe.bin", 9), '0', "raw");
    write(QStringLiteral("C:\\l.tar"), t.finish());
    drives.directory(QStringLiteral("C:\\dst"));
    EXPECT_TRUE(ExtractWholeLibarchive(QStringLiteral("C:\\l.tar"), QStringLiteral("C:\\dst"), true,
                                       prompter, progress)
                    .passed);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\same")), QByteArray("data"));
    EXPECT_EQ(QFileInfo(host(QStringLiteral("C:\\dst\\same"))).isFile(), true);
    const QByteArray rawHost =
        hostname::encode(host(QStringLiteral("C:\\dst"))) + QByteArray("/raw\xff\xfe.bin", 10);
    EXPECT_EQ(::access(rawHost.constData(), F_OK), 0);
    ::unlink(rawHost.constData()); // the temporary directory's cleanup reads names as text
}

// An existing file is replaced only with the copy engine's agreement; a
// member larger than the free space is asked about before a byte is
// written; a move, delete or copy into is refused once, changing nothing.
TEST_F(Libarchive, ReplaceFreeSpaceAndRefusedChangesAskAsTheCopyEngineDoes)
{
    TarWriter t;
    t.add("a.txt", '0', "new");
    t.add("huge", '0', {}, {}, std::int64_t(1) << 52);
    write(QStringLiteral("C:\\r.tar"), t.finish());
    drives.file(QStringLiteral("C:\\dst\\a.txt"), 0, "old");

    prompter.script({Answer::No, Answer::No});
    ArchiveOpResult r = ExtractWholeLibarchive(QStringLiteral("C:\\r.tar"),
                                               QStringLiteral("C:\\dst"), true, prompter, progress);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\a.txt")), QByteArray("old"));
    ASSERT_GE(prompter.asked().size(), 2) << prompter.texts().join('\n').toStdString();
    EXPECT_TRUE(prompter.asked()[0].text.contains(QStringLiteral("Exists,Overwrite?")));
    EXPECT_TRUE(prompter.asked()[1].text.startsWith(QStringLiteral("Not enought space")))
        << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(entriesOf(QStringLiteral("C:\\dst")), QStringList{"a.txt"});

    prompter.clear();
    prompter.script({Answer::Yes, Answer::No});
    ExtractWholeLibarchive(QStringLiteral("C:\\r.tar"), QStringLiteral("C:\\dst"), true, prompter,
                           progress);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\a.txt")), QByteArray("new"));

    const QByteArray archiveBytes = drives.read(QStringLiteral("C:\\r.tar"));
    for (ArchiveOp op : {ArchiveOp::Move, ArchiveOp::Delete}) {
        prompter.clear();
        OperateFromArchive(op, QStringLiteral("C:\\r.tar"), kKindTar, QString(),
                           {MemberItem{"a.txt", false}, MemberItem{"huge", false}},
                           QStringLiteral("C:\\dst"), true, prompter, progress);
        EXPECT_EQ(prompter.asked().size(), 1);
    }
    prompter.clear();
    CopyIntoArchive(
        ArchiveOp::Copy, QStringLiteral("C:\\r.tar"), kKindTar, QStringLiteral("C:\\dst"),
        {SourceItem{QStringLiteral("C:\\dst\\a.txt"), false}}, true, prompter, progress);
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_TRUE(prompter.asked()[0].text.contains(QStringLiteral("read only")));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\r.tar")), archiveBytes);
}

// Escape or "abort" in the middle stops the walk; nothing half written stays.
TEST_F(Libarchive, AbortStopsWithNothingHalfWritten)
{
    TarWriter t;
    for (int i = 0; i < 20; ++i)
        t.add("f" + QByteArray::number(i), '0', QByteArray(600000, char('a' + i)));
    write(QStringLiteral("C:\\big.tar"), t.finish());
    drives.directory(QStringLiteral("C:\\dst"));
    progress.stopAt = 5;
    const ArchiveOpResult r = ExtractWholeLibarchive(
        QStringLiteral("C:\\big.tar"), QStringLiteral("C:\\dst"), true, prompter, progress);
    EXPECT_TRUE(r.aborted);
    EXPECT_FALSE(r.passed);
    const QStringList left = entriesOf(QStringLiteral("C:\\dst"));
    EXPECT_LT(left.size(), 20);
    for (const QString& name : left) {
        EXPECT_FALSE(name.startsWith(QStringLiteral(".dvx"))) << name.toStdString();
        EXPECT_EQ(QFileInfo(host(QStringLiteral("C:\\dst\\") + name)).size(), 600000);
    }
}

// dovex-cli lists, copies out of and unpacks a tar.zst as the window does.
TEST_F(Libarchive, CliListsCopiesOutAndDecompresses)
{
    sourceTree();
    ASSERT_TRUE(run(host(QStringLiteral("C:\\src")), QStringLiteral("tar"),
                    {"--zstd", "-cf", host(QStringLiteral("C:\\t.tar.zst")), "."}));
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), {"archive", QStringLiteral("C:\\t.tar.zst"), "sub"});
    ASSERT_TRUE(p.waitForFinished(60000));
    const QByteArray out = p.readAllStandardOutput();
    EXPECT_TRUE(out.startsWith("  [Tar]\n")) << out.constData();
    EXPECT_TRUE(out.contains("b.bin\tF\t300000\t")) << out.constData();

    drives.directory(QStringLiteral("C:\\c"));
    EXPECT_EQ(
        cli({"copy", "--from", "C:\\t.tar.zst\\sub", "b.bin", "deep", "C:\\c", "--subdirs=yes"}),
        0);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\c\\sub\\b.bin")),
              drives.read(QStringLiteral("C:\\src\\sub\\b.bin")));
    EXPECT_TRUE(drives.exists(QStringLiteral("C:\\c\\sub\\deep\\c.dat")));

    drives.directory(QStringLiteral("C:\\d"));
    EXPECT_EQ(cli({"decompress", "C:\\t.tar.zst", "C:\\d", "--subdirs"}), 0);
    EXPECT_EQ(tree(host(QStringLiteral("C:\\d"))), tree(host(QStringLiteral("C:\\src"))));
    QByteArray err;
    EXPECT_EQ(cli({"delete", "--from", "C:\\t.tar.zst", "a.txt"}, &err), 1);
    EXPECT_TRUE(err.contains("read only")) << err.constData();
}
