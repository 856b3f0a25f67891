#pragma once

#include "archive/toolcommand.h"
#include "panels/panelentry.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>

namespace dovex {

// One of the seven archiver slots kept in "Dovex.Ini" as sections "Packer1"
// to "Packer7". A missing key reads as "[none]", which means not available.
struct ArchiverTool {
    QString naam, ext, add, addS, addL, addP, addV, exp, expS, expP, expV;

    bool present() const { return naam != kNone; }
    static bool isSet(const QString& value) { return value != kNone; }
    static inline const QString kNone = QStringLiteral("[none]");
};

using ArchiverToolTable = std::array<ArchiverTool, 7>;

// Writes the five default rows into slots 1 to 5 whose "Naam" is missing,
// then reads all seven slots, each value cut to its width.
ArchiverToolTable LoadArchiverTools();
ArchiverTool ReadArchiverTool(int slot);

// The methods of the Compression Tools dialog. Library unpacks the
// archives the program reads through libarchive (tar, 7z, ISO, cpio); it
// is offered only in decompress mode, for those archives.
enum class CompressMethod { ZipInternal, Pkzip, MsCompress, Custom, Library };

// The options a method enables (MethodClick); compressAll is nullopt where
// the method leaves "Compress All files." as it was.
struct MethodOptions {
    bool volumes = false;
    bool password = false;
    bool subdirectories = false;
    std::optional<bool> compressAll;
    bool targetDirectoryOnly = false; // Edit1 shows only the target's directory
};
MethodOptions MethodClick(CompressMethod method, const ArchiverTool* slot = nullptr);

// The hint of "Password." for a method: how the password reaches the tool
// (never on a command line, which every user of the machine can read), or
// that the tool cannot be given one that way and a password is refused.
// Empty where the method takes none.
QString PasswordHint(CompressMethod method, const ArchiverTool* slot, bool decompress);

// One chosen entry: its full path and its name relative to the source
// directory; a directory ends in "\*.*" in both.
struct CompressItem {
    QString fullPath;
    QString relativeName;
};

// The selection list of the compress mode, and the archive's base name
// chosen by the score rule (blanks removed, cut to 8 characters). With
// nothing marked the cursor entry is taken unless it is "..".
struct CompressSelection {
    QList<CompressItem> items;
    QString baseName;
};
CompressSelection CompressionSelection(const PanelEntries& entries, int cursor,
                                       const QString& sourceDirectory);

// The file-name part of the target, cleaned of characters archivers do not
// take: below "-", ":" to "@", "[" to "^" and "`"; empty becomes "Packed";
// cut to 8 characters.
QString CleanBaseName(const QString& name);

// "C:\p" -> "C:\p\", "C:\" stays.
QString WithSlashWhenLong(const QString& directory);

struct CompressRequest {
    CompressMethod method = CompressMethod::ZipInternal;
    int slot = 0; // 1 to 7 for a custom method
    bool subdirectories = true;
    bool volumes = false;
    bool password = false;
    QString passwordText;
    bool compressAll = false;
    QString target;          // Edit1
    QString sourceDirectory; // ends in "\"
    QList<CompressItem> items;
    QString listFile; // where the list file goes when one is needed
    int zipLevel = 7; // Zip (internal): the operation window's component level
};

struct ExtractRequest {
    CompressMethod method = CompressMethod::ZipInternal;
    int slot = 0;
    bool subdirectories = true;
    bool volumes = false;
    bool password = false;
    QString passwordText;
    QString archive; // A
    QString target;  // Edit1
    QString programDirectory;
};

// What the dialog hands to the tool runner: the tool's classic file name,
// its parameter text, where it runs, and the list file's lines (one full
// path each) when the parameters name a list file.
struct ToolCommand {
    QString tool;
    QString parameters;
    QString workingDirectory;
    std::optional<QStringList> listFile;
};

// The compress command of a tool method (not Zip (internal)).
ToolCommand ComposeCompress(const CompressRequest& request, const ArchiverToolTable& tools);
// The extract command of a tool method (Pkzip or a custom slot).
ToolCommand ComposeExtract(const ExtractRequest& request, const ArchiverToolTable& tools);

// The same commands in the tool runner's parts, so that no name is ever
// split at a blank or re-joined: the switch words, the archive, the items
// (or the list file prefix) and the target directory.
archive::ArchiverCommand CompressCommand(const CompressRequest& request,
                                         const ArchiverToolTable& tools);
archive::ArchiverCommand ExtractCommand(const ExtractRequest& request,
                                        const ArchiverToolTable& tools);

// The slot (1 to 7) whose "." + Ext equals the archive's extension, both
// upper-cased; 0 when none.
int SlotForArchive(const QString& archivePath, const ArchiverToolTable& tools);

} // namespace dovex
