// The show reader: every kind of mistake reported at its place with what was expected,
// all of them at once; and a good file read into the objects, values and bindings it says.
#include "BadShowFiles.h"
#include "ShowTestSupport.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

class BadShowFile : public ::testing::TestWithParam<BadFile> {};

TEST_P(BadShowFile, IsReportedAtItsPlaceWithWhatWasExpected) {
    const BadFile& bad = GetParam();
    const std::string errors = ErrorsOf(bad.text);
    EXPECT_NE(std::string::npos, errors.find(bad.expected)) << errors;
}

INSTANTIATE_TEST_SUITE_P(Table, BadShowFile, ::testing::ValuesIn(kBadFiles), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name) c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

TEST(ShowReader, ReportsEveryMistakeAtOnceInFileOrder) {
    const std::string errors = ErrorsOf(kHead + "opacty = 0.5\nlayer = 9\nrotation-x = { bind = \"nobody.sum\" }\n");
    std::istringstream lines(errors);
    std::string line;
    std::vector<std::string> found;
    while (std::getline(lines, line)) found.push_back(line.substr(0, line.find(": ")));
    EXPECT_EQ((std::vector<std::string>{"show.toml:21:1", "show.toml:22:9", "show.toml:23:23"}), found) << errors;
}

TEST(ShowReader, ReadsTheShippedShowIntoItsObjectsValuesAndBindings) {
    std::ifstream file(MARLO_SOURCE_DIR "/data/shows/default.toml");
    std::stringstream text;
    text << file.rdbuf();
    ShowDescription show;
    ASSERT_EQ("", ErrorsOf(text.str(), &show));
    EXPECT_EQ("Marlo", show.name);
    EXPECT_EQ(134000u, show.length);
    EXPECT_EQ("3 effects, 1 modifier, 0 tracks, 2:14", show.Summary());
    ASSERT_EQ(4u, show.objects.size());
    const ShowObject& model = show.objects[2];
    EXPECT_EQ("model", model.type->name);
    EXPECT_EQ(0, model.layer);
    EXPECT_EQ(60000u, model.end);
    auto value = [&](const ShowObject& object, KDSKind kind, int index) -> const ShowValue* {
        for (const ShowValue& v : object.values) {
            if (v.param.kind == kind && v.param.index == index) return &v;
        }
        return nullptr;
    };
    ASSERT_TRUE(value(model, KDSKind::Float, 12));
    EXPECT_EQ(0.8f, value(model, KDSKind::Float, 12)->number);
    EXPECT_EQ(0.9f, value(model, KDSKind::Vector, 13)->vector.y);
    EXPECT_EQ("files/textures/sky.png", value(model, KDSKind::String, 11)->text);
    // The rotation follows the modifier's product, which follows the music's channel 36.
    const ShowValue* rotation = value(model, KDSKind::Float, 3);
    ASSERT_TRUE(rotation && rotation->how == ShowValue::kBinding);
    EXPECT_EQ(3, rotation->object);
    EXPECT_EQ(4, rotation->channel.index);
    const ShowValue* beat = value(show.objects[3], KDSKind::Float, 0);
    ASSERT_TRUE(beat && beat->how == ShowValue::kBinding);
    EXPECT_EQ(0, beat->object);
    EXPECT_EQ(36, beat->channel.index);
    // Bound to the system's setup choices.
    EXPECT_EQ(-1, value(show.objects[0], KDSKind::Int, 1)->object);
}

TEST(ShowReader, TimesInSecondsMinutesAndMusicPositions) {
    ShowDescription show;
    ASSERT_EQ("", ErrorsOf(kHead + "start = \"@1:16\"\nend = \"0:59.5\"\n"
                                   "[[track]]\nid = \"t\"\nkeys = [{ at = 1.25, value = 0 }, { at = \"@2:0\", value = 1 }]\n",
                           &show));
    const ShowObject& model = show.objects[1];
    EXPECT_EQ(10000u, model.start);  // (64 + 16) rows of 125 ms
    EXPECT_EQ(59500u, model.end);
    // Effects without an end end with the show.
    EXPECT_EQ(60000u, show.objects[0].end);
    const ShowObject& track = show.objects.back();
    ASSERT_EQ(2u, track.keys.size());
    EXPECT_EQ(1250u, track.keys[0].time);
    EXPECT_EQ(16000u, track.keys[1].time);
}

TEST(ShowReader, RecordedLogsAndDottedNumbersAreAccepted) {
    ShowDescription show;
    EXPECT_EQ("", ErrorsOf(kHead + "float.40 = 2.5\n"
                                   "[[effect]]\ntype = \"debug\"\nmode = 2\nlog = \"{temp}/take.log\"\n"
                                   "[[modifier]]\ntype = \"log player\"\nlog = \"{temp}/take.log\"\n",
                           &show));
}

}  // namespace

namespace {

// Accented and other non-ASCII text, which the parser is handed moved aside, comes back as
// written; outside a string it is refused at its place like any stray character.
TEST(ShowReader, NonAsciiTextReadsBackAsWrittenAndIsRefusedOutsideStrings) {
    ShowDescription show;
    const std::string name = "Canci\u00f3n \u3041\u30a2 \ufe10 \u00a0\u0499\u3000\ufefe \U0001F3B5";
    ASSERT_EQ("", ErrorsOf("[show]\nname = \"" + name + "\" # \u00e9\u3041\nlength = 5\n", &show));
    EXPECT_EQ(name, show.name);
    EXPECT_NE(std::string::npos, ErrorsOf("[show]\nlength = 5\n[[modifier]]\ntype = \"info\"\nid \u00e9 = 2\n").find("show.toml:5:"));
    EXPECT_NE(std::string::npos, ErrorsOf("[show]\nname = \"a\ue123\"\n").find("show.toml:2:10: a character of the private use area"));
    // The first and last characters of every stretch the parser cannot be handed as they are,
    // and their neighbours, in a string and bare (a fuzzer's find: U+FBFF alone).
    const std::string edges = "\u00a1\u0499\u049a\u2c5d\u2c5e\u2fff\u3001\u3057\u3058\ufb25\ufb26\ufbff\ufefe";
    ASSERT_EQ("", ErrorsOf("[show]\nname = \"" + edges + "\"\nlength = 5\n", &show));
    EXPECT_EQ(edges, show.name);
    for (const char* bare : {"\ufbff", "\u2c5e", "\u3057", "\u00a1"}) EXPECT_NE("", ErrorsOf(bare)) << bare;
}

}  // namespace
