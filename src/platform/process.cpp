#include "platform/process.h"

#include "platform/hostname.h"
#include "platform/uniquefd.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
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

QString systemError(int err)
{
    return QString::fromLocal8Bit(std::strerror(err));
}

// The process groups run() waits for, for the termination handlers: a
// fixed table of atomics, the only kind of state a signal handler may read.
constexpr int kGroupSlots = 16;
std::atomic<pid_t> g_groups[kGroupSlots];
std::atomic<int> g_scopes{0};
std::atomic<int> g_heldSignal{0};
std::atomic<int> g_wakeRead{-1};
std::atomic<int> g_wakeWrite{-1};

void signalGroups(int sig)
{
    for (std::atomic<pid_t>& group : g_groups) {
        const pid_t pgid = group.load();
        if (pgid > 0)
            ::kill(-pgid, sig);
    }
}

// Known to the handlers for as long as the program runs.
class RunningGroup {
public:
    explicit RunningGroup(pid_t pgid)
    {
        for (std::atomic<pid_t>& group : g_groups) {
            pid_t free = 0;
            if (group.compare_exchange_strong(free, pgid)) {
                m_slot = &group;
                return;
            }
        }
    }
    ~RunningGroup()
    {
        if (m_slot)
            m_slot->store(0);
    }
    RunningGroup(const RunningGroup&) = delete;
    RunningGroup& operator=(const RunningGroup&) = delete;

private:
    std::atomic<pid_t>* m_slot = nullptr;
};

void defaultAction(int sig)
{
    struct sigaction sa {};
    sa.sa_handler = SIG_DFL;
    sigemptyset(&sa.sa_mask);
    ::sigaction(sig, &sa, nullptr);
}

// Only async-signal-safe calls: kill, sigaction, raise, write.
void onTermination(int sig)
{
    const int saved = errno;
    signalGroups(SIGTERM);
    if (g_scopes.load() == 0) {
        // Nobody will wait for a program to end: it goes at once.
        signalGroups(SIGKILL);
        defaultAction(sig);
        ::raise(sig);
    } else {
        int none = 0;
        g_heldSignal.compare_exchange_strong(none, sig);
        const int fd = g_wakeWrite.load();
        if (fd >= 0) {
            [[maybe_unused]] const auto n = ::write(fd, "", 1);
        }
    }
    errno = saved;
}

void killGroupsAtExit()
{
    signalGroups(SIGKILL);
}

[[noreturn]] void deliverHeldSignal(int sig)
{
    defaultAction(sig);
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, sig);
    ::sigprocmask(SIG_UNBLOCK, &set, nullptr);
    ::raise(sig);
    ::_exit(128 + sig);
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
    pid_t parent = 0;
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
    // Should this process die without ending it, the program goes too.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != plan.parent)
        ::_exit(127);
    // The termination handlers are this process's; the program starts
    // with the default actions (a caught signal's handler would otherwise
    // run here, in memory shared with the parent).
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        defaultAction(sig);
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
    // No handler may run in the child before it has reset them all.
    sigset_t all, old;
    sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &old);
    const pid_t pid = ::vfork();
    if (pid == 0)
        childExec(plan);
    const int err = errno;
    ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
    errno = err;
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

// The descriptors the child is given: standard input, /dev/null, the pipe
// that tells why exec failed, and the output pipe when it is captured.
struct ChildFds {
    UniqueFd in, null, errRead, errWrite, outRead, outWrite;
};

// False (errno set) when one cannot be had.
bool openChildFds(const Spec& spec, ChildFds& fds)
{
    const QByteArray input =
        spec.stdinFile.isEmpty() ? QByteArray("/dev/null") : hostname::encode(spec.stdinFile);
    fds.in.reset(::open(input.constData(), O_RDONLY | O_CLOEXEC));
    fds.null.reset(::open("/dev/null", O_WRONLY | O_CLOEXEC));
    if (fds.in.get() < 0 || fds.null.get() < 0)
        return false;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return false;
    fds.errRead.reset(pipe[0]);
    fds.errWrite.reset(pipe[1]);
    if (!spec.captureOutput)
        return true;
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return false;
    fds.outRead.reset(pipe[0]);
    fds.outWrite.reset(pipe[1]);
    ::fcntl(fds.outRead.get(), F_SETFL, O_NONBLOCK);
    return true;
}

// The program and its arguments as the child execs them; false when an
// argument holds a NUL byte (it could not arrive whole).
bool planArguments(const Spec& spec, const QString& program, ChildPlan& plan)
{
    plan.program = hostname::encode(program);
    plan.args.push_back(plan.program);
    for (const QString& a : spec.arguments) {
        QByteArray bytes = hostname::encode(a);
        if (bytes.contains('\0'))
            return false;
        plan.args.push_back(std::move(bytes));
    }
    for (QByteArray& a : plan.args)
        plan.argv.push_back(a.data());
    plan.argv.push_back(nullptr);
    plan.directory = hostname::encode(spec.workingDirectory);
    return true;
}

// Waits until the program has ended, reading what it writes; ends its group
// when keepAlive asks or a termination signal was caught. True then.
bool waitFor(pid_t pid, const Spec& spec, const KeepAlive& keepAlive, UniqueFd& outRead,
             Outcome& outcome, int& status)
{
    // A pidfd wakes the wait the moment the program ends, so a short run
    // costs no polling delay; without one the loop simply polls.
    const UniqueFd exitFd(int(::syscall(SYS_pidfd_open, pid, 0)));
    auto nextCheck = Clock::now();
    for (;;) {
        pollfd p[3];
        nfds_t n = 0;
        if (exitFd.get() >= 0)
            p[n++] = {exitFd.get(), POLLIN, 0};
        if (g_wakeRead.load() >= 0)
            p[n++] = {g_wakeRead.load(), POLLIN, 0};
        const nfds_t outIndex = n;
        if (outRead.get() >= 0)
            p[n++] = {outRead.get(), POLLIN, 0};
        if (n == 0)
            std::this_thread::sleep_for(spec.pollInterval);
        else if (::poll(p, n, int(spec.pollInterval.count())) > 0 && outIndex < n) {
            if ((p[outIndex].revents & (POLLIN | POLLHUP | POLLERR)) &&
                drain(outRead.get(), outcome, spec.captureLimit))
                outRead.reset();
        }
        if (reapIfDone(pid, status, false))
            return false;
        bool stop = terminationPending();
        if (!stop && keepAlive && Clock::now() >= nextCheck) {
            nextCheck = Clock::now() + spec.pollInterval;
            stop = keepAlive();
        }
        if (stop) {
            endGroup(pid, spec.graceOnAbort, status);
            return true;
        }
    }
}

void setEnding(Outcome& outcome, bool aborted, int status)
{
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

void installTerminationHandlers()
{
    if (g_wakeWrite.load() >= 0)
        return;
    int wake[2];
    if (::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    g_wakeRead.store(wake[0]);
    g_wakeWrite.store(wake[1]);
    struct sigaction sa {};
    sa.sa_handler = onTermination;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
    std::atexit(killGroupsAtExit);
}

CleanupScope::CleanupScope()
{
    g_scopes.fetch_add(1);
}

CleanupScope::~CleanupScope()
{
    if (g_scopes.fetch_sub(1) != 1)
        return;
    if (const int sig = g_heldSignal.load())
        deliverHeldSignal(sig);
}

bool terminationPending()
{
    return g_heldSignal.load() != 0;
}

bool waitForInput(int fd)
{
    while (!terminationPending()) {
        pollfd p[2] = {{fd, POLLIN, 0}, {g_wakeRead.load(), POLLIN, 0}};
        const int n = ::poll(p, p[1].fd >= 0 ? 2 : 1, -1);
        if (n > 0 && (p[0].revents & (POLLIN | POLLHUP | POLLERR)))
            return !terminationPending();
        if (n < 0 && errno != EINTR)
            return false;
    }
    return false;
}

namespace {

// The child's side of the descriptors, as the spawned child takes them.
void giveChildFds(const Spec& spec, const ChildFds& fds, ChildPlan& plan)
{
    plan.stdinFd = fds.in.get();
    plan.nullFd = fds.null.get();
    plan.outFd = fds.outWrite.get();
    plan.errorFd = fds.errWrite.get();
    plan.parent = ::getpid();
    plan.terminalFd = spec.terminalFd;
    plan.stdinGiven = !spec.stdinFile.isEmpty();
}

// The errno the child wrote when it could not start the program, else 0:
// the pipe closes on a successful exec without a byte.
int execError(int errRead)
{
    int childErr = 0;
    ssize_t got;
    do
        got = ::read(errRead, &childErr, sizeof childErr);
    while (got < 0 && errno == EINTR);
    return got == sizeof childErr ? childErr : 0;
}

} // namespace

Outcome run(const Spec& spec, const KeepAlive& keepAlive)
{
    Outcome outcome;
    if (terminationPending()) {
        outcome.ending = Ending::Aborted;
        outcome.exitCode = 0;
        return outcome;
    }
    const QString program = findExecutable(spec.program);
    if (program.isEmpty()) {
        outcome.error = QStringLiteral("%1: no such program").arg(spec.program);
        return outcome;
    }

    ChildPlan plan;
    if (!planArguments(spec, program, plan)) {
        outcome.error = QStringLiteral("an argument holds a NUL byte");
        return outcome;
    }

    ChildFds fds;
    if (!openChildFds(spec, fds)) {
        outcome.error = systemError(errno);
        return outcome;
    }
    giveChildFds(spec, fds, plan);

    const pid_t pid = spawnChild(plan);
    if (pid < 0) {
        outcome.error = systemError(errno);
        return outcome;
    }
    // Set here too, so the group exists before any abort can name it (a
    // session leader has its group already: vfork let it run first).
    if (spec.terminalFd < 0)
        ::setpgid(pid, pid);
    const RunningGroup known(pid);
    fds.errWrite.reset();
    fds.outWrite.reset();

    int status = 0;
    if (const int childErr = execError(fds.errRead.get())) {
        reapIfDone(pid, status, true);
        outcome.error = systemError(childErr);
        return outcome;
    }

    const bool aborted = waitFor(pid, spec, keepAlive, fds.outRead, outcome, status);
    // What the program wrote before it ended; a grandchild that keeps the
    // pipe open is not waited for.
    if (fds.outRead.get() >= 0)
        drain(fds.outRead.get(), outcome, spec.captureLimit);
    setEnding(outcome, aborted, status);
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
    QByteArray pattern =
        hostname::encode(hostDir + QLatin1Char('/') + prefix + QStringLiteral("XXXXXX"));
    return ::mkdtemp(pattern.data()) ? hostname::decode(pattern) : QString();
}

bool makeLink(const QString& targetHostPath, const QString& linkHostPath)
{
    return ::symlink(hostname::encode(targetHostPath).constData(),
                     hostname::encode(linkHostPath).constData()) == 0;
}

namespace {

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= size_t(n);
    }
    return true;
}

QByteArray readToEnd(int fd)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return bytes;
        bytes.append(buffer, n);
    }
}

} // namespace

std::optional<QByteArray> runInChild(const std::function<QByteArray()>& work)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return std::nullopt;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        const QByteArray bytes = work();
        // No exit handlers and no destructors: they belong to the parent.
        ::_exit(writeAll(fds[1], bytes.constData(), size_t(bytes.size())) ? 0 : 1);
    }
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        return std::nullopt;
    }
    QByteArray bytes = readToEnd(fds[0]);
    ::close(fds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return bytes;
}

} // namespace dovex::process
