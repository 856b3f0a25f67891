#include "recordingsink.h"

#include "fileops/checkedwriter.h"
#include "fileops/splitmerge.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace dovex::test {

namespace {

std::uint32_t referenceCrc32(const QByteArray& data)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char c : data) {
        crc ^= std::uint8_t(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

class SplitMergeTest : public FileOpsTest {
protected:
    AskSplitSize size(const QString& text)
    {
        return [text] { return std::optional<QString>(text); };
    }
    AskMergeTarget to(const QString& target)
    {
        return [this, target](const QString& proposed) {
            proposedName = proposed;
            return std::optional<QString>(target);
        };
    }
    QString proposedName;
};

TEST(SplitSizes, RoundingAndCutPoints)
{
    EXPECT_EQ(SplitPartSize("1420"), 1454080);
    EXPECT_EQ(SplitPartSize("1421"), 1456128);
    EXPECT_EQ(SplitPartSize("1422"), 1458176);
    // Not a whole number: 1,450,000 bytes before rounding.
    EXPECT_EQ(SplitPartSize("abc"), 1452032);
    EXPECT_EQ(SplitPartSize("1.5"), 1452032);
    EXPECT_LE(SplitPartSize("0"), 0);
    EXPECT_LE(SplitPartSize("-3"), 0);
    EXPECT_GT(SplitPartSize("999999999999999999999"), 0);
    EXPECT_EQ(SplitCutSize(1454080), 1458176); // 89 blocks
    EXPECT_EQ(SplitCutSize(1452032), 1458176);
    EXPECT_EQ(SplitCutSize(16384), 16384);
    EXPECT_EQ(PartName("C:\\a\\b", 7), "C:\\a\\b.007");
    EXPECT_EQ(SplitBase("C:\\a.d\\b.tar.gz"), "C:\\a.d\\b.tar");
    EXPECT_EQ(SplitBase("C:\\a.d\\noext"), "C:\\a.d\\noext");
    EXPECT_EQ(SplitBase("C:\\a\\.profile"), "C:\\a\\.profile");
}

TEST_F(SplitMergeTest, SplitsThreeMillionBytesAndMergesThemBack)
{
    drives.file("C:\\data\\big.bin", 3000000);
    drives.setTime("C:\\data\\big.bin", {2003, 4, 5, 6, 7, 8});
    EXPECT_TRUE(SplitFile(state, "C:\\data\\big.bin", size("1420")));
    EXPECT_EQ(prompter.texts(), QStringList{"Split C:\\data\\big.bin?"});
    const QByteArray source = drives.read("C:\\data\\big.bin");
    EXPECT_EQ(drives.read("C:\\data\\big.001"), source.mid(0, 1458176));
    EXPECT_EQ(drives.read("C:\\data\\big.002"), source.mid(1458176, 1458176));
    EXPECT_EQ(drives.read("C:\\data\\big.003"), source.mid(2916352));
    EXPECT_EQ(drives.read("C:\\data\\big.003").size(), 83648);
    EXPECT_FALSE(drives.exists("C:\\data\\big.004"));
    const QDateTime when = QFileInfo(drives.host("C:\\data\\big.bin")).lastModified();
    for (const char* part : {"C:\\data\\big.001", "C:\\data\\big.002", "C:\\data\\big.003"})
        EXPECT_EQ(QFileInfo(drives.host(part)).lastModified(), when) << part;
    EXPECT_EQ(state.doneBytes, 3000000);
    EXPECT_EQ(state.progressWord, "Splitted");
    EXPECT_EQ(sink.line2, "From big.bin");

    // The descriptor other programs read, with the CRC of the whole file.
    const QByteArray crc =
        QByteArray::number(referenceCrc32(source), 16).toUpper().rightJustified(8, '0');
    EXPECT_EQ(drives.read("C:\\data\\big.crc"),
              "filename=big.bin\nsize=3000000\ncrc32=" + crc + "\n");

    prompter.clear();
    EXPECT_TRUE(AppendFile(state, "C:\\data\\big", to("D:\\joined.bin")));
    EXPECT_EQ(proposedName, "C:\\data\\big");
    EXPECT_EQ(drives.read("D:\\joined.bin"), source);
    EXPECT_TRUE(prompter.asked().isEmpty()) << prompter.texts().join('|').toStdString();
    EXPECT_EQ(state.totalFiles, 3);
    EXPECT_EQ(state.doneBytes, 3000000);
    EXPECT_EQ(state.progressWord, "Merged");
    EXPECT_EQ(sink.line2, "to joined.bin");
    // The merged file is not given the parts' time; the parts stay.
    EXPECT_NE(QFileInfo(drives.host("D:\\joined.bin")).lastModified(), when);
    EXPECT_TRUE(drives.exists("C:\\data\\big.001"));
}

TEST_F(SplitMergeTest, AbcSplitsAtTheDefaultAndSmallFilesAreNotSplit)
{
    drives.file("C:\\small.bin", 1000000);
    EXPECT_FALSE(SplitFile(state, "C:\\small.bin", size("1420")));
    EXPECT_EQ(prompter.texts().last(), "No need to split file, File is smaller then 1454080");
    EXPECT_FALSE(drives.exists("C:\\small.001"));

    drives.file("C:\\mid.bin", 1500000);
    EXPECT_TRUE(SplitFile(state, "C:\\mid.bin", size("abc")));
    EXPECT_EQ(drives.read("C:\\mid.001").size(), 1458176);
    EXPECT_EQ(drives.read("C:\\mid.002").size(), 1500000 - 1458176);

    prompter.clear();
    EXPECT_FALSE(SplitFile(state, "C:\\nothere.bin", size("1420")));
    EXPECT_EQ(prompter.texts().last(), "File not available.");
    prompter.script({Answer::No});
    EXPECT_FALSE(SplitFile(state, "C:\\mid.bin", [] {
        ADD_FAILURE() << "asked for a size after No";
        return std::optional<QString>();
    }));
}

TEST_F(SplitMergeTest, ExactMultipleOfTheCutLeavesAnEmptyLastPart)
{
    drives.file("C:\\even.bin", 2 * 1458176);
    EXPECT_TRUE(SplitFile(state, "C:\\even.bin", size("1420")));
    EXPECT_EQ(drives.read("C:\\even.001").size(), 1458176);
    EXPECT_EQ(drives.read("C:\\even.002").size(), 1458176);
    EXPECT_TRUE(drives.exists("C:\\even.003"));
    EXPECT_EQ(drives.read("C:\\even.003").size(), 0);
    EXPECT_TRUE(AppendFile(state, "C:\\even", to("C:\\back.bin")));
    EXPECT_EQ(drives.read("C:\\back.bin"), drives.read("C:\\even.bin"));
}

TEST_F(SplitMergeTest, MoreThan999PartsAreRefusedBeforeAnythingIsWritten)
{
    drives.file("C:\\many.bin", 16384 * 999 + 1);
    EXPECT_FALSE(SplitFile(state, "C:\\many.bin", size("1")));
    EXPECT_TRUE(prompter.texts().last().contains("1000 parts"))
        << prompter.texts().last().toStdString();
    EXPECT_FALSE(drives.exists("C:\\many.001"));
    EXPECT_FALSE(SplitFile(state, "C:\\many.bin", size("0")));
    EXPECT_FALSE(drives.exists("C:\\many.001"));
}

TEST_F(SplitMergeTest, MergeStopsAtTheFirstMissingPieceUnlessLaterOnesExist)
{
    drives.file("C:\\set.001", 0, "one-");
    drives.file("C:\\set.002", 0, "two-");
    EXPECT_TRUE(AppendFile(state, "C:\\set", to("C:\\set")));
    EXPECT_EQ(drives.read("C:\\set"), "one-two-");
    EXPECT_EQ(state.totalFiles, 2);

    // set.003 is lost while set.004 is there: the set is incomplete, and
    // nothing is asked or written.
    drives.file("C:\\set.004", 0, "four");
    prompter.clear();
    EXPECT_FALSE(AppendFile(state, "C:\\set", [](const QString&) {
        ADD_FAILURE() << "asked for a target of an incomplete set";
        return std::optional<QString>("C:\\joined");
    }));
    EXPECT_EQ(prompter.texts(),
              QStringList{"File C:\\set.003 is missing: C:\\set.004 and the parts after it cannot "
                          "be joined without it."});
    EXPECT_EQ(drives.read("C:\\set"), "one-two-");
    EXPECT_FALSE(drives.exists("C:\\joined"));

    EXPECT_FALSE(AppendFile(state, "C:\\none", to("C:\\x")));
    EXPECT_EQ(prompter.texts().last(), "File not available.");
    EXPECT_FALSE(drives.exists("C:\\x"));
}

TEST_F(SplitMergeTest, TargetThatIsAPartIsRefusedAndNothingIsTruncated)
{
    drives.file("C:\\p.001", 0, "first");
    drives.file("C:\\p.002", 0, "second");
    ::link(QFile::encodeName(drives.host("C:\\p.002")).constData(),
           QFile::encodeName(drives.host("C:\\other")).constData());
    for (const char* target : {"C:\\p.002", "C:\\other"}) {
        prompter.clear();
        EXPECT_FALSE(AppendFile(state, "C:\\p", to(target)));
        EXPECT_EQ(prompter.texts(), QStringList{"Cannot copy to itself"}) << target;
        EXPECT_EQ(drives.read("C:\\p.001"), "first");
        EXPECT_EQ(drives.read("C:\\p.002"), "second");
    }
    // Splitting a file named like its own first part would overwrite it.
    drives.file("C:\\q.001", 3000000);
    const QByteArray before = drives.read("C:\\q.001");
    EXPECT_FALSE(SplitFile(state, "C:\\q.001", size("1420")));
    EXPECT_EQ(prompter.texts().last(), "Cannot copy to itself");
    EXPECT_EQ(drives.read("C:\\q.001"), before);
}

TEST_F(SplitMergeTest, ExistingPartOrTargetIsAskedAboutAndKeptOnNo)
{
    drives.file("C:\\e.bin", 3000000);
    drives.file("C:\\e.002", 0, "precious");
    prompter.script({Answer::Yes, Answer::No});
    EXPECT_FALSE(SplitFile(state, "C:\\e.bin", size("1420")));
    EXPECT_TRUE(prompter.texts().contains("File C:\\e.002 Exists, Overwrite?"));
    EXPECT_EQ(drives.read("C:\\e.002"), "precious");
    EXPECT_FALSE(drives.exists("C:\\e.crc"));

    // Yes replaces it with the part, once the part is whole.
    prompter.script({Answer::Yes, Answer::Yes, Answer::Yes});
    EXPECT_TRUE(SplitFile(state, "C:\\e.bin", size("1420")));
    EXPECT_EQ(drives.read("C:\\e.002").size(), 1458176);
    EXPECT_FALSE(drives.exists("C:\\e.$$$"));

    drives.file("C:\\keep.bin", 0, "old target");
    prompter.clear();
    prompter.script({Answer::No});
    EXPECT_FALSE(AppendFile(state, "C:\\e", to("C:\\keep.bin")));
    EXPECT_EQ(prompter.texts(), QStringList{"File C:\\keep.bin Exists, Overwrite?"});
    EXPECT_EQ(drives.read("C:\\keep.bin"), "old target");
}

TEST_F(SplitMergeTest, AbortLeavesSourcesIntactAndNoCompleteLookingPart)
{
    drives.file("C:\\ab.bin", 3000000);
    const QByteArray source = drives.read("C:\\ab.bin");
    sink.abortAfter = 1; // during the second part
    EXPECT_FALSE(SplitFile(state, "C:\\ab.bin", size("1420")));
    EXPECT_EQ(drives.read("C:\\ab.bin"), source);
    EXPECT_EQ(drives.read("C:\\ab.001"), source.left(1458176)); // finished before the abort
    EXPECT_FALSE(drives.exists("C:\\ab.002"));
    EXPECT_FALSE(drives.exists("C:\\ab.003"));
    EXPECT_TRUE(drives.exists("C:\\ab.$$$"));
    EXPECT_FALSE(drives.exists("C:\\ab.crc"));
    EXPECT_TRUE(prompter.texts().last().startsWith("Split ended early; C:\\ab.bin is unchanged."));

    // The next operation is not cut short by the earlier abort.
    sink.abortAfter = -1;
    EXPECT_TRUE(SplitFile(state, "C:\\ab.bin", size("1420")));
    EXPECT_TRUE(drives.exists("C:\\ab.003"));

    // A merge that is aborted leaves no target under its name, and an old
    // file of that name as it was.
    drives.file("C:\\out.bin", 0, "old");
    sink.checks = 0;
    sink.abortAfter = 1;
    prompter.clear();
    EXPECT_FALSE(AppendFile(state, "C:\\ab", to("C:\\out.bin")));
    EXPECT_EQ(drives.read("C:\\out.bin"), "old");
    EXPECT_FALSE(drives.exists("C:\\out.$$$") && drives.read("C:\\out.$$$") == source);
    EXPECT_EQ(drives.read("C:\\ab.001"), source.left(1458176));
    EXPECT_TRUE(prompter.texts().last().startsWith("Merge ended early"))
        << prompter.texts().last().toStdString();
}

TEST_F(SplitMergeTest, WriteFailureMidSplitIsReported)
{
    drives.file("C:\\w.bin", 3000000);
    File::injectFault(FileFault::Write, "w.002", 100000);
    EXPECT_FALSE(SplitFile(state, "C:\\w.bin", size("1420")));
    EXPECT_TRUE(state.ioFailed);
    EXPECT_TRUE(prompter.texts().join('|').contains("Write error File C:\\w.002"));
    EXPECT_FALSE(drives.exists("C:\\w.002"));
    EXPECT_FALSE(drives.exists("C:\\w.crc"));
    EXPECT_EQ(drives.read("C:\\w.bin").size(), 3000000);
}

TEST_F(SplitMergeTest, DescriptorMismatchIsReportedInOneMessage)
{
    drives.file("C:\\c.bin", 3000000);
    ASSERT_TRUE(SplitFile(state, "C:\\c.bin", size("1420")));
    // One byte changed in the middle part.
    QByteArray middle = drives.read("C:\\c.002");
    middle[1000] = char(middle[1000] ^ 0x5a);
    QFile::remove(drives.host("C:\\c.002"));
    drives.file("C:\\c.002", 0, middle);
    prompter.clear();
    EXPECT_FALSE(AppendFile(state, "C:\\c", to("C:\\c.out")));
    EXPECT_FALSE(drives.exists("C:\\c.out"));
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_TRUE(prompter.texts()[0].startsWith("C:\\c.out does not match C:\\c.crc: CRC-32 "))
        << prompter.texts()[0].toStdString();
    EXPECT_FALSE(prompter.texts()[0].contains("size"));

    // A size that differs is named too; a descriptor with a garbled value is
    // not taken as a pass.
    QFile::remove(drives.host("C:\\c.crc"));
    drives.file("C:\\c.crc", 0, "filename=c.bin\r\nsize=12\r\n");
    prompter.clear();
    EXPECT_FALSE(AppendFile(state, "C:\\c", to("C:\\c2.out")));
    EXPECT_TRUE(prompter.texts()[0].contains("size 3000000 instead of 12"));
    QFile::remove(drives.host("C:\\c.crc"));
    drives.file("C:\\c.crc", 0, "crc32=zz\n");
    prompter.clear();
    EXPECT_FALSE(AppendFile(state, "C:\\c", to("C:\\c3.out")));
    EXPECT_TRUE(prompter.texts()[0].contains("not a valid check file"));
}

} // namespace

} // namespace dovex::test

namespace dovex::test {

namespace {

TEST_F(SplitMergeTest, ReadFailureMidMergeKeepsPartsAndOldTarget)
{
    drives.file("C:\\r.001", 2000000);
    drives.file("C:\\r.002", 2000000);
    drives.file("C:\\r.bin", 0, "previous");
    File::injectFault(FileFault::Read, "r.002", 500000);
    prompter.script({Answer::Yes});
    EXPECT_FALSE(AppendFile(state, "C:\\r", to("C:\\r.bin")));
    EXPECT_TRUE(state.ioFailed);
    EXPECT_TRUE(prompter.texts().join('|').contains("Read error File C:\\r.002"));
    EXPECT_EQ(drives.read("C:\\r.bin"), "previous");
    EXPECT_EQ(drives.read("C:\\r.001").size(), 2000000);
    EXPECT_EQ(drives.read("C:\\r.002").size(), 2000000);
}

} // namespace

} // namespace dovex::test

namespace dovex::test {

namespace {

// Every entry of a host directory; the merge's temporary file must not be
// left behind.
QStringList namesIn(const QString& hostDir)
{
    return QDir(hostDir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                                   QDir::Name);
}

TEST_F(SplitMergeTest, ABadOrMissingPartLeavesTheOldTargetAndNoFileUnderItsName)
{
    drives.file("C:\\m\\film.bin", 3000000);
    ASSERT_TRUE(SplitFile(state, "C:\\m\\film.bin", size("1420")));
    drives.file("C:\\m\\old.bin", 0, "the old target");
    const QByteArray source = drives.read("C:\\m\\film.bin");

    // The last part damaged: the old target, agreed to be replaced, stays
    // as it was; a new target never appears.
    QByteArray last = drives.read("C:\\m\\film.003");
    last[10] = char(last[10] ^ 1);
    QFile::remove(drives.host("C:\\m\\film.003"));
    drives.file("C:\\m\\film.003", 0, last);
    const QStringList before = namesIn(drives.host("C:\\m"));
    prompter.script({Answer::Yes});
    EXPECT_FALSE(AppendFile(state, "C:\\m\\film", to("C:\\m\\old.bin")));
    EXPECT_EQ(drives.read("C:\\m\\old.bin"), "the old target");
    EXPECT_FALSE(AppendFile(state, "C:\\m\\film", to("D:\\new.bin")));
    EXPECT_FALSE(drives.exists("D:\\new.bin"));
    EXPECT_TRUE(namesIn(drives.root('D')).isEmpty());
    EXPECT_EQ(state.notDone, 1);

    // The last part missing: the check file's size tells.
    QFile::remove(drives.host("C:\\m\\film.003"));
    prompter.clear();
    prompter.script({Answer::Yes});
    EXPECT_FALSE(AppendFile(state, "C:\\m\\film", to("C:\\m\\old.bin")));
    EXPECT_TRUE(prompter.texts().last().contains("size 2916352 instead of 3000000"))
        << prompter.texts().join('|').toStdString();
    EXPECT_EQ(drives.read("C:\\m\\old.bin"), "the old target");
    QStringList now = before;
    now.removeAll("film.003");
    EXPECT_EQ(namesIn(drives.host("C:\\m")), now);

    // A whole set replaces the old target, and only then.
    drives.file("C:\\m\\film.003", 0, source.mid(2916352));
    prompter.script({Answer::Yes});
    EXPECT_TRUE(AppendFile(state, "C:\\m\\film", to("C:\\m\\old.bin")));
    EXPECT_EQ(drives.read("C:\\m\\old.bin"), source);
    EXPECT_EQ(namesIn(drives.host("C:\\m")), before);

    // A new target named like the temporary file is not written under its
    // own name either: nothing is in its way, nothing is asked.
    prompter.clear();
    EXPECT_TRUE(AppendFile(state, "C:\\m\\film", to("C:\\m\\film.$$$")));
    EXPECT_TRUE(prompter.asked().isEmpty()) << prompter.texts().join('|').toStdString();
    EXPECT_EQ(drives.read("C:\\m\\film.$$$"), source);
}

TEST_F(SplitMergeTest, HolesOfASparseFileStayHolesInItsParts)
{
    // 40 MB of which two short runs hold data: one at the start, one
    // across the cut between the first and the second part.
    const QString host = drives.host("C:\\sparse.img");
    QFile f(host);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QByteArray data(100000, 'x');
    f.write(data);
    ASSERT_TRUE(f.seek(20 * 1024 * 1024 - 50000));
    f.write(data);
    ASSERT_TRUE(f.resize(40 * 1024 * 1024));
    f.close();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(host).constData(), &st), 0);
    if (st.st_blocks * 512 >= st.st_size)
        GTEST_SKIP() << "the file system keeps no holes";

    ASSERT_TRUE(SplitFile(state, "C:\\sparse.img", size("20480")));
    const QByteArray source = drives.read("C:\\sparse.img");
    std::int64_t allocated = 0;
    QByteArray joined;
    for (const char* part : {"C:\\sparse.001", "C:\\sparse.002"}) {
        ASSERT_EQ(::stat(QFile::encodeName(drives.host(part)).constData(), &st), 0);
        allocated += std::int64_t(st.st_blocks) * 512;
        joined += drives.read(part);
    }
    EXPECT_EQ(joined, source);
    EXPECT_LT(allocated, 4 * 1024 * 1024) << "the parts were written out in full";
    const QByteArray crc =
        QByteArray::number(referenceCrc32(source), 16).toUpper().rightJustified(8, '0');
    EXPECT_TRUE(drives.read("C:\\sparse.crc").endsWith("crc32=" + crc + "\n"));
    EXPECT_TRUE(AppendFile(state, "C:\\sparse", to("D:\\back.img")));
    EXPECT_EQ(drives.read("D:\\back.img"), source);
}

// The bytes handed over reach the file in their order and the CRC is of
// all of them, whether the helper writes them or the caller does: blocks of
// every size, holes among them, buffers given out again while the helper
// may still be writing the one before.
TEST_F(SplitMergeTest, TheCheckedWriterWritesAndChecksEveryByteInOrder)
{
    for (const bool helper : {true, false}) {
        const QString name =
            helper ? QStringLiteral("C:\\helper.out") : QStringLiteral("C:\\alone.out");
        File out;
        ASSERT_TRUE(out.create(name));
        QByteArray stream;
        std::int64_t written = 0;
        {
            CheckedWriter writer(4096, helper);
            std::uint32_t seed = 1;
            for (int block = 0; block < 40; ++block) {
                const std::int64_t n = 1 + (block * 997) % 4096;
                char* data = writer.buffer();
                const bool hole = block % 7 == 3;
                for (std::int64_t i = 0; !hole && i < n; ++i) {
                    seed = seed * 1103515245u + 12345u;
                    data[i] = char(seed >> 16);
                }
                stream.append(hole ? QByteArray(int(n), '\0') : QByteArray(data, int(n)));
                writer.put(out, n, hole);
                written += writer.progress().written;
            }
            const CheckedWriter::Progress last = writer.settle();
            EXPECT_FALSE(last.failed);
            EXPECT_EQ(written + last.written, stream.size()) << helper;
            EXPECT_EQ(writer.crc(), referenceCrc32(stream)) << helper;
        }
        out.close();
        EXPECT_EQ(drives.read(name), stream) << helper;
    }
}

// A write that fails ends the writing there: nothing handed over after it
// reaches the file (a disk that took half a block takes no more), and the
// failure is told however late it is asked.
TEST_F(SplitMergeTest, NothingIsWrittenAfterAWriteThatFailed)
{
    for (const bool helper : {true, false}) {
        const QString name = helper ? QStringLiteral("C:\\h.bad") : QStringLiteral("C:\\a.bad");
        File::injectFault(FileFault::ShortWrite, name, 3 * 4096);
        File out;
        ASSERT_TRUE(out.create(name));
        CheckedWriter writer(4096, helper);
        for (int block = 0; block < 8; ++block) {
            std::memset(writer.buffer(), 'a' + block, 4096);
            writer.put(out, 4096, block == 6);
        }
        const CheckedWriter::Progress p = writer.settle();
        EXPECT_TRUE(p.failed) << helper;
        EXPECT_EQ(p.written, 3 * 4096 + 2048) << helper;
        const CheckedWriter::Progress again = writer.progress();
        EXPECT_TRUE(again.failed);
        EXPECT_EQ(again.written, 0);
        out.close();
        EXPECT_EQ(drives.read(name), QByteArray(4096, 'a') + QByteArray(4096, 'b') +
                                         QByteArray(4096, 'c') + QByteArray(2048, 'd'))
            << helper;
        File::clearFaults();
    }
}

// With the writes behind the reads, a merge whose write fails after its last
// part was read still says so, leaves no target and keeps the parts.
TEST_F(SplitMergeTest, AWriteThatFailsBehindTheReadsFailsTheMerge)
{
    drives.file("C:\\late.bin", 3000000);
    const QByteArray source = drives.read("C:\\late.bin");
    ASSERT_TRUE(SplitFile(state, "C:\\late.bin", size("1420")));
    // With the check file, and without one (where the writes may also go
    // behind the reads).
    for (const bool checked : {true, false}) {
        if (!checked) {
            ASSERT_TRUE(QFile::remove(drives.host("C:\\late.crc")));
        }
        for (const bool helper : {true, false}) {
            CheckedWriter::helperOverride = helper;
            File::injectFault(FileFault::Write, ".$$$", 2900000);
            OperationState s(prompter, sink);
            prompter.clear();
            EXPECT_FALSE(AppendFile(s, "C:\\late", to("D:\\late.bin")));
            File::clearFaults();
            EXPECT_FALSE(drives.exists("D:\\late.bin")) << checked << helper;
            EXPECT_TRUE(s.ioFailed);
            EXPECT_TRUE(prompter.texts().join('|').contains("Write error File D:\\late.bin"))
                << prompter.texts().join('|').toStdString();
            EXPECT_EQ(drives.read("C:\\late.003").size(), 3000000 - 2 * 1458176);
            QDir(drives.root('D')).removeRecursively();
            QDir().mkpath(drives.root('D'));
        }
        CheckedWriter::helperOverride.reset();
        EXPECT_TRUE(AppendFile(state, "C:\\late", to("D:\\late.bin")));
        EXPECT_EQ(drives.read("D:\\late.bin"), source);
        QFile::remove(drives.host("D:\\late.bin"));
    }
}

} // namespace

} // namespace dovex::test
