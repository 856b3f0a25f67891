#include "controls/clippainter.h"

#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace dovex {

namespace {

void folder(QPainter& p, const QRectF& r, const QColor& color)
{
    QPainterPath path;
    path.moveTo(r.left(), r.top() + r.height() * 0.2);
    path.lineTo(r.left() + r.width() * 0.4, r.top() + r.height() * 0.2);
    path.lineTo(r.left() + r.width() * 0.5, r.top());
    path.lineTo(r.right(), r.top());
    path.lineTo(r.right(), r.bottom());
    path.lineTo(r.left(), r.bottom());
    path.closeSubpath();
    p.setPen(QPen(color.darker(160), 1));
    p.setBrush(color);
    p.drawPath(path);
}

void sheet(QPainter& p, const QRectF& r, qreal opacity = 1.0)
{
    p.save();
    p.setOpacity(opacity);
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(90, 90, 200), 1));
    for (int i = 1; i <= 3; ++i) {
        const qreal y = r.top() + r.height() * i / 4.5;
        p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
    p.restore();
}

void bin(QPainter& p, const QRectF& r)
{
    p.setPen(QPen(Qt::darkGray, 1));
    p.setBrush(QColor(170, 170, 170));
    p.drawRect(QRectF(r.left(), r.top() + r.height() * 0.15, r.width(), r.height() * 0.85));
    p.drawRect(QRectF(r.left() - 2, r.top(), r.width() + 4, r.height() * 0.12));
}

void box(QPainter& p, const QRectF& r, qreal squeeze)
{
    p.setPen(QPen(QColor(120, 80, 30), 1));
    p.setBrush(QColor(210, 160, 90));
    p.drawRect(r.adjusted(0, r.height() * squeeze * 0.3, 0, 0));
    p.setPen(QPen(QColor(120, 80, 30), 2));
    p.drawLine(QPointF(r.center().x(), r.top() + r.height() * squeeze * 0.3),
               QPointF(r.center().x(), r.bottom()));
}

// A sheet travelling along an arc from one point to another.
QRectF flying(const QRectF& area, qreal t, bool leftToRight)
{
    const qreal w = area.height() * 0.32, h = area.height() * 0.4;
    const qreal x0 = area.left() + area.width() * 0.18, x1 = area.right() - area.width() * 0.18;
    const qreal x = leftToRight ? x0 + (x1 - x0) * t : x1 + (x0 - x1) * t;
    const qreal y = area.top() + area.height() * 0.45 - std::sin(t * M_PI) * area.height() * 0.35;
    return QRectF(x - w / 2, y - h / 2, w, h);
}

void paintTransfer(QPainter& p, const QRectF& a, qreal t, bool move)
{
    const qreal fw = a.height() * 0.55;
    const QRectF left(a.left() + 2, a.bottom() - fw * 0.8 - 2, fw, fw * 0.8);
    const QRectF right(a.right() - fw - 2, a.bottom() - fw * 0.8 - 2, fw, fw * 0.8);
    folder(p, left, move ? QColor(230, 200, 90).lighter(100 + int(30 * t)) : QColor(230, 200, 90));
    folder(p, right, QColor(230, 200, 90));
    sheet(p, flying(a, t, true));
}

void paintDelete(QPainter& p, const QRectF& a, qreal t)
{
    const qreal bw = a.height() * 0.45;
    bin(p, QRectF(a.right() - bw - 4, a.bottom() - bw * 1.1 - 2, bw, bw * 1.1));
    const qreal fw = a.height() * 0.55;
    folder(p, QRectF(a.left() + 2, a.bottom() - fw * 0.8 - 2, fw, fw * 0.8), QColor(230, 200, 90));
    sheet(p, flying(a, t, true), 1.0 - 0.7 * t * t);
}

void paintCheck(QPainter& p, const QRectF& a, qreal t)
{
    const qreal s = a.height() * 0.6;
    sheet(p, QRectF(a.center().x() - s * 0.4, a.top() + a.height() * 0.2, s * 0.8, s));
    const qreal cx = a.center().x() + std::cos(t * 2 * M_PI) * a.width() * 0.18;
    const qreal cy = a.center().y() + std::sin(t * 2 * M_PI) * a.height() * 0.15;
    const qreal r = a.height() * 0.16;
    p.setPen(QPen(QColor(60, 60, 60), 3));
    p.drawLine(QPointF(cx + r * 0.7, cy + r * 0.7), QPointF(cx + r * 1.8, cy + r * 1.8));
    p.setPen(QPen(QColor(60, 60, 60), 2));
    p.setBrush(QColor(180, 220, 255, 160));
    p.drawEllipse(QPointF(cx, cy), r, r);
}

void paintPack(QPainter& p, const QRectF& a, qreal t, bool compress)
{
    const qreal bw = std::min(a.width(), a.height()) * 0.5;
    const QRectF boxRect(a.center().x() - bw / 2, a.bottom() - bw - 1, bw, bw);
    const qreal phase = compress ? t : 1.0 - t;
    box(p, boxRect, compress ? t : 1.0 - t);
    const qreal h = a.height() * 0.35 * (1.0 - 0.6 * phase);
    const qreal w = a.height() * 0.28;
    const qreal y = a.top() + (boxRect.top() - a.top()) * phase;
    sheet(p, QRectF(a.center().x() - w / 2, y, w, h), 1.0 - 0.5 * phase);
}

} // namespace

void paintClip(QPainter& painter, const QRect& area, ClipKind clip, int frame)
{
    const qreal t = qreal(frame % kClipFrames) / qreal(kClipFrames - 1);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF a(area);
    switch (clip) {
    case ClipKind::Copy:
        paintTransfer(painter, a, t, false);
        break;
    case ClipKind::Move:
        paintTransfer(painter, a, t, true);
        break;
    case ClipKind::Delete:
        paintDelete(painter, a, t);
        break;
    case ClipKind::Check:
        paintCheck(painter, a, t);
        break;
    case ClipKind::Compress:
        paintPack(painter, a, t, true);
        break;
    case ClipKind::Decompress:
        paintPack(painter, a, t, false);
        break;
    case ClipKind::None:
        break;
    }
    painter.restore();
}

} // namespace dovex
