// The scene file: byte layouts built by hand and read back, what the writer makes of the
// same scenes, and files cut short or corrupted, which must be refused with a reason.
#include "KEEngine.h"
#include "KEMaterial.h"
#include "KEScene.h"
#include "KETexture.h"
#include "RecordingLog.h"
#include "ScopedInstance.h"
#include "TempDirTest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

namespace {

using Bytes = std::vector<unsigned char>;

// Little-endian bytes, built field by field as the format lists them.
struct Builder {
    Bytes bytes;
    Builder& I32(int32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * i)));
        return *this;
    }
    Builder& F32(float f) {
        int32_t v;
        std::memcpy(&v, &f, 4);
        return I32(v);
    }
    Builder& U16(uint16_t v) {
        bytes.push_back(static_cast<unsigned char>(v & 0xFF));
        bytes.push_back(static_cast<unsigned char>(v >> 8));
        return *this;
    }
    Builder& Floats(int n, float f) {
        for (int i = 0; i < n; ++i) F32(f);
        return *this;
    }
    // V, then bounds: positions -s..s, set 0 from 0..uv, set 1 at 0 (the bounds a writer
    // computes from vertices that reach them).
    Builder& MeshHeader(int32_t v, float s, float uv) {
        I32(v).Floats(3, -s).Floats(3, s);
        return F32(0).F32(0).F32(uv).F32(uv).Floats(4, 0.0f);
    }
};

// Header with fps 25 and N camera records of zeros; no lights, no names.
Builder Header(int32_t frames, int32_t names = 0) {
    Builder b;
    b.F32(1.0f).I32(25).I32(frames);
    b.Floats(7 * frames, 0.0f);
    b.I32(0).I32(names);
    for (int i = 0; i < names; ++i) b.I32(1).bytes.push_back('a');
    return b;
}

// The format's 198-byte example: N = 2, one static object of 3 vertices and 1 triangle.
Bytes StaticTriangleScene() {
    Builder b = Header(2);
    b.I32(1);                                          // objects
    b.I32(-1).I32(2).I32(0).I32(0).I32(3).I32(1);      // material, kind, modes, V, T
    b.I32(0).I32(1).I32(2);                            // the triangle
    b.I32(1).MeshHeader(3, 1.0f, 0.0f);                // one frame mesh
    b.U16(0).U16(65535).U16(32768);                    // x at min, y at max, z about the middle
    b.U16(65535).U16(0).U16(0);
    b.U16(0).U16(0).U16(65535);
    return b.bytes;
}

// A morphing object (kind 4) of N = 3 frames, set 0 shared (mode 2) over three frame meshes.
Bytes SharedUvMorphScene() {
    Builder b = Header(3);
    b.I32(1).I32(-1).I32(4).I32(2).I32(0).I32(3).I32(1).I32(0).I32(1).I32(2);
    b.I32(1).I32(0).I32(1).Floats(16, 0.0f);  // track: 1 frame naming key 0, one key
    b.I32(3);
    const uint16_t corner[3] = {0, 65535, 0};
    for (int mesh = 0; mesh < 3; ++mesh) {
        b.MeshHeader(3, 1.0f + mesh, 1.0f);  // the meshes differ by their bounds
        for (int v = 0; v < 3; ++v) {
            b.U16(corner[v]).U16(corner[(v + 1) % 3]).U16(corner[(v + 2) % 3]);
            // Only the first stores set 0: u at 0, 1/2, 1 and v the other way.
            if (mesh == 0) b.U16(static_cast<uint16_t>(v * 32767.5)).U16(static_cast<uint16_t>(65535 - v * 32767.5));
        }
    }
    b.I32(0).I32(2).I32(1);  // frame table
    return b.bytes;
}

class SceneFile : public TempDirTest {
protected:
    // Reads the bytes as a whole scene file (without LoadFile's materials). The same bytes
    // read from memory must give the same result and the same reason.
    bool Read(const Bytes& bytes, KEScene* scene) {
        const std::string path = WriteBytes("scene.kd10s", bytes);
        FileReader reader;
        const bool read = reader.Open(path.c_str()) && reader.ReadObject(scene);
        KEScene fromMemory;
        FileReader memory;
        EXPECT_TRUE(memory.OpenBytes(std::make_shared<const Bytes>(bytes)));
        EXPECT_EQ(memory.ReadObject(&fromMemory), read);
        EXPECT_EQ(fromMemory.GetLoadError(), scene->GetLoadError());
        return read;
    }
    Bytes Written(KEScene& scene) {
        const std::string path = PathOf("written.kd10s");
        FileWriter writer;
        EXPECT_TRUE(writer.Open(path.c_str()) && writer.WriteObject(&scene) && writer.Close()) << scene.GetLoadError();
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
};

}  // namespace

TEST_F(SceneFile, EmptyAndSingleTriangleScenesReadAndWriteTheirExactBytes) {
    KEScene empty;
    const Bytes emptyBytes = Header(0).I32(0).bytes;
    ASSERT_EQ(emptyBytes.size(), 24u);
    ASSERT_TRUE(Read(emptyBytes, &empty));
    EXPECT_EQ(empty.GetFrameCount(), 0);
    EXPECT_EQ(Written(empty), emptyBytes);

    KEScene scene;
    const Bytes bytes = StaticTriangleScene();
    ASSERT_EQ(bytes.size(), 198u);
    ASSERT_TRUE(Read(bytes, &scene)) << scene.GetLoadError();
    KESceneObject* object = scene.GetFirstObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->GetTrack(), nullptr);
    EXPECT_TRUE(object->FrameTable().empty());
    const KESceneVertex& v = object->GetFrameMesh(0)->Vertices()[0];
    EXPECT_EQ(v.position.x, -1.0f);
    EXPECT_EQ(v.position.y, 1.0f);
    EXPECT_NEAR(v.position.z, 0.0f, 1e-4f);
    // Written back in the same layout (the writer truncates, so the middle z may come back
    // one step lower; the exact bytes are compared with the next scene).
    EXPECT_EQ(Written(scene).size(), bytes.size());
}

TEST_F(SceneFile, ASharedTextureSetIsStoredOnceAndCopiedToLaterFrameMeshes) {
    KEScene scene;
    const Bytes bytes = SharedUvMorphScene();
    // 12 + 84 camera + 8 + 4 + 24 + 12 triangle + 76 track + 4 + (60 + 30) + 2 x (60 + 18) + 12.
    EXPECT_EQ(bytes.size(), 482u);
    ASSERT_TRUE(Read(bytes, &scene)) << scene.GetLoadError();
    KESceneObject* object = scene.GetFirstObject();
    ASSERT_EQ(object->GetFrameMeshCount(), 3);
    for (int mesh = 0; mesh < 3; ++mesh) {
        for (int v = 0; v < 3; ++v) {
            const KESceneVertex& vertex = object->GetFrameMesh(mesh)->Vertices()[static_cast<size_t>(v)];
            EXPECT_NEAR(vertex.uv0.u, v * 0.5f, 1e-4f) << mesh;
            EXPECT_NEAR(vertex.uv0.v, 1.0f - v * 0.5f, 1e-4f) << mesh;
            EXPECT_EQ(vertex.position.x, v == 1 ? 1.0f + mesh : -1.0f - mesh);
        }
    }
    EXPECT_EQ(Written(scene), bytes);
}

TEST_F(SceneFile, AnyFrameRateIsReadAndTheEmptySceneLoads) {
    // The rate matters only to the scene player, which checks it at its own load.
    for (int32_t rate : {0, -5, 1001, 25}) {
        Bytes bytes = SharedUvMorphScene();
        for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<unsigned char>(static_cast<uint32_t>(rate) >> (8 * i));
        KEScene scene;
        ASSERT_TRUE(Read(bytes, &scene)) << rate << ": " << scene.GetLoadError();
        EXPECT_EQ(scene.framesPerSecond, rate);
    }
    // The reserved float, then a rate of 0 and four empty counts: 24 bytes.
    Bytes empty = Builder().F32(1.0f).bytes;
    empty.resize(24, 0);
    KEScene scene;
    ASSERT_TRUE(Read(empty, &scene)) << scene.GetLoadError();
    EXPECT_EQ(scene.GetFrameCount(), 0);
    EXPECT_EQ(scene.GetFirstObject(), nullptr);
}

TEST_F(SceneFile, EveryCutAndEveryBadCountOrIndexIsRefusedWithAReason) {
    const Bytes good = SharedUvMorphScene();
    for (size_t size = 0; size < good.size(); ++size) {
        KEScene scene;
        EXPECT_FALSE(Read(Bytes(good.begin(), good.begin() + static_cast<long>(size)), &scene)) << size;
        EXPECT_FALSE(scene.GetLoadError().empty()) << size;
    }
    // Offsets into SharedUvMorphScene: 4 fps, 8 N, 96 lights, 100 names, 104 objects,
    // 108 material, 116 set-0 mode, 124 V, 128 T, 132 a triangle index, 144 F, 148 the
    // track's key, 152 K, 220 frame meshes, 224 the first one's V, 470 the frame table.
    struct Corruption {
        size_t offset;
        int32_t value;
        const char* reason;
    };
    const Corruption corruptions[] = {
        {8, -1, "negative camera records"},
        {8, 1 << 30, "do not fit"},
        {96, 1 << 20, "do not fit"},
        {100, 2000, "do not fit"},
        {104, -5, "negative objects"},
        {108, 0, "material 0 with 0 texture names"},
        {116, 3, "texture-coordinate mode 3"},
        {124, -3, "negative vertex count"},
        {128, 1 << 28, "do not fit"},
        {132, 3, "names vertex 3 of 3"},
        {144, 0, "without frames"},
        {148, 1, "names key 1 of 1"},
        {152, -1, "negative track keys"},
        {220, 100000, "do not fit"},
        {224, 2, "frame mesh of 2 vertices"},
        {470, 3, "frame mesh 3 of 3"},
    };
    for (const Corruption& c : corruptions) {
        Bytes bad = good;
        for (int i = 0; i < 4; ++i) bad[c.offset + i] = static_cast<unsigned char>(static_cast<uint32_t>(c.value) >> (8 * i));
        KEScene scene;
        EXPECT_FALSE(Read(bad, &scene)) << c.reason;
        EXPECT_NE(scene.GetLoadError().find(c.reason), std::string::npos) << scene.GetLoadError();
    }
    // A texture name whose length is negative.
    Bytes named = Header(0, 1).I32(0).bytes;
    named[20] = 0xFF;
    named[21] = named[22] = named[23] = 0xFF;
    KEScene scene;
    EXPECT_FALSE(Read(named, &scene));
    EXPECT_NE(scene.GetLoadError().find("texture name 0"), std::string::npos) << scene.GetLoadError();
}

TEST_F(SceneFile, LoadFileQueuesTexturesAndGivesEachObjectItsMaterial) {
    // Three objects: default material, and two sharing texture 0 of names "a" and "a".
    Builder b = Header(0, 2);
    b.I32(3);
    for (int32_t material : {-1, 0, 0}) b.I32(material).I32(2).I32(0).I32(0).I32(0).I32(0).I32(0);
    const std::string path = WriteBytes("Files/scene.kd10s", b.bytes);
    KEScene scene;
    ASSERT_TRUE(scene.LoadFile(path.c_str())) << scene.GetLoadError();
    KEEngine* engine = KEEngine::GetEngine();
    // Queued at the front: the last name comes out first.
    EXPECT_EQ(engine->TakePendingTexture(), scene.GetTexture(1));
    EXPECT_EQ(engine->TakePendingTexture(), scene.GetTexture(0));
    EXPECT_STREQ(scene.GetTexture(0)->GetFileName(), "Files/Textures/a");
    EXPECT_EQ(scene.GetObject(0)->GetMaterial(), scene.GetDefaultMaterial());
    EXPECT_EQ(scene.GetObject(1)->GetMaterial(), scene.GetTextureMaterial(0));
    EXPECT_EQ(scene.GetObject(2)->GetMaterial(), scene.GetTextureMaterial(0));
    EXPECT_EQ(scene.GetTextureMaterial(0)->GetTexture(0), scene.GetTexture(0));

    RecordingLog log;
    KEScene broken;
    EXPECT_FALSE(broken.LoadFile(WriteBytes("broken.kd10s", Bytes(10, 0)).c_str()));
    EXPECT_NE(broken.GetLoadError().find("broken.kd10s: "), std::string::npos) << broken.GetLoadError();
    EXPECT_TRUE(log.Contains(broken.GetLoadError()));
}

// A show built again loads its scenes again: a file unchanged since is not read again.
TEST_F(SceneFile, LoadFileReadsAFileAgainOnlyWhenItChanged) {
    KEEngine engine;  // an engine of the test's own, so that its data cache starts empty
    ScopedInstance<KEEngine> own(&engine);
    namespace fs = std::filesystem;
    // The triangle scene at this frame rate, dated back (the cache keeps only settled files).
    const auto write = [&](unsigned char fps, int hoursAgo) {
        Bytes bytes = StaticTriangleScene();
        bytes[4] = fps;
        const std::string path = WriteBytes("scene.kd10s", bytes);
        fs::last_write_time(path, fs::file_time_type::clock::now() - std::chrono::hours(hoursAgo));
        return path;
    };
    const std::string path = write(25, 2);
    KEScene first;
    ASSERT_TRUE(first.LoadFile(path.c_str())) << first.GetLoadError();
    // Zeroed at the same size and time, which the cache cannot see: a scene read from the
    // disk now would be refused.
    const fs::file_time_type time = fs::last_write_time(path);
    WriteBytes("scene.kd10s", Bytes(StaticTriangleScene().size(), 0));
    fs::last_write_time(path, time);
    KEScene again;
    ASSERT_TRUE(again.LoadFile(path.c_str())) << again.GetLoadError();
    EXPECT_EQ(again.framesPerSecond, 25);
    EXPECT_EQ(engine.GetDataCache().GetDiskReads(path.c_str()), 1);

    write(30, 1);
    KEScene rewritten;
    ASSERT_TRUE(rewritten.LoadFile(path.c_str()));
    EXPECT_EQ(rewritten.framesPerSecond, 30);

    fs::remove(path);
    RecordingLog log;
    KEScene removed;
    EXPECT_FALSE(removed.LoadFile(path.c_str()));
    EXPECT_EQ(removed.GetLoadError(), "cannot open " + path);
    EXPECT_EQ(log.Boxes(), std::vector<std::string>{"FAILED TO OPEN " + path});
}
