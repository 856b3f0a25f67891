#include "fileops/copyengine.h"

#include "fileops/blockpacer.h"
#include "fileops/copyhelpers.h"
#include "fileops/deleteengine.h"
#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "fileops/treewalk.h"
#include "platform/directory.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <memory>
#include <utility>

namespace dovex {

namespace {

bool skip(OperationState& state)
{
    ++state.notDone;
    return false;
}

bool agreeToReplace(OperationState& state, const QString& destination)
{
    return AgreeToReplace(state, destination, QStringLiteral("Write error File ") + destination,
                          QStringLiteral(" Exists,Overwrite?"));
}

// Gives a partial copy written under the destination's own name a ".$$$"
// name that no other file has. Should no such name be free, the partial
// file goes: it must never pass for the complete one.
void keepPartial(const QString& destination)
{
    for (int n = 0; n < 1000; ++n) {
        const int rc = fileio::renameNoReplace(destination, partialName(destination, n));
        if (rc == 0)
            return;
        if (rc != EEXIST)
            break;
    }
    fileio::removeFile(destination);
}

// What replaces destination is made first under a free ".$$$" name beside
// it, so that the old file stays until the new one has arrived whole. make
// creates the entry at a name and returns 0 or its errno; the name made
// comes back, empty when none could be.
template <typename Make> QString makeBeside(const QString& destination, Make make)
{
    for (int n = 0; n < 1000; ++n) {
        const QString name = partialName(destination, n);
        const int rc = make(name);
        if (rc == 0)
            return name;
        if (rc != EEXIST)
            break;
    }
    return QString();
}

// Gives the complete copy at written its real name. A new name is never
// taken from a file that came meanwhile; a file system without the
// no-replace rename is asked first. On failure the copy keeps its ".$$$"
// name.
bool putInPlace(const QString& written, const QString& destination, bool replacing)
{
    if (replacing)
        return fileio::rename(written, destination) == 0;
    const int rc = fileio::renameNoReplace(written, destination);
    if (rc == 0)
        return true;
    return rc != EEXIST && !fileio::status(destination).exists &&
           fileio::rename(written, destination) == 0;
}

// Whether the space known from the last look at a directory, less what was
// written since, answers for a file of size going there: it does for small
// files; anything closer is looked up. The directory's device, where known
// (not 0), answers for every directory of its file system.
bool spaceKnown(const OperationState& state, const QString& directory, std::uint64_t device,
                std::int64_t size)
{
    return size <= state.freeSpaceLeft / 2 && (directory == state.freeSpaceDirectory ||
                                               (device != 0 && device == state.freeSpaceDevice));
}

// Whether a file of size fits into directory (on device, where known),
// asking should it not; source gives the file's name for the question.
template <typename Source>
bool enoughSpaceIn(OperationState& state, const QString& directory, std::uint64_t device,
                   std::int64_t size, Source source)
{
    if (spaceKnown(state, directory, device, size)) {
        state.freeSpaceLeft -= size;
        return true;
    }
    const std::optional<std::int64_t> free = fileio::freeSpace(directory);
    state.freeSpaceDirectory = free ? directory : QString();
    state.freeSpaceDevice = free ? device : 0;
    state.freeSpaceLeft = free ? *free - size : 0;
    if (free && size <= *free)
        return true;
    return state.ask(Severity::Error,
                     QStringLiteral("Not enought space to write file ") + source() +
                         QStringLiteral("\rdo you wish to continue anyway?"),
                     Buttons::YesNo) == Answer::Yes;
}

bool enoughSpace(OperationState& state, const QString& source, const QString& destination,
                 std::int64_t size)
{
    return enoughSpaceIn(state, dospath::directoryPart(destination), 0, size,
                         [&] { return source; });
}

bool copyLink(OperationState& state, const QString& source, const QString& destination)
{
    const bool replacing = fileio::status(destination).exists;
    if (replacing && !agreeToReplace(state, destination))
        return skip(state);
    // A link that replaces a file is made beside it and renamed over it.
    const auto link = [&](const QString& name) { return fileio::copySymlink(source, name); };
    const QString made = replacing ? makeBeside(destination, link)
                                   : (link(destination) == 0 ? destination : QString());
    bool ok = !made.isEmpty();
    if (ok)
        fileio::copyMetadata(source, made);
    if (ok && made != destination && fileio::rename(made, destination) != 0) {
        fileio::removeFile(made);
        ok = false;
    }
    if (!ok) {
        state.error(QStringLiteral("Write error File ") + destination);
        return skip(state);
    }
    ProgressInfo(state);
    return true;
}

enum class LoopEnd { Complete, Aborted, ReadFailed, WriteFailed };

// tick(bytes) after every block; true when the copy is to stop.
template <typename Tick> LoopEnd copyBlocks(File& in, File& out, Tick tick)
{
    BlockPacer pacer(out.fuseBlocks(in));
    for (;;) {
        const bool timed = pacer.timesNext();
        const auto started =
            timed ? std::chrono::steady_clock::now() : std::chrono::steady_clock::time_point();
        const File::Transfer t = out.transfer(in, pacer.size());
        pacer.moved(t.read, timed ? std::chrono::steady_clock::now() - started
                                  : std::chrono::steady_clock::duration());
        const bool stop = tick(t.read);
        if (t.failed)
            return t.readFailed ? LoopEnd::ReadFailed : LoopEnd::WriteFailed;
        if (t.written != t.read)
            return LoopEnd::WriteFailed;
        if (t.read == 0)
            return LoopEnd::Complete;
        if (stop)
            return LoopEnd::Aborted;
    }
}

// One file's copy once both files are open and every question is answered.
struct CopyJob {
    File in;
    File out;
    FileStatus src;
    QString source;
    QString written; // the name out was created with
    QString destination;
    bool replacing = false; // written stands beside a file it replaces
};

struct CopyEnd {
    LoopEnd end = LoopEnd::Complete;
    bool named = true; // a complete copy took the destination's name
    int readError = 0;
    int writeError = 0;
};

// Moves the bytes, gives the copy the source's metadata and its name. Runs
// on any thread: nothing here asks or tells.
template <typename Tick> CopyEnd runCopy(CopyJob& job, Tick tick)
{
    CopyEnd e;
    e.end = copyBlocks(job.in, job.out, tick);
    job.out.copyMetadataFrom(job.in, job.src);
    e.readError = job.in.error();
    e.writeError = job.out.error();
    job.in.close();
    job.out.close();
    if (e.end == LoopEnd::Complete && job.written != job.destination)
        e.named = putInPlace(job.written, job.destination, job.replacing);
    // Whatever ended the copy, the part written keeps a partial name so
    // that it is never taken for a whole copy.
    if (e.end != LoopEnd::Complete && job.written == job.destination)
        keepPartial(job.destination);
    return e;
}

// Tells how a copy ended; true when it is whole under its name.
bool tellEnd(OperationState& state, const CopyEnd& e, const QString& source,
             const QString& destination)
{
    if (e.end == LoopEnd::Complete && !e.named)
        state.error(QStringLiteral("Write error File ") + destination);
    if (e.end == LoopEnd::Complete)
        return e.named || skip(state);
    if (e.end == LoopEnd::ReadFailed || e.end == LoopEnd::WriteFailed) {
        const bool reading = e.end == LoopEnd::ReadFailed;
        const int error = reading ? e.readError : e.writeError;
        state.error((reading ? QStringLiteral("Read error File ") + source
                             : QStringLiteral("Write error File ") + destination) +
                    '\r' + fileio::systemMessage(error ? error : ENOSPC));
        state.ioFailed = true;
        state.abortRequested = true;
    }
    return skip(state);
}

bool copyHere(OperationState& state, CopyJob& job)
{
    const CopyEnd end = runCopy(job, [&state](std::int64_t bytes) {
        state.doneBytes += bytes;
        ProgressInfo(state);
        return state.checkAbort();
    });
    return tellEnd(state, end, job.source, job.destination);
}

// The copy goes on on a helper thread; how it ended is told later, before
// the next question. A job the operation never reaches (an abort) leaves
// no file behind: it was created empty, by this copy.
void handOver(OperationState& state, CopyHelpers& helpers, CopyJob&& copy)
{
    const auto job = std::make_shared<CopyJob>(std::move(copy));
    const auto work = [&state, job](const std::atomic<bool>& stop,
                                    std::atomic<std::int64_t>& bytes) -> std::function<void()> {
        const CopyEnd end = runCopy(*job, [&](std::int64_t n) {
            bytes += n;
            return stop.load();
        });
        if (end.end == LoopEnd::Complete && end.named)
            return nullptr;
        return [&state, job, end] { tellEnd(state, end, job->source, job->destination); };
    };
    const auto dropped = [&state, job] {
        job->in.close();
        job->out.close();
        fileio::removeFile(job->written);
        skip(state);
    };
    helpers.add(work, dropped, job->src.size);
}

} // namespace

namespace {

// What a tree copy already knows about one file, so that it is not looked
// up again by name.
struct Known {
    bool plainFile = false;         // the directory listing says a plain file
    bool freshTarget = false;       // destination is the exact name in a directory just made
    bool replaceAgreed = false;     // the person already agreed to replace destination
    CopyHelpers* helpers = nullptr; // where a small file's bytes may be copied
};

// The source opened for reading and its status; false (already reported)
// when it is not a plain file that can be read. A link comes back with
// status().symlink set and nothing open.
bool openSource(OperationState& state, const QString& source, bool plainFile, File& in,
                FileStatus& src)
{
    // A plain file by the listing is opened without a look by name first;
    // should it have become a link meanwhile, the slow way decides.
    if (plainFile && in.openReadPlain(source)) {
        src = in.openedStatus();
    } else {
        src = fileio::status(source);
        if (src.symlink)
            return false;
        // Only regular files are read: a pipe or a device would never end.
        if (src.regular && in.openRead(source))
            src = in.openedStatus();
    }
    if (in.isOpen() && src.regular)
        return true;
    in.close();
    state.error(QStringLiteral("Open error File ") + source);
    return false;
}

// Where a copy goes: the destination name (a pattern applied, a directory
// given the source's name) and what stands there now.
struct Target {
    QString name;
    FileStatus now;
};

Target planTarget(OperationState& state, const QString& source, const QString& destinationIn,
                  bool fresh)
{
    Target t{fresh ? destinationIn : ApplyWildcardName(destinationIn, source), {}};
    state.setLine1(dospath::fileName(source));
    // In a directory this copy has just made nothing can be in the way.
    if (!fresh) {
        t.now = fileio::status(t.name, true);
        if (t.now.directory) {
            t.name = appendName(t.name, dospath::fileName(source));
            t.now = fileio::status(t.name, true);
        }
    }
    state.setLine2(QStringLiteral("To ") + dospath::directoryPart(t.name));
    return t;
}

// Creates the file the bytes go to and returns its name, empty (already
// reported) when there is none. A new name is written directly; a file
// that replaces another is written beside it and renamed over it once
// complete. So is every file on a file system that may break off a write (a
// network drive whose server goes away): a half file never stands under the
// real name.
QString createOutput(OperationState& state, Target& target, bool replaceAgreed, unsigned mode,
                     File& out)
{
    const QString& destination = target.name;
    QString written;
    const bool careful =
        !target.now.exists && fileio::writesMayBreakOff(dospath::directoryPart(destination));
    if (!careful && !target.now.exists) {
        if (out.create(destination, mode))
            written = destination;
        // A name the first look missed (a dangling link): ask about it, once.
        else if (out.error() == EEXIST && (replaceAgreed || agreeToReplace(state, destination)))
            target.now.exists = true;
    }
    if (careful || target.now.exists)
        written = makeBeside(destination, [&](const QString& name) {
            return out.create(name, mode) ? 0 : out.error();
        });
    if (written.isEmpty())
        state.error(QStringLiteral("Write error File ") + destination);
    return written;
}

bool copyFile(OperationState& state, const QString& source, const QString& destinationIn,
              Known known)
{
    ++state.doneFiles;
    state.byteMode = true;
    Target target = planTarget(state, source, destinationIn, known.freshTarget);
    const QString& destination = target.name;
    // Compared by identity, not by name: a hard link, a link or a drive
    // mapped inside another can name the source under another path.
    if (destination == source || (target.now.exists && fileio::sameFile(source, destination))) {
        state.warning(QStringLiteral("Cannot copy to itself"));
        return skip(state);
    }
    File in;
    FileStatus src;
    if (!openSource(state, source, known.plainFile, in, src))
        return src.symlink ? copyLink(state, source, destination) : skip(state);
    if (!enoughSpace(state, source, destination, src.size) ||
        (target.now.exists && !known.replaceAgreed && !agreeToReplace(state, destination)))
        return skip(state);
    File out;
    // Created with its source's permissions, the copy is never more open
    // than its source while it is written.
    const QString written = createOutput(state, target, known.replaceAgreed, src.mode & 0777, out);
    if (written.isEmpty())
        return skip(state);
    CopyJob job{std::move(in), std::move(out),   src, source, written,
                destination,   target.now.exists};
    if (known.helpers && src.size <= CopyHelpers::kLargest) {
        handOver(state, *known.helpers, std::move(job));
        return true;
    }
    return copyHere(state, job);
}

// How many small files a helper takes at a time: a hand-over between
// threads for each file cost about as much as copying it, and two helpers
// that take turns in one directory wait on its lock to create their files
// where a directory's worth each works on one of its own.
constexpr std::size_t kFilesPerJob = 128;

// Small plain files of one directory, by their names there, into a
// directory this copy has just made, where nothing can be in the way and so
// nothing is asked. Both directories stay open while a helper works in them.
struct NewFiles {
    std::shared_ptr<const Directory> from;
    std::shared_ptr<const Directory> to;
    QString base;       // from's drive-letter path, ending in a backslash
    QString targetBase; // to's
    std::vector<QString> names;
    // The umask, where to takes no other permission bits away; -1 where it
    // may, and a look tells.
    int umask = -1;
};

// How one of them ended, told later in the operation's thread.
struct NewEnd {
    CopyEnd copy;
    bool ordinary = false; // left to the ordinary copy, with its questions
    bool stopped = false;  // never started: the operation stopped first
};

// One of them, on a helper.
NewEnd copyNewHere(const NewFiles& files, const QString& name, const std::atomic<bool>& stop,
                   std::atomic<std::int64_t>& bytes)
{
    NewEnd e;
    const QByteArray raw = hostname::encode(name);
    CopyJob job;
    // Should the name be no plain file by now, or should it not open or not
    // be created, the ordinary copy takes it over. So does a name that is
    // no single entry of the directory.
    if (raw.isEmpty() || raw.contains('/') || raw == "." || raw == ".." ||
        !job.in.openReadPlainAt(files.from->descriptor(), raw.constData(), files.base + name)) {
        e.ordinary = true;
        return e;
    }
    job.src = job.in.openedStatus();
    // A larger file is copied by the operation itself, block by block.
    if (job.src.size > CopyHelpers::kLargest) {
        e.ordinary = true;
        return e;
    }
    job.destination = files.targetBase + name;
    // Created with its source's permissions, the copy is never more open
    // than its source while it is written.
    const unsigned wanted = job.src.mode & 07777;
    if (!job.src.regular || !job.out.createAt(files.to->descriptor(), raw.constData(),
                                              job.destination, wanted & 0777, files.to->device())) {
        e.ordinary = true;
        return e;
    }
    if (files.umask >= 0 && (wanted & ~0777u) == 0 && (wanted & unsigned(files.umask)) == 0)
        job.out.createdExactly();
    job.written = job.destination;
    e.copy = runCopy(job, [&](std::int64_t n) {
        bytes += n;
        return stop.load();
    });
    return e;
}

// A helper opens, creates and copies the files; what each ended with is
// told in their order, and a file that did not end whole is told by name.
void handOverNew(OperationState& state, CopyHelpers& helpers, NewFiles&& batch)
{
    auto files = std::make_shared<const NewFiles>(std::move(batch));
    const auto work = [&state, files](const std::atomic<bool>& stop,
                                      std::atomic<std::int64_t>& bytes) -> std::function<void()> {
        std::vector<NewEnd> ends;
        ends.reserve(files->names.size());
        // A read or write that failed ends the operation once it is told:
        // the rest of the files are left as the operation's stop leaves them.
        bool failed = false;
        for (const QString& name : files->names) {
            if (stop || failed) {
                ends.push_back(NewEnd{{}, false, true});
                continue;
            }
            ends.push_back(copyNewHere(*files, name, stop, bytes));
            const LoopEnd end = ends.back().copy.end;
            failed = end == LoopEnd::ReadFailed || end == LoopEnd::WriteFailed;
        }
        return [&state, files, ends = std::move(ends)] {
            for (std::size_t i = 0; i < ends.size(); ++i) {
                const NewEnd& e = ends[i];
                const QString& name = files->names[i];
                if (e.stopped) {
                    skip(state);
                } else if (e.ordinary) {
                    copyFile(state, files->base + name, files->targetBase + name,
                             Known{true, true});
                } else {
                    ++state.doneFiles;
                    if (e.copy.end != LoopEnd::Complete || !e.copy.named)
                        tellEnd(state, e.copy, files->base + name, files->targetBase + name);
                }
            }
        };
    };
    const std::size_t count = files->names.size();
    helpers.add(
        work,
        [&state, count] {
            for (std::size_t i = 0; i < count; ++i)
                skip(state);
        },
        0);
}

// What a tree copy learnt of the file system its new directories are on:
// each is made inside one before it, so one look answers for all of them.
struct TargetFileSystem {
    std::uint64_t device = 0;
    bool writesMayBreakOff = false;
    unsigned umask = fileio::processUmask(); // the process's, as the copy starts
};

// The files (and links) of one directory into targetDir, which fresh says
// this copy has just created; top says dir is the tree's own. False when
// the directory cannot be listed.
bool copyFilesOf(OperationState& state, const QString& dir, const QString& targetDir, bool fresh,
                 bool top, CopyHelpers* helpers, TargetFileSystem& targetFs)
{
    // Into a directory just made, helpers create the new files by their
    // names there; should it not open, or where a write may break off,
    // every file goes the ordinary (careful) way instead. Neither a
    // directory this copy made nor one met inside the tree is taken through
    // a link that came meanwhile; the tree's own may be one.
    auto to = std::make_shared<Directory>();
    bool beside = helpers && fresh && to->openNoFollow(targetDir);
    if (beside && (to->device() == 0 || to->device() != targetFs.device)) {
        targetFs.device = to->device();
        targetFs.writesMayBreakOff = fileio::writesMayBreakOff(targetDir);
    }
    beside = beside && !targetFs.writesMayBreakOff;
    const QString base = dir.size() == 2 ? dir + '\\' : WithBackslash(dir);
    const QString targetBase = WithBackslash(targetDir);
    auto from = std::make_shared<Directory>();
    if (!(top ? from->open(base) : from->openNoFollow(base)))
        return false;
    // The helpers learn each file's size as they open it: the walk looks at
    // none while the free space answers for files of the largest size they
    // take.
    const auto items = from->list(false);
    if (!items)
        return false;
    // The directory a file there is in, as the free space is kept for it.
    const QString spaceDir = dospath::directoryPart(appendName(targetDir, QStringLiteral("x")));
    // Files queued in their order, handed over before anything else is
    // done or asked.
    const int umask =
        beside && fileio::createsWithUmaskOnly(to->descriptor()) ? int(targetFs.umask) : -1;
    const NewFiles empty{from, to, base, targetBase, {}, umask};
    NewFiles queued = empty;
    const auto handQueued = [&] {
        if (!queued.names.empty())
            handOverNew(state, *helpers, std::exchange(queued, empty));
    };
    for (const DirItem& item : *items) {
        if (item.directory)
            continue;
        if (state.checkAbort())
            break;
        if (beside && item.regular) {
            state.setLine1(item.name);
            std::int64_t size = CopyHelpers::kLargest;
            if (!spaceKnown(state, spaceDir, to->device(), size)) {
                // The look at the free space may ask; it sees the files
                // before this one written.
                handQueued();
                helpers->settle(true);
                size = fileio::status(base + item.name).size;
                if (size > CopyHelpers::kLargest) {
                    copyFile(state, base + item.name, targetBase + item.name,
                             Known{true, fresh, false, helpers});
                    continue;
                }
            }
            if (!enoughSpaceIn(state, spaceDir, to->device(), size,
                               [&] { return base + item.name; })) {
                skip(state);
                continue;
            }
            queued.names.push_back(item.name);
            if (queued.names.size() == kFilesPerJob)
                handQueued();
            continue;
        }
        handQueued();
        copyFile(state, base + item.name, targetBase + item.name,
                 Known{item.regular, fresh, false, helpers});
    }
    handQueued();
    return true;
}

} // namespace

bool CopyOneFile(OperationState& state, const QString& source, const QString& destination,
                 bool replaceAgreed)
{
    return copyFile(state, source, destination, Known{false, false, replaceAgreed});
}

void CopyTree(OperationState& state, const QString& sourceDirectory, const QString& destination)
{
    const QString target = fileio::status(destination, true).directory
                               ? appendName(destination, dospath::fileName(sourceDirectory))
                               : destination;
    if (fileio::isInside(target, sourceDirectory)) {
        state.warning(QStringLiteral("Cannot copy to itself"));
        ++state.notDone;
        return;
    }
    // A copy takes what is mounted inside the tree along, as cp -r does.
    const QStringList tree = CollectDirectoryTree(sourceDirectory, true);
    const std::vector<FileStatus> before = DirectoryStatuses(tree);
    // The walk and its questions stay here; small files' bytes go to helpers.
    const int threads = CopyHelpers::threadsAvailable();
    auto helpers = threads > 0 ? std::make_unique<CopyHelpers>(state, threads) : nullptr;
    TargetFileSystem targetFs;
    for (const QString& dir : tree) {
        const QString targetDir = target + dir.mid(sourceDirectory.size());
        // Usually the directory is new and its parent there: making it tells
        // so at once. Only the top of the tree may want parents made too.
        const int made = fileio::makeDirectory(targetDir);
        const bool fresh = made == 0 || (made == ENOENT && fileio::makeDirectories(targetDir) == 0);
        if (!fresh && !fileio::status(targetDir, true).directory) {
            state.error(QStringLiteral("Write error File ") + targetDir);
            state.notDone += std::max(1, int(CollectFiles(dir).size()));
            continue;
        }
        if (!copyFilesOf(state, dir, targetDir, fresh, &dir == &tree.front(), helpers.get(),
                         targetFs)) {
            state.error(QStringLiteral("Open error File ") + dir);
            ++state.notDone;
        }
        if (state.abortRequested)
            break;
    }
    helpers.reset(); // every copy ends (and is told) before the directories' times are set
    CopyDirectoryTimes(tree, before, sourceDirectory, target);
}

std::vector<FileStatus> DirectoryStatuses(const QStringList& tree)
{
    std::vector<FileStatus> out;
    out.reserve(size_t(tree.size()));
    for (const QString& dir : tree)
        out.push_back(fileio::status(dir));
    return out;
}

void CopyDirectoryTimes(const QStringList& tree, const std::vector<FileStatus>& before,
                        const QString& sourceDirectory, const QString& target)
{
    for (qsizetype i = tree.size() - 1; i >= 0 && size_t(i) < before.size(); --i) {
        const QString targetDir = target + tree[i].mid(sourceDirectory.size());
        const FileStatus now = fileio::status(targetDir);
        if (before[size_t(i)].directory && now.directory)
            fileio::copyMetadata(tree[i], targetDir, before[size_t(i)], &now);
    }
}

} // namespace dovex
