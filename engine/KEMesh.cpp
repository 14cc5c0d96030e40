#include "KEMesh.h"

#include "KEEngine.h"
#include "KEVertex.h"

KEMesh::KEMesh() {
    m_drawCalls.reserve(10);
    m_streams.reserve(10);
}

KEMesh::~KEMesh() = default;

KEVertex* KEMesh::AddStream(KEVertex* stream) {
    m_streams.emplace_back(stream);
    return stream;
}

void KEMesh::SubmitAll() {
    KERenderQueue& queue = KEEngine::GetEngine()->GetQueue();
    if (m_material) queue.RenderState().SetMaterial(m_material);
    for (const KEDrawCall& drawCall : m_drawCalls) queue.Submit(drawCall);
}

KERenderQueue* KEBeginPlacedItem(float x, float y, float z, float ax, float ay, float az) {
    KERenderQueue* queue = KEEngine::GetEngine()->BeginItem(true, true);
    KL::TransformList& modelview = queue->ModelviewTransforms();
    modelview.Translate(x, y, z);
    modelview.Rotate(ax, 1, 0, 0);
    modelview.Rotate(ay, 0, 1, 0);
    modelview.Rotate(az, 0, 0, 1);
    return queue;
}

void KEMesh::Render(float x, float y, float z, float ax, float ay, float az) {
    KEBeginPlacedItem(x, y, z, ax, ay, az);
    SubmitAll();
}

void KEMesh::Render(const KEMatrix4& matrix) {
    KERenderQueue* queue = KEEngine::GetEngine()->BeginItem(true, true);
    queue->ModelviewTransforms().MultMatrix(matrix.m);
    SubmitAll();
}
