#pragma once

#include <QStringList>

// Whether the sound output that engine options name can be opened, found without an engine and
// without waiting: the sound servers' sockets answer a connect at once and the sound devices are
// files. Outputs it does not know are taken as present.
namespace SoundCheck {

bool outputAvailable(const QStringList& options);

} // namespace SoundCheck
