#pragma once

#include <QString>

#include <optional>

namespace dovex::netlocation {

// The GIO location of what the user typed: "\\server\share\dir" becomes
// "smb://server/share/dir"; "smb://", "sftp://", "ftp://", "dav://" and
// "davs://" locations are taken as they are. nullopt for anything else
// (a local path, another scheme, control characters, an empty server).
std::optional<QString> toGio(const QString& typed);

// The name a connection shows for a GIO location: "\\server\share" for an
// SMB one, the location itself otherwise.
QString toRemoteName(const QString& gioLocation);

// The location without a password written into it ("sftp://u:pw@host/"
// keeps "sftp://u@host/"): what may be recorded and shown.
QString withoutPassword(const QString& typed);

} // namespace dovex::netlocation
