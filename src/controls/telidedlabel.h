#pragma once

#include <QLabel>

namespace dovex {

// A one-line label that never lets its text run into its neighbour: a text
// too long for the label ends in an ellipsis a few pixels inside its edge,
// and the whole text is its tooltip then. text() is always the whole text.
class TElidedLabel : public QLabel {
    Q_OBJECT
public:
    explicit TElidedLabel(QWidget* parent = nullptr);

    // The text as it is drawn at the current width.
    QString displayedText() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};

} // namespace dovex
