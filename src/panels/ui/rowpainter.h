#pragma once

#include "panels/filepanel.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QPixmap>
#include <QRect>
#include <QString>

class QFontMetrics;
class QPainter;

namespace dovex {

class FileTypeTable;

// Where the columns of a Full row begin, measured from the name's left edge:
// sizes end at w1, the date begins at w3.
struct ColumnPositions {
    int w1 = 0;
    int w2 = 0;
    int w3 = 0;
};

// W1 is the width of the first nameColumnChars characters of 46 "X" and
// "X.XXX.XXXX" (for -1, "X.XXX.XXXX" alone); W2 adds an "X", W3 "XXXXX".
ColumnPositions computeColumns(const QFont& font, int nameColumnChars);

enum class DetailMode { Attributes, FileType };

// How rows are drawn; the window keeps one per panel list.
struct RowOptions {
    bool brief = false;       // the list shows 3 columns: icon and name only
    int nameColumnChars = 12; // 12, 16, 20, 25, 30 or -1 (names only)
    ColumnPositions columns;  // from computeColumns with the list's font
    DetailMode detail = DetailMode::Attributes;
    int iconMode = 0; // 0 internal, 1 default, 2 exe/lnk/ico, 3 all
    QColor background = Qt::white;
    QString folderTypeText; // FileTypeTable::folderTypeText()
};

// Draws one panel row. Mode 0 (the fast routine) never touches the disk or
// the icon theme; modes 1 to 3 take icons from the icon theme by MIME type,
// caching them per row (itemIcon) and per extension (in this painter, with
// the type record's known flag set), with the row images as fallback.
class RowPainter {
public:
    explicit RowPainter(FileTypeTable* types = nullptr);

    void setTypes(FileTypeTable* types) { m_types = types; }
    FileTypeTable* types() const { return m_types; }

    // Paints entry index of the panel into cell with the painter's font.
    // itemIcon is the list item's cached icon (may be null: no row cache); it
    // is read and, in modes 1 to 3, filled. Sets the entry's own-icon flag
    // when the entry gets an icon of its own.
    void paint(QPainter& painter, const QRect& cell, FilePanel& panel, int index,
               const RowOptions& options, QPixmap* itemIcon = nullptr);

    // The icon a row gets, without drawing (exposed for the tests).
    QPixmap iconFor(FilePanel& panel, int index, const RowOptions& options,
                    QPixmap* itemIcon = nullptr);

    // The texts of a Full row: the size column ("[UP--DIR]", "[SUB-DIR]" or
    // SizeText), the detail (file type or attributes) and the date (empty in
    // file-type mode).
    struct Texts {
        QString size;
        QString detail;
        QString date;
    };
    Texts textsFor(const PanelEntry& entry, const RowOptions& options) const;

    // The part of a row's cell the name is drawn in: a longer name is
    // clipped at its right edge.
    QRect nameRect(const QRect& cell, const PanelEntry& entry, const RowOptions& options,
                   const QFontMetrics& metrics) const;
    // The name as shown when the row clips it, else empty: what hovering
    // the row tells in a tooltip.
    QString clippedName(const QRect& cell, const PanelEntry& entry, const RowOptions& options,
                        const QFontMetrics& metrics) const;

    // Forgets the icons taken per extension.
    void clearIconCache() { m_extensionIcons.clear(); }

private:
    QPixmap fastIcon(const PanelEntry& entry, const QPixmap* itemIcon) const;
    QPixmap extractingIcon(FilePanel& panel, PanelEntry& entry, const RowOptions& options,
                           QPixmap* itemIcon);
    QPixmap recordIcon(const PanelEntry& entry) const;
    QPixmap themeIconFor(const FilePanel& panel, const PanelEntry& entry) const;

    FileTypeTable* m_types;
    QHash<QString, QPixmap> m_extensionIcons; // upper-cased extension -> icon
};

// Draws one status-bar panel: the drive image of the letter at the text's
// 7th character, then the text.
void paintDriveStatus(QPainter& painter, const QRect& rect, const QString& text,
                      const QColor& background);

} // namespace dovex
