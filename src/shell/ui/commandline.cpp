#include "shell/ui/commandline.h"

#include <QPainter>

namespace dovex {

TCommandLine::TCommandLine(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(true);
    m_blink.setInterval(100);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_cursorOn = !m_cursorOn;
        update();
    });
    m_blink.start();
}

void TCommandLine::setPrompt(const QString& prompt)
{
    if (m_prompt == prompt)
        return;
    m_prompt = prompt;
    update();
}

void TCommandLine::setText(const QString& text)
{
    m_text = text;
    update();
}

void TCommandLine::backspace()
{
    m_text.chop(1);
    update();
}

QString TCommandLine::directory() const
{
    return m_prompt.endsWith('>') ? m_prompt.chopped(1) : m_prompt;
}

void TCommandLine::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QFontMetrics fm(font());
    const QString shown = m_prompt + m_text;
    const int y = (height() - fm.height()) / 2;
    p.setPen(palette().color(QPalette::WindowText));
    p.drawText(QRect(2, y, width() - 4, fm.height()), Qt::AlignLeft | Qt::AlignVCenter, shown);
    if (m_cursorOn) {
        const int x = 2 + fm.horizontalAdvance(shown);
        p.fillRect(QRect(x, y + fm.ascent() - 1, fm.horizontalAdvance('_'), 2),
                   palette().color(QPalette::WindowText));
    }
}

} // namespace dovex
