#include "SetupDialog.h"

#include "KLLog.h"

void DefaultSetupWithoutDisplay(KDSSetupResult* result) {
    if (!result) return;
    LogMessage("Could not open the display: using the default setup, windowed");
    *result = KDSSetupResult();
    result->accepted = 1;
    result->fullScreen = 0;
}
