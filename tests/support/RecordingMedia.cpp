#include "RecordingMedia.h"

#include "platform/media/MpvPlayer.h"

MediaPlayerFactory mpvPlayerFactory(const QStringList& extraOptions)
{
    return [extraOptions](QWidget* parent) -> MediaPlayerControl* {
        return new MpvPlayer(parent, extraOptions);
    };
}
