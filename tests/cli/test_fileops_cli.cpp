// dovex-cli copy, move and delete run as programs over real trees on two
// temporary drives: every byte, time, permission and link is compared with
// what was there before.
#include "support/drivefixture.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex::test {

namespace {

struct CliRun {
    int rc = -1;
    QString out;
    QString err;
};

CliRun cli(const QStringList& args, const QByteArray& input = {})
{
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), args);
    p.write(input);
    p.closeWriteChannel();
    CliRun r;
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QByteArray enc(const QString& host)
{
    return QFile::encodeName(host);
}

// One line per entry below a host directory: kind, size, modification time
// to the nanosecond, permission bits, and the content's hash or the link's
// target. Directories carry their time too.
using Snapshot = std::map<QString, QString>;

void snapshotInto(const QString& root, const QString& rel, Snapshot& out)
{
    const QDir dir(rel.isEmpty() ? root : root + '/' + rel);
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : names) {
        const QString relName = rel.isEmpty() ? name : rel + '/' + name;
        const QByteArray host = enc(root + '/' + relName);
        struct stat st {};
        if (::lstat(host.constData(), &st) != 0) {
            out[relName] = QStringLiteral("unreadable");
            continue;
        }
        QString line = QStringLiteral("%1 mtime=%2.%3 mode=%4")
                           .arg(S_ISLNK(st.st_mode)   ? "link"
                                : S_ISDIR(st.st_mode) ? "dir"
                                                      : "file")
                           .arg(qint64(st.st_mtim.tv_sec))
                           .arg(qint64(st.st_mtim.tv_nsec), 9, 10, QChar('0'))
                           .arg(st.st_mode & 07777, 0, 8);
        if (S_ISLNK(st.st_mode)) {
            char target[4096];
            const ssize_t n = ::readlink(host.constData(), target, sizeof target);
            line +=
                QStringLiteral(" -> ") + QString::fromUtf8(target, int(std::max<ssize_t>(n, 0)));
        } else if (S_ISREG(st.st_mode)) {
            QFile f(QFile::decodeName(host));
            f.open(QIODevice::ReadOnly);
            line +=
                QStringLiteral(" size=%1 sha1=%2")
                    .arg(qint64(st.st_size))
                    .arg(QString::fromLatin1(
                        QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha1).toHex()));
        } else if (S_ISDIR(st.st_mode)) {
            snapshotInto(root, relName, out);
        }
        out[relName] = line;
    }
}

Snapshot snapshot(const QString& hostRoot)
{
    Snapshot s;
    snapshotInto(hostRoot, QString(), s);
    return s;
}

void setTime(const QString& host, std::int64_t seconds, long nanoseconds)
{
    const timespec t[2] = {{time_t(seconds), nanoseconds}, {time_t(seconds), nanoseconds}};
    ::utimensat(AT_FDCWD, enc(host).constData(), t, AT_SYMLINK_NOFOLLOW);
}

class CliFileOps : public ::testing::Test {
protected:
    DriveFixture drives{QStringLiteral("CD")};

    QString host(const QString& dos) const { return drives.host(dos); }

    // A tree with the awkward cases: empty files and directories, sizes
    // around the classic block, a read-only file, hidden names, links.
    void makeTree(const QString& dosRoot)
    {
        const QString r = dosRoot + '\\';
        drives.file(r + "a\\b\\c\\deep.txt", 300);
        drives.directory(r + "empty");
        drives.file(r + "zero.bin", 0);
        drives.file(r + "one.bin", 1);
        drives.file(r + "block.bin", 16384);
        drives.file(r + "block1.bin", 16385);
        QByteArray big(1'000'003, '\0');
        for (int i = 0; i < big.size(); ++i)
            big[i] = char((i * 131 + i / 7) & 0xff);
        drives.file(r + "big.dat", 0, big);
        drives.file(r + "ro.txt", 10);
        drives.file(r + ".hidden", 3);
        drives.file(r + ".git\\config", 50);
        drives.file(r + ".git\\objects\\ab\\cdef", 20);
        ::symlink("a", enc(host(r + "linkdir")).constData());
        ::symlink("one.bin", enc(host(r + "linkfile")).constData());
        // Odd seconds and a fraction: finer than any two-second rounding.
        std::int64_t when = 1'600'000'001;
        const Snapshot all = snapshot(host(dosRoot));
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            setTime(host(dosRoot) + '/' + it->first, when++, 123'456'789);
        ::chmod(enc(host(r + "ro.txt")).constData(), 0444);
    }
};

// The lines of one map that differ from the other, for a readable failure.
std::string differences(const Snapshot& want, const Snapshot& got)
{
    QString out;
    for (const auto& [name, line] : want) {
        const auto it = got.find(name);
        if (it == got.end())
            out += QStringLiteral("missing %1\n").arg(name);
        else if (it->second != line)
            out += QStringLiteral("%1: want %2\n     got  %3\n").arg(name, line, it->second);
    }
    for (const auto& [name, line] : got)
        if (!want.count(name))
            out += QStringLiteral("extra %1\n").arg(name);
    return out.toStdString();
}

TEST_F(CliFileOps, CopyTreeToAnotherDriveKeepsBytesTimesModesAndLinks)
{
    makeTree(QStringLiteral("C:\\tree"));
    const Snapshot before = snapshot(host("C:\\tree"));
    ASSERT_EQ(before.size(), 19u);

    const CliRun r = cli({"copy", "C:\\tree", "D:\\"});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(differences(before, snapshot(host("D:\\tree"))), "");
    EXPECT_EQ(differences(before, snapshot(host("C:\\tree"))), "");

    // Into a name that does not exist yet: the copy becomes that directory.
    const CliRun named = cli({"copy", "C:\\tree", "D:\\other\\name"});
    EXPECT_EQ(named.rc, 0) << named.err.toStdString();
    EXPECT_EQ(differences(before, snapshot(host("D:\\other\\name"))), "");
}

TEST_F(CliFileOps, MoveTreeAcrossDrivesLeavesNothingBehind)
{
    makeTree(QStringLiteral("C:\\tree"));
    const Snapshot before = snapshot(host("C:\\tree"));

    // The dot files and the read-only file are protected: with the default
    // answer they stay where they are, whole, and the run reports it.
    CliRun r = cli({"move", "C:\\tree", "D:\\"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains("C:\\tree\\ro.txt is a read-only file")) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Cannot delete Directory")) << r.err.toStdString();
    EXPECT_EQ(drives.read("C:\\tree\\ro.txt").size(), 10);
    EXPECT_EQ(drives.read("C:\\tree\\.hidden").size(), 3);
    EXPECT_FALSE(drives.exists("C:\\tree\\big.dat"));
    EXPECT_EQ(drives.read("D:\\tree\\big.dat").size(), 1'000'003);

    QDir(host("D:\\tree")).removeRecursively();
    QDir(host("C:\\tree")).removeRecursively();
    makeTree(QStringLiteral("C:\\tree"));
    r = cli({"move", "C:\\tree", "D:\\", "--protected=all"});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_FALSE(drives.exists("C:\\tree"));
    EXPECT_EQ(differences(before, snapshot(host("D:\\tree"))), "");
}

TEST_F(CliFileOps, MoveWithinADriveRenamesTheTreeWhole)
{
    makeTree(QStringLiteral("C:\\tree"));
    const Snapshot before = snapshot(host("C:\\tree"));
    const CliRun r = cli({"move", "C:\\tree", "C:\\moved"});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_FALSE(drives.exists("C:\\tree"));
    EXPECT_EQ(differences(before, snapshot(host("C:\\moved"))), "");
}

TEST_F(CliFileOps, OverwritePolicies)
{
    drives.file("C:\\src\\a.txt", 100);
    drives.file("C:\\src\\b.txt", 200);
    drives.file("D:\\a.txt", 0, "keep me");
    const CliRun none =
        cli({"copy", "C:\\src\\a.txt", "C:\\src\\b.txt", "D:\\", "--overwrite=none"});
    EXPECT_EQ(none.rc, 1);
    EXPECT_TRUE(none.err.contains("File D:\\a.txt Exists,Overwrite? [No]"))
        << none.err.toStdString();
    EXPECT_EQ(drives.read("D:\\a.txt"), QByteArray("keep me"));
    EXPECT_EQ(drives.read("D:\\b.txt"), drives.read("C:\\src\\b.txt"));

    // ask: the answers come from stdin, one line per question.
    CliRun ask = cli({"copy", "C:\\src\\a.txt", "D:\\", "--overwrite=ask"}, "n\n");
    EXPECT_EQ(ask.rc, 1);
    EXPECT_EQ(drives.read("D:\\a.txt"), QByteArray("keep me"));
    ask = cli({"copy", "C:\\src\\a.txt", "D:\\", "--overwrite=ask"}, "y\n");
    EXPECT_EQ(ask.rc, 0) << ask.err.toStdString();
    EXPECT_EQ(drives.read("D:\\a.txt"), drives.read("C:\\src\\a.txt"));

    drives.file("D:\\a.txt", 0, "old");
    const CliRun all = cli({"copy", "C:\\src\\*.txt", "D:\\", "--overwrite=all"});
    EXPECT_EQ(all.rc, 0) << all.err.toStdString();
    EXPECT_EQ(drives.read("D:\\a.txt"), drives.read("C:\\src\\a.txt"));
    EXPECT_EQ(drives.read("D:\\b.txt"), drives.read("C:\\src\\b.txt"));

    // A move within a drive asks with its own words.
    drives.file("C:\\dst\\a.txt", 0, "keep me");
    const CliRun move = cli({"move", "C:\\src\\a.txt", "C:\\dst"});
    EXPECT_EQ(move.rc, 1);
    EXPECT_TRUE(move.err.contains("File C:\\dst\\a.txt Exists, Overwrite? [No]"))
        << move.err.toStdString();
    EXPECT_EQ(drives.read("C:\\dst\\a.txt"), QByteArray("keep me"));
    EXPECT_TRUE(drives.exists("C:\\src\\a.txt"));
}

TEST_F(CliFileOps, SubdirsNoSkipsDirectoriesAndSaysSo)
{
    drives.file("C:\\src\\top.txt", 5);
    drives.file("C:\\src\\sub\\inner.txt", 5);
    const CliRun r = cli({"copy", "C:\\src\\*", "D:\\", "--subdirs=no"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(drives.exists("D:\\top.txt"));
    EXPECT_FALSE(drives.exists("D:\\sub"));

    const CliRun del = cli({"delete", "C:\\src\\*", "--subdirs=no"});
    EXPECT_EQ(del.rc, 1);
    EXPECT_FALSE(drives.exists("C:\\src\\top.txt"));
    EXPECT_TRUE(drives.exists("C:\\src\\sub\\inner.txt"));
}

TEST_F(CliFileOps, DeleteTreeWithAReadOnlyFile)
{
    makeTree(QStringLiteral("C:\\tree"));
    CliRun r = cli({"delete", "C:\\tree", "--protected=none"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains("C:\\tree\\ro.txt is a read-only file, do you wish to Delete this "
                               "file? [No]"))
        << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("Cannot delete Directory")) << r.err.toStdString();
    // What was refused is kept exactly; everything else is gone.
    EXPECT_EQ(drives.read("C:\\tree\\ro.txt").size(), 10);
    EXPECT_EQ(QFile::permissions(host("C:\\tree\\ro.txt")) & QFile::WriteOwner, 0);
    EXPECT_TRUE(drives.exists("C:\\tree\\.hidden"));
    EXPECT_FALSE(drives.exists("C:\\tree\\big.dat"));
    EXPECT_FALSE(drives.exists("C:\\tree\\a"));
    EXPECT_FALSE(drives.exists("C:\\tree\\empty"));
    // The link to a directory went, not what it pointed at.
    EXPECT_FALSE(QFileInfo(host("C:\\tree\\linkdir")).isSymLink());

    drives.file("C:\\keep\\x.txt", 4);
    ::symlink(enc(host("C:\\keep")).constData(), enc(host("C:\\tree\\outside")).constData());
    r = cli({"delete", "C:\\tree", "--protected=all"});
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_FALSE(drives.exists("C:\\tree"));
    EXPECT_EQ(drives.read("C:\\keep\\x.txt").size(), 4);
}

TEST_F(CliFileOps, CopyOntoItselfLeavesTheFileIntact)
{
    drives.file("C:\\dir\\f.txt", 40'000);
    const QByteArray content = drives.read("C:\\dir\\f.txt");
    ::link(enc(host("C:\\dir\\f.txt")).constData(), enc(host("C:\\dir\\hard.txt")).constData());
    for (const QStringList& args :
         {QStringList{"copy", "C:\\dir\\f.txt", "C:\\dir"},
          QStringList{"copy", "C:\\dir\\f.txt", "C:\\dir\\f.txt", "--overwrite=all"},
          QStringList{"copy", "C:\\dir\\f.txt", "C:\\dir\\hard.txt", "--overwrite=all"},
          QStringList{"move", "C:\\dir\\f.txt", "C:\\dir\\hard.txt", "--overwrite=all"}}) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.rc, 1) << args.join(' ').toStdString();
        EXPECT_TRUE(
            r.err.contains(args[0] == "copy" ? "Cannot copy to itself" : "Cannot move to itself"))
            << r.err.toStdString();
        EXPECT_EQ(drives.read("C:\\dir\\f.txt"), content);
        EXPECT_EQ(drives.read("C:\\dir\\hard.txt"), content);
    }
    const CliRun tree = cli({"copy", "C:\\dir", "C:\\dir\\inside"});
    EXPECT_EQ(tree.rc, 1);
    EXPECT_FALSE(drives.exists("C:\\dir\\inside"));
}

TEST_F(CliFileOps, WildcardSources)
{
    drives.file("C:\\src\\a.txt", 1);
    drives.file("C:\\src\\b.TXT", 2);
    drives.file("C:\\src\\c.doc", 3);
    drives.file("C:\\src\\d.txt\\inner", 4); // a directory matching the mask
    drives.directory("D:\\dst");
    const CliRun into = cli({"copy", "C:\\src\\*.txt", "D:\\dst"});
    EXPECT_EQ(into.rc, 0) << into.err.toStdString();
    EXPECT_TRUE(drives.exists("D:\\dst\\a.txt"));
    EXPECT_TRUE(drives.exists("D:\\dst\\b.TXT"));
    EXPECT_FALSE(drives.exists("D:\\dst\\c.doc"));
    EXPECT_EQ(drives.read("D:\\dst\\d.txt\\inner").size(), 4);

    const CliRun del = cli({"delete", "C:\\src\\?.doc"});
    EXPECT_EQ(del.rc, 0) << del.err.toStdString();
    EXPECT_FALSE(drives.exists("C:\\src\\c.doc"));
    EXPECT_TRUE(drives.exists("C:\\src\\a.txt"));
}

TEST_F(CliFileOps, BadUsageExitsWithTwoAndTouchesNothing)
{
    drives.file("C:\\a.txt", 5);
    for (const QStringList& args : {
             QStringList{"copy"},
             QStringList{"copy", "C:\\a.txt"},
             QStringList{"move", "C:\\a.txt"},
             QStringList{"delete"},
             QStringList{"copy", "C:\\a.txt", "D:\\", "--overwrite=maybe"},
             QStringList{"delete", "C:\\a.txt", "--protected=yes"},
             QStringList{"copy", "C:\\a.txt", "D:\\", "--subdirs=1"},
             QStringList{"copy", "C:\\a.txt", "Q:\\"},
             QStringList{"copy", "relative.txt", "D:\\"},
             QStringList{"copy", "C:\\*.none", "D:\\"},
             QStringList{"delete", "C:\\a.txt", "C:\\missing\\*.txt"},
         }) {
        const CliRun r = cli(args);
        EXPECT_EQ(r.rc, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("dovex-cli: ")) << r.err.toStdString();
    }
    EXPECT_TRUE(drives.exists("C:\\a.txt"));
    EXPECT_FALSE(drives.exists("D:\\a.txt"));
}

TEST_F(CliFileOps, MissingSourceIsNotDone)
{
    const CliRun r = cli({"copy", "C:\\missing.txt", "D:\\"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains("Open error File C:\\missing.txt")) << r.err.toStdString();
}

} // namespace

} // namespace dovex::test
