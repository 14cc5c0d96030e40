// One primitive over a vertex stream: what a render item draws. Drawing binds the
// stream's attributes (fixed function or NV vertex program), keeps VAR memory consistent
// behind the engine's single NV fence, and counts triangles.
#pragma once

#include <GL/gl.h>

#include <cstdint>

class KEStateCache;
class KEVertex;

// The engine's one fence, shared by every draw; ~0 until the first draw makes it.
constexpr GLuint kNoFence = ~0u;

struct KEDrawCall {
    GLenum primitive = GL_TRIANGLES;
    KEVertex* stream = nullptr;          // not owned
    const uint32_t* indices = nullptr;   // 32-bit indices, or null to draw `count` vertices from 0
    int32_t count = 0;

    // Draws and returns the primitives drawn, counted as triangles. `fence` is the engine's
    // fence name (kNoFence until the first fenced draw creates it). Binds every array.
    int32_t Draw(bool useVertexProgram, GLuint* fence) const;
    // The same, binding the arrays only where they differ from those the cache last bound.
    int32_t Draw(bool useVertexProgram, GLuint* fence, KEStateCache& cache) const;

    // Triangles for `count` vertices of a primitive: count / 3 for triangles, (count / 4) * 2
    // for quads, count / 3 for every other primitive.
    static int32_t TriangleCount(GLenum primitive, int32_t count);
};
