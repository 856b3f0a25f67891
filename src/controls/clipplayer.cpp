#include "controls/clipplayer.h"

#include "controls/dialogowner.h"

#include <QMessageBox>
#include <QPainter>

#include <utility>

namespace dovex {

namespace {

std::function<void(const QString&)>& errorHandler()
{
    // A clip is loaded as a progress window shows: the message goes in front.
    static std::function<void(const QString&)> handler = [](const QString& text) {
        QMessageBox box(QMessageBox::Critical, QString(), text, QMessageBox::Ok);
        placeInFront(box, nullptr);
        box.exec();
    };
    return handler;
}

int lastFrame(qint16 to)
{
    return to < 0 || to >= kClipFrames ? kClipFrames - 1 : to;
}

} // namespace

ClipPlayer::ClipPlayer(QWidget* parent) : QWidget(parent)
{
    m_timer.setInterval(60);
    connect(&m_timer, &QTimer::timeout, this, &ClipPlayer::advance);
}

ClipPlayer::ErrorHandler ClipPlayer::setErrorHandler(ErrorHandler handler)
{
    return std::exchange(errorHandler(), std::move(handler));
}

void ClipPlayer::reportLoadError()
{
    errorHandler()(QStringLiteral("Cannot Load avi"));
}

void ClipPlayer::SetPlayFrom(qint16 frame)
{
    m_from = frame;
    reopen();
}

void ClipPlayer::SetPlayTo(qint16 frame)
{
    m_to = frame;
    reopen();
}

void ClipPlayer::SetCycles(qint16 cycles)
{
    m_cycles = cycles;
    reopen();
}

void ClipPlayer::SetAutoPlay(bool on)
{
    m_autoPlay = on;
    reopen();
}

void ClipPlayer::SetCenter(bool on)
{
    m_center = on;
    update();
}

void ClipPlayer::SetTransparent(bool on)
{
    m_transparent = on;
    update();
}

void ClipPlayer::openClipKind(ClipKind clip)
{
    m_clip = clip;
    m_frame = std::clamp<int>(m_from, 0, kClipFrames - 1);
    update();
}

void ClipPlayer::closeClip()
{
    stop();
    m_clip = ClipKind::None;
    update();
}

void ClipPlayer::play()
{
    if (m_clip == ClipKind::None || m_timer.isActive())
        return;
    m_frame = std::clamp<int>(m_from, 0, kClipFrames - 1);
    m_cyclesLeft = m_cycles;
    m_timer.start();
    emit OnStart();
}

void ClipPlayer::stop()
{
    if (!m_timer.isActive())
        return;
    m_timer.stop();
    emit OnStop();
}

void ClipPlayer::advance()
{
    if (m_frame < lastFrame(m_to)) {
        ++m_frame;
    } else {
        if (m_cyclesLeft > 0 && --m_cyclesLeft == 0) {
            stop();
            return;
        }
        m_frame = std::clamp<int>(m_from, 0, kClipFrames - 1);
    }
    update();
}

void ClipPlayer::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    if (!m_transparent)
        p.fillRect(rect(), palette().color(backgroundRole()));
    if (m_clip == ClipKind::None)
        return;
    // The clip is drawn at its own size, centred or at the top left.
    const int h = std::min(height(), 60), w = std::min(width(), 272);
    QRect area(0, 0, w, h);
    if (m_center)
        area.moveCenter(rect().center());
    paintClip(p, area, m_clip, m_frame);
}

} // namespace dovex
