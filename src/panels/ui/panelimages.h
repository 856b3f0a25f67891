#pragma once

#include "platform/drivemap.h"

#include <QImage>
#include <QPixmap>

#include <array>

namespace dovex {

// The program's own small images, drawn by the program itself: 18 row images
// (0 folder, 1 unknown file, 2 program, 3 painting, 4 text, 5 computer, 6 help
// book, 7 sound, 8 notepad, 9 document W, 10 document X, 11 archive, 12 system
// file, 13 batch, 14 log, 15 DOS, 16 registry data, 17 up arrow) and 5 drive
// images (0 removable, 1 fixed, 2 CD-ROM, 3 remote, 4 RAM disk). All are 16 by
// 16 with real alpha. Needs a QGuiApplication.
class PanelImages {
public:
    static constexpr int kRowImages = 18;
    static constexpr int kDriveImages = 5;
    static constexpr int kSize = 16;

    enum RowImage {
        Folder = 0,
        Unknown = 1,
        Program = 2,
        Painting = 3,
        Text = 4,
        Computer = 5,
        HelpBook = 6,
        Sound = 7,
        Notepad = 8,
        DocumentW = 9,
        DocumentX = 10,
        Archive = 11,
        SystemFile = 12,
        Batch = 13,
        Log = 14,
        Dos = 15,
        RegistryData = 16,
        UpArrow = 17
    };

    // The shared set, drawn on first use.
    static const PanelImages& instance();

    PanelImages();

    // Row image 0..17; an index out of range gives image 1.
    const QPixmap& row(int index) const;
    const QPixmap& drive(int index) const;
    const QPixmap& driveFor(DriveKind kind) const { return drive(driveImageIndex(kind)); }
    // The folder icon of the desktop icon theme at 16 by 16, else image 0.
    const QPixmap& folder() const { return m_folder; }

    // removable 0, CD-ROM 2, remote 3, RAM disk 4, everything else 1.
    static int driveImageIndex(DriveKind kind);

    // The images as painted, on their key colour (cyan for rows, red for
    // drives), before the key colour is made transparent.
    static QImage paintRowImage(int index);
    static QImage paintDriveImage(int index);
    // Makes every pixel of the bottom-left pixel's colour transparent.
    static QPixmap keyedOnBottomLeft(const QImage& image);

private:
    std::array<QPixmap, kRowImages> m_rows;
    std::array<QPixmap, kDriveImages> m_drives;
    QPixmap m_folder;
};

} // namespace dovex
