#include "KECombinerGLSL.h"

#include <initializer_list>

const char* const kKECombinerSamplerNames[4] = {"rc_tex0", "rc_tex1", "rc_tex2", "rc_tex3"};
const char* const kKECombinerConstNames[2] = {"rc_const0", "rc_const1"};
const char* const kKECombinerFogModeName = "rc_fogMode";

namespace {

const char* RegisterName(KERCRegister reg) {
    switch (reg) {
        case KERCRegister::kZero: return "r_zero";
        case KERCRegister::kConst0: return "r_const0";
        case KERCRegister::kConst1: return "r_const1";
        case KERCRegister::kFog: return "r_fog";
        case KERCRegister::kCol0: return "r_col0";
        case KERCRegister::kCol1: return "r_col1";
        case KERCRegister::kTex0: return "r_tex0";
        case KERCRegister::kTex1: return "r_tex1";
        case KERCRegister::kTex2: return "r_tex2";
        case KERCRegister::kTex3: return "r_tex3";
        case KERCRegister::kSpare0: return "r_spare0";
        case KERCRegister::kSpare1: return "r_spare1";
        case KERCRegister::kFinalProduct: return "r_final_product";
        case KERCRegister::kColorSum: return "r_color_sum";
        case KERCRegister::kDiscard: break;
    }
    return "r_zero";  // discard is never read: the parser rejects it
}

// The input's value: a vec3 in a colour context, a float in an alpha context.
std::string InputExpression(const KERCInput& input, bool alphaContext) {
    std::string x = RegisterName(input.reg);
    switch (input.component) {
        case KERCComponent::kRGB: x += ".rgb"; break;
        case KERCComponent::kAlpha: x = alphaContext ? x + ".a" : "vec3(" + x + ".a)"; break;
        case KERCComponent::kBlue: x += ".b"; break;
    }
    switch (input.mapping) {
        case KERCMapping::kUnsignedIdentity: return "max(" + x + ", 0.0)";
        case KERCMapping::kUnsignedInvert: return "(1.0 - clamp(" + x + ", 0.0, 1.0))";
        case KERCMapping::kExpandNormal: return "(2.0 * max(" + x + ", 0.0) - 1.0)";
        case KERCMapping::kExpandNegate: return "(-2.0 * max(" + x + ", 0.0) + 1.0)";
        case KERCMapping::kHalfBiasNormal: return "(max(" + x + ", 0.0) - 0.5)";
        case KERCMapping::kHalfBiasNegate: return "(0.5 - max(" + x + ", 0.0))";
        case KERCMapping::kSignedIdentity: return x;
        case KERCMapping::kSignedNegate: return "(-" + x + ")";
    }
    return x;
}

// The scaled, biased and clamped value of one output.
std::string OutputExpression(const KERCPortion& portion, const std::string& value) {
    std::string x = portion.biasNegativeHalf ? "(" + value + " - 0.5)" : value;
    switch (portion.scale) {
        case KERCScale::kNone: break;
        case KERCScale::kByTwo: x = "(" + x + " * 2.0)"; break;
        case KERCScale::kByFour: x = "(" + x + " * 4.0)"; break;
        case KERCScale::kByOneHalf: x = "(" + x + " * 0.5)"; break;
    }
    return "clamp(" + x + ", -1.0, 1.0)";
}

// One portion: its inputs and products first, into variables named after the portion
// (prefix "c" for colour, "a" for alpha), so that every read sees the values from before
// the stage; the writes come later (PortionWrites).
void PortionBody(const KERCPortion& p, bool alpha, std::string* out) {
    const std::string type = alpha ? "float" : "vec3";
    const std::string n = alpha ? "a" : "c";
    const KERCInput* inputs[4] = {&p.a, &p.b, &p.c, &p.d};
    const char* letters[4] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        *out += "        " + type + " " + n + letters[i] + " = " + InputExpression(*inputs[i], alpha) + ";\n";
    }
    const auto product = [&](const char* x, const char* y, bool dot) {
        return dot ? "vec3(dot(" + n + x + ", " + n + y + "))" : n + x + " * " + n + y;
    };
    *out += "        " + type + " " + n + "AB = " + product("A", "B", p.abDot) + ";\n";
    *out += "        " + type + " " + n + "CD = " + product("C", "D", p.cdDot) + ";\n";
    *out += "        " + type + " " + n + "Sum = " +
            (p.mux ? "r_spare0.a >= 0.5 ? " + n + "CD : " + n + "AB" : n + "AB + " + n + "CD") + ";\n";
}

void PortionWrites(const KERCPortion& p, bool alpha, std::string* out) {
    const std::string n = alpha ? "a" : "c";
    const std::string suffix = alpha ? ".a" : ".rgb";
    const KERCRegister outputs[3] = {p.abOutput, p.cdOutput, p.sumOutput};
    const char* values[3] = {"AB", "CD", "Sum"};
    for (int i = 0; i < 3; ++i) {
        if (outputs[i] == KERCRegister::kDiscard) continue;
        *out += std::string("        ") + RegisterName(outputs[i]) + suffix + " = " +
                OutputExpression(p, n + values[i]) + ";\n";
    }
}

bool Reads(const KECombinerSetup& setup, KERCRegister reg) {
    for (int s = 0; s < setup.stageCount; ++s) {
        for (const KERCPortion* p : {&setup.stages[s].rgb, &setup.stages[s].alpha}) {
            for (const KERCInput* in : {&p->a, &p->b, &p->c, &p->d}) {
                if (in->reg == reg) return true;
            }
        }
    }
    const KERCFinal& f = setup.final;
    for (const KERCInput* in : {&f.a, &f.b, &f.c, &f.d, &f.e, &f.f, &f.g}) {
        if (in->reg == reg) return true;
    }
    return false;
}

}  // namespace

std::string KECombinerGLSLSource(const KECombinerSetup& setup) {
    std::string s =
        "#version 110\n"
        "uniform sampler2D rc_tex0;\n"
        "uniform sampler2D rc_tex1;\n"
        "uniform sampler2D rc_tex2;\n"
        "uniform sampler2D rc_tex3;\n"
        "uniform vec4 rc_const0[9];\n"
        "uniform vec4 rc_const1[9];\n"
        "uniform int rc_fogMode;\n"
        "void main() {\n"
        "    vec4 r_zero = vec4(0.0);\n"
        "    vec4 r_col0 = gl_Color;\n"
        "    vec4 r_col1 = gl_SecondaryColor;\n"
        // The factor the fixed-function fog would use in its mode.
        "    float rc_fogDensity = gl_Fog.density * gl_FogFragCoord;\n"
        "    float rc_fogFactor = (gl_Fog.end - gl_FogFragCoord) * gl_Fog.scale;\n"
        "    if (rc_fogMode == 1) rc_fogFactor = exp(-rc_fogDensity);\n"
        "    if (rc_fogMode == 2) rc_fogFactor = exp(-rc_fogDensity * rc_fogDensity);\n"
        "    vec4 r_fog = vec4(gl_Fog.color.rgb, clamp(rc_fogFactor, 0.0, 1.0));\n";
    // Unread texture registers are not fetched; tex0 always is, for spare0's first alpha.
    const KERCRegister textures[4] = {KERCRegister::kTex0, KERCRegister::kTex1, KERCRegister::kTex2,
                                      KERCRegister::kTex3};
    for (int i = 0; i < 4; ++i) {
        const std::string unit = std::to_string(i);
        s += "    vec4 r_tex" + unit + " = ";
        s += (i == 0 || Reads(setup, textures[i])) ? "texture2D(rc_tex" + unit + ", gl_TexCoord[" + unit + "].st);\n"
                                                   : "vec4(0.0);\n";
    }
    s +=
        "    vec4 r_spare0 = vec4(0.0, 0.0, 0.0, r_tex0.a);\n"
        "    vec4 r_spare1 = vec4(0.0);\n"
        "    vec4 r_const0;\n"
        "    vec4 r_const1;\n";
    for (int i = 0; i < setup.stageCount; ++i) {
        const KERCStage& stage = setup.stages[i];
        const std::string slot = std::to_string(i);
        s += "    {\n";
        s += "        r_const0 = rc_const0[" + slot + "];\n";
        s += "        r_const1 = rc_const1[" + slot + "];\n";
        PortionBody(stage.rgb, false, &s);
        PortionBody(stage.alpha, true, &s);
        PortionWrites(stage.rgb, false, &s);
        PortionWrites(stage.alpha, true, &s);
        s += "    }\n";
    }
    const KERCFinal& f = setup.final;
    s += "    r_const0 = rc_const0[" + std::to_string(KECombinerSetup::kMaxStages) + "];\n";
    s += "    r_const1 = rc_const1[" + std::to_string(KECombinerSetup::kMaxStages) + "];\n";
    s += "    vec4 r_final_product = vec4(" + InputExpression(f.e, false) + " * " + InputExpression(f.f, false) +
         ", 0.0);\n";
    s += std::string("    vec4 r_color_sum = vec4(") +
         (f.clampColorSum ? "clamp(r_spare0.rgb + r_col1.rgb, 0.0, 1.0)" : "r_spare0.rgb + r_col1.rgb") + ", 0.0);\n";
    s += "    vec3 fA = " + InputExpression(f.a, false) + ";\n";
    s += "    vec3 fB = " + InputExpression(f.b, false) + ";\n";
    s += "    vec3 fC = " + InputExpression(f.c, false) + ";\n";
    s += "    vec3 fD = " + InputExpression(f.d, false) + ";\n";
    s += "    float fG = " + InputExpression(f.g, true) + ";\n";
    s += "    gl_FragColor = clamp(vec4(fA * fB + (1.0 - fA) * fC + fD, fG), 0.0, 1.0);\n";
    s += "}\n";
    return s;
}

void KECombinerConstValues(const KECombinerSetup& setup, int which, float out[kKECombinerConstSlots * 4]) {
    for (int slot = 0; slot < kKECombinerConstSlots; ++slot) {
        const float* value =
            slot < setup.stageCount ? setup.StageConst(slot, which) : setup.globalConst[which];
        for (int i = 0; i < 4; ++i) out[slot * 4 + i] = value[i];
    }
}
