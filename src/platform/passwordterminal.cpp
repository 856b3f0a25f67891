#include "platform/passwordterminal.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace dovex::process {

namespace {

// A program that asks without end is not answered without end.
constexpr int kMostAnswers = 32;
// Pumps a question must wait unanswered, with nothing more written, before
// it gets end-of-input (a pump is the runner's poll, about 50 ms).
constexpr int kQuietPumps = 3;
constexpr qsizetype kLineKept = 512;

bool asksForPassword(const QByteArray& tail)
{
    return tail.endsWith(':') && tail.toLower().contains("password");
}

bool asksSomething(const QByteArray& tail)
{
    return tail.endsWith(':') || tail.endsWith('?');
}

} // namespace

PasswordTerminal::PasswordTerminal(QByteArray password) : m_password(std::move(password)) {}

bool PasswordTerminal::open()
{
    m_master.reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (m_master.get() < 0)
        return false;
    char name[PATH_MAX];
    if (::grantpt(m_master.get()) != 0 || ::unlockpt(m_master.get()) != 0 ||
        ::ptsname_r(m_master.get(), name, sizeof name) != 0)
        return false;
    m_program.reset(::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (m_program.get() < 0)
        return false;
    return ::fcntl(m_master.get(), F_SETFL, ::fcntl(m_master.get(), F_GETFL) | O_NONBLOCK) == 0;
}

void PasswordTerminal::type(const QByteArray& text)
{
    qsizetype done = 0;
    while (done < text.size()) {
        const ssize_t n =
            ::write(m_master.get(), text.constData() + done, size_t(text.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        done += n;
    }
}

void PasswordTerminal::pump()
{
    if (m_master.get() < 0)
        return;
    bool wrote = false;
    char buffer[4096];
    for (ssize_t n; (n = ::read(m_master.get(), buffer, sizeof buffer)) > 0;) {
        wrote = true;
        m_line.append(buffer, n);
        const qsizetype end = std::max(m_line.lastIndexOf('\n'), m_line.lastIndexOf('\r'));
        m_line = m_line.mid(std::max(end + 1, m_line.size() - kLineKept));
    }
    if (m_answers >= kMostAnswers)
        return;
    const QByteArray tail = m_line.trimmed();
    if (asksForPassword(tail)) {
        type(m_password + '\n');
        ++m_typed;
    } else if (!wrote && asksSomething(tail) && ++m_quiet >= kQuietPumps) {
        struct termios t {};
        const char eof = ::tcgetattr(m_program.get(), &t) == 0 ? char(t.c_cc[VEOF]) : '\x04';
        type(QByteArray(1, eof));
    } else {
        if (wrote)
            m_quiet = 0;
        return;
    }
    ++m_answers;
    m_line.clear();
    m_quiet = 0;
}

} // namespace dovex::process
