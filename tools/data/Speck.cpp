// A speck of dust or snow for the atmosphere's sprites: white, with an alpha that falls off
// smoothly from the middle so that the square's edges never show.
#include "Images.h"

#include <algorithm>
#include <cmath>

namespace data {

bool WriteSpeck(const std::string& path, std::string* error) {
    constexpr int kSize = 64;
    std::vector<uint8_t> pixels(static_cast<size_t>(kSize) * kSize * 4);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float dx = (static_cast<float>(x) + 0.5f) / kSize * 2.0f - 1.0f;
            const float dy = (static_cast<float>(y) + 0.5f) / kSize * 2.0f - 1.0f;
            const float r = std::sqrt(dx * dx + dy * dy);
            // A bright core and a soft halo, nothing at the rim.
            const float alpha = std::clamp(1.0f - r, 0.0f, 1.0f);
            uint8_t* out = &pixels[(static_cast<size_t>(y) * kSize + static_cast<size_t>(x)) * 4];
            out[0] = out[1] = out[2] = 255;
            out[3] = static_cast<uint8_t>(std::lround(255.0f * alpha * alpha));
        }
    }
    return WritePngRgba(path, kSize, kSize, pixels, error);
}

}  // namespace data
