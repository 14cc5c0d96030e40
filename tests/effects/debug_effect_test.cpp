// The debug effect: the line it hands to the font in each mode (cut to its buffer), its
// default line queued by the real font, and the logs it cannot write, which are reported
// instead of traced as saved.
#include "CDebugEffect.h"
#include "FakeApplication.h"
#include "KEEngine.h"
#include "KEVertexLayouts.h"
#include "RecordingLog.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string_view>

namespace {

// Keeps the lines instead of drawing them.
class LineDebug : public CDebugEffect {
public:
    std::vector<std::tuple<std::string, int32_t, int32_t>> lines;

protected:
    void DrawLine(const char* text, int32_t x, int32_t y) override { lines.emplace_back(text, x, y); }
};

class DebugEffect : public TempDirTest {};

}  // namespace

TEST_F(DebugEffect, DrawsTheLineOfItsModeCutToItsBuffer) {
    const std::string longText(600, 'a'), cut(CDebugEffect::kTextSize - 1, 'a');
    const std::string warning = "erroneus par un KD_DEBUG_TYPE";
    struct Case {
        int32_t mode;
        const char* text;  // string 4
        float value;
        std::string line;
    } const cases[] = {
        {0, "value", 0.0f, "value: 0.000000"}, {0, "speed", -2.5f, "speed: -2.500000"}, {1, "fps 60", 7.0f, "fps 60"},
        {2, "speed", 1.25f, "speed: 1.250000"}, {5, "value", 0.0f, warning}, {-1, "value", 0.0f, warning},
        {0, longText.c_str(), 0.0f, cut}, {1, longText.c_str(), 0.0f, cut}, {1, nullptr, 0.0f, ""},
    };
    for (const Case& c : cases) {
        LineDebug debug;  // the defaults, where the case does not change them
        if (c.mode != 0) debug.SetInt(2, c.mode);
        if (c.value != 0.0f) debug.SetFloat(3, c.value);
        if (!c.text || std::string(c.text) != "value") debug.SetString(4, c.text);
        EXPECT_TRUE(debug.Frame(100, 0, 0));
        EXPECT_EQ(debug.lines, (decltype(debug.lines){{c.line, 10, 10}})) << c.mode;
        EXPECT_EQ(debug.GetRecording().size(), c.mode == 2 ? 1u : 0u);
    }
}

TEST_F(DebugEffect, DefaultLineIsQueuedByTheFontFromTenTen) {
    // A font of 8-pixel glyphs in 16-pixel rows, where the effect looks for it.
    std::vector<uint8_t> kef = {'T', 0, 'g', '.', 'p', 'n', 'g', 0, 16, 0, 0, 0};
    for (int c = 0; c < 256; ++c) kef.insert(kef.end(), {8, 0, 0, 0});
    WriteBytes("Files/Fonts/Tahoma.KEF", kef);
    FakeApplication app;
    ScopedAppInstance scope{&app};
    KERenderQueue& queue = KEEngine::GetEngine()->GetQueue();
    queue.Clear();
    const std::filesystem::path here = std::filesystem::current_path();
    std::filesystem::current_path(m_dir);
    RecordingLog log;  // no VAR here: the stream stays in system memory
    CDebugEffect debug;
    EXPECT_TRUE(debug.Load());
    debug.Frame(0, 0, 0);
    std::filesystem::current_path(here);
    ASSERT_EQ(queue.GetCount(), 1);
    const KEDrawCall& call = queue.GetItem(0).drawCall;
    EXPECT_EQ(call.count, 4 * 15);  // "value: 0.000000"
    using Point = std::pair<float, float>;
    const auto at = [&](int32_t i) {
        const float* p = static_cast<const float*>(call.stream->PositionPtr(i));
        return Point(p[0], p[1]);
    };
    // The first quad's corners from (10, 10), the last one's top right after 15 glyphs.
    EXPECT_EQ((std::vector<Point>{at(0), at(2), at(4 * 14 + 1)}), (std::vector<Point>{{10, 10}, {18, 26}, {130, 10}}));
    debug.SetInt(1, 40);
    debug.Frame(16, 16, 16);
    EXPECT_EQ(at(0), Point(10, 40));
    queue.Clear();
    EXPECT_TRUE(CDebugEffect().Load());  // without the font too
}

TEST_F(DebugEffect, LogThatCannotBeWrittenIsReportedNotTracedAsSaved) {
    const std::string missingDir = PathOf("no/such/folder/x.log");
    const std::pair<const char*, std::string> cases[] = {
        {nullptr, "Debug log not saved: no log file name (string 5)"},
        {"", "Debug log not saved: no log file name (string 5)"},
        {missingDir.c_str(), "Debug log not saved: cannot create " + missingDir},
        {"/dev/full", "Debug log not saved: writing /dev/full failed"},  // fails when flushed
    };
    for (const auto& [file, report] : cases) {
        if (file && std::string_view(file) == "/dev/full" && !std::filesystem::is_character_file(file)) continue;
        RecordingLog log;
        LineDebug debug;
        debug.SetInt(2, 2);
        debug.SetString(5, file);
        debug.Frame(0, 0, 0);
        EXPECT_TRUE(debug.Stop());
        EXPECT_EQ(log.Boxes(), std::vector<std::string>{report});
        EXPECT_FALSE(log.Contains("Log saved"));
        EXPECT_TRUE(debug.GetRecording().empty());
    }
    const std::string never = PathOf("never.log");
    LineDebug other;  // not recording: Stop writes nothing
    other.SetString(5, never.c_str());
    other.Frame(0, 0, 0);
    EXPECT_TRUE(other.Stop());
    EXPECT_FALSE(std::filesystem::exists(never));
}

TEST_F(DebugEffect, TheRecordingTakesTheDemoTimeNotTheEffectsOwn) {
    LineDebug debug;
    debug.SetInt(2, 2);
    debug.SetFloat(3, 4.0f);
    debug.Frame(31000, 1000, 40);  // started at 30 s
    ASSERT_EQ(debug.GetRecording().size(), 1u);
    EXPECT_EQ(debug.GetRecording()[0].time, 31000);
}

TEST_F(DebugEffect, AStepNotDrawnRecordsAsADrawnOneAndDrawsNothing) {
    // The recording is what a seek's fast-forward must carry over; the line is not.
    for (int32_t mode : {0, 1, 2}) {
        LineDebug drawn, skipped;
        for (LineDebug* debug : {&drawn, &skipped}) {
            debug->SetInt(2, mode);
            debug->SetFloat(3, 1.5f);
        }
        for (uint32_t t : {0u, 40u, 80u}) {
            drawn.Frame(t, t, 40);
            skipped.Advance(t, t, 40);
        }
        EXPECT_EQ(drawn.GetRecording().size(), mode == 2 ? 3u : 0u) << mode;
        ASSERT_EQ(skipped.GetRecording().size(), drawn.GetRecording().size()) << mode;
        for (size_t i = 0; i < drawn.GetRecording().size(); ++i) {
            EXPECT_EQ(skipped.GetRecording()[i].time, drawn.GetRecording()[i].time);
            EXPECT_EQ(skipped.GetRecording()[i].value, drawn.GetRecording()[i].value);
        }
        EXPECT_EQ(drawn.lines.size(), 3u);
        EXPECT_TRUE(skipped.lines.empty()) << mode;
    }
}

TEST_F(DebugEffect, ARecorderRemovesAnEarlierLogOfItsFileAtLoadAndOtherModesLeaveIt) {
    for (int32_t mode : {0, 1, 2}) {
        const std::string file = WriteBytes("earlier.log", std::string("stale"));
        LineDebug debug;
        debug.SetInt(2, mode);
        debug.SetString(5, file.c_str());
        EXPECT_TRUE(debug.Load());
        EXPECT_EQ(std::filesystem::exists(file), mode != 2) << mode;
    }
}
