// The showcase: every effect and modifier type of the toolbox for a while, to the show's
// music, seen through the show's camera flight (which loops every minute).
//
//   0-45 s    the per-pixel lit brick model, fogged orange by the atmosphere and its specks
//   30-90 s   meteors falling through the scene
//   45-60 s   the vector field carrying three models away
//   60-90 s   a model following a point that circles on two sine waves
//   90-134 s  the lit model again in blue fog among the specks (and the motion capture
//             effect, which shows nothing, for a few seconds)
//   always    the overlay: the statistics line, and a value on the second line: the kick's
//             push until 30 s, recorded meanwhile by the debug effect into a log, then that
//             log replayed by the log player until 60 s, beside the live value
#include "MarloComposition.h"

#include "AppPlatform.h"
#include "KestDemoSystem.h"

#include <GL/gl.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace {

constexpr uint32_t kEnd = 134000;

// Where the debug effect writes the recorded value and the log player reads it back: a
// file of this run's own in the temporary folder (the data folder may not be writable).
// Parameters keep the pointer, so the name lives as long as the program.
const char* LogPath() {
    static const std::string path = [] {
        std::error_code ec;
        std::filesystem::path folder = std::filesystem::temp_directory_path(ec);
        if (ec) folder = "/tmp";
        return (folder / ("marlo-showcase-" + std::to_string(AppPlatform::ProcessId()) + ".log")).string();
    }();
    return path.c_str();
}

CEffect* Music(KestDemoSystem* demo) {
    CEffect* music = demo->CreateEffect("Bass Player", 0, kEnd, 1);
    if (!music) return nullptr;
    music->BindInt(0, &demo->GetSystemParams(), 0);
    music->BindInt(1, &demo->GetSystemParams(), 1);
    music->SetString(2, "4beat.xm");
    return music;
}

// An atmosphere from `start` to `end`: linear fog of `colour` and specks turning towards
// the camera.
void Atmosphere(KestDemoSystem* demo, uint32_t start, uint32_t end, const KEVector3& colour, CEffect* camera) {
    CEffect* fog = demo->CreateEffect("atmosfear", start, end, 0);
    if (!fog) return;
    fog->SetInt(18, GL_LINEAR);
    fog->SetFloat(20, 150.0f);
    fog->SetFloat(21, 900.0f);
    fog->SetVector(22, colour);
    fog->SetFloat(23, 500.0f);
    fog->SetString(24, "files/textures/speck.png");
    if (camera) fog->BindVector(26, camera, 7);
}

// The model with the brick relief, lit per pixel from a light beside the eye, its x rotation
// pushed by the kick.
void LitModel(KestDemoSystem* demo, uint32_t start, uint32_t end, CParamObject* kick) {
    CEffect* model = demo->CreateEffect("model", start, end, 0);
    if (!model) return;
    model->SetString(0, "files/geometry/icosa.kd10s");
    model->SetString(10, "files/textures/bricks_normal.png");
    model->SetFloat(14, 40.0f);
    model->SetFloat(15, 60.0f);
    model->SetFloat(16, 0.0f);
    model->SetInt(6, 1);
    model->SetFloat(7, 3.0f);
    model->SetFloat(8, 0.08f);
    model->SetFloat(9, 340.0f);
    if (kick) model->BindFloat(3, kick, 4);
}

CEffect* PlainModel(KestDemoSystem* demo, uint32_t start, uint32_t end, float x, float y, float z) {
    CEffect* model = demo->CreateEffect("model", start, end, 0);
    if (!model) return nullptr;
    model->SetString(0, "files/geometry/icosa.kd10s");
    model->SetFloat(0, x);
    model->SetFloat(1, y);
    model->SetFloat(2, z);
    return model;
}

CModifier* Sine(KestDemoSystem* demo, int32_t period, float amplitude, float offset) {
    CModifier* sine = demo->CreateModifier("Sine Wave");
    if (!sine) return nullptr;
    sine->SetInt(0, period);
    sine->SetFloat(0, amplitude);
    sine->SetFloat(1, offset);
    return sine;
}

// One line of the overlay: mode 0 shows `label: value`, mode 1 the text of string 4.
CEffect* Overlay(KestDemoSystem* demo, uint32_t start, uint32_t end, int32_t mode, int32_t y, const char* label) {
    CEffect* debug = demo->CreateEffect("debug", start, end, 2);
    if (!debug) return nullptr;
    debug->SetInt(0, 10);
    debug->SetInt(1, y);
    debug->SetInt(2, mode);
    if (label) debug->SetString(4, label);
    return debug;
}

}  // namespace

void BuildShowcase(KestDemoSystem* demo) {
    CEffect* music = Music(demo);
    // The instrument 2 push, in degrees, as in the show.
    CModifier* kick = demo->CreateModifier("Binary operation");
    if (kick && music) {
        kick->BindFloat(0, music, 36);
        kick->SetFloat(1, 0.01f);
    }

    // Layer 0, in drawing order: the camera first, the fog source before the lit model.
    CEffect* camera = demo->CreateEffect("MAX 4.2 Exported 3d Scene", 0, kEnd, 0);
    if (camera) camera->SetString(1, "files/geometry/CameraIcosa.kd10s");
    Atmosphere(demo, 0, 45000, KEVector3{1.0f, 0.55f, 0.2f}, camera);
    LitModel(demo, 0, 45000, kick);

    CEffect* meteors = demo->CreateEffect("meteoritos", 30000, 90000, 0);
    if (meteors) {
        meteors->SetInt(1, 40);
        const float box[6] = {-400, -600, -400, 400, 600, 400};
        for (int i = 0; i < 6; ++i) meteors->SetFloat(2 + i, box[i]);
        const float spawn[6] = {-400, 600, -400, 400, 600, 400};
        for (int i = 0; i < 6; ++i) meteors->SetFloat(8 + i, spawn[i]);
    }

    // Three models carried off by the vector field.
    // They start beyond the centre and drift through it along -z, 100 units a second.
    CEffect* carried[3] = {PlainModel(demo, 45000, 60000, -150, 0, 600), PlainModel(demo, 45000, 60000, 0, 90, 700),
                           PlainModel(demo, 45000, 60000, 150, -60, 800)};
    CEffect* field = demo->CreateEffect("vector field", 45000, 60000, 0);
    if (field) {
        field->SetInt(0, 3);
        for (int i = 0; i < 3; ++i) field->SetObject(7 + i, carried[i]);
    }

    // A point circling on two sine waves (assembled into a vector by the utilities), chased
    // by "follow", which places a model.
    CModifier* around = Sine(demo, 6000, 250.0f, 0.0f);
    CModifier* upDown = Sine(demo, 4000, 120.0f, 0.0f);
    CModifier* tools = demo->CreateModifier("utilities");
    if (tools) {
        if (around) tools->BindFloat(5, around, 2);
        if (upDown) tools->BindFloat(6, upDown, 2);
        tools->SetFloat(7, 0.0f);
    }
    CEffect* follow = demo->CreateEffect("follow", 60000, 90000, 0);
    if (follow) {
        if (tools) follow->BindVector(0, tools, 8);
        follow->SetFloat(2, 0.15f);
    }
    CEffect* chaser = PlainModel(demo, 60000, 90000, 0, 0, 0);
    if (chaser && follow) {
        for (int i = 0; i < 3; ++i) chaser->BindFloat(i, follow, 3 + i);
    }

    Atmosphere(demo, 90000, kEnd, KEVector3{0.35f, 0.5f, 1.0f}, camera);
    LitModel(demo, 90000, kEnd, kick);
    demo->CreateEffect("motion capture", 90000, 95000, 0);

    // Layer 2, over everything: the statistics, then the second line.
    CModifier* info = demo->CreateModifier("info");
    CEffect* statistics = Overlay(demo, 0, kEnd, 1, 10, nullptr);
    if (statistics && info) statistics->BindString(4, info, 0);

    CModifier* slow = Sine(demo, 3000, 100.0f, 0.0f);
    CEffect* pushed = Overlay(demo, 0, 30000, 0, 42, "kick");
    if (pushed && kick) pushed->BindFloat(3, kick, 4);
    CEffect* recorder = Overlay(demo, 0, 30000, 2, 74, nullptr);
    if (recorder) {
        if (slow) recorder->BindFloat(3, slow, 2);
        recorder->SetString(5, LogPath());
    }
    CEffect* replayed = Overlay(demo, 30000, 60000, 0, 42, "replayed");
    CModifier* player = demo->CreateModifier("log player");
    if (player) {
        player->SetString(0, LogPath());
        // The recording began at demo time 0: replay it from this line's own start.
        if (replayed) player->BindInt(2, replayed, 255);
    }
    if (replayed && player) replayed->BindFloat(3, player, 1);
    CEffect* live = Overlay(demo, 30000, 60000, 0, 74, "live");
    if (live && slow) live->BindFloat(3, slow, 2);
}
