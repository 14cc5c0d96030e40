// Scenes: the file's header, camera records, lights, texture names and object list, and
// what LoadFile builds from them (queued textures, the materials of the objects).
#include "KEScene.h"

#include "KEEngine.h"
#include "KEMaterial.h"
#include "KESceneRead.h"
#include "KETexture.h"
#include "KLLog.h"

#include <algorithm>

using scene_read::ReadCount;

namespace {

constexpr int64_t kCameraRecordBytes = 28;
// The smallest light: colours, alphas and scalar (48), a track of one frame and one key.
constexpr int64_t kMinLightBytes = 48 + 4 + 4 + 4 + 64;
// The smallest object: its six header fields and an empty frame-mesh count.
constexpr int64_t kMinObjectBytes = 28;

}  // namespace

// ---- object list ----

KEObjectList::~KEObjectList() {
    for (KLListNode* node = m_list.GetFirst(); node; node = node->GetNext()) delete node->Item<KL::Serializable>();
}

bool KEObjectList::Load(FileReader* reader) {
    m_error.clear();
    int32_t count = 0;
    if (!ReadCount(reader, kMinObjectBytes, "objects", &count, &m_error)) return false;
    for (int32_t i = 0; i < count; ++i) {
        KL::Serializable* object = m_factory->Create();
        // Appended before it is read: what was read stays in the scene even on failure.
        m_list.Append(object);
        if (!reader->ReadObject(object)) {
            const auto* sceneObject = dynamic_cast<KESceneObject*>(object);
            m_error = "object " + std::to_string(i) + ": " + (sceneObject ? sceneObject->GetError() : "unreadable");
            return false;
        }
    }
    return true;
}

bool KEObjectList::Save(FileWriter* writer) {
    m_error.clear();
    if (!writer->WriteInt(m_list.GetCount())) return false;
    int i = 0;
    for (KLListNode* node = m_list.GetFirst(); node; node = node->GetNext(), ++i) {
        KL::Serializable* object = node->Item<KL::Serializable>();
        if (!writer->WriteObject(object)) {
            const auto* sceneObject = dynamic_cast<KESceneObject*>(object);
            m_error = "object " + std::to_string(i) + ": " + (sceneObject ? sceneObject->GetError() : "unwritable");
            return false;
        }
    }
    return true;
}

// ---- scene ----

KL::Serializable* KEScene::ObjectFactory::Create() { return new KESceneObject(m_scene); }

KEScene::KEScene() = default;

KEScene::~KEScene() { ReleaseTextures(); }

void KEScene::ReleaseTextures() {
    if (m_textures.empty()) return;
    // Those still waiting in the engine's queue leave it first; the others keep their order
    // (taken from the front, put back from the back).
    KEEngine* engine = KEEngine::GetEngine();
    std::vector<KETexture*> others;
    while (KETexture* pending = engine->TakePendingTexture()) {
        if (std::find(m_textures.begin(), m_textures.end(), pending) == m_textures.end()) others.push_back(pending);
    }
    for (auto it = others.rbegin(); it != others.rend(); ++it) engine->QueuePendingTexture(*it);
    for (KETexture* texture : m_textures) KETexture::FreeTexture(texture);
    m_textures.clear();
}

KESceneObject* KEScene::GetObject(int32_t index) const {
    int32_t i = 0;
    for (KLListNode* node = m_objects.GetList().GetFirst(); node; node = node->GetNext(), ++i) {
        if (i == index) return node->Item<KESceneObject>();
    }
    return nullptr;
}

KESceneObject* KEScene::GetFirstObject() const { return GetObject(0); }

KESceneObject* KEScene::AddObject() {
    auto* object = new KESceneObject(this);
    m_objects.Append(object);
    return object;
}

KEMaterial* KEScene::GetTextureMaterial(int32_t index) const {
    return (index >= 0 && static_cast<size_t>(index) < m_textureMaterials.size())
               ? m_textureMaterials[static_cast<size_t>(index)].get()
               : nullptr;
}

KETexture* KEScene::GetTexture(int32_t index) const {
    return (index >= 0 && static_cast<size_t>(index) < m_textures.size()) ? m_textures[static_cast<size_t>(index)]
                                                                         : nullptr;
}

KEMaterial* KEScene::MaterialFor(int32_t materialIndex) const {
    return materialIndex == -1 ? m_defaultMaterial.get() : GetTextureMaterial(materialIndex);
}

bool KEScene::Load(FileReader* reader) {
    m_error.clear();
    if (!reader->ReadFloat(&reserved) || !reader->ReadInt(&framesPerSecond)) {
        m_error = "the file ends inside the header";
        return false;
    }
    // Any rate is read: only the scene player plays the frames, and it checks the rate.
    int32_t frames = 0;
    if (!ReadCount(reader, kCameraRecordBytes, "camera records", &frames, &m_error)) return false;
    cameraPositions.assign(static_cast<size_t>(frames), KEVector3{});
    cameraRotations.assign(static_cast<size_t>(frames), KEVector3{});
    cameraFieldsOfView.assign(static_cast<size_t>(frames), 0.0f);
    for (int32_t i = 0; i < frames; ++i) {
        float record[7];
        if (!scene_read::ReadFloats(reader, record, 7, "camera records", &m_error)) return false;
        cameraPositions[static_cast<size_t>(i)] = {record[0], record[1], record[2]};
        cameraRotations[static_cast<size_t>(i)] = {record[3], record[4], record[5]};
        cameraFieldsOfView[static_cast<size_t>(i)] = record[6];
    }

    int32_t lightCount = 0;
    if (!ReadCount(reader, kMinLightBytes, "lights", &lightCount, &m_error)) return false;
    lights.clear();
    for (int32_t j = 0; j < lightCount; ++j) {
        lights.push_back(std::make_unique<KESceneLight>(frames));
        if (!reader->ReadObject(lights.back().get())) {
            m_error = "light " + std::to_string(j) + ": " + lights.back()->GetError();
            return false;
        }
    }

    int32_t nameCount = 0;
    if (!ReadCount(reader, 4, "texture names", &nameCount, &m_error)) return false;
    textureNames.assign(static_cast<size_t>(nameCount), std::string());
    for (int32_t i = 0; i < nameCount; ++i) {
        char* name = nullptr;
        if (!reader->ReadString(&name)) {
            m_error = "texture name " + std::to_string(i) + " has a negative length or runs past the end";
            return false;
        }
        if (name) {
            textureNames[static_cast<size_t>(i)] = name;
            delete[] name;
        }
    }

    if (!reader->ReadObject(&m_objects)) {
        m_error = m_objects.GetError();
        return false;
    }
    return true;
}

bool KEScene::Save(FileWriter* writer) {
    m_error.clear();
    const size_t frames = cameraPositions.size();
    if (cameraRotations.size() != frames || cameraFieldsOfView.size() != frames) {
        m_error = "camera arrays of different lengths";
        return false;
    }
    bool ok = writer->WriteFloat(reserved) && writer->WriteInt(framesPerSecond) &&
              writer->WriteInt(static_cast<int32_t>(frames));
    for (size_t i = 0; ok && i < frames; ++i) {
        const float record[7] = {cameraPositions[i].x, cameraPositions[i].y, cameraPositions[i].z,
                                 cameraRotations[i].x, cameraRotations[i].y, cameraRotations[i].z,
                                 cameraFieldsOfView[i]};
        ok = scene_read::WriteFloats(writer, record, 7);
    }
    ok = ok && writer->WriteInt(static_cast<int32_t>(lights.size()));
    for (size_t j = 0; ok && j < lights.size(); ++j) {
        if (!writer->WriteObject(lights[j].get())) {
            m_error = "light " + std::to_string(j) + ": " + lights[j]->GetError();
            return false;
        }
    }
    ok = ok && writer->WriteInt(static_cast<int32_t>(textureNames.size()));
    for (size_t i = 0; ok && i < textureNames.size(); ++i) ok = writer->WriteString(textureNames[i].c_str());
    if (ok && !writer->WriteObject(&m_objects)) {
        m_error = m_objects.GetError();
        return false;
    }
    if (!ok && m_error.empty()) m_error = "write error";
    return ok;
}

bool KEScene::LoadFile(const char* path) {
    m_error.clear();
    FileReader reader;
    // A file read before and unchanged since comes from the engine's cache. One the cache
    // does not hold (missing, not a regular file, too large to keep) is opened as a file,
    // which reports as it always has.
    KEEngine* engine = KEEngine::GetEngine();
    const auto bytes = path ? engine->GetDataCache().ReadFile(path) : nullptr;
    const bool opened = bytes ? reader.OpenBytes(bytes) : path && reader.Open(path);
    if (!opened) {
        m_error = std::string("cannot open ") + (path ? path : "(no file named)");
        return false;
    }
    if (!reader.ReadObject(this)) {
        m_error = std::string(path) + ": " + m_error;
        LogMessage("Scene %s", m_error.c_str());
        return false;
    }
    reader.Close();

    ReleaseTextures();
    for (const std::string& name : textureNames) {
        KETexture* texture = KETexture::NewTexture();
        const std::string file = "Files/Textures/" + name;
        texture->SetFile(file.c_str(), GL_RGB);
        engine->QueuePendingTexture(texture);
        m_textures.push_back(texture);
    }

    m_defaultMaterial = std::make_unique<KEMaterial>();
    m_defaultMaterial->EnableLighting();
    m_defaultMaterial->SetAmbient(0.6f, 0.6f, 0.6f, 0.0f);
    m_defaultMaterial->SetDiffuse(0.8f, 0.8f, 0.8f, 1.0f);
    m_defaultMaterial->SetSpecular(0.8f, 0.8f, 0.8f, 1.0f);
    m_defaultMaterial->SetShininess(1.0f);

    m_textureMaterials.clear();
    for (KETexture* texture : m_textures) {
        auto material = std::make_unique<KEMaterial>();
        material->AddTextureLayer(texture, GL_MODULATE, 0, 0, 0, 0);
        material->EnableLighting();
        material->SetAmbient(0.1f, 0.1f, 0.1f, 0.0f);
        material->SetDiffuse(0.8f, 0.8f, 0.8f, 1.0f);
        material->SetSpecular(0.0f, 0.0f, 0.0f, 1.0f);
        material->SetShininess(1.0f);
        m_textureMaterials.push_back(std::move(material));
    }

    for (KLListNode* node = GetObjects().GetFirst(); node; node = node->GetNext()) {
        KESceneObject* object = node->Item<KESceneObject>();
        object->SetMaterial(MaterialFor(object->materialIndex));
    }
    return true;
}
