#include "archive/ops/compression.h"

#include "archive/archivekind.h"
#include "archive/libarchivereader.h"
#include "archive/ops/archiveprogress.h"
#include "archive/ops/libarchiveextract.h"
#include "archive/ops/replacequestion.h"
#include "archive/ops/zipprogress.h"
#include "archive/szdd.h"
#include "archive/toolrunner.h"
#include "archive/zipmaster.h"
#include "fileops/operationstate.h"
#include "fileops/treewalk.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/prompter.h"

namespace dovex {

namespace {

const QString kCompressing = QStringLiteral("Compressing Files");
const QString kDecompressing = QStringLiteral("Decompressing Files");

QString fileNamePart(const QString& path)
{
    return path.mid(std::max(path.lastIndexOf('\\'), path.lastIndexOf(':')) + 1);
}

// A directory as the zip component and the tree walks take it: no
// separator at the end unless it is a root.
QString plainDirectory(const QString& directory)
{
    QString d = directory;
    while (d.size() > 3 && d.endsWith('\\'))
        d.chop(1);
    return d;
}

// The bytes of the files one directory holds (and below it, with subdirs).
std::int64_t directoryBytes(const QString& directory, bool subdirs)
{
    if (subdirs)
        return DirectoryTotals(directory).bytes;
    std::int64_t bytes = 0;
    if (const auto items = fileio::listDirectory(directory))
        for (const DirItem& item : *items)
            if (item.regular)
                bytes += item.size;
    return bytes;
}

// What the zip component is about to add, for the bar ("Checking...").
std::int64_t selectionBytes(const CompressRequest& r, const QString& source)
{
    if (r.compressAll || r.items.isEmpty())
        return directoryBytes(source, r.subdirectories);
    std::int64_t bytes = 0;
    for (const CompressItem& item : r.items) {
        if (item.fullPath.endsWith(QLatin1String("\\*.*")))
            bytes += directoryBytes(item.fullPath.chopped(4), r.subdirectories);
        else
            bytes += FileSizeOf(item.fullPath);
    }
    return bytes;
}

// What the zip component is to write: the archive (without ".zip"), the
// names and patterns to add, whether members keep their paths, and the password.
struct ComponentAdd {
    QString target;
    QStringList specs;
    bool paths = true;
    QString password;
};

CompressionOutcome compressWithComponent(const CompressRequest& r, const ComponentAdd& add,
                                         Prompter& prompter, ArchiveProgress& window)
{
    CompressionOutcome outcome;
    const QString source = plainDirectory(r.sourceDirectory);
    const std::optional<QString> archive = dospath::normalize(add.target + QStringLiteral(".zip"));
    if (!archive || !DriveMap::instance().toHost(*archive) ||
        !DriveMap::instance().toHost(source)) {
        prompter.error(QStringLiteral("Cannot find ") + (archive ? add.target : source) +
                       QLatin1Char('.'));
        return outcome;
    }
    window.showRun(kCompressing, QStringLiteral("Checking..."),
                   QStringLiteral("From ") + r.sourceDirectory + QStringLiteral(" To ") + r.target,
                   QString(), ArchiveProgress::Animation::Zip, true);
    ZipProgress progress(window, prompter, ZipProgress::kCompressed);
    progress.totalBytes = selectionBytes(r, source);
    window.setLine(1, QStringLiteral("Compressing Files, Please wait..."));
    window.repaint();

    TZipMaster zip;
    zip.AddCompLevel = r.zipLevel;
    progress.attach(zip);
    zip.Messages = &prompter;
    zip.ZipFilename = *archive;
    zip.BaseDir = source;
    zip.Password = add.password;
    // Members are named relative to the source directory, so the archive
    // never holds where the files happened to lie on the disk.
    if (add.paths)
        zip.AddOptions = {AddOptsEnum::AddDirNames};
    if (r.subdirectories)
        zip.AddOptions.insert(AddOptsEnum::AddRecurseDirs);
    zip.FSpecArgs = add.specs;
    const int added = zip.Add();
    window.hideRun();
    outcome.aborted = zip.Cancel || window.abortRequested();
    outcome.passed = added > 0 && progress.failures == 0 && !outcome.aborted;
    return outcome;
}

CompressionOutcome compressInternal(const CompressRequest& r, Prompter& prompter,
                                    ArchiveProgress& window)
{
    ComponentAdd add{r.target, {}, true, {}};
    if (r.compressAll || r.items.isEmpty()) {
        add.specs = {QStringLiteral("*.*")};
    } else {
        for (const CompressItem& item : r.items)
            add.specs << item.relativeName;
    }
    return compressWithComponent(r, add, prompter, window);
}

// Pkzip with a password: the zip component writes the archive PKZIP would
// have (paths kept and subdirectories walked only with "Include
// subdirectory's"), encrypting in this process: zip could be given the
// password only on its command line or on a terminal, and the component
// needs neither.
CompressionOutcome compressSealed(const CompressRequest& r, const ArchiverToolTable& tools,
                                  Prompter& prompter, ArchiveProgress& window)
{
    const archive::ArchiverCommand command = CompressCommand(r, tools);
    ComponentAdd add{command.archive, command.items, r.subdirectories, command.password};
    return compressWithComponent(r, add, prompter, window);
}

CompressionOutcome runTool(const archive::ArchiverCommand& command, const QString& caption,
                           const QString& line1, const QString& fileLine,
                           ArchiveProgress::Animation animation, Prompter& prompter,
                           ArchiveProgress& window)
{
    CompressionOutcome outcome;
    if (command.tool.isEmpty()) {
        prompter.error(QStringLiteral("The chosen method has no command."));
        return outcome;
    }
    // A missing tool is told before the progress window shows.
    if (!archive::ArchiverToolAvailable(command.tool)) {
        prompter.error(archive::CannotFindText(command.tool));
        return outcome;
    }
    window.showRun(caption, line1, QStringLiteral("Compressed file:") + fileLine,
                   QStringLiteral("Compression Method:") + command.tool, animation, false);
    // What an extraction takes out replaces a file only as the person says.
    OperationState state(prompter, window);
    const archive::ToolRunResult run =
        archive::RunArchiverTool(command, prompter, &window, ReplaceQuestion(state));
    window.hideRun();
    outcome.passed = run.passed;
    outcome.aborted = run.aborted;
    outcome.listFile = run.listFile;
    return outcome;
}

// The files a MsCompress run took: those (not the directories) of "*.*"
// and of each "dir\*.*", and the files named; drive-letter paths.
QStringList msCompressInputs(const CompressRequest& r)
{
    QStringList dirs, files;
    if (r.compressAll || r.items.isEmpty()) {
        dirs << plainDirectory(r.sourceDirectory);
    } else {
        for (const CompressItem& item : r.items) {
            if (item.fullPath.endsWith(QLatin1String("\\*.*")))
                dirs << item.fullPath.chopped(4);
            else
                files << item.fullPath;
        }
    }
    for (const QString& dir : dirs)
        if (const auto items = fileio::listDirectory(dir, false))
            for (const DirItem& entry : *items)
                if (!entry.directory)
                    files << dospath::join(dir, entry.name);
    return files;
}

// What mscompress leaves is put right: the classic tool stored the
// character the output name gave up ("a.txt" -> "a.tx_"), which expansion
// needs to give the name back, and mscompress garbles files of a few bytes,
// which are written again as literals. False when one could not be mended.
bool mendMsCompressOutput(const CompressRequest& r, Prompter& prompter)
{
    for (const QString& input : msCompressInputs(r)) {
        const QString name = dospath::fileName(input);
        const qsizetype dot = name.lastIndexOf('.');
        // "a.c" -> "a.c_" and "abc" -> "abc._" give nothing up.
        const bool gaveUp = dot >= 0 && name.size() - dot - 1 >= 3;
        const QString output =
            dospath::join(plainDirectory(r.target), gaveUp    ? name.chopped(1) + '_'
                                                    : dot < 0 ? name + QStringLiteral("._")
                                                              : name + '_');
        const QChar last = name.back();
        const char missing =
            gaveUp && last.unicode() > ' ' && last.unicode() <= '~' ? char(last.unicode()) : 0;
        if (missing)
            StoreSzddMissingChar(output, missing);
        if (!MendSzddFile(input, output, missing)) {
            prompter.error(QStringLiteral("Cannot write ") + output + QLatin1Char('.'));
            return false;
        }
    }
    return true;
}

CompressionOutcome expandSzdd(const ExtractRequest& r, Prompter& prompter, ArchiveProgress& window)
{
    CompressionOutcome outcome;
    window.showRun(kDecompressing, QStringLiteral("Decompressing Files, Please wait... "),
                   QStringLiteral("Compressed file:") + dospath::fileName(r.archive),
                   QStringLiteral("Compression Method:MsCompress"),
                   ArchiveProgress::Animation::Unzip, false);
    const QString target = plainDirectory(r.target);
    QString expanded;
    SzddResult result = ExpandSzddFile(r.archive, target, false, &expanded);
    if (result == SzddResult::Exists) {
        window.setAnimationPlaying(false);
        const Answer answer = prompter.ask(
            Severity::Question, expanded + QStringLiteral(" Exists,Overwrite?"), Buttons::YesNo);
        window.setAnimationPlaying(true);
        if (answer != Answer::Yes) {
            window.hideRun();
            return outcome;
        }
        result = ExpandSzddFile(r.archive, target, true, &expanded);
    }
    window.hideRun();
    switch (result) {
    case SzddResult::Expanded:
        outcome.passed = true;
        break;
    case SzddResult::NotCompressed:
        prompter.error(r.archive + QStringLiteral(" is not a compressed file."));
        break;
    case SzddResult::Damaged:
        prompter.error(r.archive + QStringLiteral(" is damaged; nothing was written."));
        break;
    case SzddResult::ReadFailed:
        prompter.error(QStringLiteral("Cannot read ") + r.archive + QLatin1Char('.'));
        break;
    case SzddResult::WriteFailed:
    case SzddResult::Exists:
        prompter.error(QStringLiteral("Cannot write ") +
                       (expanded.isEmpty() ? r.target : expanded) + QLatin1Char('.'));
        break;
    }
    return outcome;
}

CompressionOutcome extractInternal(const ExtractRequest& r, Prompter& prompter,
                                   ArchiveProgress& window)
{
    CompressionOutcome outcome;
    window.showRun(kDecompressing, QStringLiteral("Decompressing All Files"),
                   QStringLiteral("Compressed file:") + dospath::fileName(r.archive),
                   QStringLiteral("Compression Method:Zip (internal)"),
                   ArchiveProgress::Animation::Unzip, true);
    ZipProgress progress(window, prompter, ZipProgress::kDecompressed);
    TZipMaster zip;
    progress.attach(zip);
    zip.Messages = &prompter;
    zip.ZipFilename = r.archive;
    zip.ExtrBaseDir = plainDirectory(r.target);
    // Without "Include subdirectory's" every file lands in the target itself;
    // a file already there is replaced only as the person agrees.
    zip.ExtrOptions = {ExtrOptsEnum::ExtrOverWrite};
    if (r.subdirectories)
        zip.ExtrOptions.insert(ExtrOptsEnum::ExtrDirNames);
    zip.FSpecArgs = {QStringLiteral("*.*")};
    zip.Extract();
    window.hideRun();
    outcome.aborted = zip.Cancel || window.abortRequested();
    outcome.passed = progress.failures == 0 && progress.declined == 0 && !outcome.aborted;
    return outcome;
}

CompressionOutcome extractLibrary(const ExtractRequest& r, Prompter& prompter,
                                  ArchiveProgress& window)
{
    const ArchiveOpResult result = ExtractWholeLibarchive(r.archive, plainDirectory(r.target),
                                                          r.subdirectories, prompter, window);
    CompressionOutcome outcome;
    outcome.aborted = result.aborted;
    outcome.passed = result.passed && !result.aborted;
    return outcome;
}

} // namespace

QString MethodName(CompressMethod method, int slot, const ArchiverToolTable& tools)
{
    switch (method) {
    case CompressMethod::ZipInternal:
        return QStringLiteral("Zip (internal)");
    case CompressMethod::Pkzip:
        return QStringLiteral("Pkzip");
    case CompressMethod::MsCompress:
        return QStringLiteral("MsCompress");
    case CompressMethod::Library:
        return QStringLiteral("Library");
    case CompressMethod::Custom:
        break;
    }
    return slot >= 1 && slot <= 7 ? tools[size_t(slot - 1)].naam : QString();
}

CompressionOutcome RunCompression(const CompressRequest& request, const ArchiverToolTable& tools,
                                  Prompter& prompter, ArchiveProgress& window)
{
    if (request.method == CompressMethod::ZipInternal)
        return compressInternal(request, prompter, window);
    if (request.method == CompressMethod::Pkzip && request.password)
        return compressSealed(request, tools, prompter, window);
    CompressionOutcome outcome =
        runTool(CompressCommand(request, tools), kCompressing,
                QStringLiteral("Compressing Files, Please wait..."), fileNamePart(request.target),
                ArchiveProgress::Animation::Zip, prompter, window);
    if (outcome.passed && request.method == CompressMethod::MsCompress)
        outcome.passed = mendMsCompressOutput(request, prompter);
    return outcome;
}

CompressionOutcome RunExtraction(const ExtractRequest& request, const ArchiverToolTable& tools,
                                 Prompter& prompter, ArchiveProgress& window)
{
    switch (request.method) {
    case CompressMethod::ZipInternal:
        return extractInternal(request, prompter, window);
    case CompressMethod::MsCompress:
        return expandSzdd(request, prompter, window);
    case CompressMethod::Library:
        return extractLibrary(request, prompter, window);
    case CompressMethod::Pkzip:
    case CompressMethod::Custom:
        break;
    }
    return runTool(ExtractCommand(request, tools), kDecompressing,
                   QStringLiteral("Decompressing Files, Please wait... "),
                   dospath::fileName(request.archive), ArchiveProgress::Animation::Unzip, prompter,
                   window);
}

QString UpperExtension(const QString& name)
{
    const QString file = fileNamePart(name);
    const qsizetype dot = file.lastIndexOf('.');
    return dot > 0 ? file.mid(dot).toUpper() : QString();
}

bool IsCompressedFile(const QString& name, const ArchiverToolTable& tools)
{
    const QString ext = UpperExtension(name);
    if (ext.isEmpty())
        return false;
    return ext == QLatin1String(".ZIP") || ext.endsWith('_') || SlotForArchive(name, tools) != 0;
}

DecompressMode DecompressModeFor(const QString& archivePath, const ArchiverToolTable& tools)
{
    DecompressMode mode;
    // The content decides before the name: no archiver fits these kinds.
    if (const QChar kind = DetectArchiveKind(archivePath); isLibarchiveKind(kind)) {
        mode.method = CompressMethod::Library;
        mode.libraryKind = kind;
        return mode;
    }
    const QString ext = UpperExtension(archivePath);
    const auto apply = [&mode](const MethodOptions& o) {
        mode.volumes.enabled = o.volumes;
        mode.password.enabled = o.password;
        mode.subdirectories.enabled = o.subdirectories;
    };
    if (ext == QLatin1String(".ZIP")) {
        mode.method = CompressMethod::ZipInternal;
        apply(MethodClick(CompressMethod::ZipInternal));
        mode.volumes.enabled = false;
        mode.zipEnabled = mode.pkzipEnabled = true;
        mode.password.enabled = false;
    }
    if (archivePath.endsWith('_')) {
        mode.method = CompressMethod::MsCompress;
        for (OptionBox* box : {&mode.subdirectories, &mode.volumes, &mode.password})
            *box = {false, false};
    }
    if (const int slot = SlotForArchive(archivePath, tools)) {
        const ArchiverTool& t = tools[size_t(slot - 1)];
        mode.method = CompressMethod::Custom;
        mode.slot = slot;
        apply(MethodClick(CompressMethod::Custom, &t));
        mode.subdirectories.enabled = ArchiverTool::isSet(t.expS);
        mode.volumes.enabled = ArchiverTool::isSet(t.expV);
        mode.password.enabled = ArchiverTool::isSet(t.expP);
    }
    for (OptionBox* box : {&mode.subdirectories, &mode.volumes, &mode.password})
        if (!box->enabled)
            box->checked = false;
    return mode;
}

} // namespace dovex
