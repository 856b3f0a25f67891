#pragma once

#include "controls/clipplayer.h"

namespace dovex {

enum class TAnimatedState { acmOpen, acmClosed, acmPlaying };

// A small animation named like a resource of the program: "ZIPAVI" (shown
// while compressing) and "UNZIPAVI" (while decompressing).
class TAnimatedSymbol : public ClipPlayer {
    Q_OBJECT
public:
    explicit TAnimatedSymbol(QWidget* parent = nullptr);

    QString AVIName() const { return m_name; }
    void SetAVIName(const QString& name);
    TAnimatedState State() const { return m_state; }
    void SetState(TAnimatedState state);

    QSize sizeHint() const override { return QSize(32, 32); }

protected:
    void reopen() override;

private:
    QString m_name;
    TAnimatedState m_state = TAnimatedState::acmClosed;
};

} // namespace dovex
