// The show: the music on layer 1 for 134 s; on layer 0 for the first minute the exported
// camera flight and, seen through its camera, the wobbling, semi-transparent, sphere-mapped
// model whose rotation about x follows the beat of the module's instrument 2.
#include "MarloComposition.h"

#include "KestDemoSystem.h"

namespace {

// The music on layer 1 from 0 to `length`, playing on the device and at the rate chosen
// at setup.
CEffect* AddMusic(KestDemoSystem* demo, uint32_t length, const char* file) {
    CEffect* music = demo->CreateEffect("Bass Player", 0, length, 1);
    if (!music) return nullptr;
    music->BindInt(0, &demo->GetSystemParams(), 0);
    music->BindInt(1, &demo->GetSystemParams(), 1);
    music->SetString(2, file);
    return music;
}

}  // namespace

void BuildComposition(KestDemoSystem* demo) {
    CEffect* music = AddMusic(demo, 134000, "4beat.xm");

    CEffect* scene = demo->CreateEffect("MAX 4.2 Exported 3d Scene", 0, 60000, 0);
    if (scene) scene->SetString(1, "files/geometry/CameraIcosa.kd10s");

    // Instrument 2's accumulated beat position (music channel 36), scaled to degrees.
    CModifier* op = demo->CreateModifier("Binary operation");
    if (op) {
        op->BindFloat(0, music, 36);
        op->SetFloat(1, 0.01f);
    }

    CEffect* model = demo->CreateEffect("model", 0, 60000, 0);
    if (model) {
        model->SetString(0, "files/geometry/icosa.kd10s");
        model->SetFloat(12, 0.8f);
        model->SetVector(13, KEVector3{0.9f, 0.9f, 0.9f});
        model->SetString(11, "files/textures/sky.png");
        model->BindFloat(3, op, 4);
        model->SetInt(6, 1);
        model->SetFloat(9, 340.0f);
        model->SetFloat(8, 0.08f);
    }
}
