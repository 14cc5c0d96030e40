// Geodesic spheres, flat-shaded solids and face orientation for the scene writers. Every
// builder hands back faces already turned outward by the engine's normal rule.
#include "Geometry.h"

#include <cmath>
#include <map>
#include <utility>

namespace data {

namespace {

constexpr double kPi = 3.14159265358979323846;

KEVector3 Normalised(const KEVector3& v) {
    const float length = Length(v);
    return Scale(v, 1.0f / length);
}

}  // namespace

KEVector3 Add(const KEVector3& a, const KEVector3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }

KEVector3 Scale(const KEVector3& v, float s) { return {v.x * s, v.y * s, v.z * s}; }

float Length(const KEVector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

KEVector3 FaceNormal(const KEVector3& p0, const KEVector3& p1, const KEVector3& p2) {
    const KEVector3 a{p0.x - p1.x, p0.y - p1.y, p0.z - p1.z};
    const KEVector3 b{p2.x - p1.x, p2.y - p1.y, p2.z - p1.z};
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

Mesh MakeGeodesicSphere(int subdivisions, float radius) {
    const float g = static_cast<float>((1.0 + std::sqrt(5.0)) / 2.0);
    Mesh mesh;
    const KEVector3 corners[12] = {{-1, g, 0}, {1, g, 0}, {-1, -g, 0}, {1, -g, 0}, {0, -1, g}, {0, 1, g},
                                   {0, -1, -g}, {0, 1, -g}, {g, 0, -1}, {g, 0, 1}, {-g, 0, -1}, {-g, 0, 1}};
    for (const KEVector3& corner : corners) mesh.positions.push_back(Normalised(corner));
    mesh.triangles = {0, 11, 5, 0, 5, 1,  0, 1, 7,  0, 7, 10, 0, 10, 11, 1, 5, 9, 5, 11, 4,
                      11, 10, 2, 10, 7, 6, 7, 1, 8, 3, 9, 4,  3, 4, 2,  3, 2, 6, 3, 6, 8,
                      3, 8, 9,  4, 9, 5, 2, 4, 11, 6, 2, 10, 8, 6, 7,  9, 8, 1};

    for (int level = 0; level < subdivisions; ++level) {
        // Edge midpoints, keyed by the ordered index pair, so neighbouring faces share them.
        std::map<std::pair<uint32_t, uint32_t>, uint32_t> midpoints;
        auto midpoint = [&](uint32_t a, uint32_t b) {
            const std::pair<uint32_t, uint32_t> key = a < b ? std::make_pair(a, b) : std::make_pair(b, a);
            const auto found = midpoints.find(key);
            if (found != midpoints.end()) return found->second;
            const uint32_t index = static_cast<uint32_t>(mesh.positions.size());
            mesh.positions.push_back(Normalised(Add(mesh.positions[a], mesh.positions[b])));
            midpoints.emplace(key, index);
            return index;
        };
        std::vector<uint32_t> split;
        split.reserve(mesh.triangles.size() * 4);
        for (size_t t = 0; t < mesh.triangles.size(); t += 3) {
            const uint32_t a = mesh.triangles[t], b = mesh.triangles[t + 1], c = mesh.triangles[t + 2];
            const uint32_t ab = midpoint(a, b), bc = midpoint(b, c), ca = midpoint(c, a);
            split.insert(split.end(), {a, ab, ca, b, bc, ab, c, ca, bc, ab, bc, ca});
        }
        mesh.triangles.swap(split);
    }
    for (KEVector3& p : mesh.positions) p = Scale(p, radius);
    OrientAwayFrom(&mesh, KEVector3{0, 0, 0});
    return mesh;
}

Mesh MakeFlatOctahedron(float radius) {
    const KEVector3 corners[6] = {{radius, 0, 0}, {-radius, 0, 0}, {0, radius, 0},
                                  {0, -radius, 0}, {0, 0, radius}, {0, 0, -radius}};
    Mesh mesh;
    for (int sx = 0; sx < 2; ++sx) {
        for (int sy = 2; sy < 4; ++sy) {
            for (int sz = 4; sz < 6; ++sz) {
                const uint32_t base = static_cast<uint32_t>(mesh.positions.size());
                mesh.positions.push_back(corners[sx]);
                mesh.positions.push_back(corners[sy]);
                mesh.positions.push_back(corners[sz]);
                mesh.triangles.insert(mesh.triangles.end(), {base, base + 1, base + 2});
            }
        }
    }
    OrientAwayFrom(&mesh, KEVector3{0, 0, 0});
    return mesh;
}

void Append(Mesh* mesh, const Mesh& part, const KEVector3& offset) {
    const uint32_t base = static_cast<uint32_t>(mesh->positions.size());
    for (const KEVector3& p : part.positions) mesh->positions.push_back(Add(p, offset));
    for (uint32_t index : part.triangles) mesh->triangles.push_back(base + index);
}

namespace {

// Dot product of a face's normal with the direction from `centre` to its centroid.
float Outwardness(const Mesh& mesh, size_t t, const KEVector3& centre) {
    const KEVector3& p0 = mesh.positions[mesh.triangles[t]];
    const KEVector3& p1 = mesh.positions[mesh.triangles[t + 1]];
    const KEVector3& p2 = mesh.positions[mesh.triangles[t + 2]];
    const KEVector3 n = FaceNormal(p0, p1, p2);
    const KEVector3 c{(p0.x + p1.x + p2.x) / 3.0f - centre.x, (p0.y + p1.y + p2.y) / 3.0f - centre.y,
                      (p0.z + p1.z + p2.z) / 3.0f - centre.z};
    return n.x * c.x + n.y * c.y + n.z * c.z;
}

}  // namespace

void OrientAwayFrom(Mesh* mesh, const KEVector3& centre) {
    for (size_t t = 0; t + 2 < mesh->triangles.size(); t += 3) {
        if (Outwardness(*mesh, t, centre) < 0.0f) std::swap(mesh->triangles[t + 1], mesh->triangles[t + 2]);
    }
}

int CountInwardFaces(const Mesh& mesh, const KEVector3& centre) {
    int inward = 0;
    for (size_t t = 0; t + 2 < mesh.triangles.size(); t += 3) {
        if (!(Outwardness(mesh, t, centre) > 0.0f)) ++inward;
    }
    return inward;
}

KETexCoord SphericalUV(const KEVector3& direction) {
    const double length = std::sqrt(static_cast<double>(direction.x) * direction.x +
                                    static_cast<double>(direction.y) * direction.y +
                                    static_cast<double>(direction.z) * direction.z);
    if (length == 0.0) return {0.0f, 0.0f};
    const double longitude = std::atan2(static_cast<double>(direction.z), static_cast<double>(direction.x));
    double cosine = direction.y / length;
    if (cosine > 1.0) cosine = 1.0;
    if (cosine < -1.0) cosine = -1.0;
    return {static_cast<float>(std::fabs(longitude) / kPi), static_cast<float>(std::acos(cosine) / kPi)};
}

}  // namespace data
