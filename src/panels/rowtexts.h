#pragma once

#include "panels/panelentry.h"

#include <QString>

namespace dovex {

class FileTypeTable;

enum class RowDetail { Attributes, FileType };

// The texts of a Full-view row after the name: the size column ("[UP--DIR]"
// for "..", "[SUB-DIR]" for other directories, else SizeText, so padded to 9
// characters), the detail and the date. In attribute mode the detail is
// AttrText and the date DateTimeText; in file-type mode the detail is " " and
// the folder type text for directories, " " and the type description for a
// file with a type record, else " " + the upper-cased extension without its
// dot (at most 4 characters) + "-File", and the date is empty. types may be
// null (no file has a record).
struct RowTexts {
    QString size;
    QString detail;
    QString date;

    static RowTexts of(const PanelEntry& entry, RowDetail mode, const FileTypeTable* types,
                       const QString& folderTypeText);
};

} // namespace dovex
