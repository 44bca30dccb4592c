#pragma once

#include <QStringList>

struct mpv_handle;

namespace MpvEngine {

// A new engine with those options ("name=value"), initialised; null when it cannot be had.
mpv_handle* create(const QStringList& options);
// Ends the engine and waits for its threads.
void destroy(mpv_handle* engine);

} // namespace MpvEngine
