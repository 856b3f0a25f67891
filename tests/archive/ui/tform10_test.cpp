// The Compression Tools dialog: its state in both modes, the method table,
// a run from OK, and the archiver search from "Seek...".
#include "archive/ui/tform10.h"
#include "archive/ui/tform12.h"
#include "fileops/ui/tform2.h"
#include "platform/drivemap.h"

#include "archive/ops/tarwriter.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace dovex {
namespace {

using test::DriveFixture;
using test::ScriptedPrompter;

PanelEntry entry(const QString& name, bool selected = false, bool directory = false)
{
    PanelEntry e;
    e.name = name;
    e.selected = selected;
    e.directory = directory;
    return e;
}

// A click on the button's mark, which a radio button takes as its own.
void choose(QRadioButton* button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

class TForm10Test : public ::testing::Test {
protected:
    void ini(const QByteArray& text) { drives.writeSettings(text); }
    QByteArray iniText() const { return drives.settingsText(); }
    DriveFixture drives{"CD"};
    ScriptedPrompter prompter;
    TForm12 progress;
};

TEST_F(TForm10Test, CompressModeProposesTheArchiveAndTheMethodsSetTheirOptions)
{
    // A slot with only a name and an add template shows, offering nothing.
    ini("[Packer6]\nNaam=Bare\nAdd=BARE.exe a\n");
    TForm10 form(prompter, progress);
    EXPECT_EQ(form.windowTitle(), "Compression Tools");
    EXPECT_EQ(form.Custom[0]->text(), "Arj");
    EXPECT_EQ(form.Custom[0]->property("Tag").toInt(), 1);
    EXPECT_EQ(form.Custom[5]->text(), "Bare");
    EXPECT_EQ(form.Custom[6]->objectName(), "custom7");
    EXPECT_TRUE(form.Custom[4]->isVisibleTo(&form));
    EXPECT_FALSE(form.Custom[6]->isVisibleTo(&form));
    EXPECT_EQ(form.BitBtn3->toolTip(), "Seek Compression Tools...");

    // Nothing marked, the cursor on "..": no items, no base name.
    const PanelEntries dotdot{entry("..", false, true), entry("a.txt")};
    form.prepareCompress(dotdot, 0, "C:\\src", "D:\\out");
    EXPECT_EQ(form.Edit1->text(), "D:\\out\\");
    EXPECT_EQ(form.Label1->text(), "compress to:");
    EXPECT_TRUE(form.RadioButton2->isChecked());
    EXPECT_TRUE(form.CheckBox1->isChecked() && form.CheckBox1->isEnabled());
    EXPECT_FALSE(form.CheckBox2->isEnabled());
    EXPECT_FALSE(form.CheckBox3->isEnabled());
    EXPECT_TRUE(form.CheckBox4->isVisibleTo(&form) && form.CheckBox4->isEnabled());
    choose(form.RadioButton1); // Pkzip
    EXPECT_TRUE(form.CheckBox3->isEnabled());
    EXPECT_FALSE(form.CheckBox2->isEnabled());
    const ToolCommand pk = ComposeCompress(form.compressRequest(), form.tools());
    EXPECT_EQ(pk.parameters, " -P -r D:\\out\\Packed C:\\src\\*.*");

    // The score picks the name most entries share; ".exe" counts two more.
    const PanelEntries marked{entry("..", true, true), entry("read me.txt", true),
                              entry("read me.doc", true), entry("setup.exe", true), entry("x.txt")};
    form.prepareCompress(marked, 4, "C:\\src", "D:\\");
    EXPECT_EQ(form.Edit1->text(), "D:\\setup");
    EXPECT_EQ(form.compressRequest().items.size(), 3);

    form.prepareCompress({entry("Long Name Here.txt")}, 0, "C:\\src", "D:\\out");
    EXPECT_EQ(form.Edit1->text(), "D:\\out\\LongName");
    choose(form.RadioButton3); // MsCompress: the directory only
    EXPECT_EQ(form.Edit1->text(), "D:\\out");
    EXPECT_FALSE(form.CheckBox1->isEnabled() || form.CheckBox3->isEnabled());
    choose(form.Custom[0]); // Arj: every option
    EXPECT_EQ(form.Edit1->text(), "D:\\out\\LongName");
    EXPECT_TRUE(form.CheckBox1->isEnabled() && form.CheckBox2->isEnabled() &&
                form.CheckBox3->isEnabled());
    choose(form.Custom[5]); // Bare
    EXPECT_FALSE(form.CheckBox1->isEnabled() || form.CheckBox2->isEnabled() ||
                 form.CheckBox3->isEnabled());
    const archive::ArchiverCommand bare = CompressCommand(form.compressRequest(), form.tools());
    EXPECT_EQ(bare.tool, "BARE.exe");
    EXPECT_EQ(bare.items, QStringList{"C:\\src\\Long Name Here.txt"});
}

TEST_F(TForm10Test, DecompressModeFollowsTheArchive)
{
    TForm10 form(prompter, progress);
    form.prepareDecompress("C:\\in\\pack.zip", "D:\\to");
    EXPECT_EQ(form.windowTitle(), "Decompress pack.zip");
    EXPECT_EQ(form.Label1->text(), "Decompress:");
    EXPECT_EQ(form.Edit1->text(), "D:\\to");
    EXPECT_FALSE(form.CheckBox4->isVisibleTo(&form));
    EXPECT_TRUE(form.RadioButton2->isChecked() && form.RadioButton2->isEnabled());
    EXPECT_TRUE(form.RadioButton1->isEnabled());
    EXPECT_FALSE(form.RadioButton3->isEnabled() || form.Custom[0]->isEnabled());
    EXPECT_FALSE(form.CheckBox2->isEnabled() || form.CheckBox3->isEnabled());
    choose(form.RadioButton1); // Pkzip takes a password
    EXPECT_TRUE(form.CheckBox3->isEnabled());
    EXPECT_EQ(form.Edit1->text(), "D:\\to"); // the target stays the directory

    form.prepareDecompress("C:\\in\\SETUP.EX_", "D:\\to");
    EXPECT_TRUE(form.RadioButton3->isChecked());
    for (QCheckBox* b : {form.CheckBox1, form.CheckBox2, form.CheckBox3, form.CheckBox4})
        EXPECT_FALSE(b->isEnabled() || b->isChecked()) << b->objectName().toStdString();

    form.prepareDecompress("C:\\in\\old.lzh", "D:\\to");
    EXPECT_TRUE(form.Custom[2]->isChecked() && form.Custom[2]->isEnabled());
    EXPECT_FALSE(form.RadioButton2->isEnabled() || form.RadioButton3->isChecked());
    EXPECT_TRUE(form.CheckBox1->isChecked() && form.CheckBox1->isEnabled());
    EXPECT_FALSE(form.CheckBox3->isEnabled());
    const archive::ArchiverCommand x = ExtractCommand(form.extractRequest(), form.tools());
    EXPECT_EQ(x.tool, "LHA.exe");
    EXPECT_EQ(x.switches, QStringList{"X"});

    // A tar, whatever its name, is unpacked by the program itself: its own
    // method, with "Include subdirectory's" only; compress mode hides it.
    test::TarWriter tar;
    tar.add("dir/", '5');
    tar.add("dir/a.txt", '0', "in the tar");
    drives.file("C:\\in\\old.arj", 0, tar.finish());
    form.prepareDecompress("C:\\in\\old.arj", "D:\\to");
    EXPECT_TRUE(form.RadioButton4->isVisibleTo(&form));
    EXPECT_TRUE(form.RadioButton4->isChecked() && form.RadioButton4->isEnabled());
    EXPECT_EQ(form.RadioButton4->text(), "Tar (internal)");
    EXPECT_FALSE(form.Custom[0]->isChecked() || form.RadioButton2->isEnabled());
    EXPECT_TRUE(form.CheckBox1->isChecked() && form.CheckBox1->isEnabled());
    EXPECT_FALSE(form.CheckBox2->isEnabled() || form.CheckBox3->isEnabled());
    form.CheckBox1->setChecked(false);
    drives.directory("D:\\to");
    EXPECT_TRUE(form.BitBtn1Click().passed) << prompter.texts().join('|').toStdString();
    EXPECT_EQ(drives.read("D:\\to\\a.txt"), "in the tar");
    form.prepareCompress({entry("a.txt")}, 0, "C:\\in", "D:\\to");
    EXPECT_FALSE(form.RadioButton4->isVisibleTo(&form));
    EXPECT_TRUE(form.RadioButton2->isChecked());

    // Nothing fits: no method checked, OK runs nothing.
    form.prepareDecompress("C:\\in\\notes.txt", "D:\\to");
    for (QRadioButton* b : {form.RadioButton1, form.RadioButton2, form.RadioButton3})
        EXPECT_FALSE(b->isChecked());
    EXPECT_FALSE(form.BitBtn1Click().passed);
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(TForm10Test, OkRunsTheCompressionInTheProgressWindow)
{
    drives.file("C:\\src\\a b.txt", 0, "some text");
    drives.file("C:\\src\\sub\\c.txt", 0, "more");
    drives.directory("D:\\out");
    TForm10 form(prompter, progress);
    const PanelEntries entries{entry("a b.txt", true), entry("sub", true, true)};
    QTimer::singleShot(0, &form, [&] { QTest::mouseClick(form.BitBtn1, Qt::LeftButton); });
    const auto outcome = form.Update(entries, 0, "C:\\src", "D:\\out");
    ASSERT_TRUE(outcome.has_value());
    EXPECT_TRUE(outcome->passed) << prompter.texts().join('|').toStdString();
    EXPECT_TRUE(drives.exists("D:\\out\\ab.zip"));
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(prompter.texts(), QStringList{"2 file(s) added to D:\\out\\ab.zip"});

    // Cancel runs nothing.
    QTimer::singleShot(0, &form, [&] { QTest::mouseClick(form.BitBtn2, Qt::LeftButton); });
    EXPECT_FALSE(form.Decompress("D:\\out\\ab.zip", "C:\\").has_value());
}

TEST_F(TForm10Test, SeekAsksFirstAndLinksWhatItFinds)
{
    const QByteArray oldPath = qgetenv("PATH");
    QTemporaryDir emptyPath;
    qputenv("PATH", QFile::encodeName(emptyPath.path()));
    drives.file("D:\\bin\\zoo", 0, "#!/bin/sh\nexit 0\n");
    QFile::setPermissions(drives.host("D:\\bin\\zoo"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    TForm10 form(prompter, progress);

    prompter.script({Answer::No});
    QTest::mouseClick(form.BitBtn3, Qt::LeftButton);
    EXPECT_EQ(prompter.texts(),
              QStringList{"Would you like to search your disk(s) for Compression Tools?"});
    EXPECT_FALSE(QFileInfo::exists(drives.programDir() + "/zoo"));

    prompter.clear();
    prompter.script({Answer::Yes});
    if (DriveMap::instance().kind('D') == DriveKind::Fixed) {
        QTest::mouseClick(form.BitBtn3, Qt::LeftButton);
        EXPECT_EQ(prompter.texts().size(), 1);
        EXPECT_EQ(QFileInfo(drives.programDir() + "/zoo").symLinkTarget(),
                  drives.host("D:\\bin\\zoo"));
        auto* copying = form.findChild<TForm2*>();
        ASSERT_NE(copying, nullptr);
        EXPECT_EQ(copying->windowTitle(), "Copying...");
        EXPECT_FALSE(copying->isVisible());
    }
    qputenv("PATH", oldPath);
}

} // namespace
} // namespace dovex
