#include "MarloStartup.h"

#include "CGeneratorModifiers.h"
#include "CommandLine.h"
#include "KLLog.h"
#include "KestDemoSystem.h"
#include "MarloComposition.h"
#include "SetupDialogGtk.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// The choices of the command line, kept for the setup provider.
KDSSetupResult& CommandLineSetup() {
    static KDSSetupResult setup;
    return setup;
}

void SetupFromCommandLine(KDSSetupResult* result) { *result = CommandLineSetup(); }

// Nobody can answer a dialog without a display: the defaults, windowed.
void SetupWithoutDisplay(KDSSetupResult* result) {
    LogMessage("No display: using the default setup, windowed");
    *result = KDSSetupResult();
    result->accepted = 1;
    result->fullScreen = 0;
}

void SetupFromDialog(KDSSetupResult* result) {
    // The sound back end offers its devices with the music player; until then, no sound.
    ShowSetupDialog(result, std::vector<std::string>{"No sound"});
}

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

int MarloStartup(int argc, char** argv) {
    CommandLineOptions options;
    std::string error;
    switch (ParseCommandLine(argc, argv, &options, &error)) {
    case CommandLineAction::Help: std::printf("%s", HelpText().c_str()); return 0;
    case CommandLineAction::Error: std::fprintf(stderr, "%s\n", error.c_str()); return 2;
    case CommandLineAction::Run: break;
    }
    if (options.noErrorBox) KL::SetErrorBoxesEnabled(false);
    if (!options.dataDir.empty() && chdir(options.dataDir.c_str()) != 0) {
        std::fprintf(stderr, "marlo: cannot use the data folder %s\n", options.dataDir.c_str());
        return 2;
    }

    KestDemoSystem* demo = KestDemoSystem::GetInstance();
    if (options.skipDialog) {
        CommandLineSetup() = options.setup;
        demo->SetSetupProvider(&SetupFromCommandLine);
    } else if (!HasDisplay()) {
        demo->SetSetupProvider(&SetupWithoutDisplay);
    } else {
        demo->SetSetupProvider(&SetupFromDialog);
    }
    RegisterGeneratorBuilders();
    demo->Init();
    BuildComposition(demo);
    return demo->Run("Marlo!!!", nullptr);
}
