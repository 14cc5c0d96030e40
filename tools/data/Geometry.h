// Mesh building for the show's scenes: geodesic spheres, small solids, and the checks
// that every face turns its visible side outward. Faces follow the engine's convention:
// the face normal (p0 - p1) x (p2 - p1) points out of the visible (clockwise) side.
#pragma once

#include "KEMath.h"

#include <cstdint>
#include <vector>

namespace data {

struct Mesh {
    std::vector<KEVector3> positions;
    std::vector<uint32_t> triangles;  // three indices a face
};

KEVector3 Add(const KEVector3& a, const KEVector3& b);
KEVector3 Scale(const KEVector3& v, float s);
float Length(const KEVector3& v);
// The engine's face normal of (p0, p1, p2), not normalised.
KEVector3 FaceNormal(const KEVector3& p0, const KEVector3& p1, const KEVector3& p2);

// An icosahedron on the sphere of `radius`, each face split into four `subdivisions`
// times, with every vertex shared by the faces around it (10 * 4^s + 2 vertices).
Mesh MakeGeodesicSphere(int subdivisions, float radius);
// A regular octahedron with corners `radius` from its centre; each face has its own three
// vertices so that the computed normals shade it flat.
Mesh MakeFlatOctahedron(float radius);

// Appends `part` with its positions moved by `offset`.
void Append(Mesh* mesh, const Mesh& part, const KEVector3& offset);
// Turns every face whose normal points towards `centre` around, so that all face away.
void OrientAwayFrom(Mesh* mesh, const KEVector3& centre);
// Faces whose normal does not point away from `centre` (by the centroid test), or whose
// normal is zero; 0 for a correctly wound closed mesh around its centre.
int CountInwardFaces(const Mesh& mesh, const KEVector3& centre);

// Texture coordinates of a direction from the centre: u the longitude folded to 0..1 and
// back (so shared vertices never meet a seam), v the angle from the +y pole over pi.
KETexCoord SphericalUV(const KEVector3& direction);

}  // namespace data
