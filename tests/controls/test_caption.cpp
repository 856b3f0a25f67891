#include "controls/tmsofficecaption.h"

#include <QApplication>
#include <QImage>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

// A window with the strip on top, as the main window has it.
struct CaptionWindow {
    QWidget window;
    TMSOfficeCaption* strip;
    explicit CaptionWindow(int width = 500)
    {
        window.setWindowTitle(QStringLiteral("32-Bit Shell"));
        strip = new TMSOfficeCaption(&window);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(strip);
        layout->addStretch();
        strip->CompanyText().setCaption(QStringLiteral("Dovex 1.3"));
        strip->CompanyText().setFontKind(TFontKind::fkSystemB);
        strip->AppNameText().setCaption(QStringLiteral("Application"));
        window.resize(width, 80);
        window.show();
    }
    QImage image() { return strip->grab().toImage(); }
    QRgb pixel(int x) { return image().pixel(x, strip->height() - 1) | 0xff000000u; }
};

} // namespace

TEST(GradientBands, MulDivRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(MulDiv(5, 1, 2), 3);
    EXPECT_EQ(MulDiv(-5, 1, 2), -3);
    EXPECT_EQ(MulDiv(7, 1, 3), 2);
    EXPECT_EQ(MulDiv(-128, 127, 127), -128);
    EXPECT_EQ(MulDiv(1 << 30, 1 << 30, 1 << 30), 1 << 30); // 64-bit product
    EXPECT_EQ(MulDiv(1, 1, 0), -1);
}

TEST(GradientBands, OneBandIsTheStartColourOverTheWholeWidth)
{
    const auto bands = gradientBands(10, 301, 1, qRgb(200, 0, 0), qRgb(0, 0, 128));
    ASSERT_EQ(bands.size(), 1);
    EXPECT_EQ(bands[0].left, 10);
    EXPECT_EQ(bands[0].right, 311);
    EXPECT_EQ(bands[0].colour, qRgb(200, 0, 0));
}

TEST(GradientBands, BandsTileAnOddWidthAndEndAtTheEndColour)
{
    for (int width : {1, 127, 129, 333, 1001}) {
        const auto bands = gradientBands(3, width, 128, qRgb(0, 0, 0), qRgb(10, 36, 106));
        ASSERT_EQ(bands.size(), 128);
        EXPECT_EQ(bands.front().left, 3);
        EXPECT_EQ(bands.back().right, 3 + width);
        for (int i = 1; i < bands.size(); ++i) {
            EXPECT_EQ(bands[i].left, bands[i - 1].right) << width << " band " << i;
            EXPECT_GE(bands[i].right, bands[i].left);
        }
        EXPECT_EQ(bands.front().colour, qRgb(0, 0, 0));
        EXPECT_EQ(bands.back().colour, qRgb(10, 36, 106));
    }
    // Band 1 of 128 over 333 pixels: 333/128 = 2.6 -> 3 to 666/128 = 5.2 -> 5;
    // its blue 106/127 = 0.83 -> 1. A falling channel rounds the same way.
    const auto bands = gradientBands(0, 333, 128, qRgb(0, 255, 0), qRgb(0, 0, 106));
    EXPECT_EQ(bands[1].left, 3);
    EXPECT_EQ(bands[1].right, 5);
    EXPECT_EQ(qBlue(bands[1].colour), 1);
    EXPECT_EQ(qGreen(bands[1].colour), 255 - 2);    // 255/127 = 2.007 -> 2
    EXPECT_EQ(qGreen(bands[64].colour), 255 - 129); // 255*64/127 = 128.504 -> 129
}

TEST(GradientBands, NumColorsIsClampedAsTheDesignerWasTold)
{
    QString message;
    EXPECT_EQ(clampNumColors(0, 64, &message), 64);
    EXPECT_EQ(message, QStringLiteral("The number of colors must be at least 1"));
    EXPECT_EQ(clampNumColors(-3, 12, &message), 12);
    EXPECT_EQ(clampNumColors(257, 64, &message), 256);
    EXPECT_EQ(message, QStringLiteral("The highest number of gradient colors possible is 256"));
    EXPECT_EQ(clampNumColors(1, 64, &message), 1);
    EXPECT_TRUE(message.isEmpty());

    TMSOfficeCaption strip(nullptr);
    EXPECT_EQ(strip.NumColors(), 64);
    strip.setNumColors(0);
    EXPECT_EQ(strip.NumColors(), 64);
    strip.setNumColors(1000);
    EXPECT_EQ(strip.NumColors(), 256);
}

TEST(CaptionFitting, CompanyGoesFirstThenTheApplicationName)
{
    EXPECT_TRUE(fitCaptionParts(100, 30, 30, 40).company);
    const CaptionFit two = fitCaptionParts(99, 30, 30, 40);
    EXPECT_FALSE(two.company);
    EXPECT_TRUE(two.appName);
    const CaptionFit one = fitCaptionParts(69, 30, 30, 40);
    EXPECT_FALSE(one.company);
    EXPECT_FALSE(one.appName);
}

TEST(TMSOfficeCaption, ANarrowWindowDropsPartsAndCutsTheCaption)
{
    CaptionWindow w(600);
    CaptionFit fit = w.strip->currentFit();
    EXPECT_TRUE(fit.company);
    EXPECT_TRUE(fit.appName);
    w.window.resize(150, 80);
    QApplication::processEvents();
    fit = w.strip->currentFit();
    EXPECT_FALSE(fit.company);
    w.window.resize(40, 80);
    QApplication::processEvents();
    fit = w.strip->currentFit();
    EXPECT_FALSE(fit.company);
    EXPECT_FALSE(fit.appName);
    w.image(); // paints the cut caption without harm
    // A hidden or empty part takes no room.
    w.window.resize(600, 80);
    w.strip->AppNameText().setVisible(false);
    EXPECT_FALSE(w.strip->currentFit().appName);
}

TEST(TMSOfficeCaption, WhenActiveTheGradientTurnsFlatOnDeactivation)
{
    CaptionWindow w(400);
    w.strip->setColor(qRgb(255, 0, 0));
    w.strip->setNumColors(1);
    w.strip->setDrawnActive(true);
    // One band: the whole strip in the start colour (sampled past the text).
    EXPECT_EQ(w.pixel(w.strip->width() - 2), qRgb(255, 0, 0));
    w.strip->setEnabled(TGradEnabled::geWhenActive);
    EXPECT_TRUE(w.strip->gradientShown());
    w.strip->setDrawnActive(false);
    EXPECT_FALSE(w.strip->gradientShown());
    EXPECT_EQ(w.pixel(w.strip->width() - 2), w.strip->captionColour(false).rgb());
    EXPECT_EQ(w.pixel(0), w.strip->captionColour(false).rgb());
    w.strip->setDrawnActive(true);
    EXPECT_EQ(w.pixel(w.strip->width() - 2), qRgb(255, 0, 0));
    w.strip->setEnabled(TGradEnabled::geNever);
    EXPECT_EQ(w.pixel(w.strip->width() - 2), w.strip->captionColour(true).rgb());
    // Many bands: black at the left, the caption colour at the right.
    w.strip->setEnabled(TGradEnabled::geAlways);
    w.strip->setColor(Qt::black);
    w.strip->setNumColors(128);
    EXPECT_EQ(w.pixel(w.strip->width() - 1), w.strip->captionColour(true).rgb());
    EXPECT_EQ(w.pixel(0), qRgb(0, 0, 0));
}

TEST(TMSOfficeCaption, PartsFollowTheWindowTitleAndTheirFontKinds)
{
    CaptionWindow w;
    EXPECT_EQ(w.strip->CaptionText().Caption(), QStringLiteral("32-Bit Shell"));
    w.strip->CaptionText().setCaption(QStringLiteral("Other"));
    EXPECT_EQ(w.window.windowTitle(), QStringLiteral("Other"));
    EXPECT_TRUE(w.strip->CompanyText().Font().bold());
    QFont custom(QStringLiteral("Serif"));
    custom.setPixelSize(60);
    w.strip->AppNameText().setFont(custom);
    EXPECT_EQ(w.strip->AppNameText().FontKind(), TFontKind::fkCustom);
    EXPECT_EQ(w.strip->AppNameText().Font().pixelSize(), 60);
    w.strip->AppNameText().setFontKind(TFontKind::fkAutoHeight);
    const QFontMetrics system(TMSOfficeCaption::systemCaptionFont());
    const QFontMetrics fitted(w.strip->AppNameText().Font());
    EXPECT_LE(fitted.ascent(), system.ascent());
    EXPECT_LE(fitted.descent(), system.descent());
    // A font set while the height is automatic stays automatic.
    w.strip->AppNameText().setFont(custom);
    EXPECT_EQ(w.strip->AppNameText().FontKind(), TFontKind::fkAutoHeight);
    w.strip->CompanyText().setColorActive(Qt::yellow);
    EXPECT_EQ(w.strip->CompanyText().ColorActive(), QColor(Qt::yellow));
    EXPECT_EQ(w.strip->CompanyText().ColorInactive(), w.strip->captionTextColour(false));
}

} // namespace dovex::test
