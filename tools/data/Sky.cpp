// The sky texture: a vertical gradient from a deep blue zenith (top row) to a pale horizon
// (bottom row) under soft fractal clouds, written as an 8-bit RGB PNG through libpng.
#include "Images.h"
#include "Noise.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace data {

namespace {

constexpr int kSize = 256;

struct Colour {
    float r, g, b;
};

Colour Mix(const Colour& a, const Colour& b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float SmoothStep(float edge0, float edge1, float x) {
    float t = (x - edge0) / (edge1 - edge0);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    return t * t * (3.0f - 2.0f * t);
}

uint8_t ToByte(float value) {
    const float scaled = value * 255.0f + 0.5f;
    return static_cast<uint8_t>(scaled < 0.0f ? 0.0f : (scaled > 255.0f ? 255.0f : scaled));
}

std::vector<uint8_t> PaintSky() {
    const Colour zenith{0.05f, 0.15f, 0.42f}, middle{0.22f, 0.45f, 0.80f}, horizon{0.84f, 0.90f, 0.96f};
    const ValueNoise noise(0x736b79ull);
    Random dither(0x646974686572ull);
    std::vector<uint8_t> pixels(static_cast<size_t>(kSize) * kSize * 3);

    for (int y = 0; y < kSize; ++y) {
        const float t = (static_cast<float>(y) + 0.5f) / kSize;  // 0 at the zenith, 1 at the horizon
        const Colour sky = Mix(Mix(zenith, middle, SmoothStep(0.0f, 0.55f, t)), horizon, SmoothStep(0.4f, 1.0f, t));
        // Clouds flatten towards the horizon: their vertical noise coordinate speeds up.
        const float cy = 3.0f * t + 4.0f * t * t;
        // Few clouds straight up, most in the lower middle, thinning into the haze.
        const float amount = SmoothStep(0.05f, 0.45f, t) * (1.0f - 0.6f * SmoothStep(0.8f, 1.0f, t));
        for (int x = 0; x < kSize; ++x) {
            const float cx = static_cast<float>(x) / kSize * 5.0f;  // five cells across, repeating
            const float density = noise.Fractal(cx, cy, 0.5f, 5, 0.5f, 5);
            const float cover = SmoothStep(0.47f, 0.70f, density) * amount;
            // Lit from above: the cloud is darker where the noise below it is denser.
            const float under = noise.Fractal(cx, cy + 0.12f, 0.5f, 5, 0.5f, 5);
            const float shade = 1.0f - 0.28f * SmoothStep(0.5f, 0.75f, under);
            const Colour cloud{0.97f * shade, 0.97f * shade, 1.0f * shade + 0.02f};
            const Colour c = Mix(sky, cloud, 0.92f * cover);
            // Half a step of dither keeps the long gradient from banding.
            const float d = (dither.Uniform() - 0.5f) / 255.0f;
            uint8_t* out = &pixels[(static_cast<size_t>(y) * kSize + static_cast<size_t>(x)) * 3];
            out[0] = ToByte(c.r + d);
            out[1] = ToByte(c.g + d);
            out[2] = ToByte(c.b + d);
        }
    }
    return pixels;
}

}  // namespace

bool WriteSky(const std::string& path, std::string* error) {
    std::vector<uint8_t> pixels = PaintSky();
    return WritePng(path, kSize, kSize, pixels, error);
}

}  // namespace data
