#include "shell/ui/tform1.h"

#include "archive/archivereaders.h"
#include "panels/archivelister.h"
#include "platform/drivemap.h"

#include "panels/panelreader.h"
#include "panels/ui/panellist.h"
#include "platform/settingsfile.h"
#include "shell/mainsettings.h"
#include "shell/ui/commandline.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QStandardPaths>
#include <QTest>

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

using namespace dovex;

namespace {

class MainWindowTest : public ::testing::Test {
protected:
    test::DriveFixture drives{"CD"};
    test::ScriptedPrompter prompter;

    void ini(const QByteArray& text) { drives.writeSettings(text); }
    QByteArray iniText() const { return drives.settingsText(); }
    std::unique_ptr<TForm1> start(const QStringList& args = {})
    {
        auto form = std::make_unique<TForm1>(args);
        form->setPrompter(&prompter);
        form->resize(900, 600);
        form->show();
        form->FormShow();
        return form;
    }
    static QStringList names(const FilePanel& p)
    {
        QStringList out;
        for (const PanelEntry& e : p.entries)
            out << e.name;
        return out;
    }
};

} // namespace

TEST_F(MainWindowTest, StartsWithBothPanelsReadAndTheLeftOneActive)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\left\nDir2=C:\\gone\n");
    drives.file("D:\\left\\a.txt", 10);
    drives.directory("D:\\left\\sub");
    drives.file("C:\\top.txt");
    auto form = start();
    EXPECT_EQ(form->windowTitle(), "32-Bit Shell");
    EXPECT_EQ(form->panel(1).path, "D:\\left");
    EXPECT_EQ(names(form->panel(1)), (QStringList{"..", "sub", "a.txt"}));
    EXPECT_EQ(form->panel(2).path, "C:\\"); // a missing start directory falls back
    EXPECT_EQ(form->activePanel(), 1);
    EXPECT_EQ(form->pathCaption(1)->text(), "D:\\left");
    EXPECT_EQ(form->commandLine()->prompt(), "D:\\left>");
    EXPECT_TRUE(form->driveInfo(1).startsWith("Drive D:"));
    EXPECT_EQ(QFile(drives.programDir() + "/NetWork.Lnk").size(), 100);
    EXPECT_EQ(QFile(drives.programDir() + "/Recycled.Lnk").size(), 100);
    EXPECT_TRUE(QFile::exists(drives.programDir() + "/regprop.dat"));
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(MainWindowTest, TheFirstArgumentPicksTheLeftDirectory)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n");
    drives.file("D:\\docs\\letter.txt");
    EXPECT_EQ(start({"D:\\docs\\letter.txt"})->panel(1).path, "D:\\docs");
    EXPECT_EQ(start({"D:\\docs"})->panel(1).path, "D:\\docs");
}

TEST_F(MainWindowTest, AMalformedIntegerStopsCreation)
{
    ini("[Panels]\nCharacters=wide\n");
    try {
        TForm1 form({});
        FAIL() << "created";
    } catch (const SettingsError& e) {
        EXPECT_EQ(e.key(), "Characters");
        EXPECT_EQ(e.value(), "wide");
    }
}

TEST_F(MainWindowTest, CommandButtonsFollowTheWindowWidth)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Setting]\nState=Normal\n");
    auto form = start();
    form->resize(920, 500);
    QApplication::processEvents();
    ASSERT_EQ(form->width(), 920);
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(form->commandButton(k)->x(), 1 + 102 * k);
        EXPECT_EQ(form->commandButton(k)->width(), 100);
    }
    EXPECT_EQ(form->commandButton(8)->x(), 817);
    EXPECT_EQ(form->list(2)->width(), 920 / 2 - 3);
    EXPECT_EQ(form->commandLine()->width(), 920 - 9);
    EXPECT_EQ(form->statusLine(1)->x(), form->list(1)->x());
    EXPECT_EQ(form->statusLine(2)->width(), form->list(2)->width());
}

TEST_F(MainWindowTest, TheCommandTableHasItsKeysAndDisablesWhatIsNotBuilt)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n");
    auto form = start();
    const struct {
        Cmd command;
        const char* key;
    } keys[] = {{Cmd::View, "F3"},
                {Cmd::Copy, "F5"},
                {Cmd::Move, "F6"},
                {Cmd::MkDir, "F7"},
                {Cmd::Delete, "F8"},
                {Cmd::Quit, "F10"},
                {Cmd::Reread, "Ctrl+R"},
                {Cmd::CompressionTools, "F12"},
                {Cmd::SplitFile, "Ctrl+F12"},
                {Cmd::HelpContents, "F2"}};
    for (const auto& k : keys) {
        QAction* a = form->command(k.command);
        ASSERT_NE(a, nullptr) << k.key;
        EXPECT_EQ(a->shortcut(), QKeySequence(k.key)) << k.key;
    }
    EXPECT_TRUE(form->command(Cmd::View)->isEnabled());
    EXPECT_TRUE(form->command(Cmd::LastCommand)->isEnabled());
    EXPECT_TRUE(form->command(Cmd::CompareDirs)->isEnabled());
    EXPECT_TRUE(form->command(Cmd::Reread)->isEnabled());
    EXPECT_TRUE(form->command(Cmd::Copy)->isEnabled());
    EXPECT_FALSE(form->command(Cmd::ShowTrueColorDrives)->isVisible());
}

TEST_F(MainWindowTest, QuitAndClosingWriteTheSameSettings)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\nStatusBar=1\n[Mine]\nkeep=yes\n");
    drives.directory("D:\\work");
    QByteArray afterQuit;
    {
        auto form = start({"D:\\work"});
        form->command(Cmd::RightSortSize)->trigger();
        form->Quit1Click();
        afterQuit = iniText();
    }
    EXPECT_TRUE(afterQuit.contains("[Mine]\nkeep=yes"));
    EXPECT_TRUE(afterQuit.contains("Dir1=D:\\work"));
    EXPECT_TRUE(afterQuit.contains("SortMeth2=3"));
    EXPECT_TRUE(afterQuit.contains("Statusbar=1"));
    EXPECT_FALSE(afterQuit.contains("StatusBar"));
    EXPECT_TRUE(afterQuit.contains("[Button1]"));

    ini("[Settings]\nShowIntro=0\nToolsSeek=1\nStatusBar=1\n[Mine]\nkeep=yes\n");
    {
        auto form = start({"D:\\work"});
        form->command(Cmd::RightSortSize)->trigger();
        form->close();
    }
    EXPECT_EQ(iniText(), afterQuit);
}

TEST_F(MainWindowTest, EverySettingShownByAMarkOrTheListsComesBackAtQuit)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\nUseIcons=3\nStatusBar=0\nShowcopySpeed=1\n"
        "Full1=0\nFull2=0\nSpeedbar=0\nExOnEnter=1\nSortMeth1=2\nSortMeth2=4\nItemheight=21\n"
        "[Panels]\nShowMode=Normal\nCharacters=25\n");
    const MainSettings before = readCreationSettings(QRect(20, 91, 750, 444));
    {
        auto form = start();
        for (Cmd id : {Cmd::IconsExtractAll, Cmd::ShowCopySpeed, Cmd::LeftBrief, Cmd::RightBrief,
                       Cmd::OpenDocuments, Cmd::LeftSortDate, Cmd::RightUnsorted,
                       Cmd::ShowAttributes, Cmd::Width25})
            EXPECT_TRUE(form->command(id)->isChecked()) << int(id);
        for (Cmd id : {Cmd::ShowStatusBar, Cmd::ShowSpeedbar, Cmd::LeftFull, Cmd::RightFull})
            EXPECT_FALSE(form->command(id)->isChecked()) << int(id);
        EXPECT_TRUE(form->list(1)->brief() && form->list(2)->brief());
        EXPECT_EQ(form->list(2)->delegate().options.iconMode, 3);
        EXPECT_EQ(form->list(2)->delegate().options.detail, DetailMode::Attributes);
        EXPECT_EQ(form->list(1)->delegate().options.nameColumnChars, 25);
        EXPECT_EQ(form->list(1)->delegate().rowHeight, 21);
        form->Quit1Click();
    }
    MainSettings after = readCreationSettings(QRect(20, 91, 750, 444));
    readShowSettings(after);
    EXPECT_FALSE(after.full1);
    const std::tuple<const char*, int, int> kept[] = {
        {"UseIcons", before.useIcons, after.useIcons},
        {"SortMeth1", before.sortMeth1, after.sortMeth1},
        {"SortMeth2", before.sortMeth2, after.sortMeth2},
        {"Characters", before.characters, after.characters},
        {"StatusBar", int(before.statusBar), int(after.statusBar)},
        {"Speedbar", int(before.speedbar), int(after.speedbar)},
        {"Full2", int(before.full2), int(after.full2)},
        {"ShowcopySpeed", int(before.showCopySpeed), int(after.showCopySpeed)},
        {"ExOnEnter", int(before.exOnEnter), int(after.exOnEnter)},
        {"ShowMode", int(before.showModeNormal), int(after.showModeNormal)},
        {"FontSize", before.fontSize, after.fontSize}};
    for (const auto& [name, was, is] : kept)
        EXPECT_EQ(was, is) << name;
}

TEST_F(MainWindowTest, ASettingsFileThatCannotBeReadIsToldOnceAndLeftAlone)
{
    const QString path = drives.windowsDir() + "/Dovex.Ini";
    ASSERT_TRUE(QDir().mkpath(path)); // unreadable for root as well
    {
        QFile f(path + "/mine");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    auto form = start();
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_TRUE(prompter.asked().first().text.contains(path));
    EXPECT_TRUE(prompter.asked().first().text.contains(QString::fromLocal8Bit(strerror(EISDIR))));
    form->command(Cmd::Width25)->trigger();
    form->Quit1Click();
    EXPECT_EQ(prompter.asked().size(), 1);
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"mine"});
}

TEST_F(MainWindowTest, PanelWidthIsWrittenAtOnce)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n");
    auto form = start();
    form->command(Cmd::Width25)->trigger();
    EXPECT_EQ(SettingsFile::readString("Panels", "Characters", ""), "25");
}

TEST_F(MainWindowTest, ActivationBringsPanelsUpToDateKeepingMarks)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\s\n");
    drives.file("D:\\s\\b.txt");
    drives.file("D:\\s\\d.txt");
    auto form = start();
    FilePanel& p = form->panel(1);
    ASSERT_EQ(names(p), (QStringList{"..", "b.txt", "d.txt"}));
    p.entries[2].selected = true;
    drives.file("D:\\s\\c.txt");
    QFile::remove(drives.host("D:\\s\\b.txt"));
    form->Werkpanelsbij();
    EXPECT_EQ(names(p), (QStringList{"..", "c.txt", "d.txt"}));
    EXPECT_TRUE(p.entries[2].selected);
    EXPECT_EQ(form->list(1)->model().rowCount(), 3);
    EXPECT_EQ(form->statusLine(1)->text(), "0 bytes in 1 files");
}

TEST_F(MainWindowTest, TooManyFilesAreReportedOnce)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\many\n");
    for (int i = 0; i < 2100; ++i)
        drives.file(QStringLiteral("D:\\many\\f%1").arg(i));
    auto form = start();
    EXPECT_EQ(form->panel(1).entries.size(), 2048u);
    EXPECT_EQ(prompter.count(kTooManyFiles), 1);
}

TEST_F(MainWindowTest, KeysMarkOpenAndType)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\k\n");
    drives.file("D:\\k\\a.txt", 100);
    drives.file("D:\\k\\b.txt", 250);
    drives.directory("D:\\k\\sub");
    drives.file("D:\\k\\sub\\inner.txt");
    auto form = start();
    TPanelList* l = form->list(1);
    FilePanel& p = form->panel(1);
    l->setFocus();
    l->setCursor(2);
    QTest::keyClick(l, Qt::Key_Insert);
    QTest::keyClick(l, Qt::Key_Insert);
    EXPECT_TRUE(p.entries[2].selected && p.entries[3].selected);
    EXPECT_EQ(l->cursor(), 3); // the last entry keeps the cursor
    EXPECT_EQ(form->statusLine(1)->text(), "350 bytes in 2 files");

    QTest::keyClick(l, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_TRUE(!p.entries[0].selected && p.entries[1].selected); // never ".."
    EXPECT_FALSE(p.entries[2].selected);

    QTest::keyClicks(l, "dir x");
    EXPECT_EQ(form->commandLine()->text(), "dir x");
    QTest::keyClick(l, Qt::Key_Minus); // the main keyboard's minus reaches the line
    EXPECT_EQ(form->commandLine()->text(), "dir x-");
    QTest::keyClick(l, Qt::Key_Backspace);
    QTest::keyClick(l, Qt::Key_Delete);
    EXPECT_EQ(form->commandLine()->text(), "");

    l->setCursor(1);
    QTest::keyClick(l, Qt::Key_Return);
    EXPECT_EQ(p.path, "D:\\k\\sub");
    EXPECT_EQ(names(p), (QStringList{"..", "inner.txt"}));
    l->setCursor(0);
    QTest::keyClick(l, Qt::Key_Return);
    EXPECT_EQ(p.path, "D:\\k");
    EXPECT_EQ(p.entries[size_t(l->cursor())].name, "sub");
}

TEST_F(MainWindowTest, SortingFromTheRightMenuActivatesTheRightPanel)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir2=D:\\r\n");
    drives.file("D:\\r\\big.txt", 300);
    drives.file("D:\\r\\small.txt", 3);
    auto form = start();
    ASSERT_EQ(form->activePanel(), 1);
    form->command(Cmd::RightSortSize)->trigger();
    EXPECT_EQ(form->activePanel(), 2);
    EXPECT_EQ(names(form->panel(2)), (QStringList{"..", "small.txt", "big.txt"}));
}

TEST_F(MainWindowTest, TabMovesBetweenThePanels)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n");
    auto form = start();
    form->activateWindow();
    form->list(1)->setFocus();
    QApplication::processEvents();
    QTest::keyClick(form->list(1), Qt::Key_Tab);
    QApplication::processEvents();
    EXPECT_EQ(form->activePanel(), 2);
    EXPECT_EQ(form->commandLine()->prompt(), form->panel(2).path + ">");
}

TEST_F(MainWindowTest, ChoosingTheDriveTheActiveOtherPanelShowsTakesItsDirectory)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=C:\\\nDir2=D:\\deep\\er\n");
    drives.directory("D:\\deep\\er");
    auto form = start();
    form->setactief(2);
    TbrowseComboBox* box = form->driveBox(1);
    box->setFocus();
    QApplication::processEvents();
    box->setCurrentIndex(box->driveItem('d')); // chosen with the mouse: no guard
    QApplication::processEvents();
    EXPECT_EQ(form->panel(1).path, "D:\\deep\\er");
    EXPECT_EQ(form->activePanel(), 2);

    // With the other panel inactive the drive's root is shown.
    form->setactief(1);
    TbrowseComboBox* right = form->driveBox(2);
    right->setFocus();
    QApplication::processEvents();
    right->setCurrentIndex(right->driveItem('c'));
    QApplication::processEvents();
    EXPECT_EQ(form->panel(2).path, "C:\\");
}

TEST_F(MainWindowTest, ADriveThatIsNotReadyFallsBackToC)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n");
    qputenv("DOVEX_DRIVES", qgetenv("DOVEX_DRIVES") + ";E=/nonexistent/dovex/e");
    DriveMap::instance().reload();
    auto form = start();
    prompter.script({Answer::Retry, Answer::Abort});
    TbrowseComboBox* box = form->driveBox(1);
    box->setFocus();
    QApplication::processEvents();
    box->setCurrentIndex(box->driveItem('e'));
    QApplication::processEvents();
    EXPECT_EQ(prompter.count("Drive e not ready"), 2);
    EXPECT_EQ(form->panel(1).path, "C:\\");
    EXPECT_TRUE(box->currentText().startsWith("c: "));
}

TEST_F(MainWindowTest, EnteringAndLeavingAZipArchive)
{
    if (QStandardPaths::findExecutable("zip").isEmpty())
        GTEST_SKIP() << "zip is not installed";
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\a\n");
    drives.file("D:\\a\\src\\docs\\readme.txt", 10);
    drives.file("D:\\a\\src\\top.txt", 5);
    QProcess zip;
    zip.setWorkingDirectory(drives.host("D:\\a\\src"));
    zip.start("zip", {"-q", "-r", drives.host("D:\\a\\pack.zip"), "docs", "top.txt"});
    ASSERT_TRUE(zip.waitForFinished());
    InitArchiveReaders();
    auto form = start();
    FilePanel& p = form->panel(1);
    TPanelList* l = form->list(1);
    ASSERT_EQ(names(p), (QStringList{"..", "src", "pack.zip"}));
    l->setFocus();
    l->setCursor(2);
    QTest::keyClick(l, Qt::Key_Return);
    EXPECT_TRUE(p.inArchive);
    EXPECT_EQ(names(p), (QStringList{"..", "docs", "top.txt"}));
    EXPECT_TRUE(form->pathCaption(1)->text().startsWith("D:\\a\\pack.zip  ["));
    l->setCursor(1);
    QTest::keyClick(l, Qt::Key_Return);
    EXPECT_EQ(p.innerDirectory, "docs");
    EXPECT_EQ(names(p), (QStringList{"..", "readme.txt"}));
    l->setCursor(0);
    QTest::keyClick(l, Qt::Key_Return);
    EXPECT_EQ(p.entries[size_t(l->cursor())].name, "docs");
    l->setCursor(0);
    QTest::keyClick(l, Qt::Key_Return);
    EXPECT_FALSE(p.inArchive);
    EXPECT_EQ(p.path, "D:\\a");
    EXPECT_EQ(p.entries[size_t(l->cursor())].name, "pack.zip");

    // The other panel cannot enter an archive while this one browses one.
    l->setCursor(2);
    QTest::keyClick(l, Qt::Key_Return);
    ASSERT_TRUE(p.inArchive);
    form->panel(2).path = "D:\\a";
    form->setactief(2);
    form->RefreshClick();
    form->list(2)->setCursor(2);
    QTest::keyClick(form->list(2), Qt::Key_Return);
    EXPECT_FALSE(form->panel(2).inArchive);

    // An archive deleted from outside falls back to its directory.
    QFile::remove(drives.host("D:\\a\\pack.zip"));
    form->Werkpanelsbij();
    EXPECT_FALSE(p.inArchive);
    EXPECT_EQ(p.path, "D:\\a");
    EXPECT_EQ(names(p), (QStringList{"..", "src"}));
    setArchiveLister(nullptr);
}

namespace {

// Activates the window again while a message is up, as closing a real
// message box does.
class ReactivatingPrompter : public test::ScriptedPrompter {
public:
    TForm1* form = nullptr;
    Answer ask(Severity severity, const QString& text, Buttons buttons,
               const QString& caption) override
    {
        if (form) {
            QEvent activation(QEvent::ActivationChange);
            QApplication::sendEvent(form, &activation);
        }
        return ScriptedPrompter::ask(severity, text, buttons, caption);
    }
};

} // namespace

TEST_F(MainWindowTest, AnActivationWhileTheLimitMessageIsUpKeepsThePanelWhole)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\many\n");
    for (int i = 0; i < 2060; ++i)
        drives.file(QStringLiteral("D:\\many\\f%1").arg(i));
    ReactivatingPrompter reactivating;
    auto form = std::make_unique<TForm1>(QStringList{});
    form->setPrompter(&reactivating);
    form->show();
    form->activateWindow();
    form->FormShow();
    reactivating.form = form.get();
    QApplication::setActiveWindow(form.get());
    QApplication::processEvents();
    ASSERT_TRUE(form->isActiveWindow());
    form->setactief(1);
    form->RefreshClick();
    const PanelEntries& entries = form->panel(1).entries;
    EXPECT_EQ(entries.size(), 2048u);
    QSet<QString> seen;
    for (const PanelEntry& e : entries)
        EXPECT_TRUE(!seen.contains(e.name) && (seen.insert(e.name), true)) << e.name.toStdString();
    EXPECT_EQ(form->list(1)->model().rowCount(), 2048);
}
