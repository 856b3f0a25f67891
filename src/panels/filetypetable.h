#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

namespace dovex {

// One known extension with its type description and icon.
struct FileTypeRecord {
    QString extension;   // with the leading dot, at most 4 characters, in the case found
    QString description; // at most 50 characters
    int image = -1;      // the built-in row image of its group, -1 for none
    bool known = false;  // it has an icon: a group image or one taken from the icon theme
};

// The list of known extensions, built at start from "regprop.dat" in the
// program directory, or (when that file is missing or holds no whole record)
// from the six archive kinds and the MIME database, and then written there.
class FileTypeTable {
public:
    enum class Source { CacheFile, Built };

    static constexpr int kRecordSize = 68;
    static constexpr int kMaxExtension = 4;
    static constexpr int kMaxDescription = 50;

    FileTypeTable() = default;

    // The start-up build over the program directory (host path).
    Source build(const QString& programDir);

    // The six archive records and then one record per MIME suffix.
    void buildFromMimeDatabase();
    // The same, read from the MIME database by a child process: Qt keeps
    // every type it has read (with all its translations, some 9 MB) for the
    // life of the process, and the table needs them only once. Built here
    // when no child can do it.
    void buildFromMimeDatabaseInChild();
    // Reads whole 68-byte records; false (and an empty table) when the file
    // cannot be read or holds no whole record.
    bool load(const QString& hostFile);
    // Writes the records, created or overwritten; false on a write failure.
    bool save(const QString& hostFile) const;

    // The 68-byte form of the records, and back (whole records only).
    QByteArray serialize() const;
    bool deserialize(const QByteArray& bytes);

    // The first record whose extension equals the file name's extension
    // (from its last "."), compared upper-cased; null for none.
    const FileTypeRecord* find(const QString& fileName) const;
    FileTypeRecord* find(const QString& fileName);
    // The same by the extension itself (".txt").
    const FileTypeRecord* findExtension(const QString& extension) const;

    void append(FileTypeRecord record);
    const std::vector<FileTypeRecord>& records() const { return m_records; }
    int size() const { return int(m_records.size()); }
    void clear();

    // The group image of an extension (".XL…" by its first three characters),
    // -1 when the extension belongs to no group.
    static int groupImage(const QString& extension);
    // The type name of folders, at most 50 characters.
    static QString folderTypeText();

    static QString fileName() { return QStringLiteral("regprop.dat"); }

    // true when the last build could not write the cache file (the table is
    // complete in memory all the same).
    bool cacheWriteFailed() const { return m_cacheWriteFailed; }

private:
    void applyGroupRule(FileTypeRecord& record);
    std::vector<FileTypeRecord> m_records;
    bool m_cacheWriteFailed = false;
    QHash<QString, int> m_index; // upper-cased extension -> first record
};

} // namespace dovex
