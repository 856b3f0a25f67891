#pragma once

#include <QChar>
#include <QString>

#include <optional>

namespace dovex {
class ArchiveProgress;
class Prompter;
} // namespace dovex

namespace dovex::launch {

// The viewer table: section "ViewExt" of the settings file, one key per
// extension (without its dot, at most 10 characters), "*.*" the default
// viewer; "Niks" means no viewer. Values are drive-letter paths.
namespace viewtable {
inline const QString kSection = QStringLiteral("ViewExt");
inline const QString kDefaultKey = QStringLiteral("*.*");
inline const QString kNone = QStringLiteral("Niks");

// The key of a file name: its extension without the dot, cut to 10.
QString keyOf(const QString& name);
QString read(const QString& key);
// False when the key or value cannot stand in the file without changing
// other keys ("=", brackets, ";" or control characters in the key, a line
// break in the value) or when the write fails; the file is then unchanged.
bool write(const QString& key, const QString& value);
} // namespace viewtable

// The program the person picks in the "Registering Fileextention" dialog,
// which opens in startDirectory (a host directory): the host path of the
// file chosen, or nullopt for Cancel.
class ProgramChooser {
public:
    virtual ~ProgramChooser() = default;
    virtual std::optional<QString> chooseProgram(const QString& title,
                                                 const QString& startDirectory) = 0;
};

enum class ViewMode { View, ViewerSelect };

// View (or Viewer Select) of the file name in the drive-letter directory:
// the registered viewer starts with the file's host path as its one argument;
// without one (or for Viewer Select) the two questions and the file dialog
// (opened in the Windows directory) decide and the choice is stored; a
// question closed without an answer ends the command. A picked program that
// lies outside the drives cannot be stored as a drive-letter path: it views
// this file once, and the person is told so. True when a viewer was started.
bool viewFile(const QString& directory, const QString& name, ViewMode mode, Prompter& prompter,
              ProgramChooser& chooser);

// "Directory information" for directory\name: the text of its message, with
// the sizes below it (a walk of the tree).
QString directoryInformation(const QString& directory, const QString& name);
// Its text: "Directory D\N contains 1,234 Bytes in 5 Files".
QString directoryInformationText(const QString& path, std::int64_t bytes, std::int64_t files);

// An archive member extracted into programDirectory()/temp for viewing:
// the drive-letter path of the extracted file, or nullopt after
// "Cannot view " + name. The host path to delete at the next refresh is
// stored in hostToDelete (also when the file came out but is not plain).
std::optional<QString> extractMemberForView(const QString& archive, QChar kind,
                                            const QString& innerDirectory, const QString& name,
                                            Prompter& prompter, ArchiveProgress& progress,
                                            QString& hostToDelete);

} // namespace dovex::launch
