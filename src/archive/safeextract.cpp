#include "archive/safeextract.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/filesource.h"
#include "platform/beneath.h"
#include "platform/directory.h"
#include "platform/dostime.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "platform/locations.h"
#include "platform/process.h"
#include "platform/prompter.h"

#include <QSet>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace dovex::archive {

// One item of the scratch tree: its name there, and where it goes.
struct SafeExtraction::Entry {
    QByteArray leaf;
    QByteArrayList parts; // relative to the target
    struct stat st {};
};

// A directory of the target, opened (made when missing) when the first
// item needs it; a failure is told once, by the directory's name.
struct SafeExtraction::TargetDir {
    QByteArrayList parts;
    UniqueFd fd{};
    int error = 0;
};

namespace {

QByteArray enc(const QString& host)
{
    return hostname::encode(host);
}

// A directory of the scratch tree, opened without following a link; made
// readable first, should the archiver have given it the stored mode.
int openScratchDirectory(int parent, const QByteArray& name)
{
    struct stat st {};
    if (::fstatat(parent, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
        return -1;
    if ((st.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmodat(parent, name.constData(), (st.st_mode & 07777) | S_IRWXU, 0);
    return ::openat(parent, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Removes what lies beneath dir without following any link in it.
void removeBelow(int dir)
{
    for (const QByteArray& n : entryNames(dir)) {
        if (::unlinkat(dir, n.constData(), 0) == 0 || (errno != EISDIR && errno != EPERM))
            continue;
        const UniqueFd sub(openScratchDirectory(dir, n));
        if (sub.get() >= 0)
            removeBelow(sub.get());
        ::unlinkat(dir, n.constData(), AT_REMOVEDIR);
    }
}

void removeTree(const QString& host)
{
    const UniqueFd dir(
        ::open(enc(host).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (dir.get() < 0)
        return;
    removeBelow(dir.get());
    ::rmdir(enc(host).constData());
}

// renameat2 with RENAME_NOREPLACE; where the file system lacks the flag, a
// hard link (which never replaces either) and the old name removed.
int renameNoReplace(int from, const QByteArray& name, int to)
{
    if (::renameat2(from, name.constData(), to, name.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
    if (::linkat(from, name.constData(), to, name.constData(), 0) != 0)
        return -1;
    ::unlinkat(from, name.constData(), 0);
    return 0;
}

QString whyNotBeneath(int error)
{
    switch (error) {
    case -EPERM:
        return QStringLiteral("it would be written into the program's or the settings' directory");
    case -EXDEV:
    case -ELOOP:
        return QStringLiteral("it would be written outside the target directory");
    case -ENOTDIR:
    case -EEXIST:
        return QStringLiteral("a file of that name is in the way of its directory");
    default:
        return QString::fromLocal8Bit(std::strerror(-error));
    }
}

QString memberOf(const QString& item)
{
    QString m = QString(item).replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (m.startsWith(QLatin1Char('\\')))
        m.remove(0, 1);
    return m;
}

// Inside the empty scratch directory the archiver never meets a file of
// the user's: it is told to replace without asking, so that of two
// members of one name the later one is what arrives (and is asked about).
ArchiverCommand overwritingInScratch(const ArchiverCommand& given)
{
    ArchiverCommand c = given;
    const QString tool = c.tool.toLower();
    auto add = [&c](const char* flag) {
        if (!hasSwitch(c.switches, flag))
            c.switches << QLatin1String(flag);
    };
    if (tool == QLatin1String("arj.exe") || tool == QLatin1String("rar.exe"))
        add("-y");
    else if (tool == QLatin1String("pkunzip.exe"))
        add("-o");
    else if (tool == QLatin1String("pak.exe"))
        add("-WA");
    else if (tool == QLatin1String("zoo.exe") && !c.switches.isEmpty() &&
             !c.switches.first().contains(QLatin1Char('O')))
        c.switches.first() += QLatin1Char('O');
    return c;
}

} // namespace

ExtractionForm extractionForm(const ArchiverCommand& c)
{
    ExtractionForm f;
    const QString tool = c.tool.toLower();
    const QString verb = c.switches.isEmpty() ? QString() : c.switches.first().toLower();
    if (tool == QLatin1String("pkunzip.exe")) {
        f.extracts = true;
        f.keepsPaths = hasSwitch(c.switches, "-d");
        f.keepsSizes = true;
    } else if (tool == QLatin1String("arj.exe") || tool == QLatin1String("rar.exe")) {
        // Text-mode members may change their size on the way out.
        f.extracts = verb == QLatin1String("x") || verb == QLatin1String("e");
        f.keepsPaths = verb == QLatin1String("x");
        f.movesOut = tool == QLatin1String("arj.exe") && hasSwitch(c.switches, "-d");
    } else if (tool == QLatin1String("lha.exe")) {
        f.extracts = verb == QLatin1String("x") || verb == QLatin1String("e");
        f.keepsPaths = verb == QLatin1String("x");
        // lha for Unix leaves every file it writes with the time of writing.
        f.setsTimes = false;
        f.namesAsText = true;
        f.keepsSizes = true;
    } else if (tool == QLatin1String("pak.exe")) {
        // The format keeps base names only; "X" extracts, then deletes.
        f.extracts = verb == QLatin1String("x") || verb == QLatin1String("e");
        f.keepsSizes = true;
        f.movesOut = verb == QLatin1String("x");
    } else if (tool == QLatin1String("zoo.exe")) {
        f.extracts = verb.startsWith(QLatin1Char('e')) || verb.startsWith(QLatin1Char('x'));
        f.keepsPaths = true;
        f.keepsSizes = true;
    }
    return f;
}

ArchiverCommand withoutDeletion(const ArchiverCommand& command)
{
    ArchiverCommand c = command;
    if (c.tool.compare(QLatin1String("PAK.exe"), Qt::CaseInsensitive) == 0) {
        if (!c.switches.isEmpty())
            c.switches.first() = QStringLiteral("E");
        return c;
    }
    c.switches.removeIf(
        [](const QString& s) { return s.compare(QLatin1String("-d"), Qt::CaseInsensitive) == 0; });
    return c;
}

ArchiverCommand deletionOf(const ArchiverCommand& command, const QStringList& members)
{
    ArchiverCommand c = withoutDeletion(command);
    if (c.switches.isEmpty())
        c.switches << QString();
    c.switches.first() = QStringLiteral("D");
    c.items = members;
    c.itemKind = ToolItems::Members;
    c.target.clear();
    return c;
}

SafeExtraction::SafeExtraction(const ArchiverCommand& command, ExtractionForm form,
                               Prompter& prompter, AgreeToPlace agree)
    : m_command(overwritingInScratch(command)), m_form(form), m_prompter(prompter),
      m_agree(std::move(agree))
{
}

SafeExtraction::~SafeExtraction()
{
    if (!m_scratchHost.isEmpty())
        removeTree(m_scratchHost);
}

void SafeExtraction::refuse(const QString& member, const QString& why)
{
    ++m_refused;
    m_prompter.error(QStringLiteral("Refused ") + member + QStringLiteral(": ") + why);
}

void SafeExtraction::fail(const QString& rel, int err)
{
    ++m_refused;
    m_stopped = true;
    m_prompter.error(QStringLiteral("Cannot extract ") + rel + QStringLiteral(": ") +
                     QString::fromLocal8Bit(std::strerror(err)));
}

QString SafeExtraction::shown(const QByteArrayList& parts) const
{
    QStringList names;
    for (const QByteArray& p : parts)
        names << hostname::decode(p);
    return names.join(QLatin1Char('\\'));
}

void SafeExtraction::expect(const ArchiveRecord& r, const QString& stored)
{
    const QString rel = m_form.keepsPaths ? stored : stored.section(QLatin1Char('/'), -1);
    Expected& e = m_expected[enc(rel)];
    e.members << QString(stored).replace(QLatin1Char('/'), QLatin1Char('\\'));
    e.sizes << (r.link ? -1 : r.size);
    e.link = e.link || r.link;
    if (!m_form.setsTimes)
        e.time = r.dosDateTime;
}

QStringList SafeExtraction::placedMembers() const
{
    QStringList out;
    for (const Expected& e : m_expected)
        if (e.placed)
            out << e.members;
    return out;
}

namespace {

struct Wanted {
    QString member; // lower case, "\" between directories
    bool all;       // everything below it ("dir\*.*"; empty member: the whole archive)
};

QList<Wanted> wantedOf(const QStringList& items, bool& anyAll)
{
    QList<Wanted> wanted;
    for (const QString& item : items) {
        QString m = memberOf(item);
        const bool all = m == QLatin1String("*.*") || m.endsWith(QLatin1String("\\*.*")) ||
                         m == QLatin1String("*") || m.endsWith(QLatin1String("\\*"));
        if (all)
            m = m.left(std::max<qsizetype>(0, m.lastIndexOf(QLatin1Char('\\'))));
        wanted << Wanted{m.toLower(), all};
        anyAll = anyAll || all;
    }
    return wanted;
}

bool chosen(const QList<Wanted>& wanted, const QString& path)
{
    if (wanted.isEmpty())
        return true;
    const QString p = path.toLower();
    for (const Wanted& w : wanted) {
        if (w.all ? (w.member.isEmpty() || p.startsWith(w.member + QLatin1Char('\\')))
                  : p == w.member)
            return true;
    }
    return false;
}

// Why an archiver must not be asked for a member: it would write outside
// its directory, or through another member that is a file or link.
QString whyRefused(const ArchiveRecord& r, const QSet<QString>& files)
{
    if (r.leavesRoot())
        return QStringLiteral("it would be written outside the target directory");
    const QString lower = r.path.toLower();
    for (qsizetype at = lower.indexOf(QLatin1Char('\\')); at > 0;
         at = lower.indexOf(QLatin1Char('\\'), at + 1)) {
        if (files.contains(lower.left(at)))
            return QStringLiteral("its path leads through a link or a file");
    }
    return {};
}

} // namespace

bool SafeExtraction::listArchive(const QString& archiveHost, ArchiveContents& contents)
{
    FileSource source;
    if (!source.open(archiveHost)) {
        m_prompter.error(QStringLiteral("Cannot open ") + m_command.archive + QLatin1Char('.'));
        return false;
    }
    contents = readArchiveRecords(detectArchiveKind(source.read(0, 11)), source);
    // A member the readers never saw could not be checked.
    if (!contents.complete()) {
        m_prompter.error(QStringLiteral("Cannot check every member of ") + m_command.archive +
                         QStringLiteral(": the archive is damaged or too large. Nothing was "
                                        "extracted."));
        return false;
    }
    return true;
}

// The chosen members that may be asked for, as the archiver is told them;
// the others are refused by name.
QStringList SafeExtraction::safeMembers(const ArchiveContents& contents,
                                        const std::function<bool(const QString&)>& isChosen,
                                        bool& anyRefused)
{
    QSet<QString> files;
    for (const ArchiveRecord& r : contents.records)
        files.insert(r.path.toLower());
    QStringList safe;
    for (const ArchiveRecord& r : contents.records) {
        if (!isChosen(r.path))
            continue;
        if (const QString why = whyRefused(r, files); !why.isEmpty()) {
            refuse(r.path, why);
            anyRefused = true;
            continue;
        }
        // A byte-minded archiver is given the member as its header stores it
        // (a name in another code page is found by its bytes) and writes it
        // so; one that reads names as text gets them as the panel shows them.
        const QString stored = m_form.namesAsText
                                   ? QString(r.path).replace(QLatin1Char('\\'), QLatin1Char('/'))
                                   : hostname::decode(r.storedBytes());
        safe << QString(stored).replace(QLatin1Char('/'), QLatin1Char('\\'));
        expect(r, stored);
    }
    return safe;
}

bool SafeExtraction::prepare()
{
    const DriveMap& map = DriveMap::instance();
    m_targetDos = m_command.target.isEmpty() ? m_command.workingDirectory : m_command.target;
    const auto targetHost = map.toHost(m_targetDos);
    const auto archiveHost = map.toHost(m_command.archive);
    if (!targetHost || !archiveHost) {
        m_prompter.error(QStringLiteral("Cannot find ") +
                         (targetHost ? m_command.archive : m_targetDos) + QLatin1Char('.'));
        return false;
    }
    m_targetHost = *targetHost;
    ArchiveContents contents;
    if (!listArchive(*archiveHost, contents))
        return false;
    bool anyAll = false;
    bool anyRefused = false;
    const QList<Wanted> wanted = wantedOf(m_command.items, anyAll);
    const QStringList safe = safeMembers(
        contents, [&wanted](const QString& path) { return chosen(wanted, path); }, anyRefused);
    // The archivers differ in what a pattern takes (lha none at all): the
    // members of a whole directory are named one by one; a chosen member by
    // what its header holds, not by the name the panel shows for it.
    if (anyRefused || anyAll || !wanted.isEmpty()) {
        // An empty list would mean every member to some archivers.
        if (safe.isEmpty()) {
            if (!anyRefused)
                m_prompter.error(QStringLiteral("Nothing in ") + m_command.archive +
                                 QStringLiteral(" matches the members chosen."));
            return false;
        }
        m_command.items = safe;
        m_command.itemKind = ToolItems::Members;
    }
    return makeScratch();
}

bool SafeExtraction::makeScratch()
{
    m_scratchHost = process::makeUniqueDirectory(m_targetHost, QStringLiteral(".dovex-"));
    if (m_scratchHost.isEmpty()) {
        m_prompter.error(QStringLiteral("Cannot write in ") + m_targetDos + QLatin1Char('.'));
        return false;
    }
    const QString scratchDos =
        dospath::join(m_targetDos, m_scratchHost.section(QLatin1Char('/'), -1));
    if (m_command.target.isEmpty())
        m_command.workingDirectory = scratchDos;
    else
        m_command.target = scratchDos;
    return true;
}

// The target directory of an item, made when missing; a failure is told
// once, by the directory's name, and everything below it stays out.
int SafeExtraction::openTarget(TargetDir& dir)
{
    if (dir.fd.get() >= 0 || dir.error != 0)
        return dir.error != 0 ? dir.error : dir.fd.get();
    const int fd = m_root->openDirectory(dir.parts, true, 0777);
    if (fd >= 0) {
        dir.fd.reset(fd);
        return fd;
    }
    dir.error = fd;
    const QString name = dir.parts.isEmpty() ? m_targetDos : shown(dir.parts);
    if (fd == -EPERM || fd == -EXDEV || fd == -ELOOP || fd == -ENOTDIR || fd == -EEXIST)
        refuse(name, whyNotBeneath(fd));
    else
        fail(name, -fd);
    return fd;
}

void SafeExtraction::importDirectory(int from, TargetDir& to)
{
    const QByteArrayList names = entryNames(from);
    // A directory the archive holds arrives even when empty.
    if (names.isEmpty() && !to.parts.isEmpty())
        openTarget(to);
    for (const QByteArray& name : names) {
        if (m_stopped || process::terminationPending()) {
            m_stopped = true;
            return;
        }
        Entry e;
        e.leaf = name;
        e.parts = to.parts;
        e.parts << name;
        if (::fstatat(from, name.constData(), &e.st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        m_seen.insert(joinParts(e.parts));
        importEntry(from, to, e);
    }
}

void SafeExtraction::importEntry(int from, TargetDir& to, const Entry& e)
{
    if (S_ISDIR(e.st.st_mode)) {
        const UniqueFd sub(openScratchDirectory(from, e.leaf));
        TargetDir child{e.parts};
        if (sub.get() >= 0)
            importDirectory(sub.get(), child);
        return;
    }
    if (!S_ISREG(e.st.st_mode) && !S_ISLNK(e.st.st_mode)) {
        refuse(shown(e.parts), QStringLiteral("it is no plain file"));
        ::unlinkat(from, e.leaf.constData(), 0);
        return;
    }
    const int dir = openTarget(to);
    if (dir < 0)
        return;
    if (S_ISLNK(e.st.st_mode)) {
        placeLink(from, dir, e);
    } else if (e.st.st_nlink > 1) {
        // Placed once every name of the file is known to lie in the scratch.
        ++m_linkCounts[QByteArray::number(quint64(e.st.st_dev)) + ':' +
                       QByteArray::number(quint64(e.st.st_ino))];
        m_hardLinks << e.parts;
    } else {
        placeFile(from, dir, e);
    }
}

// Whether the item may go to its name in the target; exists tells whether
// something is there. Asks as the copy engine does; without anyone to ask
// nothing is replaced.
bool SafeExtraction::agreeToReplace(int to, const Entry& e, bool& exists)
{
    struct stat old {};
    exists = ::fstatat(to, e.leaf.constData(), &old, AT_SYMLINK_NOFOLLOW) == 0;
    const auto expected = m_expected.constFind(joinParts(e.parts));
    const bool twice = expected != m_expected.constEnd() && expected->members.size() > 1;
    if (!exists && !twice)
        return true;
    if (exists && S_ISDIR(old.st_mode)) {
        refuse(shown(e.parts), QStringLiteral("a directory of that name exists"));
        return false;
    }
    const QString destination = dospath::join(m_targetDos, shown(e.parts));
    if (m_agree && m_agree(destination, twice))
        return true;
    ++m_refused;
    if (!m_agree)
        m_prompter.information(hostname::decode(e.leaf) +
                               QStringLiteral(" exists already and was not replaced."));
    else if (!exists)
        m_prompter.information(QStringLiteral("Not extracted ") + shown(e.parts) +
                               QStringLiteral(": the archive holds more than one member of that "
                                              "name, and the archiver takes out only the last."));
    return false;
}

void SafeExtraction::placeFile(int from, int to, const Entry& e)
{
    const auto expected = m_expected.find(joinParts(e.parts));
    const bool known = expected != m_expected.end();
    if (m_form.keepsSizes && known && !expected->sizes.contains(std::int64_t(e.st.st_size))) {
        refuse(shown(e.parts), QStringLiteral("the archiver did not extract it whole"));
        m_stopped = true;
        return;
    }
    // A set-user-ID or set-group-ID bit from an archive is never kept.
    if (e.st.st_mode & (S_ISUID | S_ISGID | S_ISVTX))
        ::fchmodat(from, e.leaf.constData(), e.st.st_mode & 0777, 0);
    if (known && expected->time != 0) {
        const struct timespec times[2] = {{unixFromDosDateTime(expected->time), 0},
                                          {unixFromDosDateTime(expected->time), 0}};
        ::utimensat(from, e.leaf.constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    bool exists = false;
    if (!agreeToReplace(to, e, exists))
        return;
    const int rc = exists ? ::renameat(from, e.leaf.constData(), to, e.leaf.constData())
                          : renameNoReplace(from, e.leaf, to);
    if (rc != 0)
        return fail(shown(e.parts), errno);
    if (known)
        expected->placed = true;
}

// A link stays only while the kernel finds it leads to a place beneath the
// target from where it now lies; one that replaces a file trades places
// with it, so that the file comes back when the link may not stay.
void SafeExtraction::placeLink(int from, int to, const Entry& e)
{
    bool exists = false;
    if (!agreeToReplace(to, e, exists))
        return;
    const int rc =
        exists ? ::renameat2(from, e.leaf.constData(), to, e.leaf.constData(), RENAME_EXCHANGE)
               : renameNoReplace(from, e.leaf, to);
    if (rc != 0)
        return fail(shown(e.parts), errno);
    if (m_root->checkSymlink(to, e.parts) != 0) {
        if (exists)
            ::renameat2(from, e.leaf.constData(), to, e.leaf.constData(), RENAME_EXCHANGE);
        else
            ::unlinkat(to, e.leaf.constData(), 0);
        refuse(shown(e.parts), QStringLiteral("it is a link that points outside the target "
                                              "directory"));
        return;
    }
    // What it replaced is in the scratch directory now, and goes with it.
    if (const auto expected = m_expected.find(joinParts(e.parts)); expected != m_expected.end())
        expected->placed = true;
}

// A file of several names arrives only when all of them are in the scratch
// directory: one outside would make the target's copy a way to change it.
void SafeExtraction::placeHardLinks()
{
    for (const QByteArrayList& parts : std::as_const(m_hardLinks)) {
        if (m_stopped || process::terminationPending())
            return;
        TargetDir to{parts.mid(0, parts.size() - 1)};
        const UniqueFd from(m_scratch->openDirectory(to.parts, false, 0));
        Entry e;
        e.leaf = parts.last();
        e.parts = parts;
        if (from.get() < 0 ||
            ::fstatat(from.get(), e.leaf.constData(), &e.st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        const QByteArray key = QByteArray::number(quint64(e.st.st_dev)) + ':' +
                               QByteArray::number(quint64(e.st.st_ino));
        if (m_linkCounts.value(key) != qsizetype(e.st.st_nlink)) {
            refuse(shown(parts), QStringLiteral("it is linked to a file outside the target "
                                                "directory"));
            continue;
        }
        const int dir = openTarget(to);
        if (dir >= 0)
            placeFile(from.get(), dir, e);
    }
}

bool SafeExtraction::finish()
{
    BeneathRoot target;
    BeneathRoot scratch;
    if (!target.open(enc(m_targetHost)) || !scratch.open(enc(m_scratchHost))) {
        m_prompter.error(QStringLiteral("Cannot write in ") + m_targetDos + QLatin1Char('.'));
        ++m_refused;
        return false;
    }
    target.forbid(enc(programDirectory()));
    target.forbid(enc(windowsDirectory()));
    target.forbid(enc(m_scratchHost));
    m_root = &target;
    m_scratch = &scratch;
    TargetDir top;
    importDirectory(scratch.descriptor(), top);
    placeHardLinks();
    for (const QByteArrayList& parts : target.recheckLinks()) {
        refuse(shown(parts), QStringLiteral("it is a link that points outside the target "
                                            "directory"));
        if (const auto e = m_expected.find(joinParts(parts)); e != m_expected.end())
            e->placed = false;
    }
    m_root = m_scratch = nullptr;
    if (m_stopped)
        return false;
    // What the archiver should have written and did not.
    for (auto e = m_expected.cbegin(); e != m_expected.cend(); ++e) {
        if (e->link || m_seen.contains(e.key()))
            continue;
        ++m_refused;
        m_prompter.error(QStringLiteral("The archiver did not extract ") +
                         hostname::decode(e.key()).replace(QLatin1Char('/'), QLatin1Char('\\')) +
                         QLatin1Char('.'));
    }
    return m_refused == 0;
}

} // namespace dovex::archive
