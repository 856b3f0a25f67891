#pragma once

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <ctime>
#include <optional>

struct zip;

namespace dovex::zipnames {

// The member path of one FSpecArgs entry: "\" read as "/", a leading "./" and
// trailing separators dropped.
QByteArray specPath(const QString& spec);

// True when the member name (bytes, "/" separated, a directory ending in
// "/") is chosen by spec. A spec without wildcards names the member or, as a
// directory, the members below it (all of them with recurse, else those
// directly in it). "*" and "?" stand for any run and any one byte, "*.*"
// also for names without a dot; they stay within one level unless recurse.
// With literal, "*" and "?" in spec are plain bytes (a member of exactly
// that name exists).
bool memberMatches(const QByteArray& member, const QByteArray& spec, bool recurse,
                   bool literal = false);
bool hasWildcard(const QByteArray& spec);

// The components of a member name to extract, or nullopt (with why) when it
// could lead outside the target directory: an absolute path, a drive letter,
// a ".." component (by "/" or "\"), a NUL. "." and empty components go.
std::optional<QByteArrayList> safeComponents(const QByteArray& name, QString* why);

// The name a person reads: each component decoded as a host name, joined
// with "\".
QString display(const QByteArray& member);

// The 8.3 upper-case form of one component, for names forced to DOS.
QByteArray dosComponent(const QByteArray& component);

// The modification time a member carries: the Unix time of its extended
// time field when it has one, else its DOS time.
std::time_t memberTime(zip* archive, unsigned long long index, std::time_t dosTime);
// Stores t in the member as extended time field (local and central).
void setMemberTime(zip* archive, unsigned long long index, std::time_t t);

} // namespace dovex::zipnames
