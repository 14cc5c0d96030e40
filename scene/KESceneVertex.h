// The 40-byte vertex of scene meshes, as the engine's scene-mesh layout
// (KEVertexLitTextured) reads it: position, normal, texture set 0, texture set 1.
#pragma once

#include "KEMath.h"

struct KESceneVertex {
    KEVector3 position;
    KEVector3 normal;
    KETexCoord uv0;
    KETexCoord uv1;
};
static_assert(sizeof(KESceneVertex) == 40, "scene vertices are 40 bytes, as the scene-mesh layout reads them");
