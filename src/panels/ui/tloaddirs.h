#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace dovex {

class TShellAnimation;

// "Reading Directories": the progress window of a tree read, with its
// animation and a status label that shows the directory being read. Cancel
// and Escape stop the read; the tree then shows what was read so far.
class TLoadDirs : public QDialog {
    Q_OBJECT
public:
    explicit TLoadDirs(QWidget* parent = nullptr);

    void setStatus(const QString& text);
    QString status() const;
    bool cancelled() const { return m_cancelled; }
    void start();
    QPushButton* cancelButton() const { return m_cancel; }

public slots:
    // Closing the window asks the read to stop; the reader hides it.
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    TShellAnimation* Animate1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* m_cancel = nullptr;
    bool m_cancelled = false;
};

} // namespace dovex
