#include "recordingsink.h"

#include "fileops/comparesize.h"
#include "panels/panelreader.h"

#include <QLocale>

namespace dovex::test {

namespace {

class CompareSizeTest : public FileOpsTest {
protected:
    FilePanel panelOf(const QString& path)
    {
        FilePanel p;
        p.path = path;
        EXPECT_EQ(readPanel(p, prompter), PanelReadOutcome::Read);
        return p;
    }
    static QStringList marked(const FilePanel& p)
    {
        QStringList out;
        for (const PanelEntry& e : p.entries)
            if (e.selected)
                out << e.name;
        return out;
    }
};

TEST_F(CompareSizeTest, MarksTheNewerTheMissingAndTheDifferentOnEachSide)
{
    drives.file("C:\\l\\same.txt", 10);
    drives.file("D:\\r\\same.txt", 10);
    drives.file("C:\\l\\newer.txt", 20);
    drives.file("D:\\r\\newer.txt", 20);
    drives.file("C:\\l\\onlyleft.txt", 1);
    drives.file("C:\\l\\Case.txt", 3);
    drives.file("D:\\r\\case.txt", 3);
    drives.file("C:\\l\\size.txt", 4);
    drives.file("D:\\r\\size.txt", 5);
    drives.directory("C:\\l\\sub");
    drives.directory("D:\\r\\sub");
    const DosDateTimeParts old{2020, 5, 1, 10, 0, 0}, later{2020, 5, 1, 10, 1, 0};
    for (const char* n : {"same.txt", "Case.txt", "size.txt", "sub", "onlyleft.txt"})
        drives.setTime(QStringLiteral("C:\\l\\") + n, old);
    for (const char* n : {"same.txt", "case.txt", "size.txt", "sub"})
        drives.setTime(QStringLiteral("D:\\r\\") + n, old);
    drives.setTime("C:\\l\\newer.txt", old);
    drives.setTime("D:\\r\\newer.txt", later);

    FilePanel l = panelOf("C:\\l"), r = panelOf("D:\\r");
    l.entries[0].selected = true; // an old mark goes
    const CompareCount c =
        CompareDirs(l.entries, int(l.entries.size()), r.entries, int(r.entries.size()));
    QStringList left = marked(l), right = marked(r);
    left.sort();
    right.sort();
    EXPECT_EQ(left, QStringList({"Case.txt", "onlyleft.txt", "size.txt"}));
    EXPECT_EQ(right, QStringList({"case.txt", "newer.txt", "size.txt"}));
    EXPECT_EQ(c.left, 3);
    EXPECT_EQ(c.right, 3);
}

TEST_F(CompareSizeTest, IdenticalPanelsMarkNothingAndLaterCenturiesStayLater)
{
    drives.file("C:\\d\\a.txt", 7);
    drives.directory("C:\\d\\sub");
    FilePanel a = panelOf("C:\\d"), b = panelOf("C:\\d");
    ASSERT_EQ(a.entries.front().name, "..");
    EXPECT_EQ(
        CompareDirs(a.entries, int(a.entries.size()), b.entries, int(b.entries.size())).total(), 0);
    EXPECT_TRUE(marked(a).isEmpty() && marked(b).isEmpty());

    // A date from 2044 on has the top bit set: it is still the newer one.
    PanelEntries l(1), r(1);
    l[0].name = r[0].name = "x";
    l[0].dosDateTime = 0x50000000;  // 2020
    r[0].dosDateTime = 0x90000000u; // 2052
    CompareDirs(l, 1, r, 1);
    EXPECT_FALSE(l[0].selected);
    EXPECT_TRUE(r[0].selected);
    // Only the first n entries take part.
    CompareDirs(l, 1, r, 0);
    EXPECT_TRUE(l[0].selected);
}

TEST_F(CompareSizeTest, SizeCountsDotDirectoriesAndFallsBackToTheCursor)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    drives.file("C:\\w\\big.bin", 1234567);
    drives.file("C:\\w\\proj\\a.c", 100);
    drives.file("C:\\w\\proj\\.git\\objects\\ab\\cd", 50);
    drives.file("C:\\w\\proj\\.git\\HEAD", 23);
    drives.directory("C:\\w\\proj\\.git\\empty");
    FilePanel p = panelOf("C:\\w");
    int big = -1, proj = -1;
    for (int i = 0; i < int(p.entries.size()); ++i) {
        if (p.entries[size_t(i)].name == "big.bin")
            big = i;
        if (p.entries[size_t(i)].name == "proj")
            proj = i;
    }
    ASSERT_GE(big, 0);
    ASSERT_GE(proj, 0);
    const int n = int(p.entries.size());

    Totals t = CalculateSizeTotals(p.path, p.entries, n, big);
    EXPECT_EQ(CalculateSizeText(t),
              "Total size of selected files: 1,234,567 bytes\rTotal selected files: 1");

    p.entries[size_t(proj)].selected = true;
    t = CalculateSizeTotals(p.path, p.entries, n, big);
    EXPECT_EQ(t.files, 3);
    EXPECT_EQ(t.bytes, 173);

    p.entries[size_t(big)].selected = true;
    p.entries[0].selected = true; // ".." never counts
    t = CalculateSizeTotals(p.path, p.entries, n, big);
    EXPECT_EQ(t.files, 4);
    EXPECT_EQ(t.bytes, 1234567 + 173);
    QLocale::setDefault(QLocale::c());
}

} // namespace

} // namespace dovex::test
