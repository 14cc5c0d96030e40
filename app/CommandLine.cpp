#include "CommandLine.h"

#include "ShowTime.h"
#include "Shows.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kProgram = "marlo";

std::string ModeList() {
    std::string list;
    for (int i = 0; i < kScreenModeCount; ++i) {
        if (i > 0) list += ", ";
        list += ScreenModeName(i);
    }
    return list;
}

// Digits only, no sign, no blanks, and within a signed 32-bit device index.
bool ParseDeviceIndex(const char* text, int32_t* value) {
    if (!text[0]) return false;
    int64_t n = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') return false;
        n = n * 10 + (*p - '0');
        if (n > INT32_MAX) return false;
    }
    *value = static_cast<int32_t>(n);
    return true;
}

// A whole number from `low` to `high`, digits only.
bool ParseWhole(const char* text, int32_t low, int32_t high, int32_t* value) {
    int32_t n = 0;
    return ParseDeviceIndex(text, &n) && n >= low && n <= high && ((*value = n), true);
}

// Seconds with an optional fraction ("2", "2.5"), above 0 and within the 32-bit
// millisecond clock; the result in whole milliseconds.
bool ParseSeconds(const char* text, uint32_t* milliseconds) {
    int64_t whole = 0, fraction = 0, scale = 1;
    const char* p = text;
    if (!(*p >= '0' && *p <= '9')) return false;
    for (; *p >= '0' && *p <= '9'; ++p) {
        whole = whole * 10 + (*p - '0');
        if (whole > 4000000) return false;
    }
    if (*p == '.') {
        for (++p; *p >= '0' && *p <= '9'; ++p) {
            if (scale < 1000) {
                fraction = fraction * 10 + (*p - '0');
                scale *= 10;
            }
        }
    }
    if (*p) return false;
    const int64_t ms = whole * 1000 + fraction * 1000 / scale;
    if (ms <= 0) return false;
    *milliseconds = static_cast<uint32_t>(ms);
    return true;
}

int FindMode(const char* text) {
    for (int i = 0; i < kScreenModeCount; ++i)
        if (ScreenModeName(i) == text) return i;
    return -1;
}

int FindRate(const char* text) {
    for (int i = 0; i < kSampleRateCount; ++i)
        if (std::to_string(kSampleRates[i]) == text) return i;
    return -1;
}

// "0 Default sound device, 1 ..., 2 No sound": the devices by their --device numbers.
std::string DeviceList(const std::vector<std::string>& devices) {
    std::string list;
    for (size_t i = 0; i < devices.size(); ++i) {
        if (i > 0) list += ", ";
        list += std::to_string(i) + " " + devices[i];
    }
    return list;
}

std::string ShowList() {
    std::string list;
    for (int i = 0; i < kShowCount; ++i) list += std::string(i == 0 ? "" : i + 1 == kShowCount ? " or " : ", ") + kShows[i].name;
    return list + ", or a show file (a name ending in .toml, or a path)";
}

std::string RateList() {
    std::string list;
    for (int i = 0; i < kSampleRateCount; ++i) {
        if (i > 0) list += (i + 1 == kSampleRateCount) ? " or " : ", ";
        list += std::to_string(kSampleRates[i]);
    }
    return list;
}

CommandLineAction Fail(std::string* error, const std::string& text) {
    if (error) *error = std::string(kProgram) + ": " + text;
    return CommandLineAction::Error;
}

CommandLineAction BadValue(std::string* error, const char* flag, const char* value, const std::string& expected) {
    return Fail(error, std::string("bad value for ") + flag + ": " + value + " (expected " + expected + ")");
}

}  // namespace

std::string ScreenModeName(int index) {
    if (index < 0 || index >= kScreenModeCount) return std::string();
    char text[48];
    std::snprintf(text, sizeof(text), "%ix%ix%i", static_cast<int>(kScreenModes[index].width),
                  static_cast<int>(kScreenModes[index].height), static_cast<int>(kScreenModes[index].bitsPerPixel));
    return text;
}

CommandLineAction ParseCommandLine(int argc, char** argv, CommandLineOptions* out, std::string* error) {
    CommandLineOptions local;
    CommandLineOptions& options = out ? *out : local;
    options = CommandLineOptions();
    options.setup.accepted = 1;

    bool fpsGiven = false;
    CommandLineAction action = CommandLineAction::Run;
    for (int i = 1; i < argc && argv; ++i) {
        const char* arg = argv[i];
        if (!arg) continue;
        // Flags that take a value: the next argument, which must not itself be a flag,
        // so that "--data --windowed" is not read as a folder named "--windowed".
        auto takeValue = [&](const char** value) {
            if (i + 1 >= argc || !argv[i + 1] || std::strncmp(argv[i + 1], "--", 2) == 0) return false;
            *value = argv[++i];
            return true;
        };
        const char* value = nullptr;

        if (std::strcmp(arg, "--help") == 0) {
            return CommandLineAction::Help;
        } else if (std::strcmp(arg, "--version") == 0) {
            return CommandLineAction::Version;
        } else if (std::strcmp(arg, "--windowed") == 0) {
            options.setup.fullScreen = 0;
            options.skipDialog = true;
        } else if (std::strcmp(arg, "--fullscreen") == 0) {
            options.setup.fullScreen = 1;
            options.skipDialog = true;
        } else if (std::strcmp(arg, "--no-error-box") == 0) {
            options.noErrorBox = true;
        } else if (std::strcmp(arg, "--watch") == 0) {
            options.watch = true;
        } else if (std::strcmp(arg, "--start") == 0) {
            if (!takeValue(&value)) return Fail(error, std::string("missing value after ") + arg);
            ShowTimeText time;
            std::string why;
            if (!ParseShowTime(value, &time, &why)) {
                return BadValue(error, arg, value, "seconds (12.5), minutes and seconds (1:02.5) or a music position (@3:16)");
            }
            options.start = value;
        } else if (std::strcmp(arg, "--show") == 0) {
            if (!takeValue(&value)) return Fail(error, std::string("missing value after ") + arg);
            if (FindShow(value)) {
                options.show = value;
                options.showFile.clear();
            } else if (IsShowFileName(value)) {
                options.showFile = value;
            } else {
                return BadValue(error, arg, value, ShowList());
            }
        } else if (std::strcmp(arg, "--check") == 0) {
            if (!takeValue(&value) || !value[0]) return Fail(error, std::string("missing show file after ") + arg);
            options.checkFile = value;
            action = CommandLineAction::Check;
        } else if (std::strcmp(arg, "--describe") == 0) {
            // The type is optional: a following flag is not one.
            options.describeType = takeValue(&value) ? value : "";
            action = CommandLineAction::Describe;
        } else if (std::strcmp(arg, "--capture") == 0 || std::strcmp(arg, "--video") == 0 ||
                   std::strcmp(arg, "--fps") == 0 || std::strcmp(arg, "--until") == 0) {
            if (!takeValue(&value)) return Fail(error, std::string("missing value after ") + arg);
            if (std::strcmp(arg, "--capture") == 0) {
                if (!value[0]) return BadValue(error, arg, value, "a folder");
                options.captureDir = value;
            } else if (std::strcmp(arg, "--video") == 0) {
                if (!value[0]) return BadValue(error, arg, value, "a file name");
                options.videoFile = value;
            } else if (std::strcmp(arg, "--fps") == 0) {
                if (!ParseWhole(value, 1, 240, &options.fps)) return BadValue(error, arg, value, "a whole number from 1 to 240");
                fpsGiven = true;
            } else if (!ParseSeconds(value, &options.untilMs)) {
                return BadValue(error, arg, value, "seconds above 0, such as 10 or 2.5");
            }
        } else if (std::strcmp(arg, "--mode") == 0 || std::strcmp(arg, "--device") == 0 ||
                   std::strcmp(arg, "--rate") == 0 || std::strcmp(arg, "--data") == 0) {
            if (!takeValue(&value)) return Fail(error, std::string("missing value after ") + arg);
            if (std::strcmp(arg, "--mode") == 0) {
                int mode = FindMode(value);
                if (mode < 0) return BadValue(error, arg, value, "one of " + ModeList());
                options.setup.screenMode = mode;
                options.skipDialog = true;
            } else if (std::strcmp(arg, "--device") == 0) {
                int32_t device = 0;
                if (!ParseDeviceIndex(value, &device)) return BadValue(error, arg, value, "a device number 0 or more");
                options.setup.soundDevice = device;
                options.skipDialog = true;
            } else if (std::strcmp(arg, "--rate") == 0) {
                int rate = FindRate(value);
                if (rate < 0) return BadValue(error, arg, value, RateList());
                options.setup.sampleRate = rate;
                options.skipDialog = true;
            } else {
                if (!value[0]) return BadValue(error, arg, value, "a folder");
                options.dataDir = value;
            }
        } else {
            return Fail(error, std::string("unknown option: ") + arg + " (try --help)");
        }
    }
    if (action != CommandLineAction::Run) return action;
    if (fpsGiven && !options.IsCapture()) return Fail(error, "--fps needs --capture or --video");
    if (options.watch && options.showFile.empty()) return Fail(error, "--watch needs a show file (--show FILE.toml)");
    if (options.watch && options.IsCapture()) return Fail(error, "--watch is for a show played live, not a capture");
    if (options.IsCapture()) {
        // A capture asks nobody and renders off screen, in a window of the mode's size.
        options.skipDialog = true;
        options.setup.fullScreen = 0;
    }
    return CommandLineAction::Run;
}

bool IsShowFileName(const std::string& name) {
    const bool toml = name.size() > 5 && name.compare(name.size() - 5, 5, ".toml") == 0;
    return toml || name.find('/') != std::string::npos || name.find('\\') != std::string::npos;
}

bool CheckSoundDevice(const CommandLineOptions& options, const std::vector<std::string>& devices,
                      std::string* error) {
    const int32_t device = options.setup.soundDevice;
    if (device >= 0 && static_cast<size_t>(device) < devices.size()) return true;
    std::string expected = devices.empty() ? std::string("a listed device, and there are none")
                                           : "a device number 0 to " + std::to_string(devices.size() - 1) + ": " +
                                                 DeviceList(devices);
    BadValue(error, "--device", std::to_string(device).c_str(), expected);
    return false;
}

std::string VersionText(const std::vector<std::string>& libraries) {
    std::string text = std::string(kProgram) + " " + MARLO_VERSION + "\n";
    for (const std::string& library : libraries) {
        if (!library.empty()) text += library + "\n";
    }
    return text;
}

std::string HelpText(const std::vector<std::string>& devices) {
    std::string text;
    text += "Usage: marlo [options]\n";
    text += "Without --mode, --windowed, --fullscreen, --device, --rate or a capture the setup dialog asks.\n";
    text += "  --mode WxHxBPP   screen mode, one of " + ModeList() + " (default 800x600x32)\n";
    text += "  --windowed       play in a window\n";
    text += "  --fullscreen     play full screen (the default)\n";
    text += "  --device N       sound device number, 0 for the first (the default)\n";
    text += "  --rate HZ        sample rate, " + RateList() + " (default 44100)\n";
    text += "  --no-error-box   write error reports to standard error instead of showing a box\n";
    text += "  --data DIR       the folder that holds the show's files (default: data/ beside the program,\n"
            "                   or ../share/marlo from the program's folder as installed)\n";
    text += "  --show NAME      the show to play:";
    for (int i = 0; i < kShowCount; ++i) {
        text += std::string(i == 0 ? " " : ", ") + kShows[i].name + " (" + kShows[i].description + ")";
    }
    text += "\n";
    text += "  --show FILE      play a show file (.toml); its data files are read from the data folder\n";
    text += "  --check FILE     check a show file without playing it: exit 0 and a summary, or 2 and every error\n";
    text += "  --describe [TYPE] list the effect and modifier types, or a type's parameters, for show files\n";
    text += "  --capture DIR    render the show offline, without a display or sound card, into\n"
            "                   DIR/frame_000000.png, ... and DIR/soundtrack.wav, the same every run\n";
    text += "  --video FILE     capture into one video file through ffmpeg (.mp4: H.264 and AAC)\n";
    text += "  --fps N          frames per second of a capture, 1 to 240 (default 25)\n";
    text += "  --until SECONDS  end the show at this time (with a capture: capture only this much)\n";
    text += "  --start TIME     start the show at this time: seconds, m:ss.s or @order:row of its music; with a\n"
            "                   capture, only the frames and sound from there on (a range of the whole capture)\n";
    text += "  --watch          with a show file: read it again whenever it changes, and go on at the same time\n";
    text += "  --version        print the version of marlo and of the libraries it runs on\n";
    text += "  --help           show this text\n";
    text += "Keys while the show plays: Space pause/resume, Left/Right 5 s back/forward (Shift: 1 s),\n"
            "Home to the start, Escape to quit.\n";
    if (!devices.empty()) text += "Sound devices: " + DeviceList(devices) + "\n";
    return text;
}
