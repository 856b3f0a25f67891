// The "Compressing Files" window.
#include "archive/ui/tform12.h"
#include "controls/tanimatedsymbol.h"
#include "controls/tfastcaption.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace dovex {
namespace {

TEST(TForm12, RunShowsItsTextsAndAbortOrEscapeEndsIt)
{
    TForm12 form;
    form.showRun(QStringLiteral("Decompressing Files"),
                 QStringLiteral("Decompressing Files, Please wait... "),
                 QStringLiteral("Compressed file:a.arj"), QStringLiteral("Compression Method:Arj"),
                 ArchiveProgress::Animation::Unzip, false);
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Decompressing Files"));
    EXPECT_EQ(form.AnimatedSymbol1->AVIName(), QStringLiteral("UNZIPAVI"));
    EXPECT_FALSE(form.ProgressBar1->isVisibleTo(&form));
    EXPECT_FALSE(form.abortRequested());
    QTest::mouseClick(form.Button1, Qt::LeftButton);
    EXPECT_TRUE(form.abortRequested());
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Button1->isEnabled());

    form.showRun(QStringLiteral("Compressing Files"), QString(), QString(), QString(),
                 ArchiveProgress::Animation::Zip, true);
    EXPECT_FALSE(form.abortRequested());
    EXPECT_TRUE(form.ProgressBar1->isVisibleTo(&form));
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_TRUE(form.abortRequested());
    form.hideRun();
}

} // namespace
} // namespace dovex
