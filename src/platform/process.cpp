#include "platform/process.h"

#include "platform/hostname.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace dovex::process {

namespace {

using Clock = std::chrono::steady_clock;

struct Fd {
    int fd = -1;
    Fd() = default;
    explicit Fd(int f) : fd(f) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    void reset(int f = -1)
    {
        if (fd >= 0)
            ::close(fd);
        fd = f;
    }
};

QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// Everything the child needs, prepared before fork: after it only
// async-signal-safe calls are allowed.
struct ChildPlan {
    QByteArray program;
    std::vector<QByteArray> args;
    std::vector<char*> argv;
    QByteArray directory;
    int stdinFd = -1;
    int outFd = -1;
    int nullFd = -1;
    int errorFd = -1;
    int terminalFd = -1;
    bool stdinGiven = false;
};

[[noreturn]] void childExec(const ChildPlan& plan)
{
    int err = 0;
    // A session of its own makes the terminal its controlling one (and the
    // session's group is the group an abort ends).
    if (plan.terminalFd < 0)
        ::setpgid(0, 0);
    else if (::setsid() < 0 || ::ioctl(plan.terminalFd, TIOCSCTTY, 0) != 0)
        err = errno;
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    if (!err && !plan.directory.isEmpty() && ::chdir(plan.directory.constData()) != 0)
        err = errno;
    if (!err) {
        const bool tty = plan.terminalFd >= 0;
        const int in = tty && !plan.stdinGiven ? plan.terminalFd : plan.stdinFd;
        const int out = tty ? plan.terminalFd : plan.outFd >= 0 ? plan.outFd : plan.nullFd;
        if (::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0)
            err = errno;
    }
    if (!err) {
        ::execve(plan.program.constData(), plan.argv.data(), environ);
        err = errno;
    }
    // Tell the parent why, then leave without running any of its handlers.
    [[maybe_unused]] auto n = ::write(plan.errorFd, &err, sizeof err);
    ::_exit(127);
}

// vfork: the child only sets itself up and execs, so copying the page
// tables of a large process (the window, with Qt loaded) would be waste; it
// costs milliseconds per archiver run. Kept in a frame of its own, which the
// child never returns to.
__attribute__((noinline)) pid_t spawnChild(const ChildPlan& plan)
{
    const pid_t pid = ::vfork();
    if (pid == 0)
        childExec(plan);
    return pid;
}

// Reads what is there; true once the writers are all gone.
bool drain(int fd, Outcome& outcome, qsizetype limit)
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0)
            return true;
        if (n < 0)
            return errno != EAGAIN && errno != EINTR;
        const qsizetype room = limit - outcome.output.size();
        if (room < n)
            outcome.outputCut = true;
        if (room > 0)
            outcome.output.append(buffer, std::min<qsizetype>(room, n));
    }
}

bool reapIfDone(pid_t pid, int& status, bool block)
{
    for (;;) {
        const pid_t r = ::waitpid(pid, &status, block ? 0 : WNOHANG);
        if (r == pid)
            return true;
        if (r < 0 && errno == EINTR)
            continue;
        return false;
    }
}

// Ends the whole group: a polite request first, then no choice. The group
// outlives its leader while any member lives, so KILL goes out in any case.
void endGroup(pid_t pid, std::chrono::milliseconds grace, int& status)
{
    ::kill(-pid, SIGTERM);
    const auto until = Clock::now() + grace;
    bool reaped = false;
    while (!(reaped = reapIfDone(pid, status, false)) && Clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ::kill(-pid, SIGKILL);
    if (!reaped)
        reapIfDone(pid, status, true);
}

} // namespace

bool isExecutableFile(const QString& hostPath)
{
    const QByteArray path = hostname::encode(hostPath);
    struct stat st {};
    return !path.isEmpty() && ::stat(path.constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::access(path.constData(), X_OK) == 0;
}

QString findExecutable(const QString& name)
{
    if (name.isEmpty())
        return {};
    if (name.contains(QLatin1Char('/')))
        return isExecutableFile(name) ? name : QString();
    const QByteArray path = qgetenv("PATH");
    for (const QByteArray& dir : path.split(':')) {
        const QString candidate =
            hostname::decode(dir.isEmpty() ? QByteArray(".") : dir) + QLatin1Char('/') + name;
        if (isExecutableFile(candidate))
            return candidate;
    }
    return {};
}

Outcome run(const Spec& spec, const KeepAlive& keepAlive)
{
    Outcome outcome;
    const QString program = findExecutable(spec.program);
    if (program.isEmpty()) {
        outcome.error = QStringLiteral("%1: no such program").arg(spec.program);
        return outcome;
    }

    ChildPlan plan;
    plan.program = hostname::encode(program);
    plan.args.push_back(plan.program);
    for (const QString& a : spec.arguments) {
        QByteArray bytes = hostname::encode(a);
        if (bytes.contains('\0')) {
            outcome.error = QStringLiteral("an argument holds a NUL byte");
            return outcome;
        }
        plan.args.push_back(std::move(bytes));
    }
    for (QByteArray& a : plan.args)
        plan.argv.push_back(a.data());
    plan.argv.push_back(nullptr);
    plan.directory = hostname::encode(spec.workingDirectory);

    const QByteArray input =
        spec.stdinFile.isEmpty() ? QByteArray("/dev/null") : hostname::encode(spec.stdinFile);
    Fd in(::open(input.constData(), O_RDONLY | O_CLOEXEC));
    Fd null(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (in.fd < 0 || null.fd < 0) {
        outcome.error = systemError(errno);
        return outcome;
    }
    int errorPipe[2];
    if (::pipe2(errorPipe, O_CLOEXEC) != 0) {
        outcome.error = systemError(errno);
        return outcome;
    }
    Fd errRead(errorPipe[0]), errWrite(errorPipe[1]);
    Fd outRead, outWrite;
    if (spec.captureOutput) {
        int outPipe[2];
        if (::pipe2(outPipe, O_CLOEXEC) != 0) {
            outcome.error = systemError(errno);
            return outcome;
        }
        outRead.reset(outPipe[0]);
        outWrite.reset(outPipe[1]);
        ::fcntl(outRead.fd, F_SETFL, O_NONBLOCK);
    }
    plan.stdinFd = in.fd;
    plan.nullFd = null.fd;
    plan.outFd = outWrite.fd;
    plan.errorFd = errWrite.fd;
    plan.terminalFd = spec.terminalFd;
    plan.stdinGiven = !spec.stdinFile.isEmpty();

    const pid_t pid = spawnChild(plan);
    if (pid < 0) {
        outcome.error = systemError(errno);
        return outcome;
    }
    // Set here too, so the group exists before any abort can name it (a
    // session leader has its group already: vfork let it run first).
    if (spec.terminalFd < 0)
        ::setpgid(pid, pid);
    errWrite.reset();
    outWrite.reset();

    int childErr = 0;
    ssize_t got;
    do
        got = ::read(errRead.fd, &childErr, sizeof childErr);
    while (got < 0 && errno == EINTR);
    int status = 0;
    if (got == sizeof childErr) {
        reapIfDone(pid, status, true);
        outcome.error = systemError(childErr);
        return outcome;
    }

    // A pidfd wakes the wait the moment the program ends, so a short run
    // costs no polling delay; without one the loop simply polls.
    Fd exitFd(int(::syscall(SYS_pidfd_open, pid, 0)));
    bool aborted = false;
    auto nextCheck = Clock::now();
    for (;;) {
        pollfd p[2];
        nfds_t n = 0;
        if (exitFd.fd >= 0)
            p[n++] = {exitFd.fd, POLLIN, 0};
        const nfds_t outIndex = n;
        if (outRead.fd >= 0)
            p[n++] = {outRead.fd, POLLIN, 0};
        if (n == 0)
            std::this_thread::sleep_for(spec.pollInterval);
        else if (::poll(p, n, int(spec.pollInterval.count())) > 0 && outIndex < n) {
            if ((p[outIndex].revents & (POLLIN | POLLHUP | POLLERR)) &&
                drain(outRead.fd, outcome, spec.captureLimit))
                outRead.reset();
        }
        if (reapIfDone(pid, status, false))
            break;
        if (!keepAlive || Clock::now() < nextCheck)
            continue;
        nextCheck = Clock::now() + spec.pollInterval;
        if (keepAlive()) {
            endGroup(pid, spec.graceOnAbort, status);
            aborted = true;
            break;
        }
    }
    // What the program wrote before it ended; a grandchild that keeps the
    // pipe open is not waited for.
    if (outRead.fd >= 0)
        drain(outRead.fd, outcome, spec.captureLimit);

    if (aborted) {
        outcome.ending = Ending::Aborted;
        outcome.exitCode = 0;
    } else if (WIFSIGNALED(status)) {
        outcome.ending = Ending::Signalled;
        outcome.exitCode = WTERMSIG(status);
    } else {
        outcome.ending = Ending::Exited;
        outcome.exitCode = WEXITSTATUS(status);
    }
    return outcome;
}

QString writeUniqueFile(const QString& hostDir, const QString& prefix, const QString& suffix,
                        const QByteArray& text)
{
    QByteArray pattern =
        hostname::encode(hostDir + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX") + suffix);
    const int fd = ::mkostemps(pattern.data(), int(hostname::encode(suffix).size()), O_CLOEXEC);
    if (fd < 0)
        return {};
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ::close(fd);
            ::unlink(pattern.constData());
            return {};
        }
        done += n;
    }
    if (::close(fd) != 0) {
        ::unlink(pattern.constData());
        return {};
    }
    return hostname::decode(pattern);
}

QString makeUniqueDirectory(const QString& hostDir, const QString& prefix)
{
    QByteArray pattern = hostname::encode(hostDir + QLatin1Char('/') + prefix +
                                          QStringLiteral("XXXXXX"));
    return ::mkdtemp(pattern.data()) ? hostname::decode(pattern) : QString();
}

bool makeLink(const QString& targetHostPath, const QString& linkHostPath)
{
    return ::symlink(hostname::encode(targetHostPath).constData(),
                     hostname::encode(linkHostPath).constData()) == 0;
}

} // namespace dovex::process
