#include "platform/media/MpvBackend.h"

#include "platform/media/EngineCheck.h"
#include "platform/media/MpvPlayer.h"

void MpvBackend::warmUp()
{
    mpvEnginePreload(MpvPlayer::engineOptions(m_options));
}

MediaPlayerControl* MpvBackend::makePlayer(QWidget* parent)
{
    return new MpvPlayer(parent, m_options);
}

bool MpvBackend::engineStarts()
{
    // The same engine, with the same options, as the player's control gets; tried apart, so that
    // the program waiting at its main window does not carry the engine until a clip is played.
    return mpvEngineAvailableApart(m_options);
}

void MpvBackend::checkEngine(QObject* context, std::function<void(bool)> done)
{
    mpvEngineCheckApart(context, std::move(done), m_options);
}
