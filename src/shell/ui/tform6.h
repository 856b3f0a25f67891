#pragma once

#include "shell/sysinfo.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

namespace dovex {

// "System Info": a fixed window with a two-column table of the processor,
// the screen, the memory, the operating system and the disks. The table is
// filled again each time the window becomes active.
class TForm6 : public QDialog {
    Q_OBJECT
public:
    explicit TForm6(QWidget* parent = nullptr);

    // Fills the table now (activation does it too).
    void fill();
    QTableWidget* grid() const { return Grid; }
    QPushButton* button() const { return Button; }
    // Where the texts are read from (tests).
    void setSources(const sysinfo::Sources& sources) { m_sources = sources; }

protected:
    bool event(QEvent* event) override;

private:
    void fitToText();

    QTableWidget* Grid = nullptr;
    QPushButton* Button = nullptr;
    sysinfo::Sources m_sources;
};

} // namespace dovex
