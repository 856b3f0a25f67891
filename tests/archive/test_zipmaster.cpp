#include "archivetestsupport.h"

#include "archive/zipmaster.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <zip.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <iostream>
#include <map>
#include <stdexcept>

using namespace dovex;
using namespace dovex::test;

namespace {

struct Node {
    char kind = 'f';  // f file, d directory, l link
    QByteArray bytes; // content, or the link's target
    std::time_t mtime = 0;
    mode_t mode = 0;
    bool operator==(const Node&) const = default;
};
using Tree = std::map<QByteArray, Node>;

// Every item under a host directory by its byte path, links not followed.
void walk(const QByteArray& root, const QByteArray& relative, Tree& tree)
{
    DIR* dir = ::opendir((relative.isEmpty() ? root : root + '/' + relative).constData());
    if (!dir)
        return;
    while (const dirent* e = ::readdir(dir)) {
        const QByteArray name(e->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray rel = relative.isEmpty() ? name : relative + '/' + name;
        const QByteArray full = root + '/' + rel;
        struct stat st {};
        ::lstat(full.constData(), &st);
        Node node;
        node.mode = st.st_mode & 07777;
        if (S_ISDIR(st.st_mode)) {
            node.kind = 'd';
            node.mtime = st.st_mtime;
            tree[rel] = node;
            walk(root, rel, tree);
            tree[rel].mtime = st.st_mtime;
            continue;
        }
        node.mtime = st.st_mtime;
        if (S_ISLNK(st.st_mode)) {
            node.kind = 'l';
            node.mode = 0;
            node.mtime = 0;
            char target[4096];
            const ssize_t n = ::readlink(full.constData(), target, sizeof target);
            node.bytes = QByteArray(target, int(std::max<ssize_t>(n, 0)));
        } else {
            const int fd = ::open(full.constData(), O_RDONLY);
            QByteArray data;
            char buffer[65536];
            for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;)
                data.append(buffer, n);
            ::close(fd);
            node.bytes = data;
        }
        tree[rel] = node;
    }
    ::closedir(dir);
}

Tree treeOf(const QString& hostDir)
{
    Tree tree;
    walk(hostDir.toLocal8Bit(), {}, tree);
    return tree;
}

std::string describe(const Tree& tree)
{
    std::string out;
    for (const auto& [name, node] : tree)
        out += name.toStdString() + " " + node.kind + " " + std::to_string(node.bytes.size()) +
               " " + std::to_string(node.mtime) + " " + std::to_string(node.mode) + "\n";
    return out;
}

// Debian's unzip drops a 0xFF byte from the names it writes; the trees it
// makes are compared without such names.
Tree withoutFF(Tree tree)
{
    std::erase_if(tree, [](const auto& item) { return item.first.startsWith("sub/names/raw"); });
    return tree;
}

void expectSameTree(const Tree& a, const Tree& b)
{
    EXPECT_TRUE(a == b) << "first:\n" << describe(a) << "second:\n" << describe(b);
}

void writeHost(const QByteArray& path, const QByteArray& content, std::time_t mtime = 1623752430)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, content.constData(), content.size()), content.size());
    ::close(fd);
    const struct timespec times[2] = {{mtime, 0}, {mtime, 0}};
    ::utimensat(AT_FDCWD, path.constData(), times, 0);
}

QByteArray pattern(int size, int seed)
{
    QByteArray b(size, '\0');
    std::uint32_t x = 2463534242u + seed;
    for (int i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = char(i % 3 == 0 ? 'a' + (x % 26) : x & 0xff);
    }
    return b;
}

// The names a sample tree uses: blanks, quotes, shell characters, wildcard
// characters, UTF-8 and bytes that are no UTF-8.
const QByteArrayList& awkwardNames()
{
    static const QByteArrayList names = {
        "with blank.txt",        "quo\"te's.txt",   "dol$lar;semi.txt", "star*and?.txt",
        "\xc3\xbcn\xc3\xaf.txt", "lat\xe9\x80.bin", "raw\xff\xfe.bin"};
    return names;
}

QStringList memberNames(const QString& hostZip)
{
    QStringList names;
    int error = 0;
    zip_t* z = zip_open(hostZip.toLocal8Bit().constData(), ZIP_RDONLY, &error);
    if (!z)
        return names;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i)
        names << QString::fromLatin1(zip_get_name(z, zip_uint64_t(i), ZIP_FL_ENC_RAW));
    zip_discard(z);
    names.sort();
    return names;
}

struct Event {
    int type;
    QString name;
    std::int64_t size;
};

class ZipMaster : public ::testing::Test {
protected:
    void SetUp() override
    {
        zip.Messages = &prompter;
        zip.OnProgress = [this](TZipMaster&, int type, const QString& name, std::int64_t size) {
            events.push_back({type, name, size});
            if (onEvent)
                onEvent(type);
        };
        zip.OnMessage = [this](TZipMaster&, int code, const QString& text) {
            messages.push_back({code, text});
        };
        // Replacing is agreed to here; the questions have tests of their own.
        zip.OnConfirmReplace = [](TZipMaster&, const QString&) { return true; };
        drives.directory("C:\\src");
        drives.directory("C:\\out");
    }

    QByteArray host(const QString& dos) const { return drives.host(dos).toLocal8Bit(); }

    // a.txt, sub/b.bin (100,000 bytes), sub/deep/empty.dat, emptydir/, the
    // awkward names in sub/names/, all with chosen times and modes.
    void TearDown() override
    {
        // QTemporaryDir cannot remove names that are no UTF-8.
        for (QChar c : {QChar('C')})
            runTool("/", "chmod", {"-R", "u+rwx", drives.root(c)}),
                runTool("/", "find", {drives.root(c), "-mindepth", "1", "-delete"});
        for (const auto& [code, text] : messages)
            if (HasFailure())
                std::cerr << "message " << code << ": " << text.toStdString() << "\n";
    }

    void makeTree()
    {
        const QByteArray src = host("C:\\src");
        ::mkdir(src + "/sub", 0755);
        ::mkdir(src + "/sub/deep", 0750);
        ::mkdir(src + "/sub/names", 0755);
        ::mkdir(src + "/emptydir", 0700);
        writeHost(src + "/a.txt", "hello\n", 1600000001);
        writeHost(src + "/sub/b.bin", pattern(100000, 1), 1600000003);
        writeHost(src + "/sub/deep/empty.dat", "", 1600000005);
        ::chmod(src + "/sub/deep/empty.dat", 0600);
        ::chmod(src + "/a.txt", 0755);
        int seed = 10;
        for (const QByteArray& name : awkwardNames()) {
            writeHost(src + "/sub/names/" + name, pattern(seed * 100, seed), 1600000100 + seed);
            ++seed;
        }
        for (const char* dir : {"/sub/deep", "/sub/names", "/sub", "/emptydir"}) {
            const struct timespec times[2] = {{1500000000, 0}, {1500000000, 0}};
            ::utimensat(AT_FDCWD, src + dir, times, 0);
        }
    }

    int addAll(const QString& archive = QStringLiteral("C:\\t.zip"))
    {
        zip.ZipFilename = archive;
        zip.BaseDir = QStringLiteral("C:\\src");
        zip.AddOptions = {AddOptsEnum::AddDirNames, AddOptsEnum::AddRecurseDirs};
        zip.FSpecArgs = QStringList{QStringLiteral("*.*")};
        return zip.Add();
    }

    bool hasMessage(int code, const QString& part) const
    {
        for (const auto& [c, text] : messages)
            if (c == code && text.contains(part))
                return true;
        return false;
    }

    DriveFixture drives;
    ScriptedPrompter prompter;
    TZipMaster zip;
    std::vector<Event> events;
    std::vector<std::pair<int, QString>> messages;
    std::function<void(int)> onEvent;
};

} // namespace

TEST_F(ZipMaster, ItsArchiveExtractsWithUnzipToTheSameTreeAndBackThroughItself)
{
    REQUIRE_TOOL("unzip");
    makeTree();
    EXPECT_EQ(addAll(), 10);
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    const Tree source = treeOf(drives.host("C:\\src"));

    ASSERT_TRUE(runTool(drives.host("C:\\"), "unzip", {"-q", "t.zip", "-d", "byunzip"}));
    expectSameTree(withoutFF(treeOf(drives.host("C:\\byunzip"))), withoutFF(source));

    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    zip.ExtrOptions = {ExtrOptsEnum::ExtrDirNames};
    EXPECT_EQ(zip.Extract(), 10);
    expectSameTree(treeOf(drives.host("C:\\out")), source);

    // Members are relative to the base directory; UTF-8 names are marked as
    // such, the others keep their bytes.
    const QStringList names = memberNames(drives.host("C:\\t.zip"));
    EXPECT_TRUE(names.contains("a.txt"));
    EXPECT_TRUE(names.contains("sub/deep/empty.dat"));
    EXPECT_TRUE(names.contains("emptydir/"));
    QByteArray raw = fileBytes(drives.host("C:\\t.zip"));
    const qsizetype utf8 = raw.indexOf("sub/names/\xc3\xbcn\xc3\xaf.txt");
    ASSERT_GT(utf8, 30);
    EXPECT_TRUE(raw[utf8 - 30 + 7] & 0x08) << "UTF-8 flag of the local header";
}

TEST_F(ZipMaster, AZipMadeArchiveExtractsAsUnzipExtractsIt)
{
    REQUIRE_TOOL("zip");
    REQUIRE_TOOL("unzip");
    makeTree();
    ASSERT_TRUE(runTool(drives.host("C:\\src"), "zip", {"-q", "-r", "-6", "../z.zip", "."}));
    ASSERT_TRUE(runTool(drives.host("C:\\"), "unzip", {"-q", "z.zip", "-d", "byunzip"}));
    zip.ZipFilename = QStringLiteral("C:\\z.zip");
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    zip.ExtrOptions = {ExtrOptsEnum::ExtrDirNames, ExtrOptsEnum::ExtrOverWrite};
    EXPECT_EQ(zip.Extract(), 10);
    expectSameTree(withoutFF(treeOf(drives.host("C:\\out"))),
                   withoutFF(treeOf(drives.host("C:\\byunzip"))));
    expectSameTree(treeOf(drives.host("C:\\out")), treeOf(drives.host("C:\\src")));
}

TEST_F(ZipMaster, FileSpecificationsPlainRelativeWildcardAndFull)
{
    makeTree();
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.AddOptions = {AddOptsEnum::AddDirNames};
    zip.FSpecArgs =
        QStringList{"a.txt", "sub\\b.bin", "C:\\src\\sub\\deep\\*.*", "sub\\names\\star*and?.txt"};
    EXPECT_EQ(zip.Add(), 4);
    // Without recursion "dir\*.*" takes only what lies directly in dir; a
    // name holding "*" is itself when it exists.
    EXPECT_EQ(memberNames(drives.host("C:\\t.zip")),
              (QStringList{"a.txt", "sub/b.bin", "sub/deep/empty.dat", "sub/names/star*and?.txt"}));

    // Without AddDirNames members are bare names.
    zip.ZipFilename = QStringLiteral("C:\\bare.zip");
    zip.AddOptions = {AddOptsEnum::AddRecurseDirs};
    zip.FSpecArgs = QStringList{"sub\\*.*"};
    EXPECT_EQ(zip.Add(), 9);
    const QStringList bare = memberNames(drives.host("C:\\bare.zip"));
    EXPECT_TRUE(bare.contains("b.bin"));
    EXPECT_TRUE(bare.contains("empty.dat"));
    for (const QString& n : bare)
        EXPECT_FALSE(n.contains('/')) << n.toStdString();
}

TEST_F(ZipMaster, ProgressComesPerFileInStepsOf32768AndEndsOncePerCall)
{
    drives.file("C:\\src\\big.bin", 100000);
    drives.file("C:\\src\\zero.txt", 0);
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.FSpecArgs = QStringList{"big.bin", "zero.txt"};
    ASSERT_EQ(zip.Add(), 2);
    auto expectOrder = [this](const QString& big, const QString& zero) {
        ASSERT_EQ(events.size(), 7u);
        EXPECT_EQ(events[0].type, 0);
        EXPECT_EQ(events[0].name, big);
        EXPECT_EQ(events[0].size, 100000);
        for (int i = 1; i <= 4; ++i)
            EXPECT_EQ(events[i].type, 1);
        EXPECT_EQ(events[5].type, 0);
        EXPECT_EQ(events[5].name, zero);
        EXPECT_EQ(events[6].type, 2);
    };
    expectOrder("C:\\src\\big.bin", "C:\\src\\zero.txt");
    EXPECT_TRUE(hasMessage(0, "2 file(s) added"));
    events.clear();
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    ASSERT_EQ(zip.Extract(), 2);
    expectOrder("big.bin", "zero.txt");
}

TEST_F(ZipMaster, TheComponentsOwnRefusalsLeaveTheSpecificationsAlone)
{
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_EQ(zip.Delete(), 0);
    zip.FSpecArgs = QStringList{"x"};
    zip.ZipFilename.clear();
    EXPECT_EQ(zip.Add(), 0);
    zip.ZipFilename = QStringLiteral("C:\\missing.zip");
    EXPECT_EQ(zip.Delete(), 0);
    EXPECT_EQ(prompter.texts(),
              (QStringList{"Error - no files to zip", "Error - no files selected for deletion",
                           "Error - no zip file specified", "Error - no zip file specified"}));
    EXPECT_EQ(zip.FSpecArgs, QStringList{"x"});
    EXPECT_FALSE(drives.exists("C:\\missing.zip"));
}

TEST_F(ZipMaster, ACallWhileBusyDoesNothing)
{
    drives.file("C:\\src\\a.txt", 10);
    drives.file("C:\\src\\b.txt", 10);
    int nested = -1;
    onEvent = [this, &nested](int type) {
        if (type == 0 && nested < 0) {
            zip.FSpecArgs = QStringList{"b.txt"};
            nested = zip.Add();
        }
    };
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.FSpecArgs = QStringList{"a.txt"};
    EXPECT_EQ(zip.Add(), 1);
    EXPECT_EQ(nested, 0);
    EXPECT_EQ(memberNames(drives.host("C:\\t.zip")), QStringList{"a.txt"});
    EXPECT_FALSE(zip.ZipBusy());
}

TEST_F(ZipMaster, CancelOrAFailureDuringAddLeavesTheOldArchiveByteForByte)
{
    drives.file("C:\\src\\old.txt", 5000);
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.FSpecArgs = QStringList{"old.txt"};
    ASSERT_EQ(zip.Add(), 1);
    const QByteArray before = drives.read("C:\\t.zip");

    drives.file("C:\\src\\big.bin", 1000000);
    int steps = 0;
    onEvent = [this, &steps](int type) {
        if (type == 1 && ++steps == 3)
            zip.Cancel = true;
    };
    zip.FSpecArgs = QStringList{"big.bin", "old.txt"};
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_EQ(drives.read("C:\\t.zip"), before);
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(events.back().type, 2);
    EXPECT_EQ(treeOf(drives.host("C:\\")).size(), 5u) << describe(treeOf(drives.host("C:\\")));
    EXPECT_FALSE(zip.Cancel);

    // A new archive that was cancelled is not there at all.
    steps = 0;
    zip.ZipFilename = QStringLiteral("C:\\new.zip");
    zip.FSpecArgs = QStringList{"big.bin"};
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_FALSE(drives.exists("C:\\new.zip"));

    // A file that vanishes before it is read fails the whole run, named.
    // (The member being replaced, old.txt, is written first.) A large file
    // is read as it is written; small ones may be read ahead.
    drives.file("C:\\src\\big.bin", 9 << 20);
    onEvent = [this](int type) {
        if (type == 0)
            ::unlink(host("C:\\src\\big.bin"));
    };
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.AddOptions = {AddOptsEnum::AddMove};
    zip.FSpecArgs = QStringList{"big.bin", "old.txt"};
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_EQ(drives.read("C:\\t.zip"), before);
    EXPECT_TRUE(hasMessage(TZipMaster::kErrorArchive, "C:\\src\\big.bin"));
    EXPECT_TRUE(drives.exists("C:\\src\\old.txt")) << "a failed move removes nothing";
}

TEST_F(ZipMaster, CancelDuringExtractLeavesTheOldFileAndNoPart)
{
    drives.file("C:\\src\\big.bin", 1000000);
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.FSpecArgs = QStringList{"big.bin"};
    ASSERT_EQ(zip.Add(), 1);
    drives.file("C:\\out\\big.bin", 0, "old content");
    int steps = 0;
    onEvent = [this, &steps](int type) {
        if (type == 1 && ++steps == 5)
            zip.Cancel = true;
    };
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    zip.ExtrOptions = {ExtrOptsEnum::ExtrOverWrite};
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(drives.read("C:\\out\\big.bin"), QByteArray("old content"));
    EXPECT_EQ(treeOf(drives.host("C:\\out")).size(), 1u);
    EXPECT_FALSE(zip.UnzBusy());
}

TEST_F(ZipMaster, AddOptionsFreshenUpdateMoveZipTimeAndForceDos)
{
    const QByteArray src = host("C:\\src");
    writeHost(src + "/one.txt", "one v1", 1600000000);
    writeHost(src + "/two.txt", "two v1", 1600000000);
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.FSpecArgs = QStringList{"one.txt"};
    ASSERT_EQ(zip.Add(), 1);

    writeHost(src + "/one.txt", "one v2", 1600000100);
    zip.AddOptions = {AddOptsEnum::AddFreshen};
    zip.FSpecArgs = QStringList{"*.txt"};
    EXPECT_EQ(zip.Add(), 1) << "freshen replaces the newer one and adds nothing";
    EXPECT_EQ(memberNames(drives.host("C:\\t.zip")), QStringList{"one.txt"});

    zip.AddOptions = {AddOptsEnum::AddUpdate};
    zip.FSpecArgs = QStringList{"*.txt"};
    EXPECT_EQ(zip.Add(), 1) << "update adds the new one, one.txt is not newer";
    EXPECT_EQ(memberNames(drives.host("C:\\t.zip")), (QStringList{"one.txt", "two.txt"}));

    zip.AddOptions = {AddOptsEnum::AddZipTime};
    zip.FSpecArgs = QStringList{"two.txt"};
    EXPECT_EQ(zip.Add(), 1);
    struct stat st {};
    ::stat(host("C:\\t.zip"), &st);
    EXPECT_EQ(st.st_mtime, 1600000100);

    zip.AddOptions = {AddOptsEnum::AddMove};
    zip.FSpecArgs = QStringList{"*.*"};
    EXPECT_EQ(zip.Add(), 2);
    EXPECT_FALSE(drives.exists("C:\\src\\one.txt"));
    EXPECT_FALSE(drives.exists("C:\\src\\two.txt"));
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    EXPECT_EQ(zip.Extract(), 2);
    EXPECT_EQ(drives.read("C:\\out\\one.txt"), QByteArray("one v2"));

    drives.file("C:\\src\\Long name.text", 3);
    zip.ZipFilename = QStringLiteral("C:\\dos.zip");
    zip.AddOptions = {AddOptsEnum::AddForceDOS};
    zip.FSpecArgs = QStringList{"Long name.text"};
    EXPECT_EQ(zip.Add(), 1);
    EXPECT_EQ(memberNames(drives.host("C:\\dos.zip")), QStringList{"LONG_NAM.TEX"});
}

TEST_F(ZipMaster, ExtractOptionsOverwriteFreshenUpdateAndDirNames)
{
    const QByteArray src = host("C:\\src");
    ::mkdir(src + "/d", 0755);
    writeHost(src + "/d/old.txt", "archived old", 1600000000);
    writeHost(src + "/d/new.txt", "archived new", 1600000200);
    writeHost(src + "/d/fresh.txt", "archived fresh", 1600000000);
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.AddOptions = {AddOptsEnum::AddDirNames, AddOptsEnum::AddRecurseDirs};
    zip.FSpecArgs = QStringList{"d"};
    ASSERT_EQ(zip.Add(), 3);

    const QByteArray out = host("C:\\out");
    auto reset = [&] {
        writeHost(out + "/old.txt", "disk", 1600000100);
        writeHost(out + "/new.txt", "disk", 1600000100);
        ::unlink(out + "/fresh.txt");
    };
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.ExtrBaseDir = QStringLiteral("C:\\out");

    reset();
    zip.ExtrOptions = {};
    EXPECT_EQ(zip.Extract(), 1) << "without dir names into the base, existing ones kept";
    EXPECT_EQ(drives.read("C:\\out\\old.txt"), QByteArray("disk"));
    EXPECT_TRUE(hasMessage(0, "Skipped d\\old.txt"));

    reset();
    zip.ExtrOptions = {ExtrOptsEnum::ExtrOverWrite};
    EXPECT_EQ(zip.Extract(), 3);
    EXPECT_EQ(drives.read("C:\\out\\old.txt"), QByteArray("archived old"));

    reset();
    zip.ExtrOptions = {ExtrOptsEnum::ExtrFreshen};
    EXPECT_EQ(zip.Extract(), 1);
    EXPECT_EQ(drives.read("C:\\out\\new.txt"), QByteArray("archived new"));
    EXPECT_EQ(drives.read("C:\\out\\old.txt"), QByteArray("disk"));
    EXPECT_FALSE(drives.exists("C:\\out\\fresh.txt"));

    reset();
    zip.ExtrOptions = {ExtrOptsEnum::ExtrUpdate};
    EXPECT_EQ(zip.Extract(), 2);
    EXPECT_TRUE(drives.exists("C:\\out\\fresh.txt"));
    EXPECT_EQ(drives.read("C:\\out\\old.txt"), QByteArray("disk"));

    zip.ExtrOptions = {ExtrOptsEnum::ExtrDirNames};
    zip.FSpecArgs = QStringList{"d\\new.txt"};
    EXPECT_EQ(zip.Extract(), 1);
    EXPECT_EQ(drives.read("C:\\out\\d\\new.txt"), QByteArray("archived new"));
}

TEST_F(ZipMaster, DeleteTakesNamesDirectoriesAndWildcardsAndKeepsAnEmptyArchive)
{
    makeTree();
    ASSERT_EQ(addAll(), 10);
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    // A name holding "*" and "?" deletes only itself.
    drives.file("C:\\src\\sub\\names\\starXandY.txt", 1);
    zip.FSpecArgs = QStringList{"sub\\names\\starXandY.txt"};
    zip.BaseDir = QStringLiteral("C:\\src");
    ASSERT_EQ(zip.Add(), 1);
    zip.FSpecArgs = QStringList{"sub\\names\\star*and?.txt"};
    EXPECT_EQ(zip.Delete(), 1);
    EXPECT_TRUE(memberNames(drives.host("C:\\t.zip")).contains("sub/names/starXandY.txt"));
    zip.FSpecArgs = QStringList{"sub\\names", "a.txt"};
    EXPECT_EQ(zip.Delete(), 8);
    EXPECT_EQ(memberNames(drives.host("C:\\t.zip")),
              (QStringList{"emptydir/", "sub/", "sub/b.bin", "sub/deep/", "sub/deep/empty.dat"}));
    zip.FSpecArgs = QStringList{"*"};
    zip.AddOptions = {AddOptsEnum::AddRecurseDirs};
    EXPECT_EQ(zip.Delete(), 2);
    EXPECT_EQ(drives.read("C:\\t.zip").size(), 22);
    EXPECT_TRUE(memberNames(drives.host("C:\\t.zip")).isEmpty());
}

TEST_F(ZipMaster, HostileMembersAreRefusedByNameAndTheRestExtracted)
{
    REQUIRE_TOOL("python3");
    const QString archive = drives.host("C:\\evil.zip");
    ASSERT_TRUE(craftZip(archive,
                         "z.writestr('../up.txt','x')\n"
                         "z.writestr('/abs.txt','x')\n"
                         "z.writestr('ok/../../up2.txt','x')\n"
                         "z.writestr('C:/drive.txt','x')\n"
                         "i=zipfile.ZipInfo('..\\\\back.txt');i.create_system=0;z.writestr(i,'x')\n"
                         "link('out','/')\n"
                         "z.writestr('out/escaped.txt','x')\n"
                         "link('up','../..')\n"
                         "link('inner','sub/f.txt')\n"
                         "link('in','sub')\n"
                         "z.writestr('in/x.txt','x')\n"
                         "z.writestr('sub/f.txt','fine')\n"
                         "z.writestr('file','x')\n"
                         "z.writestr('file/under.txt','x')\n"
                         "z.writestr('pre/through.txt','x')\n"
                         "z.writestr('dup.txt','first')\n"
                         "z.writestr('dup.txt','second')\n"));
    // A link already in the target directory is not followed either.
    ::mkdir(host("C:\\elsewhere"), 0755);
    ::symlink(host("C:\\elsewhere"), host("C:\\out\\pre"));
    zip.ZipFilename = QStringLiteral("C:\\evil.zip");
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    zip.ExtrOptions = {ExtrOptsEnum::ExtrDirNames};
    // Extracted: inner and in (links that stay inside), sub/f.txt, file, the
    // first dup.txt, and out/escaped.txt into a real directory "out", as the
    // link of that name was refused.
    EXPECT_EQ(zip.Extract(), 6);
    EXPECT_TRUE(drives.exists("C:\\out\\out\\escaped.txt"));
    EXPECT_FALSE(drives.exists("C:\\out\\sub\\x.txt"));
    for (const char* name :
         {"..\\up.txt", "\\abs.txt", "ok\\..\\..\\up2.txt", "C:\\drive.txt", "..\\back.txt",
          "in\\x.txt", "up", "file\\under.txt", "pre\\through.txt", "out:"}) {
        if (QByteArray(name) == "out:")
            EXPECT_TRUE(hasMessage(TZipMaster::kErrorRefused, "Refused out: it is a link")) << name;
        else
            EXPECT_TRUE(hasMessage(TZipMaster::kErrorRefused, QStringLiteral("Refused ") + name))
                << name;
    }
    EXPECT_EQ(drives.read("C:\\out\\sub\\f.txt"), QByteArray("fine"));
    EXPECT_EQ(drives.read("C:\\out\\dup.txt"), QByteArray("first"));
    EXPECT_TRUE(treeOf(drives.host("C:\\elsewhere")).empty());
    const Tree root = treeOf(drives.host("C:\\"));
    for (const auto& [name, node] : root)
        EXPECT_TRUE(name.startsWith("out") || name.startsWith("elsewhere") ||
                    name.startsWith("src") || name == "evil.zip")
            << name.constData();
    const QByteArray parent = QFileInfo(drives.host("C:\\")).absolutePath().toLocal8Bit();
    for (const char* name : {"/up.txt", "/up2.txt", "/back.txt", "/escaped.txt"})
        EXPECT_NE(::access(parent + name, F_OK), 0) << name;
}

TEST_F(ZipMaster, DamagedAndBombArchivesFailCleanly)
{
    REQUIRE_TOOL("python3");
    // 200 MB of zeros in a few hundred kilobytes, declared as 10 bytes.
    const QString bomb = drives.host("C:\\bomb.zip");
    ASSERT_TRUE(craftZip(
        bomb,
        "z.writestr(zipfile.ZipInfo('big'),b'\\0'*(200<<20),compress_type=zipfile.ZIP_DEFLATED)\n"
        "z.writestr('small.txt','ok')"));
    QByteArray bytes = fileBytes(bomb);
    // Patch the central directory's uncompressed size of "big" to 10.
    const qsizetype central = bytes.indexOf("PK\x01\x02");
    ASSERT_GT(central, 0);
    bytes[central + 24] = 10;
    bytes[central + 25] = bytes[central + 26] = bytes[central + 27] = 0;
    writeBytes(bomb, bytes);
    zip.ZipFilename = QStringLiteral("C:\\bomb.zip");
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    EXPECT_EQ(zip.Extract(), 1);
    EXPECT_TRUE(hasMessage(TZipMaster::kErrorFile, "Cannot extract big"));
    EXPECT_FALSE(drives.exists("C:\\out\\big"));
    EXPECT_EQ(treeOf(drives.host("C:\\out")).size(), 1u);

    // Not a zip at all: a message, nothing written, for add as for extract.
    drives.file("C:\\junk.zip", 0, "this is no archive");
    drives.file("C:\\src\\a.txt", 3);
    zip.ZipFilename = QStringLiteral("C:\\junk.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.FSpecArgs = QStringList{"a.txt"};
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_EQ(drives.read("C:\\junk.zip"), QByteArray("this is no archive"));
    EXPECT_TRUE(hasMessage(TZipMaster::kErrorArchive, "Cannot open C:\\junk.zip"));
}

TEST_F(ZipMaster, AHandlerThatThrowsStopsTheRunWithTheFatalMessage)
{
    drives.file("C:\\src\\old.txt", 100);
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.FSpecArgs = QStringList{"old.txt"};
    ASSERT_EQ(zip.Add(), 1);
    const QByteArray before = drives.read("C:\\t.zip");
    drives.file("C:\\src\\big.bin", 200000);
    onEvent = [](int type) {
        if (type == 1)
            throw std::runtime_error("handler failed");
    };
    zip.FSpecArgs = QStringList{"big.bin"};
    EXPECT_EQ(zip.Add(), 0);
    EXPECT_EQ(drives.read("C:\\t.zip"), before);
    EXPECT_EQ(prompter.texts(), QStringList{"Fatal DLL Error: abort exception"});
    EXPECT_TRUE(zip.FSpecArgs.isEmpty());
    EXPECT_FALSE(zip.ZipBusy());

    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_EQ(prompter.count("Fatal DLL Error: abort exception"), 2);
    EXPECT_TRUE(treeOf(drives.host("C:\\out")).empty());
}

TEST_F(ZipMaster, AnArchiveNameThatIsAPipeIsRefusedWithoutWaiting)
{
    ASSERT_EQ(::mkfifo(host("C:\\pipe.zip"), 0644), 0);
    drives.file("C:\\src\\a.txt", 3);
    const std::optional<int> status = runInChild(
        [this] {
            zip.ZipFilename = QStringLiteral("C:\\pipe.zip");
            zip.BaseDir = QStringLiteral("C:\\src");
            zip.FSpecArgs = QStringList{"a.txt"};
            zip.ExtrBaseDir = QStringLiteral("C:\\out");
            return zip.Add() == 0 && zip.Extract() == 0 &&
                   hasMessage(TZipMaster::kErrorArchive,
                              "Cannot open C:\\pipe.zip: not a plain file");
        },
        20);
    ASSERT_TRUE(status.has_value()) << "the call blocked";
    EXPECT_EQ(*status, 0);
}

TEST_F(ZipMaster, TheRewrittenArchiveKeepsItsPermissions)
{
    drives.file("C:\\src\\a.txt", 3);
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.FSpecArgs = QStringList{"a.txt"};
    ASSERT_EQ(zip.Add(), 1);
    struct stat st {};
    ::stat(host("C:\\t.zip"), &st);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
    ::chmod(host("C:\\t.zip"), 0640);
    drives.file("C:\\src\\b.txt", 3);
    zip.FSpecArgs = QStringList{"b.txt"};
    ASSERT_EQ(zip.Add(), 1);
    ::stat(host("C:\\t.zip"), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(ZipMaster, MembersClaimingMoreThanTheDiskHoldsAreRefusedBeforeAnyIsWritten)
{
    REQUIRE_TOOL("python3");
    const QString archive = drives.host("C:\\claims.zip");
    // 200 members that each claim almost 4 GB (800 GB together) and hold a
    // few bytes: each alone would fit the disk, all of them do not.
    ASSERT_TRUE(craftZip(archive, "for i in range(200): z.writestr('m%03d.bin' % i, 'tiny')"));
    QByteArray bytes = fileBytes(archive);
    for (qsizetype central = bytes.indexOf("PK\x01\x02"); central > 0;
         central = bytes.indexOf("PK\x01\x02", central + 4)) {
        bytes[central + 24] = char(0xFE);
        for (int i = 25; i < 28; ++i)
            bytes[central + i] = char(0xFF);
    }
    writeBytes(archive, bytes);
    struct statvfs space {};
    ASSERT_EQ(::statvfs(host("C:\\out"), &space), 0);
    if (std::uint64_t(space.f_bavail) * space.f_frsize > 800ull << 30)
        GTEST_SKIP() << "the disk has room for 800 GB";
    zip.ZipFilename = QStringLiteral("C:\\claims.zip");
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    EXPECT_EQ(zip.Extract(), 0);
    EXPECT_TRUE(hasMessage(TZipMaster::kErrorArchive,
                           "Cannot extract from C:\\claims.zip: its members need"));
    EXPECT_TRUE(treeOf(drives.host("C:\\out")).empty());
}

TEST_F(ZipMaster, ReplacingALinkReplacesTheLinkNotWhatItPointsAt)
{
    drives.file("C:\\src\\victim.txt", 0, "from the archive");
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.BaseDir = QStringLiteral("C:\\src");
    zip.FSpecArgs = QStringList{"victim.txt"};
    ASSERT_EQ(zip.Add(), 1);
    drives.file("C:\\precious.txt", 0, "keep me");
    ASSERT_EQ(::symlink(host("C:\\precious.txt"), host("C:\\out\\victim.txt")), 0);
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    zip.ExtrOptions = {ExtrOptsEnum::ExtrOverWrite};
    EXPECT_EQ(zip.Extract(), 1);
    EXPECT_EQ(drives.read("C:\\precious.txt"), QByteArray("keep me"));
    EXPECT_EQ(treeOf(drives.host("C:\\out"))["victim.txt"].kind, 'f');
    EXPECT_EQ(drives.read("C:\\out\\victim.txt"), QByteArray("from the archive"));
}

// Many small files: the ones written ahead of the extraction arrive whole,
// with their times, and follow the options like the rest; a cancel leaves
// no temporary file behind and no file half written.
TEST_F(ZipMaster, ManySmallFilesExtractWholeAndFollowTheOptions)
{
    const QByteArray src = host("C:\\src");
    for (int d = 0; d < 4; ++d) {
        ::mkdir(src + "/d" + QByteArray::number(d), 0755);
        for (int f = 0; f < 100; ++f)
            writeHost(src + "/d" + QByteArray::number(d) + "/f" + QByteArray::number(f) + ".txt",
                      pattern(50 + f * 37, d * 100 + f), 1600000000 + f);
    }
    ASSERT_EQ(addAll(), 400);
    const Tree source = treeOf(drives.host("C:\\src"));
    zip.ZipFilename = QStringLiteral("C:\\t.zip");
    zip.ExtrBaseDir = QStringLiteral("C:\\out");
    zip.ExtrOptions = {ExtrOptsEnum::ExtrDirNames};
    const auto noTemporaryFiles = [this] {
        for (const auto& [name, node] : treeOf(drives.host("C:\\out")))
            if (name.contains(".dvx"))
                return false;
        return true;
    };

    EXPECT_EQ(zip.Extract(), 400);
    Tree out = treeOf(drives.host("C:\\out"));
    for (const auto& [name, node] : source) {
        if (node.kind == 'f') {
            EXPECT_TRUE(out[name] == node) << name.constData();
        }
    }

    // Files of the target's own are kept unless overwriting was asked for.
    for (int f = 0; f < 100; f += 2) {
        writeHost(host("C:\\out") + "/d1/f" + QByteArray::number(f) + ".txt", "mine");
        ::unlink(host("C:\\out") + "/d2/f" + QByteArray::number(f) + ".txt");
    }
    EXPECT_EQ(zip.Extract(), 50);
    EXPECT_EQ(drives.read("C:\\out\\d1\\f10.txt"), QByteArray("mine"));
    EXPECT_TRUE(noTemporaryFiles());
    zip.ExtrOptions = {ExtrOptsEnum::ExtrDirNames, ExtrOptsEnum::ExtrOverWrite};
    EXPECT_EQ(zip.Extract(), 400);
    EXPECT_EQ(treeOf(drives.host("C:\\out\\d1"))["f10.txt"], source.at("d1/f10.txt"));

    // A cancel halfway: every file there is whole, nothing else is left.
    runTool("/", "find", {drives.host("C:\\out"), "-mindepth", "1", "-delete"});
    int files = 0;
    onEvent = [this, &files](int type) {
        if (type == 0 && ++files == 150)
            zip.Cancel = true;
    };
    zip.Extract();
    EXPECT_TRUE(noTemporaryFiles());
    out = treeOf(drives.host("C:\\out"));
    int whole = 0;
    for (const auto& [name, node] : out)
        if (node.kind == 'f') {
            EXPECT_TRUE(node == source.at(name)) << name.constData();
            ++whole;
        }
    // Exactly the members before the one cancelled: what the helpers wrote
    // ahead of it under the members' own names went again.
    EXPECT_EQ(whole, 149);
}
