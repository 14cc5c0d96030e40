#include "KECombinerCompiler.h"

#include "KECombinerMessages.h"
#include "KECombinerNV.h"
#include "KECombinerParser.h"
#include "KECombinerShader.h"
#include "KEMaterial.h"

namespace {

std::vector<std::string> CompileForMaterial(const char* script) {
    CompileCombinerScript(script);
    return KECombinerMessages::Copy();
}

GLuint BuildForMaterial(const char* script, std::vector<std::string>* messages) {
    const GLuint program = KECombinerBuildProgram(script);
    *messages = KECombinerMessages::Copy();
    return program;
}

const KECombinerShaderBackEnd kShaderBackEnd = {&KECombinerShadersAvailableHere, &BuildForMaterial,
                                                &KECombinerUseProgram, &KECombinerDeleteProgram};

}  // namespace

void CompileCombinerScript(const char* text) {
    KECombinerSetup setup;
    if (!KECombinerParseText(text, &setup)) return;
    KECombinerApplyLimits(KECombinerNVLimits(), &setup);
    KECombinerIssueNV(setup);
}

const char* const* GetCombinerScriptErrors() { return KECombinerMessages::Get(); }

void KEInstallCombinerCompiler() {
    KEMaterial::SetCombinerCompiler(&CompileForMaterial);
    KEMaterial::SetCombinerShaderBackEnd(&kShaderBackEnd);
}

bool KECombinerShadersAvailable() { return KECombinerShadersAvailableHere(); }
