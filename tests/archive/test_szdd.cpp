// Files compressed by mscompress (the SZDD format) expanded through
// libmspack, and hand-made hostile ones.
#include "archive/szdd.h"

#include "support/drivefixture.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace dovex::test {

namespace {

QByteArray header(char missing, std::uint32_t length)
{
    QByteArray h("SZDD\x88\xf0\x27\x33"
                 "A",
                 9);
    h.append(missing);
    for (int i = 0; i < 4; ++i)
        h.append(char(length >> (8 * i)));
    return h;
}

TEST(Szdd, ExpandedNamesNeverLeaveTheirDirectory)
{
    EXPECT_EQ(ExpandedName("SETUP.EX_", 'E'), "SETUP.EXE");
    EXPECT_EQ(ExpandedName("setup.ex_", 'E'), "setup.exe");
    EXPECT_EQ(ExpandedName("data.txt_", 0), "data.txt");
    EXPECT_EQ(ExpandedName("plain.txt", 'X'), "plain.txt");
    for (char bad : {'/', '\\', '\0', '\n', ':', '.'})
        EXPECT_EQ(ExpandedName("A.B_", bad), "A.B") << int(bad);
    EXPECT_EQ(ExpandedName("._", '.'), "._");
    EXPECT_EQ(ExpandedName(".._", 0), ".._");
    EXPECT_EQ(ExpandedName("_", 0), "_");
}

TEST(Szdd, HostileBytesAreRefusedOrBounded)
{
    EXPECT_FALSE(ReadSzddHeader({}));
    const QByteArray h = header('T', 5);
    for (int n = 0; n < h.size(); ++n)
        EXPECT_FALSE(
            ReadSzddHeader({reinterpret_cast<const std::uint8_t*>(h.constData()), std::size_t(n)}));
    // One control byte of literals, "hello", then more than the header said.
    QByteArray literal = h + QByteArray("\xff"
                                        "hello",
                                        6);
    auto out = ExpandSzdd(
        {reinterpret_cast<const std::uint8_t*>(literal.constData()), std::size_t(literal.size())},
        1 << 20);
    ASSERT_TRUE(out);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(out->data()), qsizetype(out->size())),
              "hello");
    // Matches that expand far past the limit stop there.
    QByteArray bomb = header('T', 0xFFFFFFFF) + QByteArray("\x01"
                                                           "a",
                                                           2);
    for (int i = 0; i < 20000; ++i)
        bomb +=
            QByteArray("\x00\xef\xf0\xef\xf0\xef\xf0\xef\xf0\xef\xf0\xef\xf0\xef\xf0\xef\xf0", 17);
    out = ExpandSzdd(
        {reinterpret_cast<const std::uint8_t*>(bomb.constData()), std::size_t(bomb.size())},
        1 << 16);
    EXPECT_FALSE(out);
}

TEST(Szdd, FilesMadeByMscompressExpandExactly)
{
    if (QStandardPaths::findExecutable("mscompress").isEmpty())
        GTEST_SKIP() << "mscompress is not installed";
    DriveFixture drives("CD");
    QByteArray data;
    for (int i = 0; i < 40000; ++i)
        data += QByteArray::number(i * 7919 % 1000) + (i % 13 ? ' ' : '\n');
    drives.file("C:\\in\\notes.txt", 0, data);
    drives.file("C:\\in\\empty.txt", 0, "");
    for (const char* name : {"notes.txt", "empty.txt"}) {
        QProcess p;
        p.start("mscompress", {drives.host(QStringLiteral("C:\\in\\") + name)});
        ASSERT_TRUE(p.waitForFinished(30000));
    }
    const int open = openDescriptorCount();
    QString made;
    EXPECT_EQ(ExpandSzddFile("C:\\in\\notes.txt_", "D:\\", false, &made), SzddResult::Expanded);
    EXPECT_EQ(made, "D:\\notes.txt");
    EXPECT_EQ(drives.read("D:\\notes.txt"), data);
    EXPECT_EQ(ExpandSzddFile("C:\\in\\empty.txt_", "D:\\", false), SzddResult::Expanded);
    EXPECT_EQ(drives.read("D:\\empty.txt"), "");

    // An existing file stays unless replacing was agreed.
    drives.file("D:\\old\\notes.txt", 0, "old");
    EXPECT_EQ(ExpandSzddFile("C:\\in\\notes.txt_", "D:\\old", false), SzddResult::Exists);
    EXPECT_EQ(drives.read("D:\\old\\notes.txt"), "old");
    EXPECT_EQ(ExpandSzddFile("C:\\in\\notes.txt_", "D:\\old", true), SzddResult::Expanded);
    EXPECT_EQ(drives.read("D:\\old\\notes.txt"), data);

    // A file cut short is damaged and leaves nothing behind.
    const QByteArray whole = drives.read("C:\\in\\notes.txt_");
    drives.file("C:\\in\\cut.txt_", 0, whole.left(whole.size() / 2));
    EXPECT_EQ(ExpandSzddFile("C:\\in\\cut.txt_", "D:\\", false), SzddResult::Damaged);
    EXPECT_FALSE(drives.exists("D:\\cut.txt"));
    EXPECT_EQ(ExpandSzddFile("C:\\in\\notes.txt", "D:\\", false), SzddResult::NotCompressed);

    // A pipe is never opened for reading.
    ASSERT_EQ(::mkfifo(QFile::encodeName(drives.host("C:\\in\\pipe.tx_")).constData(), 0644), 0);
    EXPECT_EQ(ExpandSzddFile("C:\\in\\pipe.tx_", "D:\\", false), SzddResult::ReadFailed);
    // No way out, done or refused, leaves a descriptor open.
    EXPECT_EQ(openDescriptorCount(), open);
}

} // namespace

} // namespace dovex::test
