#include "KECombinerSetup.h"

#include <initializer_list>

KERCStage::KERCStage() {
    for (KERCInput* input : {&alpha.a, &alpha.b, &alpha.c, &alpha.d}) input->component = KERCComponent::kAlpha;
}

KERCFinal::KERCFinal() {
    d.reg = KERCRegister::kSpare0;
    g.reg = KERCRegister::kSpare0;
    g.component = KERCComponent::kAlpha;
}

bool KECombinerSetup::HasLocalConsts() const {
    for (int i = 0; i < stageCount; ++i) {
        if (stages[i].hasLocalConst[0] || stages[i].hasLocalConst[1]) return true;
    }
    return false;
}

const float* KECombinerSetup::StageConst(int stage, int which) const {
    const KERCStage& s = stages[stage];
    return (useLocalConsts && s.hasLocalConst[which]) ? s.localConst[which] : globalConst[which];
}
