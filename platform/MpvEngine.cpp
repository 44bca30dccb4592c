#include "platform/MpvEngine.h"

#include "platform/MpvOptions.h"

#include <mpv/client.h>

namespace MpvEngine {

mpv_handle* create(const QStringList& options)
{
    ensureCLocale();
    mpv_handle* h = mpv_create();
    if (!h)
        return nullptr;
    for (const QString& option : options) {
        const auto [name, value] = splitOption(option);
        if (mpv_set_option_string(h, name.toUtf8().constData(), value.toUtf8().constData()) < 0)
            qWarning("media engine: option %s refused", qPrintable(option));
    }
    if (mpv_initialize(h) < 0) {
        mpv_terminate_destroy(h);
        return nullptr;
    }
    return h;
}

void destroy(mpv_handle* engine)
{
    if (engine)
        mpv_terminate_destroy(engine);
}

} // namespace MpvEngine
