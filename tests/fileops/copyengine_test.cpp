#include "recordingsink.h"

#include "fileops/copyengine.h"
#include "fileops/runoperation.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileattr.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace dovex::test {

namespace {

class CopyTest : public FileOpsTest {};

TEST_F(CopyTest, CopiesContentTimeAndReadOnlyAttribute)
{
    drives.file(QStringLiteral("C:\\src\\a.txt"), 100000);
    drives.setTime(QStringLiteral("C:\\src\\a.txt"), {2001, 2, 3, 4, 5, 6});
    ::chmod(QFile::encodeName(drives.host("C:\\src\\a.txt")).constData(), 0444);
    drives.directory(QStringLiteral("D:\\dst"));

    EXPECT_TRUE(CopyOneFile(state, "C:\\src\\a.txt", "D:\\dst"));
    EXPECT_EQ(drives.read("D:\\dst\\a.txt"), drives.read("C:\\src\\a.txt"));
    const QFileInfo src(drives.host("C:\\src\\a.txt")), dst(drives.host("D:\\dst\\a.txt"));
    EXPECT_EQ(dst.lastModified(), src.lastModified());
    EXPECT_FALSE(dst.permissions() & QFile::WriteOwner);
    EXPECT_EQ(state.doneBytes, 100000);
    EXPECT_EQ(state.doneFiles, 1);
    EXPECT_EQ(sink.line1, "a.txt");
    EXPECT_EQ(sink.line2, "To D:\\dst");
    EXPECT_TRUE(prompter.asked().isEmpty());
    EXPECT_EQ(state.notDone, 0);
}

TEST_F(CopyTest, DestinationNameAndWildcardPattern)
{
    drives.file(QStringLiteral("C:\\notes.txt"), 10);
    EXPECT_TRUE(CopyOneFile(state, "C:\\notes.txt", "D:\\renamed.doc"));
    EXPECT_TRUE(drives.exists("D:\\renamed.doc"));
    EXPECT_TRUE(CopyOneFile(state, "C:\\notes.txt", "D:\\*.old"));
    EXPECT_TRUE(drives.exists("D:\\notes.old"));
}

TEST_F(CopyTest, SameFileIsRefusedAndNeverTruncated)
{
    drives.file(QStringLiteral("C:\\a\\f.txt"), 5000);
    const QByteArray before = drives.read("C:\\a\\f.txt");
    // The same directory, a hard link and a symbolic link all name the file.
    ::link(QFile::encodeName(drives.host("C:\\a\\f.txt")).constData(),
           QFile::encodeName(drives.host("C:\\a\\hard.txt")).constData());
    ::symlink(QFile::encodeName(drives.host("C:\\a\\f.txt")).constData(),
              QFile::encodeName(drives.host("C:\\a\\soft.txt")).constData());
    prompter.script({Answer::Yes, Answer::Yes});
    EXPECT_FALSE(CopyOneFile(state, "C:\\a\\f.txt", "C:\\a"));
    EXPECT_FALSE(CopyOneFile(state, "C:\\a\\f.txt", "C:\\a\\hard.txt"));
    EXPECT_FALSE(CopyOneFile(state, "C:\\a\\f.txt", "C:\\a\\soft.txt"));
    EXPECT_EQ(prompter.count("Cannot copy to itself"), 3);
    EXPECT_EQ(drives.read("C:\\a\\f.txt"), before);
    EXPECT_EQ(prompter.asked().first().severity, Severity::Warning);
}

TEST_F(CopyTest, SameFileThroughADriveMappedInsideAnother)
{
    drives.file(QStringLiteral("C:\\inner\\f.txt"), 3000);
    qputenv(
        "DOVEX_DRIVES",
        QStringLiteral("C=%1;E=%2").arg(drives.root('C'), drives.host("C:\\inner")).toLocal8Bit());
    DriveMap::instance().reload();
    EXPECT_FALSE(CopyOneFile(state, "C:\\inner\\f.txt", "E:\\"));
    EXPECT_EQ(prompter.count("Cannot copy to itself"), 1);
    EXPECT_EQ(drives.read("C:\\inner\\f.txt").size(), 3000);
}

TEST_F(CopyTest, OverwriteQuestionYesNoAll)
{
    for (const char* n : {"a", "b", "c", "d"}) {
        drives.file(QStringLiteral("C:\\%1.txt").arg(n), 0, "new");
        drives.file(QStringLiteral("D:\\%1.txt").arg(n), 0, "old");
    }
    prompter.script({Answer::No, Answer::Yes, Answer::All});
    EXPECT_FALSE(CopyOneFile(state, "C:\\a.txt", "D:\\"));
    EXPECT_TRUE(CopyOneFile(state, "C:\\b.txt", "D:\\"));
    EXPECT_TRUE(CopyOneFile(state, "C:\\c.txt", "D:\\"));
    EXPECT_TRUE(CopyOneFile(state, "C:\\d.txt", "D:\\"));
    EXPECT_EQ(drives.read("D:\\a.txt"), "old");
    for (const char* n : {"b", "c", "d"})
        EXPECT_EQ(drives.read(QStringLiteral("D:\\%1.txt").arg(n)), "new");
    EXPECT_EQ(prompter.texts(),
              QStringList({"File D:\\a.txt Exists,Overwrite?", "File D:\\b.txt Exists,Overwrite?",
                           "File D:\\c.txt Exists,Overwrite?"}));
    EXPECT_EQ(prompter.asked()[0].buttons, Buttons::YesNoAll);
    // The animation stops for every question and plays again afterwards.
    EXPECT_EQ(sink.animationChanges, QList<bool>({false, true, false, true, false, true}));

    // A new operation asks again.
    BeginOperation(state, FileOpKind::Copy);
    prompter.clear();
    prompter.script({Answer::No});
    EXPECT_FALSE(CopyOneFile(state, "C:\\a.txt", "D:\\"));
    EXPECT_EQ(prompter.asked().size(), 1);
}

TEST_F(CopyTest, KeptProtectedDestinationIsNeverWrittenOver)
{
    drives.file(QStringLiteral("C:\\a.txt"), 0, "new");
    drives.file(QStringLiteral("D:\\a.txt"), 0, "old");
    ::chmod(QFile::encodeName(drives.host("D:\\a.txt")).constData(), 0444);
    prompter.script({Answer::Yes, Answer::No});
    EXPECT_FALSE(CopyOneFile(state, "C:\\a.txt", "D:\\"));
    EXPECT_EQ(prompter.texts().last(),
              "D:\\a.txt is a read-only file, do you wish to Delete this file?");
    EXPECT_EQ(drives.read("D:\\a.txt"), "old");
}

TEST_F(CopyTest, OpenAndCreateFailures)
{
    drives.file(QStringLiteral("C:\\a.txt"), 10);
    File::injectFault(FileFault::OpenRead, "C:\\a.txt");
    EXPECT_FALSE(CopyOneFile(state, "C:\\a.txt", "D:\\"));
    File::clearFaults();
    File::injectFault(FileFault::Create, "D:\\a.txt");
    EXPECT_FALSE(CopyOneFile(state, "C:\\a.txt", "D:\\"));
    EXPECT_FALSE(CopyOneFile(state, "C:\\missing.txt", "D:\\"));
    EXPECT_EQ(prompter.texts(),
              QStringList({"Open error File C:\\a.txt", "Write error File D:\\a.txt",
                           "Open error File C:\\missing.txt"}));
    EXPECT_EQ(prompter.asked()[0].severity, Severity::Error);
    EXPECT_FALSE(drives.exists("D:\\a.txt"));
    EXPECT_EQ(state.notDone, 3);
}

TEST_F(CopyTest, ShortWriteAndFailingReadKeepAPartialFileAndEndTheOperation)
{
    drives.file(QStringLiteral("C:\\big.dat"), 4 * kCopyBlock);
    drives.file(QStringLiteral("C:\\in.dat"), 4 * kCopyBlock);
    File::injectFault(FileFault::ShortWrite, "D:\\big.dat", 2 * kCopyBlock);
    EXPECT_FALSE(CopyOneFile(state, "C:\\big.dat", "D:\\"));
    EXPECT_FALSE(drives.exists("D:\\big.dat"));
    EXPECT_TRUE(drives.exists("D:\\big.$$$"));
    EXPECT_EQ(prompter.texts().last(), "Write error File D:\\big.dat\rDisk full");
    EXPECT_TRUE(state.abortRequested);
    EXPECT_TRUE(state.ioFailed);

    state.abortRequested = false;
    File::injectFault(FileFault::Read, "C:\\in.dat", kCopyBlock);
    EXPECT_FALSE(CopyOneFile(state, "C:\\in.dat", "D:\\"));
    EXPECT_EQ(prompter.texts().last(), "Read error File C:\\in.dat\rI/O error 5");
    EXPECT_EQ(drives.read("D:\\in.$$$").size(), kCopyBlock);
}

TEST_F(CopyTest, FreeSpaceQuestion)
{
    drives.file(QStringLiteral("C:\\a.txt"), 10);
    // A destination drive that is not there has no free space to offer.
    prompter.script({Answer::No});
    EXPECT_FALSE(CopyOneFile(state, "C:\\a.txt", "Q:\\a.txt"));
    EXPECT_EQ(
        prompter.texts(),
        QStringList("Not enought space to write file C:\\a.txt\rdo you wish to continue anyway?"));
    EXPECT_EQ(prompter.asked()[0].buttons, Buttons::YesNo);
}

TEST_F(CopyTest, QuestionTimeIsNotWorkingTime)
{
    double now = 1000;
    drives.file(QStringLiteral("C:\\a.txt"), 0, "x");
    drives.file(QStringLiteral("D:\\a.txt"), 0, "y");
    struct SlowPrompter : ScriptedPrompter {
        double* clock;
        Answer ask(Severity s, const QString& t, Buttons b, const QString& c) override
        {
            *clock += 30;
            return ScriptedPrompter::ask(s, t, b, c);
        }
    } slow;
    slow.clock = &now;
    OperationState timed(slow, sink);
    timed.clock = [&] { return now; };
    timed.startCounting();
    EXPECT_TRUE(CopyOneFile(timed, "C:\\a.txt", "D:\\"));
    EXPECT_DOUBLE_EQ(timed.startTime, 1030);
}

TEST_F(CopyTest, AbortKeepsPartialUnderAFreeName)
{
    drives.file(QStringLiteral("C:\\report.doc"), 5 * kCopyBlock);
    drives.file(QStringLiteral("D:\\report.$$$"), 0, "older partial");
    sink.abortAfter = 2;
    EXPECT_FALSE(CopyOneFile(state, "C:\\report.doc", "D:\\"));
    EXPECT_TRUE(state.abortRequested);
    EXPECT_EQ(drives.read("D:\\report.$$$"), "older partial");
    EXPECT_EQ(drives.read("D:\\report.1.$$$").size(), 3 * kCopyBlock);
    EXPECT_FALSE(drives.exists("D:\\report.doc"));
}

TEST_F(CopyTest, SymbolicLinkIsCopiedAsALink)
{
    drives.file(QStringLiteral("C:\\target.txt"), 10);
    ::symlink("target.txt", QFile::encodeName(drives.host("C:\\link.txt")).constData());
    EXPECT_TRUE(CopyOneFile(state, "C:\\link.txt", "D:\\"));
    EXPECT_EQ(QFileInfo(drives.host("D:\\link.txt")).symLinkTarget(),
              drives.host("D:\\target.txt"));
}

TEST_F(CopyTest, PipesAreNotRead)
{
    ::mkfifo(QFile::encodeName(drives.host("C:\\fifo")).constData(), 0644);
    EXPECT_FALSE(CopyOneFile(state, "C:\\fifo", "D:\\"));
    EXPECT_EQ(prompter.texts(), QStringList("Open error File C:\\fifo"));
}

} // namespace

} // namespace dovex::test
