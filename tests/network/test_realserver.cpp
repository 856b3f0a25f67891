// Network drives against a real Samba server on the loopback address,
// mounted through a private session bus and gvfs, driven through dovex-cli.
// Where a piece cannot run here (no FUSE, no smbd, not root) every case
// skips with the reason netserver.sh gave; the recording stub covers the
// same paths in test_netdrives.cpp.
#include "support/drivefixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace dovex::test {

namespace {

struct Server {
    QTemporaryDir scratch{QDir::tempPath() + "/dovex-net-XXXXXX"};
    QString skipReason;
    QMap<QString, QString> env;
    bool started = false;

    Server()
    {
        QProcess p;
        p.start(QStringLiteral(DOVEX_NET_SERVER), {"start", scratch.path()});
        if (!p.waitForFinished(30000)) {
            p.kill();
            p.waitForFinished();
            skipReason = "the test server did not start within 30 s";
            stop();
            return;
        }
        started = true;
        if (p.exitCode() != 0) {
            skipReason = QString::fromUtf8(p.readAllStandardError()).trimmed();
            if (skipReason.isEmpty())
                skipReason = QStringLiteral("netserver.sh failed (%1)").arg(p.exitCode());
            return;
        }
        QFile file(scratch.path() + "/env");
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n')) {
                const int eq = line.indexOf('=');
                if (eq > 0)
                    env[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1));
            }
    }
    ~Server() { stop(); }
    void stop() { QProcess::execute(QStringLiteral(DOVEX_NET_SERVER), {"stop", scratch.path()}); }
};

Server* g_server = nullptr;

struct CliRun {
    int code = -1;
    QString out, err;
    qint64 ms = 0;
};

class RealServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { g_server = new Server; }
    static void TearDownTestSuite()
    {
        delete g_server;
        g_server = nullptr;
    }
    void SetUp() override
    {
        if (!g_server->skipReason.isEmpty())
            GTEST_SKIP() << "no real SMB server here: " << g_server->skipReason.toStdString();
    }

    CliRun cli(const QStringList& args, const QByteArray& input = {}, const QString& timeout = {})
    {
        QProcess p;
        QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
        if (!timeout.isEmpty())
            e.insert("DOVEX_NET_TIMEOUT", timeout);
        for (const char* key :
             {"XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", "GVFS_REMOTE_VOLUME_MONITOR_IGNORE"})
            e.insert(key, g_server->env.value(key));
        p.setProcessEnvironment(e);
        QElapsedTimer clock;
        clock.start();
        p.start(QStringLiteral(DOVEX_CLI), args);
        p.write(input);
        p.closeWriteChannel();
        CliRun r;
        if (!p.waitForFinished(40000)) {
            p.kill();
            p.waitForFinished();
        }
        r.ms = clock.elapsed();
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    QString share(const QString& name = "share") const
    {
        return QStringLiteral("smb://127.0.0.1:%1/%2").arg(g_server->env.value("SMB_PORT"), name);
    }
    QByteArray password() const { return g_server->env.value("SMB_PASSWORD").toUtf8() + '\n'; }
    QString user() const { return g_server->env.value("SMB_USER"); }
    QStringList mountsNow() const
    {
        return QDir(g_server->env.value("FUSE_DIR")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    }
    static QByteArray bytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
    }

    QString sftp(const QString& dir) const
    {
        return QStringLiteral("sftp://127.0.0.1:%1%2").arg(g_server->env.value("SSH_PORT"), dir);
    }
    void skipWithoutSftp()
    {
        if (!g_server->env.value("SFTP_SKIP").isEmpty())
            GTEST_SKIP() << "no SSH server here: "
                         << g_server->env.value("SFTP_SKIP").toStdString();
    }
    // The recorded process of a server and every process below it (the
    // ones that serve a connection).
    QList<pid_t> serverProcesses(const QString& name) const
    {
        QList<pid_t> pids;
        QFile file(g_server->scratch.path() + "/pids");
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& line : file.readAll().split('\n'))
                if (line.startsWith(name.toUtf8() + ' '))
                    pids << pid_t(line.mid(name.size() + 1).toInt());
        for (qsizetype i = 0; i < pids.size(); ++i)
            for (const QString& task : QDir(QStringLiteral("/proc/%1/task").arg(pids[i]))
                                           .entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                for (const QByteArray& child :
                     bytes(QStringLiteral("/proc/%1/task/%2/children").arg(pids[i]).arg(task))
                         .split(' '))
                    if (child.toInt() > 0 && !pids.contains(pid_t(child.toInt())))
                        pids << pid_t(child.toInt());
        return pids;
    }
    void signalServer(const QString& name, int sig) const
    {
        for (const pid_t pid : serverProcesses(name))
            ::kill(pid, sig);
    }
    // Processes whose command line holds text.
    static QStringList processesWith(const QString& text)
    {
        QStringList found;
        for (const QString& pid : QDir("/proc").entryList(QDir::Dirs))
            if (pid.toInt() > 0 && pid.toInt() != ::getpid()) {
                QByteArray cmd = bytes("/proc/" + pid + "/cmdline");
                cmd.replace('\0', ' ');
                if (cmd.contains(text.toUtf8()))
                    found << pid + ' ' + QString::fromUtf8(cmd);
            }
        return found;
    }
    QString recordsText() const
    {
        return QString::fromUtf8(bytes(drives.programDir() + "/netdrives.txt"));
    }

    DriveFixture drives{QStringLiteral("C")};
};

} // namespace

TEST_F(RealServerTest, ConnectListCopyBothWaysAndDisconnect)
{
    const CliRun connect =
        cli({"net-connect", share(), "E:", "--user", user(), "--password-stdin"}, password());
    ASSERT_EQ(connect.code, 0) << connect.err.toStdString();
    EXPECT_LT(connect.ms, 15000);
    EXPECT_TRUE(connect.out.startsWith("E:\t" + g_server->env.value("FUSE_DIR") + "/"))
        << connect.out.toStdString();
    EXPECT_FALSE(connect.out.contains(g_server->env.value("SMB_PASSWORD")));

    const CliRun drivesRun = cli({"drives"});
    EXPECT_TRUE(drivesRun.out.contains(QRegularExpression("(^|\\n)e: share\\tremote\\n")))
        << drivesRun.out.toStdString();

    const CliRun list = cli({"list", "E:\\"});
    ASSERT_EQ(list.code, 0) << list.err.toStdString();
    for (const char* name : {"hello.txt\t21\t", "random.bin\t300000\t", "sub\t"})
        EXPECT_TRUE(list.out.contains(QLatin1String(name))) << list.out.toStdString();

    const QString shareDir = g_server->env.value("SHARE_DIR");
    QByteArray up(200000, '\0');
    for (int i = 0; i < up.size(); ++i)
        up[i] = char((i * 7919) >> 3);
    drives.file("C:\\up.bin", 0, up);
    const CliRun in = cli({"copy", "C:\\up.bin", "E:\\sub"});
    ASSERT_EQ(in.code, 0) << in.err.toStdString();
    EXPECT_EQ(bytes(shareDir + "/sub/up.bin"), up);
    const CliRun outRun = cli({"copy", "E:\\random.bin", "C:\\"});
    ASSERT_EQ(outRun.code, 0) << outRun.err.toStdString();
    EXPECT_EQ(drives.read("C:\\random.bin"), bytes(shareDir + "/random.bin"));
    // A path through the network drive never leaves the share.
    const CliRun escape = cli({"list", "E:\\..\\..\\.."});
    EXPECT_FALSE(escape.out.contains("smbd")) << escape.out.toStdString();

    // The letter is taken now.
    const CliRun twice =
        cli({"net-connect", share(), "E", "--user", user(), "--password-stdin"}, password());
    EXPECT_EQ(twice.code, 2);

    const CliRun off = cli({"net-disconnect", "e"});
    ASSERT_EQ(off.code, 0) << off.err.toStdString();
    EXPECT_LT(off.ms, 10000);
    EXPECT_FALSE(cli({"drives"}).out.contains("\ne: "));
    EXPECT_NE(cli({"list", "E:\\"}).code, 0);
    EXPECT_TRUE(mountsNow().isEmpty()) << mountsNow().join(' ').toStdString();
    EXPECT_EQ(cli({"net-disconnect", "E"}).code, 2);
}

TEST_F(RealServerTest, WrongPasswordMissingShareAndClosedPortFailCleanly)
{
    const CliRun wrong =
        cli({"net-connect", share(), "F", "--user", user(), "--password-stdin"}, "not-it\n");
    EXPECT_EQ(wrong.code, 2);
    EXPECT_TRUE(wrong.err.contains("Password incorrect")) << wrong.err.toStdString();
    EXPECT_LT(wrong.ms, 15000);

    const CliRun missing = cli(
        {"net-connect", share("nosuch"), "F", "--user", user(), "--password-stdin"}, password());
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains("Could Not assign")) << missing.err.toStdString();

    const CliRun closed =
        cli({"net-connect", "smb://127.0.0.1:1/share", "F", "--user", user(), "--password-stdin"},
            password());
    EXPECT_EQ(closed.code, 2);
    EXPECT_LT(closed.ms, 25000);

    const CliRun notNetwork = cli({"net-connect", "/etc", "F"});
    EXPECT_EQ(notNetwork.code, 2);

    EXPECT_FALSE(cli({"drives"}).out.contains("\nf: "));
    EXPECT_TRUE(mountsNow().isEmpty()) << mountsNow().join(' ').toStdString();
}

TEST_F(RealServerTest, NetListShowsTheNetworkTree)
{
    const CliRun list = cli({"net-list"});
    EXPECT_EQ(list.code, 0) << list.err.toStdString();
    const QStringList lines = list.out.split('\n', Qt::SkipEmptyParts);
    EXPECT_FALSE(lines.isEmpty());
    EXPECT_LE(lines.size(), 101);

    // A server's shares, named so that connecting to the name works.
    const CliRun shares = cli({"net-list", share(QString())});
    ASSERT_EQ(shares.code, 0) << shares.err.toStdString();
    EXPECT_EQ(shares.out.split('\n', Qt::SkipEmptyParts), QStringList{share()});
    EXPECT_EQ(cli({"net-list", "/etc"}).code, 2);
}

// Last: gvfs's SMB browser can answer empty lists for a while after a
// mount that was given up.
TEST_F(RealServerTest, AServerThatNeverAnswersIsGivenUp)
{
    // A port that takes the connection and then says nothing.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), len), 0);
    ASSERT_EQ(::listen(fd, 8), 0);
    ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
    const QString location = QStringLiteral("smb://127.0.0.1:%1/share").arg(ntohs(addr.sin_port));
    const CliRun r =
        cli({"net-connect", location, "G", "--user", user(), "--password-stdin"}, password(), "2");
    ::close(fd);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("Could Not assign")) << r.err.toStdString();
    EXPECT_LT(r.ms, 8000);
    EXPECT_FALSE(cli({"drives"}).out.contains("\ng: "));
}

TEST_F(RealServerTest, SftpFolderListsConnectsCopiesAndLeavesNoSshBehind)
{
    skipWithoutSftp();
    const QString home = g_server->env.value("SSH_HOME");
    const qsizetype logStart = bytes(g_server->scratch.path() + "/ssh/sshd.out").size();
    const CliRun connect =
        cli({"net-connect", sftp(home + "/dir"), "H:", "--user", user(), "--password-stdin"},
            password());
    ASSERT_EQ(connect.code, 0) << connect.err.toStdString();
    EXPECT_TRUE(connect.out.endsWith(home + "/dir\n")) << connect.out.toStdString();
    // The server was asked as the given user from the first try.
    const QByteArray log = bytes(g_server->scratch.path() + "/ssh/sshd.out").mid(logStart);
    EXPECT_FALSE(log.contains("user root")) << log.toStdString();

    // A folder of the server: listed within moments, not after gvfs's time-out.
    const QString mounted = sftp(home + "/dir").replace("sftp://", "sftp://" + user() + '@');
    const CliRun list = cli({"net-list", mounted}, {}, "10");
    EXPECT_EQ(list.code, 0) << list.err.toStdString();
    EXPECT_TRUE(list.out.contains("note.txt") && list.out.contains("inner"))
        << list.out.toStdString();
    EXPECT_LT(list.ms, 5000);
    const CliRun listed = cli({"list", "H:\\"});
    EXPECT_TRUE(listed.out.contains("note.txt\t9\t") && listed.out.contains("inner\t"))
        << listed.out.toStdString();

    QByteArray up(150000, '\0');
    for (int i = 0; i < up.size(); ++i)
        up[i] = char((i * 131) >> 2);
    drives.file("C:\\up.bin", 0, up);
    ASSERT_EQ(cli({"copy", "C:\\up.bin", "H:\\inner"}).code, 0);
    EXPECT_EQ(bytes(home + "/dir/inner/up.bin"), up);
    ASSERT_EQ(cli({"copy", "H:\\note.txt", "C:\\"}).code, 0);
    EXPECT_EQ(drives.read("C:\\note.txt"), QByteArray("over ssh\n"));

    ASSERT_EQ(cli({"net-disconnect", "H"}).code, 0);
    // No ssh of the connection outlives it.
    const QString port = "-p " + g_server->env.value("SSH_PORT");
    QElapsedTimer clock;
    clock.start();
    while (!processesWith(port).isEmpty() && clock.elapsed() < 10000)
        QThread::msleep(100);
    EXPECT_TRUE(processesWith(port).isEmpty()) << processesWith(port).join('\n').toStdString();
}

// Files of many copy blocks, one of them sparse, go to each server's drive
// and come back byte for byte: the blocks a network drive is given must
// neither drop nor repeat a byte at their seams, and a hole stays zeros.
TEST_F(RealServerTest, ManyBlockAndSparseFilesRoundTripOnBothServers)
{
    QByteArray big(3 * 1024 * 1024 + 12345, '\0');
    for (int i = 0; i < big.size(); ++i)
        big[i] = char((i * 2654435761u) >> 24);
    drives.file("C:\\many.bin", 0, big);
    // Data, a hole of megabytes, data, and a hole up to the end.
    QFile sparse(drives.root('C') + "/sparse.bin");
    ASSERT_TRUE(sparse.open(QIODevice::WriteOnly));
    sparse.write(QByteArray(5000, 'a'));
    sparse.seek(3 << 20);
    sparse.write(QByteArray(7000, 'b'));
    sparse.resize(6 << 20);
    sparse.close();
    const QByteArray holes = drives.read("C:\\sparse.bin");
    ASSERT_EQ(holes.size(), 6 << 20);

    QList<std::pair<QString, QString>> places = {{share(), g_server->env.value("SHARE_DIR")}};
    if (g_server->env.value("SFTP_SKIP").isEmpty())
        places.append({sftp(g_server->env.value("SSH_HOME")), g_server->env.value("SSH_HOME")});
    for (const auto& [location, dir] : places) {
        SCOPED_TRACE(location.toStdString());
        ASSERT_EQ(
            cli({"net-connect", location, "N", "--user", user(), "--password-stdin"}, password())
                .code,
            0);
        ASSERT_EQ(cli({"copy", "C:\\many.bin", "N:\\"}).code, 0);
        ASSERT_EQ(cli({"copy", "C:\\sparse.bin", "N:\\"}).code, 0);
        EXPECT_EQ(bytes(dir + "/many.bin"), big);
        EXPECT_EQ(bytes(dir + "/sparse.bin"), holes);
        EXPECT_TRUE(QDir(dir).entryList({"*.$$$"}, QDir::Files).isEmpty());

        QDir(drives.root('C')).mkpath("back");
        ASSERT_EQ(cli({"copy", "N:\\many.bin", "C:\\back"}).code, 0);
        ASSERT_EQ(cli({"copy", "N:\\sparse.bin", "C:\\back"}).code, 0);
        EXPECT_EQ(drives.read("C:\\back\\many.bin"), big);
        EXPECT_EQ(drives.read("C:\\back\\sparse.bin"), holes);
        QDir(drives.root('C') + "/back").removeRecursively();
        QFile::remove(dir + "/many.bin");
        QFile::remove(dir + "/sparse.bin");
        EXPECT_EQ(cli({"net-disconnect", "N"}).code, 0);
    }
}

TEST_F(RealServerTest, FolderInsideAShareBecomesTheDrive)
{
    const CliRun sub = cli(
        {"net-connect", share("share/sub"), "K", "--user", user(), "--password-stdin"}, password());
    ASSERT_EQ(sub.code, 0) << sub.err.toStdString();
    EXPECT_TRUE(sub.out.endsWith("/sub\n")) << sub.out.toStdString();
    const CliRun list = cli({"list", "K:\\"});
    EXPECT_TRUE(list.out.contains("deep.txt\t5\t")) << list.out.toStdString();
    EXPECT_FALSE(list.out.contains("hello.txt")) << list.out.toStdString();
    EXPECT_TRUE(cli({"drives"}).out.contains("\nk: sub\tremote\n"));
    ASSERT_EQ(cli({"net-disconnect", "K"}).code, 0);

    for (const QString& missing : {share("share/nosuch"), sftp("/nonexistent-dir")}) {
        if (missing.startsWith("sftp") && !g_server->env.value("SFTP_SKIP").isEmpty())
            continue;
        const CliRun r =
            cli({"net-connect", missing, "K", "--user", user(), "--password-stdin"}, password());
        EXPECT_EQ(r.code, 2);
        EXPECT_TRUE(r.err.contains("does not exist")) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("gvfsd-fuse")) << r.err.toStdString();
    }
    // A link on the server is no folder of it: through the FUSE directory it
    // would lead to this machine's /etc.
    if (g_server->env.value("SFTP_SKIP").isEmpty()) {
        const CliRun link = cli({"net-connect", sftp(g_server->env.value("SSH_HOME") + "/link"),
                                 "K", "--user", user(), "--password-stdin"},
                                password());
        EXPECT_EQ(link.code, 2);
        EXPECT_TRUE(link.err.contains("is not a folder")) << link.err.toStdString();
    }
    EXPECT_FALSE(cli({"drives"}).out.contains("\nk: "));
}

TEST_F(RealServerTest, NoPasswordOrControlCharacterIsPrinted)
{
    const QString secret = QStringLiteral("Sekr3t@Value");
    const QString port = g_server->env.value("SMB_PORT");
    const QStringList locations = {
        QStringLiteral("smb://%1:%2@127.0.0.1:1/share").arg(user(), secret),
        QStringLiteral("smb://%1:%2@127.0.0.1:%3/nosuch").arg(user(), secret, port),
        QStringLiteral("smb://%1:%2@127.0.0.1:%3/sh\nare\r").arg(user(), secret, port),
        QStringLiteral("smb://%1:%2@127.0.0.1:%3/share").arg(user(), secret, port),
    };
    for (const QString& location : locations) {
        const CliRun r = cli({"net-connect", location, "L"}, {}, "5");
        EXPECT_FALSE(r.out.contains(secret) || r.err.contains(secret)) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains('\r'));
        // One message, one line.
        EXPECT_LE(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_FALSE(recordsText().contains(secret));
    }
    cli({"net-disconnect", "L"});
}

TEST_F(RealServerTest, OnlyALiveMountOfTheRecordedLocationIsADrive)
{
    ASSERT_EQ(
        cli({"net-connect", share(), "E", "--user", user(), "--password-stdin"}, password()).code,
        0);
    const QString records = recordsText();
    const QString mountDir = records.section('\t', 4, 4).section('\n', 0, 0);
    ASSERT_TRUE(mountDir.startsWith(g_server->env.value("FUSE_DIR"))) << records.toStdString();

    // Records naming other places: a RAM disk, /proc, a plain directory,
    // and the live mount under another location.
    QTemporaryDir outside;
    QByteArray hostile = records.toUtf8();
    hostile += "drive\tP\t0\tsmb://127.0.0.1/share\t/proc\n";
    hostile += "drive\tQ\t0\tsmb://127.0.0.1/share\t/dev/shm\n";
    hostile += "drive\tR\t0\tsmb://127.0.0.1/share\t" + outside.path().toUtf8() + "\n";
    hostile += "drive\tS\t0\tsmb://127.0.0.1:9/other\t" + mountDir.toUtf8() + "\n";
    QFile file(drives.programDir() + "/netdrives.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(hostile);
    // Past the limit: junk after the valid records loses none of them.
    file.write(QByteArray(1100 * 1024, 'x'));
    file.close();

    const CliRun list = cli({"drives"});
    EXPECT_TRUE(list.out.contains("\ne: share\tremote\n")) << list.out.toStdString();
    for (const char* letter : {"\np: ", "\nq: ", "\nr: ", "\ns: "})
        EXPECT_FALSE(list.out.contains(letter)) << list.out.toStdString();
    EXPECT_TRUE(list.err.contains("longer than 1 MiB")) << list.err.toStdString();
    drives.file("C:\\x.txt", 0, "x");
    EXPECT_NE(cli({"copy", "C:\\x.txt", "R:\\"}).code, 0);
    EXPECT_TRUE(QDir(outside.path()).isEmpty());
    ASSERT_EQ(cli({"net-disconnect", "E"}).code, 0);
    EXPECT_TRUE(mountsNow().isEmpty()) << mountsNow().join(' ').toStdString();
}

TEST_F(RealServerTest, AFrozenServerIsNotReadyWithinTheTimeLimit)
{
    ASSERT_EQ(
        cli({"net-connect", share(), "E", "--user", user(), "--password-stdin"}, password()).code,
        0);
    signalServer("smbd", SIGSTOP);
    const CliRun frozen = cli({"list", "E:\\"}, {}, "2");
    const CliRun again = cli({"list", "E:\\sub"}, {}, "2");
    signalServer("smbd", SIGCONT);
    EXPECT_EQ(frozen.code, 2);
    EXPECT_TRUE(frozen.err.contains("Drive e not ready")) << frozen.err.toStdString();
    EXPECT_LT(frozen.ms, 5000);
    EXPECT_TRUE(again.err.contains("Drive e not ready")) << again.err.toStdString();
    EXPECT_LT(again.ms, 5000);
    // Answering again, it lists as before.
    const CliRun thawed = cli({"list", "E:\\"});
    EXPECT_TRUE(thawed.out.contains("hello.txt")) << thawed.err.toStdString();
    EXPECT_EQ(cli({"net-disconnect", "E"}).code, 0);

    if (!g_server->env.value("SFTP_SKIP").isEmpty())
        return;
    const QString home = g_server->env.value("SSH_HOME");
    ASSERT_EQ(
        cli({"net-connect", sftp(home), "F", "--user", user(), "--password-stdin"}, password())
            .code,
        0);
    signalServer("sshd", SIGSTOP);
    const CliRun sftpFrozen = cli({"list", "F:\\dir"}, {}, "2");
    signalServer("sshd", SIGCONT);
    EXPECT_TRUE(sftpFrozen.err.contains("Drive f not ready")) << sftpFrozen.err.toStdString();
    EXPECT_LT(sftpFrozen.ms, 5000);
    EXPECT_TRUE(cli({"list", "F:\\dir"}).out.contains("note.txt"));
    EXPECT_EQ(cli({"net-disconnect", "F"}).code, 0);
}

TEST_F(RealServerTest, ACopyCutOffNeverLeavesAHalfFileUnderItsName)
{
    ASSERT_EQ(
        cli({"net-connect", share(), "E", "--user", user(), "--password-stdin"}, password()).code,
        0);
    const QString shareDir = g_server->env.value("SHARE_DIR");
    QByteArray big(40 * 1024 * 1024, '\0');
    for (int i = 0; i < big.size(); i += 4096)
        big[i] = char(i >> 12);
    drives.file("C:\\big.bin", 0, big);

    QProcess copy;
    QProcessEnvironment e = QProcessEnvironment::systemEnvironment();
    for (const char* key :
         {"XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS", "GVFS_REMOTE_VOLUME_MONITOR_IGNORE"})
        e.insert(key, g_server->env.value(key));
    copy.setProcessEnvironment(e);
    copy.start(QStringLiteral(DOVEX_CLI), {"copy", "C:\\big.bin", "E:\\"});
    // Once the copy is under way, the server's connection goes away.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 20000 && copy.state() != QProcess::NotRunning &&
           QDir(shareDir).entryList({"*.$$$"}, QDir::Files).isEmpty())
        QThread::msleep(5);
    for (const pid_t pid : serverProcesses("smbd").mid(1))
        ::kill(pid, SIGKILL);
    copy.waitForFinished(60000);
    // The error names the file on its own line, never with a raw carriage
    // return that would overwrite it on a terminal.
    EXPECT_FALSE(copy.readAllStandardError().contains('\r'));
    const QString whole = shareDir + "/big.bin";
    EXPECT_TRUE(!QFile::exists(whole) || bytes(whole) == big)
        << "a part of " << QFileInfo(whole).size() << " bytes under the real name";
    cli({"net-disconnect", "E"});
}

} // namespace dovex::test
