// Times a sprite set of N sprites (scattered as the atmosphere scatters its specks) drawn
// every frame through the engine's render queue, headless on whatever GL the machine has.
// Prints frames per second, the submission cost alone, and last the whole time per sprite.
//
//   sprite_bench [sprites=1000] [frames=200]
#include "KECamera.h"
#include "KEEngine.h"
#include "KEFrameListener.h"
#include "KESpriteSet.h"
#include "KLAbstractFactory.h"
#include "KLAppWindow.h"
#include "KLApplication.h"
#include "KLEntry.h"
#include "KLHelpers.h"
#include "KLLog.h"

#include <GL/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

int g_sprites = 1000;
int g_frames = 200;

struct Scene : KEFrameListener {
    KESpriteSet sprites;
    float viewerX = 0.0f;
    bool OnRender() override {
        sprites.Draw(viewerX, 0.0f, -100.0f);
        return true;
    }
};

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

int Bench(int, char**) {
    KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
    KL::Window* window = app->OpenWindow("sprite bench", 0, 0, 640, 480, 32, false, nullptr, nullptr);
    KEEngine* engine = KEEngine::GetEngine();
    window->AddListener(engine);
    if (!engine->IsReady()) return 1;

    // The show's camera: 90 degrees, eye at (0, 0, -100).
    KECamera camera, view;
    camera.SetPerspective(90, 1.33f, 1, 2000);
    view.SetEye(0, 0, -100, 0, 0, 0);
    engine->SetCamera(&camera);
    engine->SetView(&view);
    engine->GetLighting()->DisablePresent();

    // Untextured (no image file needed): the quad, the blend and the per-sprite turn are
    // what is measured.
    Scene scene;
    scene.sprites.SetSize(100.0f);
    scene.sprites.Allocate(g_sprites);
    std::srand(1);
    for (int i = 0; i < g_sprites; ++i) {
        const float z = RandomRange(-1000, 1000), y = RandomRange(-1000, 1000), x = RandomRange(-1000, 1000);
        scene.sprites.GetSprite(i)->position = {x, y, z};
    }
    engine->SetFrameListener(&scene);

    engine->RenderFrame();  // compiles the material
    const auto frameStart = std::chrono::steady_clock::now();
    for (int f = 0; f < g_frames; ++f) {
        scene.viewerX = static_cast<float>(f % 50);  // a moving viewer: every turn is recomputed
        if (!engine->RenderFrame()) {
            std::fprintf(stderr, "frame %d failed\n", f);
            return 1;
        }
    }
    glFinish();
    const double frameTime = Seconds(std::chrono::steady_clock::now() - frameStart);

    // Submission alone: the queue is emptied without drawing.
    const auto submitStart = std::chrono::steady_clock::now();
    for (int f = 0; f < g_frames; ++f) {
        scene.sprites.Draw(static_cast<float>(f % 50), 0.0f, -100.0f);
        engine->GetQueue().Clear();
    }
    const double submitTime = Seconds(std::chrono::steady_clock::now() - submitStart);

    const double perFrameSprites = static_cast<double>(g_frames) * g_sprites;
    std::printf("sprites per frame: %d, frames: %d, triangles per frame: %d\n", g_sprites, g_frames,
                engine->GetTriangleCount());
    std::printf("frames per second: %.1f\n", g_frames / frameTime);
    std::printf("submission (Draw into the queue): %.1f ns per sprite\n", submitTime / perFrameSprites * 1e9);
    std::printf("time per sprite (whole frame): %.3f us\n", frameTime / perFrameSprites * 1e6);
    app->Quit();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) g_sprites = std::atoi(argv[1]);
    if (argc > 2) g_frames = std::atoi(argv[2]);
    if (g_sprites <= 0 || g_frames <= 0) {
        std::fprintf(stderr, "usage: sprite_bench [sprites>0] [frames>0]\n");
        return 2;
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    KL::SetErrorBoxesEnabled(false);
    return KL::ProgramEntry(argc, argv, &Bench);
}
