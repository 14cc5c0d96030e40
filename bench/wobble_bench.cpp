// The model's per-frame CPU work on a large mesh: the wobble from the loaded copy plus
// ComputeNormals, on a grid of about 100,000 triangles. The last line is nanoseconds per
// vertex for both together (goal: at most 15 on one core).
#include "CModelEffect.h"
#include "KEScene.h"

#include <chrono>
#include <cstdio>

int main() {
    constexpr int kCells = 224;  // 224 x 224 cells: 100,352 triangles, 50,625 vertices
    constexpr int kSide = kCells + 1;
    KEScene scene;
    KESceneObject* object = scene.AddObject();
    object->kind = KESceneObject::KIND_STATIC;
    object->vertexCount = kSide * kSide;
    KEFrameMesh* mesh = object->AddFrameMesh();
    std::vector<KESceneVertex>& vertices = mesh->Vertices();
    vertices.resize(static_cast<size_t>(kSide) * kSide);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) vertices[static_cast<size_t>(y) * kSide + x].position = {float(x), float(y), 0};
    std::vector<uint32_t>& triangles = object->Triangles();
    for (uint32_t y = 0; y < kCells; ++y) {
        for (uint32_t x = 0; x < kCells; ++x) {
            const uint32_t a = y * kSide + x, b = a + 1, c = a + kSide, d = c + 1;
            triangles.insert(triangles.end(), {a, c, b, b, c, d});
        }
    }
    mesh->Setup();
    CModelEffect::Wobble wobble;
    wobble.SetLoaded(vertices);

    constexpr int kFrames = 200;
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int frame = 0; frame < kFrames; ++frame) {
            wobble.Apply(static_cast<uint32_t>(frame * 16), 5.0f, 0.08f, 340.0f, &vertices);
            mesh->ComputeNormals();
        }
        const double ns = std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
        const double perVertex = ns / kFrames / static_cast<double>(vertices.size());
        if (perVertex < best) best = perVertex;
    }
    std::printf("mesh: %zu vertices, %d triangles\n", vertices.size(), object->GetTriangleCount());
    std::printf("wobble + normals: %.1f ns per vertex\n", best);
    return 0;
}
