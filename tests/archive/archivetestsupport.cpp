#include "archivetestsupport.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/filesource.h"
#include "archive/memorysource.h"
#include "platform/dostime.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <csignal>
#include <fstream>
#include <set>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utime.h>

namespace dovex::test {

bool haveTool(const QString& program)
{
    return !QStandardPaths::findExecutable(program).isEmpty();
}

bool runTool(const QString& dir, const QString& program, const QStringList& args,
             const QByteArray& input, QByteArray* output)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.setProcessChannelMode(output ? QProcess::SeparateChannels : QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return false;
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (output)
        *output = p.readAllStandardOutput();
    const bool ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok)
        ADD_FAILURE() << program.toStdString() << " failed: " << p.readAll().toStdString()
                      << p.readAllStandardError().toStdString();
    return ok;
}

bool craftZip(const QString& hostZip, const QString& script)
{
    return runTool(QFileInfo(hostZip).absolutePath(), "python3",
                   {"-c",
                    "import zipfile,sys,stat\nz=zipfile.ZipFile(sys.argv[1],'w')\n"
                    "def link(n,t):\n i=zipfile.ZipInfo(n);i.create_system=3;"
                    "i.external_attr=(stat.S_IFLNK|0o777)<<16;z.writestr(i,t)\n" +
                        script + "\nz.close()",
                    hostZip});
}

QString fixturePath(const QString& name)
{
    // The source directory comes from the build: __FILE__ can be relative
    // to the build directory (a compiler cache rewrites it so), and the tests
    // run elsewhere.
    return QStringLiteral(DOVEX_TEST_SOURCE_DIR "/archive/fixtures/") + name;
}

QByteArray fileBytes(const QString& hostPath)
{
    QFile f(hostPath);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << hostPath.toStdString();
    return f.readAll();
}

void writeBytes(const QString& hostPath, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    QFile f(hostPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

ArchiveContents readHostFile(const QString& hostPath)
{
    FileSource file;
    EXPECT_TRUE(file.open(hostPath)) << hostPath.toStdString();
    return readArchiveRecords(detectArchiveKind(file.read(0, 11)), file);
}

ArchiveContents readBytes(const QByteArray& bytes)
{
    MemorySource source(
        {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
    return readArchiveRecords(detectArchiveKind(source.read(0, 11)), source);
}

std::uint32_t sampleDosTime()
{
    return packDosDateTime({2021, 6, 15, 10, 20, 30});
}

void makeSampleTree(const QString& dir)
{
    QByteArray text;
    for (int i = 0; text.size() < 4000; ++i)
        text += QByteArray::number(i) + " line of sample text\n";
    text.truncate(4000);
    writeBytes(dir + "/a.txt", "hello\n");
    writeBytes(dir + "/sub/b.txt", text);
    writeBytes(dir + "/sub/deep/c.dat", QByteArray(300, 'c'));
    const time_t t = unixFromDosDateTime(sampleDosTime());
    const utimbuf times{t, t};
    for (const char* f : {"/a.txt", "/sub/b.txt", "/sub/deep/c.dat"})
        ::utime(QFile::encodeName(dir + f).constData(), &times);
}

void put16(QByteArray& b, std::uint32_t v)
{
    b += char(v & 0xFF);
    b += char((v >> 8) & 0xFF);
}

void put32(QByteArray& b, std::uint32_t v)
{
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}

void put64(QByteArray& b, std::uint64_t v)
{
    put32(b, std::uint32_t(v));
    put32(b, std::uint32_t(v >> 32));
}

QByteArray buildZip(const std::vector<ZipMember>& members)
{
    QByteArray out, central;
    for (const ZipMember& m : members) {
        const std::uint32_t offset = std::uint32_t(out.size());
        put32(out, 0x04034B50);
        put16(out, 20);
        put16(out, 0);
        put16(out, 0);
        put32(out, m.dosDateTime);
        put32(out, 0);
        put32(out, 0);
        put32(out, 0);
        put16(out, std::uint32_t(m.name.size()));
        put16(out, 0);
        out += m.name;

        QByteArray extra;
        if (m.zip64) {
            put16(extra, 1);
            put16(extra, 16);
            put64(extra, m.size);
            put64(extra, 0);
        }
        put32(central, 0x02014B50);
        put16(central, 45);
        put16(central, 45);
        put16(central, 0);
        put16(central, 0);
        put32(central, m.dosDateTime);
        put32(central, 0);
        put32(central, m.zip64 ? 0xFFFFFFFF : 0);
        put32(central, m.zip64 ? 0xFFFFFFFF : std::uint32_t(m.size));
        put16(central, std::uint32_t(m.name.size()));
        put16(central, std::uint32_t(extra.size()));
        put16(central, 0);
        put16(central, 0);
        put16(central, 0);
        put32(central, 0);
        put32(central, offset);
        central += m.name;
        central += extra;
    }
    const std::uint32_t cdOffset = std::uint32_t(out.size());
    out += central;
    put32(out, 0x06054B50);
    put16(out, 0);
    put16(out, 0);
    put16(out, std::uint32_t(members.size()));
    put16(out, std::uint32_t(members.size()));
    put32(out, std::uint32_t(central.size()));
    put32(out, cdOffset);
    put16(out, 0);
    return out;
}

namespace {

// Where the blocks of a rar 4 archive end, after its main header: the end
// block is optional there, so an archive cut at one of these is whole.
std::set<qsizetype> rar4BlockEnds(const QByteArray& bytes)
{
    std::set<qsizetype> ends;
    if (!bytes.startsWith(QByteArray("Rar!\x1A\x07\x00", 7)))
        return ends;
    const auto* p = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    for (qsizetype pos = 7; pos + 7 <= bytes.size();) {
        const std::uint16_t flags = std::uint16_t(p[pos + 3] | (p[pos + 4] << 8));
        qsizetype next = pos + (p[pos + 5] | (p[pos + 6] << 8));
        if ((flags & 0x8000) && pos + 11 <= bytes.size())
            next += qsizetype(p[pos + 7] | (p[pos + 8] << 8) | (p[pos + 9] << 16)) +
                    (qsizetype(p[pos + 10]) << 24);
        if (next <= pos)
            break;
        ends.insert(pos = next);
    }
    return ends;
}

} // namespace

void expectRobust(const QByteArray& bytes)
{
    const ArchiveContents all = readBytes(bytes);
    const std::size_t whole = all.records.size();
    const std::set<qsizetype> blockEnds = rar4BlockEnds(bytes);
    for (qsizetype n = 0; n < bytes.size(); ++n) {
        const QByteArray prefix = bytes.left(n);
        const ArchiveContents cut = readBytes(prefix);
        EXPECT_LE(cut.records.size(), whole) << "prefix " << n;
        const QChar kind = detectArchiveKind(
            {reinterpret_cast<const std::uint8_t*>(prefix.constData()), std::size_t(n)});
        if (all.damaged || kind == QChar(kKindNone))
            continue;
        if (blockEnds.count(n))
            EXPECT_FALSE(cut.damaged) << "rar 4 cut at the block end " << n;
        else
            EXPECT_TRUE(cut.damaged)
                << "prefix " << n << " of " << bytes.size() << " passes for a whole archive";
    }
    // Bytes set to 0xFF and 0x00 in turn along the headers.
    for (qsizetype at = 0; at < bytes.size() && at < 4096; at += 3) {
        for (char v : {char(0xFF), char(0)}) {
            QByteArray damaged = bytes;
            damaged[at] = v;
            readBytes(damaged);
        }
    }
}

namespace {

// The address space the process has mapped now, in bytes.
std::size_t mappedBytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmSize:", 0) == 0)
            return std::size_t(std::stoull(line.substr(7))) * 1024;
    return 0;
}

} // namespace

std::optional<int> runInChild(const std::function<bool()>& body, int seconds,
                              std::size_t extraMemory)
{
    const pid_t child = ::fork();
    if (child < 0) {
        ADD_FAILURE() << "fork failed";
        return -1;
    }
    if (child == 0) {
        if (extraMemory > 0) {
            const rlimit limit{mappedBytes() + extraMemory, mappedBytes() + extraMemory};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        int rc = 3;
        try {
            rc = body() ? 0 : 1;
        } catch (...) {
        }
        ::_exit(rc);
    }
    int status = 0;
    for (int waited = 0; waited < seconds * 100; ++waited) {
        if (::waitpid(child, &status, WNOHANG) == child)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        ::usleep(10'000);
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, &status, 0);
    return std::nullopt;
}

} // namespace dovex::test
