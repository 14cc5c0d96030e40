// Row times of a module with speed and tempo changes, a pattern break and a position jump:
// against hand arithmetic, against the row libopenmpt's playback is on, and the positions
// and files that are refused.
#include "KSSongTimes.h"
#include "TempDirTest.h"
#include "TestModules.h"

#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.hpp>

#include <map>
#include <sstream>

using namespace testmodules;

namespace {

void SetEffect(xm::Pattern& p, int row, int channel, uint8_t effect, uint8_t param) {
    p.At(row, channel).effect = effect;
    p.At(row, channel).param = param;
}

// Orders 0 1 2 3, playing patterns of 16, 8, 4 and 64 rows. It starts at speed 6, 125 BPM
// (a row 0.12 s). Order 0 goes to speed 3 at row 4 and 75 BPM at row 10, and breaks after
// row 13 to row 1 of order 1; that one goes to speed 7, 150 BPM at row 2 and jumps after row
// 5 to order 3, so order 2 never plays. Order 3 goes to speed 31, 80 BPM at row 3: a tick
// of 1378.125 frames at 44100 Hz, which libopenmpt plays as 1378.
std::vector<uint8_t> SongBytes() {
    xm::Module m = SmallModule(2, 16, 1);
    m.orders = {0, 1, 2, 3};
    m.patterns.emplace_back(8, 2);
    m.patterns.emplace_back(4, 2);
    m.patterns.emplace_back(64, 2);
    SetEffect(m.patterns[0], 4, 0, xm::kSetSpeed, 3);
    SetEffect(m.patterns[0], 10, 1, xm::kSetSpeed, 75);
    SetEffect(m.patterns[0], 13, 0, xm::kPatternBreak, 0x01);
    SetEffect(m.patterns[1], 2, 0, xm::kSetSpeed, 7);
    SetEffect(m.patterns[1], 2, 1, xm::kSetSpeed, 150);
    SetEffect(m.patterns[1], 5, 0, xm::kPositionJump, 3);
    SetEffect(m.patterns[3], 3, 0, xm::kSetSpeed, 31);
    SetEffect(m.patterns[3], 3, 1, xm::kSetSpeed, 80);
    m.patterns[3].At(0, 0) = {xm::Note(4, 0), 1, 0, 0, 0};  // some sound to mix
    return Bytes(m);
}

const int32_t kRates[] = {44100, 48000};

// Frames a tick lasts at 80 BPM: 2.5 / 80 s, in whole frames.
double TickAt80(int32_t rate) { return rate == 44100 ? 1378.0 : 1500.0; }

std::unique_ptr<KSSongTimes> LoadSong(int32_t rate) {
    const std::vector<uint8_t> bytes = SongBytes();
    std::string error;
    auto times = KSSongTimes::LoadFromMemory(bytes.data(), bytes.size(), &error, rate);
    EXPECT_TRUE(times) << error;
    return times;
}

// The frame of each (order, row) at whose chunk libopenmpt's playback first shows it, and the
// song's frames in all.
struct Playback {
    std::map<std::pair<int32_t, int32_t>, uint64_t> firstFrame;
    uint64_t frames = 0;
};
constexpr size_t kChunk = 64;

Playback Play(int32_t rate) {
    const std::vector<uint8_t> bytes = SongBytes();
    std::ostringstream log;
    openmpt::module module(bytes.data(), bytes.size(), log);
    module.ctl_set_text("play.at_end", "stop");  // as KSModule plays: no fade after the end
    Playback p;
    int16_t left[kChunk], right[kChunk];
    while (size_t got = module.read(rate, kChunk, left, right)) {
        p.firstFrame.emplace(std::make_pair(module.get_current_order(), module.get_current_row()), p.frames);
        p.frames += got;
    }
    return p;
}

}  // namespace

TEST(SongTimes, RowTimesFollowTheSpeedAndTempoChanges) {
    // Seconds before order 3's 80 BPM stretch, and the rows of 31 ticks at 80 BPM after it.
    struct Case {
        int32_t order, row;
        double seconds;
        int slowRows;
    };
    const double order1Row2 = 0.84 + 5 * 0.1;  // rows 10-13 of order 0 and 1 of order 1 at 75 BPM
    const double order3 = order1Row2 + 4 * 7 / 60.0;
    const double order3Row3 = order3 + 3 * 7 / 60.0;
    const Case cases[] = {
        {0, 0, 0.0, 0},
        {0, 4, 0.48, 0},          // 4 rows of 0.12 s
        {0, 5, 0.54, 0},          // speed 3: 0.06 s
        {0, 10, 0.84, 0},
        {0, 11, 0.94, 0},         // 75 BPM: 3 ticks of 2.5 / 75 s
        {0, 13, 1.14, 0},
        {1, 1, 1.24, 0},          // the break's row
        {1, 2, 1.34, 0},
        {1, 3, 1.34 + 7 / 60.0, 0},  // speed 7, 150 BPM: 7 ticks of 1/60 s
        {1, 5, 1.34 + 3 * 7 / 60.0, 0},
        {3, 0, order3, 0},        // the jump's order
        {3, 3, order3Row3, 0},
        {3, 4, order3Row3, 1},
        {3, 63, order3Row3, 60},
    };
    for (const int32_t rate : kRates) {
        auto times = LoadSong(rate);
        ASSERT_TRUE(times);
        EXPECT_EQ(times->GetLoadLog(), "");
        EXPECT_EQ(times->GetSampleRate(), rate);
        EXPECT_EQ(times->GetOrderCount(), 4);
        const double slowRow = 31 * TickAt80(rate) / rate;
        for (const Case& c : cases) {
            double seconds = -1;
            std::string why;
            EXPECT_TRUE(times->GetRowTime(c.order, c.row, &seconds, &why)) << why;
            EXPECT_NEAR(seconds, c.seconds + c.slowRows * slowRow, 1e-9)
                << c.order << ":" << c.row << " at " << rate << " Hz";
        }
        EXPECT_NEAR(times->GetDurationSeconds(), order3Row3 + 61 * slowRow, 1e-9) << rate << " Hz";
    }
}

TEST(SongTimes, EveryRowStartsWhenPlaybackReachesItAndNoOtherIsTimed) {
    for (const int32_t rate : kRates) {
        auto times = LoadSong(rate);
        ASSERT_TRUE(times);
        const Playback played = Play(rate);
        EXPECT_NEAR(times->GetDurationSeconds() * rate, static_cast<double>(played.frames), 1.0) << rate << " Hz";
        size_t timed = 0;
        for (int32_t order = 0; order < times->GetOrderCount(); ++order) {
            for (int32_t row = 0; row < times->GetRowCount(order); ++row) {
                double seconds = -1;
                std::string why;
                const bool found = times->GetRowTime(order, row, &seconds, &why);
                const auto it = played.firstFrame.find({order, row});
                if (it == played.firstFrame.end()) {
                    EXPECT_FALSE(found) << order << ":" << row << " at " << seconds << " s";
                    EXPECT_NE(why.find("never played"), std::string::npos) << why;
                    continue;
                }
                ++timed;
                ASSERT_TRUE(found) << order << ":" << row << ": " << why;
                // The row began within the chunk after which playback first showed it.
                const double frame = seconds * rate;
                EXPECT_GE(frame, static_cast<double>(it->second) - 1e-6) << order << ":" << row << " at " << rate;
                EXPECT_LT(frame, static_cast<double>(it->second + kChunk)) << order << ":" << row << " at " << rate;
            }
        }
        EXPECT_EQ(timed, played.firstFrame.size());
    }
}

TEST(SongTimes, PositionsOutsideTheSongAreRefusedWithTheReason) {
    auto times = LoadSong(44100);
    ASSERT_TRUE(times);
    const std::pair<int32_t, int32_t> rowCounts[] = {{0, 16}, {1, 8}, {2, 4}, {3, 64}, {4, 0}, {-1, 0}};
    for (const auto& rc : rowCounts) EXPECT_EQ(times->GetRowCount(rc.first), rc.second) << rc.first;

    struct Case {
        int32_t order, row;
        const char* why;
    };
    const Case cases[] = {
        {4, 0, "order 4 is past the song's end (it has 4 orders)"},
        {-1, 0, "order -1 is negative (orders count from 0)"},
        {0, -1, "row -1 is negative (rows count from 0)"},
        {0, 16, "row 16 is past the end of order 0 (its pattern has 16 rows)"},
        {1, 70, "row 70 is past the end of order 1 (its pattern has 8 rows)"},
        {0, 14, "row 14 of order 0 is never played (the song breaks or jumps past it)"},
        {1, 0, "row 0 of order 1 is never played (the song breaks or jumps past it)"},
        {2, 0, "row 0 of order 2 is never played (the song breaks or jumps past it)"},
    };
    for (const Case& c : cases) {
        double seconds = -1;
        std::string why;
        EXPECT_FALSE(times->GetRowTime(c.order, c.row, &seconds, &why)) << c.order << ":" << c.row;
        EXPECT_EQ(why, c.why);
        EXPECT_EQ(seconds, -1);
    }
    // A refusal leaves later lookups right.
    double seconds = -1;
    EXPECT_TRUE(times->GetRowTime(0, 5, &seconds, nullptr));
    EXPECT_NEAR(seconds, 0.54, 1e-9);
}

class SongTimesLoad : public TempDirTest {};

TEST_F(SongTimesLoad, FilesAreFoundCaseBlindAndBadOnesRefusedWithAReason) {
    const std::string song = WriteBytes("Music/song.xm", SongBytes());
    std::string error;
    auto times = KSSongTimes::Load(PathOf("music/SONG.XM").c_str(), &error);
    ASSERT_TRUE(times) << error;
    EXPECT_EQ(times->GetOrderCount(), 4);

    std::vector<uint8_t> notModule(2000);
    for (size_t i = 0; i < notModule.size(); ++i) notModule[i] = static_cast<uint8_t>(i * 7);
    struct Case {
        std::string path;
        int32_t rate;
        std::string why;  // the start of the message
    };
    const Case cases[] = {
        {PathOf("missing.xm"), 44100, "cannot open " + PathOf("missing.xm")},
        {WriteBytes("noise.xm", notModule), 44100, PathOf("noise.xm") + ": not a module libopenmpt can read"},
        {WriteBytes("empty.xm", std::vector<uint8_t>()), 44100, PathOf("empty.xm") + ": empty file"},
        {song, 4000, song + ": sample rate 4000 Hz is not between 8000 and 192000"},
    };
    for (const Case& c : cases) {
        error.clear();
        EXPECT_FALSE(KSSongTimes::Load(c.path.c_str(), &error, c.rate)) << c.path;
        EXPECT_EQ(error.substr(0, c.why.size()), c.why);
    }
    EXPECT_FALSE(KSSongTimes::Load(nullptr, nullptr));
}
