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
    app->SetInstanceHandle(Platform::ProgramInstanceHandle(argv));
    return startup ? startup(argc, argv) : 0;
}

}  // namespace KL
