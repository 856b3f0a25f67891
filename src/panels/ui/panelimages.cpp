#include "panels/ui/panelimages.h"

#include <QIcon>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>

namespace dovex {

namespace {

constexpr QRgb kRowKey = qRgb(0, 255, 255);
constexpr QRgb kDriveKey = qRgb(255, 0, 0);

const QColor kOutline(64, 64, 64);
const QColor kPaper(255, 255, 255);
const QColor kNavy(0, 0, 128);
const QColor kGrey(192, 192, 192);
const QColor kDarkGrey(128, 128, 128);

QImage canvas(QRgb key)
{
    QImage image(PanelImages::kSize, PanelImages::kSize, QImage::Format_RGB32);
    image.fill(key);
    return image;
}

// A sheet with a folded top-right corner, leaving column 0 free.
void page(QPainter& p)
{
    const QPolygon sheet({{2, 0}, {10, 0}, {13, 3}, {13, 15}, {2, 15}});
    p.setPen(kOutline);
    p.setBrush(kPaper);
    p.drawPolygon(sheet);
    p.drawLine(10, 0, 10, 3);
    p.drawLine(10, 3, 13, 3);
}

void window(QPainter& p)
{
    p.setPen(kOutline);
    p.setBrush(kPaper);
    p.drawRect(1, 2, 13, 11);
    p.fillRect(2, 3, 12, 2, kNavy);
}

void gear(QPainter& p, int cx, int cy)
{
    p.setPen(QColor(96, 96, 96));
    p.setBrush(kGrey);
    for (int i = 0; i < 4; ++i) {
        const int dx = (i == 0) - (i == 1), dy = (i == 2) - (i == 3);
        p.fillRect(cx + dx * 3 - 1, cy + dy * 3 - 1, 2, 2, QColor(96, 96, 96));
    }
    p.drawEllipse(QPoint(cx, cy), 2, 2);
    p.setPen(kOutline);
    p.drawPoint(cx, cy);
}

void textLines(QPainter& p, int from, int to)
{
    p.setPen(kDarkGrey);
    for (int y = from; y <= to; y += 2)
        p.drawLine(4, y, 11, y);
}

void folder(QPainter& p)
{
    p.setPen(QColor(128, 96, 0));
    p.setBrush(QColor(255, 220, 80));
    p.drawPolygon(QPolygon({{1, 3}, {6, 3}, {7, 5}, {14, 5}, {14, 13}, {1, 13}}));
    p.setPen(QColor(255, 240, 160));
    p.drawLine(2, 6, 13, 6);
}

void computer(QPainter& p)
{
    p.setPen(kOutline);
    p.setBrush(kGrey);
    p.drawRect(2, 1, 11, 8);
    p.fillRect(4, 3, 8, 5, QColor(0, 0, 160));
    p.drawRect(1, 11, 13, 3);
    p.fillRect(10, 12, 2, 1, QColor(0, 160, 0));
}

void letter(QPainter& p, const QColor& color, const QList<QPoint>& stroke)
{
    QPen pen(color);
    pen.setWidth(1);
    p.setPen(pen);
    p.drawPolyline(QPolygon(stroke));
}

void unknownImage(QPainter& p)
{
    page(p);
    p.fillRect(5, 7, 6, 5, QColor(0, 128, 255));
    p.setPen(QColor(0, 128, 0));
    p.drawLine(5, 11, 7, 9);
    p.drawLine(7, 9, 10, 11);
}

void paintingImage(QPainter& p)
{
    page(p);
    p.fillRect(4, 5, 3, 3, QColor(220, 0, 0));
    p.fillRect(7, 8, 3, 3, QColor(0, 160, 0));
    p.fillRect(5, 11, 5, 2, QColor(0, 0, 220));
}

void helpBookImage(QPainter& p)
{
    p.setPen(kOutline);
    p.setBrush(QColor(96, 0, 128));
    p.drawRect(2, 1, 11, 13);
    p.fillRect(3, 13, 10, 1, kPaper);
    letter(p, QColor(255, 255, 0), {{6, 5}, {7, 4}, {9, 4}, {10, 5}, {10, 6}, {8, 8}, {8, 9}});
    p.drawPoint(8, 11);
}

void soundImage(QPainter& p)
{
    page(p);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0));
    p.drawPolygon(QPolygon({{4, 8}, {6, 8}, {9, 5}, {9, 13}, {6, 10}, {4, 10}}));
    p.setPen(kDarkGrey);
    p.drawLine(11, 7, 11, 11);
}

void notepadImage(QPainter& p)
{
    p.setPen(kOutline);
    p.setBrush(QColor(255, 255, 160));
    p.drawRect(2, 2, 10, 12);
    textLines(p, 5, 13);
    p.setPen(QColor(200, 120, 0));
    p.drawLine(8, 12, 14, 2);
    p.drawLine(9, 12, 14, 3);
}

void documentXImage(QPainter& p)
{
    page(p);
    letter(p, QColor(0, 128, 0), {{4, 5}, {11, 12}});
    letter(p, QColor(0, 128, 0), {{11, 5}, {4, 12}});
}

void archiveImage(QPainter& p)
{
    p.setPen(kOutline);
    p.setBrush(kGrey);
    p.drawRect(1, 4, 13, 9);
    p.drawRect(3, 9, 9, 3);
    p.fillRect(6, 10, 3, 1, kOutline);
    p.fillRect(11, 6, 2, 1, QColor(0, 160, 0));
}

void logImage(QPainter& p)
{
    page(p);
    letter(p, QColor(200, 0, 0), {{4, 13}, {7, 5}, {10, 13}});
    p.drawLine(5, 10, 9, 10);
}

void dosImage(QPainter& p)
{
    p.fillRect(1, 2, 14, 12, QColor(0, 0, 0));
    p.setPen(kPaper);
    p.drawLine(3, 5, 5, 7);
    p.drawLine(5, 7, 3, 9);
    p.drawLine(7, 9, 11, 9);
}

void registryImage(QPainter& p)
{
    page(p);
    for (int i = 0; i < 4; ++i)
        p.fillRect(4 + (i % 2) * 4, 5 + (i / 2) * 4, 3, 3, QColor(0, 0, 220));
}

void upArrowImage(QPainter& p)
{
    QPen pen(QColor(0, 96, 0));
    pen.setWidth(2);
    p.setPen(pen);
    p.drawPolyline(QPolygon({{13, 13}, {7, 13}, {7, 4}}));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 96, 0));
    p.drawPolygon(QPolygon({{3, 6}, {7, 1}, {11, 6}}));
}

void textImage(QPainter& p)
{
    page(p);
    textLines(p, 5, 13);
}

void documentWImage(QPainter& p)
{
    page(p);
    letter(p, QColor(0, 0, 200), {{4, 5}, {5, 12}, {7, 8}, {9, 12}, {11, 5}});
}

void systemFileImage(QPainter& p)
{
    page(p);
    gear(p, 7, 9);
}

void batchImage(QPainter& p)
{
    window(p);
    gear(p, 8, 9);
}

struct RowPainter {
    PanelImages::RowImage image;
    void (*draw)(QPainter&);
};

// Each row picture, in the order of PanelImages::RowImage.
constexpr std::array<RowPainter, PanelImages::kRowImages> kRowPainters{{
    {PanelImages::Folder, folder},
    {PanelImages::Unknown, unknownImage},
    {PanelImages::Program, window},
    {PanelImages::Painting, paintingImage},
    {PanelImages::Text, textImage},
    {PanelImages::Computer, computer},
    {PanelImages::HelpBook, helpBookImage},
    {PanelImages::Sound, soundImage},
    {PanelImages::Notepad, notepadImage},
    {PanelImages::DocumentW, documentWImage},
    {PanelImages::DocumentX, documentXImage},
    {PanelImages::Archive, archiveImage},
    {PanelImages::SystemFile, systemFileImage},
    {PanelImages::Batch, batchImage},
    {PanelImages::Log, logImage},
    {PanelImages::Dos, dosImage},
    {PanelImages::RegistryData, registryImage},
    {PanelImages::UpArrow, upArrowImage},
}};

constexpr bool rowPaintersInOrder()
{
    for (size_t i = 0; i < kRowPainters.size(); ++i)
        if (size_t(kRowPainters[i].image) != i || !kRowPainters[i].draw)
            return false;
    return true;
}
static_assert(rowPaintersInOrder(), "one painter per row image, in the order of RowImage");

void paintRow(QPainter& p, int index)
{
    if (index >= 0 && index < PanelImages::kRowImages)
        kRowPainters[size_t(index)].draw(p);
}

void paintDrive(QPainter& p, int index)
{
    switch (index) {
    case 0: // floppy drive
        p.setPen(kOutline);
        p.setBrush(QColor(40, 40, 40));
        p.drawRect(2, 1, 11, 13);
        p.fillRect(5, 2, 6, 4, kGrey);
        p.fillRect(4, 8, 8, 6, kPaper);
        break;
    case 2: // compact disc
        p.setPen(kDarkGrey);
        p.setBrush(QColor(210, 210, 230));
        p.drawEllipse(QPoint(8, 7), 6, 6);
        p.setBrush(QColor(255, 255, 255));
        p.drawEllipse(QPoint(8, 7), 1, 1);
        p.setPen(QColor(160, 120, 220));
        p.drawLine(10, 4, 12, 6);
        break;
    case 3: // computer with monitor
        computer(p);
        break;
    case 4: // memory chip
        p.fillRect(1, 4, 14, 7, QColor(0, 120, 60));
        for (int x = 2; x < 14; x += 4)
            p.fillRect(x, 5, 3, 4, QColor(20, 20, 20));
        for (int x = 2; x < 14; x += 2)
            p.fillRect(x, 11, 1, 2, QColor(220, 180, 0));
        break;
    default: // hard disk
        p.setPen(kOutline);
        p.setBrush(kGrey);
        p.drawRect(1, 5, 13, 6);
        p.fillRect(3, 8, 6, 1, kDarkGrey);
        p.fillRect(11, 8, 2, 1, QColor(0, 200, 0));
        break;
    }
}

QImage paintOn(QRgb key, int index, void (*draw)(QPainter&, int))
{
    QImage image = canvas(key);
    {
        QPainter p(&image);
        draw(p, index);
    }
    // The key pixel is the transparent colour; the picture never covers it.
    image.setPixel(0, PanelImages::kSize - 1, key);
    return image;
}

} // namespace

const PanelImages& PanelImages::instance()
{
    static const PanelImages images;
    return images;
}

PanelImages::PanelImages()
{
    for (int i = 0; i < kRowImages; ++i)
        m_rows[size_t(i)] = keyedOnBottomLeft(paintRowImage(i));
    for (int i = 0; i < kDriveImages; ++i)
        m_drives[size_t(i)] = keyedOnBottomLeft(paintDriveImage(i));
    const QIcon theme = QIcon::fromTheme(QStringLiteral("folder"));
    const QPixmap themed = theme.isNull() ? QPixmap() : theme.pixmap(kSize, kSize);
    m_folder = themed.isNull() ? m_rows[Folder] : themed;
}

QImage PanelImages::paintRowImage(int index)
{
    return paintOn(kRowKey, index, paintRow);
}

QImage PanelImages::paintDriveImage(int index)
{
    return paintOn(kDriveKey, index, paintDrive);
}

QPixmap PanelImages::keyedOnBottomLeft(const QImage& source)
{
    if (source.isNull())
        return QPixmap();
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = image.pixel(0, image.height() - 1) | 0xFF000000u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xFF000000u) == key)
                line[x] = 0;
    }
    return QPixmap::fromImage(image);
}

const QPixmap& PanelImages::row(int index) const
{
    return m_rows[size_t(index >= 0 && index < kRowImages ? index : Unknown)];
}

const QPixmap& PanelImages::drive(int index) const
{
    return m_drives[size_t(index >= 0 && index < kDriveImages ? index : 1)];
}

int PanelImages::driveImageIndex(DriveKind kind)
{
    switch (kind) {
    case DriveKind::Removable:
        return 0;
    case DriveKind::CdRom:
        return 2;
    case DriveKind::Remote:
        return 3;
    case DriveKind::RamDisk:
        return 4;
    default:
        return 1;
    }
}

} // namespace dovex
