#include "controls/tmsofficecaption.h"
#include "controls/twin97button.h"
#include "shell/ui/tform6.h"
#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

namespace dovex::test {

namespace {

class SystemInfoTest : public WindowTest {};

QString cell(const TForm6& form, int row, int column)
{
    const QTableWidgetItem* item = form.grid()->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

TEST(TForm6, FilledOnActivationWithTheSixRows)
{
    TForm6 form;
    EXPECT_EQ(form.windowTitle(), QStringLiteral("System Info"));
    EXPECT_EQ(form.button()->text(), QStringLiteral("Start"));
    EXPECT_EQ(form.grid()->rowCount(), 8);
    EXPECT_EQ(form.grid()->columnCount(), 2);
    EXPECT_EQ(form.grid()->columnWidth(0), 150);
    EXPECT_EQ(form.grid()->rowHeight(7), 16);
    EXPECT_FALSE(form.grid()->isEnabled());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(form.minimumSize(), form.maximumSize()); // fixed

    // Shown and active, it fills itself.
    form.show();
    form.activateWindow();
    if (QTest::qWaitForWindowActive(&form))
        EXPECT_EQ(form.button()->text(), QStringLiteral("OK"));
    else
        form.fill(); // a platform without activation
    form.hide();
    EXPECT_EQ(form.button()->text(), QStringLiteral("OK"));
    const QStringList labels = {"System Info",  "CPU-Type",         "VGA-resolution",
                                "Total Memory", "Operating System", "Harddisk(s)"};
    for (int r = 0; r < labels.size(); ++r)
        EXPECT_EQ(cell(form, r, 0), labels[r]);
    EXPECT_EQ(cell(form, 0, 1), QStringLiteral("This system"));
    EXPECT_TRUE(cell(form, 2, 1).contains(QRegularExpression("^\\d+x\\d+, \\d+ colors$")))
        << qPrintable(cell(form, 2, 1));
    EXPECT_TRUE(cell(form, 3, 1).endsWith(QStringLiteral(" MB")));
    EXPECT_TRUE(cell(form, 5, 1).startsWith(QStringLiteral("Total ")));
    EXPECT_TRUE(cell(form, 6, 0).isEmpty());
    // Every text is readable in full.
    const QFontMetrics fm(form.grid()->font());
    for (int r = 0; r < labels.size(); ++r)
        EXPECT_LE(fm.horizontalAdvance(cell(form, r, 1)), form.grid()->columnWidth(1));
}

TEST_F(SystemInfoTest, CtrlSAndTheToolbarButtonOpenTheWindowModally)
{
    auto form = start();
    QAction* command = form->command(Cmd::SystemInformation);
    ASSERT_TRUE(command);
    EXPECT_TRUE(command->isEnabled());
    EXPECT_EQ(command->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    TWin97Button* button = form->toolButton(QStringLiteral("System Information"));
    ASSERT_TRUE(button);
    EXPECT_TRUE(button->isEnabled());

    bool wasModal = false;
    QString okText;
    QTimer::singleShot(0, form.get(), [&] {
        TForm6* info = form->systemInfoWindow();
        ASSERT_TRUE(info);
        wasModal = info->isModal() && info->isVisible();
        info->fill(); // the offscreen platform may not activate it
        okText = info->button()->text();
        info->button()->click();
    });
    command->trigger();
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(okText, QStringLiteral("OK"));
    TForm6* first = form->systemInfoWindow();
    EXPECT_FALSE(first->isVisible());

    // The toolbar's button opens the same window again.
    QTimer::singleShot(0, form.get(), [&] { form->systemInfoWindow()->reject(); });
    button->click();
    EXPECT_EQ(form->systemInfoWindow(), first);
}

TEST_F(SystemInfoTest, TheMainWindowHasTheCaptionStrip)
{
    auto form = start();
    TMSOfficeCaption* strip = form->captionStrip();
    ASSERT_TRUE(strip);
    EXPECT_TRUE(strip->isVisible());
    EXPECT_EQ(strip->CompanyText().Caption(), QStringLiteral("Dovex 1.3"));
    EXPECT_TRUE(strip->CompanyText().Font().bold());
    EXPECT_EQ(strip->CaptionText().Caption(), QStringLiteral("32-Bit Shell"));
    EXPECT_EQ(strip->NumColors(), 128);
    EXPECT_GE(strip->width(), form->width() - 4);
    EXPECT_TRUE(strip->currentFit().company);
    form->setWindowTitle(QStringLiteral("Renamed"));
    EXPECT_EQ(strip->CaptionText().Caption(), QStringLiteral("Renamed"));
}

} // namespace dovex::test
