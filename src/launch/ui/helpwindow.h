#pragma once

#include <QDialog>

class QTextBrowser;

namespace dovex {

// "Dovex Help Contents": the program's HTML manual in a browser window.
class THelpWindow : public QDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);
    // Loads the manual; false (with a line saying so in the window) when the
    // file is missing or unreadable.
    bool load(const QString& hostPath);
    QTextBrowser* browser() const { return m_browser; }

    // Where the manual is: beside the program (share/dovex/manual in an
    // installation), else in the source tree the build came from.
    static QString manualPath();

private:
    QTextBrowser* m_browser;
};

} // namespace dovex
