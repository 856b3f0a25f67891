#include "archive/safeextract.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/filesource.h"
#include "platform/dostime.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "platform/process.h"
#include "platform/prompter.h"

#include <QSet>

#include <cerrno>
#include <cstring>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex::archive {

namespace {

bool hasSwitch(const QStringList& switches, const QString& name)
{
    for (const QString& s : switches)
        if (s.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QByteArray enc(const QString& host)
{
    return hostname::encode(host);
}

struct stat lstatOf(const QString& host, bool& exists)
{
    struct stat st {};
    exists = ::lstat(enc(host).constData(), &st) == 0;
    return st;
}

QStringList entriesOf(const QString& host)
{
    QStringList names;
    DIR* d = ::opendir(enc(host).constData());
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d)) {
        const QByteArray n(e->d_name);
        if (n != "." && n != "..")
            names << hostname::decode(n);
    }
    ::closedir(d);
    return names;
}

// Removes a tree without following any link in it.
void removeTree(const QString& host)
{
    bool exists = false;
    const struct stat st = lstatOf(host, exists);
    if (!exists)
        return;
    if (S_ISDIR(st.st_mode)) {
        for (const QString& n : entriesOf(host))
            removeTree(host + QLatin1Char('/') + n);
        ::rmdir(enc(host).constData());
    } else {
        ::unlink(enc(host).constData());
    }
}

// Where a link at rel (inside the scratch root) leads, taken by its text
// alone: empty when it leaves the root.
bool linkStaysInside(const QString& rel, const QByteArray& target)
{
    if (target.isEmpty() || target.startsWith('/'))
        return false;
    QStringList parts = rel.split(QLatin1Char('/'));
    parts.removeLast();
    for (const QByteArray& p : target.split('/')) {
        if (p.isEmpty() || p == ".")
            continue;
        if (p == "..") {
            if (parts.isEmpty())
                return false;
            parts.removeLast();
        } else {
            parts << QString();
        }
    }
    return true;
}

QString memberOf(const QString& item)
{
    QString m = QString(item).replace(QLatin1Char('/'), QLatin1Char('\\'));
    while (m.startsWith(QLatin1Char('\\')))
        m.remove(0, 1);
    return m;
}

} // namespace

ExtractionForm extractionForm(const ArchiverCommand& c)
{
    ExtractionForm f;
    const QString tool = c.tool.toLower();
    const QString verb = c.switches.isEmpty() ? QString() : c.switches.first().toLower();
    if (tool == QLatin1String("pkunzip.exe")) {
        f.extracts = true;
        f.keepsPaths = hasSwitch(c.switches, QStringLiteral("-d"));
        f.overwrite = hasSwitch(c.switches, QStringLiteral("-o"));
    } else if (tool == QLatin1String("arj.exe") || tool == QLatin1String("rar.exe")) {
        f.extracts = verb == QLatin1String("x") || verb == QLatin1String("e");
        f.keepsPaths = verb == QLatin1String("x");
        f.overwrite = hasSwitch(c.switches, QStringLiteral("-y"));
    } else if (tool == QLatin1String("lha.exe")) {
        f.extracts = verb == QLatin1String("x") || verb == QLatin1String("e");
        f.keepsPaths = verb == QLatin1String("x");
        // lha for Unix leaves every file it writes with the time of writing.
        f.setsTimes = false;
        f.namesAsText = true;
        // The classic LHA asked before replacing; nobody is there to answer.
        f.overwrite = hasSwitch(c.switches, QStringLiteral("/m")) ||
                      hasSwitch(c.switches, QStringLiteral("-m"));
    } else if (tool == QLatin1String("pak.exe")) {
        // The format keeps base names only.
        f.extracts = verb == QLatin1String("x") || verb == QLatin1String("e");
        f.overwrite = hasSwitch(c.switches, QStringLiteral("-WA"));
    } else if (tool == QLatin1String("zoo.exe")) {
        f.extracts = verb.startsWith(QLatin1Char('e')) || verb.startsWith(QLatin1Char('x'));
        f.keepsPaths = true;
        f.overwrite = verb.contains(QLatin1Char('o'));
    }
    return f;
}

SafeExtraction::SafeExtraction(const ArchiverCommand& command, ExtractionForm form,
                               Prompter& prompter)
    : m_command(command), m_form(form), m_prompter(prompter)
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

bool SafeExtraction::prepare()
{
    const DriveMap& map = DriveMap::instance();
    const QString targetDos =
        m_command.target.isEmpty() ? m_command.workingDirectory : m_command.target;
    const auto targetHost = map.toHost(targetDos);
    const auto archiveHost = map.toHost(m_command.archive);
    if (!targetHost || !archiveHost) {
        m_prompter.error(QStringLiteral("Cannot find ") +
                         (targetHost ? m_command.archive : targetDos) + QLatin1Char('.'));
        return false;
    }
    m_targetHost = *targetHost;

    FileSource source;
    if (!source.open(*archiveHost)) {
        m_prompter.error(QStringLiteral("Cannot open ") + m_command.archive + QLatin1Char('.'));
        return false;
    }
    const ArchiveContents contents = readArchiveRecords(detectArchiveKind(source.read(0, 11)), source);
    // A member the readers never saw could not be checked.
    if (!contents.complete()) {
        m_prompter.error(QStringLiteral("Cannot check every member of ") + m_command.archive +
                         QStringLiteral(": the archive is damaged or too large. Nothing was "
                                        "extracted."));
        return false;
    }

    QSet<QString> files;
    for (const ArchiveRecord& r : contents.records)
        files.insert(r.path.toLower());

    struct Wanted {
        QString member;
        bool all;
    };
    QList<Wanted> wanted;
    bool anyAll = false;
    for (const QString& item : m_command.items) {
        QString m = memberOf(item);
        const bool all = m == QLatin1String("*.*") || m.endsWith(QLatin1String("\\*.*")) ||
                         m == QLatin1String("*") || m.endsWith(QLatin1String("\\*"));
        if (all)
            m = m.left(m.lastIndexOf(QLatin1Char('\\')) < 0 ? 0 : m.lastIndexOf(QLatin1Char('\\')));
        wanted << Wanted{m.toLower(), all};
        anyAll = anyAll || all;
    }
    auto chosen = [&](const QString& path) {
        if (wanted.isEmpty())
            return true;
        const QString p = path.toLower();
        for (const Wanted& w : wanted) {
            if (w.all ? (w.member.isEmpty() || p.startsWith(w.member + QLatin1Char('\\')))
                      : p == w.member)
                return true;
        }
        return false;
    };

    QStringList safe;
    bool anyRefused = false;
    for (const ArchiveRecord& r : contents.records) {
        if (!chosen(r.path))
            continue;
        const QString& name = r.path;
        QString why;
        if (r.leavesRoot())
            why = QStringLiteral("it would be written outside the target directory");
        else if (r.link &&
                 !linkStaysInside(QString(name).replace(QLatin1Char('\\'), QLatin1Char('/')),
                                  hostname::encode(r.linkTarget)))
            why = QStringLiteral("it is a link that points outside the target directory");
        else {
            const QString lower = name.toLower();
            for (qsizetype at = lower.indexOf(QLatin1Char('\\')); at > 0;
                 at = lower.indexOf(QLatin1Char('\\'), at + 1)) {
                if (files.contains(lower.left(at))) {
                    why = QStringLiteral("its path leads through a link or a file");
                    break;
                }
            }
        }
        if (!why.isEmpty()) {
            refuse(r.path, why);
            anyRefused = true;
            continue;
        }
        // A byte-minded archiver is given the member as its header stores it
        // (a name in another code page is found by its bytes) and writes it
        // so; one that reads names as text gets them as the panel shows them.
        const QString stored = m_form.namesAsText
                                   ? QString(name).replace(QLatin1Char('\\'), QLatin1Char('/'))
                                   : hostname::decode(r.storedBytes());
        safe << QString(stored).replace(QLatin1Char('/'), QLatin1Char('\\'));
        if (!r.link) {
            const QString rel = stored;
            m_expected << (m_form.keepsPaths ? rel : rel.section(QLatin1Char('/'), -1));
            if (!m_form.setsTimes)
                m_times.insert(m_expected.last(), r.dosDateTime);
        }
    }
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

    m_scratchHost = process::makeUniqueDirectory(m_targetHost, QStringLiteral(".dovex-"));
    if (m_scratchHost.isEmpty()) {
        m_prompter.error(QStringLiteral("Cannot write in ") + targetDos + QLatin1Char('.'));
        return false;
    }
    const QString scratchDos = dospath::join(targetDos, m_scratchHost.section(QLatin1Char('/'), -1));
    if (m_command.target.isEmpty())
        m_command.workingDirectory = scratchDos;
    else
        m_command.target = scratchDos;
    return true;
}

// Walks what the archiver wrote: links that lead out and anything that is
// no file, link or directory are refused and removed on the spot.
void SafeExtraction::collect(const QString& rel, bool& ok)
{
    const QString host = m_scratchHost + (rel.isEmpty() ? QString() : QLatin1Char('/') + rel);
    for (const QString& n : entriesOf(host)) {
        const QString childRel = rel.isEmpty() ? n : rel + QLatin1Char('/') + n;
        const QString childHost = host + QLatin1Char('/') + n;
        bool exists = false;
        const struct stat st = lstatOf(childHost, exists);
        if (!exists)
            continue;
        if (S_ISDIR(st.st_mode)) {
            collect(childRel, ok);
        } else if (S_ISLNK(st.st_mode)) {
            QByteArray target(4096, '\0');
            const ssize_t len = ::readlink(enc(childHost).constData(), target.data(),
                                           size_t(target.size()));
            target.resize(len < 0 ? 0 : qsizetype(len));
            if (!linkStaysInside(childRel, target)) {
                refuse(childRel, QStringLiteral("it is a link that points outside the target "
                                                "directory"));
                ::unlink(enc(childHost).constData());
                ok = false;
                continue;
            }
            place(childRel, ok);
        } else if (S_ISREG(st.st_mode)) {
            place(childRel, ok);
        } else {
            refuse(childRel, QStringLiteral("it is no plain file"));
            ::unlink(enc(childHost).constData());
            ok = false;
        }
    }
}

// Renames one file (or link) into the target, making its directories there.
void SafeExtraction::place(const QString& rel, bool& ok)
{
    const QStringList parts = rel.split(QLatin1Char('/'));
    QString dir = m_targetHost;
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        dir += QLatin1Char('/') + parts[i];
        bool exists = false;
        const struct stat st = lstatOf(dir, exists);
        if (exists && S_ISDIR(st.st_mode))
            continue;
        if (exists || ::mkdir(enc(dir).constData(), 0777) != 0) {
            refuse(rel, QStringLiteral("a file of that name is in the way of its directory"));
            ok = false;
            return;
        }
    }
    const QString from = m_scratchHost + QLatin1Char('/') + rel;
    const QString to = m_targetHost + QLatin1Char('/') + rel;
    if (const auto t = m_times.constFind(rel); t != m_times.constEnd() && *t != 0) {
        const struct timespec times[2] = {{unixFromDosDateTime(*t), 0},
                                          {unixFromDosDateTime(*t), 0}};
        ::utimensat(AT_FDCWD, enc(from).constData(), times, AT_SYMLINK_NOFOLLOW);
    }
    bool exists = false;
    const struct stat st = lstatOf(to, exists);
    int rc = 0;
    if (!exists) {
        // Never replaces a file that appeared meanwhile.
        rc = ::renameat2(AT_FDCWD, enc(from).constData(), AT_FDCWD, enc(to).constData(),
                         RENAME_NOREPLACE);
    } else if (S_ISDIR(st.st_mode)) {
        refuse(rel, QStringLiteral("a directory of that name exists"));
        ok = false;
        return;
    } else if (!m_form.overwrite) {
        ++m_refused;
        m_prompter.information(to.section(QLatin1Char('/'), -1) +
                               QStringLiteral(" exists already and was not replaced."));
        ok = false;
        return;
    } else {
        rc = ::rename(enc(from).constData(), enc(to).constData());
    }
    if (rc != 0) {
        m_prompter.error(QStringLiteral("Cannot extract ") + rel + QStringLiteral(": ") +
                         QString::fromLocal8Bit(std::strerror(errno)));
        ok = false;
    }
}

bool SafeExtraction::finish()
{
    bool ok = true;
    // What the archiver should have written, looked for before anything moves.
    QStringList missing;
    for (const QString& rel : m_expected) {
        bool exists = false;
        lstatOf(m_scratchHost + QLatin1Char('/') + rel, exists);
        if (!exists)
            missing << rel;
    }
    collect(QString(), ok);
    for (const QString& rel : missing) {
        m_prompter.error(QStringLiteral("The archiver did not extract ") + rel +
                         QLatin1Char('.'));
        ok = false;
    }
    return ok && m_refused == 0;
}

} // namespace dovex::archive
