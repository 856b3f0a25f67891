#pragma once

#include "fileops/attributes.h"

#include <QDateTime>
#include <QDialog>

#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dovex {

// File Properties: the four attribute boxes, the date and time fields in
// the system's short date and long time formats, "Include Subdirs" and
// "Set Date && Time". Kept for the run like the other operation windows.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // One file: two-state boxes checked for the bits it has, its time shown.
    void prefillSingle(std::uint32_t attributes, const QDateTime& modified);
    // Several entries or a directory: grayed boxes, the current time.
    void prefillSeveral(const QDateTime& now);

    // The typed date, a blank and the typed time, as the person sees them.
    QString dateTimeText() const;
    // That text converted with the two formats; nullopt when it is no valid
    // date and time a file can carry.
    std::optional<std::uint32_t> typedDosDate() const;
    // The masks, the time and the subdirectory choice as the boxes say.
    AttributeRequest request() const;

    // The numeric formats the fields use: the system's, with every number
    // at its full width so that the input mask can hold it.
    static QString dateFormat();
    static QString timeFormat();

    QLabel* Label3;
    QGroupBox* GroupBox1;
    QCheckBox* CheckBox1; // System
    QCheckBox* CheckBox2; // Hidden
    QCheckBox* CheckBox3; // Read Only
    QCheckBox* CheckBox4; // Archive
    QGroupBox* GroupBox2;
    QLabel* Label1;
    QLineEdit* MaskEdit1;
    QLabel* Label2;
    QLineEdit* MaskEdit2;
    QCheckBox* CheckBox5; // Include Subdirs
    QCheckBox* DateTime;  // Set Date && Time
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    void DateTimeClick();

private:
    void makeAttributeGroup();
    void makeDateTimeGroup();
    void layoutForm();
    void setDateTime(const QDateTime& when);
    std::array<QCheckBox*, 4> boxes() const;
};

} // namespace dovex
