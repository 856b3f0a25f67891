#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace dovex {

// The bytes an archive reader walks: a file or a buffer. A read never
// returns bytes past the end of the data, whatever was asked for.
class ByteSource {
public:
    virtual ~ByteSource() = default;

    virtual std::int64_t size() const = 0;
    // Up to length bytes at offset: fewer at the end of the data or after a
    // read error, none for an offset outside it. The span stays valid until
    // the next call.
    virtual std::span<const std::uint8_t> read(std::int64_t offset, std::size_t length) = 0;
};

} // namespace dovex
