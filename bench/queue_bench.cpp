// Times N render items per frame through the engine's queue against the same items drawn by
// a plain GL loop in the same run, headless on whatever GL the machine has.
//
// Both sides wait for every frame to finish (glFinish), run in several interleaved
// repetitions (the order alternating), and must draw the same picture: the back buffers
// are hashed after each side's frames and the run is refused when they differ. The engine
// runs twice, with its state cache and without it. Also prints the first frame of the
// queue (its storage growing from nothing) against a steady one.
//
//   queue_bench [items=500] [frames=20] [quad half-size=5] [repetitions=25]
//
// Prints min/median/max milliseconds per frame of each side and, last, the median over
// the repetitions of each repetition's ratio cached engine / plain loop: pairing the runs
// that ran next to each other keeps a busy moment of the machine out of the ratio.
#include "KECamera.h"
#include "KEEngine.h"
#include "KEFrameListener.h"
#include "KEMaterial.h"
#include "KEVertexLayouts.h"
#include "KLAbstractFactory.h"
#include "KLApplication.h"
#include "KLAppWindow.h"
#include "KLEntry.h"
#include "KLLog.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kSide = 256;

struct Settings {
    int items = 500;
    int frames = 20;
    float halfSize = 5;
    int repetitions = 25;
};
Settings g_settings;

// Where item i goes: a grid of 20 columns, turned by i degrees.
float ItemX(int i) { return static_cast<float>(i % 20) * 10 - 100; }
float ItemY(int i) { return static_cast<float>((i / 20) % 15) * 10 - 70; }
constexpr float kItemZ = -300;

struct Scene : KEFrameListener {
    KEVertexPosition quad;  // positions only, as the plain loop binds
    KEMaterial material;
    bool OnRender() override {
        KEEngine* engine = KEEngine::GetEngine();
        KEDrawCall call;
        call.primitive = GL_QUADS;
        call.stream = &quad;
        call.count = 4;
        for (int i = 0; i < g_settings.items; ++i) {
            KERenderQueue* queue = engine->BeginItem(true, true);
            queue->ModelviewTransforms().Translate(ItemX(i), ItemY(i), kItemZ);
            queue->ModelviewTransforms().Rotate(static_cast<float>(i), 0, 0, 1);
            queue->RenderState().SetMaterial(&material);
            queue->Submit(call);
        }
        return true;
    }
};

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// FNV-1a of the back buffer, and how many pixels differ from the clear colour.
uint64_t HashBackBuffer(int* covered) {
    std::vector<uint8_t> pixels(static_cast<size_t>(kSide) * kSide * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    uint64_t hash = 1469598103934665603ull;
    for (uint8_t b : pixels) hash = (hash ^ b) * 1099511628211ull;
    *covered = 0;
    for (size_t p = 0; p < pixels.size(); p += 4) {
        if (pixels[p] != pixels[0] || pixels[p + 1] != pixels[1] || pixels[p + 2] != pixels[2]) ++*covered;
    }
    return hash;
}

// The same items issued directly: the camera once per frame, then matrices and one draw
// per item, with the state the engine's material gives set once.
class PlainLoop {
public:
    PlainLoop(KECamera* camera, KECamera* view, KEVertex* quad) : m_camera(camera), m_view(view), m_quad(quad) {}

    void Frame() {
        glClearColor(0.3f, 0.3f, 0.6f, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        m_camera->GetTransforms()->Replay(GL_PROJECTION);
        m_view->GetTransforms()->Replay(GL_MODELVIEW);
        float modelview[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        for (int i = 0; i < g_settings.items; ++i) {
            glLoadMatrixf(modelview);
            glTranslatef(ItemX(i), ItemY(i), kItemZ);
            glRotatef(static_cast<float>(i), 0, 0, 1);
            glDrawArrays(GL_QUADS, 0, 4);
        }
        glFlush();
    }
    // What the engine's material and draw leave, sent once before a run of frames.
    void SetState() const {
        for (GLenum unit : {GL_TEXTURE1, GL_TEXTURE0}) {
            glActiveTexture(unit);
            glDisable(GL_TEXTURE_2D);
            glClientActiveTexture(unit);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glDisable(GL_FOG);
        glEnable(GL_CULL_FACE);
        glEnable(GL_DEPTH_TEST);
        glDepthMask(GL_TRUE);
        glDepthFunc(GL_LESS);
        glColor4f(1, 1, 1, 1);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, m_quad->PositionStride(), m_quad->PositionPtr(0));
        glEnableClientState(GL_VERTEX_ARRAY);
    }

private:
    KECamera* m_camera;
    KECamera* m_view;
    KEVertex* m_quad;
};

double MedianOf(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Side {
    const char* name;
    std::vector<double> frameMs;  // one per repetition: mean milliseconds per frame
    uint64_t hash = 0;
    int covered = 0;
    double Median() const { return MedianOf(frameMs); }
    // The median of this side's time over the other's, repetition by repetition.
    double MedianRatioTo(const Side& other) const {
        std::vector<double> ratios;
        for (size_t r = 0; r < frameMs.size(); ++r) ratios.push_back(frameMs[r] / other.frameMs[r]);
        return MedianOf(ratios);
    }
    void Print() const {
        const auto [low, high] = std::minmax_element(frameMs.begin(), frameMs.end());
        std::printf("%-26s min %8.3f  median %8.3f  max %8.3f ms/frame  (%.1f frames/s)\n", name, *low, Median(),
                    *high, 1000.0 / Median());
    }
};

template <typename F>
double TimeFrames(F frame) {
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < g_settings.frames; ++f) {
        frame();
        glFinish();
    }
    return Milliseconds(std::chrono::steady_clock::now() - start) / g_settings.frames;
}

int Bench(int, char**) {
    KL::Application* app = KLAbstractFactory<KL::Application>::GetInstance();
    KL::Window* window = app->OpenWindow("queue bench", 0, 0, kSide, kSide, 32, false, nullptr, nullptr);
    KEEngine* engine = KEEngine::GetEngine();
    window->AddListener(engine);
    if (!engine->IsReady()) return 1;

    KECamera camera, view;
    camera.SetPerspective(90, 1.0f, 1, 2000);
    view.SetEye(0, 0, -100, 0, 0, 0);
    engine->SetCamera(&camera);
    engine->SetView(&view);
    engine->GetLighting()->SetClearColor(0.3f, 0.3f, 0.6f, 0);
    engine->GetLighting()->DisablePresent();
    Scene scene;
    scene.quad.AllocateSpace(4);
    const float h = g_settings.halfSize;
    const float corners[4][2] = {{-h, -h}, {-h, h}, {h, h}, {h, -h}};
    for (int i = 0; i < 4; ++i) {
        float* p = static_cast<float*>(scene.quad.PositionPtr(i));
        p[0] = corners[i][0];
        p[1] = corners[i][1];
        p[2] = 0;
    }
    engine->SetFrameListener(&scene);
    PlainLoop plain(&camera, &view, &scene.quad);

    // One plain frame first, so that the driver's first use of this state is not charged
    // to the queue's first frame, which grows the queue's storage from nothing.
    plain.SetState();
    plain.Frame();
    glFinish();
    const auto firstStart = std::chrono::steady_clock::now();
    engine->RenderFrame();
    glFinish();
    const double firstMs = Milliseconds(std::chrono::steady_clock::now() - firstStart);

    Side cached{"render queue, state cache", {}};
    Side uncached{"render queue, no cache", {}};
    Side direct{"plain GL loop", {}};
    const auto runEngine = [&](Side& side, bool cache) {
        engine->SetStateCacheEnabled(cache);
        side.frameMs.push_back(TimeFrames([&] { engine->RenderFrame(); }));
        side.hash = HashBackBuffer(&side.covered);
    };
    const auto runPlain = [&] {
        plain.SetState();
        direct.frameMs.push_back(TimeFrames([&] { plain.Frame(); }));
        direct.hash = HashBackBuffer(&direct.covered);
    };
    for (int r = 0; r < g_settings.repetitions; ++r) {
        if (r % 2 == 0) {
            runEngine(cached, true);
            runEngine(uncached, false);
            runPlain();
        } else {
            runPlain();
            runEngine(uncached, false);
            runEngine(cached, true);
        }
        if (cached.hash != direct.hash || uncached.hash != direct.hash) {
            std::fprintf(stderr, "queue_bench: the pictures differ (%016llx, %016llx, plain %016llx); not timed\n",
                         static_cast<unsigned long long>(cached.hash), static_cast<unsigned long long>(uncached.hash),
                         static_cast<unsigned long long>(direct.hash));
            app->Quit();
            return 1;
        }
    }

    std::printf("items per frame: %d, frames: %d, quad half-size: %g, repetitions: %d\n", g_settings.items,
                g_settings.frames, static_cast<double>(g_settings.halfSize), g_settings.repetitions);
    std::printf("pictures identical: %016llx, %d of %d pixels drawn\n", static_cast<unsigned long long>(direct.hash),
                direct.covered, kSide * kSide);
    direct.Print();
    uncached.Print();
    cached.Print();
    std::printf("first frame of the queue: %.3f ms, %.2f x the steady frame\n", firstMs, firstMs / cached.Median());
    std::printf("ratio without the cache (queue time / plain time): %.3f\n", uncached.MedianRatioTo(direct));
    std::printf("ratio (queue time / plain time): %.3f\n", cached.MedianRatioTo(direct));
    app->Quit();
    return 0;
}

bool ParsePositive(const char* text, double* value) {
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && *end == '\0' && *value > 0 && *value < 1e7;
}

}  // namespace

int main(int argc, char** argv) {
    double values[4] = {static_cast<double>(g_settings.items), static_cast<double>(g_settings.frames),
                        static_cast<double>(g_settings.halfSize), static_cast<double>(g_settings.repetitions)};
    bool usable = argc <= 5;
    for (int a = 1; usable && a < argc; ++a) usable = ParsePositive(argv[a], &values[a - 1]);
    g_settings.items = static_cast<int>(values[0]);
    g_settings.frames = static_cast<int>(values[1]);
    g_settings.halfSize = static_cast<float>(values[2]);
    g_settings.repetitions = static_cast<int>(values[3]);
    if (!usable || g_settings.items < 1 || g_settings.frames < 1 || g_settings.repetitions < 1) {
        std::fprintf(stderr, "usage: queue_bench [items>0] [frames>0] [quad half-size>0] [repetitions>0]\n");
        return 2;
    }
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    KL::SetErrorBoxesEnabled(false);
    return KL::ProgramEntry(argc, argv, &Bench);
}
