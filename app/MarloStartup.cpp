#include "MarloStartup.h"

#include "AppPlatform.h"
#include "CaptureSession.h"
#include "CommandLine.h"
#include "EffectCatalog.h"
#include "KDSBuilders.h"
#include "KETexture.h"
#include "KLAbstractFactory.h"
#include "KLAppWindow.h"
#include "KLLog.h"
#include "KLPath.h"
#include "KSModule.h"
#include "KSOutput.h"
#include "KestDemoSystem.h"
#include "LiveShow.h"
#include "MarloComposition.h"
#include "SetupDialog.h"
#include "ShowBuilder.h"
#include "ShowCatalog.h"
#include "ShowReader.h"
#include "ShowTime.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

// The choices of the command line, kept for the setup provider.
KDSSetupResult& CommandLineSetup() {
    static KDSSetupResult setup;
    return setup;
}

void SetupFromCommandLine(KDSSetupResult* result) { *result = CommandLineSetup(); }

void SetupWithoutDisplay(KDSSetupResult* result) { DefaultSetupWithoutDisplay(result); }

void SetupFromDialog(KDSSetupResult* result) {
    ShowSetupDialog(result, KSOutput::ListDevices(), &AppPlatform::QuitAlreadyRequested);
}

bool EnterFolder(const std::string& folder) {
    std::string problem = AppPlatform::DataFolderProblem(folder);
    if (problem.empty()) problem = AppPlatform::EnterFolder(folder);
    if (problem.empty()) return true;
    std::fprintf(stderr, "marlo: cannot use the data folder %s: %s\n", folder.c_str(), problem.c_str());
    return false;
}

// The show's files are named relative to its data folder: the one given, else data/
// beside the program where the build puts them, else share/marlo beside the program's
// folder where an install puts them (/usr/games/marlo reads /usr/share/marlo), else the
// current folder.
bool EnterDataFolder(const std::string& given) {
    if (!given.empty()) return EnterFolder(given);
    const std::string program = KL::GetProgramFolder();
    const std::string beside = program + "data";
    const std::string installed = std::filesystem::path(program + "../share/marlo").lexically_normal().string();
    std::error_code ec;
    if (!program.empty()) {
        for (const std::string& folder : {beside, installed}) {
            if (std::filesystem::is_directory(folder, ec)) return EnterFolder(folder);
        }
    }
    // Said plainly: without its files the show would fail at every load.
    LogMessage("No data folder at %s or %s: reading the show's files from the current folder", beside.c_str(),
               installed.c_str());
    return true;
}

// A show file's name as the caller gave it is relative to where marlo started; the show is
// read after the data folder is entered.
std::string Absolute(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

// The built-in shows' music, where their "@order:row" positions are read.
constexpr const char* kBuiltInModule = "4beat.xm";

// --start as show time (ms): seconds and minutes as written, music positions through the
// show's module. False after a message.
bool ResolveStart(const std::string& text, const std::string& module, ShowEnvironment& environment,
                  uint32_t* milliseconds) {
    *milliseconds = 0;
    if (text.empty()) return true;
    ShowTimeText time;
    std::string why;
    // A music position becomes the seconds at which the show's music reaches it.
    const bool read = ParseShowTime(text, &time, &why) &&
                      (time.form != ShowTimeText::kMusic ||
                       environment.RowTime(module, time.order, time.row, &time.seconds, &why));
    if (!read) {
        std::fprintf(stderr, "marlo: bad value for --start: %s (%s)\n", text.c_str(), why.c_str());
        return false;
    }
    *milliseconds = ShowMilliseconds(time.seconds);
    return true;
}

int Describe(const ShowCatalog& catalog, const std::string& name) {
    if (name.empty()) {
        std::printf("%s", catalog.Describe().c_str());
        return 0;
    }
    const ShowType* type = catalog.FindType(name);
    if (!type) {
        const std::string closest = catalog.ClosestType(name);
        std::fprintf(stderr, "marlo: unknown type \"%s\"%s (marlo --describe lists them)\n", name.c_str(),
                     closest.empty() ? "" : (", did you mean \"" + closest + "\"?").c_str());
        return 2;
    }
    std::printf("%s", catalog.DescribeType(*type).c_str());
    return 0;
}

}  // namespace

int MarloStartup(int argc, char** argv) { return RunMarlo(argc, argv, nullptr); }

int RunMarlo(int argc, char** argv, ComposeProc compose) {
    CommandLineOptions options;
    std::string error;
    const CommandLineAction action = ParseCommandLine(argc, argv, &options, &error);
    switch (action) {
    case CommandLineAction::Help: std::printf("%s", HelpText(KSOutput::ListDevices()).c_str()); return 0;
    case CommandLineAction::Version:
        std::printf("%s", VersionText({KSOutput::LibraryVersion(), KSModule::LibraryVersion(),
                                       KETexture::PngLibraryVersion()})
                              .c_str());
        return 0;
    case CommandLineAction::Error: std::fprintf(stderr, "%s\n", error.c_str()); return 2;
    case CommandLineAction::Run:
    case CommandLineAction::Check:
    case CommandLineAction::Describe: break;
    }
    ProvideEffectCatalog();
    const ShowCatalog catalog(KDSBuilderCatalog::Process());
    // Music positions are timed at the rate the music will play at (the dialog's default
    // when the dialog is still to ask).
    DataFolderEnvironment environment(AppPlatform::ProcessId(), kSampleRates[options.setup.sampleRate]);
    if (action == CommandLineAction::Describe) return Describe(catalog, options.describeType);
    if (action == CommandLineAction::Check) {
        const std::string file = Absolute(options.checkFile);
        if (!EnterDataFolder(options.dataDir)) return 2;
        LiveShow checked(options.checkFile, file, catalog, environment);
        if (!checked.Read()) return 2;
        const ShowDescription& show = checked.GetShow();
        std::printf("%s: \"%s\": %s\n", options.checkFile.c_str(), show.name.c_str(), show.Summary().c_str());
        return 0;
    }
    const std::string showFile = options.showFile.empty() ? std::string() : Absolute(options.showFile);
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
    if (!compose && showFile.empty()) {
        const ShowEntry* show = FindShow(options.show.c_str());
        compose = show ? show->compose : &BuildComposition;
    }
    if (options.noErrorBox) KL::SetErrorBoxesEnabled(false);
    if (!EnterDataFolder(options.dataDir)) return 2;
    // A show file is read and checked whole, its data files found, before anything opens.
    LiveShow live(options.showFile, showFile, catalog, environment);
    if (!compose && !live.Read()) return 2;
    uint32_t startMs = 0;
    if (!ResolveStart(options.start, compose ? kBuiltInModule : live.GetShow().module, environment, &startMs)) return 2;

    KestDemoSystem* demo = KestDemoSystem::GetInstance();
    if (options.skipDialog) {
        CommandLineSetup() = options.setup;
        demo->SetSetupProvider(&SetupFromCommandLine);
    } else if (!AppPlatform::HasDisplay()) {
        demo->SetSetupProvider(&SetupWithoutDisplay);
    } else {
        demo->SetSetupProvider(&SetupFromDialog);
    }
    KL::IconHandle icon = AppPlatform::LoadProgramIcon();
    demo->Init();
    // What the demo system builds the show from, at start and again after a seek or a reload.
    const uint32_t untilMs = options.untilMs;
    live.SetUntil(untilMs);
    if (compose) {
        demo->SetComposer([compose, untilMs](KestDemoSystem* d) {
            compose(d);
            if (untilMs > 0) d->LimitDemoEnd(untilMs);
            return true;
        });
    } else {
        demo->SetComposer([&live](KestDemoSystem* d) { return live.Compose(d); });
    }
    if (!demo->Compose()) return 2;
    if (startMs > 0 && startMs >= demo->GetDemoEndTime()) {
        std::fprintf(stderr, "marlo: --start %s is at or after the show's end (%s)\n", options.start.c_str(),
                     FormatShowTime(demo->GetDemoEndTime()).c_str());
        return 2;
    }
    if (!options.IsCapture()) {
        demo->EnableLiveKeys(true);
        if (startMs > 0) demo->Seek(startMs);
        if (options.watch) {
            live.Watch(demo);
            KLAbstractFactory<KL::Application>::GetInstance()->AddClient(&live);
        }
        return demo->Run("Marlo!!!", icon);
    }

    const KDSScreenMode& mode = kScreenModes[demo->GetSetup().screenMode];
    capture.SetStart(startMs);
    if (!capture.Begin(KLAbstractFactory<KL::Application>::GetInstance(), mode.width, mode.height,
                       demo->GetDemoEndTime(), &error)) {
        std::fprintf(stderr, "marlo: %s\n", error.c_str());
        return 2;
    }
    // A range starts where a whole capture reaches its first tick.
    if (startMs > 0) demo->Seek(capture.GetStartTime());
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
