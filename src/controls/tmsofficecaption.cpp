#include "controls/tmsofficecaption.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QIcon>
#include <QLayout>
#include <QMainWindow>
#include <QPainter>
#include <QToolBar>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <limits>

namespace dovex {

namespace {

constexpr int kIconSize = 16;
constexpr int kPartGap = 3;

int channelStep(int from, int to, int i, int last)
{
    return std::clamp(from + MulDiv(to - from, i, last), 0, 255);
}

} // namespace

// Text parts ---------------------------------------------------------------

void TCompanyText::changed()
{
    if (m_owner)
        m_owner->invalidate();
}

void TCompanyText::setCaption(const QString& text)
{
    m_caption = text;
    changed();
}

QColor TCompanyText::ColorActive() const
{
    return m_active ? *m_active : m_owner->captionTextColour(true);
}

void TCompanyText::setColorActive(const QColor& colour)
{
    m_active = colour;
    changed();
}

QColor TCompanyText::ColorInactive() const
{
    return m_inactive ? *m_inactive : m_owner->captionTextColour(false);
}

void TCompanyText::setColorInactive(const QColor& colour)
{
    m_inactive = colour;
    changed();
}

void TCompanyText::setFont(const QFont& font)
{
    m_customFont = font;
    if (m_kind != TFontKind::fkAutoHeight)
        m_kind = TFontKind::fkCustom;
    applyFontKind(TMSOfficeCaption::systemCaptionFont());
    changed();
}

void TCompanyText::setFontKind(TFontKind kind)
{
    if (kind == TFontKind::fkCustom || kind == TFontKind::fkAutoHeight) {
        // A custom font starts from what is drawn now.
        if (m_kind != TFontKind::fkCustom && m_kind != TFontKind::fkAutoHeight)
            m_customFont = m_font;
    }
    m_kind = kind;
    applyFontKind(TMSOfficeCaption::systemCaptionFont());
    changed();
}

void TCompanyText::setVisible(bool visible)
{
    m_visible = visible;
    changed();
}

void TCompanyText::applyFontKind(const QFont& systemFont)
{
    switch (m_kind) {
    case TFontKind::fkCustom:
        m_font = m_customFont;
        break;
    case TFontKind::fkSystem:
    case TFontKind::fkSystemI:
    case TFontKind::fkSystemB:
    case TFontKind::fkSystemBI:
        m_font = systemFont;
        m_font.setItalic(m_kind == TFontKind::fkSystemI || m_kind == TFontKind::fkSystemBI);
        m_font.setBold(m_kind == TFontKind::fkSystemB || m_kind == TFontKind::fkSystemBI);
        break;
    case TFontKind::fkAutoHeight: {
        // The largest size of the custom font whose ascent and descent stay
        // within the system caption font's.
        const QFontMetrics system(systemFont);
        m_font = m_customFont;
        for (int px = std::max(system.height(), 1); px >= 1; --px) {
            m_font.setPixelSize(px);
            const QFontMetrics fm(m_font);
            if (fm.ascent() <= system.ascent() && fm.descent() <= system.descent())
                break;
        }
        break;
    }
    }
}

QString TCaptionText::Caption() const
{
    return m_owner ? m_owner->window()->windowTitle() : QString();
}

void TCaptionText::setCaption(const QString& text)
{
    if (m_owner)
        m_owner->window()->setWindowTitle(text); // the strip follows the title change
}

// Geometry and colours -----------------------------------------------------

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = std::int64_t(a) * std::int64_t(b);
    const bool negative = (product < 0) != (c < 0);
    const std::uint64_t p = product < 0 ? std::uint64_t(-product) : std::uint64_t(product);
    const std::uint64_t d = c < 0 ? std::uint64_t(-std::int64_t(c)) : std::uint64_t(c);
    const std::uint64_t q = (p + d / 2) / d;
    if (q > std::uint64_t(std::numeric_limits<int>::max()))
        return -1;
    return negative ? -int(q) : int(q);
}

QList<GradientBand> gradientBands(int left, int width, int numColors, QRgb start, QRgb end)
{
    const int n = std::clamp(numColors, 1, 256);
    const int w = std::max(width, 0);
    QList<GradientBand> bands;
    bands.reserve(n);
    for (int i = 0; i < n; ++i) {
        QRgb colour = start;
        if (n > 1)
            colour = qRgb(channelStep(qRed(start), qRed(end), i, n - 1),
                          channelStep(qGreen(start), qGreen(end), i, n - 1),
                          channelStep(qBlue(start), qBlue(end), i, n - 1));
        bands.append({left + MulDiv(w, i, n), left + MulDiv(w, i + 1, n), colour});
    }
    return bands;
}

int clampNumColors(int requested, int current, QString* message)
{
    QString text;
    int result = requested;
    if (requested <= 0) {
        text = QStringLiteral("The number of colors must be at least 1");
        result = current;
    } else if (requested > 256) {
        text = QStringLiteral("The highest number of gradient colors possible is 256");
        result = 256;
    }
    if (message)
        *message = text;
    return result;
}

CaptionFit fitCaptionParts(int available, int companyWidth, int appNameWidth, int captionWidth)
{
    const std::int64_t two = std::int64_t(appNameWidth) + captionWidth;
    if (two + companyWidth <= available)
        return {true, true};
    if (two <= available)
        return {false, true};
    return {false, false};
}

// The strip ----------------------------------------------------------------

TMSOfficeCaption::TMSOfficeCaption(QWidget* owner)
    : QWidget(owner), m_owner(owner), m_company(std::make_unique<TCompanyText>(this)),
      m_appName(std::make_unique<TAppNameText>(this)),
      m_caption(std::make_unique<TCaptionText>(this))
{
    setObjectName(QStringLiteral("MSOfficeCaption"));
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    reapplyFonts();
    if (m_owner) {
        m_owner->window()->installEventFilter(this);
        m_active = m_owner->window()->isActiveWindow();
    }
}

TMSOfficeCaption::~TMSOfficeCaption()
{
    // The parts call back into the strip while they go.
    m_company.reset();
    m_appName.reset();
    m_caption.reset();
}

void TMSOfficeCaption::invalidate()
{
    if (!m_company || !m_appName || !m_caption)
        return;
    updateGeometry();
    update();
}

void TMSOfficeCaption::setColor(const QColor& colour)
{
    m_color = colour;
    invalidate();
}

void TMSOfficeCaption::setEnabled(TGradEnabled enabled)
{
    m_enabled = enabled;
    invalidate();
}

TMSOfficeCaption* TMSOfficeCaption::addStrip(QMainWindow* window)
{
    auto* caption = new TMSOfficeCaption(window);
    auto* holder = new QToolBar(window);
    holder->setObjectName(QStringLiteral("CaptionStrip"));
    holder->setMovable(false);
    holder->setFloatable(false);
    holder->toggleViewAction()->setVisible(false);
    holder->setContentsMargins(0, 0, 0, 0);
    holder->layout()->setContentsMargins(0, 0, 0, 0);
    holder->layout()->setSpacing(0);
    holder->setStyleSheet(QStringLiteral("QToolBar { border: 0px; padding: 0px; spacing: 0px; }"));
    holder->addWidget(caption);
    window->addToolBar(Qt::TopToolBarArea, holder);
    return caption;
}

void TMSOfficeCaption::setNumColors(int n)
{
    // Out-of-range values are only complained about while designing; at
    // run time the clamped value is taken silently.
    m_numColors = clampNumColors(n, m_numColors);
    invalidate();
}

void TMSOfficeCaption::setDrawnActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    update();
}

bool TMSOfficeCaption::gradientShown() const
{
    return m_enabled == TGradEnabled::geAlways ||
           (m_enabled == TGradEnabled::geWhenActive && m_active);
}

QFont TMSOfficeCaption::systemCaptionFont()
{
    return QFontDatabase::systemFont(QFontDatabase::TitleFont);
}

QColor TMSOfficeCaption::captionColour(bool active) const
{
    return active ? palette().color(QPalette::Active, QPalette::Highlight)
                  : palette().color(QPalette::Inactive, QPalette::Dark);
}

QColor TMSOfficeCaption::captionTextColour(bool active) const
{
    return active ? palette().color(QPalette::Active, QPalette::HighlightedText)
                  : palette().color(QPalette::Inactive, QPalette::Midlight);
}

QSize TMSOfficeCaption::sizeHint() const
{
    QFont bold = systemCaptionFont();
    bold.setBold(true);
    const int height =
        std::max({QFontMetrics(bold).height(), QFontMetrics(m_company->Font()).height(),
                  QFontMetrics(m_appName->Font()).height(),
                  QFontMetrics(m_caption->Font()).height(), kIconSize}) +
        4;
    return QSize(200, height);
}

QRect TMSOfficeCaption::textRect() const
{
    QRect r = rect();
    // The window's small icon one pixel in from the left, the text after it.
    if (m_owner && !m_owner->window()->windowIcon().isNull())
        r.setLeft(r.left() + 1 + kIconSize);
    if (r.right() <= r.left())
        r.setRight(r.left() + 2);
    return r;
}

int TMSOfficeCaption::partWidth(const TCompanyText& part) const
{
    if (!part.Visible() || part.Caption().isEmpty())
        return 0;
    return QFontMetrics(part.Font()).horizontalAdvance(part.Caption() + ' ') + kPartGap;
}

CaptionFit TMSOfficeCaption::currentFit() const
{
    CaptionFit fit = fitCaptionParts(textRect().width(), partWidth(*m_company),
                                     partWidth(*m_appName), partWidth(*m_caption));
    fit.company = fit.company && partWidth(*m_company) > 0;
    fit.appName = fit.appName && partWidth(*m_appName) > 0;
    return fit;
}

void TMSOfficeCaption::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect r = rect();
    if (gradientShown()) {
        const QRgb end = captionColour(m_active).rgb();
        for (const GradientBand& b :
             gradientBands(r.left(), r.width(), m_numColors, m_color.rgb(), end))
            if (b.right > b.left)
                p.fillRect(QRect(b.left, r.top(), b.right - b.left, r.height()), QColor(b.colour));
    } else {
        p.fillRect(r, captionColour(m_active));
    }
    if (m_owner) {
        const QIcon icon = m_owner->window()->windowIcon();
        if (!icon.isNull())
            icon.paint(&p, QRect(r.left() + 1, r.top() + (r.height() - kIconSize) / 2, kIconSize,
                                 kIconSize));
    }
    const QRect tr = textRect();
    const CaptionFit fit = currentFit();
    int x = tr.left();
    const auto draw = [&](const TCompanyText& part) {
        const QRect cell(x + kPartGap, tr.top(), std::max(tr.right() + 1 - x - kPartGap, 0),
                         tr.height());
        p.setFont(part.Font());
        p.setPen(m_active ? part.ColorActive() : part.ColorInactive());
        const QString text =
            QFontMetrics(part.Font()).elidedText(part.Caption(), Qt::ElideRight, cell.width());
        p.drawText(cell, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        x += partWidth(part);
    };
    if (fit.company)
        draw(*m_company);
    if (fit.appName)
        draw(*m_appName);
    if (m_caption->Visible())
        draw(*m_caption);
}

bool TMSOfficeCaption::eventFilter(QObject* watched, QEvent* event)
{
    if (m_owner && watched == m_owner->window()) {
        switch (event->type()) {
        case QEvent::ActivationChange:
            setDrawnActive(m_owner->window()->isActiveWindow());
            break;
        case QEvent::WindowTitleChange:
        case QEvent::WindowIconChange:
            update();
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TMSOfficeCaption::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::PaletteChange:
    case QEvent::ApplicationFontChange:
    case QEvent::StyleChange:
    case QEvent::ApplicationPaletteChange:
        reapplyFonts();
        invalidate();
        break;
    default:
        break;
    }
    QWidget::changeEvent(event);
}

void TMSOfficeCaption::reapplyFonts()
{
    const QFont system = systemCaptionFont();
    for (TCompanyText* part :
         {static_cast<TCompanyText*>(m_company.get()), static_cast<TCompanyText*>(m_appName.get()),
          static_cast<TCompanyText*>(m_caption.get())})
        part->applyFontKind(system);
}

} // namespace dovex
