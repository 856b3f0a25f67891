#include "controls/twin97button.h"

#include <QApplication>
#include <QDateTime>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QShortcutEvent>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace dovex {

namespace {

// One checkered brush for every held-down button, made when the first
// button needs it and dropped with the last button.
int g_buttons = 0;
QBrush* g_pattern = nullptr;

const QBrush& heldDownBrush(const QPalette& pal)
{
    if (!g_pattern) {
        QImage img(8, 8, QImage::Format_RGB32);
        const QRgb a = pal.color(QPalette::Button).rgb();
        const QRgb b = pal.color(QPalette::Light).rgb();
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                img.setPixel(x, y, (x + y) % 2 ? a : b);
        g_pattern = new QBrush(img);
    }
    return *g_pattern;
}

void edge(QPainter& p, const QRect& r, const QColor& topLeft, const QColor& bottomRight)
{
    p.setPen(topLeft);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(bottomRight);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

// The button's edges: two for the classic style, one for the flat one
// (and none while it lies flat and untouched).
void paintFrame(QPainter& p, const QPalette& pal, const QRect& r, TButtonStyle style, bool sunken,
                bool raised)
{
    const QColor light = pal.color(QPalette::Light);
    const QColor mid = pal.color(QPalette::Mid);
    const QColor dark = pal.color(QPalette::Shadow);
    if (style == TButtonStyle::bsWin95) {
        if (sunken) {
            edge(p, r.adjusted(0, 0, -1, -1), dark, light);
            edge(p, r.adjusted(1, 1, -2, -2), mid, pal.color(QPalette::Button));
        } else {
            edge(p, r.adjusted(0, 0, -1, -1), light, dark);
            edge(p, r.adjusted(1, 1, -2, -2), pal.color(QPalette::Button), mid);
        }
    } else if (sunken) {
        edge(p, r.adjusted(0, 0, -1, -1), mid, light);
    } else if (raised) {
        edge(p, r.adjusted(0, 0, -1, -1), light, mid);
    }
}

// Where the image and the caption go in area, placed as the layout says:
// centred together, or margin from the side the image is on.
struct Placement {
    QPoint glyph;
    QPoint text;
};

Placement placeContent(QSize area, QSize is, QSize ts, TButtonLayout layout, int margin, int gap)
{
    const bool horizontal =
        layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphRight;
    const int total = horizontal ? is.width() + gap + ts.width() : is.height() + gap + ts.height();
    const int extent = horizontal ? area.width() : area.height();
    int start = margin < 0 ? (extent - total) / 2 : margin;
    const bool glyphFirst =
        layout == TButtonLayout::blGlyphLeft || layout == TButtonLayout::blGlyphTop;
    if (!glyphFirst && margin >= 0)
        start = extent - margin - total;
    if (horizontal) {
        const int gx = glyphFirst ? start : start + ts.width() + gap;
        const int tx = glyphFirst ? start + is.width() + gap : start;
        return {QPoint(gx, (area.height() - is.height()) / 2),
                QPoint(tx, (area.height() - ts.height()) / 2)};
    }
    const int gy = glyphFirst ? start : start + ts.height() + gap;
    const int ty = glyphFirst ? start + is.height() + gap : start;
    return {QPoint((area.width() - is.width()) / 2, gy),
            QPoint((area.width() - ts.width()) / 2, ty)};
}

// A small downward triangle in the font colour, outlined in the face colour.
void paintDropMark(QPainter& p, const QPalette& pal, QSize area)
{
    const int right = area.width() - 8;
    const int bottom = area.height() - 4;
    p.setPen(pal.color(QPalette::Button));
    p.drawRect(right - 7, bottom - 5, 8, 5);
    p.setPen(pal.color(QPalette::ButtonText));
    for (int row = 0; row < 4; ++row)
        p.drawLine(right - 6 + row, bottom - 4 + row, right - row, bottom - 4 + row);
}

} // namespace

TWin97Button::TWin97Button(QWidget* parent) : QWidget(parent)
{
    ++g_buttons;
    resize(25, 25);
    setAttribute(Qt::WA_Hover);
    setFocusPolicy(Qt::NoFocus);
}

TWin97Button::~TWin97Button()
{
    if (--g_buttons == 0) {
        delete g_pattern;
        g_pattern = nullptr;
    }
}

void TWin97Button::setStyle(TButtonStyle style)
{
    m_style = style;
    update();
}

void TWin97Button::setJumpUp(bool on)
{
    m_jumpUp = on;
    update();
}

void TWin97Button::setGlyph(const QPixmap& glyph)
{
    m_glyph = glyph;
    // A strip whose width is a multiple of its height holds that many images.
    if (!glyph.isNull() && glyph.height() > 0 && glyph.width() % glyph.height() == 0)
        m_numGlyphs = std::clamp(glyph.width() / glyph.height(), 1, 4);
    update();
}

void TWin97Button::setNumGlyphs(int count)
{
    m_numGlyphs = std::clamp(count, 1, 4);
    update();
}

void TWin97Button::setLayout(TButtonLayout layout)
{
    m_layout = layout;
    update();
}

void TWin97Button::setMargin(int margin)
{
    m_margin = std::max(-1, margin);
    update();
}

void TWin97Button::setSpacing(int spacing)
{
    m_spacing = spacing;
    update();
}

void TWin97Button::setGroupIndex(int index)
{
    m_groupIndex = index;
    if (index == 0 && m_down) {
        m_down = false;
        updateState();
    }
}

QList<TWin97Button*> TWin97Button::groupMates() const
{
    QList<TWin97Button*> out;
    if (!parentWidget() || m_groupIndex == 0)
        return out;
    for (QObject* o : parentWidget()->children())
        if (auto* b = qobject_cast<TWin97Button*>(o);
            b && b != this && b->m_groupIndex == m_groupIndex)
            out << b;
    return out;
}

void TWin97Button::setDown(bool down)
{
    if (m_groupIndex == 0)
        down = false;
    if (down == m_down)
        return;
    if (m_down && !m_allowAllUp)
        return; // a held-down button of a group is released by pressing another
    m_down = down;
    if (down) {
        for (TWin97Button* b : groupMates()) {
            b->m_down = false;
            b->m_allowAllUp = m_allowAllUp;
            b->updateState();
        }
    }
    updateState();
}

void TWin97Button::setAllowAllUp(bool on)
{
    m_allowAllUp = on;
    for (TWin97Button* b : groupMates())
        b->m_allowAllUp = on;
}

void TWin97Button::setDropMenu(QMenu* menu)
{
    if (m_dropMenu)
        disconnect(m_dropMenu, nullptr, this, nullptr);
    m_dropMenu = menu;
    if (menu) {
        connect(menu, &QMenu::aboutToHide, this, [this] {
            m_menuShown = false;
            m_menuClosedAt = QDateTime::currentMSecsSinceEpoch();
            updateState();
        });
    }
    update();
}

void TWin97Button::setPopupMark(bool on)
{
    m_popupMark = on;
    update();
}

void TWin97Button::setCaption(const QString& caption)
{
    m_caption = caption;
    updateShortcut();
    update();
}

void TWin97Button::updateShortcut()
{
    if (m_shortcutId)
        releaseShortcut(m_shortcutId);
    m_shortcutId = 0;
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (!key.isEmpty())
        m_shortcutId = grabShortcut(key, Qt::WindowShortcut);
}

bool TWin97Button::menuOpen() const
{
    return m_menuShown && m_dropMenu && m_dropMenu->isVisible();
}

void TWin97Button::updateState()
{
    if (!isEnabled())
        m_state = TButtonState::bsDisabled;
    else if (m_down)
        m_state = TButtonState::bsExclusive;
    else if (m_menuShown || (m_tracking && m_mouseInside))
        m_state = TButtonState::bsDown;
    else
        m_state = TButtonState::bsUp;
    update();
}

bool TWin97Button::raised() const
{
    if (m_state == TButtonState::bsDown || m_state == TButtonState::bsExclusive)
        return false;
    if (m_style == TButtonStyle::bsWin95)
        return true;
    return m_jumpUp && m_mouseInside && isEnabled();
}

bool TWin97Button::sunken() const
{
    return m_state == TButtonState::bsDown || m_state == TButtonState::bsExclusive;
}

QPixmap TWin97Button::currentGlyph() const
{
    if (m_glyph.isNull())
        return {};
    const int w = m_glyph.width() / m_numGlyphs;
    int index = int(m_state);
    if (index >= m_numGlyphs)
        index = 0;
    QPixmap image = m_glyph.copy(index * w, 0, w, m_glyph.height());
    if (m_state == TButtonState::bsDisabled && m_numGlyphs < 2) {
        QStyleOption opt;
        opt.initFrom(this);
        image = style()->generatedIconPixmap(QIcon::Disabled, image, &opt);
    }
    return image;
}

void TWin97Button::click()
{
    if (!isEnabled())
        return;
    if (m_groupIndex != 0)
        setDown(!m_down);
    emit clicked();
}

void TWin97Button::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    if (m_state == TButtonState::bsExclusive)
        p.fillRect(rect(), heldDownBrush(pal));
    else
        p.fillRect(rect(), pal.color(QPalette::Button));
    paintFrame(p, pal, rect(), m_style, sunken(), raised());

    // Image and caption, placed as the layout says; pressed moves them.
    const QPixmap image = currentGlyph();
    const QSize is = image.isNull() ? QSize(0, 0) : image.deviceIndependentSize().toSize();
    const QFontMetrics fm = fontMetrics();
    const QString text = QString(m_caption).remove(QRegularExpression(QStringLiteral("&(?!&)")));
    const QSize ts = text.isEmpty() ? QSize(0, 0) : QSize(fm.horizontalAdvance(text), fm.height());
    const int gap = (!image.isNull() && !text.isEmpty()) ? std::max(0, m_spacing) : 0;
    const int shift = m_state == TButtonState::bsDown ? 1 : 0;
    const Placement at = placeContent(size(), is, ts, m_layout, m_margin, gap);
    if (!image.isNull())
        p.drawPixmap(at.glyph + QPoint(shift, shift), image);
    if (!text.isEmpty()) {
        p.setPen(
            pal.color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        const QRect textRect(at.text + QPoint(shift, shift), ts);
        p.drawText(textRect, Qt::AlignCenter | Qt::TextShowMnemonic, m_caption);
    }
    if (m_dropMenu && m_popupMark)
        paintDropMark(p, pal, size());
}

void TWin97Button::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !isEnabled() || m_down)
        return;
    if (m_dropMenu) {
        if (menuOpen()) {
            m_dropMenu->close();
            return;
        }
        // The press that closed the menu reaches the button too: it must not
        // open it again at once.
        if (QDateTime::currentMSecsSinceEpoch() - m_menuClosedAt < 150)
            return;
        m_menuShown = true;
        updateState();
        m_dropMenu->popup(mapToGlobal(rect().bottomLeft() + QPoint(0, 1)));
        return;
    }
    m_tracking = true;
    m_mouseInside = true;
    updateState();
}

void TWin97Button::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_tracking)
        return;
    const bool inside = rect().contains(event->position().toPoint());
    if (inside != m_mouseInside) {
        m_mouseInside = inside;
        updateState();
    }
}

void TWin97Button::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_tracking)
        return;
    m_tracking = false;
    const bool inside = rect().contains(event->position().toPoint());
    m_mouseInside = inside;
    if (inside) {
        if (m_groupIndex != 0)
            setDown(!m_down);
        updateState();
        emit clicked();
    } else {
        updateState();
    }
}

void TWin97Button::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    m_mouseInside = true;
    updateState();
}

void TWin97Button::leaveEvent(QEvent* event)
{
    QWidget::leaveEvent(event);
    if (!m_tracking) {
        m_mouseInside = false;
        updateState();
    }
}

void TWin97Button::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled())
            m_tracking = false;
        updateState();
    }
}

bool TWin97Button::event(QEvent* event)
{
    if (event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->shortcutId() == m_shortcutId) {
        click();
        return true;
    }
    return QWidget::event(event);
}

} // namespace dovex
