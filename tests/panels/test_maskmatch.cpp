#include "panels/maskmatch.h"

#include <gtest/gtest.h>

using namespace dovex;

TEST(MaskMatches, StarDotStarMatchesEverything)
{
    for (const char* name : {"readme.txt", "makefile", "..", "a.b.c", "X", ".hidden", "a."})
        EXPECT_TRUE(MaskMatches(name, "*.*")) << name;
}

TEST(MaskMatches, ExtensionMaskIgnoresCaseAndCutsNameExtension)
{
    EXPECT_TRUE(MaskMatches("readme.txt", "*.TXT"));
    EXPECT_TRUE(MaskMatches("NOTES.TXT", "*.TXT"));
    EXPECT_TRUE(MaskMatches("notes.txt1", "*.TXT")); // the extension is cut to four characters
    EXPECT_TRUE(MaskMatches("a.b.txt", "*.txt"));
    EXPECT_FALSE(MaskMatches("readme.doc", "*.TXT"));
    EXPECT_FALSE(MaskMatches("readme.tx", "*.TXT"));
    EXPECT_FALSE(MaskMatches("readme", "*.TXT"));
    EXPECT_FALSE(MaskMatches("txt", "*.TXT"));
}

TEST(MaskMatches, ShortExtensionWithoutStarMatchesNothing)
{
    for (const char* name : {"a.c", "main.C", "x.cc", "c", "a.c  "})
        EXPECT_FALSE(MaskMatches(name, "*.C")) << name;
    EXPECT_TRUE(MaskMatches("a.c", "*.C*"));
}

TEST(MaskMatches, BaseWithStar)
{
    EXPECT_TRUE(MaskMatches("abc.txt", "A*.*"));
    EXPECT_TRUE(MaskMatches("Alpha", "A*.*"));
    EXPECT_TRUE(MaskMatches("a", "A*.*"));
    EXPECT_FALSE(MaskMatches("bac.txt", "A*.*"));
    EXPECT_TRUE(MaskMatches("report.doc", "re*.d*"));
    EXPECT_FALSE(MaskMatches("report.txt", "re*.d*"));
}

TEST(MaskMatches, ExactNamesAndQuestionMarkIsLiteral)
{
    EXPECT_TRUE(MaskMatches("readme.txt", "README.TXT"));
    EXPECT_FALSE(MaskMatches("readme.txt", "README.TX"));
    EXPECT_FALSE(MaskMatches("readme1.txt", "README.TXT"));
    EXPECT_FALSE(MaskMatches("readme.txt", "?EADME.TXT"));
    EXPECT_TRUE(MaskMatches("?eadme.txt", "?EADME.TXT"));
    // A name whose base is a prefix of the mask's base passes.
    EXPECT_TRUE(MaskMatches("read.txt", "README.TXT"));
    EXPECT_FALSE(MaskMatches("readmex.txt", "README.TXT"));
}

TEST(MaskMatches, MasksWithoutDot)
{
    EXPECT_TRUE(MaskMatches("abc.txt", "A*"));
    EXPECT_TRUE(MaskMatches("anything", "*"));
    EXPECT_TRUE(MaskMatches("makefile", "MAKEFILE"));
    EXPECT_FALSE(MaskMatches("makefile.bak", "MAKEFILE"));
    EXPECT_FALSE(MaskMatches("make", "MAKEFILE"));
}

TEST(MaskMatches, OnlyAsciiLettersAreFolded)
{
    EXPECT_TRUE(MaskMatches("ÄBC.txt", "ÄBC.TXT"));
    EXPECT_FALSE(MaskMatches("äbc.txt", "ÄBC.TXT"));
    EXPECT_FALSE(MaskMatches("", "A*.*"));
    EXPECT_TRUE(MaskMatches("", "*.*"));
}

// Marking by mask, as "Select Files" and "Deselect Files" apply it.
#include "panels/selection.h"

#include <QStringList>

namespace {

PanelEntries entriesNamed(const QStringList& names)
{
    PanelEntries out;
    for (const QString& n : names) {
        PanelEntry e;
        e.name = n;
        e.directory = n == ".." || n.startsWith("dir");
        out.push_back(e);
    }
    return out;
}

QStringList marked(const PanelEntries& entries)
{
    QStringList out;
    for (const PanelEntry& e : entries)
        if (e.selected)
            out << e.name;
    return out;
}

} // namespace

TEST(Selection, MaskMarksAndUnmarksDirectoriesIncludedButNeverTheUpEntry)
{
    PanelEntries e =
        entriesNamed({"..", "dir.txt", "readme.txt", "NOTES.TXT", "notes.txt1", "a.c", "b.doc"});
    EXPECT_EQ(MaskonEnter(e, "*.TXT", SelectMode::Mark), 4);
    EXPECT_EQ(marked(e), QStringList({"dir.txt", "readme.txt", "NOTES.TXT", "notes.txt1"}));
    EXPECT_EQ(MaskonEnter(e, "*.TXT", SelectMode::Mark), 0); // already marked
    EXPECT_EQ(MaskonEnter(e, "*.C", SelectMode::Mark), 0);
    EXPECT_EQ(MaskonEnter(e, "N*.*", SelectMode::Unmark), 2);
    EXPECT_EQ(marked(e), QStringList({"dir.txt", "readme.txt"}));
    EXPECT_EQ(MaskonEnter(e, "*.*", SelectMode::Mark), 4);
    EXPECT_FALSE(e[0].selected); // ".." names no file to act on

    // A mask without a dot lets ".." pass its base part: still not marked,
    // so the selection line's count is the one Copy acts on.
    PanelEntries notes = entriesNamed({"..", "notes_21.txt", "notes_22.txt", "other.txt"});
    EXPECT_EQ(MaskonEnter(notes, "notes_2*", SelectMode::Mark), 2);
    EXPECT_EQ(marked(notes), QStringList({"notes_21.txt", "notes_22.txt"}));
}

TEST(Selection, InsertAndStar)
{
    PanelEntries e = entriesNamed({"..", "a", "b"});
    EXPECT_EQ(toggleAndAdvance(e, 0), 1); // ".." stays unmarked, the cursor moves on
    EXPECT_EQ(toggleAndAdvance(e, 1), 2);
    EXPECT_EQ(toggleAndAdvance(e, 2), 2); // the last entry keeps the cursor
    EXPECT_EQ(marked(e), QStringList({"a", "b"}));
    EXPECT_EQ(toggleAndAdvance(e, -1), -1);
    invertAll(e);
    EXPECT_TRUE(marked(e).isEmpty());
    invertAll(e);
    EXPECT_EQ(marked(e), QStringList({"a", "b"}));
    PanelEntries none;
    EXPECT_EQ(toggleAndAdvance(none, 0), 0);
}

TEST(Selection, CommandsActOnTheMarkedEntriesElseTheCursorEntryNeverTheUpEntry)
{
    PanelEntries e = entriesNamed({"..", "a", "b", "c"});
    EXPECT_EQ(ActedOnIndexes(e, 2), std::vector<int>{2});
    EXPECT_TRUE(ActedOnIndexes(e, 0).empty()); // ".." alone is nothing
    EXPECT_TRUE(ActedOnIndexes(e, 4).empty());
    EXPECT_TRUE(ActedOnIndexes(e, -1).empty());
    e[1].selected = e[3].selected = true;
    EXPECT_EQ(ActedOnIndexes(e, 2), (std::vector<int>{1, 3})); // the marks win over the cursor
    // A mark ".." carries from elsewhere still names no file.
    e[1].selected = e[3].selected = false;
    e[0].selected = true;
    EXPECT_FALSE(IsMarked(e[0]));
    EXPECT_EQ(ActedOnIndexes(e, 1), std::vector<int>{1});
    // Among the first entries only: a mark beyond them leaves the cursor
    // entry, and a cursor beyond them names nothing.
    e[3].selected = true;
    EXPECT_EQ(ActedOnIndexes(e, 1, 3), std::vector<int>{1});
    EXPECT_TRUE(ActedOnIndexes(e, 3, 3).empty());
    EXPECT_EQ(ActedOnIndexes(e, 1, 99), std::vector<int>{3});
}

TEST(Selection, SeekFindsTheFirstNameWithThePrefix)
{
    const PanelEntries e = entriesNamed({"..", "REPORT.DOC", "readme.txt", "zeta"});
    EXPECT_EQ(seekEntry(e, "re"), 1);
    EXPECT_EQ(seekEntry(e, "REA"), 2);
    EXPECT_EQ(seekEntry(e, "Z"), 3);
    EXPECT_EQ(seekEntry(e, "rex"), -1);
    EXPECT_EQ(seekEntry(e, ""), -1);
    EXPECT_EQ(seekEntry(e, "readme.txt!"), -1);
}
