#include "shell/sysinfo.h"

#include "support/drivefixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <limits>

namespace dovex::test {

using namespace sysinfo;

namespace {

constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
constexpr std::int64_t kGiB = std::int64_t(1) << 30;

DiskSample disk(char letter, DriveKind kind, std::optional<DriveSpace> space,
                std::optional<std::uint64_t> device = std::nullopt)
{
    return {QChar(letter), kind, space, device};
}

} // namespace

TEST(SysinfoText, ProcessorIsTheTidiedModelNameOnEveryArchitecture)
{
    EXPECT_EQ(processorText("processor\t: 0\nvendor_id\t: GenuineIntel\nmodel\t\t: 142\n"
                            "model name\t: Intel(R) Core(TM) i7-8550U CPU @ 1.80GHz\n"),
              QStringLiteral("Intel Core i7-8550U"));
    EXPECT_EQ(processorText("model name : AMD Ryzen 7 5800X 8-Core Processor\n"),
              QStringLiteral("AMD Ryzen 7 5800X 8-Core"));
    // A board: the model is "Model", x86's numeric "model" is not a name.
    EXPECT_EQ(processorText("processor : 0\nBogoMIPS : 108\nModel : Raspberry Pi 4 Model B\n"),
              QStringLiteral("Raspberry Pi 4 Model B"));
    EXPECT_EQ(processorText("processor : 0\nmodel : 142\n"), QString());
    EXPECT_EQ(processorText(""), QString());
    EXPECT_EQ(processorText(QByteArray("\xff\xfe garbage without colons\n\0\0", 24)), QString());
    // A hostile name cannot add a row or a column to the listing.
    const QString evil = processorText("model name : A\tB\x1b[31m\rC\n" + QByteArray(5000, 'x'));
    EXPECT_FALSE(evil.contains('\t'));
    EXPECT_FALSE(evil.contains('\r'));
    EXPECT_FALSE(evil.contains(QChar(0x1b)));
    EXPECT_LE(evil.size(), 120);
}

TEST(SysinfoText, MemoryIsMegabytesRoundedToTheNearest)
{
    EXPECT_EQ(memTotalBytes("MemFree: 1 kB\nMemTotal:       16318480 kB\n"),
              std::uint64_t(16318480) * 1024);
    EXPECT_EQ(memoryText(memTotalBytes("MemTotal: 16318480 kB\n")), QStringLiteral("15936 MB"));
    // 1.5 MB rounds up, just under rounds down.
    EXPECT_EQ(memoryText(std::uint64_t(3) << 19), QStringLiteral("2 MB"));
    EXPECT_EQ(memoryText((std::uint64_t(3) << 19) - 1), QStringLiteral("1 MB"));
    EXPECT_EQ(memoryText(std::uint64_t(0)), QStringLiteral("0 MB"));
    // Huge numbers saturate instead of wrapping; the rounding cannot overflow.
    EXPECT_EQ(memTotalBytes("MemTotal: 99999999999999999999999999 kB\n"), kMax);
    EXPECT_EQ(memTotalBytes("MemTotal: 18014398509481984 kB\n"), kMax);
    EXPECT_EQ(memoryText(kMax), QStringLiteral("17592186044416 MB"));
    EXPECT_EQ(memTotalBytes("MemFree: 5 kB\n"), std::nullopt);
    EXPECT_EQ(memTotalBytes("MemTotal: -5 kB\n"), std::nullopt);
    EXPECT_EQ(memTotalBytes("MemTotal: 12abc kB\n"), std::nullopt);
    EXPECT_EQ(memTotalBytes("MemTotal:\n"), std::nullopt);
    EXPECT_EQ(memTotalBytes("MemTotal: 5 parsecs\n"), std::nullopt);
    EXPECT_EQ(memoryText(std::nullopt), QStringLiteral("unknown"));
}

TEST(SysinfoText, OperatingSystemIsKernelVersionAndDistribution)
{
    const QByteArray debian =
        "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\n"
        "VERSION_ID=\"12\"\nID=debian\n";
    EXPECT_EQ(distributionName(debian), QStringLiteral("Debian GNU/Linux 12"));
    EXPECT_EQ(systemText("Linux", "6.1.0-18-amd64", distributionName(debian)),
              QStringLiteral("Linux 6.1 (Debian GNU/Linux 12)"));
    EXPECT_EQ(distributionName("NAME='Arch Linux'\n"), QStringLiteral("Arch Linux"));
    EXPECT_EQ(distributionName("PRETTY_NAME=\"Some \\\"Quoted\\\" OS\"\n"),
              QStringLiteral("Some \"Quoted\" OS"));
    EXPECT_EQ(distributionName("garbage\n=\nNAME\n"), QString());
    EXPECT_EQ(systemText("Linux", "6.1.0", QString()), QStringLiteral("Linux 6.1"));
    EXPECT_EQ(systemText(QString(), "weird\tkernel", QString()),
              QStringLiteral("Linux weird kernel"));
    EXPECT_EQ(systemText("Linux", "99999999999999999999.1", "X\nY"),
              QStringLiteral("Linux 99999999999999999999.1 (X Y)"));
}

TEST(SysinfoText, ColoursAreTwoToTheDepthInSixtyFourBits)
{
    EXPECT_EQ(displayText(DisplayInfo{800, 600, 16}), QStringLiteral("800x600, 65536 colors"));
    EXPECT_EQ(displayText(DisplayInfo{1024, 768, 8}), QStringLiteral("1024x768, 256 colors"));
    EXPECT_EQ(displayText(DisplayInfo{1920, 1080, 32}),
              QStringLiteral("1920x1080, 4294967296 colors"));
    EXPECT_EQ(colourCount(0), 1u);
    EXPECT_EQ(colourCount(63), std::uint64_t(1) << 63);
    EXPECT_EQ(colourCount(64), kMax);
    EXPECT_EQ(colourCount(1000), kMax);
    EXPECT_EQ(colourCount(-1), 0u);
    EXPECT_EQ(displayText(std::nullopt), QStringLiteral("no display"));
    EXPECT_EQ(displayText(DisplayInfo{0, 0, 24}), QStringLiteral("no display"));
}

TEST(SysinfoDisks, FixedAndRemovableDrivesWithASizeAreAddedOnce)
{
    const QList<DiskSample> disks = {
        disk('A', DriveKind::Removable, DriveSpace{kGiB, kGiB}), // not looked at
        disk('C', DriveKind::Fixed, DriveSpace{3 * kGiB, kGiB}, 1),
        disk('D', DriveKind::Removable, DriveSpace{2 * kGiB, kGiB / 2}, 2),
        disk('E', DriveKind::Removable, std::nullopt), // no medium
        disk('F', DriveKind::Fixed, DriveSpace{0, 0}), // reports no size
        disk('G', DriveKind::CdRom, DriveSpace{kGiB, 0}),
        disk('H', DriveKind::Remote, DriveSpace{kGiB, kGiB}),
        disk('I', DriveKind::RamDisk, DriveSpace{kGiB, kGiB}),
        disk('J', DriveKind::Fixed, DriveSpace{3 * kGiB, kGiB}, 1), // the volume of C again
        disk('X', DriveKind::Fixed, DriveSpace{kGiB, kGiB}),
        disk('Z', DriveKind::Fixed, DriveSpace{kGiB, kGiB}),
    };
    const DiskTotals t = addDisks(disks);
    EXPECT_EQ(t.counted, 2);
    EXPECT_EQ(t.total, std::uint64_t(5 * kGiB));
    EXPECT_EQ(diskText(t), QStringLiteral("Total 5120 MB , free 1536 MB"));
    EXPECT_EQ(diskText(addDisks({})), QStringLiteral("Total 0 MB , free 0 MB"));
}

TEST(SysinfoDisks, HugeTotalsAreAddedWithoutOverflow)
{
    // Beyond 4 GB, and beyond the largest signed 64-bit number.
    const std::int64_t big = std::numeric_limits<std::int64_t>::max();
    DiskTotals t = addDisks({disk('C', DriveKind::Fixed, DriveSpace{3 * kGiB, 3 * kGiB}),
                             disk('D', DriveKind::Fixed, DriveSpace{3 * kGiB, 2 * kGiB})});
    EXPECT_EQ(diskText(t), QStringLiteral("Total 6144 MB , free 5120 MB"));
    t = addDisks({disk('C', DriveKind::Fixed, DriveSpace{big, big}),
                  disk('D', DriveKind::Fixed, DriveSpace{big, big}),
                  disk('E', DriveKind::Fixed, DriveSpace{big, -5}),
                  disk('F', DriveKind::Fixed, DriveSpace{big, big})});
    EXPECT_EQ(t.total, kMax);
    EXPECT_EQ(t.free, kMax);
    // A negative total is no size.
    EXPECT_EQ(addDisks({disk('C', DriveKind::Fixed, DriveSpace{-1, 0})}).counted, 0);
}

TEST(SysinfoCollect, ReadsTheSourcesAndTheDrivesOfTheMap)
{
    DriveFixture drives(QStringLiteral("CD"));
    QTemporaryDir dir;
    const auto write = [&](const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
        return dir.filePath(name);
    };
    Sources sources;
    sources.cpuinfo = write("cpuinfo", "model name : Test Chip 9000\n");
    sources.meminfo = write("meminfo", "MemTotal: 2048 kB\n");
    // A FIFO in place of a file is not waited on; the next file is read.
    const QString fifo = dir.filePath("fifo");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    sources.osRelease = {fifo, write("os-release", "NAME=TestOS\nVERSION_ID=7\n")};
    const SystemInfo info = collect(DisplayInfo{640, 480, 4}, sources);
    EXPECT_EQ(info.processor, QStringLiteral("Test Chip 9000"));
    EXPECT_EQ(info.memory, QStringLiteral("2 MB"));
    EXPECT_TRUE(info.system.endsWith(QStringLiteral("(TestOS 7)"))) << qPrintable(info.system);
    EXPECT_EQ(info.display, QStringLiteral("640x480, 16 colors"));
    // C and D are two directories of one volume: it counts once.
    const QList<DiskSample> samples = sampleDrives(DriveMap::instance());
    ASSERT_EQ(samples.size(), 2);
    // (A temporary directory on a RAM disk is not a hard disk: nothing counts.)
    if (samples[0].kind == DriveKind::Fixed) {
        ASSERT_TRUE(samples[0].space && samples[0].device);
        const DiskTotals t = addDisks(samples);
        EXPECT_EQ(t.counted, 1);
        EXPECT_EQ(t.total, std::uint64_t(samples[0].space->total));
    }
    EXPECT_TRUE(info.disks.startsWith(QStringLiteral("Total "))) << qPrintable(info.disks);

    const auto table = rows(info);
    ASSERT_EQ(table.size(), 6);
    EXPECT_EQ(table[0], qMakePair(QStringLiteral("System Info"), QStringLiteral("This system")));
    EXPECT_EQ(table[5].first, QStringLiteral("Harddisk(s)"));

    // Sources that are missing give texts, not failures.
    Sources missing;
    missing.cpuinfo = missing.meminfo = dir.filePath("none");
    missing.osRelease = {dir.filePath("none")};
    const SystemInfo bare = collect(std::nullopt, missing);
    EXPECT_EQ(bare.memory, QStringLiteral("unknown"));
    EXPECT_FALSE(bare.processor.isEmpty()); // the machine's architecture
    EXPECT_TRUE(bare.system.startsWith(QStringLiteral("Linux")));
}

} // namespace dovex::test
