#include "KLFile.h"
#include "KLPath.h"
#include "RecordingLog.h"

#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class PathTest : public TempDirTest {
protected:
    void SetUp() override {
        TempDirTest::SetUp();
        Touch("files/Textures/Sky.PNG", "sky");
    }

    void Touch(const std::string& relative, const std::string& content) const { WriteBytes(relative, content); }

    std::string In(const std::string& relative) const { return PathOf(relative); }

    static std::string Resolve(const std::string& path) { return KL::ResolveDataPath(path.c_str()); }

    // Where the file system itself matches names case-blind (Windows), every spelling
    // opens as written and the search has nothing to do.
    bool FileSystemIgnoresCase() const { return fs::exists(In("FILES/TEXTURES/SKY.PNG")); }

};

// Switches the working directory for a relative lookup and always switches back.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& dir) : m_saved(fs::current_path()) { fs::current_path(dir); }
    ~WorkingDirectory() {
        std::error_code ec;
        fs::current_path(m_saved, ec);
    }

private:
    fs::path m_saved;
};

TEST_F(PathTest, MatchesEachComponentIgnoringCase) {
    if (FileSystemIgnoresCase()) GTEST_SKIP() << "the file system matches names case-blind";
    EXPECT_EQ(Resolve(In("Files/textures/sky.png")), In("files/Textures/Sky.PNG"));
    EXPECT_EQ(Resolve(In("FILES/TEXTURES/SKY.PNG")), In("files/Textures/Sky.PNG"));
    EXPECT_EQ(Resolve(In("files/Textures/Sky.PNG")), In("files/Textures/Sky.PNG"));
    // A directory named with a trailing separator keeps it.
    EXPECT_EQ(Resolve(In("FILES/textures/")), In("files/Textures/"));

    WorkingDirectory cwd(m_dir);
    EXPECT_EQ(Resolve("Files/textures/sky.png"), "files/Textures/Sky.PNG");
    EXPECT_EQ(Resolve("./Files/textures/sky.png"), "./files/Textures/Sky.PNG");
}

TEST_F(PathTest, DotComponentsStayAsWritten) {
    if (FileSystemIgnoresCase()) GTEST_SKIP() << "the file system matches names case-blind";
    EXPECT_EQ(Resolve(In("files/../Files/./textures/SKY.png")), In("files/../files/./Textures/Sky.PNG"));
    Touch("files/Textures/Clouds/Far.png", "far");
    WorkingDirectory cwd(m_dir / "files" / "Textures" / "Clouds");
    EXPECT_EQ(Resolve("../sky.png"), "../Sky.PNG");
    EXPECT_EQ(Resolve("../../../FILES/textures/clouds/far.PNG"), "../../../files/Textures/Clouds/Far.png");
}

TEST_F(PathTest, ExactNamesArePreferred) {
    if (FileSystemIgnoresCase()) GTEST_SKIP() << "the file system matches names case-blind";
    // Both spellings exist: the one asked for wins, at the whole path and per component.
    Touch("a", "lower");
    Touch("A", "upper");
    EXPECT_EQ(Resolve(In("A")), In("A"));
    EXPECT_EQ(Resolve(In("a")), In("a"));
    Touch("Maps/level.bin", "1");
    Touch("maps/level.bin", "2");
    EXPECT_EQ(Resolve(In("maps/LEVEL.bin")), In("maps/level.bin"));
    EXPECT_EQ(Resolve(In("Maps/Level.bin")), In("Maps/level.bin"));
}

TEST_F(PathTest, BacksOutOfADirectoryThatLeadsNowhere) {
    if (FileSystemIgnoresCase()) GTEST_SKIP() << "the file system matches names case-blind";
    // "Data" is an exact match but holds no item; the case-blind "data" does.
    Touch("Data/other.txt", "x");
    Touch("data/Item.txt", "y");
    EXPECT_EQ(Resolve(In("Data/item.txt")), In("data/Item.txt"));
    // A file cannot stand for a directory in the middle of a path.
    Touch("level", "not a directory");
    Touch("LEVEL/map.bin", "m");
    EXPECT_EQ(Resolve(In("level/MAP.bin")), In("LEVEL/map.bin"));
}

TEST_F(PathTest, NoMatchGivesTheInputBack) {
    EXPECT_EQ(Resolve(In("Files/Meshes/sky.png")), In("Files/Meshes/sky.png"));
    EXPECT_EQ(Resolve(In("Files/textures/moon.png")), In("Files/textures/moon.png"));
    EXPECT_EQ(Resolve(In("files/textures/sky.png/more")), In("files/textures/sky.png/more"));
    EXPECT_EQ(Resolve(In("nothing/../files")), In("nothing/../files"));
    EXPECT_EQ(Resolve(""), "");
    EXPECT_EQ(KL::ResolveDataPath(nullptr), "");
    // Far too long for any file system: handed back without a search.
    std::string deep;
    for (int i = 0; i < 5000; ++i) deep += "A/";
    EXPECT_EQ(Resolve(deep), deep);
}

TEST_F(PathTest, ReaderOpensTheCaseBlindMatch) {
    RecordingLog log;
    FileReader reader;
    ASSERT_TRUE(reader.Open(In("Files/textures/sky.png").c_str()));
    EXPECT_EQ(reader.BytesLeft(), 3);
    unsigned char first = 0;
    EXPECT_TRUE(reader.ReadByte(&first));
    EXPECT_EQ(first, 's');
    EXPECT_TRUE(log.Entries().empty());

    // A failure reports the name as the caller wrote it.
    EXPECT_FALSE(reader.Open(In("Files/textures/moon.png").c_str()));
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"FAILED TO OPEN " + In("Files/textures/moon.png")});
}

}  // namespace
