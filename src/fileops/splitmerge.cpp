#include "fileops/splitmerge.h"

#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"
#include "platform/progresssink.h"

#include <libdeflate.h>

#include <QByteArray>
#include <QList>

#include <algorithm>
#include <atomic>
#include <future>
#include <cerrno>
#include <cmath>
#include <memory>

namespace dovex {

namespace {

// A typed size that is not a whole number splits at about 1.4 MB.
constexpr std::int64_t kDefaultPartBytes = 1450000;
// The check reads the parts in blocks small enough to stay in the
// processor's cache between the read and the CRC.
constexpr std::int64_t kCheckBlock = 256 * 1024;
// A descriptor is a few short lines; anything larger is not one.
constexpr std::int64_t kMaxDescriptorBytes = 64 * 1024;

QString existsQuestion()
{
    return QStringLiteral(" Exists, Overwrite?");
}

// Asks before an existing entry at name is replaced; true when the name is
// free or may be replaced.
bool mayReplace(OperationState& state, const QString& name, bool& exists)
{
    exists = fileio::status(name).exists;
    return !exists ||
           AgreeToReplace(state, name, QStringLiteral("Write error File ") + name, existsQuestion());
}

// One file being written: straight under its name when that was free, else
// under a free ".$$$" name beside it until it is complete, so that the file
// it replaces stays until then.
struct Output {
    File file;
    QString name;    // the name it is to have
    QString written; // the name it is written under

    bool create(bool replacing)
    {
        if (!replacing) {
            if (file.create(name)) {
                written = name;
                return true;
            }
            if (file.error() != EEXIST)
                return false;
        }
        for (int n = 0; n < 1000; ++n) {
            const QString candidate = partialName(name, n);
            if (file.create(candidate)) {
                written = candidate;
                return true;
            }
            if (file.error() != EEXIST)
                return false;
        }
        return false;
    }

    // Closes a complete file and gives it its name; false when that fails
    // (the file then keeps its ".$$$" name).
    bool finish()
    {
        file.close();
        return written == name || fileio::rename(written, name) == 0;
    }

    // Closes an incomplete file and makes sure it does not pass for a
    // complete one: it keeps (or gets) a free ".$$$" name. Returns that name,
    // empty when the file had to go.
    QString abandon()
    {
        file.close();
        if (written != name)
            return written;
        for (int n = 0; n < 1000; ++n) {
            const QString candidate = partialName(name, n);
            const int rc = fileio::renameNoReplace(name, candidate);
            if (rc == 0)
                return candidate;
            if (rc != EEXIST)
                break;
        }
        fileio::removeFile(name);
        return QString();
    }
};

// Opens (after the overwrite question) the next file to write; false when
// the person declined or it could not be made (already reported).
bool openOutput(OperationState& state, Output& out, const QString& name)
{
    out.name = name;
    bool exists = false;
    if (!mayReplace(state, name, exists))
        return false;
    if (!out.create(exists)) {
        state.error(QStringLiteral("Write error File ") + name);
        return false;
    }
    return true;
}

void resetState(OperationState& state)
{
    state.overwriteAll = false;
    state.deleteProtectedAll = false;
    state.abortRequested = false;
    state.ioFailed = false;
    state.notDone = 0;
    state.sink.dropPendingEscape();
    state.byteMode = true;
    state.countBytes = true;
}

QString crcText(std::uint32_t crc)
{
    return QStringLiteral("%1").arg(crc, 8, 16, QLatin1Char('0')).toUpper();
}

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

// Writes base.crc for a split that completed; a failure here only loses the
// check, never a part, and is reported.
void writeDescriptor(OperationState& state, const QString& source, const QString& base,
                     std::int64_t size, std::uint32_t crc)
{
    const QString name = DescriptorName(base);
    // A source named base.crc is never replaced by its own descriptor.
    if (name == source || fileio::sameFile(name, source))
        return;
    Output out;
    if (!openOutput(state, out, name))
        return;
    const QByteArray text = QByteArrayLiteral("filename=") +
                            hostname::encode(dospath::fileName(source)) +
                            QByteArrayLiteral("\nsize=") + QByteArray::number(qlonglong(size)) +
                            QByteArrayLiteral("\ncrc32=") + crcText(crc).toLatin1() + '\n';
    if (out.file.write(text.constData(), text.size()) != text.size() || !out.finish()) {
        state.error(QStringLiteral("Write error File ") + name + '\r' +
                    fileio::systemMessage(out.file.error() ? out.file.error() : ENOSPC));
        out.abandon();
        fileio::removeFile(out.written);
    }
}

bool enoughSpaceFor(OperationState& state, const QString& source, const QString& target,
                    std::int64_t size)
{
    const std::optional<std::int64_t> free = fileio::freeSpace(dospath::directoryPart(target));
    if (!free || size <= *free)
        return true;
    return state.ask(Severity::Error,
                     QStringLiteral("Not enought space to write file ") + source +
                         QStringLiteral("\rdo you wish to continue anyway?"),
                     Buttons::YesNo) == Answer::Yes;
}

// Says how an operation that ended early left things.
void reportEarlyEnd(OperationState& state, const QString& what, const QString& sources,
                    const QString& partial)
{
    QString text = what + QStringLiteral(" ended early; ") + sources + QStringLiteral(" unchanged.");
    if (!partial.isEmpty())
        text += QStringLiteral("\rThe incomplete file is kept as ") + partial + '.';
    state.ask(Severity::Warning, text, Buttons::Ok);
}

// The parts' CRC-32 and length, read a second time beside the copy.
struct PartsCheck {
    std::uint32_t crc = 0;
    std::int64_t bytes = 0;
    bool failed = false;
};

// Runs on a helper thread while the kernel copies the parts into the
// target: the bytes are read from the page cache the copy fills, so the
// check costs hardly more time than the copy itself, where reading and
// writing them through one buffer here took almost twice as long. Stops
// early when stop is set.
PartsCheck checkParts(const QStringList& parts, const std::atomic<bool>& stop)
{
    PartsCheck r;
    r.crc = libdeflate_crc32(0, nullptr, 0);
    std::unique_ptr<char[]> buffer(new char[kCheckBlock]);
    for (const QString& part : parts) {
        File in;
        if (!in.openRead(part)) {
            r.failed = true;
            return r;
        }
        for (;;) {
            if (stop.load(std::memory_order_relaxed))
                return r;
            const std::int64_t got = in.read(buffer.get(), kCheckBlock);
            if (got < 0) {
                r.failed = true;
                return r;
            }
            if (got == 0)
                break;
            r.crc = libdeflate_crc32(r.crc, buffer.get(), size_t(got));
            r.bytes += got;
        }
    }
    return r;
}

struct Buffer {
    std::unique_ptr<char[]> data{new char[kSplitBlock]};
};

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
    resetState(state);
    if (state.ask(Severity::Information, QStringLiteral("Split ") + path + '?', Buttons::YesNo) !=
        Answer::Yes)
        return false;
    // Only a plain file (or a link to one) is split: a pipe or a device
    // would never end.
    const FileStatus first = fileio::status(path, true);
    if (!first.exists || !first.regular) {
        state.ask(Severity::Information, QStringLiteral("File not available."), Buttons::Ok);
        return false;
    }
    const std::optional<QString> typed = askSize ? askSize() : std::nullopt;
    if (!typed)
        return false;
    const std::int64_t partSize = SplitPartSize(*typed);
    if (partSize <= 0) {
        state.ask(Severity::Information,
                  QStringLiteral("Split size must be at least 1 KB, not ") + *typed, Buttons::Ok);
        return false;
    }

    File in;
    if (!in.openRead(path)) {
        state.ask(Severity::Information, QStringLiteral("File read error."), Buttons::Ok);
        return false;
    }
    const FileStatus src = in.status();
    const std::int64_t size = src.size;
    state.totalFiles = 1;
    state.totalBytes = size;
    if (partSize >= size) {
        state.ask(Severity::Information,
                  QStringLiteral("No need to split file, File is smaller then ") +
                      QString::number(partSize),
                  Buttons::Ok);
        return false;
    }
    const std::int64_t cut = SplitCutSize(partSize);
    const std::int64_t parts = SplitPartCount(size, partSize);
    // Refused before anything is written: a part beyond .999 has no name.
    if (parts > kMaxParts) {
        state.ask(Severity::Information,
                  QStringLiteral("Split size too small: ") + path + QStringLiteral(" would need ") +
                      QString::number(parts) + QStringLiteral(" parts, at most ") +
                      QString::number(kMaxParts) + QStringLiteral(" can be numbered."),
                  Buttons::Ok);
        return false;
    }
    const QString base = SplitBase(path);
    // A part must never be the source under another name (splitting x.001
    // would write x.001 while reading it).
    for (int n = 1; n <= parts; ++n) {
        const QString part = PartName(base, n);
        if (part == path || fileio::sameFile(part, path)) {
            state.warning(QStringLiteral("Cannot copy to itself"));
            return false;
        }
    }

    state.progressWord = QStringLiteral("Splitted");
    state.setLine2(QStringLiteral("From ") + dospath::fileName(path));
    state.setLine1(dospath::fileName(PartName(base, 1)));
    state.barPosition = 0;
    state.sink.setPercent(0);

    if (!enoughSpaceFor(state, path, PartName(base, 1), size))
        return false;

    int n = 1;
    auto current = std::make_unique<Output>();
    if (!openOutput(state, *current, PartName(base, 1)))
        return false;
    state.startCounting();

    Buffer buffer;
    std::uint32_t crc = libdeflate_crc32(0, nullptr, 0);
    std::int64_t inPart = 0;
    bool readFailed = false, writeFailed = false, declined = false;
    for (;;) {
        // Never more than the file had when it was measured, and never past
        // the current part's cut point.
        const std::int64_t want =
            std::min({kSplitBlock, cut - inPart, size - state.doneBytes});
        const std::int64_t got = want > 0 ? in.read(buffer.data.get(), want) : 0;
        // A file that ends before the size it had is a failed read too.
        if (got < 0 || (got == 0 && want > 0)) {
            readFailed = true;
            break;
        }
        if (got == 0)
            break;
        crc = libdeflate_crc32(crc, buffer.data.get(), size_t(got));
        const std::int64_t put = current->file.write(buffer.data.get(), got);
        if (put > 0) {
            state.doneBytes += put;
            inPart += put;
        }
        if (put != got) {
            writeFailed = true;
            break;
        }
        if (inPart >= cut) {
            current->file.copyMetadataFrom(in, src);
            if (!current->finish()) {
                state.error(QStringLiteral("Write error File ") + current->name);
                writeFailed = true;
                break;
            }
            ++n;
            inPart = 0;
            state.setLine1(dospath::fileName(PartName(base, n)));
            current = std::make_unique<Output>();
            if (!openOutput(state, *current, PartName(base, n))) {
                declined = true;
                break;
            }
        }
        ProgressInfo(state);
        if (state.checkAbort())
            break;
    }
    ProgressInfo(state);

    const bool complete = !readFailed && !writeFailed && !declined && !state.abortRequested &&
                          state.doneBytes == size;
    if (declined) {
        // Every part before it is whole; the one the person kept stays.
        ++state.notDone;
        reportEarlyEnd(state, QStringLiteral("Split"), path + QStringLiteral(" is"), QString());
        return false;
    }
    if (complete) {
        current->file.copyMetadataFrom(in, src);
        if (!current->finish()) {
            state.error(QStringLiteral("Write error File ") + current->name);
            current->abandon();
            ++state.notDone;
            return false;
        }
        writeDescriptor(state, path, base, size, crc);
        return true;
    }

    const int err = readFailed ? in.error() : current->file.error();
    const QString partial = current->file.isOpen() ? current->abandon() : QString();
    ++state.notDone;
    if (readFailed || writeFailed) {
        state.ioFailed = true;
        state.abortRequested = true;
        state.error((readFailed ? QStringLiteral("Read error File ") + path
                                : QStringLiteral("Write error File ") + current->name) +
                    '\r' + fileio::systemMessage(err ? err : (readFailed ? EIO : ENOSPC)));
    }
    reportEarlyEnd(state, QStringLiteral("Split"), path + QStringLiteral(" is"), partial);
    return false;
}

bool AppendFile(OperationState& state, const QString& base, const AskMergeTarget& askTarget)
{
    resetState(state);
    const FileStatus first = fileio::status(PartName(base, 1), true);
    if (!first.exists || !first.regular) {
        state.ask(Severity::Information, QStringLiteral("File not available."), Buttons::Ok);
        return false;
    }
    const std::optional<QString> typed = askTarget ? askTarget(base) : std::nullopt;
    if (!typed || typed->isEmpty())
        return false;
    const QString target = *typed;

    // The set: up to the first missing number, never beyond .999.
    QStringList parts;
    for (int n = 1; n <= kMaxParts; ++n) {
        const QString part = PartName(base, n);
        if (!fileio::status(part, true).exists)
            break;
        parts << part;
    }
    // Writing onto a part would destroy what is to be read.
    for (const QString& part : parts) {
        if (part == target || fileio::sameFile(part, target)) {
            state.warning(QStringLiteral("Cannot copy to itself"));
            return false;
        }
    }
    // Read before anything is written: the target may have its name.
    const Descriptor descriptor = readDescriptor(DescriptorName(base));

    Output out;
    if (!openOutput(state, out, target))
        return false;

    state.progressWord = QStringLiteral("Merged");
    state.totalBytes = 0;
    state.totalFiles = 0;
    state.setLine1(QStringLiteral("Checking"));
    for (const QString& part : parts) {
        File in;
        const FileStatus st = fileio::status(part, true);
        if (!st.regular || !in.openRead(part)) {
            state.error(QStringLiteral("Open error File ") + part);
            out.abandon();
            fileio::removeFile(out.written);
            return false;
        }
        state.totalBytes += in.size();
        ++state.totalFiles;
    }
    if (!enoughSpaceFor(state, PartName(base, 1), target, state.totalBytes)) {
        out.abandon();
        fileio::removeFile(out.written);
        return false;
    }
    state.startCounting();
    state.setLine2(QStringLiteral("to ") + dospath::fileName(target));

    // The kernel moves the bytes; with a descriptor a helper thread reads
    // them once more for the CRC meanwhile.
    const bool checking = descriptor.present && descriptor.valid;
    std::atomic<bool> stopCheck{false};
    std::future<PartsCheck> check;
    if (checking)
        check = std::async(std::launch::async,
                           [&parts, &stopCheck] { return checkParts(parts, stopCheck); });
    bool readFailed = false, writeFailed = false, openFailed = false;
    int err = 0;
    QString failedPart;
    for (const QString& part : parts) {
        state.setLine1(QStringLiteral("merging ") + dospath::fileName(part));
        ProgressInfo(state);
        File in;
        if (!fileio::status(part, true).regular || !in.openRead(part)) {
            state.error(QStringLiteral("Open error File ") + part);
            openFailed = true;
            break;
        }
        for (;;) {
            const File::Transfer t = out.file.transfer(in, kSplitBlock);
            const std::int64_t got = t.read, put = t.written;
            readFailed = t.failed && t.readFailed;
            writeFailed = (t.failed && !t.readFailed) || t.written != t.read;
            if (put > 0)
                state.doneBytes += put;
            ProgressInfo(state);
            state.checkAbort();
            if (readFailed || writeFailed) {
                err = readFailed ? in.error() : out.file.error();
                failedPart = part;
                break;
            }
            if (got == 0 || state.abortRequested)
                break;
        }
        ++state.doneFiles;
        if (readFailed || writeFailed || state.abortRequested)
            break;
    }
    const bool copied = !readFailed && !writeFailed && !openFailed && !state.abortRequested;
    if (!copied)
        stopCheck = true;
    const PartsCheck checked = checking ? check.get() : PartsCheck{};

    if (copied) {
        if (!out.finish()) {
            state.error(QStringLiteral("Write error File ") + target);
            out.abandon();
            ++state.notDone;
            return false;
        }
        if (!descriptor.present)
            return true;
        const QString descriptorName = DescriptorName(base);
        if (!descriptor.valid) {
            state.error(QStringLiteral("Cannot check ") + target + QStringLiteral(": ") +
                        descriptorName + QStringLiteral(" is not a valid check file."));
            ++state.notDone;
            return false;
        }
        if (checked.failed || checked.bytes != state.doneBytes) {
            state.error(QStringLiteral("Cannot check ") + target + QStringLiteral(": the parts of ") +
                        base + QStringLiteral(" changed or could not be read while they were joined."));
            ++state.notDone;
            return false;
        }
        const std::uint32_t crc = checked.crc;
        QStringList wrong;
        if (descriptor.size && *descriptor.size != state.doneBytes)
            wrong << QStringLiteral("size %1 instead of %2")
                         .arg(state.doneBytes)
                         .arg(*descriptor.size);
        if (descriptor.crc && *descriptor.crc != crc)
            wrong << QStringLiteral("CRC-32 %1 instead of %2")
                         .arg(crcText(crc), crcText(*descriptor.crc));
        if (wrong.isEmpty())
            return true;
        state.error(target + QStringLiteral(" does not match ") + descriptorName + QStringLiteral(": ") +
                    wrong.join(QStringLiteral(", ")) + '.');
        ++state.notDone;
        return false;
    }

    const QString partial = out.abandon();
    ++state.notDone;
    if (readFailed || writeFailed) {
        state.ioFailed = true;
        state.abortRequested = true;
        state.error((readFailed ? QStringLiteral("Read error File ") + failedPart
                                : QStringLiteral("Write error File ") + target) +
                    '\r' + fileio::systemMessage(err ? err : (readFailed ? EIO : ENOSPC)));
    }
    reportEarlyEnd(state, QStringLiteral("Merge"),
                   QStringLiteral("the parts of ") + base + QStringLiteral(" are"), partial);
    return false;
}

} // namespace dovex
