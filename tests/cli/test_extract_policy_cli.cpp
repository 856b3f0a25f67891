// dovex-cli copy --from, move --from and decompress answer the replace
// questions of an extraction by --overwrite and --protected, as copy does.
#include "support/drivefixture.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

struct CliRun {
    int rc = -1;
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
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// An archive of a.txt ("new") made by the real tool in the directory of
// dosArchive.
void makeArchive(DriveFixture& drives, const QString& program, const QStringList& args)
{
    drives.file("C:\\src\\a.txt", 0, "new");
    QProcess p;
    p.setWorkingDirectory(drives.host("C:\\src"));
    p.start(program, args);
    ASSERT_TRUE(p.waitForFinished(30000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
}

class ExtractPolicyCli : public ::testing::Test {
protected:
    DriveFixture drives;
    void SetUp() override
    {
        makeArchive(drives, "tar", {"-cf", drives.host("C:\\x.tar"), "a.txt"});
    }
    void old(const char* dosPath, bool readOnly = false)
    {
        QFile::remove(drives.host(dosPath));
        drives.file(dosPath, 0, "old");
        if (readOnly)
            QFile::setPermissions(drives.host(dosPath), QFileDevice::ReadOwner);
    }
};

} // namespace

TEST_F(ExtractPolicyCli, AnExistingFileIsKeptUnlessTheOptionsSayReplace)
{
    const QStringList decompress{"decompress", "C:\\x.tar", "C:\\d"};
    const QStringList copy{"copy", "--from", "C:\\x.tar", "a.txt", "C:\\c"};
    for (const QStringList& command : {decompress, copy}) {
        const char* target = command == copy ? "C:\\c\\a.txt" : "C:\\d\\a.txt";
        old(target);
        CliRun r = cli(command);
        EXPECT_NE(r.rc, 0);
        EXPECT_TRUE(r.err.contains(QStringLiteral("File %1 Exists,Overwrite? [No]").arg(target)))
            << r.err.toStdString();
        EXPECT_EQ(drives.read(target), "old");

        r = cli(command + QStringList{"--overwrite=ask"}, "n\n");
        EXPECT_EQ(drives.read(target), "old");
        r = cli(command + QStringList{"--overwrite", "ask"}, "y\n");
        EXPECT_EQ(r.rc, 0) << r.err.toStdString();
        EXPECT_EQ(drives.read(target), "new");

        // A read-only file needs --protected as well.
        old(target, true);
        r = cli(command + QStringList{"--overwrite=all"});
        EXPECT_EQ(drives.read(target), "old") << r.err.toStdString();
        r = cli(command + QStringList{"--overwrite=all", "--protected=all"});
        EXPECT_EQ(r.rc, 0) << r.err.toStdString();
        EXPECT_EQ(drives.read(target), "new");
    }
}

TEST_F(ExtractPolicyCli, BadValuesAndOptionsThatDoNotApplyAreRefused)
{
    old("C:\\d\\a.txt");
    const struct {
        QStringList args;
        const char* message;
    } cases[] = {
        {{"copy", "--from", "C:\\x.tar", "a.txt", "C:\\d", "--overwrite=maybe"},
         "--overwrite takes ask, all or none"},
        {{"move", "--from", "C:\\x.tar", "a.txt", "C:\\d", "--protected", "yes"},
         "--protected takes ask, all or none"},
        {{"decompress", "C:\\x.tar", "C:\\d", "--overwrite=everything"},
         "--overwrite takes ask, all or none"},
        {{"delete", "--from", "C:\\x.tar", "a.txt", "--protected=all"}, "do not apply"},
        {{"copy", "C:\\d\\a.txt", "C:\\x.tar", "--overwrite=all"}, "do not apply"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.rc, 2) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QLatin1String(c.message))) << r.err.toStdString();
    }
    EXPECT_EQ(drives.read("C:\\d\\a.txt"), "old");
    EXPECT_TRUE(drives.exists("C:\\src\\a.txt"));

    // The usage names the options.
    const CliRun usage = cli({});
    for (const char* line : {"decompress ARCHIVE DESTDIR", "copy --from ARCHIVE"}) {
        const qsizetype at = usage.err.indexOf(QLatin1String(line));
        ASSERT_GE(at, 0) << line;
        EXPECT_TRUE(usage.err.mid(at, 400).contains("--overwrite=ask|all|none")) << line;
    }
}

// Depends on the zip component asking before it replaces (enabled once that
// is merged): today it replaces the file without a question.
TEST(ZipExtractPolicyCli, ZipExtractionAsksBeforeReplacing)
{
    DriveFixture drives;
    makeArchive(drives, "zip", {"-q", drives.host("C:\\x.zip"), "a.txt"});
    for (const QStringList& command :
         {QStringList{"decompress", "C:\\x.zip", "C:\\d"},
          QStringList{"copy", "--from", "C:\\x.zip", "a.txt", "C:\\d"}}) {
        QFile::remove(drives.host("C:\\d\\a.txt"));
        drives.file("C:\\d\\a.txt", 0, "old");
        CliRun r = cli(command);
        EXPECT_TRUE(r.err.contains("File C:\\d\\a.txt Exists,Overwrite? [No]"))
            << r.err.toStdString();
        EXPECT_EQ(drives.read("C:\\d\\a.txt"), "old");
        r = cli(command + QStringList{"--overwrite=all"});
        EXPECT_EQ(r.rc, 0) << r.err.toStdString();
        EXPECT_EQ(drives.read("C:\\d\\a.txt"), "new");
    }
}

} // namespace dovex::test
