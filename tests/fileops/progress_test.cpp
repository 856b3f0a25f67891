#include "recordingsink.h"

#include "fileops/pathrules.h"
#include "fileops/runoperation.h"

namespace dovex::test {

namespace {

class ProgressTest : public FileOpsTest {
protected:
    void SetUp() override
    {
        state.clock = [this] { return now; };
        state.startCounting();
    }
    double now = 0;
};

TEST(FormatKilobytes, GroupsAndEmptyBelowOneKilobyte)
{
    EXPECT_EQ(FormatKilobytes(0), " KB");
    EXPECT_EQ(FormatKilobytes(1023), " KB");
    EXPECT_EQ(FormatKilobytes(2048000), "2,000 KB");
    EXPECT_EQ(FormatKilobytes(std::int64_t(5) << 40), "5,368,709,120 KB");
}

TEST_F(ProgressTest, EstimateAndSpeed)
{
    state.totalBytes = 3000000;
    state.doneBytes = 1500000;
    now = 10;
    ProgressInfo(state);
    EXPECT_EQ(sink.infos.last(), "1,464 KB of 2,929 KB copied   estimated time: 10 sec ");
    EXPECT_EQ(sink.percents.last(), 50);

    state.showSpeed = true;
    state.doneBytes = 1000000;
    now = 75; // 150 seconds left
    state.progressCalls = 101;
    ProgressInfo(state);
    EXPECT_EQ(sink.infos.last(), "976 KB of 2,929 KB copied   estimated time: 2 min,  13 KB/Sec");
}

TEST_F(ProgressTest, NoEstimateInTheFirstSecondsAndZeroTotals)
{
    now = 3;
    state.totalBytes = 0;
    state.doneBytes = 0;
    ProgressInfo(state);
    EXPECT_EQ(sink.infos.last(), " KB of  KB copied");
    state.byteMode = false;
    state.totalFiles = 0;
    state.doneFiles = 0;
    ProgressInfo(state); // no division by zero; 0 % is where the bar is
    EXPECT_EQ(sink.percents.size(), 1);
}

TEST_F(ProgressTest, RedrawOnlyEveryTwoPercentOrHundredCalls)
{
    state.totalBytes = 1000;
    ProgressInfo(state); // the first call always draws
    const qsizetype drawn = sink.infos.size();
    for (int i = 1; i <= 14; ++i) { // up to 1.4 %, which rounds to 1
        state.doneBytes = i;
        ProgressInfo(state);
    }
    EXPECT_EQ(sink.infos.size(), drawn);
    state.doneBytes = 20;
    ProgressInfo(state);
    EXPECT_EQ(sink.infos.size(), drawn + 1);
    for (int i = 0; i < 101; ++i)
        ProgressInfo(state);
    EXPECT_EQ(sink.infos.size(), drawn + 2);
}

TEST_F(ProgressTest, CountModeClearsTheAmountLine)
{
    BeginOperation(state, FileOpKind::Delete);
    EXPECT_FALSE(state.byteMode);
    EXPECT_EQ(state.progressWord, "deleted");
    state.totalFiles = 4;
    state.doneFiles = 1;
    ProgressInfo(state);
    EXPECT_EQ(sink.percents.last(), 25);
    EXPECT_EQ(sink.infos.last(), "");
}

TEST(PathRules, ResolveTypedTarget)
{
    EXPECT_EQ(ResolveTypedTarget("backup", "C:\\work"), "C:\\work\\backup");
    EXPECT_EQ(ResolveTypedTarget("backup", "C:\\"), "C:\\backup");
    EXPECT_EQ(ResolveTypedTarget("\\tmp", "C:\\work"), "C:\\tmp");
    EXPECT_EQ(ResolveTypedTarget("D:\\x", "C:\\work"), "D:\\x");
    EXPECT_EQ(ResolveTypedTarget("D:\\x\\", "C:\\work"), "D:\\x");
    EXPECT_EQ(ResolveTypedTarget("D:\\", "C:\\work"), "D:\\");
    EXPECT_EQ(ResolveTypedTarget("", "C:\\work"), "C:\\work");
}

TEST(PathRules, ApplyWildcardName)
{
    EXPECT_EQ(ApplyWildcardName("D:\\bak\\*.old", "C:\\notes.txt"), "D:\\bak\\notes.old");
    EXPECT_EQ(ApplyWildcardName("D:\\bak\\a*.*", "C:\\notes.txt"), "D:\\bak\\aotes.txt");
    EXPECT_EQ(ApplyWildcardName("D:\\bak\\*", "C:\\notes.txt"), "D:\\bak\\notes");
    EXPECT_EQ(ApplyWildcardName("D:\\bak\\x?.txt", "C:\\notes.txt"), "D:\\bak\\x?.txt");
    EXPECT_EQ(ApplyWildcardName("D:\\*.*", "C:\\README"), "D:\\README");
}

TEST(PathRules, PartialNames)
{
    EXPECT_EQ(partialName("D:\\report.doc", 0), "D:\\report.$$$");
    EXPECT_EQ(partialName("D:\\report.doc", 2), "D:\\report.2.$$$");
    EXPECT_EQ(partialName("D:\\a.b\\README", 0), "D:\\a.b\\README.$$$");
}

} // namespace

} // namespace dovex::test
