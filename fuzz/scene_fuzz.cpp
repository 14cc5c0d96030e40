// Fuzz harness for the scene reader: any bytes, read as a scene file, must be refused or
// read without a crash, a hang or a read outside the data; what is read is then drawn at a
// few times (tracks, morphs, normals) as the players would.
#include "KEEngine.h"
#include "KEScene.h"
#include "FuzzInput.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Quiet();
    const char* path = fuzz::AsFile(data, size);
    if (!path) return 0;

    FileReader reader;
    KEScene scene;
    if (!reader.Open(path) || !reader.ReadObject(&scene)) return 0;
    for (const auto& light : scene.lights) light->GetTrack()->Evaluate(1.5f);
    for (KLListNode* node = scene.GetObjects().GetFirst(); node; node = node->GetNext()) {
        KESceneObject* object = node->Item<KESceneObject>();
        for (float t : {0.0f, 0.5f, 1.25f, 3.0f, 1e9f}) object->Draw(t);
        if (KEFrameMesh* mesh = object->GetFrameMesh(0)) mesh->ComputeNormals();
    }
    KEEngine::GetEngine()->GetQueue().Clear();
    return 0;
}
