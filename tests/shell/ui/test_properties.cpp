// The main window's File Properties (F11), Calculate Size (F9) and Compare
// Directory's (Ctrl+C) on real files.
#include "shell/ui/tform1.h"

#include "controls/twin97button.h"
#include "fileops/ui/attributecommands.h"
#include "fileops/ui/tform5.h"
#include "panels/ui/panellist.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"
#include "platform/fileio.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>

#include <functional>

#include "windowtest.h"

#include <gtest/gtest.h>

using namespace dovex;

namespace {

constexpr std::uint32_t kFour = faReadOnly | faHidden | faSysFile | faArchive;

class PropertiesTest : public test::WindowTest {
protected:
    std::unique_ptr<TForm1> open(const QString& dir1, const QString& dir2 = "D:\\")
    {
        ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=" + dir1.toUtf8() +
            "\nDir2=" + dir2.toUtf8() + "\n");
        auto form = start();
        return form;
    }

    // F11 with the dialog answered by fn; OK unless fn returns false.
    void properties(TForm1& form, std::function<bool(TForm5&)> fn)
    {
        bool shown = false;
        QTimer::singleShot(0, &form, [&] {
            auto* d = qobject_cast<TForm5*>(QApplication::activeModalWidget());
            if (!d)
                return;
            shown = true;
            if (fn(*d))
                d->BitBtn1->click();
            else
                d->BitBtn2->click();
        });
        QAction* f11 = form.command(Cmd::FileProperties);
        ASSERT_TRUE(f11 && f11->isEnabled());
        f11->trigger();
        QApplication::processEvents();
        EXPECT_TRUE(shown);
    }

    static void typeWhen(TForm5& d, const QDateTime& when)
    {
        d.DateTime->setChecked(true);
        d.MaskEdit1->setText(QLocale::system().toString(when.date(), TForm5::dateFormat()));
        d.MaskEdit2->setText(QLocale::system().toString(when.time(), TForm5::timeFormat()));
    }

    static std::uint32_t bits(const QString& dosPath)
    {
        return fileio::attributes(dosPath) & kFour;
    }

    static std::time_t mtime(const QString& dosPath)
    {
        return fileio::status(dosPath).modified.tv_sec;
    }

    static const PanelEntry& entry(TForm1& form, int n, const QString& name)
    {
        return form.panel(n).entries[size_t(row(form.panel(n), name))];
    }
};

TEST_F(PropertiesTest, OneFileShowsTwoStateBoxesAndGetsExactlyTheCheckedBits)
{
    drives.file("C:\\w\\one.txt", 10);
    drives.setTime("C:\\w\\one.txt", {2001, 2, 3, 4, 5, 6});
    ASSERT_EQ(fileio::setAttributes("C:\\w\\one.txt", faHidden | faSysFile), 0);
    auto form = open("C:\\w");
    form->list(1)->setCursor(row(form->panel(1), "one.txt"));
    const QDateTime when(QDate(2010, 7, 8), QTime(9, 10, 12));
    properties(*form, [&](TForm5& d) {
        EXPECT_EQ(d.windowTitle(), "File Properties");
        for (QCheckBox* b : {d.CheckBox1, d.CheckBox2, d.CheckBox3, d.CheckBox4})
            EXPECT_FALSE(b->isTristate()) << b->text().toStdString();
        EXPECT_TRUE(d.CheckBox1->isChecked());
        EXPECT_TRUE(d.CheckBox2->isChecked());
        EXPECT_FALSE(d.CheckBox3->isChecked());
        EXPECT_FALSE(d.CheckBox4->isChecked());
        EXPECT_TRUE(d.CheckBox5->isChecked());
        EXPECT_FALSE(d.DateTime->isChecked());
        EXPECT_FALSE(d.MaskEdit1->isEnabled());
        // The file's own time, in the system's formats.
        EXPECT_EQ(d.MaskEdit1->text(),
                  QLocale::system().toString(QDate(2001, 2, 3), TForm5::dateFormat()));
        EXPECT_EQ(d.MaskEdit2->text(),
                  QLocale::system().toString(QTime(4, 5, 6), TForm5::timeFormat()));
        d.CheckBox1->setChecked(false);
        d.CheckBox2->setChecked(false);
        d.CheckBox4->setChecked(true);
        typeWhen(d, when);
        EXPECT_TRUE(d.MaskEdit1->isEnabled());
        return true;
    });
    EXPECT_EQ(bits("C:\\w\\one.txt"), faArchive);
    EXPECT_EQ(mtime("C:\\w\\one.txt"), when.toSecsSinceEpoch());
    const PanelEntry& e = entry(*form, 1, "one.txt");
    EXPECT_EQ(e.attributes & kFour, faArchive);
    EXPECT_EQ(e.dosDateTime, packDosDateTime({2010, 7, 8, 9, 10, 12}));
    EXPECT_FALSE(e.selected);

    // The next opening starts with "Set Date && Time" unchecked again.
    properties(*form, [&](TForm5& d) {
        EXPECT_FALSE(d.DateTime->isChecked());
        EXPECT_TRUE(d.CheckBox4->isChecked());
        d.CheckBox3->setChecked(true);
        return true;
    });
    EXPECT_EQ(bits("C:\\w\\one.txt"), faArchive | faReadOnly);
    EXPECT_EQ(mtime("C:\\w\\one.txt"), when.toSecsSinceEpoch());
    EXPECT_EQ(entry(*form, 1, "one.txt").attributes & kFour, faArchive | faReadOnly);
}

TEST_F(PropertiesTest, SeveralFilesWithGrayedBoxesChangeOnlyTheirTimes)
{
    drives.file("C:\\w\\a.txt", 1);
    drives.file("C:\\w\\b.txt", 2);
    drives.file("C:\\w\\ro.txt", 3);
    drives.setTime("C:\\w\\ro.txt", {1999, 1, 1, 0, 0, 0});
    ASSERT_EQ(fileio::setAttributes("C:\\w\\a.txt", faHidden | faArchive), 0);
    ASSERT_EQ(fileio::setAttributes("C:\\w\\ro.txt", faReadOnly), 0);
    auto form = open("C:\\w");
    for (const char* name : {"a.txt", "b.txt", "ro.txt"})
        form->panel(1).entries[size_t(row(form->panel(1), name))].selected = true;
    const std::uint32_t before[3] = {bits("C:\\w\\a.txt"), bits("C:\\w\\b.txt"),
                                     bits("C:\\w\\ro.txt")};
    const QDateTime when(QDate(2005, 5, 5), QTime(5, 5, 4));
    properties(*form, [&](TForm5& d) {
        for (QCheckBox* b : {d.CheckBox1, d.CheckBox2, d.CheckBox3, d.CheckBox4}) {
            EXPECT_TRUE(b->isTristate());
            EXPECT_EQ(b->checkState(), Qt::PartiallyChecked);
        }
        typeWhen(d, when);
        return true;
    });
    EXPECT_EQ(bits("C:\\w\\a.txt"), before[0]);
    EXPECT_EQ(bits("C:\\w\\b.txt"), before[1]);
    EXPECT_EQ(bits("C:\\w\\ro.txt"), before[2]);
    EXPECT_EQ(mtime("C:\\w\\a.txt"), when.toSecsSinceEpoch());
    EXPECT_EQ(mtime("C:\\w\\b.txt"), when.toSecsSinceEpoch());
    // A read-only file cannot be opened for writing: it keeps its time, and
    // its entry says so.
    EXPECT_NE(mtime("C:\\w\\ro.txt"), when.toSecsSinceEpoch());
    EXPECT_EQ(entry(*form, 1, "b.txt").dosDateTime, packDosDateTime({2005, 5, 5, 5, 5, 4}));
    EXPECT_EQ(entry(*form, 1, "ro.txt").dosDateTime, packDosDateTime({1999, 1, 1, 0, 0, 0}));
    EXPECT_TRUE(entry(*form, 1, "a.txt").selected); // the marks stay
}

TEST_F(PropertiesTest, ADirectoryIsChangedBelowOnlyWithIncludeSubdirs)
{
    drives.file("C:\\w\\t\\top.txt", 1);
    drives.file("C:\\w\\t\\sub\\deep\\low.txt", 1);
    drives.file("C:\\w\\t\\.git\\config", 1);
    auto form = open("C:\\w");
    form->list(1)->setCursor(row(form->panel(1), "t"));
    const auto readOnlyFiles = [&] {
        int n = 0;
        for (const char* p :
             {"C:\\w\\t\\top.txt", "C:\\w\\t\\sub\\deep\\low.txt", "C:\\w\\t\\.git\\config"})
            n += (bits(p) & faReadOnly) ? 1 : 0;
        return n;
    };
    properties(*form, [&](TForm5& d) {
        // The cursor on a directory: grayed boxes, as for several entries.
        EXPECT_EQ(d.CheckBox3->checkState(), Qt::PartiallyChecked);
        d.CheckBox3->setChecked(true);
        d.CheckBox5->setChecked(false);
        return true;
    });
    EXPECT_EQ(readOnlyFiles(), 0);
    properties(*form, [&](TForm5& d) {
        EXPECT_TRUE(d.CheckBox5->isChecked());
        d.CheckBox3->setChecked(true);
        return true;
    });
    EXPECT_EQ(readOnlyFiles(), 3);
    // No directory is changed itself.
    for (const char* dir : {"C:\\w\\t", "C:\\w\\t\\sub", "C:\\w\\t\\.git"})
        EXPECT_FALSE(fileio::attributes(dir) & faReadOnly) << dir;
    EXPECT_FALSE(entry(*form, 1, "t").selected);
}

TEST_F(PropertiesTest, AnInvalidDateOrCancelChangesNothing)
{
    drives.file("C:\\w\\one.txt", 1);
    drives.setTime("C:\\w\\one.txt", {2001, 2, 3, 4, 5, 6});
    auto form = open("C:\\w");
    form->list(1)->setCursor(row(form->panel(1), "one.txt"));
    const std::time_t before = mtime("C:\\w\\one.txt");
    const std::uint32_t bitsBefore =
        bits("C:\\w\\one.txt"); // archive, as a file without stored bits
    QString typed;
    properties(*form, [&](TForm5& d) {
        d.CheckBox2->setChecked(true);
        d.DateTime->setChecked(true);
        // 31/02/99 in the order and form of the system's date.
        QString text = TForm5::dateFormat();
        text.replace("dd", "31").replace("MM", "02").replace("yyyy", "1999").replace("yy", "99");
        d.MaskEdit1->setText(text.remove('\''));
        typed = d.dateTimeText();
        return true;
    });
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked()[0].text, "'" + typed + "' is not a valid date and time");
    EXPECT_TRUE(typed.contains("31"));
    EXPECT_EQ(bits("C:\\w\\one.txt"), bitsBefore);
    EXPECT_EQ(mtime("C:\\w\\one.txt"), before);
    EXPECT_FALSE(entry(*form, 1, "one.txt").selected);

    properties(*form, [&](TForm5& d) {
        d.CheckBox1->setChecked(true);
        d.CheckBox3->setChecked(true);
        typeWhen(d, QDateTime(QDate(2020, 1, 1), QTime(0, 0, 0)));
        return false; // Cancel
    });
    EXPECT_EQ(bits("C:\\w\\one.txt"), bitsBefore);
    EXPECT_EQ(mtime("C:\\w\\one.txt"), before);
    EXPECT_EQ(prompter.asked().size(), 1);
}

TEST_F(PropertiesTest, PropertyButtonAndTheGuards)
{
    drives.file("C:\\w\\one.txt", 1);
    auto form = open("C:\\w");
    QPushButton* property = form->commandButton(0);
    ASSERT_TRUE(property->isEnabled());
    EXPECT_EQ(form->command(Cmd::FileProperties)->shortcut(), QKeySequence("F11"));
    form->list(1)->setCursor(row(form->panel(1), "one.txt"));
    bool shown = false;
    QTimer::singleShot(0, form.get(), [&] {
        if (auto* d = qobject_cast<TForm5*>(QApplication::activeModalWidget())) {
            shown = true;
            d->BitBtn2->click();
        }
    });
    property->click();
    EXPECT_TRUE(shown);
    // ".." alone names nothing to change: no dialog.
    form->list(1)->setCursor(row(form->panel(1), ".."));
    shown = false;
    QTimer::singleShot(0, form.get(), [&] {
        if (auto* d = qobject_cast<TForm5*>(QApplication::activeModalWidget())) {
            shown = true;
            d->BitBtn2->click();
        }
    });
    form->command(Cmd::FileProperties)->trigger();
    QApplication::processEvents();
    EXPECT_FALSE(shown);
}

TEST_F(PropertiesTest, F9ReportsTheSizeOfTheCursorEntryOrTheMarkedTree)
{
    drives.file("C:\\w\\big.bin", 1234567);
    drives.file("C:\\w\\t\\a", 100);
    drives.file("C:\\w\\t\\.hidden\\b", 20);
    auto form = open("C:\\w");
    QAction* f9 = form->command(Cmd::CalculateSize);
    ASSERT_TRUE(f9 && f9->isEnabled());
    EXPECT_EQ(f9->shortcut(), QKeySequence("F9"));
    form->list(1)->setCursor(row(form->panel(1), "big.bin"));
    f9->trigger();
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked()[0].severity, Severity::Information);
    EXPECT_EQ(prompter.asked()[0].text,
              "Total size of selected files: " + QLocale::system().toString(qlonglong(1234567)) +
                  " bytes\rTotal selected files: 1");
    form->panel(1).entries[size_t(row(form->panel(1), "t"))].selected = true;
    f9->trigger();
    ASSERT_EQ(prompter.asked().size(), 2);
    EXPECT_EQ(prompter.asked()[1].text,
              "Total size of selected files: 120 bytes\rTotal selected files: 2");
}

TEST_F(PropertiesTest, CtrlCMarksWhatDiffersOnBothPanels)
{
    for (const QString d : {"C:\\l\\", "D:\\r\\"}) {
        drives.file(d + "same.txt", 5);
        drives.setTime(d + "same.txt", {2000, 1, 1, 10, 0, 0});
        drives.file(d + "newer.txt", 5);
    }
    drives.setTime("C:\\l\\newer.txt", {2000, 1, 1, 10, 0, 0});
    drives.setTime("D:\\r\\newer.txt", {2000, 1, 1, 10, 1, 0});
    drives.file("C:\\l\\only.txt", 1);
    drives.file("C:\\l\\Case.txt", 1);
    drives.file("D:\\r\\case.txt", 1);
    drives.setTime("C:\\l\\Case.txt", {2000, 1, 1, 10, 0, 0});
    drives.setTime("D:\\r\\case.txt", {2000, 1, 1, 10, 0, 0});
    auto form = open("C:\\l", "D:\\r");
    QAction* compare = form->command(Cmd::CompareDirs);
    ASSERT_TRUE(compare && compare->isEnabled());
    EXPECT_EQ(compare->shortcut(), QKeySequence("Ctrl+C"));
    form->panel(1).entries[size_t(row(form->panel(1), "same.txt"))].selected = true;
    compare->trigger();
    const auto marked = [&](int n) {
        QStringList out;
        for (const PanelEntry& e : form->panel(n).entries)
            if (e.selected)
                out << e.name;
        out.sort();
        return out;
    };
    EXPECT_EQ(marked(1), QStringList({"Case.txt", "only.txt"}));
    EXPECT_EQ(marked(2), QStringList({"case.txt", "newer.txt"}));
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(PropertiesTest, TheToolbarButtonOnIdenticalPanelsSaysSo)
{
    drives.file("C:\\l\\a.txt", 5);
    drives.directory("C:\\l\\sub");
    auto form = open("C:\\l", "C:\\l");
    for (int n = 1; n <= 2; ++n)
        form->panel(n).entries[size_t(row(form->panel(n), "a.txt"))].selected = true;
    TWin97Button* button = form->toolButton("Compare Directories");
    ASSERT_TRUE(button && button->isEnabled());
    button->click();
    QApplication::processEvents();
    ASSERT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked()[0].text, "The two Directory's apears to be identical.");
    for (int n = 1; n <= 2; ++n)
        for (const PanelEntry& e : form->panel(n).entries)
            EXPECT_FALSE(e.selected) << e.name.toStdString();
}

} // namespace
