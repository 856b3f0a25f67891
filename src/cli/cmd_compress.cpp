// dovex-cli compress SOURCE... --to TARGET and dovex-cli decompress ARCHIVE
// DESTDIR: the Compression Tools dialog's composition and run, with the
// options given instead of the boxes ticked.
#include "cli/clicommand.h"
#include "cli/clicommon.h"

#include "archive/archivekind.h"
#include "archive/libarchivereader.h"
#include "archive/ops/archiveprogress.h"
#include "archive/ops/compression.h"
#include "archive/ops/libarchiveextract.h"
#include "platform/dirsearch.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostfile.h"
#include "platform/process.h"

namespace dovex::cli {

namespace {

bool takeFlag(QStringList& args, const QString& name)
{
    const QString flag = QStringLiteral("--") + name;
    const bool found = args.contains(flag);
    args.removeAll(flag);
    return found;
}

struct Method {
    CompressMethod method = CompressMethod::ZipInternal;
    int slot = 0;
};

std::optional<Method> methodOf(const QString& text, const ArchiverToolTable& tools)
{
    if (text == QLatin1String("zip"))
        return Method{CompressMethod::ZipInternal, 0};
    if (text == QLatin1String("pkzip"))
        return Method{CompressMethod::Pkzip, 0};
    if (text == QLatin1String("mscompress"))
        return Method{CompressMethod::MsCompress, 0};
    bool number = false;
    const int slot = text.toInt(&number);
    if (number && slot >= 1 && slot <= 7 && tools[size_t(slot - 1)].present())
        return Method{CompressMethod::Custom, slot};
    return std::nullopt;
}

// The list file has no refresh to wait for here.
int finish(const CompressionOutcome& outcome)
{
    if (!outcome.listFile.isEmpty())
        hostfile::remove(outcome.listFile);
    return outcome.passed ? 0 : 1;
}

// "--password TEXT", or with "--password-stdin" the first line of standard
// input, which no other user can read (a command line they can, in
// /proc). False (told) when that line is too long.
bool takePassword(QStringList& args, std::optional<QString>& password)
{
    password = takeOption(args, QStringLiteral("password"));
    if (args.removeAll(QStringLiteral("--password-stdin")) == 0)
        return true;
    password = readPasswordLine();
    if (!password)
        fail(QStringLiteral("the password on stdin is too long"));
    return password.has_value();
}

const char* const kMethods = "--method takes zip, pkzip, mscompress or a slot 1 to 7 that holds "
                             "an archiver";

// The sources stand for the marked entries of one panel: they share their
// directory, which comes back in sourceDirectory. The message to fail with
// when one is not such an entry.
std::optional<QString> addSources(const QStringList& args, CompressRequest& r,
                                  QString& sourceDirectory)
{
    for (const QString& arg : args) {
        const QString source = onDrive(arg);
        if (source.isEmpty() || dospath::isRoot(source))
            return QStringLiteral("%1 is not an entry of a directory").arg(escapedField(arg));
        const auto found = expandSource(source);
        if (!found || found->isEmpty())
            return QStringLiteral("nothing matches %1").arg(escapedField(source));
        for (const QString& path : *found) {
            const QString dir = dospath::directoryPart(path);
            if (sourceDirectory.isEmpty())
                sourceDirectory = dir;
            else if (dir != sourceDirectory)
                return QStringLiteral("the sources must lie in one directory");
            const FileStatus st = fileio::status(path);
            if (!st.exists)
                return QStringLiteral("cannot find %1").arg(escapedField(path));
            const QString name =
                dospath::fileName(path) + (st.directory ? QStringLiteral("\\*.*") : QString());
            r.items.append({WithSlashWhenLong(sourceDirectory) + name, name});
        }
    }
    return std::nullopt;
}

int runCompress(QStringList args)
{
    const ArchiverToolTable tools = LoadArchiverTools();
    const bool subdirs = takeFlag(args, QStringLiteral("subdirs"));
    const bool all = takeFlag(args, QStringLiteral("all"));
    std::optional<QString> password;
    if (!takePassword(args, password))
        return 2;
    const std::optional<QString> to = takeOption(args, QStringLiteral("to"));
    int level = 7;
    if (const auto text = takeOption(args, QStringLiteral("level"))) {
        bool number = false;
        level = text->toInt(&number);
        if (!number || level < 0 || level > 9)
            return fail(QStringLiteral("--level takes 0 to 9"));
    }
    Method method;
    if (const auto text = takeOption(args, QStringLiteral("method"))) {
        const auto m = methodOf(*text, tools);
        if (!m)
            return fail(QString::fromLatin1(kMethods));
        method = *m;
    }
    if (!to || args.isEmpty())
        return fail(QStringLiteral("compress needs SOURCE... --to TARGET"));
    const QString target = onDrive(*to);
    if (target.isEmpty())
        return fail(QStringLiteral("%1 is not a path on a drive").arg(escapedField(*to)));

    CompressRequest r;
    QString sourceDirectory;
    if (const std::optional<QString> wrong = addSources(args, r, sourceDirectory))
        return fail(*wrong);
    const MethodOptions enabled =
        MethodClick(method.method, method.slot ? &tools[size_t(method.slot - 1)] : nullptr);
    r.method = method.method;
    r.slot = method.slot;
    r.subdirectories = subdirs && enabled.subdirectories;
    r.password = password.has_value() && enabled.password;
    r.passwordText = password.value_or(QString());
    r.compressAll = all;
    r.target = target;
    r.sourceDirectory = WithSlashWhenLong(sourceDirectory);
    r.zipLevel = level;

    CliPrompter prompter;
    SilentArchiveProgress progress;
    const process::CleanupScope scope; // a signal waits until the list file is gone
    return finish(RunCompression(r, tools, prompter, progress));
}

// As the dialog opens for archive: its method and option boxes; a method
// given is chosen as a click would, with the options that method offers.
// The message to fail with when there is no method.
std::optional<QString> chooseMethod(ExtractRequest& r, OptionBox& subdirBox, OptionBox& passwordBox,
                                    const QString& archive,
                                    const std::optional<QString>& methodText,
                                    const ArchiverToolTable& tools)
{
    const DecompressMode mode = DecompressModeFor(archive, tools);
    subdirBox = mode.subdirectories;
    passwordBox = mode.password;
    if (!methodText && !mode.method)
        return QStringLiteral("%1 is not a compressed file of a known kind; give --method")
            .arg(escapedField(archive));
    if (!methodText) {
        r.method = *mode.method;
        r.slot = mode.slot;
        return std::nullopt;
    }
    const auto m = methodOf(*methodText, tools);
    if (!m)
        return QString::fromLatin1(kMethods);
    r.method = m->method;
    r.slot = m->slot;
    if (m->method == CompressMethod::Custom) {
        const ArchiverTool& t = tools[size_t(m->slot - 1)];
        subdirBox.enabled = ArchiverTool::isSet(t.expS);
        passwordBox.enabled = ArchiverTool::isSet(t.expP);
    } else {
        const MethodOptions o = MethodClick(m->method);
        subdirBox.enabled = o.subdirectories;
        passwordBox.enabled = o.password;
    }
    return std::nullopt;
}

int runDecompress(QStringList args)
{
    const ArchiverToolTable tools = LoadArchiverTools();
    const bool subdirs = takeFlag(args, QStringLiteral("subdirs"));
    std::optional<QString> password;
    if (!takePassword(args, password))
        return 2;
    const std::optional<QString> methodText = takeOption(args, QStringLiteral("method"));
    // What is in the way is replaced only as the person says, as a copy does.
    PolicyPrompter prompter;
    if (const std::optional<QString> wrong = takePolicies(args, prompter))
        return fail(*wrong);
    if (args.size() != 2)
        return fail(QStringLiteral("decompress needs ARCHIVE DESTDIR"));
    const QString archive = onDrive(args[0]);
    const QString target = onDrive(args[1]);
    if (archive.isEmpty() || target.isEmpty())
        return fail(QStringLiteral("%1 is not a path on a drive")
                        .arg(escapedField(archive.isEmpty() ? args[0] : args[1])));
    const FileStatus st = fileio::status(archive, true);
    if (!st.exists || !st.regular)
        return fail(QStringLiteral("cannot read %1: not a file").arg(escapedField(archive)));

    // A tar, 7z, ISO or cpio archive (found by its content) is unpacked
    // through libarchive: no archiver method applies to it.
    if (!methodText && !password && isLibarchiveKind(DetectArchiveKind(archive))) {
        SilentArchiveProgress progress;
        const process::CleanupScope scope; // a signal waits until nothing is half written
        const ArchiveOpResult r =
            ExtractWholeLibarchive(archive, target, subdirs, prompter, progress);
        return r.passed && !r.aborted ? 0 : 1;
    }

    ExtractRequest r;
    OptionBox subdirBox;
    OptionBox passwordBox;
    if (const std::optional<QString> wrong =
            chooseMethod(r, subdirBox, passwordBox, archive, methodText, tools))
        return fail(*wrong);
    r.subdirectories = subdirs && subdirBox.enabled;
    r.password = password.has_value() && passwordBox.enabled;
    r.passwordText = password.value_or(QString());
    r.archive = archive;
    r.target = target;
    r.programDirectory = target;

    SilentArchiveProgress progress;
    const process::CleanupScope scope; // a signal waits until the list file is gone
    return finish(RunExtraction(r, tools, prompter, progress));
}

const CliCommand compressCommand(
    "compress",
    "compress SOURCE... --to TARGET [--method zip|pkzip|mscompress|1..7] [--subdirs] [--all] "
    "[--password TEXT | --password-stdin] [--level 0..9 (Zip (internal), 7 when not given)]",
    [](const QStringList& args) { return runCompress(args); });
const CliCommand decompressCommand(
    "decompress",
    "decompress ARCHIVE DESTDIR [--method zip|pkzip|mscompress|1..7] [--subdirs] "
    "[--password TEXT | --password-stdin]\n"
    "      [--overwrite=ask|all|none] [--protected=ask|all|none]\n"
    "      tar, 7z, ISO and cpio archives need no method; an existing file is replaced\n"
    "      only as --overwrite says, a hidden, system or read-only one only as\n"
    "      --protected also says (both none when not given)",
    [](const QStringList& args) { return runDecompress(args); });

} // namespace

} // namespace dovex::cli
