// Merge: the parts of a set joined into one file, checked against base.crc
// before the file takes its name.
#include "fileops/splitmerge.h"

#include "fileops/checkedwriter.h"
#include "fileops/operationstate.h"
#include "fileops/partoutput.h"
#include "platform/directory.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/progresssink.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <vector>

namespace dovex {

namespace {

// A descriptor is a few short lines; anything larger is not one.
constexpr std::int64_t kMaxDescriptorBytes = 64 * 1024;

// What base.crc says; each field is unset when absent. A field that is
// present but unreadable makes the whole descriptor invalid.
struct Descriptor {
    bool present = false;
    bool valid = true;
    std::optional<std::int64_t> size;
    std::optional<std::uint32_t> crc;
};

Descriptor readDescriptor(const QString& name)
{
    Descriptor d;
    const FileStatus st = fileio::status(name, true);
    if (!st.exists || !st.regular)
        return d;
    File in;
    if (!in.openRead(name)) {
        d.present = true;
        d.valid = false;
        return d;
    }
    QByteArray text(int(kMaxDescriptorBytes), '\0');
    std::int64_t got = 0;
    for (;;) {
        const std::int64_t n = in.read(text.data() + got, kMaxDescriptorBytes - got);
        if (n <= 0)
            break;
        got += n;
        if (got == kMaxDescriptorBytes)
            break;
    }
    text.truncate(int(got));
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed(); // also a carriage return of a CR LF line
        const int eq = int(line.indexOf('='));
        if (eq <= 0)
            continue;
        const QByteArray key = line.left(eq).trimmed().toLower();
        const QByteArray value = line.mid(eq + 1).trimmed();
        bool ok = false;
        if (key == "size") {
            d.present = true;
            const qlonglong v = value.toLongLong(&ok);
            if (ok && v >= 0 && !value.startsWith('+'))
                d.size = v;
            else
                d.valid = false;
        } else if (key == "crc32") {
            d.present = true;
            const qulonglong v = value.toULongLong(&ok, 16);
            if (ok && value.size() <= 8 && !value.startsWith('+') && !value.startsWith('-'))
                d.crc = std::uint32_t(v);
            else
                d.valid = false;
        } else if (key == "filename") {
            d.present = true;
        }
    }
    return d;
}

// What a merge works from, once every check and question has passed.
struct MergePlan {
    QString base;
    QString target;
    QStringList parts;
    Descriptor descriptor;
    bool replacing = false; // the person agreed to replace a target there
};

// Which of the numbers 1 to kMaxParts have an entry named as that part
// beside base, from one read of the directory rather than a look for each
// of the 999 names; nullopt when the directory cannot be read (it may
// still be searched: each name is then looked for).
std::optional<std::vector<bool>> partsListed(const QString& base)
{
    Directory dir;
    if (!dir.open(dospath::directoryPart(base)))
        return std::nullopt;
    const std::optional<std::vector<DirItem>> items = dir.list(false);
    if (!items)
        return std::nullopt;
    const QString prefix = dospath::fileName(base) + '.';
    std::vector<bool> listed(kMaxParts + 1, false);
    for (const DirItem& item : *items) {
        if (item.name.size() != prefix.size() + 3 || !item.name.startsWith(prefix))
            continue;
        const QStringView digits = QStringView(item.name).right(3);
        if (!std::all_of(digits.begin(), digits.end(),
                         [](QChar c) { return c >= u'0' && c <= u'9'; }))
            continue;
        if (const int n = digits.toInt(); n >= 1)
            listed[std::size_t(n)] = true;
    }
    return listed;
}

// The set: base.001 up to the first missing number. A number missing
// before others that exist is a part lost, and nullopt (reported): the
// set would be joined without it.
std::optional<QStringList> collectParts(OperationState& state, const QString& base)
{
    const std::optional<std::vector<bool>> listed = partsListed(base);
    const auto exists = [&](int n) {
        return listed ? (*listed)[std::size_t(n)] : fileio::status(PartName(base, n), true).exists;
    };
    QStringList parts;
    int n = 1;
    for (; n <= kMaxParts && exists(n); ++n)
        parts << PartName(base, n);
    for (int later = n + 1; later <= kMaxParts; ++later) {
        if (exists(later)) {
            state.error(QStringLiteral("File ") + PartName(base, n) +
                        QStringLiteral(" is missing: ") + PartName(base, later) +
                        QStringLiteral(" and the parts after it cannot be joined without it."));
            return std::nullopt;
        }
    }
    return parts;
}

// Whether the target is one of the parts, by its name or as the same file
// under another name or through a link: writing onto it would destroy what
// is to be read. A target that is not there is none of them, and the parts
// are not looked at for it.
bool targetIsAPart(const QString& target, const QStringList& parts)
{
    const bool there = fileio::status(target, false).exists;
    for (const QString& part : parts)
        if (part == target || (there && fileio::sameFile(part, target)))
            return true;
    return false;
}

std::optional<MergePlan> planMerge(OperationState& state, const QString& base,
                                   const AskMergeTarget& askTarget)
{
    const FileStatus first = fileio::status(PartName(base, 1), true);
    if (!first.exists || !first.regular) {
        state.ask(Severity::Information, QStringLiteral("File not available."), Buttons::Ok);
        return std::nullopt;
    }
    MergePlan plan;
    plan.base = base;
    const std::optional<QStringList> parts = collectParts(state, base);
    const std::optional<QString> typed = parts && askTarget ? askTarget(base) : std::nullopt;
    if (!typed || typed->isEmpty())
        return std::nullopt;
    plan.target = *typed;
    plan.parts = *parts;
    if (targetIsAPart(plan.target, plan.parts)) {
        state.warning(QStringLiteral("Cannot copy to itself"));
        return std::nullopt;
    }
    // Read before anything is written: the target may have its name.
    plan.descriptor = readDescriptor(DescriptorName(base));
    bool exists = false;
    if (!MayReplacePart(state, plan.target, exists))
        return std::nullopt;
    plan.replacing = exists;
    return plan;
}

// Opens every part once for the totals and asks when they may not fit;
// false (the output removed) when the merge is not to go on.
bool countParts(OperationState& state, const MergePlan& plan, PartOutput& out)
{
    state.progressWord = QStringLiteral("Merged");
    state.totalBytes = 0;
    state.totalFiles = 0;
    state.setLine1(QStringLiteral("Checking"));
    bool go = true;
    for (const QString& part : plan.parts) {
        File in;
        const FileStatus st = fileio::status(part, true);
        if (!st.regular || !in.openRead(part)) {
            state.error(QStringLiteral("Open error File ") + part);
            go = false;
            break;
        }
        state.totalBytes += st.size;
        ++state.totalFiles;
    }
    if (go && !EnoughSpaceForParts(state, PartName(plan.base, 1), plan.target, state.totalBytes))
        go = false;
    if (!go) {
        out.file.close();
        fileio::removeFile(out.written);
    }
    return go;
}

// How joining the parts ended.
struct MergeRun {
    bool readFailed = false;
    bool writeFailed = false;
    bool openFailed = false;
    int err = 0;
    QString failedPart;
};

// One block of in handed to writer: read tells how many bytes it had,
// written how many of the earlier ones reached out since, and run whether
// the read or an earlier write failed.
void appendCheckedBlock(File& in, PartOutput& out, CheckedWriter& writer, MergeRun& run,
                        std::int64_t& read, std::int64_t& written)
{
    bool hole = false;
    read = in.readData(writer.buffer(), kSplitBlock, hole);
    run.readFailed = read < 0;
    read = std::max<std::int64_t>(read, 0);
    writer.put(out.file, read, hole);
    const CheckedWriter::Progress p = writer.progress();
    written = p.written;
    run.writeFailed = p.failed;
}

// Appends one part to the output; false once a read or write failed. With
// a writer the bytes pass through its buffers (the CRC-32 is taken from
// them) and are written behind the reads; without one the kernel moves
// them, as cat does.
bool appendPart(OperationState& state, File& in, PartOutput& out, const QString& part,
                MergeRun& run, CheckedWriter* writer)
{
    for (;;) {
        std::int64_t read = 0;
        std::int64_t written = 0;
        if (writer) {
            appendCheckedBlock(in, out, *writer, run, read, written);
        } else {
            const File::Transfer t = out.file.transfer(in, kSplitBlock);
            run.readFailed = t.failed && t.readFailed;
            run.writeFailed = (t.failed && !t.readFailed) || t.written != t.read;
            read = t.read;
            written = t.written;
        }
        if (written > 0)
            state.doneBytes += written;
        ProgressInfo(state);
        state.checkAbort();
        if (run.readFailed || run.writeFailed) {
            run.err = run.readFailed ? in.error() : out.file.error();
            run.failedPart = part;
            return false;
        }
        if (read == 0 || state.abortRequested)
            return true;
    }
}

// The writes still under way when the parts were read: once they have
// ended, the output is whole, or a write failed.
void settleWrites(OperationState& state, PartOutput& out, MergeRun& run, CheckedWriter& writer)
{
    const CheckedWriter::Progress p = writer.settle();
    state.doneBytes += p.written;
    if (p.failed && !run.writeFailed) {
        // A write failed behind a read that did not: the write is what went wrong first.
        run.readFailed = false;
        run.writeFailed = true;
        run.err = out.file.error();
    }
}

MergeRun joinParts(OperationState& state, const QStringList& parts, PartOutput& out,
                   CheckedWriter* writer)
{
    MergeRun run;
    for (const QString& part : parts) {
        state.setLine1(QStringLiteral("merging ") + dospath::fileName(part));
        ProgressInfo(state);
        File in;
        if (!fileio::status(part, true).regular || !in.openRead(part)) {
            state.error(QStringLiteral("Open error File ") + part);
            run.openFailed = true;
            break;
        }
        const bool appended = appendPart(state, in, out, part, run, writer);
        ++state.doneFiles;
        if (!appended || state.abortRequested)
            break;
    }
    if (writer)
        settleWrites(state, out, run, *writer);
    return run;
}

// Whether the joined bytes are those base.crc describes; a mismatch, or a
// check that could not be made, is reported.
bool matchesDescriptor(OperationState& state, const MergePlan& plan, std::uint32_t crc)
{
    const Descriptor& d = plan.descriptor;
    if (!d.present)
        return true;
    const QString descriptorName = DescriptorName(plan.base);
    const QString& target = plan.target;
    if (!d.valid) {
        state.error(QStringLiteral("Cannot check ") + target + QStringLiteral(": ") +
                    descriptorName + QStringLiteral(" is not a valid check file."));
        return false;
    }
    QStringList wrong;
    if (d.size && *d.size != state.doneBytes)
        wrong << QStringLiteral("size %1 instead of %2").arg(state.doneBytes).arg(*d.size);
    if (d.crc && *d.crc != crc)
        wrong << QStringLiteral("CRC-32 %1 instead of %2").arg(CrcText(crc), CrcText(*d.crc));
    if (wrong.isEmpty())
        return true;
    state.error(target + QStringLiteral(" does not match ") + descriptorName +
                QStringLiteral(": ") + wrong.join(QStringLiteral(", ")) + '.');
    return false;
}

// Gives the checked result the target's name: over the old target the
// person agreed to replace, else only while the name is free (a file that
// appeared there meanwhile is asked about first). The result goes when it
// cannot have the name.
bool placeMerged(OperationState& state, const MergePlan& plan, PartOutput& out)
{
    out.file.close();
    int rc = plan.replacing ? fileio::rename(out.written, plan.target)
                            : fileio::renameNoReplace(out.written, plan.target);
    bool exists = false;
    if (rc == EEXIST)
        rc = MayReplacePart(state, plan.target, exists) ? fileio::rename(out.written, plan.target)
                                                        : -1;
    if (rc == 0)
        return true;
    if (rc > 0)
        state.error(QStringLiteral("Write error File ") + plan.target + '\r' +
                    fileio::systemMessage(rc));
    fileio::removeFile(out.written);
    ++state.notDone;
    return false;
}

// The end of a merge: a result read whole that matches its check file
// takes the target's name; one that does not match is removed; one cut
// short keeps its temporary name, and the report says so.
bool finishMerge(OperationState& state, const MergePlan& plan, PartOutput& out, const MergeRun& run,
                 std::uint32_t crc)
{
    if (!run.readFailed && !run.writeFailed && !run.openFailed && !state.abortRequested) {
        if (matchesDescriptor(state, plan, crc))
            return placeMerged(state, plan, out);
        out.file.close();
        fileio::removeFile(out.written);
        ++state.notDone;
        return false;
    }
    const QString partial = out.abandon();
    ++state.notDone;
    if (run.readFailed || run.writeFailed) {
        state.ioFailed = true;
        state.abortRequested = true;
        state.error((run.readFailed ? QStringLiteral("Read error File ") + run.failedPart
                                    : QStringLiteral("Write error File ") + plan.target) +
                    '\r' +
                    fileio::systemMessage(run.err ? run.err : (run.readFailed ? EIO : ENOSPC)));
    }
    ReportEarlyEnd(state, QStringLiteral("Merge"),
                   QStringLiteral("the parts of ") + plan.base + QStringLiteral(" are"), partial);
    return false;
}

// Joins the parts into out; with a check file, the CRC-32 is computed from
// the bytes written, which are written on a helper thread where there are
// two processors. Without one the kernel moves the bytes, as cat does,
// unless it would only copy them as the reads and writes do, which the
// helper then overlaps.
bool joinAndFinish(OperationState& state, const MergePlan& plan, PartOutput& out)
{
    const bool checking = plan.descriptor.present && plan.descriptor.valid;
    const bool helper = CheckedWriter::helperPays();
    std::optional<CheckedWriter> writer;
    if (checking || (helper && out.file.copiedByteByByte()))
        writer.emplace(kSplitBlock, helper, checking);
    const MergeRun run = joinParts(state, plan.parts, out, writer ? &*writer : nullptr);
    return finishMerge(state, plan, out, run, writer ? writer->crc() : 0);
}

} // namespace

bool AppendFile(OperationState& state, const QString& base, const AskMergeTarget& askTarget)
{
    ResetSplitMergeState(state);
    const std::optional<MergePlan> plan = planMerge(state, base, askTarget);
    if (!plan)
        return false;
    // Always under a temporary name: the target's name goes only to a
    // result read whole that matched its check file.
    PartOutput out;
    out.name = plan->target;
    if (!out.create(true)) {
        state.error(QStringLiteral("Write error File ") + plan->target);
        return false;
    }
    if (!countParts(state, *plan, out))
        return false;
    state.startCounting();
    state.setLine2(QStringLiteral("to ") + dospath::fileName(plan->target));
    return joinAndFinish(state, *plan, out);
}

} // namespace dovex
