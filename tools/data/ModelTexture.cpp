// The model's own texture: pale stone with soft veins. It is bright so that the sky,
// blended over it through the sphere map, shows as darker reflections that slide over the
// surface as the camera moves.
#include "Images.h"
#include "Noise.h"

#include <cmath>

namespace data {

bool WriteModelTexture(const std::string& path, std::string* error) {
    constexpr int kSize = 256;
    const ValueNoise noise(0x69636f7361ull);
    std::vector<uint8_t> pixels(static_cast<size_t>(kSize) * kSize * 3);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float u = static_cast<float>(x) / kSize * 4.0f, v = static_cast<float>(y) / kSize * 4.0f;
            // Veins: a sine of a coordinate bent by fractal noise, sharpened.
            const float bend = noise.Fractal(u, v, 1.5f, 5, 0.5f, 4);
            const float vein = std::pow(std::fabs(std::sin(3.0f * u + 2.0f * v + 9.0f * bend)), 0.3f);
            const float grain = noise.Fractal(u * 4.0f, v * 4.0f, 7.0f, 3, 0.5f, 16);
            const float light = 0.78f + 0.16f * vein + 0.06f * grain;
            uint8_t* out = &pixels[(static_cast<size_t>(y) * kSize + static_cast<size_t>(x)) * 3];
            // A warm ivory, the veins a little cooler.
            out[0] = static_cast<uint8_t>(std::fmin(255.0f, 255.0f * light));
            out[1] = static_cast<uint8_t>(std::fmin(255.0f, 248.0f * light));
            out[2] = static_cast<uint8_t>(std::fmin(255.0f, 230.0f * (light + 0.04f * (1.0f - vein))));
        }
    }
    return WritePng(path, kSize, kSize, pixels, error);
}

}  // namespace data
