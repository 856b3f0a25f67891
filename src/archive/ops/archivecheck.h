#pragma once

#include "archive/archiverecord.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>

#include <ctime>
#include <optional>

namespace dovex {

class Prompter;

// What an archiver did is read back from the archive with the program's own
// readers, never taken from its exit status: an archiver may exit 0 having
// written nothing (lha on a read-only archive), or store a file other than
// the one it was given. All paths are drive-letter paths; member paths are
// "\" separated, as the readers list them.

// The members of the archive as its file holds them now (the panels' cache
// is not asked); nullopt when it cannot be read, is damaged, too large or
// its headers are encrypted: then nothing can be checked.
std::optional<ArchiveContents> ReadArchiveNow(const QString& archive);

// A file an archiver is asked to store, and the member it is to become.
struct FileToStore {
    QString path;          // the file
    QString member;        // the member it is stored as
    std::int64_t size = 0; // its bytes (a link's target's)
    std::time_t modified = 0;
    bool sized = true; // false for a link to no file: only its name is checked
};

// The files under the items of an add (a file, or "dir\*.*" for all below
// that directory) with the members the archiver of kind makes of them
// relative to sourceDirectory (Pak and Zoo keep the file name alone), and
// the directories walked, deepest last. FIFOs, sockets and devices are no
// files to store and are left out, as the archivers leave them.
struct StorePlan {
    QList<FileToStore> files;
    QStringList directories;
};
StorePlan PlanStore(QChar kind, const QString& sourceDirectory, const QStringList& items);

// True when after holds the member of file with its size, and it is the
// file's: the member is new or changed since before, or has its time.
bool HoldsFile(const ArchiveContents& after, const ArchiveContents& before,
               const FileToStore& file);

// The members of records at or below each chosen path (a member, or a
// directory "dir\*.*"), each once, in archive order: what a delete names,
// so that no archiver is asked to expand a pattern. Lha is given its
// directory entries too ("dir\"), as it stores them.
QStringList MembersToDelete(QChar kind, const std::vector<ArchiveRecord>& records,
                            const QStringList& chosen);

// After a delete of the members asked for (as MembersToDelete named
// them): true when none of them is left and every other member is still
// there with its size. Told otherwise.
bool CheckDeleted(QChar kind, const ArchiveContents& before, const QString& archive,
                  const QStringList& asked, Prompter& prompter);

// After members were copied out into target (keepsPaths: under their whole
// paths, else by their names alone): those of names, in the same form,
// whose file arrived there with the member's size and time. The others are
// told in one message (they stay in the archive) and whole is false.
QStringList ArrivedMembers(QChar kind, const ArchiveContents& before, const QStringList& names,
                           const QString& target, bool keepsPaths, const QString& archive,
                           Prompter& prompter, bool& whole);

// After an add: the files the archive holds as asked (before: what it held
// before the archiver ran); the others are told by name in one message,
// and moved says their sources were kept. Two files that would become one
// member are neither held.
QList<FileToStore> CheckStored(const QString& archive, const ArchiveContents& before,
                               const QList<FileToStore>& files, bool moved, Prompter& prompter);

} // namespace dovex
