#include "panels/filetypetable.h"
#include "panels/textformat.h"
#include "panels/ui/panelimages.h"
#include "panels/ui/rowpainter.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"
#include "support/drivefixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QFontMetrics>
#include <QImage>
#include <QLocale>
#include <QPainter>

using namespace dovex;
using dovex::test::DriveFixture;

namespace {

const QColor kBackground(255, 255, 255);

PanelEntry entry(const QString& name, std::int64_t size = 0, bool directory = false)
{
    PanelEntry e;
    e.name = name;
    e.size = size;
    e.directory = directory;
    e.attributes = directory ? faDirectory : faArchive;
    e.dosDateTime = packDosDateTime({2021, 3, 5, 14, 30, 8});
    return e;
}

bool sameImage(const QPixmap& a, const QPixmap& b)
{
    return a.toImage().convertToFormat(QImage::Format_ARGB32) ==
           b.toImage().convertToFormat(QImage::Format_ARGB32);
}

// A 300 by 18 row drawn with a fixed font; the painter's font and the
// options' columns agree, as the window keeps them.
class RowPainterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
        font = QFont(QStringLiteral("DejaVu Sans"), 9);
        options.columns = computeColumns(font, options.nameColumnChars);
        options.folderTypeText = QStringLiteral("folder");
        types.append({".ZIP", "Zip Compressed File", 11, true});
        types.append({".TXT", "Text Document", 4, true});
        types.append({".xyz", "Xyz data", -1, false});
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    QImage draw(int index, QPixmap* itemIcon = nullptr, int width = 600)
    {
        QImage image(width, 18, QImage::Format_RGB32);
        image.fill(Qt::gray);
        QPainter p(&image);
        p.setFont(font);
        painter.paint(p, QRect(0, 0, width, 18), panel, index, options, itemIcon);
        return image;
    }

    // Columns of x where a pixel differs from the background, in [from, to).
    static int inkBetween(const QImage& image, int from, int to, QColor color = QColor())
    {
        int n = 0;
        for (int x = from; x < to && x < image.width(); ++x)
            for (int y = 0; y < image.height(); ++y) {
                const QColor c = image.pixelColor(x, y);
                if (color.isValid() ? c == color : c != kBackground)
                    ++n;
            }
        return n;
    }

    int x0() const { return 16 + 6; }

    QFont font;
    RowOptions options;
    FileTypeTable types;
    RowPainter painter{&types};
    FilePanel panel;
};

} // namespace

TEST(Columns, MeasuredWithTheFont)
{
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    const QFontMetrics fm(font);
    const ColumnPositions c12 = computeColumns(font, 12);
    EXPECT_EQ(c12.w1, fm.horizontalAdvance(QString(12, 'X')));
    EXPECT_EQ(c12.w2, c12.w1 + fm.horizontalAdvance("X"));
    EXPECT_EQ(c12.w3, c12.w2 + fm.horizontalAdvance("XXXXX"));
    EXPECT_EQ(computeColumns(font, -1).w1, fm.horizontalAdvance("X.XXX.XXXX"));
    EXPECT_EQ(computeColumns(font, 50).w1, fm.horizontalAdvance(QString(47, 'X') + ".XX"));
    EXPECT_LT(computeColumns(font, 25).w1, computeColumns(font, 30).w1);
    EXPECT_GT(computeColumns(QFont("DejaVu Sans", 14), 12).w1, c12.w1);
}

TEST_F(RowPainterTest, TextsOfTheSizeAndDetailColumns)
{
    RowPainter::Texts t = painter.textsFor(entry("..", 0, true), options);
    EXPECT_EQ(t.size, "[UP--DIR]");
    EXPECT_EQ(t.detail, "___D");
    EXPECT_EQ(t.date, "05/03/2021 14:30:08");
    EXPECT_EQ(painter.textsFor(entry("sub", 0, true), options).size, "[SUB-DIR]");
    EXPECT_EQ(painter.textsFor(entry("a.txt", 12'345'678), options).size, " 12,056KB");

    options.detail = DetailMode::FileType;
    EXPECT_EQ(painter.textsFor(entry("data.xyz"), options).detail, " Xyz data");
    EXPECT_EQ(painter.textsFor(entry("data.qrst1"), options).detail, " QRST-File");
    EXPECT_EQ(painter.textsFor(entry("Makefile"), options).detail, " -File");
    EXPECT_EQ(painter.textsFor(entry("a.Zip"), options).detail, " Zip Compressed File");
    EXPECT_EQ(painter.textsFor(entry("sub", 0, true), options).detail, " folder");
    EXPECT_TRUE(painter.textsFor(entry("a.txt"), options).date.isEmpty());

    options.nameColumnChars = -1;
    t = painter.textsFor(entry("a.txt", 5), options);
    EXPECT_TRUE(t.size.isEmpty() && t.detail.isEmpty() && t.date.isEmpty());
}

TEST_F(RowPainterTest, FastIconsNeverAskTheTheme)
{
    panel.entries = {entry("..", 0, true), entry("sub", 0, true), entry("a.zip"), entry("b.xyz"),
                     entry("c.none")};
    EXPECT_TRUE(sameImage(painter.iconFor(panel, 0, options), PanelImages::instance().row(17)));
    EXPECT_TRUE(sameImage(painter.iconFor(panel, 1, options), PanelImages::instance().folder()));
    EXPECT_TRUE(sameImage(painter.iconFor(panel, 2, options), PanelImages::instance().row(11)));
    EXPECT_TRUE(sameImage(painter.iconFor(panel, 3, options), PanelImages::instance().row(1)));
    EXPECT_TRUE(sameImage(painter.iconFor(panel, 4, options), PanelImages::instance().row(1)));
    EXPECT_FALSE(types.find("b.xyz")->known);

    // A row's own icon is used only when the entry has one.
    QPixmap own(16, 16);
    own.fill(Qt::magenta);
    EXPECT_FALSE(sameImage(painter.iconFor(panel, 4, options, &own), own));
    panel.entries[4].ownIcon = true;
    EXPECT_TRUE(sameImage(painter.iconFor(panel, 4, options, &own), own));
}

TEST_F(RowPainterTest, ExtractingRoutineCachesPerRowAndPerExtension)
{
    DriveFixture drives("C");
    drives.file("C:\\d\\b.xyz", 10);
    panel.path = "C:\\d";
    panel.entries = {entry("b.xyz"), entry("other.xyz")};
    options.iconMode = 1;

    QPixmap item;
    const QPixmap first = painter.iconFor(panel, 0, options, &item);
    EXPECT_FALSE(first.isNull());
    EXPECT_FALSE(item.isNull()); // kept for the row
    EXPECT_TRUE(types.find("b.xyz")->known);
    EXPECT_FALSE(panel.entries[0].ownIcon);
    // The second file of the type shares the icon, in the fast routine too.
    EXPECT_TRUE(sameImage(painter.iconFor(panel, 1, options), first));
    options.iconMode = 0;
    EXPECT_TRUE(sameImage(painter.iconFor(panel, 1, options), first));

    // A row that carries an icon keeps it.
    options.iconMode = 3;
    QPixmap carried(16, 16);
    carried.fill(Qt::green);
    EXPECT_TRUE(sameImage(painter.iconFor(panel, 0, options, &carried), carried));
}

TEST_F(RowPainterTest, IconFilesShowThemselvesButNotInsideArchives)
{
    DriveFixture drives("C");
    QImage picture(16, 16, QImage::Format_ARGB32);
    picture.fill(QColor(200, 10, 10));
    drives.directory("C:\\d");
    ASSERT_TRUE(picture.save(drives.host("C:\\d\\pic.ico"), "PNG"));
    panel.path = "C:\\d";
    panel.entries = {entry("pic.ico")};

    options.iconMode = 1; // default icons only: the type's icon
    QPixmap item;
    painter.iconFor(panel, 0, options, &item);
    EXPECT_FALSE(panel.entries[0].ownIcon);

    options.iconMode = 2;
    item = QPixmap();
    const QPixmap own = painter.iconFor(panel, 0, options, &item);
    EXPECT_TRUE(panel.entries[0].ownIcon);
    EXPECT_EQ(own.toImage().pixelColor(8, 8), QColor(200, 10, 10));

    FilePanel archive;
    archive.path = "C:\\d\\a.zip";
    archive.inArchive = true;
    archive.entries = {entry("pic.ico"), entry("q.xyz")};
    item = QPixmap();
    painter.iconFor(archive, 0, options, &item);
    EXPECT_FALSE(archive.entries[0].ownIcon);
    EXPECT_TRUE(sameImage(painter.iconFor(archive, 1, options), PanelImages::instance().row(1)));
    EXPECT_FALSE(types.find("q.xyz")->known);
}

TEST_F(RowPainterTest, PipesAndOddIconFilesNeverHoldThePaint)
{
    DriveFixture drives("C");
    drives.directory("C:\\d");
    // A pipe with no writer under icon and text names, and an .ico that is
    // no picture: each row is drawn without waiting.
    for (const char* name : {"pipe.ico", "pipe.txt", "pipe"})
        ASSERT_EQ(::mkfifo(QFile::encodeName(drives.host(QStringLiteral("C:\\d\\") + name)), 0644),
                  0);
    drives.file("C:\\d\\junk.ico", 0, "not an icon");
    panel.path = "C:\\d";
    panel.entries = {entry("pipe.ico"), entry("pipe.txt"), entry("pipe"), entry("junk.ico")};
    options.iconMode = 2;
    for (int i = 0; i < 4; ++i) {
        QPixmap item;
        painter.iconFor(panel, i, options, &item);
        EXPECT_FALSE(panel.entries[size_t(i)].ownIcon);
        draw(i);
    }
}

TEST_F(RowPainterTest, FullRowColumnsAndColours)
{
    panel.entries = {entry("readme.txt", 350), entry("marked.txt", 350)};
    panel.entries[1].selected = true;
    const QImage plain = draw(0);
    const QImage blue = draw(1);

    // The cell is painted in the background colour, never highlighted.
    EXPECT_EQ(plain.pixelColor(599, 0), kBackground);
    EXPECT_EQ(plain.pixelColor(x0() - 2, 1), kBackground);
    // Marked text is blue, other text black.
    EXPECT_EQ(inkBetween(plain, x0(), 600, QColor(0, 0, 255)), 0);
    EXPECT_GT(inkBetween(blue, x0(), 600, QColor(0, 0, 255)), 0);
    EXPECT_GT(inkBetween(plain, x0(), 600, QColor(0, 0, 0)), 0);
    // The icon stands at x 2.
    EXPECT_GT(inkBetween(plain, 2, 18), 0);
    EXPECT_EQ(inkBetween(plain, 0, 2), 0);
    // The date begins at x0 + W3.
    const int w3 = x0() + options.columns.w3;
    EXPECT_GT(inkBetween(plain, w3, w3 + 20), 0);
    EXPECT_EQ(inkBetween(plain, w3 - 3, w3), 0);

    options.brief = true;
    const QImage brief = draw(0);
    EXPECT_EQ(inkBetween(brief, x0() + options.columns.w1, 600), 0);
}

TEST_F(RowPainterTest, NameIsClippedBeforeTheSizeColumn)
{
    panel.entries = {entry("averyveryverylongname_that_goes_on.txt", 5)};
    const QImage image = draw(0);
    const QFontMetrics fm(font);
    const int nameRight = x0() + options.columns.w1 - fm.horizontalAdvance(SizeText(5)) - 5;
    const int sizeLeft = x0() + options.columns.w1 - fm.horizontalAdvance("5");
    EXPECT_GT(inkBetween(image, x0(), nameRight), 0);
    EXPECT_EQ(inkBetween(image, nameRight, sizeLeft), 0);
}

TEST_F(RowPainterTest, AllCharactersShowsOnlyTheNameOverTheWholeRow)
{
    options.nameColumnChars = -1;
    options.columns = computeColumns(font, -1);
    const QString longName = QString(40, QLatin1Char('w')) + ".txt";
    panel.entries = {entry(longName, 12345)};
    const QImage image = draw(0);
    const QFontMetrics fm(font);
    const int nameEnd = x0() + fm.horizontalAdvance(longName);
    ASSERT_LT(nameEnd, 600);
    EXPECT_GT(inkBetween(image, x0() + options.columns.w3, nameEnd), 0);
    EXPECT_EQ(inkBetween(image, nameEnd + 2, 600), 0);
}

TEST_F(RowPainterTest, RowsOutsideTheEntriesOnlyErase)
{
    const QImage image = draw(3);
    EXPECT_EQ(inkBetween(image, 0, 600), 0);
}

TEST(DriveStatus, ImageAndText)
{
    DriveFixture drives("C");
    QImage image(300, 20, QImage::Format_RGB32);
    image.fill(Qt::black);
    QPainter p(&image);
    paintDriveStatus(p, QRect(0, 0, 300, 20), "Drive C: 9 MB Total, 3 MB Free.", Qt::white);
    p.end();
    EXPECT_EQ(image.pixelColor(299, 19), QColor(Qt::white));
    const QImage hd = PanelImages::instance().drive(1).toImage();
    int same = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            if (qAlpha(hd.pixel(x, y)) == 255)
                same += image.pixel(5 + x, 2 + y) == (hd.pixel(x, y) | 0xFF000000u);
    EXPECT_GT(same, 20);
}
