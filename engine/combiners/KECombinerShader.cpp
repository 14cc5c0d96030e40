#include "KECombinerShader.h"

#include "KECombinerGLSL.h"
#include "KECombinerMessages.h"
#include "KECombinerParser.h"
#include "KLGLProc.h"

#include <GL/glext.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The GLSL entry points, from the GL 2.0 names or their ARB shader-object twins (same
// shapes on this platform: handles are unsigned ints).
struct GLSLTable {
    PFNGLCREATESHADERPROC createShader = nullptr;
    PFNGLSHADERSOURCEPROC shaderSource = nullptr;
    PFNGLCOMPILESHADERPROC compileShader = nullptr;
    PFNGLGETSHADERIVPROC getShaderiv = nullptr;
    PFNGLGETSHADERINFOLOGPROC getShaderInfoLog = nullptr;
    PFNGLCREATEPROGRAMPROC createProgram = nullptr;
    PFNGLATTACHSHADERPROC attachShader = nullptr;
    PFNGLLINKPROGRAMPROC linkProgram = nullptr;
    PFNGLGETPROGRAMIVPROC getProgramiv = nullptr;
    PFNGLGETPROGRAMINFOLOGPROC getProgramInfoLog = nullptr;
    PFNGLUSEPROGRAMPROC useProgram = nullptr;
    PFNGLGETUNIFORMLOCATIONPROC getUniformLocation = nullptr;
    PFNGLUNIFORM1IPROC uniform1i = nullptr;
    PFNGLUNIFORM4FVPROC uniform4fv = nullptr;
    PFNGLDELETESHADERPROC deleteShader = nullptr;
    PFNGLDELETEPROGRAMPROC deleteProgram = nullptr;

    bool Complete() const {
        return createShader && shaderSource && compileShader && getShaderiv && getShaderInfoLog && createProgram &&
               attachShader && linkProgram && getProgramiv && getProgramInfoLog && useProgram &&
               getUniformLocation && uniform1i && uniform4fv && deleteShader && deleteProgram;
    }
};

enum class Flavour { kNone, kCore, kARB };

GLSLTable g_table;
Flavour g_loaded = Flavour::kNone;
// The program the back end last bound; 0 at start, as in a new context.
constexpr GLuint kUnknownProgram = ~0u;
GLuint g_bound = 0;

template <class T>
void Look(T* slot, const char* name) {
    *slot = reinterpret_cast<T>(KL::GetGLProcAddress(name));
}

void Load(Flavour flavour) {
    g_table = GLSLTable();
    g_loaded = flavour;
    const bool core = flavour == Flavour::kCore;
    Look(&g_table.createShader, core ? "glCreateShader" : "glCreateShaderObjectARB");
    Look(&g_table.shaderSource, core ? "glShaderSource" : "glShaderSourceARB");
    Look(&g_table.compileShader, core ? "glCompileShader" : "glCompileShaderARB");
    Look(&g_table.getShaderiv, core ? "glGetShaderiv" : "glGetObjectParameterivARB");
    Look(&g_table.getShaderInfoLog, core ? "glGetShaderInfoLog" : "glGetInfoLogARB");
    Look(&g_table.createProgram, core ? "glCreateProgram" : "glCreateProgramObjectARB");
    Look(&g_table.attachShader, core ? "glAttachShader" : "glAttachObjectARB");
    Look(&g_table.linkProgram, core ? "glLinkProgram" : "glLinkProgramARB");
    Look(&g_table.getProgramiv, core ? "glGetProgramiv" : "glGetObjectParameterivARB");
    Look(&g_table.getProgramInfoLog, core ? "glGetProgramInfoLog" : "glGetInfoLogARB");
    Look(&g_table.useProgram, core ? "glUseProgram" : "glUseProgramObjectARB");
    Look(&g_table.getUniformLocation, core ? "glGetUniformLocation" : "glGetUniformLocationARB");
    Look(&g_table.uniform1i, core ? "glUniform1i" : "glUniform1iARB");
    Look(&g_table.uniform4fv, core ? "glUniform4fv" : "glUniform4fvARB");
    Look(&g_table.deleteShader, core ? "glDeleteShader" : "glDeleteObjectARB");
    Look(&g_table.deleteProgram, core ? "glDeleteProgram" : "glDeleteObjectARB");
}

// Which entry points the current context offers.
Flavour ContextFlavour() {
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    if (!version) return Flavour::kNone;
    if (std::atoi(version) >= 2) return Flavour::kCore;
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    if (extensions && std::strstr(extensions, "GL_ARB_shader_objects") &&
        std::strstr(extensions, "GL_ARB_fragment_shader") && std::strstr(extensions, "GL_ARB_shading_language_100")) {
        return Flavour::kARB;
    }
    return Flavour::kNone;
}

// The table for the current context, or null when it cannot run the back end.
const GLSLTable* CurrentTable() {
    const Flavour flavour = ContextFlavour();
    if (flavour == Flavour::kNone) return nullptr;
    if (flavour != g_loaded) Load(flavour);
    return g_table.Complete() ? &g_table : nullptr;
}

std::string InfoLog(GLuint object, PFNGLGETSHADERIVPROC getiv, PFNGLGETSHADERINFOLOGPROC getLog) {
    GLint length = 0;
    getiv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 0) return "(no log)";
    std::vector<char> log(static_cast<size_t>(length) + 1, '\0');
    getLog(object, length, nullptr, log.data());
    std::string text(log.data());
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

}  // namespace

bool KECombinerShadersAvailableHere() { return CurrentTable() != nullptr; }

GLuint KECombinerBuildProgram(const char* text) {
    KECombinerSetup setup;
    if (!KECombinerParseText(text, &setup)) return 0;
    // Every stage and per-stage constants are free in a shader.
    KECombinerApplyLimits(KECombinerLimits(), &setup);
    const GLSLTable* gl = CurrentTable();
    if (!gl) return 0;

    const std::string source = KECombinerGLSLSource(setup);
    const GLuint shader = gl->createShader(GL_FRAGMENT_SHADER);
    const char* sources[1] = {source.c_str()};
    gl->shaderSource(shader, 1, sources, nullptr);
    gl->compileShader(shader);
    GLint ok = GL_FALSE;
    gl->getShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        KECombinerMessages::Add("combiner shader compile error: " +
                                InfoLog(shader, gl->getShaderiv, gl->getShaderInfoLog));
        gl->deleteShader(shader);
        return 0;
    }
    const GLuint program = gl->createProgram();
    gl->attachShader(program, shader);
    gl->linkProgram(program);
    gl->deleteShader(shader);  // freed with the program
    gl->getProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        KECombinerMessages::Add("combiner shader link error: " +
                                InfoLog(program, gl->getProgramiv, gl->getProgramInfoLog));
        gl->deleteProgram(program);
        return 0;
    }
    // Uniforms belong to the bound program: bind it, set them, and unbind it. (What was
    // bound before may belong to another context's past; the caller binds what it draws with.)
    gl->useProgram(program);
    for (int unit = 0; unit < 4; ++unit) {
        gl->uniform1i(gl->getUniformLocation(program, kKECombinerSamplerNames[unit]), unit);
    }
    for (int which = 0; which < 2; ++which) {
        float values[kKECombinerConstSlots * 4];
        KECombinerConstValues(setup, which, values);
        gl->uniform4fv(gl->getUniformLocation(program, kKECombinerConstNames[which]), kKECombinerConstSlots, values);
    }
    gl->useProgram(0);
    g_bound = 0;
    return program;
}

void KECombinerUseProgram(GLuint program) {
    if (program == 0 && g_bound == 0) return;
    if (!g_table.useProgram) return;
    g_table.useProgram(program);
    g_bound = program;
    if (program == 0) return;
    // The fog's mode as it is for the draws to come.
    GLint mode = GL_LINEAR;
    glGetIntegerv(GL_FOG_MODE, &mode);
    const GLint value = mode == GL_EXP ? 1 : mode == GL_EXP2 ? 2 : 0;
    g_table.uniform1i(g_table.getUniformLocation(program, kKECombinerFogModeName), value);
}

void KECombinerDeleteProgram(GLuint program) {
    if (program && g_table.deleteProgram) g_table.deleteProgram(program);
}

void KECombinerForgetBoundProgram() { g_bound = kUnknownProgram; }
