// How far one captured picture is from another, by the measure the reference-frame tests
// accept: another rasteriser may round an edge differently, so a few pixels may be far
// off and the mean may move a little, and no more.
#pragma once

#include "PngPicture.h"

#include <algorithm>
#include <cstdlib>

struct PictureDifference {
    size_t pixelsFarOff = 0;  // pixels with a channel more than kFarOff away
    double meanDifference = 0.0;  // per channel, over the whole picture

    static constexpr int kFarOff = 24;
    // The tolerance: fewer than one pixel in 200 far off, a mean below one step.
    bool WithinTolerance(size_t pixels) const { return pixelsFarOff < pixels / 200 && meanDifference < 1.0; }
};

// Pictures of different sizes are as far apart as can be.
inline PictureDifference ComparePictures(const Picture& got, const Picture& want) {
    PictureDifference difference;
    if (got.width != want.width || got.height != want.height || got.rgb.size() != want.rgb.size() ||
        want.rgb.empty()) {
        difference.pixelsFarOff = static_cast<size_t>(-1);
        difference.meanDifference = 255.0;
        return difference;
    }
    double total = 0.0;
    for (size_t i = 0; i < want.rgb.size(); i += 3) {
        int worst = 0;
        for (size_t k = 0; k < 3; ++k) {
            const int d = std::abs(int(got.rgb[i + k]) - int(want.rgb[i + k]));
            worst = std::max(worst, d);
            total += d;
        }
        if (worst > PictureDifference::kFarOff) ++difference.pixelsFarOff;
    }
    difference.meanDifference = total / double(want.rgb.size());
    return difference;
}
