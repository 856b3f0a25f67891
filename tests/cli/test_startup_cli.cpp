// What dovex-cli loads before its first command runs: the libraries only
// some commands need (archives, zip, GIO) come at their first call, so a
// listing does not pay for them; a command that needs one still finds it.
#include "support/drivefixture.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

QString output(const QStringList& args, const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(DOVEX_CLI), args);
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
    }
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

} // namespace

TEST(StartupCli, TheArchiveZipAndGioLibrariesWaitForTheirFirstCall)
{
#ifndef DOVEX_LAZY_LIBRARIES
    GTEST_SKIP() << "built with every library loaded at the start";
#endif
    DriveFixture drives;
    drives.file("C:\\a.txt", 5);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The dynamic loader names what it loads at the start, and stops there.
    env.insert(QStringLiteral("LD_TRACE_LOADED_OBJECTS"), QStringLiteral("1"));
    const QString loaded = output({QStringLiteral("list"), QStringLiteral("C:\\")}, env);
    EXPECT_TRUE(loaded.contains(QLatin1String("libQt6Core"))) << loaded.toStdString();
    for (const char* lazy : {"libarchive", "libzip", "libgio", "libgobject", "libmspack",
                             "libdeflate", "libcrypto", "libxml2"})
        EXPECT_FALSE(loaded.contains(QLatin1String(lazy))) << lazy << " is loaded at the start";

    // Compressing and listing the archive go through libzip, loaded then.
    env.remove(QStringLiteral("LD_TRACE_LOADED_OBJECTS"));
    output({QStringLiteral("compress"), QStringLiteral("C:\\a.txt"), QStringLiteral("--to"),
            QStringLiteral("C:\\a")},
           env);
    EXPECT_TRUE(output({QStringLiteral("archive"), QStringLiteral("C:\\a.zip")}, env)
                    .contains(QLatin1String("a.txt")));
}

} // namespace dovex::test
