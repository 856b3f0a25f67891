#include "platform/mountwatcher.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <poll.h>

namespace dovex {

MountWatcher::MountWatcher(QObject* parent)
    : QObject(parent), m_fd(::open("/proc/self/mounts", O_RDONLY | O_CLOEXEC))
{
    if (!valid())
        return;
    // The first poll reports the table's state as seen at opening: take it
    // now, so only later changes count.
    pollfd pfd{m_fd.get(), POLLPRI, 0};
    ::poll(&pfd, 1, 0);
    m_notifier = new QSocketNotifier(m_fd.get(), QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &MountWatcher::signalled);
}

MountWatcher::~MountWatcher() = default;

void MountWatcher::signalled()
{
    // Polling the table again clears the condition until the next change.
    pollfd pfd{m_fd.get(), POLLPRI, 0};
    ::poll(&pfd, 1, 0);
    emit changed();
}

} // namespace dovex
