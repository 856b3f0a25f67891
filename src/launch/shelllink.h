#pragma once

#include "platform/result.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace dovex {

// One shortcut file (".lnk") in the standard binary shortcut format: a
// 76-byte header, the link-target location (volume and local base path),
// then the description, relative path, working directory, arguments and
// icon location as counted 8-bit strings. The relative path climbs from the
// shortcut's folder to its drive's root and down to the target
// ("..\..\work\notes.txt"), so a plain scan for ".\" finds the target too.
// Paths are drive-letter paths.
class TShellLink {
public:
    QString Target = QStringLiteral("C:\\COMMAND.COM");
    QString WorkingDir = QStringLiteral("c:\\");
    QString Description = QStringLiteral("Link to COMMAND.COM");
    QString Arguments;
    QString IconLocation = QStringLiteral("c:\\COMMAND.COM");
    std::uint16_t IconNumber = 0;
    std::uint16_t HotKey = 0;
    int ShowCmd = 1;
    QString Path; // the file last loaded

    // Writes the shortcut to linkPath (a drive-letter path). The file is
    // written whole beside its final name and renamed into place, so a
    // failed write leaves any old shortcut as it was. A Target that names no
    // path on a drive writes nothing and reports nothing (the classic link
    // object refused such a target silently): the result is then ok with
    // written false.
    struct SaveOutcome {
        bool written = false;
        Result result;
    };
    SaveOutcome Save(const QString& linkPath) const;

    // Reads the shortcut at linkPath. False (and nothing changed) when the
    // file cannot be read or is not a well-formed shortcut; on success every
    // property is replaced and Path becomes linkPath.
    bool Load(const QString& linkPath);

    // The bytes Save writes; linkPath decides the relative path. Empty when
    // Target is not a drive-letter path.
    QByteArray encode(const QString& linkPath) const;
    // Reads the bytes of a shortcut; false when they are not a well-formed
    // one. Every count and offset is checked against the bytes given.
    bool decode(const QByteArray& bytes);
};

// The class identifier of the shell folder a shortcut made of one ID-list
// item names ("{645FF040-5081-101B-9F08-00AA002F954E}" for the Recycle
// Bin), as the program's two default button links hold; nullopt for any
// other shortcut or bytes that are not one.
std::optional<QString> shellFolderOfLink(const QByteArray& bytes);

} // namespace dovex
