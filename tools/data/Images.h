// The show's pictures: the sky that the model reflects and the window icon. Both are
// drawn in code from the project's own noise and shapes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace data {

// 256 x 256 RGB PNG: deep blue at the top (zenith) fading to a pale horizon at the
// bottom, with soft clouds; it tiles left to right.
bool WriteSky(const std::string& path, std::string* error);

// The model's own texture: a 256 x 256 RGB PNG of pale, softly veined stone, which the
// sphere-mapped sky darkens where it reflects.
bool WriteModelTexture(const std::string& path, std::string* error);

// A 256 x 256 brick wall for per-pixel lighting: its colour and its normal map, both PNG.
bool WriteBricks(const std::string& basePath, const std::string& normalPath, std::string* error);

// A 64 x 64 RGBA PNG: a soft white speck fading to transparent, for floating sprites.
bool WriteSpeck(const std::string& path, std::string* error);

// Writes width x height RGB (or RGBA) pixels, rows top to bottom, as an 8-bit PNG.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb, std::string* error);
bool WritePngRgba(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
                  std::string* error);

// 64 x 64 32-bit BMP with alpha (bitfield masks, rows bottom-up): a shaded icosahedron on
// a transparent background.
bool WriteIcon(const std::string& path, std::string* error);

// The same icon for the desktop's menus, drawn at each of these sizes: RGBA PNG files
// FOLDER/SIZExSIZE/apps/marlo.png, laid out as an icon theme's folders.
constexpr int kDesktopIconSizes[] = {32, 48, 64, 256};
bool WriteDesktopIcons(const std::string& folder, std::string* error);

}  // namespace data
