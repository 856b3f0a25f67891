#include "platform/profiletext.h"

#include <QChar>

#include <cstring>
#include <random>

namespace dovex::profiletext {

namespace {

bool isBlank(char c)
{
    // The characters QByteArray::trimmed() removes.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

void trim(const char*& b, const char*& e)
{
    while (b < e && isBlank(*b))
        ++b;
    while (e > b && isBlank(e[-1]))
        --e;
}

char32_t foldAscii(char32_t c)
{
    return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c;
}

// A per-process seed keeps a file made to collide in the tables from
// turning the lookups quadratic.
std::uint64_t hashSeed()
{
    static const std::uint64_t seed = [] {
        std::random_device device;
        return (std::uint64_t(device()) << 32) ^ device() ^ 0xcbf29ce484222325ULL;
    }();
    return seed;
}

struct Hasher {
    std::uint64_t h = hashSeed();
    void add(char32_t c) { h = (h ^ c) * 0x100000001b3ULL; }
    std::uint64_t finish() const
    {
        std::uint64_t k = h; // the murmur3 finalizer spreads the low bits
        k ^= k >> 33;
        k *= 0xff51afd7ed558ccdULL;
        k ^= k >> 33;
        k *= 0xc4ceb9fe1a85ec53ULL;
        k ^= k >> 33;
        return k;
    }
};

bool sameBytes(const char* a, qsizetype an, const char* b, qsizetype bn)
{
    if (an == bn) {
        qsizetype i = 0;
        for (; i < an; ++i) {
            const auto ca = static_cast<unsigned char>(a[i]);
            const auto cb = static_cast<unsigned char>(b[i]);
            if (ca >= 0x80 || cb >= 0x80)
                break;
            if (foldAscii(ca) != foldAscii(cb))
                return false;
        }
        if (i == an)
            return true;
    }
    return sameName(a, an, QString::fromUtf8(b, bn));
}

std::uint32_t tagOf(std::uint64_t hash)
{
    return std::uint32_t(hash >> 32);
}

std::uint64_t keyOfAdded(int section, std::uint64_t keyHash)
{
    return keyHash ^ (std::uint64_t(section) * 0x9E3779B97F4A7C15ULL);
}

} // namespace

std::uint64_t nameHash(QStringView name)
{
    Hasher h;
    const qsizetype n = name.size();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i], name[i + 1]);
            ++i;
        }
        h.add(QChar::toCaseFolded(c));
    }
    return h.finish();
}

std::uint64_t nameHash(const char* bytes, qsizetype size)
{
    Hasher h;
    for (qsizetype i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x80)
            return nameHash(QString::fromUtf8(bytes, size));
        h.add(foldAscii(c));
    }
    return h.finish();
}

bool sameName(const char* bytes, qsizetype size, QStringView name)
{
    if (size == name.size()) {
        qsizetype i = 0;
        for (; i < size; ++i) {
            const auto c = static_cast<unsigned char>(bytes[i]);
            const char16_t u = name[i].unicode();
            if (c >= 0x80 || u >= 0x80)
                break;
            if (foldAscii(c) != foldAscii(u))
                return false;
        }
        if (i == size)
            return true;
    }
    return QString::fromUtf8(bytes, size).compare(name, Qt::CaseInsensitive) == 0;
}

std::optional<KeyLine> parseKeyLine(const char* b, const char* e)
{
    trim(b, e);
    if (b == e || *b == ';')
        return std::nullopt;
    const auto* eq = static_cast<const char*>(std::memchr(b, '=', size_t(e - b)));
    if (!eq)
        return std::nullopt;
    const char* kb = b;
    const char* ke = eq;
    trim(kb, ke);
    const char* vb = eq + 1;
    const char* ve = e;
    trim(vb, ve);
    return KeyLine{kb, ke - kb, vb, ve - vb};
}

// ---------------------------------------------------------------- Text

Text::Text(QByteArray bytes) : m_bytes(std::move(bytes))
{
    findSections();
    indexSections();
}

// One pass over the lines: where each section starts and ends, and where
// a new key of it would go.
void Text::findSections()
{
    const char* p = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    m_sections.push_back(Section{});
    qsizetype pos = 0;
    bool firstEnd = true;
    while (pos < n) {
        const auto* nl = static_cast<const char*>(std::memchr(p + pos, '\n', size_t(n - pos)));
        const qsizetype lineEnd = nl ? nl - p : n;
        const qsizetype next = nl ? lineEnd + 1 : n;
        if (nl && firstEnd) {
            m_crlf = lineEnd > pos && p[lineEnd - 1] == '\r';
            firstEnd = false;
        }
        ++m_sections.back().lines;
        const char* b = p + pos;
        const char* e = p + lineEnd;
        trim(b, e);
        if (b < e) {
            const auto* close =
                *b == '[' ? static_cast<const char*>(std::memchr(b + 1, ']', size_t(e - b - 1)))
                          : nullptr;
            if (close) {
                m_sections.back().end = std::uint32_t(pos);
                const char* nb = b + 1;
                const char* ne = close;
                trim(nb, ne);
                Section s;
                s.start = std::uint32_t(pos);
                s.body = s.insertAt = std::uint32_t(next);
                s.nameAt = std::uint32_t(nb - p);
                s.nameSize = std::uint32_t(ne - nb);
                --m_sections.back().lines; // the header is not a line of the one before
                m_sections.push_back(s);
            } else {
                m_sections.back().insertAt = std::uint32_t(next);
            }
        }
        pos = next;
    }
    m_sections.back().end = std::uint32_t(n);
}

// The first section of each name goes into the table; later ones of the same
// name hang off it in file order.
void Text::indexSections()
{
    const char* p = m_bytes.constData();
    m_sectionTable = makeTable(m_sections.size());
    std::vector<std::int32_t> lastSame(m_sections.size(), -1);
    for (size_t i = 1; i < m_sections.size(); ++i) {
        const Section& s = m_sections[i];
        const char* name = p + s.nameAt;
        const std::uint64_t hash = nameHash(name, s.nameSize);
        for (std::uint64_t k = hash & m_sectionTable.mask;; k = (k + 1) & m_sectionTable.mask) {
            Slot& slot = m_sectionTable.cells[k];
            if (slot.plus1 == 0) {
                slot = Slot{tagOf(hash), std::uint32_t(i + 1)};
                lastSame[i] = std::int32_t(i);
                break;
            }
            const size_t first = slot.plus1 - 1;
            const Section& f = m_sections[first];
            if (slot.tag == tagOf(hash) && sameBytes(p + f.nameAt, f.nameSize, name, s.nameSize)) {
                m_sections[size_t(lastSame[first])].nextSame = std::int32_t(i);
                lastSame[first] = std::int32_t(i);
                break;
            }
        }
    }
}

Text::Table Text::makeTable(std::size_t count)
{
    std::size_t size = 8;
    while (size < count + count / 2 + 1)
        size *= 2;
    Table t;
    t.cells.assign(size, Slot{});
    t.mask = size - 1;
    return t;
}

qsizetype Text::contentEnd(qsizetype pos) const
{
    const char* p = m_bytes.constData();
    const qsizetype n = m_bytes.size();
    const auto* nl = static_cast<const char*>(std::memchr(p + pos, '\n', size_t(n - pos)));
    qsizetype e = nl ? nl - p : n;
    if (e > pos && p[e - 1] == '\r')
        --e;
    return e;
}

int Text::findSection(QStringView name) const
{
    const std::uint64_t hash = nameHash(name);
    const char* p = m_bytes.constData();
    for (std::uint64_t k = hash & m_sectionTable.mask;; k = (k + 1) & m_sectionTable.mask) {
        const Slot& slot = m_sectionTable.cells[k];
        if (slot.plus1 == 0)
            return -1;
        const Section& s = m_sections[slot.plus1 - 1];
        if (slot.tag == tagOf(hash) && sameName(p + s.nameAt, s.nameSize, name))
            return int(slot.plus1 - 1);
    }
}

const Text::Table& Text::keyTable(int i) const
{
    if (const auto it = m_keyTables.find(i); it != m_keyTables.end())
        return it->second;
    const Section& s = section(i);
    const char* p = m_bytes.constData();
    Table t = makeTable(s.lines);

    const auto insert = [&](std::uint64_t hash, std::uint32_t pos) {
        for (std::uint64_t k = hash & t.mask;; k = (k + 1) & t.mask) {
            Slot& slot = t.cells[k];
            if (slot.plus1 == 0) {
                slot = Slot{tagOf(hash), pos + 1};
                return;
            }
            if (slot.tag != tagOf(hash))
                continue;
            const qsizetype other = slot.plus1 - 1;
            const std::optional<KeyLine> first = parseKeyLine(p + other, p + contentEnd(other));
            const std::optional<KeyLine> line = parseKeyLine(p + pos, p + contentEnd(pos));
            if (sameBytes(first->key, first->keySize, line->key, line->keySize))
                return; // the first key of a name wins
        }
    };
    // The slots of millions of keys span tens of megabytes: each is fetched
    // a few keys ahead of its insertion instead of waited for, and the keys
    // still go in in file order.
    constexpr size_t kAhead = 16;
    std::uint64_t hashes[kAhead];
    std::uint32_t positions[kAhead];
    size_t pending = 0;
    size_t next = 0; // the oldest pending key once the ring is full
    for (qsizetype pos = s.body; pos < s.end;) {
        const auto* nl = static_cast<const char*>(std::memchr(p + pos, '\n', size_t(s.end - pos)));
        const qsizetype lineEnd = nl ? nl - p : s.end;
        if (const std::optional<KeyLine> line = parseKeyLine(p + pos, p + lineEnd)) {
            const std::uint64_t hash = nameHash(line->key, line->keySize);
            __builtin_prefetch(&t.cells[hash & t.mask], 1);
            if (pending == kAhead)
                insert(hashes[next], positions[next]);
            else
                ++pending;
            hashes[next] = hash;
            positions[next] = std::uint32_t(pos);
            next = (next + 1) % kAhead;
        }
        pos = nl ? lineEnd + 1 : s.end;
    }
    for (size_t k = 0; k < pending; ++k) {
        const size_t at = (next + kAhead - pending + k) % kAhead;
        insert(hashes[at], positions[at]);
    }
    return m_keyTables.emplace(i, std::move(t)).first->second;
}

qsizetype Text::findKey(int i, QStringView key) const
{
    const Table& t = keyTable(i);
    const std::uint64_t hash = nameHash(key);
    const char* p = m_bytes.constData();
    for (std::uint64_t k = hash & t.mask;; k = (k + 1) & t.mask) {
        const Slot& slot = t.cells[k];
        if (slot.plus1 == 0)
            return -1;
        if (slot.tag != tagOf(hash))
            continue;
        const qsizetype pos = slot.plus1 - 1;
        const std::optional<KeyLine> line = parseKeyLine(p + pos, p + contentEnd(pos));
        if (sameName(line->key, line->keySize, key))
            return pos;
    }
}

// ---------------------------------------------------------------- Edit

Edit::Edit(std::shared_ptr<const Text> base)
    : m_base(std::move(base)), m_baseCount(m_base->sectionCount())
{
}

int Edit::findSection(QStringView name) const
{
    for (int s = m_base->findSection(name); s >= 0; s = m_base->section(s).nextSame)
        if (!isErased(s))
            return s;
    int found = -1;
    const auto range = m_newSections.equal_range(nameHash(name));
    for (auto it = range.first; it != range.second; ++it) {
        const int id = it->second;
        const QByteArray& n = m_newNames[size_t(id - m_baseCount)];
        if (!isErased(id) && (found < 0 || id < found) && sameName(n.constData(), n.size(), name))
            found = id;
    }
    return found;
}

Edit::KeyRef Edit::findKey(int section, QStringView key) const
{
    KeyRef ref;
    if (section < m_baseCount) {
        // Keys already in the file come before any added after them.
        ref.pos = m_base->findKey(section, key);
        if (ref.pos >= 0) {
            ref.kind = KeyRef::Original;
            return ref;
        }
    }
    const auto added = m_added.find(section);
    if (added == m_added.end())
        return ref;
    const auto range = m_addedKeys.equal_range(keyOfAdded(section, nameHash(key)));
    for (auto it = range.first; it != range.second; ++it) {
        const auto [s, index] = it->second;
        if (s != section || (ref.index >= 0 && index > ref.index))
            continue;
        const QByteArray& line = added->second[size_t(index)];
        const std::optional<KeyLine> k = parseKeyLine(line.constData(), line.constEnd());
        if (k && sameName(k->key, k->keySize, key)) {
            ref.kind = KeyRef::Added;
            ref.index = index;
        }
    }
    return ref;
}

std::optional<QByteArray> Edit::value(QStringView section, QStringView key) const
{
    const int s = findSection(section);
    if (s < 0)
        return std::nullopt;
    const KeyRef ref = findKey(s, key);
    QByteArray line;
    switch (ref.kind) {
    case KeyRef::None:
        return std::nullopt;
    case KeyRef::Original:
        if (const auto it = m_replaced.find(ref.pos); it != m_replaced.end())
            line = it->second;
        else
            line = QByteArray::fromRawData(m_base->bytes().constData() + ref.pos,
                                           m_base->contentEnd(ref.pos) - ref.pos);
        break;
    case KeyRef::Added:
        line = m_added.at(s)[size_t(ref.index)];
        break;
    }
    const std::optional<KeyLine> k = parseKeyLine(line.constData(), line.constEnd());
    if (!k)
        return std::nullopt;
    return QByteArray(k->value, k->valueSize);
}

void Edit::addLine(int section, const QByteArray& entry)
{
    std::vector<QByteArray>& lines = m_added[section];
    lines.push_back(entry);
    if (const std::optional<KeyLine> k = parseKeyLine(entry.constData(), entry.constEnd()))
        m_addedKeys.emplace(keyOfAdded(section, nameHash(k->key, k->keySize)),
                            std::pair(section, int(lines.size() - 1)));
}

void Edit::write(QStringView section, QStringView key, const QByteArray& sectionBytes,
                 const QByteArray& entry)
{
    int s = findSection(section);
    if (s < 0) {
        if (!endsBlank())
            ++m_blanksAfter[lastLiveSection()];
        s = m_baseCount + int(m_newNames.size());
        m_newNames.push_back(sectionBytes);
        m_newSections.emplace(nameHash(sectionBytes.constData(), sectionBytes.size()), s);
        addLine(s, entry);
        return;
    }
    const KeyRef ref = findKey(s, key);
    switch (ref.kind) {
    case KeyRef::Original:
        m_replaced[ref.pos] = entry;
        break;
    case KeyRef::Added:
        m_added[s][size_t(ref.index)] = entry;
        break;
    case KeyRef::None:
        addLine(s, entry);
        break;
    }
}

void Edit::erase(QStringView section)
{
    const int s = findSection(section);
    if (s >= 0)
        m_erased.insert(s);
}

int Edit::lastLiveSection() const
{
    for (int id = m_baseCount + int(m_newNames.size()) - 1; id > 0; --id)
        if (!isErased(id))
            return id;
    return 0;
}

// Whether the edited text is empty or its last line is blank: a new section
// is set off from the one before it by a blank line.
bool Edit::endsBlank() const
{
    const char* p = m_base->bytes().constData();
    for (int id = m_baseCount + int(m_newNames.size()) - 1; id >= 0; --id) {
        if (isErased(id))
            continue;
        if (const auto it = m_blanksAfter.find(id); it != m_blanksAfter.end() && it->second > 0)
            return true;
        if (id >= m_baseCount)
            return false; // a new section ends with its header or an entry
        const Text::Section& s = m_base->section(id);
        const qsizetype from = id == 0 ? 0 : s.start;
        const auto added = m_added.find(id);
        if (added != m_added.end() && !added->second.empty() && s.insertAt == s.end)
            return false;
        if (s.end == from)
            continue; // nothing before the first header
        const qsizetype lineEnd = p[s.end - 1] == '\n' ? s.end - 1 : s.end;
        qsizetype lineStart = lineEnd;
        while (lineStart > from && p[lineStart - 1] != '\n')
            --lineStart;
        if (m_replaced.count(lineStart))
            return false;
        for (qsizetype i = lineStart; i < lineEnd; ++i)
            if (!isBlank(p[i]))
                return false;
        return true;
    }
    return true;
}

void Edit::emitRange(QByteArray& out, qsizetype from, qsizetype to) const
{
    const char* p = m_base->bytes().constData();
    qsizetype at = from;
    for (auto it = m_replaced.lower_bound(from); it != m_replaced.end() && it->first < to; ++it) {
        out.append(p + at, it->first - at);
        out.append(it->second);
        at = m_base->contentEnd(it->first); // the old line end stays
    }
    out.append(p + at, to - at);
}

void Edit::emitLine(QByteArray& out, const QByteArray& line) const
{
    const char* eol = m_base->lineEnd();
    if (!out.isEmpty() && !out.endsWith('\n')) // a last line without its end
        out.append(out.endsWith('\r') ? "\n" : eol);
    out.append(line);
    out.append(eol);
}

QByteArray Edit::text() const
{
    QByteArray out;
    out.reserve(m_base->bytes().size() + 64 * qsizetype(m_replaced.size() + m_added.size() + 1));
    const auto blanks = [&](int id) {
        if (const auto it = m_blanksAfter.find(id); it != m_blanksAfter.end())
            for (int k = 0; k < it->second; ++k)
                emitLine(out, QByteArray());
    };
    for (int id = 0; id < m_baseCount; ++id) {
        if (isErased(id))
            continue;
        const Text::Section& s = m_base->section(id);
        const qsizetype from = id == 0 ? 0 : s.start;
        const auto added = m_added.find(id);
        if (added != m_added.end() && !added->second.empty()) {
            emitRange(out, from, s.insertAt);
            for (const QByteArray& line : added->second)
                emitLine(out, line);
            emitRange(out, s.insertAt, s.end);
        } else {
            emitRange(out, from, s.end);
        }
        blanks(id);
    }
    for (size_t k = 0; k < m_newNames.size(); ++k) {
        const int id = m_baseCount + int(k);
        if (isErased(id))
            continue;
        emitLine(out, '[' + m_newNames[k] + ']');
        if (const auto added = m_added.find(id); added != m_added.end())
            for (const QByteArray& line : added->second)
                emitLine(out, line);
        blanks(id);
    }
    return out;
}

} // namespace dovex::profiletext
