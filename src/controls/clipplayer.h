#pragma once

#include "controls/clippainter.h"

#include <QTimer>
#include <QWidget>

#include <functional>

namespace dovex {

// Plays one of the program's clips in a widget: frames PlayFrom to PlayTo,
// Cycles times (-1 endless). The base of the two animation controls.
class ClipPlayer : public QWidget {
    Q_OBJECT
public:
    explicit ClipPlayer(QWidget* parent = nullptr);

    qint16 PlayFrom() const { return m_from; }
    qint16 PlayTo() const { return m_to; }
    qint16 Cycles() const { return m_cycles; }
    void SetPlayFrom(qint16 frame);
    void SetPlayTo(qint16 frame);
    void SetCycles(qint16 cycles);

    bool AutoPlay() const { return m_autoPlay; }
    bool Center() const { return m_center; }
    bool Transparent() const { return m_transparent; }
    void SetAutoPlay(bool on);
    void SetCenter(bool on);
    void SetTransparent(bool on);

    bool isOpen() const { return m_clip != ClipKind::None; }
    bool isPlaying() const { return m_timer.isActive(); }
    ClipKind openClip() const { return m_clip; }
    int currentFrame() const { return m_frame; }

    // Where "Cannot Load avi" goes; a message box unless replaced (tests).
    // Returns the handler replaced, for the caller to put back.
    using ErrorHandler = std::function<void(const QString&)>;
    static ErrorHandler setErrorHandler(ErrorHandler handler);

signals:
    void OnStart();
    void OnStop();

protected:
    void paintEvent(QPaintEvent* event) override;
    // Subclasses decide what is open and whether it plays.
    virtual void reopen() = 0;

    void openClipKind(ClipKind clip);
    void closeClip();
    void play();
    void stop();
    static void reportLoadError();

private:
    void advance();

    QTimer m_timer;
    ClipKind m_clip = ClipKind::None;
    int m_frame = 0;
    int m_cyclesLeft = -1;
    qint16 m_from = 0, m_to = -1, m_cycles = -1;
    bool m_autoPlay = true, m_center = true, m_transparent = true;
};

} // namespace dovex
