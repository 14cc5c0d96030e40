// The program's command line: choices that skip the setup dialog, and clear messages for
// everything it cannot take.
#include "CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

CommandLineAction Parse(std::vector<std::string> args, CommandLineOptions* out, std::string* error) {
    args.insert(args.begin(), "marlo");
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    return ParseCommandLine(static_cast<int>(args.size()), argv.data(), out, error);
}

TEST(CommandLine, WithoutArgumentsTheDialogAsks) {
    CommandLineOptions options;
    std::string error;
    EXPECT_EQ(CommandLineAction::Run, Parse({}, &options, &error));
    EXPECT_FALSE(options.skipDialog);
    EXPECT_FALSE(options.noErrorBox);
    EXPECT_EQ("", options.dataDir);
}

TEST(CommandLine, SetupFlagsSkipTheDialogAndTheRestKeepsTheDialogDefaults) {
    struct Case {
        std::vector<std::string> args;
        int32_t mode, device, rate, fullScreen;
    };
    const Case cases[] = {
        {{"--mode", "512x384x16"}, 0, 0, 2, 1},
        {{"--mode", "640x480x32"}, 3, 0, 2, 1},
        {{"--mode", "1280x1024x32"}, 9, 0, 2, 1},
        {{"--windowed"}, 5, 0, 2, 0},
        {{"--fullscreen"}, 5, 0, 2, 1},
        {{"--windowed", "--fullscreen"}, 5, 0, 2, 1},
        {{"--fullscreen", "--windowed"}, 5, 0, 2, 0},
        {{"--device", "3"}, 5, 3, 2, 1},
        {{"--device", "2147483647"}, 5, 2147483647, 2, 1},
        {{"--rate", "11025"}, 5, 0, 0, 1},
        {{"--rate", "22050"}, 5, 0, 1, 1},
        {{"--rate", "44100"}, 5, 0, 2, 1},
        {{"--mode", "1024x768x16", "--windowed", "--device", "1", "--rate", "22050", "--no-error-box"}, 6, 1, 1, 0},
        {{"--mode", "800x600x16", "--mode", "640x480x16"}, 2, 0, 2, 1},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += a + " ";
        SCOPED_TRACE(joined);
        CommandLineOptions options;
        std::string error;
        ASSERT_EQ(CommandLineAction::Run, Parse(c.args, &options, &error)) << error;
        EXPECT_TRUE(options.skipDialog);
        EXPECT_EQ(1, options.setup.accepted);
        EXPECT_EQ(c.mode, options.setup.screenMode);
        EXPECT_EQ(c.device, options.setup.soundDevice);
        EXPECT_EQ(c.rate, options.setup.sampleRate);
        EXPECT_EQ(c.fullScreen, options.setup.fullScreen);
    }
}

TEST(CommandLine, DataFolderAndErrorBoxesLeaveTheDialogOn) {
    CommandLineOptions options;
    std::string error;
    ASSERT_EQ(CommandLineAction::Run, Parse({"--no-error-box", "--data", "/srv/marlo data"}, &options, &error));
    EXPECT_FALSE(options.skipDialog);
    EXPECT_TRUE(options.noErrorBox);
    EXPECT_EQ("/srv/marlo data", options.dataDir);
}

TEST(CommandLine, ACaptureSkipsTheDialogInAWindowAndTakesItsRateAndLength) {
    CommandLineOptions options;
    std::string error;
    ASSERT_EQ(CommandLineAction::Run, Parse({"--fullscreen", "--capture", "out", "--fps", "240", "--until", "2.25",
                                            "--mode", "640x480x32", "--video", "show.mkv"},
                                           &options, &error));
    EXPECT_TRUE(options.skipDialog);
    EXPECT_EQ(0, options.setup.fullScreen);
    EXPECT_EQ(3, options.setup.screenMode);
    EXPECT_EQ("out", options.captureDir);
    EXPECT_EQ("show.mkv", options.videoFile);
    EXPECT_EQ(240, options.fps);
    EXPECT_EQ(2250u, options.untilMs);
    EXPECT_EQ("default", options.show);
    ASSERT_EQ(CommandLineAction::Run, Parse({"--show", "showcase"}, &options, &error));
    EXPECT_EQ("showcase", options.show);
    EXPECT_FALSE(options.skipDialog);
    ASSERT_EQ(CommandLineAction::Run, Parse({"--until", "0.0015"}, &options, &error));
    EXPECT_EQ(1u, options.untilMs);
    EXPECT_FALSE(options.IsCapture());
    EXPECT_FALSE(options.skipDialog);
    EXPECT_EQ(25, options.fps);
}

TEST(CommandLine, ShowFilesAreToldFromBuiltInShowsAndCheckAndDescribeAreActions) {
    struct Case {
        std::vector<std::string> args;
        CommandLineAction action;
        const char* show;
        const char* showFile;
        const char* check;
        const char* describe;
    };
    const Case cases[] = {
        {{"--show", "mine.toml"}, CommandLineAction::Run, "default", "mine.toml", "", ""},
        {{"--show", "shows/mine"}, CommandLineAction::Run, "default", "shows/mine", "", ""},
        {{"--show", "a.toml", "--show", "showcase"}, CommandLineAction::Run, "showcase", "", "", ""},
        {{"--check", "x.toml", "--windowed"}, CommandLineAction::Check, "default", "", "x.toml", ""},
        {{"--describe"}, CommandLineAction::Describe, "default", "", "", ""},
        {{"--describe", "--data", "d"}, CommandLineAction::Describe, "default", "", "", ""},
        {{"--describe", "Sine Wave"}, CommandLineAction::Describe, "default", "", "", "Sine Wave"},
    };
    for (const Case& c : cases) {
        CommandLineOptions options;
        std::string error;
        EXPECT_EQ(c.action, Parse(c.args, &options, &error)) << c.args[0] << " " << error;
        EXPECT_EQ(c.show, options.show) << c.args[1];
        EXPECT_EQ(c.showFile, options.showFile) << c.args[1];
        EXPECT_EQ(c.check, options.checkFile);
        EXPECT_EQ(c.describe, options.describeType);
    }
    CommandLineOptions options;
    std::string error;
    EXPECT_EQ(CommandLineAction::Error, Parse({"--check"}, &options, &error));
    EXPECT_EQ("marlo: missing show file after --check", error);
}

TEST(CommandLine, StartTakesAShowTimeAsWrittenAndWatchAShowFile) {
    for (const char* start : {"30", "1:02.5", "@3:16"}) {
        CommandLineOptions options;
        std::string error;
        ASSERT_EQ(CommandLineAction::Run, Parse({"--start", start, "--show", "a.toml", "--watch"}, &options, &error))
            << error;
        EXPECT_EQ(options.start, start);  // music positions are resolved once the module can be read
        EXPECT_TRUE(options.watch);
    }
}

TEST(CommandLine, HelpStopsTheReadingAndListsEveryOption) {
    CommandLineOptions options;
    std::string error;
    EXPECT_EQ(CommandLineAction::Help, Parse({"--help"}, &options, &error));
    EXPECT_EQ(CommandLineAction::Help, Parse({"--windowed", "--help", "--bogus"}, &options, &error));
    const std::string help = HelpText();
    for (const char* option : {"--mode WxHxBPP", "--windowed", "--fullscreen", "--device N", "--rate HZ",
                               "--no-error-box", "--data DIR", "--help", "512x384x16", "1280x1024x32",
                               "--capture DIR", "--video FILE", "--fps N", "--until SECONDS", "--show NAME", "--show FILE",
                               "--check FILE", "--describe [TYPE]", "--start TIME", "--watch", "--version", "Space", "Home",
                               "default (the show)", "showcase ("})
        EXPECT_NE(std::string::npos, help.find(option)) << option;
}

TEST(CommandLine, VersionStopsTheReadingAndNamesTheReleaseThenEachLibraryThereIs) {
    CommandLineOptions options;
    std::string error;
    EXPECT_EQ(CommandLineAction::Version, Parse({"--version"}, &options, &error));
    EXPECT_EQ(CommandLineAction::Version, Parse({"--windowed", "--version", "--bogus"}, &options, &error));
    // An empty name is a platform with no library of its own for that part (waveOut).
    EXPECT_EQ("marlo " MARLO_VERSION "\nSDL 2.26.5\nlibpng 1.6.39\n", VersionText({"SDL 2.26.5", "", "libpng 1.6.39"}));
}

TEST(CommandLine, BadInputIsAnErrorThatNamesIt) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--mode", "9x9x9"},
         "marlo: bad value for --mode: 9x9x9 (expected one of 512x384x16, 512x384x32, 640x480x16, 640x480x32, "
         "800x600x16, 800x600x32, 1024x768x16, 1024x768x32, 1280x1024x16, 1280x1024x32)"},
        {{"--mode", "800x600"},
         "marlo: bad value for --mode: 800x600 (expected one of 512x384x16, 512x384x32, 640x480x16, 640x480x32, "
         "800x600x16, 800x600x32, 1024x768x16, 1024x768x32, 1280x1024x16, 1280x1024x32)"},
        {{"--rate", "8000"}, "marlo: bad value for --rate: 8000 (expected 11025, 22050 or 44100)"},
        {{"--rate", "44100Hz"}, "marlo: bad value for --rate: 44100Hz (expected 11025, 22050 or 44100)"},
        {{"--device", "-1"}, "marlo: bad value for --device: -1 (expected a device number 0 or more)"},
        {{"--device", "abc"}, "marlo: bad value for --device: abc (expected a device number 0 or more)"},
        {{"--device", "1x"}, "marlo: bad value for --device: 1x (expected a device number 0 or more)"},
        {{"--device", ""}, "marlo: bad value for --device:  (expected a device number 0 or more)"},
        {{"--device", "2147483648"}, "marlo: bad value for --device: 2147483648 (expected a device number 0 or more)"},
        {{"--data", ""}, "marlo: bad value for --data:  (expected a folder)"},
        {{"--bogus"}, "marlo: unknown option: --bogus (try --help)"},
        {{"--windowed", "show.xm"}, "marlo: unknown option: show.xm (try --help)"},
        {{"--mode"}, "marlo: missing value after --mode"},
        {{"--device"}, "marlo: missing value after --device"},
        {{"--rate"}, "marlo: missing value after --rate"},
        {{"--data", "--windowed"}, "marlo: missing value after --data"},
        {{"--capture", "out", "--fps", "0"}, "marlo: bad value for --fps: 0 (expected a whole number from 1 to 240)"},
        {{"--capture", "out", "--fps", "241"}, "marlo: bad value for --fps: 241 (expected a whole number from 1 to 240)"},
        {{"--capture", "out", "--fps", "2.5"}, "marlo: bad value for --fps: 2.5 (expected a whole number from 1 to 240)"},
        {{"--fps", "30"}, "marlo: --fps needs --capture or --video"},
        {{"--capture", ""}, "marlo: bad value for --capture:  (expected a folder)"},
        {{"--video"}, "marlo: missing value after --video"},
        {{"--show", "nope"}, "marlo: bad value for --show: nope (expected default or showcase, or a show file (a name ending in .toml, or a path))"},
        {{"--show"}, "marlo: missing value after --show"},
        {{"--until", "0"}, "marlo: bad value for --until: 0 (expected seconds above 0, such as 10 or 2.5)"},
        {{"--until", "-3"}, "marlo: bad value for --until: -3 (expected seconds above 0, such as 10 or 2.5)"},
        {{"--until", "1e3"}, "marlo: bad value for --until: 1e3 (expected seconds above 0, such as 10 or 2.5)"},
        {{"--until", "99999999"}, "marlo: bad value for --until: 99999999 (expected seconds above 0, such as 10 or 2.5)"},
        {{"--start", "soon"},
         "marlo: bad value for --start: soon (expected seconds (12.5), minutes and seconds (1:02.5) or a music position (@3:16))"},
        {{"--start", "-1"},
         "marlo: bad value for --start: -1 (expected seconds (12.5), minutes and seconds (1:02.5) or a music position (@3:16))"},
        {{"--start"}, "marlo: missing value after --start"},
        {{"--watch"}, "marlo: --watch needs a show file (--show FILE.toml)"},
        {{"--watch", "--show", "a.toml", "--video", "a.mp4"}, "marlo: --watch is for a show played live, not a capture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        CommandLineOptions options;
        std::string error;
        EXPECT_EQ(CommandLineAction::Error, Parse(c.args, &options, &error));
        EXPECT_EQ(c.message, error);
    }
}

}  // namespace
