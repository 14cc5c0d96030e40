// marlo --show showcase: played to its end in a window on the offscreen driver with no box
// and no GL error, and captured: a frame from each section shows what that section is for.
#include "MarloProcess.h"
#include "PngPicture.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace {

using Showcase = TempDirTest;

// Pixels of a frame that pass `test`, in rows `top` to `bottom` (by default below the
// overlay's three lines) and columns below `right`.
int Count(const Picture& frame, const std::function<bool(int r, int g, int b)>& test, uint32_t top = 110,
          uint32_t bottom = 480, uint32_t right = 640) {
    int count = 0;
    for (uint32_t y = top; y < bottom && y < frame.height; ++y) {
        for (uint32_t x = 0; x < right && x < frame.width; ++x) {
            const uint8_t* p = &frame.rgb[(y * frame.width + x) * 3];
            count += test(p[0], p[1], p[2]) ? 1 : 0;
        }
    }
    return count;
}

// Not the clear colour (0.3, 0.3, 0.6).
bool Drawn(int r, int g, int b) { return std::abs(r - 77) + std::abs(g - 77) + std::abs(b - 153) > 40; }

TEST_F(Showcase, PlaysToItsEndInAWindowWithNoBoxAndNoGLError) {
    std::string errors;
    ASSERT_EQ(0, RunMarloToEnd({"--show", "showcase", "--windowed", "--mode", "640x480x32"}, &errors)) << errors;
    EXPECT_EQ(std::string::npos, errors.find("ERROR: ")) << errors.substr(errors.find("ERROR: "), 200);
    EXPECT_EQ(std::string::npos, errors.find("OpenGL Error"));
    // Every type of the catalog was made and loaded.
    EXPECT_EQ(std::string::npos, errors.find("builder not found"));
    EXPECT_EQ(std::string::npos, errors.find("LOAD FAILED"));
}

TEST_F(Showcase, EachSectionShowsItsEffect) {
    const std::string folder = PathOf("frames");
    std::string errors;
    ASSERT_EQ(0, RunMarloToEnd({"--show", "showcase", "--capture", folder.c_str(), "--fps", "2", "--mode", "640x480x32"},
                               &errors))
        << errors;
    auto frame = [&](double seconds) {
        char name[40];
        std::snprintf(name, sizeof(name), "/frame_%06d.png", static_cast<int>(seconds * 2));
        Picture picture = ReadPng(folder + name);
        EXPECT_EQ(640u, picture.width) << name;
        return picture;
    };
    const Picture fog = frame(10), field = frame(52), follow = frame(75), blue = frame(110);
    // The overlay's statistics line at (10, 10): light glyphs on their dark cells.
    EXPECT_GT(Count(fog, [](int r, int g, int b) { return r > 180 && g > 180 && b > 180; }, 12, 28, 300), 150);
    EXPECT_GT(Count(fog, [](int r, int g, int b) { return r < 40 && g < 40 && b < 40; }, 12, 28, 300), 2000);
    // Specks fogged orange, then blue.
    EXPECT_GT(Count(fog, [](int r, int g, int b) { return r > 170 && g > 90 && g < 200 && b < 150; }), 3000);
    EXPECT_GT(Count(blue, [](int r, int, int b) { return b > 200 && b > r + 40; }), 3000);
    // The lit model and the specks are gone by then: what is drawn is the carried models
    // (and a few meteors).
    EXPECT_GT(Count(field, Drawn), 500);
    // The chaser moves from one frame to the next.
    const Picture later = frame(76);
    int moved = 0;
    for (size_t i = 0; i < later.rgb.size(); ++i) moved += std::abs(int(later.rgb[i]) - int(follow.rgb[i])) > 40;
    EXPECT_GT(Count(follow, Drawn), 300);
    EXPECT_GT(moved, 300);
}

}  // namespace
