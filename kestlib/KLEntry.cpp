#include "KLEntry.h"

#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLLog.h"
#include "platform/KLPlatform.h"

namespace KL {

int ProgramEntry(int argc, char** argv, StartupProc startup) {
    LogMessage("KestLib Initialized");
    Application* app = KLAbstractFactory<Application>::CreateInstance(&Platform::CreateApplication);
    if (!app) return 1;
    // There is no module instance handle on this platform; the program's arguments stand in.
    app->SetInstanceHandle(argv);
    return startup ? startup(argc, argv) : 0;
}

}  // namespace KL
