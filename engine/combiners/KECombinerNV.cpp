#include "KECombinerNV.h"

#include "KEExtensions.h"

#include <GL/glext.h>

namespace {

void RealGetIntegerv(GLenum name, GLint* value) { glGetIntegerv(name, value); }
void RealEnable(GLenum cap) { glEnable(cap); }
void RealDisable(GLenum cap) { glDisable(cap); }

const KECombinerNVCore kRealCore = {&RealGetIntegerv, &RealEnable, &RealDisable};
const KECombinerNVCore* g_core = &kRealCore;

GLenum RegisterEnum(KERCRegister reg) {
    switch (reg) {
        case KERCRegister::kZero: return GL_ZERO;
        case KERCRegister::kConst0: return GL_CONSTANT_COLOR0_NV;
        case KERCRegister::kConst1: return GL_CONSTANT_COLOR1_NV;
        case KERCRegister::kFog: return GL_FOG;
        case KERCRegister::kCol0: return GL_PRIMARY_COLOR_NV;
        case KERCRegister::kCol1: return GL_SECONDARY_COLOR_NV;
        case KERCRegister::kTex0: return GL_TEXTURE0_ARB;
        case KERCRegister::kTex1: return GL_TEXTURE1_ARB;
        case KERCRegister::kTex2: return GL_TEXTURE2_ARB;
        case KERCRegister::kTex3: return GL_TEXTURE3_ARB;
        case KERCRegister::kSpare0: return GL_SPARE0_NV;
        case KERCRegister::kSpare1: return GL_SPARE1_NV;
        case KERCRegister::kDiscard: return GL_DISCARD_NV;
        case KERCRegister::kFinalProduct: return GL_E_TIMES_F_NV;
        case KERCRegister::kColorSum: return GL_SPARE0_PLUS_SECONDARY_COLOR_NV;
    }
    return GL_ZERO;
}

GLenum MappingEnum(KERCMapping mapping) {
    switch (mapping) {
        case KERCMapping::kUnsignedIdentity: return GL_UNSIGNED_IDENTITY_NV;
        case KERCMapping::kUnsignedInvert: return GL_UNSIGNED_INVERT_NV;
        case KERCMapping::kExpandNormal: return GL_EXPAND_NORMAL_NV;
        case KERCMapping::kExpandNegate: return GL_EXPAND_NEGATE_NV;
        case KERCMapping::kHalfBiasNormal: return GL_HALF_BIAS_NORMAL_NV;
        case KERCMapping::kHalfBiasNegate: return GL_HALF_BIAS_NEGATE_NV;
        case KERCMapping::kSignedIdentity: return GL_SIGNED_IDENTITY_NV;
        case KERCMapping::kSignedNegate: return GL_SIGNED_NEGATE_NV;
    }
    return GL_UNSIGNED_IDENTITY_NV;
}

GLenum ComponentEnum(KERCComponent component) {
    switch (component) {
        case KERCComponent::kRGB: return GL_RGB;
        case KERCComponent::kAlpha: return GL_ALPHA;
        case KERCComponent::kBlue: return GL_BLUE;
    }
    return GL_RGB;
}

GLenum ScaleEnum(KERCScale scale) {
    switch (scale) {
        case KERCScale::kNone: return GL_NONE;
        case KERCScale::kByTwo: return GL_SCALE_BY_TWO_NV;
        case KERCScale::kByFour: return GL_SCALE_BY_FOUR_NV;
        case KERCScale::kByOneHalf: return GL_SCALE_BY_ONE_HALF_NV;
    }
    return GL_NONE;
}

void IssuePortion(const KEExtensions& ext, GLenum stage, GLenum portionName, const KERCPortion& portion) {
    if (ext.glCombinerInputNV) {
        const KERCInput* inputs[4] = {&portion.a, &portion.b, &portion.c, &portion.d};
        const GLenum variables[4] = {GL_VARIABLE_A_NV, GL_VARIABLE_B_NV, GL_VARIABLE_C_NV, GL_VARIABLE_D_NV};
        for (int i = 0; i < 4; ++i) {
            ext.glCombinerInputNV(stage, portionName, variables[i], RegisterEnum(inputs[i]->reg),
                                  MappingEnum(inputs[i]->mapping), ComponentEnum(inputs[i]->component));
        }
    }
    if (ext.glCombinerOutputNV) {
        ext.glCombinerOutputNV(stage, portionName, RegisterEnum(portion.abOutput), RegisterEnum(portion.cdOutput),
                               RegisterEnum(portion.sumOutput), ScaleEnum(portion.scale),
                               portion.biasNegativeHalf ? GL_BIAS_BY_NEGATIVE_ONE_HALF_NV : GL_NONE,
                               portion.abDot ? GL_TRUE : GL_FALSE, portion.cdDot ? GL_TRUE : GL_FALSE,
                               portion.mux ? GL_TRUE : GL_FALSE);
    }
}

}  // namespace

void KECombinerSetNVCore(const KECombinerNVCore* core) { g_core = core ? core : &kRealCore; }

KECombinerLimits KECombinerNVLimits() {
    KECombinerLimits limits;
    GLint max = 0;
    g_core->getIntegerv(GL_MAX_GENERAL_COMBINERS_NV, &max);
    if (max > 0 && max < KECombinerSetup::kMaxStages) limits.maxStages = max;
    limits.perStageConsts = KEExtensions::GetInstance()->glCombinerStageParameterfvNV != nullptr;
    return limits;
}

void KECombinerIssueNV(const KECombinerSetup& setup) {
    const KEExtensions& ext = *KEExtensions::GetInstance();
    // The GL needs one stage at least; a script without stages gets one that computes nothing.
    const int stages = setup.stageCount > 0 ? setup.stageCount : 1;
    if (ext.glCombinerParameteriNV) {
        ext.glCombinerParameteriNV(GL_NUM_GENERAL_COMBINERS_NV, stages);
        ext.glCombinerParameteriNV(GL_COLOR_SUM_CLAMP_NV, setup.final.clampColorSum ? GL_TRUE : GL_FALSE);
    }
    if (ext.glCombinerParameterfvNV) {
        ext.glCombinerParameterfvNV(GL_CONSTANT_COLOR0_NV, setup.globalConst[0]);
        ext.glCombinerParameterfvNV(GL_CONSTANT_COLOR1_NV, setup.globalConst[1]);
    }
    if (ext.glCombinerStageParameterfvNV) {
        if (setup.useLocalConsts && setup.HasLocalConsts()) {
            g_core->enable(GL_PER_STAGE_CONSTANTS_NV);
            for (int s = 0; s < setup.stageCount; ++s) {
                const GLenum stage = GL_COMBINER0_NV + static_cast<GLenum>(s);
                ext.glCombinerStageParameterfvNV(stage, GL_CONSTANT_COLOR0_NV, setup.StageConst(s, 0));
                ext.glCombinerStageParameterfvNV(stage, GL_CONSTANT_COLOR1_NV, setup.StageConst(s, 1));
            }
        } else {
            g_core->disable(GL_PER_STAGE_CONSTANTS_NV);
        }
    }
    const KERCStage idle;
    for (int s = 0; s < stages; ++s) {
        const KERCStage& stage = s < setup.stageCount ? setup.stages[s] : idle;
        const GLenum name = GL_COMBINER0_NV + static_cast<GLenum>(s);
        IssuePortion(ext, name, GL_RGB, stage.rgb);
        IssuePortion(ext, name, GL_ALPHA, stage.alpha);
    }
    if (ext.glFinalCombinerInputNV) {
        const KERCFinal& f = setup.final;
        const KERCInput* inputs[7] = {&f.a, &f.b, &f.c, &f.d, &f.e, &f.f, &f.g};
        const GLenum variables[7] = {GL_VARIABLE_A_NV, GL_VARIABLE_B_NV, GL_VARIABLE_C_NV, GL_VARIABLE_D_NV,
                                     GL_VARIABLE_E_NV, GL_VARIABLE_F_NV, GL_VARIABLE_G_NV};
        for (int i = 0; i < 7; ++i) {
            ext.glFinalCombinerInputNV(variables[i], RegisterEnum(inputs[i]->reg), MappingEnum(inputs[i]->mapping),
                                       ComponentEnum(inputs[i]->component));
        }
    }
}
