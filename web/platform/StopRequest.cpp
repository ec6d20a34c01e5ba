// Stop requests in a web page: no signals and no window of our own; the
// page stops the show through _vantrel_stop (web/platform/Demo.cpp), so a
// request here is only one the program makes itself.
#include "frontend/StopRequest.h"

namespace Frontend {

namespace {

bool requested = false;

} // namespace

void installStopHandlers()
{
}

bool stopRequested()
{
    return requested;
}

void requestStop()
{
    requested = true;
}

int stopSignal()
{
    return 0;
}

void clearStopRequest()
{
    requested = false;
}

void throwIfStopRequested()
{
    if (requested)
        throw StopRequested();
}

} // namespace Frontend
