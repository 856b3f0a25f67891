#pragma once

#include "archive/archivertools.h"
#include "archive/ops/compression.h"

#include <QDialog>

#include <array>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace dovex {

class ArchiveProgress;
class Prompter;
class TForm2;

// "Compression Tools": the method, its options and the target of a compress
// run (Update) or an extraction (Decompress). OK composes the command and
// runs it, showing the run in the given progress window.
class TForm10 : public QDialog {
    Q_OBJECT
public:
    // FormCreate: writes the missing default slots and loads the table.
    TForm10(Prompter& prompter, ArchiveProgress& progress, QWidget* parent = nullptr);
    ~TForm10() override;

    // Compress mode for the chosen entries of a panel (nothing marked: the
    // cursor entry); the archive is proposed in the other panel's directory.
    // Shows the dialog modally; returns the run's outcome, nothing when
    // cancelled.
    std::optional<CompressionOutcome> Update(const PanelEntries& entries, int cursor,
                                             const QString& sourceDirectory,
                                             const QString& otherDirectory);
    // Decompress mode for one archive into targetDirectory (the other
    // panel's directory).
    std::optional<CompressionOutcome> Decompress(const QString& archivePath,
                                                 const QString& targetDirectory);

    // The preparing steps alone (the tests drive the dialog without its
    // modal loop).
    void prepareCompress(const PanelEntries& entries, int cursor, const QString& sourceDirectory,
                         const QString& otherDirectory);
    void prepareDecompress(const QString& archivePath, const QString& targetDirectory);

    // Enables the options the checked method supports.
    void MethodClick();
    // OK: composes and runs the command of the current mode.
    CompressionOutcome BitBtn1Click();
    // "Seek...": the search for archiver programs.
    void BitBtn3Click();

    // What OK would run.
    CompressRequest compressRequest() const;
    ExtractRequest extractRequest() const;
    const ArchiverToolTable& tools() const { return m_tools; }
    bool decompressMode() const { return m_decompress; }

    QGroupBox* GroupBox1;       // "Method"
    QGroupBox* GroupBox2;       // "Options"
    QRadioButton* RadioButton1; // "Pkzip"
    QRadioButton* RadioButton2; // "Zip (internal)"
    QRadioButton* RadioButton3; // "MsCompress"
    QRadioButton* RadioButton4; // "Tar (internal)" ...: decompress mode of a libarchive kind
    std::array<QRadioButton*, 7> Custom{}; // Custom1 .. custom7, tag = slot
    QCheckBox* CheckBox1;                  // "Include subdirectory's"
    QCheckBox* CheckBox2;                  // 1.44 MB volumes
    QCheckBox* CheckBox3;                  // "Password."
    QCheckBox* CheckBox4;                  // "Compress All files."
    QLineEdit* Edit1;                      // target
    QLineEdit* Edit2;                      // password
    QLabel* Label1;
    QPushButton* BitBtn1; // OK
    QPushButton* BitBtn2; // Cancel
    QPushButton* BitBtn3; // "Seek..."

private:
    void FormCreate();
    void layoutControls();
    void layoutMethods();
    void layoutOptions();
    void layoutButtons();
    // Checks a method button; a change runs MethodClick as a click does.
    void checkMethod(QRadioButton* button);
    QList<QRadioButton*> methodButtons() const;
    CompressMethod checkedMethod(int* slot) const;
    // The hint of "Password." for the method checked: how the password
    // reaches the tool, or that it is refused.
    void showPasswordHint();
    static bool on(const QCheckBox* box);

    Prompter& m_prompter;
    ArchiveProgress& m_progress;
    ArchiverToolTable m_tools;
    TForm2* m_copyWindow = nullptr;
    bool m_decompress = false;
    QString m_targetText;
    QString m_sourceDirectory;
    QString m_archive;
    CompressSelection m_selection;
};

} // namespace dovex
