// Keyframe playback and normals, with hand-worked values: track interpolation at and
// between frames, the morph's carried-over state, and smooth normals over at most 8 faces.
#include "KEEngine.h"
#include "KEScene.h"
#include "KEVertex.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

KEMatrix4 Filled(float v) {
    KEMatrix4 m;
    for (float& e : m.m) e = v;
    return m;
}

// A morphing object of `table.size()` scene frames; frame mesh j has every position at x = j.
KESceneObject* MorphObject(KEScene& scene, const std::vector<int32_t>& table, int meshes) {
    scene.cameraPositions.resize(table.size());
    KESceneObject* object = scene.AddObject();
    object->kind = KESceneObject::KIND_MORPH;
    object->vertexCount = 3;
    object->Triangles() = {0, 1, 2};
    object->SetTrack(std::make_unique<KETransformTrack>(1));
    object->FrameTable() = table;
    for (int j = 0; j < meshes; ++j) {
        KEFrameMesh* mesh = object->AddFrameMesh();
        mesh->Vertices() = {{{float(j), 0, 0}, {}, {}, {}}, {{float(j), 1, 0}, {}, {}, {}}, {{float(j), 0, 1}, {}, {}, {}}};
        mesh->Setup();
    }
    return object;
}

// The x of the first vertex of what the last draw submitted, or NAN when nothing was.
float SubmittedX() {
    KERenderQueue& queue = KEEngine::GetEngine()->GetQueue();
    if (queue.GetCount() == 0) return NAN;
    const auto* v = static_cast<const KESceneVertex*>(queue.GetItem(queue.GetCount() - 1).drawCall.stream->GetData());
    queue.Clear();
    return v[0].position.x;
}

}  // namespace

TEST(TransformTrack, InterpolatesBetweenFramesAndHoldsTheLastPose) {
    KETransformTrack track(3);
    track.Keys() = {Filled(10), Filled(20), Filled(40)};
    track.Frames() = {0, 1, 2};
    const struct {
        float t, value;
        bool isKey2;
    } cases[] = {
        {1.25f, 0.75f * 20 + 0.25f * 40, false}, {2.0f, 40, true}, {7.5f, 40, true},
        {0.999f, 0.001f * 10 + 0.999f * 20, false}, {1.0f, 20, false}, {0.0f, 10, false},
    };
    for (const auto& c : cases) {
        const KEMatrix4& m = track.Evaluate(c.t);
        EXPECT_NEAR(m.m[5], c.value, 1e-4f) << c.t;
        EXPECT_EQ(&m == &track.Keys()[2], c.isKey2) << c.t;
    }
}

TEST(SceneNormals, AVertexAveragesItsFirstEightFacesAndDegenerateOnesAddNothing) {
    KEScene scene;
    KESceneObject* object = scene.AddObject();
    object->kind = KESceneObject::KIND_STATIC;
    KEFrameMesh* mesh = object->AddFrameMesh();
    // Vertex 0 at the origin. Vertices 1..4: a square around it in z = 0; 5: straight up.
    mesh->Vertices() = {{{0, 0, 0}, {}, {}, {}},  {{1, 0, 0}, {}, {}, {}},  {{0, 1, 0}, {}, {}, {}},
                        {{-1, 0, 0}, {}, {}, {}}, {{0, -1, 0}, {}, {}, {}}, {{0, 0, 1}, {}, {}, {}},
                        {{5, 5, 5}, {}, {}, {}},  {{6, 5, 5}, {}, {}, {}},  {{5, 5, 6}, {}, {}, {}}};
    std::vector<uint32_t>& tris = object->Triangles();
    // Eight flat faces around vertex 0 whose normal (p0 - p1) x (p2 - p1) is +z...
    for (int i = 0; i < 8; ++i) {
        const uint32_t a = 1 + i % 4, b = 1 + (i + 1) % 4;
        tris.insert(tris.end(), {a, 0, b});
    }
    // ... then two walls that would tip it towards -y if they counted.
    tris.insert(tris.end(), {1, 0, 5, 1, 0, 5});
    // Vertex 6: one real face (normal +y) and one degenerate (7 twice).
    tris.insert(tris.end(), {6, 7, 8, 6, 7, 7});
    mesh->ComputeNormals();
    const KEVector3& n0 = mesh->Vertices()[0].normal;
    EXPECT_NEAR(n0.x, 0.0f, 1e-6f);
    EXPECT_NEAR(n0.y, 0.0f, 1e-6f);
    EXPECT_NEAR(n0.z, 1.0f, 0.005f);
    const KEVector3& n6 = mesh->Vertices()[6].normal;
    EXPECT_NEAR(n6.x, 0.0f, 1e-6f);
    EXPECT_NEAR(n6.y, 1.0f, 0.005f);
    EXPECT_NEAR(n6.z, 0.0f, 1e-6f);
    EXPECT_NEAR(mesh->Vertices()[4].normal.z, 1.0f, 0.005f);
}

TEST(SceneMorph, InterpolatesFromTheShownFrameMeshAndReusesTheDeltaUntilItChanges) {
    struct Step {
        float t;
        float x;  // first vertex's x as submitted
    };
    const struct {
        std::vector<int32_t> table;
        std::vector<Step> steps;
    } cases[] = {
        // Halfway between frame meshes 1 and 2, then 90 % with the same delta.
        {{0, 1, 2, 3}, {{1.5f, 1.5f}, {1.9f, 1.9f}, {2.25f, 2.25f}}},
        // The next frame names the same frame mesh: frame mesh 0 as it is.
        {{0, 0, 2}, {{0.5f, 0.0f}, {1.5f, 0.0f}, {2.0f, 2.0f}}},
        // A run of frame mesh 1 then 3: shown without interpolating into 3.
        {{0, 1, 1, 3}, {{1.2f, 1.0f}, {2.5f, 1.0f}, {3.0f, 3.0f}}},
    };
    for (const auto& c : cases) {
        KEScene scene;
        KESceneObject* object = MorphObject(scene, c.table, 4);
        for (const Step& step : c.steps) {
            object->Draw(step.t);
            EXPECT_NEAR(SubmittedX(), step.x, 1e-5f) << "t = " << step.t;
        }
    }
}

TEST(SceneDraw, StaticAndRigidObjectsSubmitTheirFirstFrameMeshAndOtherKindsNothing) {
    KEScene scene;
    KESceneObject* object = MorphObject(scene, {0, 1}, 2);
    KETransformTrack* track = object->GetTrack();
    track->Keys() = {Filled(3)};
    for (int32_t kind : {2, 3, 5}) {
        object->kind = kind;
        object->Draw(0.7f);
        KERenderQueue& queue = KEEngine::GetEngine()->GetQueue();
        ASSERT_EQ(queue.GetCount(), kind == 5 ? 0 : 1) << kind;
        if (kind != 5) {
            EXPECT_EQ(queue.GetItem(0).drawCall.stream, object->GetFrameMesh(0)->GetMesh().GetStream(0));
        }
        queue.Clear();
    }
}

// A quarter of the way from frame mesh 1 to 2: normals and every texture set the object
// has move linearly (normals stay unnormalised); a set the object lacks is never written.
TEST(SceneMorph, NormalsAndTheObjectsTextureSetsMoveWithThePositions) {
    const struct {
        int32_t uv0, uv1;
    } cases[] = {{KESceneObject::UV_PER_FRAME, KESceneObject::UV_PER_FRAME},
                 {KESceneObject::UV_SHARED, KESceneObject::UV_NONE},
                 {KESceneObject::UV_NONE, KESceneObject::UV_PER_FRAME}};
    for (const auto& c : cases) {
        KEScene scene;
        KESceneObject* object = MorphObject(scene, {0, 1, 2}, 3);
        object->uvMode[0] = c.uv0;
        object->uvMode[1] = c.uv1;
        object->GetFrameMesh(1)->Vertices()[0] = {{1, 0, 0}, {0, 0, 1}, {0.2f, 0.4f}, {1.0f, 0.0f}};
        object->GetFrameMesh(2)->Vertices()[0] = {{2, 0, 0}, {1, 0, 0}, {0.6f, 0.0f}, {0.0f, 2.0f}};
        object->Draw(1.25f);
        KERenderQueue& queue = KEEngine::GetEngine()->GetQueue();
        ASSERT_EQ(queue.GetCount(), 1);
        const KESceneVertex& v = *static_cast<const KESceneVertex*>(queue.GetItem(0).drawCall.stream->GetData());
        queue.Clear();
        SCOPED_TRACE(::testing::Message() << "texture modes " << c.uv0 << ", " << c.uv1);
        EXPECT_FLOAT_EQ(v.position.x, 1.25f);
        EXPECT_FLOAT_EQ(v.normal.x, 0.25f);
        EXPECT_FLOAT_EQ(v.normal.y, 0.0f);
        EXPECT_FLOAT_EQ(v.normal.z, 0.75f);
        const bool has0 = c.uv0 != KESceneObject::UV_NONE, has1 = c.uv1 != KESceneObject::UV_NONE;
        EXPECT_FLOAT_EQ(v.uv0.u, has0 ? 0.3f : 0.0f);
        EXPECT_FLOAT_EQ(v.uv0.v, has0 ? 0.3f : 0.0f);
        EXPECT_FLOAT_EQ(v.uv1.u, has1 ? 0.75f : 0.0f);
        EXPECT_FLOAT_EQ(v.uv1.v, has1 ? 0.5f : 0.0f);
    }
}
