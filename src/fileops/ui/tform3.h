#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace dovex {

// The operation dialog: the question, the destination with its browse
// button, "Include Subdirectory's", OK, Cancel and Compress. One instance
// lives for the whole run, so the check box keeps the last choice.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    // The result of the Compress button.
    static constexpr int CompressResult = 4;

    explicit TForm3(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;
    QToolButton* SpeedButton1;
    QCheckBox* CheckBox1;
    QPushButton* BitBtn1;
    QPushButton* BitBtn2;
    QPushButton* BitBtn3;
    // The control that gets the focus when the dialog next shows (then
    // forgotten); without one the target field, else OK.
    QWidget* focusOnShow = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void SpeedButton1Click();
};

// The folder picker: a directory chosen in the platform's dialog, titled
// "Browse For Directory", as a drive-letter path; defaultPath on Cancel, and
// after "An error has Occured" when the folder lies on no drive.
QString BrowseForDirectory(QWidget* owner, const QString& defaultPath);

} // namespace dovex
