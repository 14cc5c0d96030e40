#include "MarloComposition.h"

#include "KestDemoSystem.h"

void BuildComposition(KestDemoSystem* demo) {
    // The music, the exported camera flight and the model join the timeline as their
    // effect types are built; until then the show holds what exists: the modifier that
    // scales the music's beat position for the model's rotation.
    CModifier* op = demo->CreateModifier("Binary operation");
    if (op) op->SetFloat(1, 0.01f);
}
