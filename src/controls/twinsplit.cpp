#include "controls/twinsplit.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>

namespace dovex {

// The drag line: what lies under it in the parent, inverted, as a white pen
// in XOR mode would draw it. The parent is copied once when the drag
// begins, so moving the line needs no repaint of the windows under it.
class TSplitLine : public QWidget {
public:
    explicit TSplitLine(QWidget* parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_OpaquePaintEvent);
        hide();
    }
    void begin()
    {
        hide();
        m_snapshot = parentWidget()->grab().toImage();
        m_snapshot.invertPixels();
    }
    void end()
    {
        hide();
        m_snapshot = QImage();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        const qreal dpr = m_snapshot.devicePixelRatio();
        const QRect source(QPointF(x() * dpr, y() * dpr).toPoint(),
                           QSizeF(width() * dpr, height() * dpr).toSize());
        if (m_snapshot.isNull())
            p.fillRect(rect(), Qt::gray);
        else
            p.drawImage(rect(), m_snapshot, source);
    }

private:
    QImage m_snapshot;
};

TWinSplit::TWinSplit(QWidget* parent) : QWidget(parent)
{
    resize(3, 100);
    setFocusPolicy(Qt::NoFocus);
}

TWinSplit::~TWinSplit() = default;

QWidget* TWinSplit::dragLine() const
{
    return m_line;
}

void TWinSplit::setTargetControl(QWidget* target, TAlign targetAlign)
{
    if (m_dragging)
        endSplit(false);
    if (m_target)
        disconnect(m_target, nullptr, this, nullptr);
    if (!target || target == this || targetAlign == TAlign::alNone ||
        targetAlign == TAlign::alClient) {
        m_target = nullptr;
        m_align = TAlign::alNone;
        m_targetAlign = TAlign::alNone;
        unsetCursor();
        return;
    }
    m_target = target;
    m_targetAlign = targetAlign;
    m_align = targetAlign;
    m_vertical = targetAlign == TAlign::alLeft || targetAlign == TAlign::alRight;
    setCursor(m_vertical ? Qt::SplitHCursor : Qt::SplitVCursor);
    // A target that goes away ends a split in progress and is forgotten.
    connect(target, &QObject::destroyed, this, [this] {
        if (m_dragging)
            endSplit(false);
        m_target = nullptr;
        m_align = TAlign::alNone;
        unsetCursor();
    });
}

void TWinSplit::setMaxTargetSize(unsigned size)
{
    m_max = (size != 0 && size <= m_min) ? m_min : size;
}

void TWinSplit::setMinTargetSize(unsigned size)
{
    m_min = (m_max != 0 && size >= m_max) ? m_max : size;
}

int TWinSplit::newTargetSize(bool* clamped) const
{
    *clamped = false;
    if (!m_target)
        return 0;
    long long size;
    if (m_vertical)
        size = m_align == TAlign::alLeft ? m_target->width() + m_offset.x()
                                         : m_target->width() - m_offset.x();
    else
        size = m_align == TAlign::alTop ? m_target->height() + m_offset.y()
                                        : m_target->height() - m_offset.y();
    if (size < static_cast<long long>(m_min)) {
        *clamped = true;
        return int(m_min);
    }
    if (m_max != 0 && size > static_cast<long long>(m_max)) {
        *clamped = true;
        return int(m_max);
    }
    return int(size);
}

void TWinSplit::drawLine()
{
    if (!m_line)
        return;
    // The line is as thick as the bar and stands at the offset.
    const QPoint at = mapToParent(m_vertical ? QPoint(m_offset.x(), 0) : QPoint(0, m_offset.y()));
    m_line->setGeometry(QRect(at, size()));
    m_line->raise();
    m_line->show();
    m_line->repaint();
}

void TWinSplit::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || event->modifiers() != Qt::NoModifier)
        return;
    if (!parentWidget() || !m_target)
        return;
    setTargetControl(m_target, m_targetAlign); // the target's side is taken again
    const bool agrees = m_vertical ? (m_align == TAlign::alLeft || m_align == TAlign::alRight)
                                   : (m_align == TAlign::alTop || m_align == TAlign::alBottom);
    if (!agrees)
        return;
    emit OnBeginSplit(this);
    m_dragging = true;
    m_offset = QPoint(0, 0);
    if (!m_line)
        m_line = new TSplitLine(parentWidget());
    m_line->begin();
    drawLine();
}

void TWinSplit::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging)
        return;
    emit OnMoveSplit(this);
    const QPoint old = m_offset;
    const QPoint pos = event->position().toPoint();
    if (m_vertical)
        m_offset.setX(pos.x());
    else
        m_offset.setY(pos.y());
    bool clamped = false;
    const int size = newTargetSize(&clamped);
    if (clamped) {
        // The line stops at the limit itself, however far the pointer went
        // in one move, so that releasing there gives exactly the limit.
        const int targetSize = m_vertical ? m_target->width() : m_target->height();
        const bool growsWithOffset = m_align == TAlign::alLeft || m_align == TAlign::alTop;
        const int limitOffset = growsWithOffset ? size - targetSize : targetSize - size;
        m_offset = old;
        if (m_vertical)
            m_offset.setX(limitOffset);
        else
            m_offset.setY(limitOffset);
    }
    drawLine();
}

void TWinSplit::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_dragging)
        return;
    endSplit(true);
}

void TWinSplit::endSplit(bool apply)
{
    m_dragging = false;
    if (m_line)
        m_line->end();
    if (apply && m_target) {
        bool clamped = false;
        const int size = newTargetSize(&clamped);
        if (m_vertical)
            m_target->resize(size, m_target->height());
        else
            m_target->resize(m_target->width(), size);
    }
    m_offset = QPoint(0, 0);
    if (apply)
        emit OnEndSplit(this);
}

void TWinSplit::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
}

} // namespace dovex
