#include "fileops/splitmerge.h"

#include "fileops/checkedwriter.h"
#include "fileops/operationstate.h"
#include "fileops/partoutput.h"
#include "fileops/pathrules.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/progresssink.h"

#include <QByteArray>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <memory>
#include <optional>

namespace dovex {

namespace {

// A typed size that is not a whole number splits at about 1.4 MB.
constexpr std::int64_t kDefaultPartBytes = 1450000;

// Writes base.crc for a split that completed; a failure here only loses the
// check, never a part, and is reported.
void writeDescriptor(OperationState& state, const QString& source, const QString& base,
                     std::int64_t size, std::uint32_t crc)
{
    const QString name = DescriptorName(base);
    // A source named base.crc is never replaced by its own descriptor.
    if (name == source || fileio::sameFile(name, source))
        return;
    PartOutput out;
    if (!OpenPartOutput(state, out, name))
        return;
    const QByteArray text = QByteArrayLiteral("filename=") +
                            hostname::encode(dospath::fileName(source)) +
                            QByteArrayLiteral("\nsize=") + QByteArray::number(qlonglong(size)) +
                            QByteArrayLiteral("\ncrc32=") + CrcText(crc).toLatin1() + '\n';
    if (out.file.write(text.constData(), text.size()) != text.size() || !out.finish()) {
        state.error(QStringLiteral("Write error File ") + name + '\r' +
                    fileio::systemMessage(out.file.error() ? out.file.error() : ENOSPC));
        out.abandon();
        fileio::removeFile(out.written);
    }
}

// What a split works from, once every check and question has passed.
struct SplitPlan {
    QString path;
    QString base;
    FileStatus source;
    std::int64_t size = 0;
    std::int64_t cut = 0; // bytes of every part but the last
};

// The plan when its parts can be numbered and none of them is the source
// under another name (splitting x.001 would write x.001 while reading it);
// nullopt, reported, before anything is written otherwise.
std::optional<SplitPlan> checkSplitParts(OperationState& state, const SplitPlan& plan,
                                         std::int64_t parts)
{
    if (parts > kMaxParts) {
        state.ask(Severity::Information,
                  QStringLiteral("Split size too small: ") + plan.path +
                      QStringLiteral(" would need ") + QString::number(parts) +
                      QStringLiteral(" parts, at most ") + QString::number(kMaxParts) +
                      QStringLiteral(" can be numbered."),
                  Buttons::Ok);
        return std::nullopt;
    }
    for (int n = 1; n <= parts; ++n) {
        const QString part = PartName(plan.base, n);
        if (part == plan.path || fileio::sameFile(part, plan.path)) {
            state.warning(QStringLiteral("Cannot copy to itself"));
            return std::nullopt;
        }
    }
    return plan;
}

// The questions and checks before a split, with the source opened; nullopt
// (everything already said) when there is nothing to do.
std::optional<SplitPlan> planSplit(OperationState& state, const QString& path,
                                   const AskSplitSize& askSize, File& in)
{
    if (state.ask(Severity::Information, QStringLiteral("Split ") + path + '?', Buttons::YesNo) !=
        Answer::Yes)
        return std::nullopt;
    // Only a plain file (or a link to one) is split: a pipe or a device
    // would never end.
    const FileStatus first = fileio::status(path, true);
    if (!first.exists || !first.regular) {
        state.ask(Severity::Information, QStringLiteral("File not available."), Buttons::Ok);
        return std::nullopt;
    }
    const std::optional<QString> typed = askSize ? askSize() : std::nullopt;
    if (!typed)
        return std::nullopt;
    const std::int64_t partSize = SplitPartSize(*typed);
    if (partSize <= 0) {
        state.ask(Severity::Information,
                  QStringLiteral("Split size must be at least 1 KB, not ") + *typed, Buttons::Ok);
        return std::nullopt;
    }
    if (!in.openRead(path)) {
        state.ask(Severity::Information, QStringLiteral("File read error."), Buttons::Ok);
        return std::nullopt;
    }
    SplitPlan plan{path, SplitBase(path), in.status()};
    plan.size = plan.source.size;
    plan.cut = SplitCutSize(partSize);
    state.totalFiles = 1;
    state.totalBytes = plan.size;
    if (partSize >= plan.size) {
        state.ask(Severity::Information,
                  QStringLiteral("No need to split file, File is smaller then ") +
                      QString::number(partSize),
                  Buttons::Ok);
        return std::nullopt;
    }
    return checkSplitParts(state, plan, SplitPartCount(plan.size, partSize));
}

// A split runs one block at a time; this is how the loop ended.
struct SplitRun {
    std::unique_ptr<PartOutput> current = std::make_unique<PartOutput>();
    // After current: the writes still under way end before the part goes.
    CheckedWriter writer{kSplitBlock, CheckedWriter::helperPays()};
    std::int64_t handedOver = 0; // bytes of the source read and handed to writer
    bool readFailed = false;
    bool writeFailed = false;
    bool declined = false; // an existing part kept, or a part not made
};

// Counts what has reached the parts; false once a write failed. With
// settle, waits until every write handed over has ended.
bool takeWritten(OperationState& state, SplitRun& run, bool settle)
{
    const CheckedWriter::Progress p = settle ? run.writer.settle() : run.writer.progress();
    state.doneBytes += p.written;
    run.writeFailed = run.writeFailed || p.failed;
    return !run.writeFailed;
}

// A block of the source read into the writer's buffer, not yet handed over.
struct ReadBlock {
    std::int64_t read = 0; // 0 at the source's end, -1 when the read failed
    bool hole = false;     // the bytes are a hole of a sparse source
};

ReadBlock readBlock(File& in, SplitRun& run, std::int64_t want)
{
    ReadBlock block;
    block.read = in.readData(run.writer.buffer(), want, block.hole);
    return block;
}

// A block read into the current part; a hole of a sparse source stays a
// hole in the part. False when the read (the source ended early too) or a
// write failed.
bool placeBlock(OperationState& state, SplitRun& run, const ReadBlock& block, std::int64_t& inPart)
{
    if (block.read <= 0) {
        run.readFailed = true;
        return false;
    }
    run.writer.put(run.current->file, block.read, block.hole);
    run.handedOver += block.read;
    inPart += block.read;
    return takeWritten(state, run, false);
}

// Gives the full part its name and opens part n; false when either fails
// or the person keeps an existing part n (run tells which).
bool nextPart(OperationState& state, const SplitPlan& plan, File& in, SplitRun& run, int n)
{
    if (!takeWritten(state, run, true))
        return false;
    run.current->file.copyMetadataFrom(in, plan.source);
    if (!run.current->finish()) {
        state.error(QStringLiteral("Write error File ") + run.current->name);
        run.writeFailed = true;
        return false;
    }
    state.setLine1(dospath::fileName(PartName(plan.base, n)));
    run.current = std::make_unique<PartOutput>();
    run.declined = !OpenPartOutput(state, *run.current, PartName(plan.base, n));
    return !run.declined;
}

void splitLoop(OperationState& state, const SplitPlan& plan, File& in, SplitRun& run)
{
    std::int64_t inPart = 0;
    std::optional<ReadBlock> ahead;
    for (int n = 1;;) {
        // Never more than the file had when it was measured, and never past
        // the current part's cut point.
        const std::int64_t want =
            std::min({kSplitBlock, plan.cut - inPart, plan.size - run.handedOver});
        if (want == 0)
            break;
        const ReadBlock block = ahead ? *ahead : readBlock(in, run, want);
        ahead.reset();
        if (!placeBlock(state, run, block, inPart))
            break;
        if (inPart >= plan.cut) {
            // The next part's first block is read while this part's last
            // writes end, which the part waits for before it is named.
            const std::int64_t next = std::min({kSplitBlock, plan.cut, plan.size - run.handedOver});
            if (next > 0)
                ahead = readBlock(in, run, next);
            if (!nextPart(state, plan, in, run, ++n))
                break;
            inPart = 0;
        }
        ProgressInfo(state);
        if (state.checkAbort())
            break;
    }
    ProgressInfo(state);
}

// The last part and the descriptor after a whole split, or the report of
// how it ended early.
bool finishSplit(OperationState& state, const SplitPlan& plan, File& in, SplitRun& run)
{
    takeWritten(state, run, true);
    const bool complete = !run.readFailed && !run.writeFailed && !run.declined &&
                          !state.abortRequested && state.doneBytes == plan.size;
    if (run.declined) {
        // Every part before it is whole; the one the person kept stays.
        ++state.notDone;
        ReportEarlyEnd(state, QStringLiteral("Split"), plan.path + QStringLiteral(" is"),
                       QString());
        return false;
    }
    PartOutput& current = *run.current;
    if (complete) {
        current.file.copyMetadataFrom(in, plan.source);
        if (!current.finish()) {
            state.error(QStringLiteral("Write error File ") + current.name);
            current.abandon();
            ++state.notDone;
            return false;
        }
        writeDescriptor(state, plan.path, plan.base, plan.size, run.writer.crc());
        return true;
    }
    const int err = run.readFailed ? in.error() : current.file.error();
    const QString partial = current.file.isOpen() ? current.abandon() : QString();
    ++state.notDone;
    if (run.readFailed || run.writeFailed) {
        state.ioFailed = true;
        state.abortRequested = true;
        state.error((run.readFailed ? QStringLiteral("Read error File ") + plan.path
                                    : QStringLiteral("Write error File ") + current.name) +
                    '\r' + fileio::systemMessage(err ? err : (run.readFailed ? EIO : ENOSPC)));
    }
    ReportEarlyEnd(state, QStringLiteral("Split"), plan.path + QStringLiteral(" is"), partial);
    return false;
}

} // namespace

std::int64_t SplitPartSize(const QString& kilobytesText)
{
    bool ok = false;
    const QString text = kilobytesText.trimmed();
    const qlonglong kb = text.toLongLong(&ok);
    double bytes = ok ? double(kb) * 1024.0 : double(kDefaultPartBytes);
    // A size beyond any file is as good as infinite; it keeps the product
    // below overflow.
    if (bytes > 1e18)
        bytes = 1e18;
    // nearbyint rounds halves to the even neighbour in the default mode.
    const double units = std::nearbyint(bytes / 2048.0 + 0.5);
    return std::int64_t(units) * 2048;
}

std::int64_t SplitCutSize(std::int64_t partSize)
{
    if (partSize <= 0)
        return 0;
    return (partSize + kCutBlock - 1) / kCutBlock * kCutBlock;
}

std::int64_t SplitPartCount(std::int64_t fileSize, std::int64_t partSize)
{
    const std::int64_t cut = SplitCutSize(partSize);
    return cut > 0 ? fileSize / cut + 1 : 0;
}

QString SplitBase(const QString& path)
{
    const QString ext = pathExtension(path);
    const QString name = dospath::fileName(path);
    if (ext.isEmpty() || ext.size() == name.size())
        return path;
    return path.left(path.size() - ext.size());
}

QString PartName(const QString& base, int n)
{
    return base + '.' + QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')).right(3);
}

QString DescriptorName(const QString& base)
{
    return base + QStringLiteral(".crc");
}

bool SplitFile(OperationState& state, const QString& path, const AskSplitSize& askSize)
{
    ResetSplitMergeState(state);
    File in;
    const std::optional<SplitPlan> plan = planSplit(state, path, askSize, in);
    if (!plan)
        return false;
    state.progressWord = QStringLiteral("Splitted");
    state.setLine2(QStringLiteral("From ") + dospath::fileName(path));
    state.setLine1(dospath::fileName(PartName(plan->base, 1)));
    state.barPosition = 0;
    state.sink.setPercent(0);
    if (!EnoughSpaceForParts(state, path, PartName(plan->base, 1), plan->size))
        return false;
    SplitRun run;
    if (!OpenPartOutput(state, *run.current, PartName(plan->base, 1)))
        return false;
    state.startCounting();
    splitLoop(state, *plan, in, run);
    return finishSplit(state, *plan, in, run);
}

} // namespace dovex
