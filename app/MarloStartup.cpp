#include "MarloStartup.h"

#include "CAtmosphereEffect.h"
#include "CBassPlayer.h"
#include "CDebugEffect.h"
#include "CFollowEffect.h"
#include "CInfoModifiers.h"
#include "CLogPlayer.h"
#include "CMeteorEffect.h"
#include "CMotionCaptureEffect.h"
#include "CVectorFieldEffect.h"
#include "CGeneratorModifiers.h"
#include "CModelEffect.h"
#include "CScenePlayer.h"
#include "CaptureSession.h"
#include "CommandLine.h"
#include "KLAbstractFactory.h"
#include "KLAppWindow.h"
#include "KLLog.h"
#include "KLPath.h"
#include "KSOutput.h"
#include "KestDemoSystem.h"
#include "MarloComposition.h"
#include "SetupDialogGtk.h"

#include <SDL2/SDL_events.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// The choices of the command line, kept for the setup provider.
KDSSetupResult& CommandLineSetup() {
    static KDSSetupResult setup;
    return setup;
}

void SetupFromCommandLine(KDSSetupResult* result) { *result = CommandLineSetup(); }

void SetupWithoutDisplay(KDSSetupResult* result) { DefaultSetupWithoutDisplay(result); }

// A SIGINT or SIGTERM before the dialog watches them went to SDL's handlers, which
// queue a quit event.
bool QuitAlreadyRequested() { return SDL_QuitRequested(); }

void SetupFromDialog(KDSSetupResult* result) {
    ShowSetupDialog(result, KSOutput::ListDevices(), &QuitAlreadyRequested);
}

// Why `folder` cannot be the data folder, or empty when it can: the show lists its folders
// to match names case-blind, so it must be readable as well as enterable.
std::string DataFolderProblem(const std::string& folder) {
    struct stat info;
    int error = 0;
    if (stat(folder.c_str(), &info) != 0) {
        error = errno;
    } else if (!S_ISDIR(info.st_mode)) {
        return "not a folder";
    } else if (access(folder.c_str(), R_OK | X_OK) != 0) {
        error = errno;
    }
    switch (error) {
    case 0: return "";
    case ENOENT:
    case ENOTDIR: return "not found";
    case EACCES:
    case EPERM: return "permission denied";
    default: return std::strerror(error);
    }
}

bool EnterFolder(const std::string& folder) {
    std::string problem = DataFolderProblem(folder);
    if (problem.empty() && chdir(folder.c_str()) != 0) problem = std::strerror(errno);
    if (problem.empty()) return true;
    std::fprintf(stderr, "marlo: cannot use the data folder %s: %s\n", folder.c_str(), problem.c_str());
    return false;
}

// The show's files are named relative to its data folder: the one given, else data/
// beside the program where the build puts them, else the current folder.
bool EnterDataFolder(const std::string& given) {
    if (!given.empty()) return EnterFolder(given);
    const std::string beside = KL::GetProgramFolder() + "data";
    std::error_code ec;
    if (KL::GetProgramFolder().empty() || !std::filesystem::is_directory(beside, ec)) {
        // Said plainly: without its files the show would fail at every load.
        LogMessage("No data folder at %s: reading the show's files from the current folder", beside.c_str());
        return true;
    }
    return EnterFolder(beside);
}

bool HasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}  // namespace

int MarloStartup(int argc, char** argv) { return RunMarlo(argc, argv, nullptr); }

int RunMarlo(int argc, char** argv, ComposeProc compose) {
    CommandLineOptions options;
    std::string error;
    switch (ParseCommandLine(argc, argv, &options, &error)) {
    case CommandLineAction::Help: std::printf("%s", HelpText(KSOutput::ListDevices()).c_str()); return 0;
    case CommandLineAction::Error: std::fprintf(stderr, "%s\n", error.c_str()); return 2;
    case CommandLineAction::Run: break;
    }
    // The dialog offers only the devices there are; the command line is held to the same.
    // A capture plays on no device.
    if (options.skipDialog && !options.IsCapture() && !CheckSoundDevice(options, KSOutput::ListDevices(), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    CaptureSession capture;
    if (options.IsCapture()) {
        CaptureSettings settings;
        settings.folder = options.captureDir;
        settings.video = options.videoFile;
        settings.fps = options.fps;
        settings.sampleRate = kSampleRates[options.setup.sampleRate];
        // Before the data folder is entered: relative paths are the caller's.
        if (!capture.Prepare(settings, &error)) {
            std::fprintf(stderr, "marlo: %s\n", error.c_str());
            return 2;
        }
        // Nobody watches: no box waits for a person, and no display is needed.
        KL::SetErrorBoxesEnabled(false);
        KL::UseOffscreenWindows();
    }
    if (!compose) {
        const ShowEntry* show = FindShow(options.show.c_str());
        compose = show ? show->compose : &BuildComposition;
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
    RegisterAtmosphereEffectBuilder();
    RegisterMeteorEffectBuilder();
    RegisterDebugEffectBuilder();
    RegisterFollowEffectBuilder();
    RegisterMotionCaptureBuilder();
    RegisterVectorFieldEffectBuilder();
    RegisterInfoModifierBuilders();
    RegisterLogPlayerBuilder();
    // The window icon: the show's own emblem, generated with the data.
    KL::IconHandle icon = KL::LoadIconImage("files/icon.bmp");
    demo->Init();
    compose(demo);
    if (options.untilMs > 0) demo->LimitDemoEnd(options.untilMs);
    if (!options.IsCapture()) return demo->Run("Marlo!!!", icon);

    const KDSScreenMode& mode = kScreenModes[demo->GetSetup().screenMode];
    if (!capture.Begin(KLAbstractFactory<KL::Application>::GetInstance(), mode.width, mode.height,
                       demo->GetDemoEndTime(), &error)) {
        std::fprintf(stderr, "marlo: %s\n", error.c_str());
        return 2;
    }
    demo->Run("Marlo!!!", icon);
    if (!capture.Finish(&error)) {
        std::fprintf(stderr, "marlo: capture failed: %s\n", error.c_str());
        return 1;
    }
    const CaptureSettings& done = capture.GetSettings();
    if (!done.folder.empty()) {
        std::fprintf(stderr, "marlo: captured %llu frames and %s into %s\n",
                     static_cast<unsigned long long>(capture.GetFrames()), CaptureSession::kSoundtrackName,
                     done.folder.c_str());
    }
    if (!done.video.empty()) std::fprintf(stderr, "marlo: video written to %s\n", done.video.c_str());
    return 0;
}
