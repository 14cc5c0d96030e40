// The framebuffer search order.
#include "KLPixelFormat.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct Platform {
    std::vector<int> accepts;
    std::vector<int> tried;
    bool operator()(KL::PixelFormatRequest&, int step) {
        tried.push_back(step);
        for (int s : accepts)
            if (s == step) return true;
        return false;
    }
};

}  // namespace

TEST(PixelFormat, TheFirstAcceptedStepInTableOrderWins) {
    Platform noStencil{{3, 4, 7, 8}, {}};
    KL::PixelFormatRequest request;
    EXPECT_EQ(KL::ChoosePixelFormatWithFallback(request, std::ref(noStencil)), 3);
    EXPECT_EQ(noStencil.tried, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(request, (KL::PixelFormatRequest{32, 8, 24, 0}));
}

TEST(PixelFormat, SixteenBitHardwareEndsOnTheFirstSixteenBitStep) {
    Platform sixteen{{5, 6, 7, 8}, {}};
    KL::PixelFormatRequest request;
    EXPECT_EQ(KL::ChoosePixelFormatWithFallback(request, std::ref(sixteen)), 5);
    EXPECT_EQ(request, (KL::PixelFormatRequest{16, 0, 24, 8}));
}

TEST(PixelFormat, NothingAcceptedLeavesTheLastRequestTried) {
    Platform software{{}, {}};
    KL::PixelFormatRequest request;
    EXPECT_EQ(KL::ChoosePixelFormatWithFallback(request, std::ref(software)), 0);
    EXPECT_EQ(software.tried.size(), 8u);
    EXPECT_EQ(request, (KL::PixelFormatRequest{16, 0, 16, 0}));
}

TEST(PixelFormat, SixteenBitModesStartAtTheSixteenBitRequests) {
    Platform any{{1, 2, 3, 4, 5, 6, 7, 8}, {}};
    KL::PixelFormatRequest request;
    EXPECT_EQ(KL::ChoosePixelFormatWithFallback(request, std::ref(any), 5), 5);
    EXPECT_EQ(any.tried, std::vector<int>{5});
}

TEST(PixelFormat, TheAcceptedRequestCarriesTheRealDepthsBack) {
    KL::PixelFormatRequest request;
    auto deeperStencil = [](KL::PixelFormatRequest& r, int) {
        r.depthBits = 32;
        return true;
    };
    EXPECT_EQ(KL::ChoosePixelFormatWithFallback(request, deeperStencil), 1);
    EXPECT_EQ(request.depthBits, 32);
}
