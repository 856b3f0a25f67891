// The progress window's reading of the zip component's events.
#include "archive/ops/archiveprogress.h"
#include "archive/ops/zipprogress.h"
#include "archive/zipmaster.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

namespace dovex {
namespace {
using test::ScriptedPrompter;

class RecordingWindow : public ArchiveProgress {
public:
    void showRun(const QString&, const QString&, const QString&, const QString&, Animation,
                 bool bar) override
    {
        visible = true;
        barVisible = bar;
    }
    void setLine(int n, const QString& text) override { lines[n - 1] = text; }
    void setBarVisible(bool v) override { barVisible = v; }
    void hideRun() override { visible = false; }
    void setPercent(int p) override { percents.push_back(p); }
    bool abortRequested() override { return abort; }

    bool visible = false, barVisible = false, abort = false;
    QString lines[3];
    std::vector<int> percents;
};

TEST(ZipProgress, BarFollowsBytesOfTheWholeAddAndStopsAtFull)
{
    RecordingWindow window;
    ScriptedPrompter prompter;
    ZipProgress p(window, prompter, ZipProgress::kCompressed);
    p.totalBytes = 4 * 32768;
    TZipMaster zip;
    p.onProgress(zip, 0, QStringLiteral("C:\\a"), 2 * 32768);
    EXPECT_EQ(window.lines[0], QStringLiteral("C:\\a"));
    p.onProgress(zip, 1, QStringLiteral(" "), 0);
    EXPECT_EQ(window.percents.back(), 25);
    EXPECT_EQ(window.lines[2], QStringLiteral("32 KB of 128 KB Compressed"));
    p.onProgress(zip, 1, QStringLiteral(" "), 0);
    p.onProgress(zip, 0, QStringLiteral("C:\\b"), 2 * 32768);
    for (int k = 0; k < 5; ++k) // one step too many: the last block overshoots
        p.onProgress(zip, 1, QStringLiteral(" "), 0);
    EXPECT_EQ(window.percents.back(), 100);
    EXPECT_EQ(p.fileCount, 2);
    EXPECT_FALSE(zip.Cancel);
}

TEST(ZipProgress, EachUnpackedFileHasItsOwnBar)
{
    RecordingWindow window;
    ScriptedPrompter prompter;
    ZipProgress p(window, prompter, ZipProgress::kDecompressed);
    TZipMaster zip;
    p.onProgress(zip, 0, QStringLiteral("a"), 65536);
    p.onProgress(zip, 1, QStringLiteral(" "), 0);
    EXPECT_EQ(window.percents.back(), 50);
    p.onProgress(zip, 0, QStringLiteral("b"), 65536);
    EXPECT_EQ(window.percents.back(), 0);
    EXPECT_EQ(p.totalBytes, 65536);
}

TEST(ZipProgress, FailureShownAtOnceAndSummaryOnlyAfterAGoodAdd)
{
    RecordingWindow window;
    window.visible = true;
    ScriptedPrompter prompter;
    {
        ZipProgress p(window, prompter, ZipProgress::kCompressed);
        TZipMaster zip;
        p.onMessage(0, QStringLiteral("2 file(s) added to C:\\x.zip"));
        p.onProgress(zip, 2, QStringLiteral(" "), 0);
    }
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked()[0].text, QStringLiteral("2 file(s) added to C:\\x.zip"));
    {
        ZipProgress p(window, prompter, ZipProgress::kCompressed);
        TZipMaster zip;
        window.visible = true;
        p.onMessage(2, QStringLiteral("Cannot read C:\\y"));
        EXPECT_FALSE(window.visible);
        p.onProgress(zip, 2, QStringLiteral(" "), 0);
    }
    ASSERT_EQ(prompter.asked().size(), 2);
    EXPECT_EQ(prompter.asked()[1].text,
              QStringLiteral("An error has occured: Cannot read C:\\y, Errorcode:2"));
}

TEST(ZipProgress, AbortOfTheWindowCancelsTheComponent)
{
    RecordingWindow window;
    ScriptedPrompter prompter;
    ZipProgress p(window, prompter, ZipProgress::kExtracted);
    TZipMaster zip;
    p.attach(zip);
    window.abort = true;
    zip.OnProgress(zip, 0, QStringLiteral("a"), 1);
    EXPECT_TRUE(zip.Cancel);
}

} // namespace
} // namespace dovex
