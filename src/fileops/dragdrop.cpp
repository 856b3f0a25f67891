#include "fileops/dragdrop.h"

#include "platform/drivemap.h"
#include "platform/hostname.h"

#include <QCoreApplication>
#include <QDir>
#include <QMimeData>

namespace dovex::dragdrop {

QByteArray panelToken(int panel)
{
    return QByteArray::number(QCoreApplication::applicationPid()) + ':' + QByteArray::number(panel);
}

int sourcePanel(const QMimeData* data)
{
    if (!data || !data->hasFormat(QLatin1String(kPanelFormat)))
        return 0;
    const QByteArray token = data->data(QLatin1String(kPanelFormat)).trimmed();
    for (int n : {1, 2})
        if (token == panelToken(n))
            return n;
    return 0;
}

QByteArray uriList(const QStringList& hostPaths)
{
    QByteArray out;
    for (const QString& path : hostPaths) {
        const QByteArray bytes = hostname::encode(path);
        if (bytes.isEmpty() || bytes[0] != '/')
            continue;
        // Everything but the unreserved characters and "/" is escaped, so a
        // blank, "%", "#" or a line break in a name survives the list.
        out += "file://" + bytes.toPercentEncoding("/") + "\r\n";
    }
    return out;
}

namespace {

// The path bytes of one line, or nullopt when it is no local file URL.
std::optional<QByteArray> localPathOf(const QByteArray& line)
{
    if (line.size() < 5 || line.left(5).toLower() != "file:")
        return std::nullopt;
    QByteArray rest = line.mid(5);
    if (rest.startsWith("//")) {
        const qsizetype slash = rest.indexOf('/', 2);
        const QByteArray host = slash < 0 ? rest.mid(2) : rest.mid(2, slash - 2);
        if (!host.isEmpty() && host.toLower() != "localhost")
            return std::nullopt; // a file on another machine
        rest = slash < 0 ? QByteArray() : rest.mid(slash);
    }
    if (!rest.startsWith('/'))
        return std::nullopt;
    // A query or fragment has no meaning for a local file; a literal "?" or
    // "#" in a name arrives escaped.
    const qsizetype cut = rest.indexOf('?') >= 0 ? rest.indexOf('?') : rest.indexOf('#');
    if (cut >= 0)
        rest.truncate(cut);
    return QByteArray::fromPercentEncoding(rest);
}

} // namespace

DroppedNames readUriList(const QByteArray& body, const DriveMap& drives)
{
    DroppedNames out;
    int taken = 0;
    for (QByteArray line : body.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        const std::optional<QByteArray> bytes = localPathOf(line);
        if (!bytes) {
            out.foreign = true;
            out.dosPaths.clear();
            out.refused.clear();
            return out;
        }
        if (taken == kMaxDroppedNames) {
            ++out.ignored;
            continue;
        }
        ++taken;
        const QString host = hostname::decode(*bytes);
        const QString clean = QDir::cleanPath(host);
        std::optional<QString> dos;
        if (!bytes->contains('\0') && !clean.contains(QChar(0)))
            dos = drives.toDos(clean);
        // The name must come back as the very same bytes; anything else
        // would copy some other file, or a file of another name.
        const std::optional<QString> back = dos ? drives.toHost(*dos) : std::nullopt;
        if (!dos || !back || hostname::encode(*back) != hostname::encode(clean) ||
            !hostname::encodable(*dos)) {
            out.refused << hostname::displayName(host);
            continue;
        }
        out.dosPaths << *dos;
    }
    return out;
}

QString refusedMessage(const DroppedNames& names)
{
    if (names.refused.isEmpty())
        return QString();
    return QStringLiteral("Not on any drive, left out of the drop:\r") +
           names.refused.join(QLatin1Char('\r'));
}

ListDrop listDrop(int source, int target, Qt::KeyboardModifiers keys, Qt::MouseButtons buttons)
{
    if (source != 1 && source != 2)
        return ListDrop::Nothing;
    if (source == target)
        return ListDrop::Nothing;
    if ((keys & Qt::ShiftModifier) || (buttons & Qt::RightButton))
        return ListDrop::Menu;
    return ListDrop::Copy;
}

int driveSlotAt(int x, int driveCount, int driveBoxCount, int shownSlots)
{
    if (x < 0)
        return -1;
    const int slot = x / 30;
    if (slot >= driveCount || slot >= driveBoxCount || slot >= shownSlots)
        return -1;
    return slot;
}

QString commandLineDrop(const QString& text, int source, const QString& cursorName)
{
    if (cursorName.isEmpty())
        return text;
    if (source == 1)
        return text + cursorName + QLatin1Char(' ');
    if (source == 2)
        return QLatin1Char(' ') + text + cursorName + QLatin1Char(' ');
    return text;
}

int shellDropPanel(int x, int windowWidth)
{
    return x < windowWidth / 2 ? 1 : 2;
}

int shellDropSlot(bool dragMode, const std::array<int, 40>& left,
                  const std::array<bool, 40>& visible, int x)
{
    if (dragMode) {
        for (int i = 40; i >= 1; --i)
            if (left[size_t(i - 1)] < x && x < left[size_t(i - 1)] + 25)
                return i;
        return 0;
    }
    for (int i = 1; i <= 40; ++i)
        if (visible[size_t(i - 1)] && left[size_t(i - 1)] < x && x < left[size_t(i - 1)] + 25)
            return i;
    return 0;
}

} // namespace dovex::dragdrop
