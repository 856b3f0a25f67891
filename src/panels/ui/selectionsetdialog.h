#pragma once

#include <QDialog>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace dovex {

// The "Selectionset" dialog: one edit field with OK (default) and Cancel.
// The caller sets the caption ("Select Files", "Deselect Files", "Set
// Filter", "Enter Split Size for Files in Kb") and the edit text; the caption
// is the only instruction, so it stands above the field too (a window
// manager shortens titles). The edit field takes the focus each time the
// dialog is activated.
class TForm8 : public QDialog {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    QLineEdit* edit() const { return m_edit; }
    QLabel* prompt() const { return m_prompt; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }

    // Sets caption and text, centres the dialog on the screen, runs it
    // modally: the edited text on OK, nullopt on Cancel.
    std::optional<QString> ask(const QString& caption, const QString& text);

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;

private:
    QLabel* m_prompt;
    QLineEdit* m_edit;
    QPushButton* m_ok;
    QPushButton* m_cancel;
};

} // namespace dovex
