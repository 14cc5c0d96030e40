// Show files through the program: the shipped shows capture byte for byte as the built-in
// compositions, --check and --describe answer as the README says, every bad file is
// refused with its place before anything opens, and a show written from --describe alone
// plays to its end.
#include "BadShowFiles.h"
#include "MarloProcess.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using ShowFiles = TempDirTest;

const std::string kShows = MARLO_DATA_DIR "/shows/";

std::string Slurp(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The program's standard output (for --check and --describe) and its exit code.
int RunForOutput(std::vector<const char*> args, std::string* out) {
    Child child = StartMarlo(std::move(args), STDOUT_FILENO);
    *out = ReadAll(child.err);
    return ExitCode(child);
}

TEST_F(ShowFiles, ShippedShowsCaptureByteForByteAsTheBuiltInOnes) {
    for (const char* show : {"default", "showcase"}) {
        const std::string builtIn = PathOf(std::string(show) + "-built-in"), fromFile = PathOf(std::string(show) + "-file");
        const std::string file = kShows + show + ".toml";
        std::string errors;
        for (const auto& [folder, name] : {std::pair{builtIn, std::string(show)}, std::pair{fromFile, file}}) {
            ASSERT_EQ(0, RunMarloToEnd({"--show", name.c_str(), "--capture", folder.c_str(), "--until", "20", "--fps",
                                        "10", "--mode", "512x384x32"},
                                       &errors))
                << errors;
        }
        size_t files = 0;
        for (const auto& entry : std::filesystem::directory_iterator(builtIn)) {
            ++files;
            const std::filesystem::path twin = std::filesystem::path(fromFile) / entry.path().filename();
            ASSERT_TRUE(std::filesystem::exists(twin)) << twin;
            ASSERT_TRUE(Slurp(entry.path()) == Slurp(twin)) << show << ": " << entry.path().filename();
        }
        EXPECT_EQ(202u, files) << show;  // 200 frames, the soundtrack, and nothing else
    }
}

TEST_F(ShowFiles, CheckAcceptsTheShippedShowsWithASummary) {
    std::string out;
    const std::string file = kShows + "showcase.toml";
    ASSERT_EQ(0, RunForOutput({"--check", file.c_str()}, &out));
    EXPECT_EQ(file + ": \"Showcase\": 19 effects, 7 modifiers, 0 tracks, 2:14\n", out);
    const std::string show = kShows + "default.toml";
    ASSERT_EQ(0, RunForOutput({"--check", show.c_str()}, &out));
    EXPECT_EQ(show + ": \"Marlo\": 3 effects, 1 modifier, 0 tracks, 2:14\n", out);
}

TEST_F(ShowFiles, EveryBadFileIsRefusedWithItsPlaceAndNothingOpens) {
    for (const BadFile& bad : kBadFiles) {
        const std::string file = WriteBytes("show.toml", bad.text);
        std::string errors;
        EXPECT_EQ(2, RunMarloToEnd({"--check", file.c_str()}, &errors)) << bad.name;
        EXPECT_NE(std::string::npos, errors.find(bad.expected)) << bad.name << ": " << errors;
    }
    // Played rather than checked, a bad show stops before the window and the music.
    const BadFile* unknown = std::find_if(std::begin(kBadFiles), std::end(kBadFiles),
                                          [](const BadFile& b) { return std::string(b.name) == "unknown parameter"; });
    const std::string file = WriteBytes("bad.toml", unknown->text);
    std::string errors;
    EXPECT_EQ(2, RunMarloToEnd({"--show", file.c_str(), "--windowed", "--mode", "512x384x32"}, &errors));
    EXPECT_NE(std::string::npos, errors.find("bad.toml:21:1: unknown parameter \"opacty\"")) << errors;
    EXPECT_EQ(std::string::npos, errors.find("Registerint effects:")) << errors;
    EXPECT_EQ(std::string::npos, errors.find("OpenGL")) << errors;
}

TEST_F(ShowFiles, DescribeListsTheCatalogAndATypesParameters) {
    std::string out;
    ASSERT_EQ(0, RunForOutput({"--describe"}, &out));
    for (const char* type : {"\"MAX 4.2 Exported 3d Scene\"", "\"vector field\"", "\"Sine Wave\"", "\"log player\"",
                             "This effect draws a 3d model", "[[track]]"}) {
        EXPECT_NE(std::string::npos, out.find(type)) << type;
    }
    ASSERT_EQ(0, RunForOutput({"--describe", "model"}, &out));
    EXPECT_NE(std::string::npos, out.find("opacity             float.12        1.0")) << out;
    EXPECT_NE(std::string::npos, out.find("position            vector.18")) << out;
    std::string errors;
    EXPECT_EQ(2, RunMarloToEnd({"--describe", "modle"}, &errors));
    EXPECT_NE(std::string::npos, errors.find("unknown type \"modle\", did you mean \"model\"?")) << errors;
}

TEST_F(ShowFiles, TheReadmesExampleIsAGoodShow) {
    const std::string readme = Slurp(MARLO_SOURCE_DIR "/README.md");
    const size_t start = readme.find("```toml\n");
    ASSERT_NE(std::string::npos, start);
    const size_t end = readme.find("```", start + 8);
    const std::string file = WriteBytes("first.toml", readme.substr(start + 8, end - start - 8));
    std::string out;
    ASSERT_EQ(0, RunForOutput({"--check", file.c_str()}, &out));
    EXPECT_NE(std::string::npos, out.find("\"First light\": 3 effects, 0 modifiers, 1 track, 0:06")) << out;
}

TEST_F(ShowFiles, AShowWrittenFromDescribePlaysToItsEnd) {
    const std::string file = MARLO_SOURCE_DIR "/tests/app/shows/first_show.toml";
    std::string errors;
    ASSERT_EQ(0, RunMarloToEnd({"--show", file.c_str(), "--windowed", "--mode", "512x384x32", "--no-error-box"}, &errors))
        << errors;
    EXPECT_EQ(std::string::npos, errors.find("ERROR")) << errors;
    EXPECT_EQ(std::string::npos, errors.find("LOAD FAILED")) << errors;
    EXPECT_NE(std::string::npos, errors.find("start: 0")) << errors;
}

}  // namespace
