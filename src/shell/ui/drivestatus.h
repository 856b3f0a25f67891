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
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString m_text;
};

} // namespace dovex
