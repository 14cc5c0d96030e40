// Times N render items per frame through the engine's queue against the same geometry
// drawn by a plain GL loop in the same run, headless on whatever GL the machine has.
// Prints frames per second of both and, last, the ratio queue time / plain time.
//
//   queue_bench [items=500] [frames=200]
#include "KECamera.h"
#include "KEEngine.h"
#include "KEExtensions.h"
#include "KEFrameListener.h"
#include "KEMaterial.h"
#include "KEVertex.h"
#include "KEVertexLayouts.h"
#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLAppWindow.h"
#include "KLEntry.h"
#include "KLLog.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {

int g_items = 500;
int g_frames = 200;

struct Scene : KEFrameListener {
    KEVertexLitTextured quad;
    KEMaterial material;
    bool OnRender() override {
        KEEngine* engine = KEEngine::GetEngine();
        KEDrawCall call;
        call.primitive = GL_QUADS;
        call.stream = &quad;
        call.count = 4;
        for (int i = 0; i < g_items; ++i) {
            KERenderQueue* queue = engine->BeginItem(true, true);
            queue->ModelviewTransforms().Translate(static_cast<float>(i % 20) * 10 - 100, 0, -300);
            queue->ModelviewTransforms().Rotate(static_cast<float>(i), 0, 0, 1);
            queue->RenderState().SetMaterial(&material);
            queue->Submit(call);
        }
        return true;
    }
};

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

int Bench(int, char**) {
    KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
    KL::Window* window = app->OpenWindow("queue bench", 0, 0, 256, 256, 32, false, nullptr, nullptr);
    KEEngine* engine = KEEngine::GetEngine();
    window->AddListener(engine);
    if (!engine->IsReady()) return 1;

    KECamera camera, view;
    camera.SetPerspective(90, 1.33f, 1, 2000);
    view.SetEye(0, 0, -100, 0, 0, 0);
    engine->SetCamera(&camera);
    engine->SetView(&view);
    Scene scene;
    scene.quad.AllocateSpace(4);
    const float corners[4][2] = {{-5, -5}, {-5, 5}, {5, 5}, {5, -5}};
    for (int i = 0; i < 4; ++i) {
        float* p = static_cast<float*>(scene.quad.PositionPtr(i));
        p[0] = corners[i][0];
        p[1] = corners[i][1];
        p[2] = 0;
    }
    engine->SetFrameListener(&scene);
    engine->GetLighting()->DisablePresent();

    engine->RenderFrame();  // compiles the material
    const auto queueStart = std::chrono::steady_clock::now();
    for (int f = 0; f < g_frames; ++f) engine->RenderFrame();
    glFinish();
    const double queueTime = Seconds(std::chrono::steady_clock::now() - queueStart);

    // The same items, issued directly: matrices, state and one draw each.
    const auto plainStart = std::chrono::steady_clock::now();
    for (int f = 0; f < g_frames; ++f) {
        glClearColor(0.3f, 0.3f, 0.6f, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1.33, 1.33, -1, 1, 1, 2000);
        glVertexPointer(3, GL_FLOAT, scene.quad.PositionStride(), scene.quad.PositionPtr(0));
        glEnableClientState(GL_VERTEX_ARRAY);
        for (int i = 0; i < g_items; ++i) {
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glTranslatef(0, 0, 100);
            glTranslatef(static_cast<float>(i % 20) * 10 - 100, 0, -300);
            glRotatef(static_cast<float>(i), 0, 0, 1);
            glColor4f(1, 1, 1, 1);
            glDrawArrays(GL_QUADS, 0, 4);
        }
        glFlush();
    }
    glFinish();
    const double plainTime = Seconds(std::chrono::steady_clock::now() - plainStart);

    std::printf("items per frame: %d, frames: %d\n", g_items, g_frames);
    std::printf("render queue: %.1f frames/s\n", g_frames / queueTime);
    std::printf("plain GL loop: %.1f frames/s\n", g_frames / plainTime);
    std::printf("ratio (queue time / plain time): %.2f\n", queueTime / plainTime);
    app->Quit();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) g_items = std::atoi(argv[1]);
    if (argc > 2) g_frames = std::atoi(argv[2]);
    if (g_items <= 0 || g_frames <= 0) {
        std::fprintf(stderr, "usage: queue_bench [items>0] [frames>0]\n");
        return 2;
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    KL::SetErrorBoxesEnabled(false);
    return KL::ProgramEntry(argc, argv, &Bench);
}
