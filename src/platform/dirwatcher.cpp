#include "platform/dirwatcher.h"

#include "platform/hostname.h"

#include <QSocketNotifier>

#include <sys/inotify.h>

#include <cerrno>
#include <cstring>

namespace dovex {

namespace {

constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF |
                                IN_ONLYDIR | IN_EXCL_UNLINK;

// The directory and the name of a host file path ("/a/b" -> "/a", "b").
void splitFile(const QByteArray& path, QByteArray& dir, QByteArray& name)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0) {
        dir.clear();
        name.clear();
        return;
    }
    dir = slash == 0 ? QByteArray("/") : path.left(slash);
    name = path.mid(slash + 1);
}

} // namespace

DirWatcher::DirWatcher(QObject* parent)
    : QObject(parent), m_fd(::inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
{
    if (!valid())
        return;
    m_notifier = new QSocketNotifier(m_fd.get(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DirWatcher::readEvents);
}

DirWatcher::~DirWatcher() = default; // closing the descriptor drops every watch

void DirWatcher::watchDirectory(int slot, const QString& hostDir)
{
    point(slot, hostDir.isEmpty() ? QByteArray() : hostname::encode(hostDir), {});
}

void DirWatcher::watchFile(int slot, const QString& hostFile)
{
    QByteArray dir, name;
    splitFile(hostname::encode(hostFile), dir, name);
    if (name.isEmpty()) // not a file path: nothing sensible to watch
        dir.clear();
    point(slot, dir, name);
}

void DirWatcher::clear(int slot)
{
    point(slot, {}, {});
}

void DirWatcher::point(int slot, const QByteArray& dir, const QByteArray& name)
{
    if (slot < 0 || slot >= kSlots || !valid())
        return;
    Slot& s = m_slots[size_t(slot)];
    if (s.dir == dir && s.name == name && (s.wd >= 0 || dir.isEmpty()))
        return;
    const int old = s.wd;
    s = Slot{dir, name, -1};
    release(old);
    // A name with a NUL cannot be a path; inotify would read it cut short.
    if (dir.isEmpty() || dir.contains('\0'))
        return;
    // The same directory gives the same watch for both slots; its mask is
    // the same for both, so adding it again changes nothing.
    s.wd = ::inotify_add_watch(m_fd.get(), dir.constData(), kMask);
}

void DirWatcher::release(int wd)
{
    if (wd < 0)
        return;
    for (const Slot& s : m_slots)
        if (s.wd == wd)
            return; // still used by the other slot
    ::inotify_rm_watch(m_fd.get(), wd);
}

unsigned DirWatcher::takeChanged()
{
    const unsigned bits = m_changed;
    m_changed = 0;
    return bits;
}

void DirWatcher::readEvents()
{
    alignas(inotify_event) char buffer[16384];
    bool any = false;
    for (;;) {
        const ssize_t got = ::read(m_fd.get(), buffer, sizeof buffer);
        if (got <= 0) {
            if (got < 0 && errno == EINTR)
                continue;
            break;
        }
        for (ssize_t at = 0; at + ssize_t(sizeof(inotify_event)) <= got;) {
            const auto* ev = reinterpret_cast<const inotify_event*>(buffer + at);
            at += ssize_t(sizeof(inotify_event)) + ssize_t(ev->len);
            if (ev->mask & IN_Q_OVERFLOW) {
                // Events were lost: every slot may be out of date.
                for (int k = 0; k < kSlots; ++k)
                    if (!m_slots[size_t(k)].dir.isEmpty()) {
                        m_changed |= 1u << k;
                        any = true;
                    }
                continue;
            }
            const bool gone = ev->mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_IGNORED | IN_UNMOUNT);
            const QByteArray name =
                ev->len ? QByteArray(ev->name, qsizetype(::strnlen(ev->name, ev->len)))
                        : QByteArray();
            for (int k = 0; k < kSlots; ++k) {
                Slot& s = m_slots[size_t(k)];
                if (s.wd != ev->wd)
                    continue;
                if (s.name.isEmpty() || gone || name == s.name) {
                    m_changed |= 1u << k;
                    any = true;
                }
                // The kernel dropped the watch (the directory went): the
                // next pointing at that path watches afresh.
                if (ev->mask & IN_IGNORED)
                    s.wd = -1;
            }
        }
    }
    if (any)
        emit changed();
}

} // namespace dovex
