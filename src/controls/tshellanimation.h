#pragma once

#include "controls/clipplayer.h"

namespace dovex {

enum class TAnimationType {
    atNone,
    atSearchFolder,
    atSearchFile,
    atCheckComputer,
    atMoveFile,
    atCopyFile,
    atMoveToRecycleBin,
    atEmptyRecycleBin,
    atDeleteFile
};

// The animation of an operation kind: copy, move, delete and the searches,
// each a short looping clip of the program's own.
class TShellAnimation : public ClipPlayer {
    Q_OBJECT
public:
    explicit TShellAnimation(QWidget* parent = nullptr);

    TAnimationType Animation() const { return m_animation; }
    void SetAnimation(TAnimationType animation);
    bool Playing() const { return m_playing; }
    void SetPlaying(bool playing);

    QSize sizeHint() const override { return QSize(100, 100); }

protected:
    void reopen() override;

private:
    TAnimationType m_animation = TAnimationType::atNone;
    bool m_playing = true;
};

} // namespace dovex
