#include "controls/tanimatedsymbol.h"
#include "controls/tfastcaption.h"
#include "controls/tshellanimation.h"

#include <QApplication>
#include <QImage>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

QImage grab(QWidget& w)
{
    return w.grab().toImage();
}

TEST(TFastCaption, PathEllipsisKeepsDriveAndName)
{
    TFastCaption label;
    label.resize(160, 18);
    label.SetClipOptions(TClipOptions::coPath);
    const QString path = "C:\\very\\long\\directory\\names\\that\\do\\not\\fit\\report.doc";
    label.setCaption(path);
    const QString shown = label.displayedText();
    EXPECT_TRUE(shown.startsWith("C:\\")) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith("report.doc")) << shown.toStdString();
    EXPECT_TRUE(shown.contains("...")) << shown.toStdString();
    EXPECT_LE(label.fontMetrics().horizontalAdvance(shown), 160);

    label.SetClipOptions(TClipOptions::coEnd);
    EXPECT_TRUE(label.displayedText().startsWith("C:\\very"));
    EXPECT_FALSE(label.displayedText().endsWith("report.doc"));
    label.SetClipOptions(TClipOptions::coNone);
    EXPECT_EQ(label.displayedText(), path);
}

TEST(TFastCaption, ShorterTextLeavesNoRemnant)
{
    TFastCaption label;
    label.resize(300, 18);
    label.setCaption("a rather long text that fills the label");
    grab(label);
    label.setCaption("x");
    const QImage after = grab(label);
    TFastCaption fresh;
    fresh.resize(300, 18);
    fresh.setCaption("x");
    EXPECT_EQ(after, grab(fresh));
    EXPECT_TRUE(label.testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST(TShellAnimation, PlaysLoopsAndStops)
{
    TShellAnimation anim;
    QSignalSpy started(&anim, &ClipPlayer::OnStart);
    QSignalSpy stopped(&anim, &ClipPlayer::OnStop);
    EXPECT_FALSE(anim.isOpen());
    anim.SetAnimation(TAnimationType::atCopyFile);
    EXPECT_TRUE(anim.isPlaying());
    EXPECT_EQ(started.count(), 1);
    anim.SetPlaying(false);
    EXPECT_FALSE(anim.isPlaying());
    EXPECT_EQ(stopped.count(), 1);
    anim.SetPlaying(true);
    EXPECT_TRUE(anim.isPlaying());

    // A clip frame differs from the next one: it moves.
    anim.resize(272, 60);
    const QImage first = grab(anim);
    QTest::qWait(200);
    EXPECT_NE(first, grab(anim));

    // A fixed number of cycles ends by itself.
    anim.SetCycles(1);
    anim.SetPlayTo(2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !anim.isPlaying(); }, 2000));
    anim.SetAnimation(TAnimationType::atNone);
    EXPECT_FALSE(anim.isOpen());
}

TEST(TShellAnimation, WithoutAutoPlayAndPlayingNothingOpens)
{
    TShellAnimation anim;
    anim.SetAutoPlay(false);
    anim.SetPlaying(false);
    anim.SetAnimation(TAnimationType::atDeleteFile);
    EXPECT_FALSE(anim.isOpen());
}

TEST(TAnimatedSymbol, EmptyNameShowsNothingAndUnknownNameReports)
{
    QStringList errors;
    // The handler captures this test's locals: the previous one returns at
    // the end, whatever way the test leaves.
    struct Restore {
        ClipPlayer::ErrorHandler previous;
        ~Restore() { ClipPlayer::setErrorHandler(std::move(previous)); }
    } restore{ClipPlayer::setErrorHandler([&](const QString& t) { errors << t; })};
    TAnimatedSymbol sym;
    for (auto s :
         {TAnimatedState::acmOpen, TAnimatedState::acmPlaying, TAnimatedState::acmClosed}) {
        sym.SetState(s);
        EXPECT_FALSE(sym.isOpen());
    }
    sym.SetAVIName("ZIPAVI");
    EXPECT_TRUE(sym.isOpen()); // AutoPlay opens it even when closed
    sym.SetState(TAnimatedState::acmPlaying);
    EXPECT_TRUE(sym.isPlaying());
    EXPECT_EQ(sym.openClip(), ClipKind::Compress);
    sym.SetAVIName("UNZIPAVI");
    EXPECT_EQ(sym.openClip(), ClipKind::Decompress);
    sym.SetAVIName("NOSUCH");
    EXPECT_FALSE(sym.isOpen());
    EXPECT_EQ(errors, QStringList("Cannot Load avi"));
}

} // namespace

} // namespace dovex::test
