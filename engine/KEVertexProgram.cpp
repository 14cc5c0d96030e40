#include "KEVertexProgram.h"

#include "KEExtensions.h"
#include "KLLog.h"

#include <GL/glext.h>

KEVertexProgram::KEVertexProgram() {
    m_constants.reserve(10);
    m_tracked.reserve(10);
}

void KEVertexProgram::SetConstant(int32_t address, float x, float y, float z, float w) {
    for (Constant& constant : m_constants) {
        if (constant.address == address) {
            constant = Constant{address, {x, y, z, w}};
            return;
        }
    }
    m_constants.push_back(Constant{address, {x, y, z, w}});
}

void KEVertexProgram::TrackMatrix(int32_t address, GLenum matrix, GLenum transform) {
    for (TrackedMatrix& tracked : m_tracked) {
        if (tracked.address == address) {
            tracked = TrackedMatrix{address, matrix, transform};
            return;
        }
    }
    m_tracked.push_back(TrackedMatrix{address, matrix, transform});
}

void KEVertexProgram::Bind() {
    const KEExtensions& ext = *KEExtensions::GetInstance();
    if (m_text.empty() || !ext.glGenProgramsNV || !ext.glLoadProgramNV || !ext.glBindProgramNV) return;
    if (m_program == kNotLoaded) {
        GLuint name = 0;
        ext.glGenProgramsNV(1, &name);
        m_program = static_cast<int32_t>(name);
        const GLsizei length = static_cast<GLsizei>(m_text.size());
        ext.glLoadProgramNV(GL_VERTEX_PROGRAM_NV, name, length,
                            reinterpret_cast<const GLubyte*>(m_text.c_str()));
        if (glGetError() != GL_NO_ERROR) {
            GLint position = 0;
            glGetIntegerv(GL_PROGRAM_ERROR_POSITION_NV, &position);
            LogError("Error in vertex program at %i/%i", static_cast<int>(position), static_cast<int>(length));
        }
    }
    ext.glBindProgramNV(GL_VERTEX_PROGRAM_NV, static_cast<GLuint>(m_program));
    if (ext.glProgramParameter4fvNV) {
        for (const Constant& constant : m_constants) {
            ext.glProgramParameter4fvNV(GL_VERTEX_PROGRAM_NV, static_cast<GLuint>(constant.address), constant.value);
        }
    }
    if (ext.glTrackMatrixNV) {
        for (const TrackedMatrix& tracked : m_tracked) {
            ext.glTrackMatrixNV(GL_VERTEX_PROGRAM_NV, static_cast<GLuint>(tracked.address), tracked.matrix,
                                tracked.transform);
        }
    }
}
