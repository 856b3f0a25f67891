// Compression Tools runs: round trips through the zip component and the
// real archivers on a tree of awkward names, compared byte for byte; the
// decompress mode each kind of file opens; a missing tool.
#include "archive/ops/archiveprogress.h"
#include "archive/ops/compression.h"
#include "archive/szdd.h"
#include "platform/drivemap.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include <gtest/gtest.h>

namespace dovex {
namespace {

using test::DriveFixture;
using test::ScriptedPrompter;

// Every file below a host directory, by relative path, with its bytes.
std::map<QString, QByteArray> tree(const QString& root)
{
    std::map<QString, QByteArray> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << path.toStdString();
        files[QDir(root).relativeFilePath(path)] = f.readAll();
    }
    return files;
}

// Watches the command line of every process on the machine while it
// lives, as any other user could (/proc/<pid>/cmdline).
class CommandLineWatch {
public:
    explicit CommandLineWatch(QByteArray needle) : m_needle(std::move(needle)) {}
    ~CommandLineWatch()
    {
        m_stop = true;
        m_thread.join();
    }
    bool seen() const { return m_seen; }

private:
    void scan()
    {
        std::error_code error;
        for (auto it = std::filesystem::directory_iterator("/proc", error);
             !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
            // A process may end between the listing and the read; the
            // stream of std::ifstream throws then, a QFile only reads less.
            QFile f(QString::fromStdString((it->path() / "cmdline").string()));
            if (f.open(QIODevice::ReadOnly) && f.readAll().contains(m_needle))
                m_seen = true;
        }
    }

    QByteArray m_needle;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_seen{false};
    std::thread m_thread{[this] {
        while (!m_stop) {
            scan();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }};
};

int exitOf(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setStandardInputFile(QProcess::nullDevice());
    p.start(program, args);
    return p.waitForFinished() ? p.exitCode() : -1;
}

class CompressionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The awkward names: blanks, quotes, "$", ";", letters beyond ASCII,
        // an empty file, a subdirectory two levels down.
        drives.file("C:\\src\\one two.txt", 0, "first file\n");
        drives.file("C:\\src\\it's $HOME;x.txt", 0, "quotes and shell characters");
        drives.file("C:\\src\\empty.dat", 0, QByteArray());
        drives.file("C:\\src\\sub dir\\Grüße.bin", 70000);
        drives.file("C:\\src\\sub dir\\deeper\\\"q\".txt", 0, "double quotes");
        drives.directory("D:\\out");
    }

    // The chosen entries of the source panel: everything in C:\src.
    CompressRequest request(CompressMethod method, const QString& target, int slot = 0)
    {
        CompressRequest r;
        r.method = method;
        r.slot = slot;
        r.target = target;
        r.sourceDirectory = "C:\\src\\";
        for (const QString& name :
             {QStringLiteral("one two.txt"), QStringLiteral("it's $HOME;x.txt"),
              QStringLiteral("empty.dat"), QStringLiteral("sub dir\\*.*")})
            r.items.append({"C:\\src\\" + name, name});
        return r;
    }
    ExtractRequest extract(CompressMethod method, const QString& archive, int slot = 0)
    {
        ExtractRequest r;
        r.method = method;
        r.slot = slot;
        r.archive = archive;
        r.target = "D:\\back";
        r.programDirectory = r.target;
        drives.directory(r.target);
        return r;
    }

    DriveFixture drives{"CD"};
    ScriptedPrompter prompter;
    SilentArchiveProgress window;
};

TEST_F(CompressionTest, ZipInternalStoresNamesRelativeToTheSourceAndComesBackWhole)
{
    const ArchiverToolTable tools = LoadArchiverTools();
    const CompressionOutcome packed = RunCompression(
        request(CompressMethod::ZipInternal, "D:\\out\\tree"), tools, prompter, window);
    ASSERT_TRUE(packed.passed) << prompter.texts().join('|').toStdString();
    EXPECT_TRUE(packed.listFile.isEmpty());
    // No member names where the drive lies on the host.
    QProcess list;
    list.start("unzip", {"-Z1", drives.host("D:\\out\\tree.zip")});
    ASSERT_TRUE(list.waitForFinished());
    const QString members = QString::fromUtf8(list.readAllStandardOutput());
    EXPECT_TRUE(members.contains("sub dir/deeper/\"q\".txt")) << members.toStdString();
    EXPECT_FALSE(members.contains(drives.root('C').mid(1))) << members.toStdString();

    const CompressionOutcome unpacked = RunExtraction(
        extract(CompressMethod::ZipInternal, "D:\\out\\tree.zip"), tools, prompter, window);
    EXPECT_TRUE(unpacked.passed);
    EXPECT_EQ(tree(drives.host("D:\\back")), tree(drives.host("C:\\src")));

    // A second extraction asks before it replaces what is there: No keeps
    // the file (and the run is not done), All replaces the rest unasked.
    prompter.clear();
    drives.file("D:\\back\\one two.txt", 0, "mine");
    prompter.script({Answer::No, Answer::No, Answer::No, Answer::No, Answer::No});
    EXPECT_FALSE(RunExtraction(extract(CompressMethod::ZipInternal, "D:\\out\\tree.zip"), tools,
                               prompter, window)
                     .passed);
    EXPECT_EQ(drives.read("D:\\back\\one two.txt"), "mine");
    EXPECT_EQ(prompter.count("File D:\\back\\one two.txt Exists,Overwrite?"), 1)
        << prompter.texts().join('|').toStdString();
    prompter.clear();
    prompter.script({Answer::All});
    EXPECT_TRUE(RunExtraction(extract(CompressMethod::ZipInternal, "D:\\out\\tree.zip"), tools,
                              prompter, window)
                    .passed);
    EXPECT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(tree(drives.host("D:\\back")), tree(drives.host("C:\\src")));
}

TEST_F(CompressionTest, ArchiverSlotsAndPkzipRoundTripThroughTheRealTools)
{
    const ArchiverToolTable tools = LoadArchiverTools();
    struct Case {
        CompressMethod method;
        int slot;
        QString archive; // as the tool names it
    } cases[] = {
        {CompressMethod::Pkzip, 0, "D:\\out\\pk.zip"},
        {CompressMethod::Custom, 1, "D:\\out\\arjed.arj"},
        {CompressMethod::Custom, 3, "D:\\out\\lhaed.lzh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive.toStdString());
        QString base = dospath::fileName(c.archive);
        base = base.left(base.indexOf('.'));
        CompressRequest r = request(c.method, "D:\\out\\" + base, c.slot);
        r.subdirectories = true;
        const CompressionOutcome packed = RunCompression(r, tools, prompter, window);
        ASSERT_TRUE(packed.passed) << prompter.texts().join('|').toStdString();
        ASSERT_TRUE(drives.exists(c.archive));
        ExtractRequest x = extract(c.method, c.archive, c.slot);
        x.target = "D:\\back" + base;
        drives.directory(x.target);
        ASSERT_TRUE(RunExtraction(x, tools, prompter, window).passed)
            << prompter.texts().join('|').toStdString();
        EXPECT_EQ(tree(drives.host(x.target)), tree(drives.host("C:\\src")));
        // The list file is left for the next refresh, in the program's directory.
        if (!packed.listFile.isEmpty()) {
            EXPECT_TRUE(packed.listFile.startsWith(drives.programDir()));
            QFile::remove(packed.listFile);
        }
    }
}

TEST_F(CompressionTest, TarAndCpioOpenTheLibraryModeByContentAndUnpackAsTheBoxSays)
{
    const ArchiverToolTable tools = LoadArchiverTools();
    // A tar named like a zip, and a cpio archive: the content decides.
    QProcess tar;
    tar.setWorkingDirectory(drives.host("C:\\src"));
    tar.start("tar", {"-czf", drives.host("D:\\out\\named.zip"), "."});
    ASSERT_TRUE(tar.waitForFinished() && tar.exitCode() == 0);
    QProcess cpio;
    cpio.setWorkingDirectory(drives.host("C:\\src"));
    cpio.setStandardOutputFile(drives.host("D:\\out\\a.cpio"));
    cpio.start("sh", {"-c", "find . | cpio -o -H newc 2>/dev/null"});
    ASSERT_TRUE(cpio.waitForFinished() && cpio.exitCode() == 0);

    for (const QString& archive :
         {QStringLiteral("D:\\out\\named.zip"), QStringLiteral("D:\\out\\a.cpio")}) {
        SCOPED_TRACE(archive.toStdString());
        const DecompressMode mode = DecompressModeFor(archive, tools);
        EXPECT_EQ(mode.method, CompressMethod::Library);
        EXPECT_TRUE(mode.subdirectories.enabled && mode.subdirectories.checked);
        EXPECT_FALSE(mode.volumes.enabled || mode.password.enabled || mode.zipEnabled);

        ExtractRequest whole = extract(CompressMethod::Library, archive);
        whole.target = "D:\\whole" + QString::number(archive.size());
        drives.directory(whole.target);
        ASSERT_TRUE(RunExtraction(whole, tools, prompter, window).passed)
            << prompter.texts().join('|').toStdString();
        EXPECT_EQ(tree(drives.host(whole.target)), tree(drives.host("C:\\src")));

        // Without "Include subdirectory's" every file lands in the target.
        ExtractRequest flat = whole;
        flat.subdirectories = false;
        flat.target = "D:\\flat" + QString::number(archive.size());
        drives.directory(flat.target);
        ASSERT_TRUE(RunExtraction(flat, tools, prompter, window).passed);
        EXPECT_EQ(drives.read(flat.target + "\\\"q\".txt"), "double quotes");
        EXPECT_TRUE(drives.exists(flat.target + "\\one two.txt"));
        EXPECT_FALSE(drives.exists(flat.target + "\\sub dir"));
    }
    EXPECT_TRUE(prompter.texts().isEmpty()) << prompter.texts().join('|').toStdString();
}

// Pkzip's password goes to the zip component, arj's to arj on a terminal
// of its own: neither stands on a command line while the archivers run,
// and each archive opens with it and with no other.
TEST_F(CompressionTest, APasswordNeverStandsOnACommandLine)
{
    for (const char* program : {"arj", "unzip"})
        if (QStandardPaths::findExecutable(program).isEmpty())
            GTEST_SKIP() << program << " is not installed";
    const ArchiverToolTable tools = LoadArchiverTools();
    const QString secret = "s3cret-Pw";
    QFile zip(drives.programDir() + "/zip"); // would be run instead of zip
    ASSERT_TRUE(zip.open(QIODevice::WriteOnly));
    zip.write("#!/bin/sh\ntouch '" + drives.programDir().toUtf8() + "/zip.ran'\n");
    zip.close();
    zip.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    {
        CommandLineWatch watch(secret.toUtf8());
        for (const auto& [method, slot, name] : {std::tuple{CompressMethod::Pkzip, 0, "pk"},
                                                 std::tuple{CompressMethod::Custom, 1, "aj"}}) {
            CompressRequest r = request(method, QStringLiteral("D:\\out\\") + name, slot);
            r.password = true;
            r.passwordText = secret;
            ASSERT_TRUE(RunCompression(r, tools, prompter, window).passed)
                << prompter.texts().join('|').toStdString();
            ExtractRequest x = extract(
                method, QStringLiteral("D:\\out\\") + name + (slot ? ".arj" : ".zip"), slot);
            x.target = QStringLiteral("D:\\back") + name;
            drives.directory(x.target);
            x.password = true;
            x.passwordText = secret;
            ASSERT_TRUE(RunExtraction(x, tools, prompter, window).passed)
                << prompter.texts().join('|').toStdString();
            EXPECT_EQ(tree(drives.host(x.target)), tree(drives.host("C:\\src")));
        }
        EXPECT_FALSE(watch.seen());
    }
    EXPECT_FALSE(QFile::exists(drives.programDir() + "/zip.ran"));
    const QString pk = drives.host("D:\\out\\pk.zip");
    const QString aj = drives.host("D:\\out\\aj.arj");
    EXPECT_EQ(exitOf("unzip", {"-qq", "-t", "-P", secret, pk}), 0);
    EXPECT_NE(exitOf("unzip", {"-qq", "-t", "-P", "wrong", pk}), 0);
    EXPECT_EQ(exitOf("arj", {"t", "-g" + secret, aj}), 0);
    EXPECT_NE(exitOf("arj", {"t", aj}), 0); // "password encrypted, Skipped"
}

TEST_F(CompressionTest, MsCompressExpandsBackUnderTheOriginalNameAndAsksBeforeReplacing)
{
    const ArchiverToolTable tools = LoadArchiverTools();
    CompressRequest r = request(CompressMethod::MsCompress, "D:\\out");
    r.items = {{"C:\\src\\one two.txt", "one two.txt"}, {"C:\\src\\sub dir\\*.*", "sub dir\\*.*"}};
    ASSERT_TRUE(RunCompression(r, tools, prompter, window).passed)
        << prompter.texts().join('|').toStdString();
    ASSERT_TRUE(drives.exists("D:\\out\\one two.tx_"));
    ASSERT_TRUE(drives.exists("D:\\out\\Grüße.bi_"));

    for (const QString& packed : {QStringLiteral("one two.tx_"), QStringLiteral("Grüße.bi_")})
        ASSERT_TRUE(RunExtraction(extract(CompressMethod::MsCompress, "D:\\out\\" + packed), tools,
                                  prompter, window)
                        .passed);
    EXPECT_EQ(drives.read("D:\\back\\one two.txt"), drives.read("C:\\src\\one two.txt"));
    EXPECT_EQ(drives.read("D:\\back\\Grüße.bin"), drives.read("C:\\src\\sub dir\\Grüße.bin"));

    // Expanding again over the file asks; No keeps it.
    drives.file("D:\\back\\one two.txt", 0, "mine");
    prompter.script({Answer::No});
    EXPECT_FALSE(RunExtraction(extract(CompressMethod::MsCompress, "D:\\out\\one two.tx_"), tools,
                               prompter, window)
                     .passed);
    EXPECT_EQ(prompter.texts().last(), "D:\\back\\one two.txt Exists,Overwrite?");
    EXPECT_EQ(drives.read("D:\\back\\one two.txt"), "mine");
    // Not a compressed file at all: said, nothing written.
    drives.file("D:\\out\\plain.tx_", 0, "just text");
    EXPECT_FALSE(RunExtraction(extract(CompressMethod::MsCompress, "D:\\out\\plain.tx_"), tools,
                               prompter, window)
                     .passed);
    EXPECT_EQ(prompter.texts().last(), "D:\\out\\plain.tx_ is not a compressed file.");
    EXPECT_FALSE(drives.exists("D:\\back\\plain.txt"));
}

TEST_F(CompressionTest, AMissingToolIsNamedAndNothingRuns)
{
    QFile ini(drives.windowsDir() + "/Dovex.Ini");
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Packer6]\nNaam=Nope\nExt=NOP\nAdd=NOPE.exe a\nExp=NOPE.exe x\n");
    ini.close();
    const ArchiverToolTable tools = LoadArchiverTools();
    // The message comes before any progress window.
    struct CountingWindow : SilentArchiveProgress {
        int shown = 0;
        void showRun(const QString&, const QString&, const QString&, const QString&, Animation,
                     bool) override
        {
            ++shown;
        }
    } counting;
    EXPECT_FALSE(
        RunCompression(request(CompressMethod::Custom, "D:\\out\\x", 6), tools, prompter, counting)
            .passed);
    EXPECT_EQ(counting.shown, 0);
    EXPECT_EQ(prompter.texts(), QStringList{"Cannot find NOPE.exe in the Dovex directory."});
    prompter.clear();
    drives.file("D:\\out\\a.nop", 0, "x");
    EXPECT_FALSE(
        RunExtraction(extract(CompressMethod::Custom, "D:\\out\\a.nop", 6), tools, prompter, window)
            .passed);
    EXPECT_EQ(prompter.texts(), QStringList{"Cannot find NOPE.exe in the Dovex directory."});
    EXPECT_TRUE(QDir(drives.host("D:\\back")).isEmpty());
}

TEST_F(CompressionTest, EachKindOfFileOpensItsDecompressMode)
{
    const ArchiverToolTable tools = LoadArchiverTools();
    const DecompressMode zip = DecompressModeFor("C:\\a\\b.zip", tools);
    EXPECT_EQ(zip.method, CompressMethod::ZipInternal);
    EXPECT_TRUE(zip.zipEnabled && zip.pkzipEnabled);
    EXPECT_FALSE(zip.volumes.enabled || zip.password.enabled);
    EXPECT_TRUE(zip.subdirectories.enabled && zip.subdirectories.checked);

    const DecompressMode ms = DecompressModeFor("C:\\SETUP.EX_", tools);
    EXPECT_EQ(ms.method, CompressMethod::MsCompress);
    EXPECT_FALSE(ms.zipEnabled || ms.pkzipEnabled);
    for (const OptionBox& b : {ms.subdirectories, ms.volumes, ms.password})
        EXPECT_FALSE(b.enabled || b.checked);

    // Lha has Exp_S but no Exp_V or Exp_P: "Include subdirectory's" stays.
    const DecompressMode lha = DecompressModeFor("C:\\x.Lzh", tools);
    EXPECT_EQ(lha.method, CompressMethod::Custom);
    EXPECT_EQ(lha.slot, 3);
    EXPECT_TRUE(lha.subdirectories.enabled && lha.subdirectories.checked);
    EXPECT_FALSE(lha.volumes.enabled || lha.password.enabled);
    const DecompressMode arj = DecompressModeFor("C:\\x.arj", tools);
    EXPECT_EQ(arj.slot, 1);
    EXPECT_TRUE(arj.volumes.enabled && arj.password.enabled);

    EXPECT_FALSE(DecompressModeFor("C:\\x.txt", tools).method.has_value());

    EXPECT_TRUE(IsCompressedFile("SETUP.EX_", tools));
    EXPECT_TRUE(IsCompressedFile("a.zip", tools));
    EXPECT_TRUE(IsCompressedFile("b.ZOO", tools));
    EXPECT_FALSE(IsCompressedFile("notes_", tools)); // no extension
    EXPECT_FALSE(IsCompressedFile("notes.txt", tools));
}

// dovex-cli over the same engine: the dialog's composition from options.
class CompressCliTest : public CompressionTest {
protected:
    int cli(const QStringList& args, QString* err = nullptr, const QByteArray& input = {})
    {
        QProcess p;
        p.start(QStringLiteral(DOVEX_CLI), args);
        p.write(input);
        p.closeWriteChannel();
        EXPECT_TRUE(p.waitForFinished(60000));
        if (err)
            *err = QString::fromUtf8(p.readAllStandardError());
        return p.exitCode();
    }
};

TEST_F(CompressCliTest, ComposesEachMethodAndFailsWithoutTheTool)
{
    // Pkzip with a password (read from stdin, off dovex-cli's own command
    // line): unzip needs it back.
    EXPECT_EQ(cli({"compress", "C:\\src\\*", "--to", "D:\\out\\sealed", "--method", "pkzip",
                   "--subdirs", "--password-stdin"},
                  nullptr, "s3cret\n"),
              0);
    QProcess plain;
    plain.start("unzip", {"-qq", "-P", "", "-t", drives.host("D:\\out\\sealed.zip")});
    ASSERT_TRUE(plain.waitForFinished());
    EXPECT_NE(plain.exitCode(), 0);
    drives.directory("D:\\back");
    EXPECT_EQ(cli({"decompress", "D:\\out\\sealed.zip", "D:\\back", "--method", "pkzip",
                   "--subdirs", "--password", "s3cret"}),
              0);
    EXPECT_EQ(tree(drives.host("D:\\back")), tree(drives.host("C:\\src")));

    // Zip (internal) without --subdirs: only the files of the source itself.
    EXPECT_EQ(cli({"compress", "C:\\src\\*", "--to", "D:\\out\\flat"}), 0);
    drives.directory("D:\\flat");
    EXPECT_EQ(cli({"decompress", "D:\\out\\flat.zip", "D:\\flat"}), 0);
    EXPECT_EQ(tree(drives.host("D:\\flat")).size(), 3u);

    // Arj, all files of the source directory.
    EXPECT_EQ(cli({"compress", "C:\\src\\empty.dat", "--to", "D:\\out\\every", "--method", "1",
                   "--all", "--subdirs"}),
              0);
    drives.directory("D:\\arj");
    EXPECT_EQ(cli({"decompress", "D:\\out\\every.arj", "D:\\arj", "--subdirs"}), 0);
    EXPECT_EQ(tree(drives.host("D:\\arj")), tree(drives.host("C:\\src")));

    QString err;
    EXPECT_EQ(cli({"compress", "C:\\src\\empty.dat", "--to", "D:\\out\\r", "--method", "7"}, &err),
              2);
    EXPECT_TRUE(err.contains("--method takes")) << err.toStdString();
    EXPECT_EQ(cli({"decompress", "D:\\out\\nothing.txt", "D:\\back"}, &err), 2);
    EXPECT_EQ(cli({"compress", "C:\\src\\empty.dat", "D:\\out\\x", "--to", "D:\\out\\r"}, &err), 2);
    EXPECT_TRUE(err.contains("one directory")) << err.toStdString();
}

} // namespace
} // namespace dovex
