// Transform lists and the camera settings built on them, replayed on a real GL context and
// read back from the matrix stacks.
#include "GLTestContext.h"
#include "KECamera.h"
#include "KERenderQueue.h"
#include "KETransformList.h"

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

void ExpectCurrentMatrix(GLenum which, const float (&expected)[16], float tolerance = 1e-5f) {
    float m[16];
    glGetFloatv(which, m);
    for (int k = 0; k < 16; ++k) EXPECT_NEAR(m[k], expected[k], tolerance) << "float " << k;
}

}  // namespace

TEST(TransformList, EmptyReplayTouchesNothing) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_TEXTURE);

    KL::TransformList list;
    list.Replay(GL_MODELVIEW);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_TEXTURE);
    ExpectCurrentMatrix(GL_MODELVIEW_MATRIX, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, 2, 3, 1});
}

TEST(TransformList, ReplayDoesNotLoadIdentityByItself) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(1.0f, 0.0f, 0.0f);
    glMatrixMode(GL_PROJECTION);

    KL::TransformList list;
    list.Scale(2.0f, 2.0f, 2.0f);
    const float shift[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 5, 0, 1};
    list.MultMatrix(shift);
    list.Replay(GL_MODELVIEW);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    // T(1,0,0) * S(2) * T(0,5,0): scale 2, translation (1, 10, 0).
    ExpectCurrentMatrix(GL_MODELVIEW_MATRIX, {2, 0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 1, 10, 0, 1});

    // A load step replaces what came before it.
    KL::TransformList load;
    const float loaded[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 4, 4, 4, 1};
    load.LoadMatrix(loaded);
    load.Replay(GL_MODELVIEW);
    ExpectCurrentMatrix(GL_MODELVIEW_MATRIX, loaded);
}

TEST(TransformList, EleventhStepGrowsByTheGrowthStep) {
    KL::TransformList list;
    EXPECT_EQ(list.GetCapacity(), 10);
    EXPECT_EQ(list.GetGrowthStep(), 10);
    for (int k = 0; k < 10; ++k) list.Translate(static_cast<float>(k), 0.0f, 0.0f);
    EXPECT_EQ(list.GetCapacity(), 10);
    list.Rotate(30.0f, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(list.GetCount(), 11);
    EXPECT_EQ(list.GetCapacity(), 20);
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(list.GetStep(k).kind, KL::TransformStep::kTranslate);
        EXPECT_EQ(list.GetStep(k).values[0], static_cast<float>(k));
    }
    EXPECT_EQ(list.GetStep(10).kind, KL::TransformStep::kRotate);
    EXPECT_EQ(list.GetStep(10).values[0], 30.0f);
    EXPECT_EQ(list.GetStep(10).values[2], 1.0f);

    // Clearing keeps the room.
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.GetCapacity(), 20);
}

TEST(TransformList, CopiesAreExactAndIndependent) {
    KL::TransformList source;
    for (int k = 0; k < 25; ++k) {
        if (k % 2) source.Translate(static_cast<float>(k), -1.0f, 2.0f);
        else source.Ortho(-1.0f, 1.0f, -2.0f, 2.0f, static_cast<float>(k), 100.0f);
    }
    KL::TransformList copied;
    copied.Copy(source);
    KL::TransformList constructed(source);
    KL::TransformList assigned;
    for (int k = 0; k < 30; ++k) assigned.Identity();  // more steps than the source
    assigned = source;
    assigned = assigned;  // self-assignment changes nothing

    for (const KL::TransformList* list : {&copied, &constructed, &assigned}) {
        ASSERT_EQ(list->GetCount(), 25);
        EXPECT_GE(list->GetCapacity(), 25);
        EXPECT_EQ(list->GetGrowthStep(), 10);
        for (int k = 0; k < 25; ++k) {
            EXPECT_EQ(list->GetStep(k).kind, source.GetStep(k).kind) << k;
            for (int v = 0; v < 16; ++v) EXPECT_EQ(list->GetStep(k).values[v], source.GetStep(k).values[v]);
        }
    }
    // The copy owns its own steps.
    source.Clear();
    source.Identity();
    EXPECT_EQ(copied.GetStep(0).kind, KL::TransformStep::kOrtho);
    EXPECT_EQ(copied.GetStep(0).values[4], 0.0f);
}

TEST(TransformList, MovedListsKeepTheirStepsAndTheEmptiedOnesStayUsable) {
    KL::TransformList source;
    for (int k = 0; k < 12; ++k) source.Translate(static_cast<float>(k), 0, 0);
    KL::TransformList moved(std::move(source));
    KL::TransformList assigned;
    assigned.Identity();
    assigned = std::move(moved);
    ASSERT_EQ(assigned.GetCount(), 12);
    EXPECT_EQ(assigned.GetStep(11).values[0], 11.0f);
    // The emptied lists grow again, take copies, and are freed once.
    for (KL::TransformList* emptied : {&source, &moved}) {
        EXPECT_EQ(emptied->GetCount(), 0);
        emptied->Scale(2, 2, 2);
        ASSERT_EQ(emptied->GetCount(), 1);
        EXPECT_EQ(emptied->GetStep(0).kind, KL::TransformStep::kScale);
        emptied->Copy(assigned);
        EXPECT_EQ(emptied->GetCount(), 12);
    }
}

TEST(TransformList, QueueItemsKeepEveryKindOfStepExactly) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    const float matrix[16] = {1, 0.5f, 0, 0, -0.25f, 2, 0, 0, 0, 0, 1, 0, 3, -4, 5, 1};
    const auto everyKind = [&matrix](KL::TransformList& list) {
        list.LoadMatrix(matrix);
        list.Translate(1, 2, 3);
        list.Rotate(30, 0, 0, 1);
        list.Scale(2, 3, 4);
        list.Frustum(-1, 1, -2, 2, 1, 100);
        list.Identity();
        list.Ortho(-3, 3, -2, 2, -1, 7);
        list.MultMatrix(matrix);
    };
    KERenderQueue queue;
    KL::TransformList& list = queue.BeginItem(false, false)->ModelviewTransforms();
    everyKind(list);
    queue.Submit(KEDrawCall());
    list.Clear();
    list.Translate(9, 9, 9);
    queue.Submit(KEDrawCall());  // a second item after the first in the store

    const KERenderSteps& steps = queue.GetItem(0).modelview;
    KL::TransformList expected;
    everyKind(expected);
    ASSERT_EQ(steps.GetCount(), expected.GetCount());
    for (int k = 0; k < expected.GetCount(); ++k) {
        EXPECT_EQ(steps.GetStep(k).kind, expected.GetStep(k).kind) << k;
        for (int v = 0; v < 16; ++v) EXPECT_EQ(steps.GetStep(k).values[v], expected.GetStep(k).values[v]) << k;
    }
    float fromList[16];
    float fromItem[16];
    expected.Replay(GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, fromList);
    steps.Replay(GL_MODELVIEW);
    glGetFloatv(GL_MODELVIEW_MATRIX, fromItem);
    EXPECT_EQ(std::vector<float>(fromItem, fromItem + 16), std::vector<float>(fromList, fromList + 16));
    EXPECT_EQ(queue.GetItem(1).modelview.GetStep(0).values[0], 9.0f);
}

TEST(Camera, PerspectiveReplaysAsIdentityAndFrustum) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glTranslatef(7.0f, 7.0f, 7.0f);  // must be replaced, not multiplied
    glMatrixMode(GL_MODELVIEW);

    KECamera camera;
    camera.SetPerspective(90.0f, 1.0f, 1.0f, 100.0f);
    const KL::TransformList& list = *camera.GetTransforms();
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetStep(0).kind, KL::TransformStep::kIdentity);
    EXPECT_EQ(list.GetStep(1).kind, KL::TransformStep::kFrustum);
    const float frustum[6] = {-1, 1, -1, 1, 1, 100};
    for (int v = 0; v < 6; ++v) EXPECT_NEAR(list.GetStep(1).values[v], frustum[v], 1e-6f);

    list.Replay(GL_PROJECTION);
    // glFrustum(-1, 1, -1, 1, 1, 100): 2n/(r-l) = 1, 2n/(t-b) = 1, -(f+n)/(f-n) = -101/99,
    // -2fn/(f-n) = -200/99, and -1 in row 3 of column 2.
    ExpectCurrentMatrix(GL_PROJECTION_MATRIX,
                        {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -101.0f / 99.0f, -1, 0, 0, -200.0f / 99.0f, 0});

    // Aspect widens left and right only; t = tan(30 deg) * 2 for 60 degrees at near 2.
    camera.SetPerspective(60.0f, 2.0f, 2.0f, 50.0f);
    const float t = 1.1547005f;
    const float wide[6] = {-2 * t, 2 * t, -t, t, 2, 50};
    ASSERT_EQ(camera.GetTransforms()->GetCount(), 2);
    for (int v = 0; v < 6; ++v) EXPECT_NEAR(camera.GetTransforms()->GetStep(1).values[v], wide[v], 1e-5f);
}

TEST(Camera, DemoViewTranslatesTheSceneAwayFromTheEye) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    KECamera view;
    view.SetEye(0.0f, 0.0f, -100.0f, 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(view.GetTransforms()->GetCount(), 5);  // identity, three rotations, translation
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(5.0f, 5.0f, 5.0f);
    view.GetTransforms()->Replay(GL_MODELVIEW);
    ExpectCurrentMatrix(GL_MODELVIEW_MATRIX, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 100, 1});
}

TEST(Camera, EyeRotationOrder) {
    GLTestContext gl;
    ASSERT_TRUE(gl.Ready());
    struct Case {
        const char* what;
        bool rollFirst;
        float x, y, z, ax, ay, az;
        float expected[16];
    };
    // Worked by hand with Rx(-90): (x, y, z) -> (x, z, -y), Ry(-90): (x, y, z) -> (-z, y, x)
    // and Rz(-90): (x, y, z) -> (y, -x, z); the translation column is M * (-x, -y, -z).
    const Case cases[] = {
        // Rx(-90) * Rz(-90) * T(-1, -2, -3)
        {"x then z", false, 1, 2, 3, 90, 0, 90, {0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, -2, -3, -1, 1}},
        // Rz(-90) * Rx(-90) * T(-1, -2, -3)
        {"roll first", true, 1, 2, 3, 90, 0, 90, {0, -1, 0, 0, 0, 0, -1, 0, 1, 0, 0, 0, -3, 1, 2, 1}},
        // Ry(-90) * T(0, 0, -5)
        {"y alone", false, 0, 0, 5, 0, 90, 0, {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 5, 0, 0, 1}},
        // Rz(0) * Rx(-90) * Ry(-90): X still comes before Y.
        {"x then y, roll first", true, 0, 0, 0, 90, 90, 0, {0, 1, 0, 0, 0, 0, -1, 0, -1, 0, 0, 0, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        KECamera eye;
        if (c.rollFirst) eye.SetEyeRollFirst(c.x, c.y, c.z, c.ax, c.ay, c.az);
        else eye.SetEye(c.x, c.y, c.z, c.ax, c.ay, c.az);
        eye.GetTransforms()->Replay(GL_MODELVIEW);
        ExpectCurrentMatrix(GL_MODELVIEW_MATRIX, c.expected);
    }
}
