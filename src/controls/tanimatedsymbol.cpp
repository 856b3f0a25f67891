#include "controls/tanimatedsymbol.h"

namespace dovex {

TAnimatedSymbol::TAnimatedSymbol(QWidget* parent) : ClipPlayer(parent)
{
    resize(32, 32);
}

void TAnimatedSymbol::SetAVIName(const QString& name)
{
    m_name = name;
    reopen();
}

void TAnimatedSymbol::SetState(TAnimatedState state)
{
    m_state = state;
    reopen();
}

void TAnimatedSymbol::reopen()
{
    closeClip();
    if (m_name.isEmpty() || (!AutoPlay() && m_state == TAnimatedState::acmClosed))
        return;
    ClipKind clip = ClipKind::None;
    if (m_name.compare(QLatin1String("ZIPAVI"), Qt::CaseInsensitive) == 0)
        clip = ClipKind::Compress;
    else if (m_name.compare(QLatin1String("UNZIPAVI"), Qt::CaseInsensitive) == 0)
        clip = ClipKind::Decompress;
    if (clip == ClipKind::None) {
        reportLoadError();
        return;
    }
    openClipKind(clip);
    if (m_state == TAnimatedState::acmPlaying)
        play();
}

} // namespace dovex
