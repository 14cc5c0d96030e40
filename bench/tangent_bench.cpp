// The CPU side of per-pixel lighting on a large mesh: the light and half vectors of every
// index in tangent space (UpdateTangentSpace, what each draw of the lit pass costs), on a
// grid of about 100,000 triangles. The last line is nanoseconds per index.
#include "KEBumpMesh.h"
#include "KEExtensions.h"
#include "KEMesh.h"
#include "KEVertexLayouts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main() {
    // No GL here: an empty extension table keeps the streams in system memory.
    KEExtensions none;
    KEExtensions::SetInstance(&none);

    constexpr int kCells = 224;  // 224 x 224 cells: 100,352 triangles, 50,625 vertices
    constexpr int kSide = kCells + 1;
    auto* stream = new KEVertexLitTextured();
    stream->AllocateSpace(kSide * kSide);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const int i = y * kSide + x;
            *static_cast<KEVector3*>(stream->PositionPtr(i)) = {float(x), float(y), 0.1f * float((x * y) % 7)};
            *static_cast<KEVector3*>(stream->NormalPtr(i)) = {0, 0, 1};
            float* uv = static_cast<float*>(stream->TexCoordPtr(i, 0));
            uv[0] = float(x) / kCells;
            uv[1] = float(y) / kCells;
        }
    }
    std::vector<uint32_t> indices;
    for (uint32_t y = 0; y < kCells; ++y) {
        for (uint32_t x = 0; x < kCells; ++x) {
            const uint32_t a = y * kSide + x, b = a + 1, c = a + kSide, d = c + 1;
            indices.insert(indices.end(), {a, b, c, b, d, c});
        }
    }
    KEMesh mesh;
    mesh.AddStream(stream);
    mesh.AddDrawCall(KEDrawCall{GL_TRIANGLES, stream, indices.data(), static_cast<int32_t>(indices.size())});
    KEBumpMesh bump(false);
    if (bump.Build(mesh) != 1) return 1;
    bump.SetLightPosition(100, 100, 300);
    KEMatrix4 modelview;
    SetIdentity(&modelview);
    modelview.m[14] = -500.0f;

    KEVertex* lit = bump.GetLitDrawCalls()[0].stream;
    const int32_t count = static_cast<int32_t>(indices.size());
    constexpr int kDraws = 50;
    double best = 1e30;
    for (int run = 0; run < 5; ++run) {
        const auto start = std::chrono::steady_clock::now();
        for (int draw = 0; draw < kDraws; ++draw) bump.Update(modelview, lit, count, indices.data());
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    const double perIndex = best * 1e9 / (static_cast<double>(kDraws) * count);
    std::printf("UpdateTangentSpace: %d indices, %.2f ms per draw\n", count, best * 1e3 / kDraws);
    std::printf("%.2f ns per index\n", perIndex);
    KEExtensions::SetInstance(nullptr);
    return 0;
}
