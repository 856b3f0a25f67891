#include "panels/ui/panelimages.h"

#include <gtest/gtest.h>

#include <QSet>

using namespace dovex;

namespace {

int opaquePixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) == 255;
    return n;
}

void expectKeyedImage(const QPixmap& pixmap, const QImage& painted, QRgb key)
{
    ASSERT_EQ(pixmap.size(), QSize(16, 16));
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(painted.pixel(0, 15) & 0xFFFFFF, key & 0xFFFFFF);
    EXPECT_EQ(qAlpha(image.pixel(0, 15)), 0);
    EXPECT_GT(opaquePixels(image), 20);
    EXPECT_LT(opaquePixels(image), 256); // some of the key colour shows through
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            if ((painted.pixel(x, y) & 0xFFFFFF) != (key & 0xFFFFFF)) {
                ASSERT_EQ(qAlpha(image.pixel(x, y)), 255) << x << "," << y;
            }
        }
    }
}

} // namespace

TEST(PanelImages, RowImagesAreKeyedOnCyanAndAllDifferent)
{
    const PanelImages& images = PanelImages::instance();
    QSet<QByteArray> seen;
    for (int i = 0; i < PanelImages::kRowImages; ++i) {
        SCOPED_TRACE(i);
        expectKeyedImage(images.row(i), PanelImages::paintRowImage(i), qRgb(0, 255, 255));
        const QImage image = images.row(i).toImage().convertToFormat(QImage::Format_ARGB32);
        seen.insert(
            QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(seen.size(), PanelImages::kRowImages);
    // Out of range gives the unknown-file page.
    EXPECT_EQ(images.row(99).toImage(), images.row(1).toImage());
    EXPECT_EQ(images.row(-1).toImage(), images.row(1).toImage());
}

TEST(PanelImages, DriveImagesAreKeyedOnRed)
{
    const PanelImages& images = PanelImages::instance();
    for (int i = 0; i < PanelImages::kDriveImages; ++i) {
        SCOPED_TRACE(i);
        expectKeyedImage(images.drive(i), PanelImages::paintDriveImage(i), qRgb(255, 0, 0));
    }
    EXPECT_EQ(PanelImages::driveImageIndex(DriveKind::Removable), 0);
    EXPECT_EQ(PanelImages::driveImageIndex(DriveKind::Fixed), 1);
    EXPECT_EQ(PanelImages::driveImageIndex(DriveKind::Unknown), 1);
    EXPECT_EQ(PanelImages::driveImageIndex(DriveKind::CdRom), 2);
    EXPECT_EQ(PanelImages::driveImageIndex(DriveKind::Remote), 3);
    EXPECT_EQ(PanelImages::driveImageIndex(DriveKind::RamDisk), 4);
}

TEST(PanelImages, KeyingUsesTheBottomLeftPixel)
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(qRgb(10, 20, 30));
    image.setPixel(0, 3, qRgb(1, 2, 3));
    image.setPixel(2, 1, qRgb(1, 2, 3));
    const QImage keyed = PanelImages::keyedOnBottomLeft(image).toImage();
    EXPECT_EQ(qAlpha(keyed.pixel(0, 3)), 0);
    EXPECT_EQ(qAlpha(keyed.pixel(2, 1)), 0);
    EXPECT_EQ(opaquePixels(keyed), 14);
    EXPECT_TRUE(PanelImages::keyedOnBottomLeft(QImage()).isNull());
}

TEST(PanelImages, FolderIconIsSmall)
{
    const QPixmap& folder = PanelImages::instance().folder();
    ASSERT_FALSE(folder.isNull());
    EXPECT_EQ(folder.deviceIndependentSize().toSize(), QSize(16, 16));
}
