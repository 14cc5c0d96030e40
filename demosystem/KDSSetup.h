// The start-up configuration: the screen-mode table, the sample rates, and the record the
// setup dialog (or the command line) fills. The demo system asks a provider installed by
// the program for it, so that the dialog's toolkit stays out of this layer.
#pragma once

#include <cstdint>

struct KDSScreenMode {
    int32_t width;
    int32_t height;
    int32_t bitsPerPixel;
};

constexpr int kScreenModeCount = 10;
extern const KDSScreenMode kScreenModes[kScreenModeCount];
constexpr int kSampleRateCount = 3;
extern const int32_t kSampleRates[kSampleRateCount];  // 11025, 22050, 44100

// The dialog's result record.
struct KDSSetupResult {
    int32_t accepted = 0;    // 1 when OK was accepted
    int32_t screenMode = 5;  // index into kScreenModes (800x600x32)
    int32_t soundDevice = 0;
    int32_t sampleRate = 2;  // index into kSampleRates (44100)
    int32_t fullScreen = 1;
};

// Shows the setup (dialog, or answers from the command line) and fills the result; the
// program installs one before Init. Without a provider the defaults are taken, accepted.
using KDSSetupProvider = void (*)(KDSSetupResult* result);
