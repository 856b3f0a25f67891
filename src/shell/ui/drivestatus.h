#pragma once

#include <QWidget>

namespace dovex {

// One panel of the status bar: the drive image and the DriveInfoText.
class TDriveStatus : public QWidget {
    Q_OBJECT
public:
    explicit TDriveStatus(QWidget* parent = nullptr);
    void setText(const QString& text);
    QString text() const { return m_text; }
    // The width the status bar gives the panel when it has the room; it
    // never holds the window wider than that leaves it.
    void setPreferredWidth(int width);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
    int m_preferred = 200;
};

} // namespace dovex
