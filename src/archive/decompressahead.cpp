#include "archive/decompressahead.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstring>

namespace dovex {

namespace {

constexpr std::size_t kChunk = 1u << 20;
constexpr std::size_t kWaiting = 4;

struct Reader {
    ByteSource* source;
    std::atomic<std::int64_t>* offset;
};

la_ssize_t readCompressed(archive*, void* data, const void** buffer)
{
    auto* r = static_cast<Reader*>(data);
    const std::span<const std::uint8_t> bytes = r->source->read(r->offset->load(), kChunk);
    *buffer = bytes.data();
    *r->offset += std::int64_t(bytes.size());
    return la_ssize_t(bytes.size());
}

bool startsWith(std::span<const std::uint8_t> bytes, const char* magic, std::size_t length)
{
    return bytes.size() >= length && std::memcmp(bytes.data(), magic, length) == 0;
}

} // namespace

bool DecompressAhead::compressed(ByteSource& source)
{
    const std::span<const std::uint8_t> head = source.read(0, 6);
    return startsWith(head, "\x1f\x8b", 2) || startsWith(head, "BZh", 3) ||
           startsWith(head,
                      "\xfd"
                      "7zXZ\0",
                      6) ||
           startsWith(head, "\x28\xb5\x2f\xfd", 4) || startsWith(head, "LZIP", 4);
}

DecompressAhead::DecompressAhead(ByteSource& source) : m_source(source)
{
    m_thread = std::thread([this] { run(); });
}

DecompressAhead::~DecompressAhead()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

bool DecompressAhead::next(std::vector<char>& chunk)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_ready.empty() || m_ended; });
    chunk.clear();
    if (!m_ready.empty()) {
        chunk = std::move(m_ready.front());
        m_ready.pop_front();
        m_changed.notify_all();
        return true;
    }
    return !m_failed;
}

QString DecompressAhead::error() const
{
    std::lock_guard lock(m_mutex);
    return m_error;
}

// False once the reader is gone.
bool DecompressAhead::hand(std::vector<char>&& chunk)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_ready.size() < kWaiting || m_stopping; });
    if (m_stopping)
        return false;
    m_ready.push_back(std::move(chunk));
    m_changed.notify_all();
    return true;
}

void DecompressAhead::run()
{
    Reader reader{&m_source, &m_consumed};
    archive* a = archive_read_new();
    // The filters libarchive runs itself, and the stream as it comes out.
    archive_read_support_filter_gzip(a);
    archive_read_support_filter_bzip2(a);
    archive_read_support_filter_xz(a);
    archive_read_support_filter_lzip(a);
    archive_read_support_filter_zstd(a);
    archive_read_support_format_raw(a);
    archive_read_set_read_callback(a, readCompressed);
    archive_read_set_callback_data(a, &reader);
    archive_entry* entry = nullptr;
    bool whole =
        archive_read_open1(a) == ARCHIVE_OK && archive_read_next_header(a, &entry) == ARCHIVE_OK;
    // Block by block as the filter yields them: of a stream cut short or
    // damaged, every byte before the damage still reaches the reader.
    std::vector<char> chunk;
    bool going = whole;
    while (going) {
        const void* block = nullptr;
        std::size_t size = 0;
        la_int64_t offset = 0;
        const int r = archive_read_data_block(a, &block, &size, &offset);
        if (r == ARCHIVE_OK || r == ARCHIVE_WARN) {
            const char* bytes = static_cast<const char*>(block);
            chunk.insert(chunk.end(), bytes, bytes + size);
        } else {
            whole = r == ARCHIVE_EOF;
            going = false;
        }
        if ((chunk.size() >= kChunk || !going) && !chunk.empty()) {
            going = hand(std::move(chunk)) && going;
            chunk = {};
        }
    }
    std::lock_guard lock(m_mutex);
    m_ended = true;
    m_failed = !whole;
    if (!whole) {
        const char* text = archive_error_string(a);
        m_error = text ? QString::fromLocal8Bit(text) : QStringLiteral("the archive is damaged");
    }
    archive_read_free(a);
    m_changed.notify_all();
}

} // namespace dovex
