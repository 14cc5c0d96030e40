// The frame pipeline never waits for ever: a frame handed over out of turn, a video sink
// that stops taking frames, and a stop requested by a signal each end the capture with a
// reason within a bounded time.
#include "FramePipeline.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// A sink that takes frames at once, or (`stuck`) blocks in WriteFrame until interrupted,
// as an encoder does that stopped reading its input.
class TestSink : public FrameSink {
public:
    explicit TestSink(bool stuck) : m_stuck(stuck) {}
    bool WriteFrame(const uint8_t* pixels, std::string* error) override {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_stuck) m_changed.wait(lock, [this] { return m_interrupted; });
        if (m_interrupted) {
            *error = "interrupted";
            return false;
        }
        frames.push_back(pixels[0]);
        return true;
    }
    void Interrupt() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_interrupted = true;
        ++interrupts;
        m_changed.notify_all();
    }
    std::vector<uint8_t> frames;  // the first byte of each frame taken
    int interrupts = 0;

private:
    bool m_stuck;
    bool m_interrupted = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

FramePipeline::Options Video(FrameSink* sink, std::chrono::milliseconds stall) {
    FramePipeline::Options options;
    options.video = sink;
    options.width = 2;
    options.height = 2;
    options.workers = 1;
    options.stallLimit = stall;
    return options;
}

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

}  // namespace

TEST(FramePipeline, AFrameOutOfTurnFailsAtOnceInsteadOfHoldingTheVideoForEver) {
    TestSink sink(false);
    FramePipeline pipeline;
    pipeline.Start(Video(&sink, std::chrono::seconds(30)));
    for (uint64_t index : {0u, 2u, 3u}) {
        std::vector<uint8_t> pixels = pipeline.Take();
        pixels[0] = static_cast<uint8_t>(index);
        pipeline.Submit(index, std::move(pixels));
    }
    const Clock::time_point start = Clock::now();
    std::string error;
    EXPECT_FALSE(pipeline.Finish(&error));
    EXPECT_LT(Seconds(start), 5.0);
    EXPECT_EQ(error, "frame 1 was lost (frame 2 came in its place)");
    EXPECT_LE(sink.frames.size(), 1u) << "nothing after the lost frame reaches the video";
}

TEST(FramePipeline, ASinkThatTakesNoFrameIsInterruptedAfterTheStallLimit) {
    TestSink sink(true);
    FramePipeline pipeline;
    pipeline.Start(Video(&sink, std::chrono::milliseconds(300)));
    const Clock::time_point start = Clock::now();
    // More frames than buffers: a Take waits on the stuck sink until it counts as stalled.
    for (uint64_t index = 0; index < 6; ++index) pipeline.Submit(index, pipeline.Take());
    std::string error;
    EXPECT_FALSE(pipeline.Finish(&error));
    EXPECT_LT(Seconds(start), 5.0);
    EXPECT_EQ(error.rfind("the video encoder took no frame for", 0), 0u) << error;
    EXPECT_EQ(sink.interrupts, 1);
}

TEST(FramePipeline, AStopRequestedWhileTheSinkIsStuckEndsTheWaitWithoutTheStallLimit) {
    TestSink sink(true);
    FramePipeline pipeline;
    pipeline.Start(Video(&sink, std::chrono::seconds(600)));
    pipeline.Submit(0, pipeline.Take());
    FramePipeline::RequestStop();
    const Clock::time_point start = Clock::now();
    std::string error;
    EXPECT_FALSE(pipeline.Finish(&error));
    FramePipeline::ClearStopRequest();
    EXPECT_LT(Seconds(start), 5.0);
    EXPECT_EQ(error, "stopped by a signal while frames were on their way out");
    EXPECT_EQ(sink.interrupts, 1);
}
