#include "KEDrawCall.h"

#include "KEExtensions.h"
#include "KEStateCache.h"
#include "KEVertex.h"
#include "KLLog.h"

#include <GL/glext.h>

namespace {

void BindFixedFunction(const KEExtensions& ext, KEVertex& s) {
    if (ext.HasVertexProgram()) {
        for (GLenum a = 0; a < 16; ++a) glDisableClientState(GL_VERTEX_ATTRIB_ARRAY0_NV + a);
    }
    glVertexPointer(3, GL_FLOAT, s.PositionStride(), s.PositionPtr(0));
    glEnableClientState(GL_VERTEX_ARRAY);

    if (s.GetColorSets() >= 1) {
        glColorPointer(3, GL_FLOAT, s.ColorStride(0), s.ColorPtr(0, 0));
        glEnableClientState(GL_COLOR_ARRAY);
    } else {
        glDisableClientState(GL_COLOR_ARRAY);
    }
    // Secondary colour needs its extension; without it there is no array to switch.
    if (ext.glSecondaryColorPointerEXT) {
        if (s.GetColorSets() >= 2) {
            ext.glSecondaryColorPointerEXT(3, GL_FLOAT, s.ColorStride(1), s.ColorPtr(0, 1));
            glEnableClientState(GL_SECONDARY_COLOR_ARRAY_EXT);
        } else {
            glDisableClientState(GL_SECONDARY_COLOR_ARRAY_EXT);
        }
    }
    if (s.HasNormals()) {
        glNormalPointer(GL_FLOAT, s.NormalStride(), s.NormalPtr(0));
        glEnableClientState(GL_NORMAL_ARRAY);
    } else {
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    // Without unit switching only unit 0's coordinates can be given.
    const int units = ext.glClientActiveTextureARB ? 2 : 1;
    for (int set = 0; set < units; ++set) {
        if (ext.glClientActiveTextureARB) ext.glClientActiveTextureARB(GL_TEXTURE0_ARB + set);
        if (s.GetTexSets() >= set + 1) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, s.TexCoordStride(set), s.TexCoordPtr(0, set));
        } else {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
    }
}

void BindVertexProgram(const KEExtensions& ext, KEVertex& s) {
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    const int units = ext.glClientActiveTextureARB ? 2 : 1;
    for (int unit = 0; unit < units; ++unit) {
        if (ext.glClientActiveTextureARB) ext.glClientActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    for (GLuint a = 0; a < 16; ++a) {
        const int32_t size = s.AttributeSize(static_cast<int>(a));
        if (size == 0) {
            glDisableClientState(GL_VERTEX_ATTRIB_ARRAY0_NV + a);
        } else {
            ext.glVertexAttribPointerNV(a, size, GL_FLOAT, s.AttributeStride(static_cast<int>(a)),
                                        s.AttributePtr(static_cast<int>(a), 0));
            glEnableClientState(GL_VERTEX_ATTRIB_ARRAY0_NV + a);
        }
    }
}

}  // namespace

int32_t KEDrawCall::TriangleCount(GLenum primitive, int32_t count) {
    if (primitive == GL_QUADS) return (count / 4) * 2;
    return count / 3;
}

int32_t KEDrawCall::Draw(bool useVertexProgram, GLuint* fence) const {
    KEStateCache direct(false);
    return Draw(useVertexProgram, fence, direct);
}

int32_t KEDrawCall::Draw(bool useVertexProgram, GLuint* fence, KEStateCache& cache) const {
    if (!stream) return 0;
    KEVertex& s = *stream;
    const KEExtensions& ext = *KEExtensions::GetInstance();
    const bool fenced = ext.glGenFencesNV && ext.glFinishFenceNV && ext.glSetFenceNV && fence;

    // Wait until the previous draw has read its VAR memory before this one may rewrite it.
    if (fenced) {
        if (*fence == kNoFence) {
            ext.glGenFencesNV(1, fence);
        } else {
            ext.glFinishFenceNV(*fence);
        }
    }
    const bool inVar = s.GetStorage() == KE_STORAGE_VAR;
    // A stream that borrows its data draws from it as it is; one that owns a system copy
    // is drawn from its VAR copy, brought up to date first.
    const bool swapsCopies = inVar && s.OwnsSpace();
    if (swapsCopies) {
        if (s.IsDirty()) s.Upload();
        s.SetDataPointer(s.GetVarCopy());
        s.SetDirty(false);
    }

    // Without the vertex-program extension its arrays do not exist: such a draw falls back
    // to the fixed-function arrays (the material has said that the hardware lacks them).
    const bool programArrays = useVertexProgram && ext.glVertexAttribPointerNV;
    if (!cache.SameStream(&s, s.GetData(), s.GetCount(), programArrays)) {
        if (programArrays) {
            BindVertexProgram(ext, s);
        } else {
            BindFixedFunction(ext, s);
        }
    }
    // A draw from a colour array leaves the current colour undefined.
    const bool colourArray = programArrays ? s.AttributeSize(KE_ATTRIB_COLOR0) != 0 : s.GetColorSets() >= 1;
    if (colourArray) cache.ForgetColor();

    // The non-flushing range state exists only with the second VAR extension.
    const bool withoutFlush = ext.HasVertexArrayRange2();
    if (inVar) {
        if (withoutFlush) glEnableClientState(GL_VERTEX_ARRAY_RANGE_WITHOUT_FLUSH_NV);
        GLboolean valid = GL_FALSE;
        glGetBooleanv(GL_VERTEX_ARRAY_RANGE_VALID_NV, &valid);
        if (!valid) {
            LogErrorOnce(s.VarWarningShown(), "VAR not valid -- Pointer: %p   Using VertexPrograms: %s", s.GetData(),
                         useVertexProgram ? "yes" : "no");
        }
    } else if (fenced && withoutFlush) {
        glDisableClientState(GL_VERTEX_ARRAY_RANGE_WITHOUT_FLUSH_NV);
    }

    if (indices) {
        glDrawElements(primitive, count, GL_UNSIGNED_INT, indices);
    } else {
        glDrawArrays(primitive, 0, count);
    }

    if (fenced) ext.glSetFenceNV(*fence, GL_ALL_COMPLETED_NV);
    if (swapsCopies) s.SetDataPointer(s.GetSystemCopy());
    return TriangleCount(primitive, count);
}
