// The window icon: a flat-shaded icosahedron with light edges, antialiased by 4 x 4
// supersampling, on a transparent background. Written as a 32-bit BMP with a V4 header
// and explicit R, G, B, A bit masks so the alpha channel survives loading, and beside it
// as a Windows icon file (".ico": 64, 32 and 16 pixels, 32-bit with alpha and a mask)
// for the Windows program's icon resource. The desktop's icons (PNG, 32 to 256 pixels)
// are the same drawing made at each size.
#include "Bytes.h"
#include "Geometry.h"
#include "Images.h"

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace data {

namespace {

constexpr int kSize = 64;
constexpr int kSamples = 4;  // per pixel side

struct Pixel {
    float r = 0, g = 0, b = 0, a = 0;
};

KEVector3 Turned(const KEVector3& p, float pitch, float yaw) {
    // Yaw about y, then pitch about x.
    const float cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    const KEVector3 q{cy * p.x + sy * p.z, p.y, -sy * p.x + cy * p.z};
    return {q.x, cp * q.y - sp * q.z, sp * q.y + cp * q.z};
}

KEVector3 Unit(const KEVector3& v) { return Scale(v, 1.0f / Length(v)); }

float Dot3(const KEVector3& a, const KEVector3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

// Signed distance from (x, y) to the line a-b, positive on the triangle's inner side
// given the triangle's 2D winding sign.
float EdgeDistance(float x, float y, const KEVector3& a, const KEVector3& b, float winding) {
    const float ex = b.x - a.x, ey = b.y - a.y;
    return winding * (ex * (y - a.y) - ey * (x - a.x)) / std::sqrt(ex * ex + ey * ey);
}

// The icon at `size` pixels a side. The drawing is laid out on 64 units (the window
// icon's pixels), so every size shows the same picture.
std::vector<Pixel> PaintIcon(int size) {
    const float unitsPerPixel = static_cast<float>(kSize) / static_cast<float>(size);
    const float radius = 29.5f;  // units from the centre to a corner
    Mesh solid = MakeGeodesicSphere(0, radius);
    for (KEVector3& p : solid.positions) p = Turned(p, 0.42f, 0.33f);

    const KEVector3 light = Unit(KEVector3{-0.45f, 0.75f, 0.55f});
    const KEVector3 half = Unit(Add(light, KEVector3{0, 0, 1}));
    std::vector<Pixel> image(static_cast<size_t>(size) * size);

    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            Pixel sum;
            int covered = 0;
            for (int s = 0; s < kSamples * kSamples; ++s) {
                // Image y grows downwards, the solid's upwards.
                const float x =
                    (static_cast<float>(px) + (static_cast<float>(s % kSamples) + 0.5f) / kSamples) * unitsPerPixel - 32.0f;
                const float y =
                    32.0f - (static_cast<float>(py) + (static_cast<float>(s / kSamples) + 0.5f) / kSamples) * unitsPerPixel;
                for (size_t t = 0; t < solid.triangles.size(); t += 3) {
                    const KEVector3& p0 = solid.positions[solid.triangles[t]];
                    const KEVector3& p1 = solid.positions[solid.triangles[t + 1]];
                    const KEVector3& p2 = solid.positions[solid.triangles[t + 2]];
                    const KEVector3 n = Unit(FaceNormal(p0, p1, p2));
                    if (n.z <= 0.0f) continue;  // facing away from the viewer on +z
                    const float area = (p1.x - p0.x) * (p2.y - p0.y) - (p1.y - p0.y) * (p2.x - p0.x);
                    const float winding = area > 0.0f ? 1.0f : -1.0f;
                    const float d0 = EdgeDistance(x, y, p0, p1, winding);
                    const float d1 = EdgeDistance(x, y, p1, p2, winding);
                    const float d2 = EdgeDistance(x, y, p2, p0, winding);
                    if (d0 < 0.0f || d1 < 0.0f || d2 < 0.0f) continue;

                    const float diffuse = std::fmax(0.0f, Dot3(n, light));
                    const float specular = std::pow(std::fmax(0.0f, Dot3(n, half)), 24.0f);
                    // Deep blue faces turning teal as they face upwards.
                    const float up = 0.5f + 0.5f * n.y;
                    const float base[3] = {0.10f + 0.10f * up, 0.30f + 0.40f * up, 0.70f + 0.15f * up};
                    const float lit = 0.48f + 0.62f * diffuse;
                    float rgb[3] = {base[0] * lit + 0.9f * specular, base[1] * lit + 0.85f * specular,
                                    base[2] * lit + 0.7f * specular};
                    // Light edges draw the facets.
                    const float edge = std::fmin(d0, std::fmin(d1, d2));
                    if (edge < 0.75f) {
                        const float w = 0.65f * (1.0f - edge / 0.75f);
                        rgb[0] += (0.90f - rgb[0]) * w;
                        rgb[1] += (0.97f - rgb[1]) * w;
                        rgb[2] += (1.00f - rgb[2]) * w;
                    }
                    sum.r += std::fmin(rgb[0], 1.0f);
                    sum.g += std::fmin(rgb[1], 1.0f);
                    sum.b += std::fmin(rgb[2], 1.0f);
                    ++covered;
                    break;
                }
            }
            if (covered > 0) {
                Pixel& out = image[static_cast<size_t>(py) * size + static_cast<size_t>(px)];
                out.r = sum.r / static_cast<float>(covered);
                out.g = sum.g / static_cast<float>(covered);
                out.b = sum.b / static_cast<float>(covered);
                out.a = static_cast<float>(covered) / (kSamples * kSamples);
            }
        }
    }
    return image;
}

uint8_t ToByte(float value) {
    const float scaled = value * 255.0f + 0.5f;
    return static_cast<uint8_t>(scaled < 0.0f ? 0.0f : (scaled > 255.0f ? 255.0f : scaled));
}

// Half the size, each pixel the average of four, weighted by their coverage.
std::vector<Pixel> Halved(const std::vector<Pixel>& image, int size) {
    const int half = size / 2;
    std::vector<Pixel> out(static_cast<size_t>(half) * half);
    for (int y = 0; y < half; ++y) {
        for (int x = 0; x < half; ++x) {
            Pixel sum;
            for (int s = 0; s < 4; ++s) {
                const Pixel& p = image[static_cast<size_t>(2 * y + s / 2) * size + static_cast<size_t>(2 * x + s % 2)];
                sum.r += p.r * p.a;
                sum.g += p.g * p.a;
                sum.b += p.b * p.a;
                sum.a += p.a;
            }
            Pixel& o = out[static_cast<size_t>(y) * half + static_cast<size_t>(x)];
            if (sum.a > 0.0f) o = {sum.r / sum.a, sum.g / sum.a, sum.b / sum.a, sum.a / 4.0f};
        }
    }
    return out;
}

// One image of an icon file: a BITMAPINFOHEADER of twice the height, the BGRA rows
// bottom-up, then the 1-bit mask (set where fully transparent), rows padded to 4 bytes.
std::vector<uint8_t> IconImage(const std::vector<Pixel>& image, int size) {
    std::vector<uint8_t> bytes;
    Put32(&bytes, 40);
    Put32(&bytes, static_cast<uint32_t>(size));
    Put32(&bytes, static_cast<uint32_t>(size * 2));
    Put16(&bytes, 1);   // planes
    Put16(&bytes, 32);  // bits per pixel
    for (int i = 0; i < 6; ++i) Put32(&bytes, 0);  // BI_RGB, sizes, resolution, palette
    for (int row = size - 1; row >= 0; --row) {
        for (int x = 0; x < size; ++x) {
            const Pixel& p = image[static_cast<size_t>(row) * size + static_cast<size_t>(x)];
            bytes.push_back(ToByte(p.b));
            bytes.push_back(ToByte(p.g));
            bytes.push_back(ToByte(p.r));
            bytes.push_back(ToByte(p.a));
        }
    }
    const int maskRow = (size + 31) / 32 * 4;
    for (int row = size - 1; row >= 0; --row) {
        std::vector<uint8_t> mask(static_cast<size_t>(maskRow), 0);
        for (int x = 0; x < size; ++x) {
            if (ToByte(image[static_cast<size_t>(row) * size + static_cast<size_t>(x)].a) == 0)
                mask[static_cast<size_t>(x / 8)] |= static_cast<uint8_t>(0x80u >> (x % 8));
        }
        bytes.insert(bytes.end(), mask.begin(), mask.end());
    }
    return bytes;
}

bool WriteIconFile(const std::string& path, std::vector<Pixel> image, std::string* error) {
    std::vector<std::vector<uint8_t>> images;
    std::vector<int> sizes;
    for (int size = kSize; size >= 16; size /= 2) {
        images.push_back(IconImage(image, size));
        sizes.push_back(size);
        image = Halved(image, size);
    }
    std::vector<uint8_t> bytes;
    Put16(&bytes, 0);  // reserved
    Put16(&bytes, 1);  // an icon
    Put16(&bytes, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        bytes.push_back(static_cast<uint8_t>(sizes[i]));  // width and height (256 would be 0)
        bytes.push_back(static_cast<uint8_t>(sizes[i]));
        bytes.push_back(0);  // no palette
        bytes.push_back(0);
        Put16(&bytes, 1);   // planes
        Put16(&bytes, 32);  // bits per pixel
        Put32(&bytes, static_cast<uint32_t>(images[i].size()));
        Put32(&bytes, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const std::vector<uint8_t>& one : images) bytes.insert(bytes.end(), one.begin(), one.end());
    return WriteBytes(path, bytes, error);
}

}  // namespace

bool WriteIcon(const std::string& path, std::string* error) {
    const std::vector<Pixel> image = PaintIcon(kSize);
    const uint32_t headerSize = 14, infoSize = 108;  // file header, BITMAPV4HEADER
    const uint32_t pixelBytes = kSize * kSize * 4;

    std::vector<uint8_t> bytes;
    bytes.reserve(headerSize + infoSize + pixelBytes);
    bytes.push_back('B');
    bytes.push_back('M');
    Put32(&bytes, headerSize + infoSize + pixelBytes);
    Put32(&bytes, 0);  // reserved
    Put32(&bytes, headerSize + infoSize);
    Put32(&bytes, infoSize);
    Put32(&bytes, kSize);  // width
    Put32(&bytes, kSize);  // positive height: rows stored bottom-up
    Put16(&bytes, 1);      // planes
    Put16(&bytes, 32);     // bits per pixel
    Put32(&bytes, 3);      // BI_BITFIELDS
    Put32(&bytes, pixelBytes);
    Put32(&bytes, 2835);  // 72 dots per inch, in dots per metre
    Put32(&bytes, 2835);
    Put32(&bytes, 0);  // palette colours
    Put32(&bytes, 0);
    Put32(&bytes, 0x00FF0000u);  // red mask
    Put32(&bytes, 0x0000FF00u);  // green
    Put32(&bytes, 0x000000FFu);  // blue
    Put32(&bytes, 0xFF000000u);  // alpha
    Put32(&bytes, 0x73524742u);  // colour space "sRGB"
    for (int i = 0; i < 12; ++i) Put32(&bytes, 0);  // endpoints (9) and gamma (3), unused with sRGB

    for (int row = kSize - 1; row >= 0; --row) {
        for (int x = 0; x < kSize; ++x) {
            const Pixel& p = image[static_cast<size_t>(row) * kSize + static_cast<size_t>(x)];
            bytes.push_back(ToByte(p.b));
            bytes.push_back(ToByte(p.g));
            bytes.push_back(ToByte(p.r));
            bytes.push_back(ToByte(p.a));
        }
    }

    return WriteBytes(path, bytes, error) &&
           WriteIconFile(std::filesystem::path(path).replace_extension(".ico").string(), image, error);
}

bool WriteDesktopIcons(const std::string& folder, std::string* error) {
    for (const int size : kDesktopIconSizes) {
        const std::vector<Pixel> image = PaintIcon(size);
        std::vector<uint8_t> rgba;
        rgba.reserve(image.size() * 4);
        for (const Pixel& p : image) {
            for (const float channel : {p.r, p.g, p.b, p.a}) rgba.push_back(ToByte(channel));
        }
        const std::string name = std::to_string(size) + "x" + std::to_string(size);
        const std::filesystem::path apps = std::filesystem::path(folder) / name / "apps";
        std::error_code code;
        std::filesystem::create_directories(apps, code);
        if (code) {
            *error = "cannot create the folder " + apps.string() + ": " + code.message();
            return false;
        }
        if (!WritePngRgba((apps / "marlo.png").string(), size, size, rgba, error)) return false;
    }
    return true;
}

}  // namespace data
