// libFuzzer harness for the combiner script compiler: any bytes, as a NUL-terminated text
// (and once more behind an "!!RC1.0" header), through the parser, the NV back end and the
// GLSL translation. There is no GL context: the NV entry points are stand-ins that check
// every call against the rules of GL_NV_register_combiners and trap on a call the GL would
// refuse, so the fuzzer finds set-ups the checks let through as well as crashes and hangs.
#include "KECombinerCompiler.h"
#include "KECombinerGLSL.h"
#include "KECombinerNV.h"
#include "KECombinerParser.h"
#include "KEExtensions.h"

#include <GL/glext.h>

#include <cstdint>
#include <string>

namespace {

GLint g_maxStages = 8;
GLint g_stages = 0;

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool IsFinalRegister(GLenum r) { return r == GL_E_TIMES_F_NV || r == GL_SPARE0_PLUS_SECONDARY_COLOR_NV; }
bool IsReadOnly(GLenum r) {
    return r == GL_ZERO || r == GL_CONSTANT_COLOR0_NV || r == GL_CONSTANT_COLOR1_NV || r == GL_FOG;
}
void CheckColour(const GLfloat* v) {
    for (int i = 0; i < 4; ++i) Check(v[i] >= 0.0f && v[i] <= 1.0f);
}
void CheckStage(GLenum stage) {
    Check(stage >= GL_COMBINER0_NV && static_cast<GLint>(stage - GL_COMBINER0_NV) < g_stages);
}

void Parameteri(GLenum name, GLint value) {
    if (name == GL_NUM_GENERAL_COMBINERS_NV) {
        Check(value >= 1 && value <= g_maxStages);
        g_stages = value;
    } else {
        Check(name == GL_COLOR_SUM_CLAMP_NV && (value == GL_TRUE || value == GL_FALSE));
    }
}
void Parameterfv(GLenum name, const GLfloat* v) {
    Check(name == GL_CONSTANT_COLOR0_NV || name == GL_CONSTANT_COLOR1_NV);
    CheckColour(v);
}
void StageParameterfv(GLenum stage, GLenum name, const GLfloat* v) {
    CheckStage(stage);
    Parameterfv(name, v);
}
void Input(GLenum stage, GLenum portion, GLenum, GLenum input, GLenum, GLenum component) {
    CheckStage(stage);
    Check(input != GL_DISCARD_NV && !IsFinalRegister(input));
    Check(portion == GL_RGB ? component != GL_BLUE : component != GL_RGB);
    Check(!(input == GL_FOG && component == GL_ALPHA));
}
void Output(GLenum stage, GLenum portion, GLenum ab, GLenum cd, GLenum sum, GLenum scale, GLenum bias,
            GLboolean abDot, GLboolean cdDot, GLboolean) {
    CheckStage(stage);
    const GLenum outputs[3] = {ab, cd, sum};
    for (int i = 0; i < 3; ++i) {
        Check(!IsReadOnly(outputs[i]) && !IsFinalRegister(outputs[i]));
        for (int j = i + 1; j < 3; ++j) Check(outputs[i] == GL_DISCARD_NV || outputs[i] != outputs[j]);
    }
    if (portion == GL_ALPHA) Check(!abDot && !cdDot);
    if (abDot || cdDot) Check(sum == GL_DISCARD_NV);
    if (bias != GL_NONE) Check(scale == GL_NONE || scale == GL_SCALE_BY_TWO_NV);
}
void FinalInput(GLenum variable, GLenum input, GLenum mapping, GLenum component) {
    Check(mapping == GL_UNSIGNED_IDENTITY_NV || mapping == GL_UNSIGNED_INVERT_NV);
    Check(component != GL_BLUE && input != GL_DISCARD_NV);
    if (IsFinalRegister(input)) Check(component == GL_RGB);
    if (variable == GL_VARIABLE_G_NV) Check(component == GL_ALPHA);
    if (variable >= GL_VARIABLE_E_NV) Check(!IsFinalRegister(input));
    if (variable == GL_VARIABLE_A_NV) Check(input != GL_SPARE0_PLUS_SECONDARY_COLOR_NV);
}

void GetIntegerv(GLenum name, GLint* value) {
    if (name == GL_MAX_GENERAL_COMBINERS_NV) *value = g_maxStages;
}
void Toggle(GLenum cap) { Check(cap == GL_PER_STAGE_CONSTANTS_NV); }
const KECombinerNVCore kCore = {&GetIntegerv, &Toggle, &Toggle};

void CompileOne(const char* text) {
    g_stages = 0;
    CompileCombinerScript(text);
    int count = 0;
    for (const char* const* m = GetCombinerScriptErrors(); *m; ++m) ++count;
    Check(count <= 32);
    // The shader back end's text, from the same front end.
    KECombinerSetup setup;
    if (KECombinerParseText(text, &setup)) {
        KECombinerApplyLimits(KECombinerLimits(), &setup);
        Check(!KECombinerGLSLSource(setup).empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static KEExtensions table;
    static bool installed = false;
    if (!installed) {
        table.Load("GL_NV_register_combiners GL_NV_register_combiners2", nullptr);
        table.glCombinerParameteriNV = &Parameteri;
        table.glCombinerParameterfvNV = &Parameterfv;
        table.glCombinerInputNV = &Input;
        table.glCombinerOutputNV = &Output;
        table.glFinalCombinerInputNV = &FinalInput;
        KEExtensions::SetInstance(&table);
        KECombinerSetNVCore(&kCore);
        installed = true;
    }
    // Vary what the driver offers with the input: 1 to 8 stages, per-stage constants or not.
    g_maxStages = static_cast<GLint>(1 + size % 8);
    table.glCombinerStageParameterfvNV = (size / 8) % 2 ? &StageParameterfv : nullptr;

    const std::string text(reinterpret_cast<const char*>(data), size);
    CompileOne(text.c_str());
    if (text.compare(0, 7, "!!RC1.0") != 0) CompileOne(("!!RC1.0" + text).c_str());
    return 0;
}
