#include "panels/filepanel.h"
#include "panels/filetypetable.h"
#include "panels/textformat.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QLocale>

using namespace dovex;
using dovex::test::DriveFixture;
using dovex::test::ScriptedPrompter;

namespace {

// Every test here formats with a known locale and puts the system's back.
class TextFormat : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }
};

PanelEntry entry(const QString& name, std::int64_t size, bool directory = false)
{
    PanelEntry e;
    e.name = name;
    e.size = size;
    e.directory = directory;
    e.attributes = directory ? faDirectory : faArchive;
    e.dosDateTime = packDosDateTime({2021, 3, 5, 14, 30, 8});
    return e;
}

} // namespace

TEST_F(TextFormat, SizeTextUnitsAndField)
{
    EXPECT_EQ(SizeText(0), "        0");
    EXPECT_EQ(SizeText(350), "      350");
    EXPECT_EQ(SizeText(9'999'999), "9,999,999");
    EXPECT_EQ(SizeText(10'000'000), "  9,765KB");
    EXPECT_EQ(SizeText(12'345'678), " 12,056KB");
    EXPECT_EQ(SizeText(999'999'999), "976,562KB");
    EXPECT_EQ(SizeText(1'500'000'000), "  1,430MB");
    // Beyond 32 bits the MB rule still holds; the field only grows.
    EXPECT_EQ(SizeText(5'000'000'000LL), "  4,768MB");
    EXPECT_EQ(SizeText(std::int64_t(3) << 50), "3,221,225,472MB");
}

TEST_F(TextFormat, ThousandsFollowsTheLocale)
{
    EXPECT_EQ(thousands(1234567), "1,234,567");
    EXPECT_EQ(thousands(-1234), "-1,234");
    EXPECT_EQ(thousands(999), "999");
    EXPECT_EQ(thousands(INT64_MIN), "-9,223,372,036,854,775,808");
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(thousands(1234567), "1.234.567");
    // The C locale omits separators in its number options; the pattern does not.
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(SizeText(12'345'678), " 12,056KB");
}

TEST_F(TextFormat, AttrText)
{
    EXPECT_EQ(AttrText(faReadOnly | faHidden | faDirectory), "RH_D");
    EXPECT_EQ(AttrText(faArchive), "___A");
    EXPECT_EQ(AttrText(faDirectory | faArchive), "___D");
    EXPECT_EQ(AttrText(faReadOnly | faHidden | faSysFile | faArchive), "RHSA");
    EXPECT_EQ(AttrText(0), "____");
}

TEST_F(TextFormat, DateTimeTextUsesShortDateAndLongTime)
{
    EXPECT_EQ(DateTimeText(packDosDateTime({2021, 3, 5, 14, 30, 8})), "05/03/2021 14:30:08");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    // "12/5/21" and "3:04:06" would be 7 characters: they get a leading 0.
    const QString us = DateTimeText(packDosDateTime({2021, 12, 5, 3, 4, 6}));
    EXPECT_EQ(us, "012/5/21 3:04:06 AM") << us.toStdString();
}

TEST_F(TextFormat, DateTimeTextOfImpossibleValues)
{
    // Day 0 and month 0 cannot be a date; the stored parts are shown.
    EXPECT_EQ(DateTimeText(0), "1980-00-00 00:00:00");
}

TEST_F(TextFormat, SelectionLineTotalsAndDetails)
{
    FilePanel panel;
    EXPECT_EQ(SelectionLineText(panel, -1, nullptr), "No files");

    panel.entries = {entry("..", 0, true), entry("sub", 0, true), entry("a.txt", 100),
                     entry("big.dat", 3'000'000'000LL)};
    EXPECT_EQ(SelectionLineText(panel, -1, nullptr), std::nullopt);
    EXPECT_EQ(SelectionLineText(panel, 0, nullptr), "..   [UP--DIR] 05/03/2021 14:30:08");
    EXPECT_EQ(SelectionLineText(panel, 1, nullptr), "sub   [SUB-DIR] 05/03/2021 14:30:08");
    EXPECT_EQ(SelectionLineText(panel, 3, nullptr), "big.dat 3,000,000,000 05/03/2021 14:30:08");

    FileTypeTable types;
    types.append({".TXT", "Text Document", 4, true});
    EXPECT_EQ(SelectionLineText(panel, 2, &types), "a.txt 100 05/03/2021 14:30:08  Text Document");

    panel.entries[2].selected = true;
    panel.entries.push_back(entry("b.txt", 250));
    panel.entries.back().selected = true;
    EXPECT_EQ(SelectionLineText(panel, 0, &types), "350 bytes in 2 files");
    panel.entries[3].selected = true;
    EXPECT_EQ(SelectionLineText(panel, 0, &types), "3,000,000,350 bytes in 3 files");
}

TEST_F(TextFormat, DriveInfoTextRules)
{
    EXPECT_EQ(DriveInfoText('c', DriveSpace{9'437'184, 3'200'000}),
              "Drive C: 9 MB Total, 3 MB Free.");
    // The small-drive form names the drive by its lower-case letter alone.
    EXPECT_EQ(DriveInfoText('D', DriveSpace{8'000'000, 1'500'000}),
              "Drive d 7,812 KB Total, 1,464 KB Free.");
    EXPECT_EQ(DriveInfoText('a', DriveSpace{9'437'183, 0}), "Drive a 9,215 KB Total, 0 KB Free.");
    EXPECT_EQ(DriveInfoText('a', DriveSpace{1'457'664, 0})[6], QChar('a'));
    EXPECT_EQ(DriveInfoText('e', DriveSpace{4'000'000'000'000LL, 2'500'000'000'000LL}),
              "Drive E: 3814697 MB Total, 2384185 MB Free.");
    EXPECT_EQ(DriveInfoText('x', std::nullopt), "Drive X: not ready.");
    EXPECT_EQ(DriveInfoText('x', std::nullopt)[6], QChar('X'));
}

TEST_F(TextFormat, DriveInfoTextOfMappedAndUnmappedDrives)
{
    DriveFixture drives("C");
    EXPECT_TRUE(DriveInfoText("c:\\").startsWith("Drive C: "));
    EXPECT_TRUE(DriveInfoText("C:\\sub").contains(" Total, "));
    EXPECT_EQ(DriveInfoText("Q:\\"), "Drive Q: not ready.");
    EXPECT_EQ(DriveInfoText(""), "");
}

TEST_F(TextFormat, NotReadyDriveAsksUntilRetrySucceedsOrAbort)
{
    DriveFixture drives("C");
    FilePanel panel;
    panel.path = "Q:\\";
    panel.entries = {entry("a", 5)};

    ScriptedPrompter prompter;
    prompter.script({Answer::Retry, Answer::Retry, Answer::Abort});
    int aborts = 0;
    const auto line = UpdateSelectionLine(panel, 0, nullptr, prompter, [&] {
        ++aborts;
        panel.path = "C:\\";
        panel.entries.clear();
        return -1;
    });
    EXPECT_EQ(prompter.count("Drive q not ready"), 3);
    EXPECT_EQ(prompter.asked().first().buttons, Buttons::AbortRetry);
    EXPECT_EQ(aborts, 1);
    EXPECT_EQ(line, "No files"); // computed for the panel after the fallback

    prompter.clear();
    EXPECT_EQ(UpdateSelectionLine(panel, -1, nullptr, prompter, nullptr), "No files");
    EXPECT_TRUE(prompter.asked().isEmpty());
}
