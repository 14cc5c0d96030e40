#include "MarloStartup.h"

#include "CBassPlayer.h"
#include "CGeneratorModifiers.h"
#include "CModelEffect.h"
#include "CScenePlayer.h"
#include "CommandLine.h"
#include "KLAppWindow.h"
#include "KLLog.h"
#include "KLPath.h"
#include "KSOutput.h"
#include "KestDemoSystem.h"
#include "MarloComposition.h"
#include "SetupDialogGtk.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
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

void SetupFromDialog(KDSSetupResult* result) { ShowSetupDialog(result, KSOutput::ListDevices()); }

// The show's files are named relative to its data folder: the one given, else data/
// beside the program where the build puts them, else the current folder.
bool EnterDataFolder(const std::string& given) {
    if (!given.empty()) {
        if (chdir(given.c_str()) == 0) return true;
        std::fprintf(stderr, "marlo: cannot use the data folder %s\n", given.c_str());
        return false;
    }
    const std::string beside = KL::GetProgramFolder() + "data";
    std::error_code ec;
    if (KL::GetProgramFolder().empty() || !std::filesystem::is_directory(beside, ec)) {
        // Said plainly: without its files the show would fail at every load.
        LogMessage("No data folder at %s: reading the show's files from the current folder", beside.c_str());
        return true;
    }
    if (chdir(beside.c_str()) != 0) {
        std::fprintf(stderr, "marlo: cannot use the data folder %s\n", beside.c_str());
        return false;
    }
    return true;
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
    case CommandLineAction::Help: std::printf("%s", HelpText(KSOutput::ListDevices()).c_str()); return 0;
    case CommandLineAction::Error: std::fprintf(stderr, "%s\n", error.c_str()); return 2;
    case CommandLineAction::Run: break;
    }
    // The dialog offers only the devices there are; the command line is held to the same.
    if (options.skipDialog && !CheckSoundDevice(options, KSOutput::ListDevices(), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    if (options.noErrorBox) KL::SetErrorBoxesEnabled(false);
    if (!EnterDataFolder(options.dataDir)) return 2;

    KestDemoSystem* demo = KestDemoSystem::GetInstance();
    if (options.skipDialog) {
        CommandLineSetup() = options.setup;
        demo->SetSetupProvider(&SetupFromCommandLine);
    } else if (!HasDisplay()) {
        demo->SetSetupProvider(&SetupWithoutDisplay);
    } else {
        demo->SetSetupProvider(&SetupFromDialog);
    }
    RegisterScenePlayerBuilder();
    RegisterModelEffectBuilder();
    RegisterBassPlayerBuilder();
    RegisterGeneratorBuilders();
    // The window icon: the show's own emblem, generated with the data.
    KL::IconHandle icon = KL::LoadIconImage("files/icon.bmp");
    demo->Init();
    BuildComposition(demo);
    return demo->Run("Marlo!!!", icon);
}
