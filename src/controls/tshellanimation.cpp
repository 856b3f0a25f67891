#include "controls/tshellanimation.h"

namespace dovex {

namespace {

ClipKind clipOf(TAnimationType type)
{
    switch (type) {
    case TAnimationType::atSearchFolder:
    case TAnimationType::atSearchFile:
    case TAnimationType::atCheckComputer:
        return ClipKind::Check;
    case TAnimationType::atMoveFile:
        return ClipKind::Move;
    case TAnimationType::atCopyFile:
        return ClipKind::Copy;
    case TAnimationType::atMoveToRecycleBin:
    case TAnimationType::atEmptyRecycleBin:
    case TAnimationType::atDeleteFile:
        return ClipKind::Delete;
    case TAnimationType::atNone:
        break;
    }
    return ClipKind::None;
}

} // namespace

TShellAnimation::TShellAnimation(QWidget* parent) : ClipPlayer(parent)
{
    resize(100, 100);
}

void TShellAnimation::SetAnimation(TAnimationType animation)
{
    m_animation = animation;
    reopen();
}

void TShellAnimation::SetPlaying(bool playing)
{
    m_playing = playing;
    if (!playing) {
        stop();
        return;
    }
    if (!isOpen())
        reopen();
    else
        play();
}

void TShellAnimation::reopen()
{
    closeClip();
    if (m_animation == TAnimationType::atNone || (!AutoPlay() && !m_playing))
        return;
    const ClipKind clip = clipOf(m_animation);
    if (clip == ClipKind::None) {
        reportLoadError();
        return;
    }
    openClipKind(clip);
    if (m_playing)
        play();
}

} // namespace dovex
