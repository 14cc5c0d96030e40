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
    // The exported camera flight and the model join the timeline as their effect types
    // are built; the modifier that scales instrument 2's beat position (music channel 36)
    // for the model's rotation is already in place.
    CModifier* op = demo->CreateModifier("Binary operation");
    if (op) {
        op->BindFloat(0, music, 36);
        op->SetFloat(1, 0.01f);
    }
}
