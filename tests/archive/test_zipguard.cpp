// What the zip component's extraction may and may not do to the disk:
// links that chain their way out, directories that were there before, the
// program's and the settings' directories, files in the way, a disk that
// fails, names longer than the listing shows.
#include "archivetestsupport.h"

#include "archive/zipmaster.h"
#include "platform/beneath.h"
#include "support/drivefixture.h"

#include <QDirIterator>
#include <QFileInfo>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <iostream>

using namespace dovex;
using namespace dovex::test;

namespace {

struct stat statOf(const QString& hostPath, bool follow = false)
{
    struct stat st {};
    const QByteArray path = QFile::encodeName(hostPath);
    if ((follow ? ::stat(path.constData(), &st) : ::lstat(path.constData(), &st)) != 0)
        st.st_mode = 0;
    return st;
}

// Every entry below a host directory, links not followed.
QStringList entriesBelow(const QString& hostDir)
{
    QStringList out;
    QDirIterator it(hostDir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        out << QDir(hostDir).relativeFilePath(it.next());
    out.sort();
    return out;
}

class ZipGuard : public ::testing::Test {
protected:
    void SetUp() override
    {
        zip.OnMessage = [this](TZipMaster&, int code, const QString& text) {
            messages.push_back({code, text});
        };
        drives.directory("C:\\out");
    }
    void TearDown() override
    {
        if (HasFailure())
            for (const auto& [code, text] : messages)
                std::cerr << "message " << code << ": " << text.toStdString() << "\n";
    }

    int extract(const QString& archive, const QString& into, ExtrOpts options)
    {
        zip.ZipFilename = archive;
        zip.ExtrBaseDir = into;
        zip.ExtrOptions = options;
        return zip.Extract();
    }

    bool refused(const QString& name) const
    {
        for (const auto& [code, text] : messages)
            if (code == TZipMaster::kErrorRefused &&
                text.startsWith(QStringLiteral("Refused ") + name + QStringLiteral(": ")))
                return true;
        return false;
    }

    int failures() const
    {
        int n = 0;
        for (const auto& [code, text] : messages)
            n += code != 0;
        return n;
    }

    DriveFixture drives;
    TZipMaster zip;
    std::vector<std::pair<int, QString>> messages;
};

// With the kernel's guard and with the link-free walk of older kernels.
class ZipGuardLinks : public ZipGuard, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override
    {
        BeneathRoot::setKernelGuardsForTesting(GetParam());
        ZipGuard::SetUp();
    }
    void TearDown() override
    {
        ZipGuard::TearDown();
        BeneathRoot::setKernelGuardsForTesting(true);
    }
};

} // namespace

// Links each harmless by its text, extracted into the root of a drive:
// none may make the drive's parent reachable, nor may a file written
// later through them land there. A link that led nowhere when made and
// that a later link opens a way out for goes at the end, by name.
TEST_P(ZipGuardLinks, ChainedLinksNeverReachOutOfTheDrive)
{
    REQUIRE_TOOL("python3");
    ASSERT_TRUE(craftZip(drives.host("C:\\out\\evil.zip"), "link('a','.')\n"
                                                           "link('a/b','../..')\n"
                                                           "link('c','a/..')\n"
                                                           "link('deep','s/..')\n"
                                                           "link('s','.')\n"
                                                           "link('l','.')\n"
                                                           "z.writestr('l/through.txt','in')\n"
                                                           "z.writestr('b/x.txt','x')\n"
                                                           "z.writestr('c/x.txt','x')\n"));
    const QString root = QFileInfo(drives.root('C')).canonicalFilePath();
    const QString parent = QFileInfo(root).absolutePath();
    extract("C:\\out\\evil.zip", "C:\\", {ExtrOptsEnum::ExtrDirNames});

    for (const char* name : {"a\\b", "c", "deep"})
        EXPECT_TRUE(refused(name)) << name;
    // Every link left resolves beneath the drive.
    for (const QString& rel : entriesBelow(root)) {
        const QString path = root + '/' + rel;
        if (!S_ISLNK(statOf(path).st_mode))
            continue;
        const QString real = QFileInfo(path).canonicalFilePath();
        EXPECT_TRUE(real.isEmpty() || real == root || real.startsWith(root + '/'))
            << rel.toStdString() << " -> " << real.toStdString();
    }
    for (const char* name : {"x.txt", "through.txt", "b", "c"})
        EXPECT_FALSE(QFileInfo::exists(parent + '/' + name)) << name;
    EXPECT_TRUE(S_ISREG(statOf(root + "/b/x.txt").st_mode));
    EXPECT_TRUE(S_ISREG(statOf(root + "/c/x.txt").st_mode));
    // Through "l" (a link to the drive's root) into the root itself, or
    // refused where no link is followed at all.
    EXPECT_TRUE(S_ISREG(statOf(root + "/through.txt").st_mode) || refused("l\\through.txt"));
}

INSTANTIATE_TEST_SUITE_P(KernelAndWalk, ZipGuardLinks, ::testing::Bool());

// A directory member makes a missing directory with its mode and time; one
// that was there keeps both, whatever the member says.
TEST_F(ZipGuard, DirectoryMembersStampOnlyWhatTheyMade)
{
    REQUIRE_TOOL("python3");
    ASSERT_TRUE(craftZip(drives.host("C:\\d.zip"),
                         "def d(n,m):\n"
                         " i=zipfile.ZipInfo(n,(2002,2,2,2,2,2));i.create_system=3\n"
                         " i.external_attr=(stat.S_IFDIR|m)<<16|0x10;z.writestr(i,'')\n"
                         "d('keep/',0o777)\n"
                         "d('made/',0o750)\n"
                         "z.writestr('made/f.txt','f')\n"
                         "z.writestr('late/f.txt','f')\n"
                         "d('late/',0o705)\n"));
    const QString out = drives.host("C:\\out");
    ASSERT_EQ(::mkdir(QFile::encodeName(out + "/keep").constData(), 0700), 0);
    const struct timespec old[2] = {{1000000, 0}, {1000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(out + "/keep").constData(), old, 0), 0);

    EXPECT_EQ(extract("C:\\d.zip", "C:\\out", {ExtrOptsEnum::ExtrDirNames}), 2);
    const struct stat keep = statOf(out + "/keep");
    EXPECT_EQ(keep.st_mode & 07777, 0700u);
    EXPECT_EQ(keep.st_mtime, 1000000);
    const struct stat made = statOf(out + "/made");
    const struct stat late = statOf(out + "/late");
    EXPECT_EQ(made.st_mode & 07777, 0750u);
    EXPECT_EQ(late.st_mode & 07777, 0705u);
    // 2002, in whatever zone the DOS time was read.
    EXPECT_LT(std::abs(made.st_mtime - 1012615322), 86400);
    EXPECT_EQ(made.st_mtime, late.st_mtime);
}

// The program's directory (a classic tool's name there would run as that
// tool) and the settings' directory take nothing, named or reached through
// a link, not even when a member would make the directory itself, and
// nothing at all when they are the target themselves.
TEST_F(ZipGuard, NothingLandsInTheProgramOrSettingsDirectory)
{
    REQUIRE_TOOL("python3");
    drives.directory("C:\\settings");
    qputenv("DOVEX_HOME", QFile::encodeName(drives.host("C:\\prog")));
    qputenv("DOVEX_WINDIR", QFile::encodeName(drives.host("C:\\settings")));
    ASSERT_TRUE(craftZip(drives.host("C:\\p.zip"), "z.writestr('prog/ARJ.exe','#!/bin/sh')\n"
                                                   "z.writestr('settings/Dovex.Ini','[x]')\n"
                                                   "link('p','prog')\n"
                                                   "z.writestr('p/LHA.exe','#!/bin/sh')\n"
                                                   "z.writestr('ARC.exe','#!/bin/sh')\n"
                                                   "z.writestr('ok.txt','fine')\n"));
    EXPECT_EQ(extract("C:\\p.zip", "C:\\", {ExtrOptsEnum::ExtrDirNames}), 3); // p, ARC.exe, ok.txt
    for (const char* name : {"prog\\ARJ.exe", "settings\\Dovex.Ini", "p\\LHA.exe"})
        EXPECT_TRUE(refused(name)) << name;
    EXPECT_EQ(drives.read("C:\\ok.txt"), QByteArray("fine"));

    messages.clear();
    EXPECT_EQ(extract("C:\\p.zip", "C:\\prog", {}), 0);
    EXPECT_TRUE(refused("ARC.exe"));
    EXPECT_TRUE(entriesBelow(drives.host("C:\\prog")).isEmpty());
    EXPECT_TRUE(entriesBelow(drives.host("C:\\settings")).isEmpty());
}

// Whatever is in a member's way is replaced only as the handler agrees,
// asked in member order with the path that would be replaced; two members
// of one name ask for the second. A No keeps the very file; a directory
// is reported; without a handler nothing is replaced.
TEST_F(ZipGuard, AFileInTheWayIsReplacedOnlyWhenTheHandlerAgrees)
{
    REQUIRE_TOOL("python3");
    ASSERT_TRUE(craftZip(drives.host("C:\\r.zip"), "z.writestr('a.txt','new a')\n"
                                                   "z.writestr('b.txt','new b')\n"
                                                   "z.writestr('dup.txt','first')\n"
                                                   "z.writestr('dup.txt','second')\n"
                                                   "link('link.txt','b.txt')\n"
                                                   "z.writestr('dir','not a directory')\n"));
    drives.file("C:\\out\\a.txt", 0, "old a");
    drives.file("C:\\out\\b.txt", 0, "old b");
    drives.file("C:\\out\\link.txt", 0, "old link");
    drives.directory("C:\\out\\dir");
    const ino_t inode = statOf(drives.host("C:\\out\\a.txt")).st_ino;
    QStringList asked;
    zip.OnConfirmReplace = [&asked](TZipMaster&, const QString& path) {
        asked << path;
        return !path.endsWith(QLatin1String("a.txt"));
    };
    EXPECT_EQ(extract("C:\\r.zip", "C:\\out", {ExtrOptsEnum::ExtrOverWrite}), 4);
    EXPECT_EQ(asked, QStringList({"C:\\out\\a.txt", "C:\\out\\b.txt", "C:\\out\\dup.txt",
                                  "C:\\out\\link.txt"}));
    EXPECT_EQ(drives.read("C:\\out\\a.txt"), QByteArray("old a"));
    EXPECT_EQ(statOf(drives.host("C:\\out\\a.txt")).st_ino, inode);
    EXPECT_EQ(drives.read("C:\\out\\b.txt"), QByteArray("new b"));
    EXPECT_EQ(drives.read("C:\\out\\dup.txt"), QByteArray("second"));
    EXPECT_TRUE(S_ISLNK(statOf(drives.host("C:\\out\\link.txt")).st_mode));
    EXPECT_TRUE(refused("dir"));
    EXPECT_EQ(entriesBelow(drives.host("C:\\out")),
              QStringList({"a.txt", "b.txt", "dir", "dup.txt", "link.txt"}));

    zip.OnConfirmReplace = nullptr;
    drives.file("C:\\out\\b.txt", 0, "mine");
    EXPECT_EQ(extract("C:\\r.zip", "C:\\out", {ExtrOptsEnum::ExtrOverWrite}), 0);
    EXPECT_EQ(drives.read("C:\\out\\b.txt"), QByteArray("mine"));
}

// Many small members, so that helpers write ahead under the members' own
// names: a link already at a member's name is never written through, a
// name the archive holds twice is asked about when its second member comes
// and ends with that member's bytes, and without overwriting the first
// stays.
TEST_F(ZipGuard, FilesWrittenAheadMeetWhatIsThereAndRepeatedNamesInOrder)
{
    REQUIRE_TOOL("python3");
    ASSERT_TRUE(craftZip(drives.host("C:\\m.zip"),
                         "z.writestr('d2/dup.txt','first')\n"
                         "for d in range(4):\n"
                         " for f in range(60): z.writestr('d%d/f%d.txt'%(d,f),'%d-%d'%(d,f))\n"
                         "z.writestr('d2/dup.txt','second')\n"));
    const QString victim = drives.host("C:\\victim.txt");
    for (const char* out : {"C:\\out", "C:\\keep"}) {
        drives.directory(QString::fromLatin1(out) + "\\d1");
        ASSERT_EQ(
            ::symlink(QFile::encodeName(victim).constData(),
                      QFile::encodeName(drives.host(QString::fromLatin1(out) + "\\d1\\f7.txt"))
                          .constData()),
            0);
    }
    QStringList asked;
    zip.OnConfirmReplace = [&asked](TZipMaster&, const QString& path) {
        asked << path;
        return true;
    };
    const ExtrOpts paths{ExtrOptsEnum::ExtrDirNames};
    EXPECT_EQ(
        extract("C:\\m.zip", "C:\\out", {ExtrOptsEnum::ExtrDirNames, ExtrOptsEnum::ExtrOverWrite}),
        242);
    EXPECT_EQ(asked, QStringList({"C:\\out\\d1\\f7.txt", "C:\\out\\d2\\dup.txt"}));
    EXPECT_EQ(drives.read("C:\\out\\d1\\f7.txt"), QByteArray("1-7"));
    EXPECT_EQ(drives.read("C:\\out\\d2\\dup.txt"), QByteArray("second"));
    EXPECT_EQ(drives.read("C:\\out\\d3\\f59.txt"), QByteArray("3-59"));
    EXPECT_EQ(entriesBelow(drives.host("C:\\out")).size(), 4u + 240u + 1u);

    asked.clear();
    EXPECT_EQ(extract("C:\\m.zip", "C:\\keep", paths), 240);
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_TRUE(S_ISLNK(statOf(drives.host("C:\\keep\\d1\\f7.txt")).st_mode));
    EXPECT_EQ(drives.read("C:\\keep\\d2\\dup.txt"), QByteArray("first"));
    EXPECT_EQ(entriesBelow(drives.host("C:\\keep")).size(), 4u + 240u + 1u);
    EXPECT_EQ(statOf(victim).st_mode, 0u);
}

// A write that fails (here the file size limit, as a full disk would) ends
// the extraction: no later member is written, nothing is left half written
// under any name.
TEST_F(ZipGuard, TheFirstWriteErrorEndsTheExtraction)
{
    QByteArray script = "import os\n";
    for (const char* name : {"a.bin", "big.bin", "c.bin", "d.bin"})
        script += QByteArray("z.writestr('") + name + "',os.urandom(" +
                  (QByteArray(name) == "big.bin" ? "300000" : "3000") + "))\n";
    REQUIRE_TOOL("python3");
    ASSERT_TRUE(craftZip(drives.host("C:\\w.zip"), QString::fromLatin1(script)));
    struct rlimit before {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    struct rlimit small = before;
    small.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    const int count = extract("C:\\w.zip", "C:\\out", {});
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(count, 1);
    EXPECT_EQ(entriesBelow(drives.host("C:\\out")), QStringList{"a.bin"});
    EXPECT_EQ(failures(), 1);
}

// A member path longer than the listing keeps (1,024 bytes) is chosen by
// the listing's cut name and extracted under its whole name: two that
// differ only beyond the cut give two files. A name the file system cannot
// hold is refused by name.
TEST_F(ZipGuard, NamesLongerThanTheListingShowsAreNeverCut)
{
    REQUIRE_TOOL("python3");
    ASSERT_TRUE(craftZip(drives.host("C:\\n.zip"), "d='/'.join(['d'*200]*5)+'/'+'t'*40\n"
                                                   "z.writestr(d+'A.txt','one')\n"
                                                   "z.writestr(d+'B.txt','two')\n"
                                                   "z.writestr('n'*300,'long')\n"));
    const QString dir = QStringList(5, QString(200, 'd')).join('\\');
    const QString cut = (dir + '\\' + QString(40, 't') + "A.txt").left(1024);
    zip.FSpecArgs = QStringList{cut, QString(300, 'n')};
    EXPECT_EQ(extract("C:\\n.zip", "C:\\out", {ExtrOptsEnum::ExtrDirNames}), 2);
    const QString host = drives.host("C:\\out\\" + dir + '\\' + QString(40, 't'));
    EXPECT_EQ(fileBytes(host + "A.txt"), QByteArray("one"));
    EXPECT_EQ(fileBytes(host + "B.txt"), QByteArray("two"));
    EXPECT_TRUE(refused(QString(300, 'n')));
}
