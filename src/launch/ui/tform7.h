#pragma once

#include "launch/custombuttons.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace dovex {

// Config Speedbar: the fields of one custom button. One instance lives for
// the whole run.
class TForm7 : public QDialog {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);

    // Shows button in the fields; fields() reads them back.
    void setFields(const CustomButton& button);
    CustomButton fields() const;

    QLineEdit* Edit1; // Button Name
    QLineEdit* Edit2; // File/Dir- Name
    QLineEdit* Edit3; // WorkDirectory
    QLineEdit* Edit4; // Button Icon
    QLineEdit* Edit5; // Parameters
    QComboBox* ComboBox1;
    QCheckBox* CheckBox1;
    QPushButton* BrowseFile;
    QPushButton* BrowseIcon;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;

    // The file dialog the two "Browse..." buttons open: a drive-letter path
    // to start from (its name and directory), the chosen drive-letter path
    // back, or empty on Cancel. Tests replace it.
    std::function<QString(const QString& start)> chooseFile;

private:
    void browseFile();
    void browseIcon();
};

} // namespace dovex
