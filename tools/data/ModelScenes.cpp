// The single-mesh scenes: the show's model (a geodesic sphere that the model effect
// wobbles and sphere-maps) and the meteor rock (a geodesic sphere pushed about by noise).
#include "Noise.h"
#include "Scenes.h"

#include <stdexcept>
#include <string>

namespace data {

namespace {

void RequireOutward(const Mesh& mesh, const KEVector3& centre, const char* what) {
    const int inward = CountInwardFaces(mesh, centre);
    if (inward != 0) {
        throw std::runtime_error(std::string(what) + ": " + std::to_string(inward) + " faces turned inward");
    }
}

}  // namespace

KESceneObject* AddMeshObject(KEScene* scene, int32_t kind, const Mesh& mesh, bool uvSet0) {
    KESceneObject* object = scene->AddObject();
    if (object == nullptr) throw std::runtime_error("the scene refused a new object");
    object->kind = kind;
    object->materialIndex = -1;
    object->uvMode[0] = uvSet0 ? KESceneObject::UV_PER_FRAME : KESceneObject::UV_NONE;
    object->uvMode[1] = KESceneObject::UV_NONE;
    object->vertexCount = static_cast<int32_t>(mesh.positions.size());
    object->Triangles() = mesh.triangles;

    KEFrameMesh* frame = object->AddFrameMesh();
    if (frame == nullptr) throw std::runtime_error("an object refused a new frame mesh");
    std::vector<KESceneVertex>& vertices = frame->Vertices();
    vertices.resize(mesh.positions.size());
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        vertices[i] = KESceneVertex{};
        vertices[i].position = mesh.positions[i];
        if (uvSet0) vertices[i].uv0 = SphericalUV(mesh.positions[i]);
    }
    return object;
}

void BuildModelScene(KEScene* scene) {
    // 162 shared vertices: enough for the wobble to read as a smooth wave, few enough to
    // recompute the normals every frame.
    const Mesh sphere = MakeGeodesicSphere(2, 25.0f);
    RequireOutward(sphere, KEVector3{0, 0, 0}, "model");
    scene->framesPerSecond = 25;
    // Its own texture, so that the model effect lays the sky over it on the second unit
    // as a sphere-mapped reflection.
    scene->textureNames = {"icosa.png"};
    AddMeshObject(scene, KESceneObject::KIND_STATIC, sphere, true)->materialIndex = 0;
}

void BuildMeteorScene(KEScene* scene) {
    Mesh rock = MakeGeodesicSphere(3, 1.0f);
    const ValueNoise noise(0x6d65746f72ull);
    for (KEVector3& p : rock.positions) {
        // Broad lumps from the fractal noise, a few sharper dents from a second, finer
        // octave band, and an uneven squash so no two axes look alike.
        const float lumps = noise.Fractal(p.x * 1.6f + 11.0f, p.y * 1.6f + 5.0f, p.z * 1.6f + 3.0f, 4, 0.5f);
        const float dents = noise.At(p.x * 4.5f + 40.0f, p.y * 4.5f + 17.0f, p.z * 4.5f + 29.0f);
        float radius = 8.0f * (0.72f + 0.56f * lumps);
        if (dents > 0.72f) radius -= 2.2f * (dents - 0.72f);
        p = KEVector3{p.x * radius * 1.08f, p.y * radius * 0.84f, p.z * radius * 0.97f};
    }
    RequireOutward(rock, KEVector3{0, 0, 0}, "meteor");
    scene->framesPerSecond = 25;
    AddMeshObject(scene, KESceneObject::KIND_STATIC, rock, true);
}

}  // namespace data
