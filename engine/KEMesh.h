// A simple mesh: draw calls over vertex streams it owns, with one material. Most effects
// draw through it; scene loading fills it.
#pragma once

#include "KEDrawCall.h"
#include "KEMath.h"

#include <memory>
#include <vector>

class KEMaterial;
class KERenderQueue;
class KEVertex;

// Begins an item under the camera placed as meshes are: translated to (x, y, z), then
// rotated by ax about X, ay about Y, az about Z (degrees). Returns the queue to submit to.
KERenderQueue* KEBeginPlacedItem(float x, float y, float z, float ax, float ay, float az);

class KEMesh {
public:
    KEMesh();
    ~KEMesh();
    KEMesh(const KEMesh&) = delete;
    KEMesh& operator=(const KEMesh&) = delete;

    void SetMaterial(KEMaterial* material) { m_material = material; }
    KEMaterial* GetMaterial() const { return m_material; }
    // Takes ownership of the stream; returns it.
    KEVertex* AddStream(KEVertex* stream);
    void AddDrawCall(const KEDrawCall& drawCall) { m_drawCalls.push_back(drawCall); }
    void ClearDrawCalls() { m_drawCalls.clear(); }
    int GetDrawCallCount() const { return static_cast<int>(m_drawCalls.size()); }
    const KEDrawCall& GetDrawCall(int index) const { return m_drawCalls[static_cast<size_t>(index)]; }
    int GetStreamCount() const { return static_cast<int>(m_streams.size()); }
    KEVertex* GetStream(int index) const { return m_streams[static_cast<size_t>(index)].get(); }

    // Submits every draw call under the camera, translated to (x, y, z) and rotated by
    // ax about X, ay about Y, az about Z (degrees).
    void Render(float x, float y, float z, float ax, float ay, float az);
    // The same with one matrix instead of the translation and rotations.
    void Render(const KEMatrix4& matrix);

private:
    void SubmitAll();

    std::vector<KEDrawCall> m_drawCalls;
    std::vector<std::unique_ptr<KEVertex>> m_streams;
    KEMaterial* m_material = nullptr;  // not owned
};
