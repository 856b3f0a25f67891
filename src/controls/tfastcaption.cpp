#include "controls/tfastcaption.h"

#include <QPainter>

namespace dovex {

TFastCaption::TFastCaption(QWidget* parent) : QWidget(parent)
{
    // Opaque: Qt does not clear the area first, paintEvent covers it all.
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(80, 18);
}

void TFastCaption::setCaption(const QString& text)
{
    if (text == m_caption)
        return;
    m_caption = text;
    repaint();
}

void TFastCaption::SetClipOptions(TClipOptions options)
{
    m_clip = options;
    repaint();
}

QString shortenPath(const QString& path, const QFontMetrics& metrics, int width)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    const QStringList parts = path.split('\\');
    if (parts.size() > 2) {
        // Drop directories next to the middle until it fits; keep the
        // first component (the drive) and the last (the name).
        QStringList kept = parts;
        while (kept.size() > 2) {
            kept.removeAt(kept.size() / 2 == kept.size() - 1 ? 1 : kept.size() / 2);
            QStringList shown = kept;
            shown.insert(1, QStringLiteral("..."));
            const QString candidate = shown.join('\\');
            if (metrics.horizontalAdvance(candidate) <= width)
                return candidate;
        }
        const QString head = parts.first() + QStringLiteral("\\...\\");
        return head + metrics.elidedText(parts.last(), Qt::ElideLeft,
                                         std::max(0, width - metrics.horizontalAdvance(head)));
    }
    return metrics.elidedText(path, Qt::ElideMiddle, width);
}

QString TFastCaption::displayedText() const
{
    const QFontMetrics fm(font());
    switch (m_clip) {
    case TClipOptions::coPath:
        return shortenPath(m_caption, fm, width());
    case TClipOptions::coEnd:
        return fm.elidedText(m_caption, Qt::ElideRight, width());
    case TClipOptions::coNone:
        break;
    }
    return m_caption;
}

void TFastCaption::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QColor background = palette().color(backgroundRole());
    const QString text = displayedText();
    const int textWidth = std::min(width(), fontMetrics().horizontalAdvance(text));
    const QRect textRect(0, 0, textWidth, height());
    p.fillRect(textRect, background);
    p.setPen(palette().color(foregroundRole()));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    // Only the part right of the text is filled, so a shorter text leaves no
    // remnant and the label is never erased as a whole.
    p.fillRect(QRect(textWidth, 0, width() - textWidth, height()), background);
}

} // namespace dovex
