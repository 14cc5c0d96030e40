// The log player: hand-encoded log files played at chosen times (hold-next resampling,
// wrapping, clamping), the logs that play 0.0, damaged files, the log the debug effect
// writes read back, and the motion capture effect's integer channels.
#include "CDebugEffect.h"
#include "CLogPlayer.h"
#include "CMotionCaptureEffect.h"
#include "RecordingLog.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>

namespace {

using Bytes = std::vector<uint8_t>;
using Samples = std::vector<std::pair<float, int32_t>>;

// A log file as the format lays it out: rate, count, then value bits and time per sample;
// `cut` bytes are taken off the end.
Bytes LogFile(int32_t rate, const Samples& samples, std::optional<int32_t> count = {}, size_t cut = 0) {
    Bytes bytes;
    const auto put = [&](uint32_t w) {
        for (int shift = 0; shift < 32; shift += 8) bytes.push_back(uint8_t(w >> shift));
    };
    put(uint32_t(rate));
    put(uint32_t(count.value_or(int32_t(samples.size()))));
    for (const auto& [value, time] : samples) {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        put(bits);
        put(uint32_t(time));
    }
    bytes.resize(bytes.size() - cut);
    return bytes;
}
const Samples kThree = {{1, 0}, {2, 16}, {3, 33}};
Samples Every10ms() {  // 0 to 1000 ms, each value equal to its time
    Samples samples;
    for (int32_t t = 0; t <= 1000; t += 10) samples.push_back({float(t), t});
    return samples;
}

Bytes FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

class SilentDebug : public CDebugEffect {
    void DrawLine(const char*, int32_t, int32_t) override {}
};

class LogPlayer : public TempDirTest {};

}  // namespace

TEST_F(LogPlayer, PlaysHandEncodedLogsHoldingTheNextSampleAndWrappingPastTheEnd) {
    struct Case {
        const char* name;
        Bytes file;
        bool reported;  // refused or damaged
        int32_t count, duration;
        std::vector<std::pair<int32_t, float>> plays;  // playback time, value
    } const cases[] = {
        // 60 x 33 / 1000 = 1.98: one entry. 40 wraps to 7; negative times clamp to entry 0.
        {"three samples", LogFile(60, kThree), false, 3, 33, {{0, 1}, {33, 1}, {40, 1}, {-100, 1}}},
        // Entry 1 (16 ms, played from 17 ms) holds the sample at 20; at the duration the index
        // 60 clamps to entry 59 (983 ms: 990); only later times wrap (1017 -> 17).
        {"every 10 ms", LogFile(60, Every10ms()), false, 101, 1000,
         {{0, 0}, {16, 0}, {17, 20}, {34, 40}, {1000, 990}, {1017, 20}, {3000, 0}}},
        {"rate 1000", LogFile(1000, {{5, 0}, {6, 2}, {7, 4}}), false, 3, 4, {{1, 6}, {2, 6}, {3, 7}, {4, 7}}},
        {"largest table", LogFile(1000, {{1, 0}, {2, 1 << 20}}), false, 2, 1 << 20, {{0, 1}, {1, 2}}},
        // Logs that play 0.0.
        {"no samples", LogFile(60, {}), false, 0, 0, {{0, 0}}},
        {"shorter than one entry", LogFile(60, {{1, 0}, {2, 16}}), false, 0, 0, {{0, 0}, {16, 0}}},
        {"rate 0", LogFile(0, kThree), true, 0, 0, {{0, 0}, {40, 0}}},
        {"negative rate", LogFile(-60, kThree), true, 0, 0, {{0, 0}}},
        {"negative time", LogFile(60, {{1, -5}, {2, 100}}), true, 0, 0, {{0, 0}, {50, 0}}},
        {"one entry too many", LogFile(1000, {{1, 0}, {2, (1 << 20) + 1}}), true, 0, 0, {{1, 0}}},
        {"huge table", LogFile(0x7FFFFFFF, {{1, 0}, {2, 0x7FFFFFFF}}), true, 0, 0, {{1000, 0}}},
        {"negative count", LogFile(60, kThree, -1), true, 0, 0, {{0, 0}}},
        {"ends inside the header", LogFile(60, kThree, 3, 30), true, 0, 0, {{0, 0}}},
        // Damaged files keep the whole samples that are there and play them.
        {"ends inside a sample", LogFile(60, Every10ms(), 101, 50 * 8 - 3), true, 51, 500,
         {{17, 20}, {500, 490}, {600, 100}}},
        {"count beyond the file", LogFile(60, kThree, 0x7FFFFFFF), true, 3, 33, {{0, 1}, {40, 1}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingLog log;
        const std::string path = WriteBytes(std::string(c.name) + ".log", c.file);
        CLogPlayerModifier player;
        player.SetString(0, path.c_str());
        EXPECT_TRUE(player.Load());
        EXPECT_EQ(log.Boxes().size(), c.reported ? 1u : 0u);
        EXPECT_TRUE(!c.reported || log.Boxes().at(0).rfind("Log file " + path + ": ", 0) == 0);
        EXPECT_TRUE(player.GetLog().GetCount() == c.count && player.GetLog().GetDuration() == c.duration);
        for (const auto& [time, value] : c.plays) {
            player.SetInt(2, time);
            EXPECT_EQ(player.GetFloat(1), value) << time;
        }
    }
}

// As in a show: the player is loaded before the debug effect has recorded anything; its
// output plays 0.0 while the log is not there, and the log once it is.
TEST_F(LogPlayer, ReadsBackTheLogTheDebugEffectRecordedInModeTwoInTheSameRun) {
    RecordingLog log;
    const std::string path = PathOf("recorded.log");
    CLogPlayerModifier player;
    player.SetString(0, path.c_str());
    EXPECT_TRUE(player.Load());
    EXPECT_TRUE(log.Boxes().empty());
    EXPECT_EQ(0.0f, player.GetFloat(1)) << "read before the log exists, and not lost for it";
    SilentDebug debug;
    debug.SetInt(2, 2);
    debug.SetString(5, path.c_str());
    const Samples recorded = {{1.5f, 0}, {2.5f, 16}, {-3.25f, 33}};
    for (const auto& [value, time] : recorded) {
        debug.SetFloat(3, value);
        debug.Frame(uint32_t(time), uint32_t(time), 16);
    }
    EXPECT_TRUE(debug.Stop());
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"Log file " + path + " is not there yet: its value is 0.0 until it is",
                                                      "Log saved to " + path}));
    EXPECT_EQ(FileBytes(path), LogFile(60, recorded));
    EXPECT_EQ(1.5f, player.GetFloat(1));
    Samples read;
    const CValueLog& got = player.GetLog();
    for (int32_t i = 0; i < got.GetCount(); ++i) read.emplace_back(got.GetSample(i).value, got.GetSample(i).time);
    EXPECT_EQ(read, recorded);
    debug.Stop();  // nothing recorded since: an empty log
    EXPECT_EQ(FileBytes(path), LogFile(60, {}));
    // A file that never appears plays 0.0: traced at the load, never a box in the show.
    CLogPlayerModifier lost;
    const std::string never = PathOf("never.log");  // parameters keep the pointer
    lost.SetString(0, never.c_str());
    lost.Load();
    for (int i = 0; i < 3; ++i) EXPECT_EQ(0.0f, lost.GetFloat(1));
    EXPECT_TRUE(log.Boxes().empty());
    EXPECT_TRUE(log.Contains("Log file " + never + " is not there yet"));
}

TEST(MotionCapture, TracesThatItIsADevelopmentToolAndTruncatesItsFloatsAsIntegers) {
    RecordingLog log;
    CMotionCaptureEffect capture, source;
    EXPECT_EQ(log.Lines(), std::vector<std::string>(2, "Motion capture should not be present in RELEASE build"));
    const int32_t max = std::numeric_limits<int32_t>::max();
    for (const auto& [value, expected] : std::vector<std::pair<float, int32_t>>{
             {2.9f, 2}, {-2.9f, -2}, {-0.5f, 0}, {1e10f, max}, {-1e10f, -max - 1}, {std::nanf(""), 0}}) {
        capture.SetFloat(255, value);  // 255 too: no local time here
        EXPECT_EQ(capture.GetInt(255), expected) << value;
    }
    source.SetFloat(7, -7.9f);
    capture.BindFloat(4, &source, 7);
    EXPECT_EQ(capture.GetInt(4), -7);
}
