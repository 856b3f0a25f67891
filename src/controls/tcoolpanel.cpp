#include "controls/tcoolpanel.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>
#include <cstdint>

namespace dovex {

namespace {

// While a grip is dragged the application shows no hints: a tooltip popping
// up under the pointer would hide the panels being resized.
class HintBlocker : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::ToolTip; }
};

HintBlocker& hintBlocker()
{
    static HintBlocker blocker;
    return blocker;
}

void frame3D(QPainter& p, const QRect& r, const QColor& light, const QColor& dark)
{
    p.setPen(light);
    p.drawLine(r.topLeft(), r.topRight());
    p.drawLine(r.topLeft(), r.bottomLeft());
    p.setPen(dark);
    p.drawLine(r.bottomLeft(), r.bottomRight());
    p.drawLine(r.topRight(), r.bottomRight());
}

// No band is wider than this, whatever the settings file says.
constexpr int kMaxBandWidth = 1 << 15;

// The order in which bands give way: never expanded by hand first, from the
// right; then those expanded by hand, the earliest first.
std::vector<size_t> givingOrder(const std::vector<BandFit>& bands)
{
    std::vector<size_t> order;
    for (size_t i = bands.size(); i-- > 0;)
        if (!bands[i].fills)
            order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&bands](size_t a, size_t b) {
        return bands[a].priority < bands[b].priority;
    });
    return order;
}

} // namespace

std::vector<int> FitBands(const std::vector<BandFit>& bands, int rowWidth)
{
    std::vector<int> widths;
    std::int64_t used = 0;
    for (const BandFit& b : bands) {
        const int collapsed = std::max(1, b.collapsed);
        widths.push_back(b.fills ? collapsed : std::clamp(b.wanted, collapsed, kMaxBandWidth));
        used += widths.back();
    }
    std::int64_t excess = used - rowWidth;
    for (const size_t i : givingOrder(bands)) {
        if (excess <= 0)
            break;
        const int room = widths[i] - std::max(1, bands[i].collapsed);
        const int give = int(std::min<std::int64_t>(excess, room));
        widths[i] -= give;
        excess -= give;
    }
    // The filling band takes what is left.
    for (size_t i = 0; i < bands.size(); ++i)
        if (bands[i].fills && excess < 0)
            widths[i] += int(std::min<std::int64_t>(-excess, kMaxBandWidth));
    return widths;
}

TNewGraphicControl::TNewGraphicControl(TcoolPanel* panel) : QWidget(panel), m_panel(panel)
{
    setObjectName(QStringLiteral("Grip"));
    setCursor(Qt::SizeHorCursor);
    setGeometry(0, 0, kWidth, panel->height());
}

TNewGraphicControl::~TNewGraphicControl()
{
    // A grip that goes mid-drag gives the application its hints back.
    if (m_dragging)
        qApp->removeEventFilter(&hintBlocker());
}

void TNewGraphicControl::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QPalette& pal = palette();
    // Two ridges side by side, each a one-pixel raised frame.
    for (int x : {2, 5})
        frame3D(p, QRect(QPoint(x, 3), QPoint(x + 2, height() - 2)), pal.color(QPalette::Light),
                pal.color(QPalette::Dark));
}

bool TNewGraphicControl::event(QEvent* event)
{
    // The grip shows its hint only when there is one.
    if (event->type() == QEvent::ToolTip && m_panel->CoolHint().isEmpty())
        return true;
    return QWidget::event(event);
}

void TNewGraphicControl::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_dragging = false;
    m_downX = event->position().toPoint().x();
    m_downRowX = m_panel->parentWidget()->mapFromGlobal(event->globalPosition()).toPoint().x();
}

void TNewGraphicControl::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed)
        return;
    QWidget* row = m_panel->parentWidget();
    TcoolPanel* target = m_panel->Targetcontrol();
    // The grip moves with the drag: the pointer is taken in the row.
    const int rowX = row->mapFromGlobal(event->globalPosition()).toPoint().x();
    if (!m_dragging) {
        if (!target || rowX == m_downRowX)
            return;
        m_dragging = true;
        qApp->installEventFilter(&hintBlocker());
        QToolTip::hideText();
        grabMouse();
    }
    // The target's right edge follows the pointer, never narrower than its
    // collapsed width; what it gives up goes to this panel. What the row then
    // shows of the two is what the person chose.
    const int wanted = std::max(target->Collapsedwidth(), rowX - m_downX - target->x());
    const int delta = wanted - target->width();
    if (delta == 0)
        return;
    row->setUpdatesEnabled(false);
    target->choose(wanted);
    if (delta < 0 && !m_panel->fillsRow())
        m_panel->choose(m_panel->width() - delta);
    TcoolPanel::refitRow(row);
    target->choose(target->width());
    if (!m_panel->fillsRow())
        m_panel->choose(m_panel->width());
    row->setUpdatesEnabled(true);
    // Redrawn now, not at the next idle moment, so the panels follow the pointer.
    row->repaint();
}

void TNewGraphicControl::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    const bool wasDrag = m_dragging;
    endDrag();
    if (!wasDrag)
        emit OnCollapse();
}

void TNewGraphicControl::endDrag()
{
    m_pressed = false;
    if (m_dragging) {
        m_dragging = false;
        qApp->removeEventFilter(&hintBlocker());
        releaseMouse();
    }
}

TcoolPanel::TcoolPanel(QWidget* row, int width)
    : QWidget(row), m_grip(new TNewGraphicControl(this)), m_expandedWidth(width)
{
    setAutoFillBackground(true);
    resize(width, row ? row->height() : 31);
    connect(m_grip, &TNewGraphicControl::OnCollapse, this, &TcoolPanel::toggle);
}

TcoolPanel::~TcoolPanel()
{
    storeWidth();
}

void TcoolPanel::storeWidth()
{
    if (m_store.write && !objectName().isEmpty())
        m_store.write(objectName(), wantedWidth());
}

int TcoolPanel::wantedWidth() const
{
    return m_wantCollapsed ? m_collapsedWidth : std::max(m_expandedWidth, m_collapsedWidth + 1);
}

void TcoolPanel::setInifile(const TWidthStore& store)
{
    m_store = store;
    if (!m_store.read || objectName().isEmpty())
        return;
    // At or below the collapsed width: collapsed, expanding to the design.
    const int stored = m_store.read(objectName(), wantedWidth());
    m_wantCollapsed = stored <= m_collapsedWidth;
    if (!m_wantCollapsed)
        m_expandedWidth = std::min(stored, kMaxBandWidth);
    applyWidth(wantedWidth());
    layoutRow(parentWidget());
}

void TcoolPanel::setCollapsed(bool on)
{
    if (on == m_collapsed && on == m_wantCollapsed)
        return;
    setPanelWidth(on ? m_collapsedWidth : m_expandedWidth);
}

void TcoolPanel::choose(int width)
{
    m_wantCollapsed = width <= m_collapsedWidth;
    if (!m_wantCollapsed)
        m_expandedWidth = std::min(width, kMaxBandWidth);
}

void TcoolPanel::setCollapsedwidth(int width)
{
    m_collapsedWidth = std::max(1, width);
    if (this->width() <= m_collapsedWidth)
        applyWidth(m_collapsedWidth);
}

void TcoolPanel::setCoolHint(const QString& hint)
{
    m_hint = hint;
    m_grip->setToolTip(hint);
}

void TcoolPanel::setGripCaption(const QString& caption)
{
    m_caption = caption;
    // The collapsed panel shows the caption whole, beside the grip.
    if (m_collapsedWidth == TNewGraphicControl::kWidth && !caption.isEmpty())
        setCollapsedwidth(TNewGraphicControl::kWidth + fontMetrics().horizontalAdvance(caption) +
                          2);
    update();
}

void TcoolPanel::setAlignedLeft(bool on)
{
    m_alignLeft = on;
    m_grip->setCursor(on ? Qt::SizeHorCursor : Qt::ArrowCursor);
}

void TcoolPanel::setFillsRow(bool on)
{
    m_fill = on;
    layoutRow(parentWidget());
}

void TcoolPanel::applyWidth(int width)
{
    const bool collapsed = width <= m_collapsedWidth;
    if (collapsed)
        width = m_collapsedWidth;
    m_collapsed = collapsed;
    if (width != this->width()) {
        resize(width, height());
        emit widthChanged();
    }
}

void TcoolPanel::setPanelWidth(int width)
{
    choose(width);
    applyWidth(wantedWidth());
    layoutRow(parentWidget());
}

void TcoolPanel::toggle()
{
    if (!m_alignLeft || !m_canCollapse)
        return;
    // A band the row squeezed shut counts as collapsed: the click opens it,
    // and it is the last to give way while the row is too narrow.
    static int expansions = 0;
    const bool collapse = width() > m_collapsedWidth;
    m_wantCollapsed = collapse;
    if (!collapse)
        m_priority = ++expansions;
    applyWidth(wantedWidth());
    refitRow(parentWidget());
}

QList<TcoolPanel*> TcoolPanel::rowPanels(QWidget* row)
{
    QList<TcoolPanel*> out;
    if (!row)
        return out;
    for (QObject* o : row->children())
        if (auto* p = qobject_cast<TcoolPanel*>(o); p && p->m_alignLeft && !p->isHidden())
            out << p;
    return out;
}

void TcoolPanel::layoutRow(QWidget* row)
{
    int x = 0;
    const QList<TcoolPanel*> panels = rowPanels(row);
    int fixed = 0;
    for (TcoolPanel* p : panels)
        if (!p->m_fill)
            fixed += p->width();
    for (TcoolPanel* p : panels) {
        int w = p->width();
        if (p->m_fill)
            w = std::max(p->m_collapsedWidth, row->width() - fixed);
        p->setGeometry(x, 0, w, row->height());
        x += w;
    }
}

void TcoolPanel::refitRow(QWidget* row)
{
    if (!row)
        return;
    const QList<TcoolPanel*> panels = rowPanels(row);
    std::vector<BandFit> bands;
    for (const TcoolPanel* p : panels)
        bands.push_back({p->wantedWidth(), p->m_collapsedWidth, p->m_fill, p->m_priority});
    const std::vector<int> widths = FitBands(bands, row->width());
    for (qsizetype i = 0; i < panels.size(); ++i)
        if (!panels[i]->m_fill)
            panels[i]->applyWidth(widths[size_t(i)]);
    layoutRow(row);
}

void TcoolPanel::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    m_grip->setGeometry(0, 0, TNewGraphicControl::kWidth, height());
}

void TcoolPanel::paintEvent(QPaintEvent*)
{
    if (m_caption.isEmpty())
        return;
    QPainter p(this);
    const QFontMetrics fm = fontMetrics();
    const QRect r(TNewGraphicControl::kWidth, 0,
                  std::max(0, m_collapsedWidth - 2 - TNewGraphicControl::kWidth), height());
    p.fillRect(r, palette().color(QPalette::Button));
    p.setPen(palette().color(QPalette::ButtonText));
    const int y = (height() - fm.boundingRect(QLatin1Char('W')).height()) / 2 + fm.ascent();
    p.setClipRect(r);
    p.drawText(r.left(), y, m_caption);
}

TLine3D::TLine3D(QWidget* parent) : QWidget(parent)
{
    resize(2, 25);
}

void TLine3D::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(0, 0, 0, height() - 1);
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(1, 0, 1, height() - 1);
}

} // namespace dovex
