// The inflating thread a compressed tar's extraction reads through: every
// filter's stream comes out whole, damage is told after every byte before
// it, and a reader that stops early never leaves the thread waiting.
#include "archivetestsupport.h"

#include "archive/decompressahead.h"
#include "archive/memorysource.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

using namespace dovex;
using namespace dovex::test;

namespace {

// Text that compresses, with random bytes between, over several chunks.
QByteArray sample()
{
    QByteArray data;
    QRandomGenerator random(11);
    while (data.size() < 1536 * 1024) {
        data += "line " + QByteArray::number(data.size()) + " of the sample\n";
        if (data.size() % 7 == 0)
            data += QByteArray::number(random.generate64(), 36);
    }
    return data;
}

MemorySource sourceOf(const QByteArray& bytes)
{
    return MemorySource(
        {reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size())});
}

// Everything the stream yields; false when it ended in damage.
bool drain(DecompressAhead& stream, QByteArray& out)
{
    std::vector<char> chunk;
    for (;;) {
        if (!stream.next(chunk))
            return false;
        if (chunk.empty())
            return true;
        out.append(chunk.data(), qsizetype(chunk.size()));
    }
}

} // namespace

TEST(DecompressAhead, EveryFiltersStreamComesOutWholeAndPlainBytesAreNoStream)
{
    const QByteArray data = sample();
    int tried = 0;
    for (const char* tool : {"gzip", "bzip2", "xz", "zstd", "lzip"}) {
        if (!haveTool(tool))
            continue;
        QByteArray packed;
        ASSERT_TRUE(runTool("/", tool, {"-1", "-c"}, data, &packed)) << tool;
        MemorySource source = sourceOf(packed);
        EXPECT_TRUE(DecompressAhead::compressed(source)) << tool;
        DecompressAhead stream(source);
        QByteArray out;
        EXPECT_TRUE(drain(stream, out)) << tool << ": " << stream.error().toStdString();
        EXPECT_TRUE(out == data) << tool;
        EXPECT_EQ(stream.consumed(), packed.size()) << tool;
        ++tried;
    }
    EXPECT_GE(tried, 2);
    MemorySource plain = sourceOf(data);
    EXPECT_FALSE(DecompressAhead::compressed(plain));
}

TEST(DecompressAhead, DamageComesAfterEveryByteBeforeItAndAnEarlyStopEndsTheThread)
{
    REQUIRE_TOOL("gzip");
    const QByteArray data = sample();
    QByteArray packed;
    ASSERT_TRUE(runTool("/", "gzip", {"-c"}, data, &packed));

    const QByteArray cut = packed.left(packed.size() / 2);
    MemorySource source = sourceOf(cut);
    DecompressAhead stream(source);
    QByteArray out;
    EXPECT_FALSE(drain(stream, out));
    EXPECT_FALSE(stream.error().isEmpty());
    // What came out is the start of the data, and nearly all that the half
    // of the stream holds.
    EXPECT_TRUE(data.startsWith(out));
    EXPECT_GT(out.size(), data.size() * 4 / 10);

    // The reader takes one piece and goes: the thread, blocked with more
    // pieces ready (32 MiB of zeros inflate from a few kilobytes), ends
    // with it.
    QByteArray zeros;
    ASSERT_TRUE(runTool("/", "gzip", {"-1", "-c"}, QByteArray(32 << 20, '\0'), &zeros));
    MemorySource whole = sourceOf(zeros);
    auto early = std::make_unique<DecompressAhead>(whole);
    std::vector<char> chunk;
    ASSERT_TRUE(early->next(chunk));
    EXPECT_FALSE(chunk.empty());
    early.reset();
}
