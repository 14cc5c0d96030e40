// A brick wall for per-pixel lighting: the bricks' colour and, from the same relief, a
// normal map. The relief is raised bricks with bevelled edges in mortar grooves; the normal
// map holds its slopes as (x, y, z) x 0.5 + 0.5, x along the texture's s and y along t
// (rows top to bottom are t from 0 up).
#include "Images.h"
#include "Noise.h"

#include <algorithm>
#include <cmath>

namespace data {

namespace {

constexpr int kSize = 256;
constexpr int kRows = 8;            // courses of bricks
constexpr int kBricksPerRow = 4;
constexpr float kMortar = 3.0f;     // half the groove, in texels
constexpr float kBevel = 5.0f;      // texels over which a brick's edge rises

// Height 0 in the mortar rising to 1 on a brick's face; each course is shifted half a brick.
float Height(int x, int y, const ValueNoise& noise) {
    const int course = ((y % kSize) + kSize) % kSize / (kSize / kRows);
    const float cy = static_cast<float>(((y % kSize) + kSize) % kSize - course * (kSize / kRows));
    const int shift = (course % 2) * (kSize / kBricksPerRow / 2);
    const float cx = static_cast<float>((((x + shift) % kSize) + kSize) % kSize % (kSize / kBricksPerRow));
    const float edge = std::min({cx, static_cast<float>(kSize / kBricksPerRow) - 1.0f - cx, cy,
                                 static_cast<float>(kSize / kRows) - 1.0f - cy});
    const float rise = std::clamp((edge - kMortar) / kBevel, 0.0f, 1.0f);
    const float rough = noise.Fractal(static_cast<float>(x) / 32.0f, static_cast<float>(y) / 32.0f, 3.0f, 3, 0.5f, 8);
    return rise * (0.9f + 0.1f * rough);
}

}  // namespace

bool WriteBricks(const std::string& basePath, const std::string& normalPath, std::string* error) {
    const ValueNoise noise(0x627269636b73ull);
    std::vector<float> height(static_cast<size_t>(kSize) * kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) height[static_cast<size_t>(y) * kSize + static_cast<size_t>(x)] = Height(x, y, noise);
    auto h = [&](int x, int y) {
        return height[static_cast<size_t>((y + kSize) % kSize) * kSize + static_cast<size_t>((x + kSize) % kSize)];
    };

    std::vector<uint8_t> base(static_cast<size_t>(kSize) * kSize * 3), normals(base.size());
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const size_t at = (static_cast<size_t>(y) * kSize + static_cast<size_t>(x)) * 3;
            // Slopes by central differences; the relief is about 4 texels high.
            const float dx = (h(x + 1, y) - h(x - 1, y)) * 2.0f, dy = (h(x, y + 1) - h(x, y - 1)) * 2.0f;
            const float length = std::sqrt(dx * dx + dy * dy + 1.0f);
            const float n[3] = {-dx / length, -dy / length, 1.0f / length};
            for (int c = 0; c < 3; ++c) normals[at + static_cast<size_t>(c)] = static_cast<uint8_t>(std::lround((n[c] * 0.5f + 0.5f) * 255.0f));

            const float face = h(x, y);
            const float tone = noise.Fractal(static_cast<float>(x) / 64.0f, static_cast<float>(y) / 16.0f, 5.0f, 4, 0.5f, 4);
            // Brick red on the faces, pale grey mortar in the grooves.
            const float brick[3] = {0.62f + 0.12f * tone, 0.27f + 0.06f * tone, 0.18f + 0.04f * tone};
            const float mortar[3] = {0.72f, 0.70f, 0.66f};
            const float mix = std::clamp(face * 1.5f, 0.0f, 1.0f);
            for (int c = 0; c < 3; ++c) {
                base[at + static_cast<size_t>(c)] =
                    static_cast<uint8_t>(std::lround(255.0f * (mix * brick[c] + (1.0f - mix) * mortar[c])));
            }
        }
    }
    return WritePng(basePath, kSize, kSize, base, error) && WritePng(normalPath, kSize, kSize, normals, error);
}

}  // namespace data
