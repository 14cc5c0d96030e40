#include "KEMaterial.h"

#include "KEDrawCall.h"
#include "KEExtensions.h"
#include "KEStateCache.h"
#include "KETexture.h"
#include "KLLog.h"

#include <GL/glext.h>

namespace {

// The one combiner compiler of the program and its shader back end; set once at start-up
// by the combiner layer.
KECombinerCompiler g_combinerCompiler = nullptr;
const KECombinerShaderBackEnd* g_shaderBackEnd = nullptr;

void Set4(float* out, float r, float g, float b, float a) {
    out[0] = r;
    out[1] = g;
    out[2] = b;
    out[3] = a;
}

}  // namespace

KEMaterial::KEMaterial() { m_layers.reserve(10); }

KEMaterial::~KEMaterial() {
    if (m_displayList >= 0) glDeleteLists(static_cast<GLuint>(m_displayList), 1);
    if (m_combinerProgram && g_shaderBackEnd) g_shaderBackEnd->release(m_combinerProgram);
}

void KEMaterial::SetCombinerCompiler(KECombinerCompiler compiler) { g_combinerCompiler = compiler; }

void KEMaterial::SetCombinerShaderBackEnd(const KECombinerShaderBackEnd* backEnd) { g_shaderBackEnd = backEnd; }

void KEMaterial::UseNoProgram() {
    if (g_shaderBackEnd) g_shaderBackEnd->use(0);
}

KETextureLayer& KEMaterial::Layer(int index) {
    if (index >= static_cast<int>(m_layers.size())) m_layers.resize(static_cast<size_t>(index) + 1);
    return m_layers[static_cast<size_t>(index)];
}

int KEMaterial::AddTextureLayer(KETexture* texture, GLenum mode, float c0, float c1, float c2, float c3) {
    KETextureLayer layer;
    layer.texture = texture;
    layer.mode = mode;
    Set4(layer.colour, c0, c1, c2, c3);
    m_layers.push_back(layer);
    return static_cast<int>(m_layers.size()) - 1;
}

void KEMaterial::SetTexture(int index, KETexture* texture) {
    if (index >= 0) Layer(index).texture = texture;
}

KETexture* KEMaterial::GetTexture(int index) const {
    return (index >= 0 && index < static_cast<int>(m_layers.size())) ? m_layers[static_cast<size_t>(index)].texture
                                                                     : nullptr;
}

void KEMaterial::SetSphereMap(int index, int32_t value) {
    if (index >= 0) Layer(index).sphereMap = value;
}

void KEMaterial::SetColor(float r, float g, float b, float a) { Set4(m_colour, r, g, b, a); }

void KEMaterial::SetBlendFunc(GLenum source, GLenum destination) {
    m_blendSource = source;
    m_blendDestination = destination;
}

void KEMaterial::EnableLighting() {
    m_lighting = true;
    Set4(m_ambient, 0, 0, 0, 0);
    Set4(m_diffuse, 0, 0, 0, 0);
    Set4(m_specular, 0, 0, 1, 0);
    Set4(m_emission, 0, 0, 0, 0);
    m_shininess = 0.0f;
}

void KEMaterial::SetAmbient(float r, float g, float b, float a) { Set4(m_ambient, r, g, b, a); }
void KEMaterial::SetDiffuse(float r, float g, float b, float a) { Set4(m_diffuse, r, g, b, a); }
void KEMaterial::SetSpecular(float r, float g, float b, float a) { Set4(m_specular, r, g, b, a); }

void KEMaterial::Compile() {
    const KEExtensions& ext = *KEExtensions::GetInstance();
    const bool hasCombiners = ext.IsExtensionSupported(KEExtensions::kRegisterCombinersName);
    // Without NV combiners the script becomes a GLSL program. It is built before the list
    // is opened: program objects and their uniforms are not display-list state.
    const bool useShader = m_useCombiners && !hasCombiners && g_shaderBackEnd && g_shaderBackEnd->available();
    std::vector<std::string> shaderMessages;
    if (useShader) m_combinerProgram = g_shaderBackEnd->build(m_combinerScript.c_str(), &shaderMessages);

    const GLuint list = glGenLists(1);
    m_displayList = static_cast<int32_t>(list);
    glNewList(list, GL_COMPILE);

    // Without unit switching every layer's settings would land on unit 0: keep the first.
    const int units = ext.glActiveTextureARB ? kMaxLayers : 1;
    const int layers = static_cast<int>(m_layers.size()) < units ? static_cast<int>(m_layers.size()) : units;
    for (int i = 0; i < layers; ++i) {
        const KETextureLayer& layer = m_layers[static_cast<size_t>(i)];
        if (ext.glActiveTextureARB) ext.glActiveTextureARB(GL_TEXTURE0_ARB + i);
        if (m_combinerScript.empty()) {
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLint>(layer.mode));
            if (layer.mode == GL_BLEND) glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, layer.colour);
        }
        if (layer.sphereMap == 1) {
            glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
            glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
            glEnable(GL_TEXTURE_GEN_S);
            glEnable(GL_TEXTURE_GEN_T);
        } else {
            glDisable(GL_TEXTURE_GEN_S);
            glDisable(GL_TEXTURE_GEN_T);
        }
    }

    // A missing extension is reported, and its GL state is then left alone: the enums
    // do not exist on such a driver.
    const bool hasVertexProgram = ext.HasVertexProgram();
    if (m_useVertexProgram) {
        if (!hasVertexProgram) {
            LogError("Error: Vertex programs no estan soportados en este hardware");
        } else {
            glEnable(GL_VERTEX_PROGRAM_NV);
        }
    } else if (hasVertexProgram) {
        glDisable(GL_VERTEX_PROGRAM_NV);
    }

    if (m_useCombiners) {
        if (useShader) {
            for (const std::string& message : shaderMessages) LogError("%s", message.c_str());
        } else if (!hasCombiners) {
            LogError("Error: Register combiners no estan soportados en este hardware");
        } else {
            std::vector<std::string> errors;
            if (g_combinerCompiler) errors = g_combinerCompiler(m_combinerScript.c_str());
            glEnable(GL_REGISTER_COMBINERS_NV);
            for (const std::string& error : errors) LogError("%s", error.c_str());
        }
    } else if (hasCombiners) {
        glDisable(GL_REGISTER_COMBINERS_NV);
    }

    if (m_blend) {
        glEnable(GL_BLEND);
        glBlendFunc(m_blendSource, m_blendDestination);
    } else {
        glDisable(GL_BLEND);
    }

    if (m_lighting) {
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, m_ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, m_diffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, m_specular);
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, m_emission);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, m_shininess);
        glEnable(GL_LIGHTING);
        glDisable(GL_COLOR_MATERIAL);
    } else {
        glDisable(GL_LIGHTING);
    }
    glEndList();
}

void KEMaterial::Apply(const KEDrawCall& drawCall, const KEMatrix4& cameraModelview) {
    KEStateCache direct(false);
    Apply(drawCall, cameraModelview, direct);
}

void KEMaterial::Apply(const KEDrawCall& drawCall, const KEMatrix4& cameraModelview, KEStateCache& cache) {
    (void)cameraModelview;  // the per-pixel lighting path reads the item's own matrix instead
    if (m_displayList == -1) {
        Compile();
        // The combiner compiler and the shader build may have changed state behind the cache.
        cache.Reset();
    }
    const bool current = cache.MaterialIsCurrent(this);
    if (!current) {
        glCallList(static_cast<GLuint>(m_displayList));
        // The list selects a unit for each of its layers.
        cache.ForgetActiveUnit();
    }
    cache.Color(m_colour);

    if (m_softwareTangentSpace && m_tangentSpaceMesh) {
        KEMatrix4 modelview;
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview.m);
        m_tangentSpaceMesh->Update(modelview, drawCall.stream, drawCall.count, drawCall.indices);
    }
    if (m_useVertexProgram) m_vertexProgram.Bind();
    // After an item of this same material its program and texture units are still as it
    // left them: nothing in between changes them.
    if (current) return;
    if (g_shaderBackEnd) g_shaderBackEnd->use(m_combinerProgram);

    const KEExtensions& ext = *KEExtensions::GetInstance();
    // Without unit switching, unit 1's binding would replace unit 0's.
    const int units = ext.glActiveTextureARB ? kBoundLayers : 1;
    for (int i = 0; i < units; ++i) {
        cache.SelectUnit(i);
        if (i < static_cast<int>(m_layers.size())) {
            cache.EnableTexture2D(true);
            KETexture* texture = GetTexture(i);
            GLuint name = 0;
            if (texture) {
                // A first use uploads the texture, binding it on the GL's active unit.
                if (!texture->IsLoaded()) cache.MakeUnitCurrent();
                name = texture->GetGLName();
            }
            cache.BindTexture2D(name);
        } else {
            cache.EnableTexture2D(false);
        }
    }
}
