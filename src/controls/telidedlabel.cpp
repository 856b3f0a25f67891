#include "controls/telidedlabel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace dovex {

namespace {

// Room kept free at each end, so two labels side by side never touch.
constexpr int kMargin = 2;

} // namespace

TElidedLabel::TElidedLabel(QWidget* parent) : QLabel(parent)
{
    setContentsMargins(kMargin, 0, kMargin, 0);
    setTextFormat(Qt::PlainText);
}

QString TElidedLabel::displayedText() const
{
    return fontMetrics().elidedText(text(), Qt::ElideRight, contentsRect().width());
}

void TElidedLabel::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(foregroundRole()));
    p.drawText(contentsRect(), int(alignment()) | Qt::TextSingleLine, displayedText());
}

bool TElidedLabel::event(QEvent* event)
{
    // The whole text shows on hovering only when the label cuts it.
    if (event->type() == QEvent::ToolTip) {
        if (displayedText() != text())
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
        else
            QToolTip::hideText();
        return true;
    }
    return QLabel::event(event);
}

} // namespace dovex
