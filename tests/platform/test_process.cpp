#include "platform/process.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace dovex;
using namespace std::chrono_literals;

namespace {

QString script(const QTemporaryDir& dir, const QString& name, const QByteArray& body)
{
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\n" + body + "\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// A process that has ended is gone, or a zombie waiting for a parent that
// is not us.
bool alive(pid_t pid)
{
    if (::kill(pid, 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close < 0 || text.mid(close + 2, 1) != "Z";
}

} // namespace

TEST(Process, AChildGivesBackItsBytesOrNothingWhenItFails)
{
    const QByteArray big(300000, 'x'); // more than a pipe holds at once
    EXPECT_EQ(process::runInChild([&big] { return big + "end"; }), big + "end");
    EXPECT_EQ(process::runInChild([] { return QByteArray(); }), QByteArray());
    EXPECT_FALSE(process::runInChild([]() -> QByteArray { ::_exit(3); }));
    EXPECT_FALSE(process::runInChild([]() -> QByteArray {
        ::kill(::getpid(), SIGKILL);
        return {};
    }));
}

TEST(Process, ReportsExitCodesAndSignals)
{
    QTemporaryDir dir;
    process::Spec spec;
    spec.program = script(dir, QStringLiteral("exit3"), "exit 3");
    process::Outcome out = process::run(spec);
    EXPECT_EQ(out.ending, process::Ending::Exited);
    EXPECT_EQ(out.exitCode, 3);

    spec.program = script(dir, QStringLiteral("killed"), "kill -9 $$");
    out = process::run(spec);
    EXPECT_EQ(out.ending, process::Ending::Signalled);
    EXPECT_EQ(out.exitCode, SIGKILL);

    spec.program = QStringLiteral("true");
    out = process::run(spec);
    EXPECT_EQ(out.ending, process::Ending::Exited);
    EXPECT_EQ(out.exitCode, 0);
}

TEST(Process, MissingOrUnrunnableProgramIsNotStarted)
{
    QTemporaryDir dir;
    process::Spec spec;
    spec.program = dir.filePath(QStringLiteral("no-such-tool"));
    process::Outcome out = process::run(spec);
    EXPECT_EQ(out.ending, process::Ending::NotStarted);
    EXPECT_FALSE(out.error.isEmpty());

    QFile plain(dir.filePath(QStringLiteral("plain")));
    plain.open(QIODevice::WriteOnly);
    plain.close();
    spec.program = plain.fileName();
    EXPECT_EQ(process::run(spec).ending, process::Ending::NotStarted);

    // Executable but not a valid program: exec itself fails.
    spec.program = script(dir, QStringLiteral("badinterp"), "");
    QFile f(spec.program);
    f.open(QIODevice::WriteOnly);
    f.write("#!/nonexistent/interpreter\n");
    f.close();
    out = process::run(spec);
    EXPECT_EQ(out.ending, process::Ending::NotStarted);
    EXPECT_FALSE(out.error.isEmpty());

    spec.program = QStringLiteral("true");
    spec.workingDirectory = dir.filePath(QStringLiteral("missing-dir"));
    EXPECT_EQ(process::run(spec).ending, process::Ending::NotStarted);
}

TEST(Process, ArgumentsArriveWordForWordInTheWorkingDirectory)
{
    QTemporaryDir dir;
    const QString sub = dir.filePath(QStringLiteral("wörk dir"));
    QDir().mkpath(sub);
    process::Spec spec;
    spec.program = script(dir, QStringLiteral("args"),
                          "pwd; for a in \"$@\"; do printf '[%s]\\n' \"$a\"; done");
    spec.arguments = {QStringLiteral("a b"), QStringLiteral("$HOME;*"), QStringLiteral("'\"`x`"),
                      QString(QChar(0xDC80 + 0x7F)) + QStringLiteral("raw"), QString()};
    spec.workingDirectory = sub;
    spec.captureOutput = true;
    const process::Outcome out = process::run(spec);
    ASSERT_EQ(out.ending, process::Ending::Exited);
    const QByteArray expected =
        QFile::encodeName(sub) + "\n[a b]\n[$HOME;*]\n['\"`x`]\n[\xFFraw]\n[]\n";
    EXPECT_EQ(out.output, expected);
}

TEST(Process, CaptureIsBoundedAndStdinComesFromAFile)
{
    QTemporaryDir dir;
    QFile in(dir.filePath(QStringLiteral("in")));
    in.open(QIODevice::WriteOnly);
    in.write("line one\nline two\n");
    in.close();
    process::Spec spec;
    spec.program = QStringLiteral("cat");
    spec.stdinFile = in.fileName();
    spec.captureOutput = true;
    EXPECT_EQ(process::run(spec).output, QByteArray("line one\nline two\n"));

    spec.program = script(dir, QStringLiteral("flood"), "head -c 300000 /dev/zero");
    spec.stdinFile.clear();
    spec.captureLimit = 1000;
    const process::Outcome out = process::run(spec);
    EXPECT_EQ(out.ending, process::Ending::Exited);
    EXPECT_EQ(out.output.size(), 1000);
    EXPECT_TRUE(out.outputCut);
}

TEST(Process, AbortEndsTheProgramAndEverythingItStarted)
{
    QTemporaryDir dir;
    const QString pids = dir.filePath(QStringLiteral("pids"));
    process::Spec spec;
    // The grandchild ignores TERM, so only the KILL after the grace ends it.
    spec.program =
        script(dir, QStringLiteral("hang"),
               "(trap '' TERM; sleep 300) & echo $! >\"$1\"; sleep 300 & echo $! >>\"$1\"; wait");
    spec.arguments = {pids};
    spec.graceOnAbort = 300ms;
    int calls = 0;
    const auto started = std::chrono::steady_clock::now();
    const process::Outcome out = process::run(spec, [&] {
        ++calls;
        return QFile(pids).size() > 0 && std::chrono::steady_clock::now() - started > 300ms;
    });
    EXPECT_EQ(out.ending, process::Ending::Aborted);
    EXPECT_GT(calls, 2);
    EXPECT_LT(std::chrono::steady_clock::now() - started, 10s);

    QFile f(pids);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    for (const QByteArray& line : lines) {
        const pid_t pid = line.toInt();
        ASSERT_GT(pid, 0);
        bool gone = false;
        for (int i = 0; i < 100 && !gone; ++i) {
            gone = !alive(pid);
            if (!gone)
                std::this_thread::sleep_for(20ms);
        }
        EXPECT_TRUE(gone) << "process " << pid << " outlived the abort";
    }
}

TEST(Process, KeepAliveRunsWhileTheProgramWorks)
{
    process::Spec spec;
    spec.program = QStringLiteral("sleep");
    spec.arguments = {QStringLiteral("0.4")};
    int calls = 0;
    const process::Outcome out = process::run(spec, [&] {
        ++calls;
        return false;
    });
    EXPECT_EQ(out.ending, process::Ending::Exited);
    EXPECT_GE(calls, 4);
}
