#include "RecordingServices.h"

#include "common/AppError.h"

void RecordingServices::requestShutdown()
{
    ++shutdowns;
    if (!refuseShutdownWith.isEmpty())
        throw AppError(refuseShutdownWith);
}
