// Network drives against a real Samba server on the loopback address,
// mounted through a private session bus and gvfs, driven through dovex-cli.
// Where a piece cannot run here (no FUSE, no smbd, not root) every case
// skips with the reason netserver.sh gave; the recording stub covers the
// same paths in test_netdrives.cpp.
#include "support/drivefixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    void stop()
    {
        QProcess::execute(QStringLiteral(DOVEX_NET_SERVER), {"stop", scratch.path()});
    }
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
        for (const char* key : {"XDG_RUNTIME_DIR", "DBUS_SESSION_BUS_ADDRESS",
                                "GVFS_REMOTE_VOLUME_MONITOR_IGNORE"})
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

    DriveFixture drives{QStringLiteral("C")};
};

} // namespace

TEST_F(RealServerTest, ConnectListCopyBothWaysAndDisconnect)
{
    const CliRun connect = cli({"net-connect", share(), "E:", "--user", user(), "--password-stdin"}, password());
    ASSERT_EQ(connect.code, 0) << connect.err.toStdString();
    EXPECT_LT(connect.ms, 15000);
    EXPECT_TRUE(connect.out.startsWith("E:\t" + g_server->env.value("FUSE_DIR") + "/")) << connect.out.toStdString();
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
    const CliRun twice = cli({"net-connect", share(), "E", "--user", user(), "--password-stdin"}, password());
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
    const CliRun wrong = cli({"net-connect", share(), "F", "--user", user(), "--password-stdin"}, "not-it\n");
    EXPECT_EQ(wrong.code, 2);
    EXPECT_TRUE(wrong.err.contains("Password incorrect")) << wrong.err.toStdString();
    EXPECT_LT(wrong.ms, 15000);

    const CliRun missing = cli({"net-connect", share("nosuch"), "F", "--user", user(), "--password-stdin"}, password());
    EXPECT_EQ(missing.code, 2);
    EXPECT_TRUE(missing.err.contains("Could Not assign")) << missing.err.toStdString();

    const CliRun closed = cli({"net-connect", "smb://127.0.0.1:1/share", "F", "--user", user(), "--password-stdin"},
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
    const CliRun r = cli({"net-connect", location, "G", "--user", user(), "--password-stdin"}, password(), "2");
    ::close(fd);
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("Could Not assign")) << r.err.toStdString();
    EXPECT_LT(r.ms, 8000);
    EXPECT_FALSE(cli({"drives"}).out.contains("\ng: "));
}

} // namespace dovex::test
