// Music positions ("@order:row") of a show file read from a data folder: each becomes the
// time at which libopenmpt's own playback of the module reaches that row, speed and tempo
// changes included, at the rate the environment times rows for; positions the song never
// plays are refused at their place in the file.
#include "ShowTestSupport.h"
#include "TempDirTest.h"
#include "TestModules.h"

#include <gtest/gtest.h>

#include <libopenmpt/libopenmpt.hpp>

#include <map>
#include <sstream>

namespace {

// Orders 0 1 2 playing patterns of 16, 16 and 64 rows, from speed 6 at 125 BPM. Order 1 goes
// to speed 8 at row 4 and to 217 BPM at row 8, and breaks after row 13 to order 2, so its rows
// 14 and 15 never play. A tick at 217 BPM is 508.06 frames at 44100 Hz and 552.99 at 48000,
// each played as whole frames: by the song's end the two rates are 10 ms apart.
std::vector<uint8_t> SongBytes() {
    xm::Module m = testmodules::SmallModule(2, 16, 0);
    m.orders = {0, 1, 2};
    m.patterns.emplace_back(16, 2);
    m.patterns.emplace_back(64, 2);
    m.patterns[1].At(4, 0) = {0, 0, 0, xm::kSetSpeed, 8};
    m.patterns[1].At(8, 1) = {0, 0, 0, xm::kSetSpeed, 217};
    m.patterns[1].At(13, 0) = {0, 0, 0, xm::kPatternBreak, 0};
    return testmodules::Bytes(m);
}

// The frame at whose chunk libopenmpt's playback first shows each (order, row).
constexpr size_t kChunk = 64;
std::map<std::pair<int32_t, int32_t>, uint64_t> FirstFrames(int32_t rate) {
    const std::vector<uint8_t> bytes = SongBytes();
    std::ostringstream log;
    openmpt::module module(bytes.data(), bytes.size(), log);
    module.ctl_set_text("play.at_end", "stop");
    std::map<std::pair<int32_t, int32_t>, uint64_t> first;
    int16_t left[kChunk], right[kChunk];
    uint64_t frames = 0;
    while (const size_t got = module.read(rate, kChunk, left, right)) {
        first.emplace(std::make_pair(module.get_current_order(), module.get_current_row()), frames);
        frames += got;
    }
    return first;
}

class MusicPosition : public TempDirTest {
protected:
    void SetUp() override {
        m_previous = std::filesystem::current_path();
        TempDirTest::SetUp();
        WriteBytes("song.xm", SongBytes());
        WriteBytes("Files/Fonts/Tahoma.KEF", std::string());
        std::filesystem::current_path(m_dir);
    }
    void TearDown() override {
        std::filesystem::current_path(m_previous);
        TempDirTest::TearDown();
    }
    // Reads the show as the program does from the data folder; "" or its errors.
    std::string Read(const std::string& text, int32_t rate, ShowDescription* show) {
        WriteBytes("show.toml", text);
        DataFolderEnvironment environment(static_cast<unsigned long>(::getpid()), rate);
        std::vector<ShowError> errors;
        ReadShowFile("show.toml", TestCatalog(), environment, show, &errors);
        return FormatShowErrors("show.toml", errors);
    }
    std::filesystem::path m_previous;
};

const char kHeadText[] = "[show]\nlength = 12\nmodule = \"song.xm\"\n\n";

TEST_F(MusicPosition, EffectsAndKeysStartWhenPlaybackReachesTheirRow) {
    const std::string text = std::string(kHeadText) +
                             "[[effect]]\ntype = \"debug\"\nstart = \"@0:4\"\n"
                             "[[effect]]\ntype = \"debug\"\nlayer = 1\nstart = \"@1:8\"\nend = \"@2:63\"\n"
                             "[[effect]]\ntype = \"Bass Player\"\nlayer = 2\nstart = \"@2:0\"\n"
                             "[[track]]\nid = \"fade\"\nkeys = [{ at = \"@0:0\", value = 0 }, { at = \"@1:5\", value = 1 },"
                             " { at = \"@1:13\", value = 0 }, { at = \"@2:32\", value = 1 }, { at = \"@2:63\", value = 0 }]\n";
    for (const int32_t rate : {44100, 48000}) {
        ShowDescription show;
        ASSERT_EQ("", Read(text, rate, &show)) << rate << " Hz";
        ASSERT_EQ(4u, show.objects.size());
        const std::vector<CShowTrack::Key>& keys = show.objects[3].keys;
        ASSERT_EQ(5u, keys.size());
        struct Case {
            const char* what;
            uint32_t ms;
            int32_t order, row;
        };
        const Case cases[] = {
            {"first start", show.objects[0].start, 0, 4},  {"second start", show.objects[1].start, 1, 8},
            {"second end", show.objects[1].end, 2, 63},    {"music start", show.objects[2].start, 2, 0},
            {"key 0", keys[0].time, 0, 0},                 {"key 1", keys[1].time, 1, 5},
            {"key 2", keys[2].time, 1, 13},                {"key 3", keys[3].time, 2, 32},
            {"key 4", keys[4].time, 2, 63},
        };
        const auto first = FirstFrames(rate);
        for (const Case& c : cases) {
            const auto it = first.find({c.order, c.row});
            ASSERT_NE(it, first.end()) << c.order << ":" << c.row << " never played";
            EXPECT_NEAR(c.ms, it->second * 1000.0 / rate, 2.0) << c.what << " @" << c.order << ":" << c.row << " at "
                                                               << rate << " Hz";
        }
    }
}

TEST_F(MusicPosition, RowsTheSongNeverPlaysAreRefusedAtTheirPlace) {
    const std::string errors = Read(std::string(kHeadText) +
                                        "[[effect]]\ntype = \"debug\"\nstart = \"@1:14\"\n"
                                        "[[effect]]\ntype = \"debug\"\nlayer = 1\nend = \"@2:64\"\n"
                                        "[[track]]\nid = \"t\"\nkeys = [{ at = 0, value = 0 }, { at = \"@3:0\", value = 1 }]\n",
                                    44100, nullptr);
    const char* const expected[] = {
        "show.toml:7:9: the start: row 14 of order 1 is never played (the song breaks or jumps past it)\n",
        "show.toml:11:7: the end: row 64 is past the end of order 2 (its pattern has 64 rows)\n",
        "show.toml:14:39: the key's time: order 3 is past the song's end (it has 3 orders)\n",
    };
    for (const char* line : expected) EXPECT_NE(std::string::npos, errors.find(line)) << line << "in\n" << errors;
}

}  // namespace
