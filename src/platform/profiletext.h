#pragma once

// The inside of the profile functions (profile.h): the text of a profile
// file with an index of its sections and keys, and the edits a batch of
// writes makes to it. Nothing here touches the disk.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace dovex::profiletext {

// Section and key names match as QString::compare with Qt::CaseInsensitive
// does (simple case folding per character); bytes are read as UTF-8. Names
// that match hash alike.
std::uint64_t nameHash(QStringView name);
std::uint64_t nameHash(const char* bytes, qsizetype size);
bool sameName(const char* bytes, qsizetype size, QStringView name);

// One line that holds a key: "key=value", both trimmed of blanks, unless the
// line is blank or a comment (";") or has no "=".
struct KeyLine {
    const char* key;
    qsizetype keySize;
    const char* value;
    qsizetype valueSize;
};
std::optional<KeyLine> parseKeyLine(const char* begin, const char* end);

// The bytes of a profile file exactly as read, with an index built in one
// pass over them: every section with its extent, and per section (on the
// first look into it) a hash of its keys. The first section of a name and
// the first key of a name in it are the ones found, as a top-down scan would.
class Text {
public:
    explicit Text(QByteArray bytes);

    const QByteArray& bytes() const { return m_bytes; }
    // New lines end as the file's first line does.
    const char* lineEnd() const { return m_crlf ? "\r\n" : "\n"; }

    struct Section {
        std::uint32_t start = 0;    // the header line (0 for the lines before any header)
        std::uint32_t body = 0;     // the line after the header
        std::uint32_t end = 0;      // where the next header starts, or the size
        std::uint32_t insertAt = 0; // after the section's last line that is not blank
        std::uint32_t nameAt = 0;
        std::uint32_t nameSize = 0;
        std::uint32_t lines = 0;    // after the header
        std::int32_t nextSame = -1; // the next section of the same name
    };
    // Section 0 holds the lines before the first header; it has no name.
    int sectionCount() const { return int(m_sections.size()); }
    const Section& section(int i) const { return m_sections[size_t(i)]; }

    // The first section named name, or -1.
    int findSection(QStringView name) const;
    // Where the first line of section i with key name starts, or -1.
    qsizetype findKey(int i, QStringView key) const;
    // The end of the line starting at pos, without its "\r\n" or "\n".
    qsizetype contentEnd(qsizetype pos) const;

private:
    struct Slot {
        std::uint32_t tag = 0;   // upper half of the hash
        std::uint32_t plus1 = 0; // index or position + 1; 0 for an empty slot
    };
    struct Table {
        std::vector<Slot> cells;
        std::uint64_t mask = 0;
    };
    void findSections();
    void indexSections();
    static Table makeTable(std::size_t count);
    const Table& keyTable(int i) const;

    QByteArray m_bytes;
    bool m_crlf = false;
    std::vector<Section> m_sections;
    Table m_sectionTable;
    mutable std::unordered_map<int, Table> m_keyTables;
};

// Writes and section erasures over a shared Text, kept beside it rather
// than applied, so a batch of writes costs one pass over the text when it is
// written out. Each change has the effect the same change would have on the
// text as the changes before it left it: a replaced key keeps its place and
// line end, a new key follows the last line of its section that is not
// blank, a new section goes last after a blank line, every other byte stays.
class Edit {
public:
    explicit Edit(std::shared_ptr<const Text> base);

    const std::shared_ptr<const Text>& base() const { return m_base; }

    // The trimmed value bytes of key in section, or nothing.
    std::optional<QByteArray> value(QStringView section, QStringView key) const;
    // Sets key in section; entry is the whole line, "key=value".
    void write(QStringView section, QStringView key, const QByteArray& sectionBytes,
               const QByteArray& entry);
    void erase(QStringView section);

    // The edited text.
    QByteArray text() const;

private:
    struct KeyRef {
        enum Kind { None, Original, Added } kind = None;
        qsizetype pos = -1; // Original: the line's start
        int index = -1;     // Added: its place in m_added
    };
    int findSection(QStringView name) const;
    KeyRef findKey(int section, QStringView key) const;
    bool isErased(int section) const { return m_erased.count(section) != 0; }
    void addLine(int section, const QByteArray& entry);
    int lastLiveSection() const;
    bool endsBlank() const;
    void emitRange(QByteArray& out, qsizetype from, qsizetype to) const;
    void emitLine(QByteArray& out, const QByteArray& line) const;

    std::shared_ptr<const Text> m_base;
    int m_baseCount = 0;                        // ids at and above it are new sections
    std::map<qsizetype, QByteArray> m_replaced; // line start -> new line
    std::unordered_map<int, std::vector<QByteArray>> m_added; // lines after insertAt
    std::unordered_multimap<std::uint64_t, std::pair<int, int>> m_addedKeys;
    std::vector<QByteArray> m_newNames;
    std::unordered_multimap<std::uint64_t, int> m_newSections;
    std::unordered_set<int> m_erased;
    std::unordered_map<int, int> m_blanksAfter; // blank lines after a section
};

} // namespace dovex::profiletext
