#include "network/ui/disconnectcommand.h"

#include <gtest/gtest.h>

using namespace dovex;

TEST(DisconnectCommand, OnlyPanelsShowingTheDriveThatWentMoveToC)
{
    FilePanel left, right;
    left.path = QStringLiteral("n:\\share\\docs");
    right.inArchive = true;
    right.archiveKind = QChar('Z');
    right.archiveFile = QStringLiteral("N:\\share\\a.zip");
    right.path = right.archiveFile;
    right.innerDirectory = QStringLiteral("inner");
    EXPECT_EQ(DisconnectCommand::movePanelsOff({&left, &right}, QChar('N')), 3u);
    for (const FilePanel* p : {&left, &right}) {
        EXPECT_EQ(p->path, QStringLiteral("C:\\"));
        EXPECT_FALSE(p->inArchive);
        EXPECT_TRUE(p->archiveFile.isEmpty());
        EXPECT_TRUE(p->innerDirectory.isEmpty());
    }
    // A panel on another drive, and one without a path, stay.
    FilePanel other;
    other.path = QStringLiteral("D:\\n");
    FilePanel empty;
    empty.path.clear();
    EXPECT_EQ(DisconnectCommand::movePanelsOff({&other, &empty}, QChar('n')), 0u);
    EXPECT_EQ(other.path, QStringLiteral("D:\\n"));
}
