#include "panels/filetypetable.h"

#include "panels/sorting.h"
#include "platform/hostfile.h"
#include "platform/locations.h"
#include "platform/process.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeDatabase>
#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace dovex {

namespace {

struct Group {
    int image;
    const char* extensions[7];
};

// The icon groups of the row images; ".XL" is matched on its first three
// characters separately.
const Group kGroups[] = {
    {1, {".ANI", ".SCR"}},
    {2, {".EXE", ".COM", ".LNK"}},
    {3, {".BMP", ".PCX", ".ICO"}},
    {4, {".TXT", ".INI", ".INF", ".DIZ"}},
    {7, {".WAV", ".VOC"}},
    {9, {".DOC"}},
    {11, {".ZIP", ".ARJ", ".RAR", ".LZH", ".PAK", ".ZOO"}},
    {12, {".386", ".CPL", ".DLL", ".DRV", ".SYS", ".VDX"}},
    {13, {".BAT"}},
    {14, {".LOG"}},
    {15, {".PIF"}},
    {16, {".REG", ".DAT"}},
};

const char* const kArchives[][2] = {
    {".ZIP", "Zip Compressed File"}, {".ARJ", "Arj Compressed File"},
    {".RAR", "Rar Compressed File"}, {".LZH", "Lha Compressed File"},
    {".PAK", "Pak Compressed File"}, {".ZOO", "Zoo Compressed File"},
};

constexpr int kExtensionAt = 0;
constexpr int kDescriptionAt = 5;
constexpr int kKnownAt = 60;
constexpr int kNextAt = 64;

QString upperKey(const QString& text)
{
    QString out = text;
    for (QChar& c : out)
        if (c >= 'a' && c <= 'z')
            c = QChar(c.unicode() - 'a' + 'A');
    return out;
}

// UTF-8, cut at a character boundary to fit max bytes.
QByteArray encodeShort(const QString& text, int max)
{
    QByteArray bytes = text.toUtf8();
    if (bytes.size() <= max)
        return bytes;
    int cut = max;
    while (cut > 0 && (uchar(bytes[cut]) & 0xC0) == 0x80)
        --cut;
    return bytes.left(cut);
}

// The length-prefixed text at offset; UTF-8 as this program writes it, else
// the single-byte text of older files.
QString decodeShort(const char* record, int offset, int max)
{
    const int length = std::min(int(uchar(record[offset])), max);
    const QByteArray bytes(record + offset + 1, length);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

void putShort(char* record, int offset, const QByteArray& bytes)
{
    record[offset] = char(bytes.size());
    std::memcpy(record + offset + 1, bytes.constData(), size_t(bytes.size()));
}

} // namespace

int FileTypeTable::groupImage(const QString& extension)
{
    const QString key = upperKey(extension);
    for (const Group& group : kGroups)
        for (const char* ext : group.extensions)
            if (ext && key == QLatin1String(ext))
                return group.image;
    if (key.startsWith(QLatin1String(".XL")))
        return 10;
    return -1;
}

QString FileTypeTable::folderTypeText()
{
    QString text = QMimeDatabase().mimeTypeForName(QStringLiteral("inode/directory")).comment();
    if (text.isEmpty())
        text = QStringLiteral("Folder");
    return text.left(kMaxDescription);
}

void FileTypeTable::clear()
{
    m_records.clear();
    m_index.clear();
}

void FileTypeTable::applyGroupRule(FileTypeRecord& record)
{
    record.image = groupImage(record.extension);
    if (record.image >= 0)
        record.known = true;
}

void FileTypeTable::append(FileTypeRecord record)
{
    record.extension = record.extension.left(kMaxExtension);
    record.description = record.description.left(kMaxDescription);
    const QString key = upperKey(record.extension);
    if (!m_index.contains(key))
        m_index.insert(key, int(m_records.size()));
    m_records.push_back(std::move(record));
}

void FileTypeTable::buildFromMimeDatabase()
{
    clear();
    for (const auto& archive : kArchives)
        append({QLatin1String(archive[0]), QLatin1String(archive[1]), 11, true});

    QList<QMimeType> types = QMimeDatabase().allMimeTypes();
    std::sort(types.begin(), types.end(),
              [](const QMimeType& a, const QMimeType& b) { return a.name() < b.name(); });
    for (const QMimeType& type : types) {
        for (const QString& suffix : type.suffixes()) {
            // "tar.gz" and the like: a file's extension is only ever its last part.
            if (suffix.isEmpty() || suffix.contains('.'))
                continue;
            FileTypeRecord record;
            record.extension = (QLatin1Char('.') + suffix).left(kMaxExtension);
            if (m_index.contains(upperKey(record.extension)))
                continue;
            record.description = type.comment().isEmpty() ? type.name() : type.comment();
            applyGroupRule(record);
            append(std::move(record));
        }
    }
}

void FileTypeTable::buildFromMimeDatabaseInChild()
{
    const std::optional<QByteArray> bytes = process::runInChild([] {
        FileTypeTable table;
        table.buildFromMimeDatabase();
        QByteArray out;
        QDataStream stream(&out, QIODevice::WriteOnly);
        for (const FileTypeRecord& r : table.records())
            stream << r.extension << r.description << qint32(r.image) << r.known;
        return out;
    });
    if (!bytes) {
        buildFromMimeDatabase();
        return;
    }
    clear();
    QDataStream stream(*bytes);
    while (!stream.atEnd()) {
        FileTypeRecord r;
        qint32 image = -1;
        stream >> r.extension >> r.description >> image >> r.known;
        if (stream.status() != QDataStream::Ok) {
            buildFromMimeDatabase();
            return;
        }
        r.image = image;
        append(std::move(r));
    }
}

QByteArray FileTypeTable::serialize() const
{
    QByteArray bytes(qsizetype(m_records.size()) * kRecordSize, '\0');
    for (size_t i = 0; i < m_records.size(); ++i) {
        char* record = bytes.data() + qsizetype(i) * kRecordSize;
        const FileTypeRecord& r = m_records[i];
        putShort(record, kExtensionAt, encodeShort(r.extension, kMaxExtension));
        putShort(record, kDescriptionAt, encodeShort(r.description, kMaxDescription));
        record[kKnownAt] = r.known ? 1 : 0;
        // The next-record reference only tells the reader that more follow.
        if (i + 1 < m_records.size())
            record[kNextAt] = 1;
    }
    return bytes;
}

bool FileTypeTable::deserialize(const QByteArray& bytes)
{
    clear();
    const qsizetype whole = bytes.size() / kRecordSize;
    for (qsizetype i = 0; i < whole; ++i) {
        const char* record = bytes.constData() + i * kRecordSize;
        FileTypeRecord r;
        r.extension = decodeShort(record, kExtensionAt, kMaxExtension);
        r.description = decodeShort(record, kDescriptionAt, kMaxDescription);
        // An icon is never stored, so a stored flag is believed only where a
        // group image stands behind it.
        applyGroupRule(r);
        append(std::move(r));
    }
    return !m_records.empty();
}

bool FileTypeTable::load(const QString& hostFile)
{
    const std::optional<QByteArray> bytes = hostfile::read(hostFile);
    if (!bytes) {
        clear();
        return false;
    }
    return deserialize(*bytes);
}

bool FileTypeTable::save(const QString& hostFile) const
{
    return hostfile::write(hostFile, serialize());
}

FileTypeTable::Source FileTypeTable::build(const QString& programDir)
{
    m_cacheWriteFailed = false;
    const QString path = programDir + QLatin1Char('/') + fileName();
    if (hostfile::isFile(path) && load(path))
        return Source::CacheFile;
    buildFromMimeDatabase();
    m_cacheWriteFailed = !ensureDirectory(programDir) || !save(path);
    return Source::Built;
}

const FileTypeRecord* FileTypeTable::findExtension(const QString& extension) const
{
    if (extension.isEmpty())
        return nullptr;
    const auto it = m_index.constFind(upperKey(extension));
    return it == m_index.constEnd() ? nullptr : &m_records[size_t(*it)];
}

const FileTypeRecord* FileTypeTable::find(const QString& fileName) const
{
    return findExtension(extensionOf(fileName));
}

FileTypeRecord* FileTypeTable::find(const QString& fileName)
{
    return const_cast<FileTypeRecord*>(std::as_const(*this).find(fileName));
}

} // namespace dovex
