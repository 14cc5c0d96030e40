// Keyframe tracks: the value at exact times for each way from one key to the next, at the
// keys themselves, before the first and after the last; and a track read through a binding.
#include "CShowTrack.h"

#include <gtest/gtest.h>

namespace {

using Ease = CShowTrack::Ease;

// Keys at 1 s (value 10, then `ease`), 3 s (30, then linear) and 4 s (0).
CShowTrack Track(Ease ease) {
    return CShowTrack(false, {{1000, {10.0f, 0, 0}, ease}, {3000, {30.0f, 0, 0}, Ease::Linear}, {4000, {0.0f, 0, 0}, Ease::Step}});
}

struct Sample {
    Ease ease;
    uint32_t time;
    float value;
};

const Sample kSamples[] = {
    // Before the first key and at it.
    {Ease::Linear, 0, 10.0f}, {Ease::Linear, 1000, 10.0f},
    // A quarter, a half, three quarters of the way from 10 to 30.
    {Ease::Linear, 1500, 15.0f}, {Ease::Linear, 2000, 20.0f}, {Ease::Linear, 2500, 25.0f},
    {Ease::Step, 1500, 10.0f}, {Ease::Step, 2999, 10.0f},
    {Ease::Smooth, 1500, 10.0f + 20.0f * 0.15625f}, {Ease::Smooth, 2000, 20.0f}, {Ease::Smooth, 2500, 10.0f + 20.0f * 0.84375f},
    {Ease::Ramp, 1500, 10.0f + 20.0f * 0.0625f}, {Ease::Ramp, 2000, 15.0f}, {Ease::Ramp, 2500, 10.0f + 20.0f * 0.5625f},
    // At the next key, and on along the next key's own way.
    {Ease::Step, 3000, 30.0f}, {Ease::Ramp, 3500, 15.0f},
    // At the last key and after it.
    {Ease::Smooth, 4000, 0.0f}, {Ease::Smooth, 999999, 0.0f},
};

TEST(ShowTrack, ValueAtExactTimesForEachWayToTheNextKey) {
    for (const Sample& sample : kSamples) {
        EXPECT_FLOAT_EQ(sample.value, Track(sample.ease).ValueAt(sample.time).x)
            << "ease " << int(sample.ease) << " at " << sample.time;
    }
}

TEST(ShowTrack, VectorTracksMoveEveryComponentAndAnswerOnlyTheirOwnKind) {
    CShowTrack track(true, {{0, {0.0f, 10.0f, -4.0f}, Ease::Linear}, {100, {2.0f, 20.0f, 4.0f}, Ease::Linear}});
    const KEVector3 half = track.ValueAt(50);
    EXPECT_FLOAT_EQ(1.0f, half.x);
    EXPECT_FLOAT_EQ(15.0f, half.y);
    EXPECT_FLOAT_EQ(0.0f, half.z);
    // Float 0 of a vector track is an ordinary parameter.
    track.SetFloat(0, 7.0f);
    EXPECT_EQ(7.0f, track.GetFloat(0));
}

TEST(ShowTrack, ABoundParameterFollowsTheDemoTime) {
    CShowTrack track(false, {{0, {0.0f, 0, 0}, Ease::Linear}, {UINT32_MAX - 1, {1.0f, 0, 0}, Ease::Linear}});
    CModifier reader;
    reader.BindFloat(3, &track, CShowTrack::kValueChannel);
    // Without a demo clock the demo time is the application's, whatever it is: within range.
    const float value = reader.GetFloat(3);
    EXPECT_GE(value, 0.0f);
    EXPECT_LE(value, 1.0f);
}

}  // namespace
