// The program's command line: the setup choices that skip the dialog, the data folder,
// error boxes off, and the help text. Parsing only reads argv; the caller acts on the
// outcome (exit code 2 for an error, the help on standard output).
#pragma once

#include "KDSSetup.h"

#include <string>
#include <vector>

struct CommandLineOptions {
    // Set when any of --mode, --windowed, --fullscreen, --device or --rate was given:
    // the dialog is skipped and `setup` holds the choices (accepted, with the dialog's
    // defaults for what was not given: 800x600x32, device 0, 44100 Hz, full screen).
    bool skipDialog = false;
    KDSSetupResult setup;
    bool noErrorBox = false;
    // The data folder; empty means the one beside the executable.
    std::string dataDir;
    // Offline capture (--capture DIR and/or --video FILE, at --fps): no dialog, no window
    // on screen, no sound device.
    std::string captureDir;
    std::string videoFile;
    int32_t fps = 25;
    // The composition to play (--show): a name of the shows table, or a show file
    // (`showFile`, as given: relative to the folder marlo was started in).
    std::string show = "default";
    std::string showFile;
    // --check FILE: the show file to check; --describe [TYPE]: the type to describe (empty
    // for the whole catalog).
    std::string checkFile;
    std::string describeType;
    // --until: the show ends at this time (ms) if it would end later; 0 for its own end.
    uint32_t untilMs = 0;
    // --start: where the show starts, as given (seconds, "m:ss.s" or "@order:row" of the
    // show's module, resolved once the module can be read); empty for 0.
    std::string start;
    // --watch: a show file is read again whenever it changes on disk (live runs).
    bool watch = false;

    bool IsCapture() const { return !captureDir.empty() || !videoFile.empty(); }
};

enum class CommandLineAction { Run, Help, Version, Error, Check, Describe };

// Reads the arguments after argv[0], left to right; a later choice of the same kind
// replaces an earlier one (--windowed then --fullscreen is full screen). --help and
// --version stop the reading at once; --check FILE and --describe [TYPE] are actions of
// their own. On Error, *error holds one line naming the offending argument, such as
// "marlo: bad value for --rate: 8000 (expected 11025, 22050 or 44100)"; *out may then hold
// part of the choices.
CommandLineAction ParseCommandLine(int argc, char** argv, CommandLineOptions* out, std::string* error);

// Whether --show's value names a show file rather than a built-in show: it ends in ".toml"
// or holds a path separator.
bool IsShowFileName(const std::string& name);

// The usage text for --help, one option a line; with the sound devices, it lists them
// by their --device numbers.
std::string HelpText(const std::vector<std::string>& devices = {});

// The text of --version: "marlo 1.0.0" (the build's version), then each of `libraries`
// ("SDL 2.26.5") on a line of its own; empty names are left out.
std::string VersionText(const std::vector<std::string>& libraries);

// Whether the chosen sound device is one of `devices` (the back end's list, which the
// dialog offers). False with *error naming the value and the devices there are.
bool CheckSoundDevice(const CommandLineOptions& options, const std::vector<std::string>& devices,
                      std::string* error);

// A screen mode as the dialog lists it and --mode takes it: "%ix%ix%i" of the row of
// kScreenModes (800x600x32); empty for an index outside the table.
std::string ScreenModeName(int index);
