#include "panels/openentry.h"

#include "panels/filepanel.h"

#include <gtest/gtest.h>

using namespace dovex;

namespace {

PanelEntry entry(const QString& name, bool directory)
{
    PanelEntry e;
    e.name = name;
    e.directory = directory;
    return e;
}

TEST(OpenEntry, DirectoriesUpAndDotOnDiskAndInArchives)
{
    EXPECT_EQ(OpenEntryStep(false, entry("..", true)), OpenStep::DirectoryUp);
    EXPECT_EQ(OpenEntryStep(false, entry(".", true)), OpenStep::Stay);
    EXPECT_EQ(OpenEntryStep(false, entry("src", true)), OpenStep::Directory);
    EXPECT_EQ(OpenEntryStep(false, entry("..", false)), OpenStep::File);
    EXPECT_EQ(OpenEntryStep(true, entry("..", true)), OpenStep::ArchiveUp);
    EXPECT_EQ(OpenEntryStep(true, entry("docs", true)), OpenStep::ArchiveDirectory);
    // A member file is left to the archive commands.
    EXPECT_EQ(OpenEntryStep(true, entry("a.txt", false)), OpenStep::Nothing);
}

TEST(OpenEntry, FilesAreEnteredUnpackedMergedOrOpenedInThatOrder)
{
    int compressedAsked = 0;
    OpenFileFacts facts{[] { return true; }, false, [&] { return ++compressedAsked, true; }, true};
    EXPECT_EQ(OpenFileStep("a.zip", facts), OpenFile::EnterArchive);
    EXPECT_EQ(compressedAsked, 0); // nothing else is read once an archive is entered
    // One archive at a time: the other panel's archive sends this one to
    // the Compression Tools.
    facts.otherPanelInArchive = true;
    EXPECT_EQ(OpenFileStep("a.zip", facts), OpenFile::Decompress);
    facts.isArchive = [] { return false; };
    facts.isCompressed = [] { return false; };
    EXPECT_EQ(OpenFileStep("big.001", facts), OpenFile::MergePieces);
    EXPECT_EQ(OpenFileStep("big.002", facts), OpenFile::OpenDocument);
    facts.openDocuments = false;
    EXPECT_EQ(OpenFileStep("notes.txt", facts), OpenFile::Nothing);
}

TEST(OpenEntry, APanelMovesDownAndUpAndStaysForTheOtherSteps)
{
    FilePanel p;
    p.path = QStringLiteral(R"(C:\work)");
    EXPECT_EQ(MovePanelForStep(p, OpenStep::Directory, entry("src", true)), QString());
    EXPECT_EQ(p.path, QStringLiteral(R"(C:\work\src)"));
    // Up: the cursor goes to the directory just left.
    EXPECT_EQ(MovePanelForStep(p, OpenStep::DirectoryUp, entry("..", true)), "src");
    EXPECT_EQ(p.path, QStringLiteral(R"(C:\work)"));
    for (OpenStep step : {OpenStep::Stay, OpenStep::Nothing, OpenStep::File})
        EXPECT_EQ(MovePanelForStep(p, step, entry("x", true)), QString());
    EXPECT_EQ(p.path, QStringLiteral(R"(C:\work)"));
    p.path = QStringLiteral(R"(C:\)");
    EXPECT_EQ(MovePanelForStep(p, OpenStep::DirectoryUp, entry("..", true)), QString());
    EXPECT_EQ(p.path, QStringLiteral(R"(C:\)"));
}

} // namespace
