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

// A text about a location as it may be shown or printed: every password
// written into a location inside it is taken out ("smb://u:pw@h/s" reads
// "smb://u@h/s", wherever in the text it stands), and control characters
// (a line feed, a carriage return, ...) are written "\\xHH", so one message
// stays one line and cannot overwrite what was printed before it.
QString shown(const QString& text);

// The location with user as its user name ("sftp://host/dir" and user "u"
// give "sftp://u@host/dir"), so that the server is asked as that user from
// the first try; a "DOMAIN\\user" name keeps only the user. The location
// unchanged for an empty user or one written into the location already.
QString withUser(const QString& gioLocation, const QString& user);

} // namespace dovex::netlocation
