#pragma once

#include <QByteArray>

#include <cstdint>
#include <cstring>

namespace dovex::test {

// A ustar archive written byte by byte, for members no tool writes.
struct TarWriter {
    QByteArray bytes;

    void add(const QByteArray& name, char type, const QByteArray& data = {},
             const QByteArray& link = {}, std::int64_t claimedSize = -1)
    {
        // A longer name goes first, in the GNU long-name member.
        if (name.size() > 100)
            add("././@LongLink", 'L', name + '\0');
        QByteArray h(512, '\0');
        auto put = [&h](int at, const QByteArray& v) {
            std::memcpy(h.data() + at, v.constData(), size_t(v.size()));
        };
        put(0, name.left(100));
        put(100, type == '5' ? "0000755" : "0000644");
        put(108, "0000000");
        put(116, "0000000");
        const std::int64_t size = claimedSize >= 0 ? claimedSize : data.size();
        if (size > 077777777777) {
            // The base-256 form GNU tar writes for sizes past 8 GiB.
            h[124] = char(0x80);
            for (int i = 0; i < 8; ++i)
                h[135 - i] = char((size >> (8 * i)) & 0xFF);
        } else {
            put(124, QByteArray::number(qlonglong(size), 8).rightJustified(11, '0'));
        }
        put(136, QByteArray::number(1600000000, 8).rightJustified(11, '0'));
        put(148, "        ");
        h[156] = type;
        put(157, link.left(100));
        put(257, QByteArray("ustar\0"
                            "00",
                            8));
        unsigned sum = 0;
        for (char c : h)
            sum += std::uint8_t(c);
        put(148, QByteArray::number(sum, 8).rightJustified(6, '0') + QByteArray("\0 ", 2));
        bytes += h;
        bytes += data;
        if (data.size() % 512)
            bytes += QByteArray(512 - data.size() % 512, '\0');
    }
    QByteArray finish() const { return bytes + QByteArray(1024, '\0'); }
};

} // namespace dovex::test
