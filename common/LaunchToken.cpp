#include "common/LaunchToken.h"

#include <QtGlobal>

LaunchToken LaunchToken::fromEnvironment()
{
    return {qEnvironmentVariable("XDG_ACTIVATION_TOKEN"), qEnvironmentVariable("DESKTOP_STARTUP_ID")};
}
