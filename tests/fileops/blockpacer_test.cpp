#include "fileops/blockpacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

namespace dovex {

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

constexpr std::int64_t kKiB = 1024;
constexpr File::FuseBlocks kFuseWrite{128 * kKiB, 1024 * kKiB};

// Feeds the pacer blocks whose time the mount's speed at each size gives,
// and returns the sizes it asked for.
std::vector<std::int64_t> run(BlockPacer& pacer, int blocks,
                              const std::function<double(std::int64_t)>& mibPerSecond)
{
    std::vector<std::int64_t> sizes;
    for (int i = 0; i < blocks; ++i) {
        const std::int64_t size = pacer.size();
        sizes.push_back(size);
        const double seconds = double(size) / (mibPerSecond(size) * 1024 * 1024);
        pacer.moved(size, std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                              std::chrono::duration<double>(seconds)));
    }
    return sizes;
}

} // namespace

TEST(BlockPacer, AMountThatGainsFromLargerWritesGetsThemUpToItsLargestRequest)
{
    BlockPacer pacer(kFuseWrite);
    EXPECT_EQ(pacer.size(), 128 * kKiB);
    // Each doubling a fifth to a third faster, as SMB over gvfs measured.
    const auto sizes = run(pacer, 80, [](std::int64_t size) {
        return size <= 128 * kKiB   ? 40.0
               : size <= 256 * kKiB ? 50.0
               : size <= 512 * kKiB ? 62.0
                                    : 75.0;
    });
    EXPECT_EQ(sizes.back(), 1024 * kKiB);
    for (const std::int64_t size : sizes)
        EXPECT_LE(size, 1024 * kKiB);
}

TEST(BlockPacer, AMountThatLosesFromLargerWritesStaysAtItsReadaheadSize)
{
    // SFTP over gvfs: twice the block, a fifth slower. One trial of the
    // larger size, then back for good.
    BlockPacer pacer(kFuseWrite);
    const auto sizes =
        run(pacer, 200, [](std::int64_t size) { return size > 128 * kKiB ? 32.0 : 40.0; });
    EXPECT_EQ(sizes.back(), 128 * kKiB);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 256 * kKiB), kBlocksBeforeGrowing);
    EXPECT_EQ(std::count(sizes.begin(), sizes.end(), 512 * kKiB), 0);

    // A gain within the noise does not count as one either.
    BlockPacer noisy(kFuseWrite);
    EXPECT_EQ(
        run(noisy, 200, [](std::int64_t size) { return size > 128 * kKiB ? 42.0 : 40.0; }).back(),
        128 * kKiB);
}

TEST(BlockPacer, ReadsOffAMountNeverGrowButLocalCopiesDoAndShrinkWhenSlow)
{
    BlockPacer reads(File::FuseBlocks{128 * kKiB, 128 * kKiB});
    const auto sizes = run(reads, 100, [](std::int64_t size) { return double(size); });
    EXPECT_EQ(*std::max_element(sizes.begin(), sizes.end()), 128 * kKiB);

    BlockPacer local(File::FuseBlocks{});
    EXPECT_EQ(local.size(), kCopyBlock);
    for (int i = 0; i < 40; ++i)
        local.moved(local.size(), microseconds(100));
    EXPECT_EQ(local.size(), kLargestCopyBlock);
    // A disk that slows down gets smaller blocks, so Abort is still seen.
    for (int i = 0; i < 40; ++i)
        local.moved(local.size(), milliseconds(300));
    EXPECT_EQ(local.size(), kCopyBlock);
}

} // namespace dovex
