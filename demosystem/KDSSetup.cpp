// The screen modes and sample rates the setup offers, in the order it lists them.
#include "KDSSetup.h"

const KDSScreenMode kScreenModes[kScreenModeCount] = {
    {512, 384, 16},  {512, 384, 32},  {640, 480, 16},  {640, 480, 32},   {800, 600, 16},
    {800, 600, 32},  {1024, 768, 16}, {1024, 768, 32}, {1280, 1024, 16}, {1280, 1024, 32},
};

const int32_t kSampleRates[kSampleRateCount] = {11025, 22050, 44100};
